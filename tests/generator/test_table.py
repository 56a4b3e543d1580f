"""The catalogue table: order, names, periods, dimension counts, descriptions and peak figures."""

import collections
import re
import sys
import types

import pytest

from generator import table
from generator.families.beat import style_and_motion
from generator.families.beat.motions import MOTION_BY_KEY, MOTIONS
from generator.families.beat.scores import SCORES
from generator.family import Family, Member
from generator.model import Peaks
from generator.table import ENTRIES, ENTRY_BY_NAME, FAMILIES, Run

EM_DASH = "\N{EM DASH}"
EN_DASH = "\N{EN DASH}"


def test_table_holds_1716_distinct_names():
    assert len(ENTRIES) == 1716
    assert len({entry.name for entry in ENTRIES}) == 1716
    assert [entry.index for entry in ENTRIES] == list(range(1716))


@pytest.mark.parametrize("index, name", [
    (0, "lfo_breathe"), (51, "rhythm_three_four_five"), (52, "wave_pinched"), (627, "burst_5_6_2"),
    (628, "beat_four_floor_bounce"), (771, "beat_amapiano_glide"), (772, "beat_four_floor_surge"),
    (1203, "beat_amapiano_ricochet"), (1204, "beat_jersey_five_bounce"), (1715, "beat_dembow_push_ricochet"),
])
def test_table_order_edges(index, name):
    assert ENTRIES[index].name == name


def test_period_counts_and_total_samples():
    counts = collections.Counter(entry.period_pips for entry in ENTRIES)
    assert dict(counts) == {
        160: 3, 224: 5, 256: 41, 288: 5, 320: 4, 352: 6, 384: 4, 416: 6, 448: 6, 480: 5,
        512: 1304, 544: 1, 608: 1, 640: 1, 768: 17, 1024: 307,
    }
    assert sum(entry.period_pips for entry in ENTRIES) == 1_022_912
    assert all(entry.period_pips % 32 == 0 for entry in ENTRIES)


def test_first_and_last_in_bytewise_name_order():
    ordered = sorted(ENTRIES, key=lambda entry: entry.name.encode())
    assert (ordered[0].name, ordered[-1].name) == ("accent_walk_10_3", "weave_5_9")


@pytest.mark.parametrize("name, period", [
    ("euclid_2_5", 160), ("meter_2_3", 160), ("euclid_11_24", 768), ("meter_3_3_3_4", 416),
    ("dialogue_3_4_5", 384), ("dialogue_4_3_5_4", 512), ("rhythm_group_223", 448),
    ("beat_techno_polymeter_ricochet", 768), ("beat_four_floor_orbit", 256), ("beat_amen_no_ghosts_spring", 1024),
])
def test_derived_periods(name, period):
    assert ENTRY_BY_NAME[name].period_pips == period


def test_family_ranges():
    ranges = collections.defaultdict(list)
    for entry in ENTRIES:
        ranges[entry.family].append(entry.index)
    assert len(ranges) == 44
    assert ranges["lfo"] == list(range(0, 8)) + list(range(28, 36))
    assert ranges["rhythm"] == list(range(8, 12)) + list(range(44, 52))
    assert ranges["path"] == list(range(36, 44))
    assert ranges["wave"] == list(range(52, 68)) and ranges["env"] == list(range(68, 84))
    assert ranges["accent_walk"] == list(range(564, 580)) and ranges["burst"] == list(range(612, 628))
    assert ranges["beat"] == list(range(628, 1716))
    middle = [family for family, indexes in ranges.items() if 52 <= indexes[0] < 628]
    assert len(middle) == 36
    for family in middle:
        first = ranges[family][0]
        assert (first - 52) % 16 == 0 and ranges[family] == list(range(first, first + 16)), family


def test_names_follow_the_grammar():
    for entry in ENTRIES:
        assert re.fullmatch(r"[a-z][a-z0-9_]*", entry.name), entry.name
        assert 8 <= len(entry.name) <= 32, entry.name
        # The prefix is the name's first word, except for the one family of two words.
        words = entry.name.split("_")
        assert entry.family == ("_".join(words[:2]) if words[:2] == ["accent", "walk"] else words[0]), entry.name
    assert ENTRY_BY_NAME["accent_walk_5_1"].family == "accent_walk"


