"""What the catalogue's families promise about their members, checked on the loops the module serves:
members that tell themselves apart, the styles of every `beat` motion apart and their features
showing, smooth members that move smoothly, the corners their labels promise, and labels that the
loops bear out."""

import itertools
import math
import re
import statistics

import pytest

import pivolet
from catalogue_source import measures, table

APART_SHARE_OF_PEAK = 0.25
SMOOTH_STEP_LIMIT = 0.12
# Words by which a description promises smooth motion.
SMOOTH_WORDS = re.compile(r"smooth|rounded|continuous|glid|soft|eased", re.IGNORECASE)

CHARACTERISED = [prefix for prefix in table.FAMILY_ORDER if table.FAMILIES[prefix].character is not None]


def served(entry):
    """The entry's loop as the module serves it, flattened: x, y, z of pip 0, then of pip 1, ..."""
    return [value for pip in range(entry.period_pips) for value in pivolet.sample(entry.name, pip).as_tuple()]


@pytest.fixture(scope="module")
def blocks():
    return {entry.name: served(entry) for prefix in CHARACTERISED for entry in table.entries_of(prefix)}


def family_peak(family):
    return max(family.peaks.axis(axis).highest() for axis in range(3))


def test_every_family_but_beat_keeps_its_members_apart():
    assert [prefix for prefix in table.FAMILY_ORDER
            if prefix != "beat" and not (table.FAMILIES[prefix].character and table.FAMILIES[prefix].character.apart)] == []


@pytest.mark.parametrize("prefix", [prefix for prefix in CHARACTERISED if table.FAMILIES[prefix].character.apart])
def test_members_lie_a_quarter_of_the_peak_apart(blocks, prefix):
    family = table.FAMILIES[prefix]
    limit = APART_SHARE_OF_PEAK * family_peak(family)
    close = []
    for a, b in itertools.combinations(table.entries_of(prefix), 2):
        if (a.member in family.exact and b.member in family.exact) or {a.member, b.member} in family.character.alike:
            continue
        if measures.closer_than(blocks[a.name], blocks[b.name], limit):
            close.append((a.name, b.name, measures.closeness(blocks[a.name], blocks[b.name])))
    assert close == []


GROUPS = [(prefix, group) for prefix in CHARACTERISED for group in table.FAMILIES[prefix].character.distinct_groups]


def test_every_beat_motion_is_a_group_whose_styles_look_unlike_one_another():
    labels = {group.label for prefix, group in GROUPS if prefix == "beat"}
    motions = {entry.member.rsplit("_", 1)[1] for entry in table.entries_of("beat")}
    assert {f"beat motion {motion}" for motion in motions} <= labels


@pytest.mark.parametrize("prefix, group", GROUPS, ids=[group.label for _, group in GROUPS])
def test_groups_keep_to_their_share_of_close_pairs(blocks, prefix, group):
    pairs = [(a, b) for a, b in itertools.combinations(group.members, 2) if frozenset((a, b)) not in group.exempt]
    close = [(a, b) for a, b in pairs
             if measures.closer_than(blocks[f"{prefix}_{a}"], blocks[f"{prefix}_{b}"], group.limit)]
    assert len(close) <= math.floor(group.close_share * len(pairs)), close


def test_features_show(blocks):
    for prefix in CHARACTERISED:
        for feature in table.FAMILIES[prefix].character.features:
            entry = table.ENTRY_BY_NAME[f"{prefix}_{feature.member}"]
            block = blocks[entry.name]
            without = [v for sample in feature.without(entry, block) for v in sample]
            assert not measures.closer_than(block, without, feature.limit), (entry.name, feature.name)


def test_only_the_grids_are_alike_their_played_excerpts(blocks):
    grooves = {entry.member: blocks[entry.name] for entry in table.entries_of("groove")}
    assert table.FAMILIES["groove"].character.alike == {frozenset(("a_played", "a_grid")),
                                                        frozenset(("b_played", "b_grid"))}
    # The exemption is needed: quantising moves each hit by less than a pip or two.
    assert measures.closeness(grooves["b_played"], grooves["b_grid"]) < APART_SHARE_OF_PEAK * family_peak(table.FAMILIES["groove"])


