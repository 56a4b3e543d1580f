"""What the beat studies promise of their motion, as the family declares it for the checks: the
groups of style pairs, the contrasting pairs, the features that must show and the smooth motions."""

import pytest

from generator.assemble import generate_family
from generator.checks import CatalogueCheckError, check_family_character, flatten
from generator.families.beat import character
from generator.family import Character
from generator.families.beat.motions import MOTION_BY_KEY, MOTIONS
from generator.families.beat.scores import SCORE_BY_STYLE
from generator.measures import closeness
from generator.table import ENTRY_BY_NAME, FAMILIES, entries_of

BEAT = FAMILIES["beat"]


@pytest.fixture(scope="module")
def blocks():
    return dict(generate_family(BEAT))


def test_every_motion_has_its_group_of_styles_and_its_contrasting_pairs():
    groups = {group.label: group for group in BEAT.character.distinct_groups}
    assert len(groups) == len(MOTIONS) * (1 + len(character.CONTRASTS))
    bounce = groups["beat motion bounce"]
    assert len(bounce.members) == 68 and bounce.close_share == 0.1
    assert bounce.limit == pytest.approx(0.683 / 4)  # a quarter of the bounce's largest figure, y
    assert bounce.exempt == {frozenset({"amen_four_bar_" + m.key, "amen_no_ghosts_" + m.key}) for m in MOTIONS}
    clave = groups["beat motion ricochet, the clave's two directions"]
    assert clave.members == ("son_clave_32_ricochet", "son_clave_23_ricochet") and clave.close_share == 0.0
    assert clave.limit == pytest.approx(0.92 / 4)


@pytest.mark.parametrize("style, feature, bare", character.FEATURES, ids=[f[0] for f in character.FEATURES])
def test_a_feature_removes_one_part_of_its_score_and_nothing_else(style, feature, bare):
    score = SCORE_BY_STYLE[style]
    changed = [name for (name, part), (_, other) in zip(score.parts(), bare(score).parts()) if part != other]
    assert len(changed) == 1
    name = changed[0]
    kept = set(getattr(bare(score), name))
    assert kept < set(getattr(score, name))  # only strokes taken away


def test_smooth_motions_are_those_whose_descriptions_promise_it():
    assert len(BEAT.character.smooth) == 4 * 68
    for key in character.SMOOTH_MOTIONS:
        closing = MOTION_BY_KEY[key].closing + MOTION_BY_KEY[key].subtitle
        assert any(word in closing.lower() for word in ("smooth", "rounded", "continuous", "glide")), key


def test_a_study_without_nothing_removed_is_its_stored_loop(blocks):
    # The loop without a feature is scaled as the stored study is, so with nothing removed it is the study.
    for key in ("bounce", "pendulum", "ricochet"):
        entry = ENTRY_BY_NAME[f"beat_son_clave_32_{key}"]
        score = SCORE_BY_STYLE["son_clave_32"]
        same = character.without_feature(score, score, MOTION_BY_KEY[key])(entry, blocks[entry.index])
        assert closeness(flatten(same), blocks[entry.index]) < 1e-9


def test_the_checks_name_a_motion_that_no_longer_hears_the_clave(blocks):
    # The clave study of one motion replaced by the study without its clave: the feature is gone.
    feature = next(f for f in BEAT.character.features if f.member == "son_clave_32_orbit")
    entry = ENTRY_BY_NAME["beat_son_clave_32_orbit"]
    deaf = dict(blocks)
    deaf[entry.index] = flatten(feature.without(entry, blocks[entry.index]))
    character = Character(apart=False, features=(feature,))
    with pytest.raises(CatalogueCheckError, match=r"^beat_son_clave_32_orbit: the clave moves it by at most 0\.\d+, less than 0.155"):
        check_family_character(BEAT, character, entries_of("beat"), deaf)
    check_family_character(BEAT, character, entries_of("beat"), blocks)