@pytest.mark.parametrize("name, description", [
    ("beat_four_floor_bounce", "Four to the floor / bare pulse \u2014 Kick-led bounce. Equal quarter-note kicks only."
                               " This shared foundation is not itself a complete genre."),
    ("beat_house_classic_bounce", "House / kick-clap-offbeat hat \u2014 Kick-led bounce. "),
    ("beat_four_floor_surge", "Four to the floor / bare pulse \u2014 Forward surge. Kick thrust through depth with"
                              " contrasting snare lift and hat detail."),
    ("beat_jersey_five_glide", "Jersey / five-kick foundation \u2014 Bass / phrase glide. Original Brevak 05"
                               " continuous phrase path with bass excursions."),
    ("weave_1_3", "1 horizontal and 3 vertical cycles; a phase-offset, closed 16-beat traversal."),
    ("swing_push_3_5", "Eight-beat push score with offbeats at 3/5 of each beat; peaks follow the score."),
    ("groove_b_grid", "Two-bar funk excerpt B (36\u201344 source beats), same hits quantised to sixteenths."),
    ("polar_scallop_2", "A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe."),
    ("mech_paddle", "Paddle-wheel tip; an original kinematic-style position study, not an engineering simulation."),
    ("noise_depth_12", "Indexed SHA-256 control points in a closed depth path. No mutable random state."),
    ("spiro_outside_9_4", "A closed outside-rolling circle trace, with pen radius smaller than the rolling radius."),
])
def test_descriptions(name, description):
    assert ENTRY_BY_NAME[name].description == description


def test_glide_subtitle_depends_on_the_half_of_the_style_table():
    assert "\u2014 Bass-and-phrase glide. " in ENTRY_BY_NAME["beat_four_floor_glide"].description
    assert "\u2014 Bass / phrase glide. " in ENTRY_BY_NAME["beat_jersey_five_glide"].description


def test_empty_notes_keep_the_trailing_space():
    ending = [entry for entry in ENTRIES if entry.description.endswith(" ")]
    assert len(ending) == 72
    assert all(entry.family == "beat" and entry.description.endswith(". ") for entry in ending)


def test_only_beat_and_groove_descriptions_leave_ascii():
    for entry in ENTRIES:
        outside = [ch for ch in entry.description if ord(ch) > 0x7F]
        expected = [EM_DASH] if entry.family == "beat" else [EN_DASH] if entry.family == "groove" else []
        assert outside == expected, entry.name
        assert 43 <= len(entry.description.encode("utf-8")) <= 235, entry.name


def beat_table_index(s, m):
    """Table index of the study of style s and motion m, both counted from 1."""
    if s <= 36 and m <= 4:
        return 628 + 4 * (s - 1) + (m - 1)
    if s <= 36:
        return 772 + 12 * (s - 1) + (m - 5)
    return 1204 + 16 * (s - 37) + (m - 1)


def test_beat_studies_stand_in_three_runs():
    for s, style in enumerate(SCORES, start=1):
        for m, motion in enumerate(MOTIONS, start=1):
            entry = ENTRIES[beat_table_index(s, m)]
            assert entry.name == f"beat_{style.style}_{motion.key}"
            assert style_and_motion(entry.member) == (style.style, motion.key)
    assert [style.note is not None for style in SCORES] == [True] * 36 + [False] * 32
    assert [motion.note_led for motion in MOTIONS] == [True] * 4 + [False] * 12


def test_beat_dimensions_and_periods():
    beat = [entry for entry in ENTRIES if entry.family == "beat"]
    assert sum(entry.dimensions == 2 for entry in beat) == 49
    assert all(entry.dimensions in (2, 3) for entry in beat)
    assert ENTRY_BY_NAME["beat_four_floor_orbit"].dimensions == 2
    assert ENTRY_BY_NAME["beat_house_classic_orbit"].dimensions == 3
    assert {entry.period_pips for entry in beat if entry.member.startswith("amen_")} == {1024}
    assert len(SCORES) == 68 and len(MOTIONS) == 16