SMOOTH_MEMBERS = [(prefix, member) for prefix in CHARACTERISED
                  for member in sorted(table.FAMILIES[prefix].character.smooth)]


@pytest.mark.parametrize("prefix", sorted({prefix for prefix, _ in SMOOTH_MEMBERS}))
def test_smooth_members_move_smoothly(blocks, prefix):
    for member in sorted(table.FAMILIES[prefix].character.smooth):
        block = blocks[f"{prefix}_{member}"]
        assert measures.largest_step(block) <= SMOOTH_STEP_LIMIT, member
        assert not measures.corner_at_seam(block), member


def test_every_description_that_promises_smooth_motion_is_held_to_it():
    unheld = [entry.name for prefix in CHARACTERISED for entry in table.entries_of(prefix)
              if SMOOTH_WORDS.search(entry.description) and entry.member not in table.FAMILIES[prefix].character.smooth]
    assert unheld == []


@pytest.mark.parametrize("name, corners", [
    ("gesture_diamond_depth", 4),
    ("gesture_corner_taps", 4),
    ("gesture_box_return", 5),  # the box's four corners and the turn back out of the centre
])
def test_the_corners_a_label_promises_are_there(blocks, name, corners):
    assert measures.corner_count(blocks[name]) == corners


@pytest.mark.parametrize("entry", table.entries_of("contour"), ids=lambda entry: entry.member)
def test_a_contour_travels_its_outline_at_an_even_pace(blocks, entry):
    steps = [measures.step(blocks[entry.name], pip) for pip in range(entry.period_pips)]
    assert max(steps) < 3.0 * statistics.median(steps)


def gestures(block, first_pip, last_pip):
    """The separate gestures of a stretch of the loop that starts and ends at rest in the centre:
    (pip of each gesture's largest excursion, that excursion's sign on x), in order."""
    found = []
    peak = None
    for pip in range(first_pip, last_pip):
        position = block[3 * pip:3 * pip + 3]
        size = max(abs(value) for value in position)
        if size == 0.0:
            if peak is not None:
                found.append(peak[1:])
                peak = None
        elif peak is None or size > peak[0]:
            peak = (size, pip, 1 if position[0] > 0 else -1)
    return found


@pytest.mark.parametrize("entry", table.entries_of("echo"), ids=lambda entry: entry.member)
def test_echoes_are_spaced_as_their_names_say(blocks, entry):
    kind, count = entry.member.split("_")
    count = int(count)
    # The call sounds at pip 0, its echoes follow within the first half; the answer is the second half.
    block = blocks[entry.name]
    period = entry.period_pips
    rotated = block[3 * (period - 16):] + block[:3 * (period - 16)]
    call = gestures(rotated, 0, period // 2)
    assert len(call) == 1 + count
    times = [pip for pip, _ in call]
    gaps = [later - earlier for earlier, later in zip(times, times[1:])]
    if kind in ("regular", "crossed"):
        assert max(gaps) - min(gaps) <= 1
    else:
        assert gaps == sorted(gaps, reverse=(kind == "shrinking")) and gaps[0] != gaps[-1]
    sides = [side for _, side in call]
    expected = [1 if (j % 2 == 0 or kind != "crossed") else -1 for j in range(1 + count)]
    assert sides == expected


@pytest.mark.parametrize("entry", table.entries_of("dwell"), ids=lambda entry: entry.member)
def test_a_dwell_phrase_holds_twice_for_a_beat_or_more(blocks, entry):
    block = blocks[entry.name]
    holds = []
    run = 0
    for pip in range(entry.period_pips):
        still = block[3 * pip:3 * pip + 3] == block[3 * (pip + 1) % len(block):][:3]
        run = run + 1 if still else 0
        if run == 64:
            holds.append(tuple(block[3 * pip:3 * pip + 3]))
    assert len(set(holds)) == 2