@pytest.mark.parametrize("name, dimensions", [
    ("lfo_breathe", 1), ("lfo_double_pump", 2), ("env_lift_hold_drop", 2), ("noise_depth_6", 3), ("noise_drift_5", 2),
    ("swing_answer_3_4", 2), ("swing_shuffle_3_4", 3), ("contour_shaped_08", 2), ("contour_shaped_09", 3),
    ("mech_crank_rocker", 3), ("path_torus_knot", 3), ("rhythm_three_four_five", 3),
])
def test_dimension_exceptions(name, dimensions):
    assert ENTRY_BY_NAME[name].dimensions == dimensions


@pytest.mark.parametrize("family, axis, low, high", [
    ("lfo", 0, "0", "0.84"), ("groove", 0, "0.649", "1"), ("wave", 0, "0.82", None), ("env", 0, "0", None),
    ("noise", 2, "0", "0.516"), ("accent_walk", 2, "0.154", None), ("beat", 1, "0.052", "0.92"),
])
def test_family_peak_figures(family, axis, low, high):
    figure = FAMILIES[family].peaks.axis(axis)
    assert (figure.low, figure.high) == (low, high)


def test_every_family_declares_its_peak_group_and_beat_one_per_motion():
    for prefix, family in FAMILIES.items():
        whole = family.peak_groups()[0]
        assert whole.label == f"family {prefix}" and whole.members == {member.name for member in family.members}
    motions = FAMILIES["beat"].peak_groups()[1:]
    assert [group.label for group in motions] == [f"beat motion {motion.key}" for motion in MOTIONS]
    assert all(len(group.members) == 68 for group in motions)
    assert frozenset().union(*(group.members for group in motions)) == FAMILIES["beat"].peak_groups()[0].members
    assert all(len(family.peak_groups()) == 1 for prefix, family in FAMILIES.items() if prefix != "beat")


@pytest.mark.parametrize("motion, axis, low, high", [
    ("ricochet", 0, "0.191", "0.856"), ("bounce", 0, "0", "0.297"), ("dive", 2, "0.221", "0.92"),
])
def test_motion_peak_figures(motion, axis, low, high):
    figure = MOTION_BY_KEY[motion].peaks.axis(axis)
    assert (figure.low, figure.high) == (low, high)


def small_family(prefix, *members):
    return Family(prefix, tuple(Member(name, 32, 1, "A test member.") for name in members), Peaks.of("0.5", "0", "0"))


SMALL = {"aa": small_family("aa", "one", "two", "three"), "bb": small_family("bb", "one")}


def test_runs_interleave_families_in_their_own_member_order():
    entries = table.assemble((Run("aa", 1), Run("bb"), Run("aa")), SMALL)
    assert [entry.name for entry in entries] == ["aa_one", "bb_one", "aa_two", "aa_three"]
    assert [entry.index for entry in entries] == [0, 1, 2, 3]
    assert (entries[2].family, entries[2].member) == ("aa", "two")


@pytest.mark.parametrize("runs, message", [
    ((Run("aa", 4), Run("bb")), "^aa: a run of 4 members starts at member 0 of 3"),
    ((Run("aa", 2), Run("bb")), "^aa: members from three on are in no run of the table"),
    ((Run("aa"), Run("bb"), Run("aa", 1)), "^aa: a run of 1 members starts at member 3 of 3"),
], ids=["too_long", "left_out", "taken_twice"])
def test_runs_must_take_every_member_once(runs, message):
    with pytest.raises(ValueError, match=message):
        table.assemble(runs, SMALL)


def test_no_two_entries_share_a_name():
    families = {"aa": small_family("aa", "b_c"), "aa_b": small_family("aa_b", "c")}
    with pytest.raises(ValueError, match="^aa_b_c: two entries"):
        table.assemble((Run("aa"), Run("aa_b")), families)


def test_a_family_module_declares_the_record_of_its_own_family(monkeypatch):
    module = types.ModuleType("generator.families.fake")
    module.FAMILY = small_family("other", "one")
    monkeypatch.setitem(sys.modules, module.__name__, module)
    with pytest.raises(ValueError, match="generator.families.fake: FAMILY is not the record of the family fake"):
        table.load_family("fake")
    module.FAMILY = small_family("fake", "one")
    assert table.load_family("fake") is module.FAMILY
