"""The generator's checks catch every kind of broken entry and pass a sound one."""

import math

import pytest

from generator import checks
from generator.assemble import generate_family
from generator.checks import CatalogueCheckError, check_entry, check_peaks, flatten
from generator.family import Character, DistinctGroup, Family, Feature, Member, alike_pairs
from generator.model import Entry, Peaks, matches_figure
from generator.shaping import round12, smoothstep
from generator.table import ENTRY_BY_NAME, FAMILIES, entries_of

PERIOD = 256


def entry(name="test_circle", dimensions=2, period=PERIOD, index=0):
    return Entry(index, name, "test", name.split("_", 1)[1], period, dimensions, "A test loop.")


def circle(period=PERIOD):
    return [(round12(0.5 * math.cos(2 * math.pi * s / period)), round12(0.5 * math.sin(2 * math.pi * s / period)), 0.0)
            for s in range(period)]


def with_value(pip, axis, value):
    def change(loop):
        sample = list(loop[pip])
        sample[axis] = value
        loop[pip] = tuple(sample)
        return loop
    return change


def ramp(loop):
    return [(round12(0.8 * s / len(loop)), y, z) for s, (_, y, z) in enumerate(loop)]


def flat_y(loop):
    return [(x, 0.0, 0.0) for x, _, _ in loop]


def test_a_sound_entry_passes():
    check_entry(entry(), flatten(circle()))


@pytest.mark.parametrize("change, dimensions, fragment", [
    (with_value(10, 0, math.nan), 2, "not a finite number"),
    (with_value(10, 1, math.inf), 2, "not a finite number"),
    (with_value(10, 1, 1.5), 2, r"outside \[-1, 1\]"),
    (with_value(10, 0, -1.0000000001), 2, r"outside \[-1, 1\]"),
    (with_value(64, 0, -0.0), 2, "is -0.0"),
    (with_value(10, 0, 0.1234567890123), 2, "not rounded to 12 decimals"),
    (with_value(5, 2, 0.1), 2, "has 2 dimension"),
    (lambda loop: loop, 3, "declares 3 dimension"),
    (lambda loop: loop, 1, "has 1 dimension"),
    (flat_y, 2, "declares 2 dimension"),
    (ramp, 2, "longer than its longest step"),
    (lambda loop: loop[:-1], 2, "holds 765 values"),
], ids=["nan", "inf", "above_one", "below_minus_one", "negative_zero", "thirteen_decimals", "z_in_2d",
        "no_depth_in_3d", "y_in_1d", "no_y_in_2d", "seam_jump", "short_block"])
def test_broken_entries_are_named(change, dimensions, fragment):
    broken = entry("test_broken", dimensions)
    with pytest.raises(CatalogueCheckError, match=f"^test_broken: .*{fragment}"):
        check_entry(broken, flatten(change(circle())))


def test_a_2d_entry_may_keep_x_at_zero():
    check_entry(entry(dimensions=2), flatten([(0.0, y, 0.0) for _, y, _ in circle()]))


def block_with_peaks(x, y, z):
    return flatten([(x, y, z), (-x / 2, -y / 2, -z / 2)])


def members(*peaks):
    return [(entry(f"test_m{i}", index=i), block_with_peaks(*p)) for i, p in enumerate(peaks)]


@pytest.mark.parametrize("figures, peaks", [
    (("0.82", "0", "0"), [(0.82, 0.0, 0.0), (0.8204, 0.0, 0.0)]),
    (("0.649-1", "0.412-0.486", "0"), [(1.0, 0.412, 0.0), (0.649, 0.486, 0.0), (0.8, 0.45, 0.0)]),
    (("0-0.84", "0.3-0.85", "0-0.55"), [(0.0, 0.3, 0.0), (0.84, 0.85, 0.55)]),
    (("0.42-0.426", "0", "0"), [(0.4204, 0.0, 0.0), (0.42609, 0.0, 0.0)]),
])
def test_peaks_at_their_figures_pass(figures, peaks):
    check_peaks("family test", Peaks.of(*figures), members(*peaks))


@pytest.mark.parametrize("figures, peaks, fragment", [
    (("0.82", "0", "0"), [(0.82, 0.0, 0.0), (0.5, 0.0, 0.0)], "test_m1: peak 0.5 on x does not match the figure 0.82"),
    (("0.82", "0", "0"), [(0.8251, 0.0, 0.0)], "test_m0: peak 0.8251 on x"),
    (("0.82", "0", "0"), [(0.82, 0.3, 0.0)], "test_m0: peak 0.3 on y does not match the figure 0"),
    (("0.2-0.6", "0", "0"), [(0.3, 0.0, 0.0), (0.6, 0.0, 0.0)], "the smallest peak on x is 0.3 .from test_m0."),
    (("0.2-0.6", "0", "0"), [(0.2, 0.0, 0.0), (0.5, 0.0, 0.0)], "the largest peak on x is 0.5 .from test_m1."),
    (("0.2-0.6", "0", "0"), [(0.2, 0.0, 0.0), (0.6, 0.0, 0.0), (0.7, 0.0, 0.0)], "test_m2: peak 0.7 on x lies outside"),
    (("0.2-0.6", "0", "0"), [(0.1, 0.0, 0.0), (0.6, 0.0, 0.0)], "test_m0: peak 0.1 on x lies outside"),
    (("0.649-1", "0", "0"), [(0.649, 0.0, 0.0), (0.9, 0.0, 0.0)], "the largest peak on x is 0.9"),
    (("0.82", "0", "0-0.41"), [(0.82, 0.0, 0.2), (0.82, 0.0, 0.41)], "the smallest peak on z is 0.2"),
], ids=["single_off", "single_off_at_digits", "zero_axis_moves", "low_end_missed", "high_end_missed",
        "above_range", "below_range", "bound_not_reached", "zero_low_end_missed"])
def test_peaks_off_their_figures_fail(figures, peaks, fragment):
    with pytest.raises(CatalogueCheckError, match=fragment):
        check_peaks("family test", Peaks.of(*figures), members(*peaks))


@pytest.mark.parametrize("peak, figure, matches", [
    (0.8204, "0.82", True), (0.8251, "0.82", False), (0.41949, "0.42", True), (0.426, "0.426", True),
    (0.0, "0", True), (0.4, "0", False), (1e-13, "0", False), (1.0, "1", True), (0.9999999, "1", False),
])
def test_a_peak_matches_its_figure_at_the_digits_written(peak, figure, matches):
    assert matches_figure(peak, figure) is matches


def test_beat_studies_are_grouped_by_family_and_by_motion():
    studies = [ENTRY_BY_NAME["beat_house_classic_bounce"], ENTRY_BY_NAME["beat_techno_polymeter_bounce"],
               ENTRY_BY_NAME["beat_dembow_push_ricochet"]]
    groups = checks.peak_groups(studies)
    assert sorted(groups) == ["beat motion bounce", "beat motion ricochet", "family beat"]
    assert [e.name for e in groups["beat motion bounce"][1]] == ["beat_house_classic_bounce", "beat_techno_polymeter_bounce"]
    assert groups["beat motion bounce"][0].axis(1).high == "0.683"
    assert len(groups["family beat"][1]) == 3


def test_duplicate_loops_are_named():
    first, second, third = entry("test_a", index=0), entry("test_b", index=1), entry("test_c", index=2)
    blocks = {0: flatten(circle()), 1: flatten(ramp(circle())), 2: flatten(circle())}
    with pytest.raises(CatalogueCheckError, match="test_c: its samples are identical to those of test_a"):
        checks.check_distinct([first, second, third], blocks)
    checks.check_distinct([first, second], blocks)


def test_the_bound_must_occur_somewhere():
    entries = [entry("test_a", index=0), entry("test_b", index=1)]
    with pytest.raises(CatalogueCheckError, match="bound 1.0"):
        checks.check_bound_reached(entries, {0: flatten(circle()), 1: flatten(ramp(circle()))})
    checks.check_bound_reached(entries, {0: flatten(circle()), 1: flatten(with_value(3, 1, -1.0)(circle()))})


def test_derived_dimensions():
    assert checks.derived_dimensions(flatten([(0.5, 0.0, 0.0)])) == 1
    assert checks.derived_dimensions(flatten([(0.0, 0.0, 0.0)])) == 1
    assert checks.derived_dimensions(flatten([(0.0, 0.2, 0.0)])) == 2
    assert checks.derived_dimensions(flatten([(0.0, 0.0, 0.1)])) == 3


# ---------------------------------------------------------------------------------------------
# What a family's character declares.

TEST_PEAKS = Peaks.of("0.8", "0.5", "0")


def family_of(names, exact=(), character=None):
    members = tuple(Member(name, PERIOD, 2, "A test loop.") for name in names)
    return Family("test", members, TEST_PEAKS, exact={name: (lambda e: []) for name in exact},
                  character=character or Character())


def shifted(loop, dx):
    return [(round12(x + dx), y, z) for x, y, z in loop]


def lifted(loop, dy):
    return [(x, round12(y + dy), z) for x, y, z in loop]


def check_family(family, loops):
    """The family's character checks over `loops` (member name -> loop), in the family's order."""
    entries = [entry(f"test_{name}", index=i) for i, name in enumerate(loops)]
    checks.check_family_character(family, family.character, entries,
                                  {i: flatten(loop) for i, loop in enumerate(loops.values())})


@pytest.mark.parametrize("exact, alike, fails", [
    ((), frozenset(), True),
    (("circle", "nudged"), frozenset(), False),  # both follow exact rules: nothing to change
    (("circle",), frozenset(), True),
    ((), alike_pairs(("circle", "nudged")), False),
])
def test_members_closer_than_a_quarter_of_the_peak_are_named(exact, alike, fails):
    family = family_of(("circle", "nudged", "far"), exact, Character(alike=alike))
    loops = {"circle": circle(), "nudged": shifted(circle(), 0.19), "far": shifted(circle(), 0.41)}
    if fails:
        message = (r"^family test: 1 of its \d member pairs lie closer than 0\.200000, where at most 0 may;"
                   r" the closest are test_circle and test_nudged, 0\.190000 apart$")
        with pytest.raises(CatalogueCheckError, match=message):
            check_family(family, loops)
    else:
        check_family(family, loops)


def square(period=PERIOD):
    """Rest-to-rest moves between the four corners of a square."""
    corners = [(0.5, 0.5), (-0.5, 0.5), (-0.5, -0.5), (0.5, -0.5)]
    side = period // 4
    loop = []
    for s in range(period):
        (ax, ay), (bx, by) = corners[s // side], corners[(s // side + 1) % 4]
        w = smoothstep((s % side) / side)
        loop.append((round12(ax + (bx - ax) * w), round12(ay + (by - ay) * w), 0.0))
    return loop


def jump_at(pip):
    return with_value(pip, 0, 0.0)


@pytest.mark.parametrize("loop, fragment", [
    (circle(), None),
    (square(), None),
    (jump_at(40)(circle()), r"moves 0\.28\d+ from pip 39 to the next, more than the 0\.12 per pip"),
    # A circle three steps short of a turn: the path jumps a little and bends where it meets its start.
    (circle(PERIOD + 3)[:PERIOD], "turns a corner at its loop seam"),
    # A half sine rises from 0 and falls back to it: it meets its start in a V.
    ([(round12(0.5 * math.sin(math.pi * s / PERIOD)), 0.1, 0.0) for s in range(PERIOD)],
     r"turns a corner at its loop seam, its velocity changing by 0\.01\d+ there, more than 2\.0 times its sharpest"
     r" turn inside \(0\.0000"),
], ids=["circle", "rest_to_rest_square", "jump", "short_of_a_turn", "v_at_seam"])
def test_a_smooth_member_neither_jumps_nor_jerks_at_its_seam(loop, fragment):
    if fragment is None:
        checks.check_smooth(entry(), flatten(loop))
        return
    with pytest.raises(CatalogueCheckError, match="^test_circle: " + fragment):
        checks.check_smooth(entry(), flatten(loop))


@pytest.mark.parametrize("promised, fails", [(4, False), (5, True)])
def test_promised_corners_are_counted(promised, fails):
    if fails:
        with pytest.raises(CatalogueCheckError, match="test_circle: turns 4 corner\\(s\\), fewer than the 5"):
            checks.check_corners(entry(), flatten(square()), promised)
    else:
        checks.check_corners(entry(), flatten(square()), promised)
    with pytest.raises(CatalogueCheckError, match="turns 0 corner"):
        checks.check_corners(entry(), flatten(circle()), promised)


@pytest.mark.parametrize("character", [
    Character(smooth=frozenset({"circel"})),
    Character(corners={"circel": 4}),
    Character(alike=alike_pairs(("circle", "circel"))),
    Character(distinct_groups=(DistinctGroup("group", ("circle", "circel"), 0.1),)),
    Character(features=(Feature("circel", "the lift", 0.1, lambda entry, block: circle()),)),
])
def test_a_character_names_only_members(character):
    with pytest.raises(CatalogueCheckError, match="family test: its character names circel"):
        checks.check_character_names(family_of(("circle",)), character)


def test_the_groove_grids_are_exempt_from_their_played_excerpts():
    groove = FAMILIES["groove"]
    entries = entries_of("groove")
    blocks = dict(generate_family(groove))
    checks.check_character(entries, blocks)
    stored = {e.member: blocks[e.index] for e in entries}
    with pytest.raises(CatalogueCheckError, match="closest are groove_b_played and groove_b_grid"):
        checks.check_distinct_group(checks.whole_family_group(groove, Character()), "groove", stored)


# Four circles: a and b are alike, c and d lie at least 0.2 from every other.
CIRCLES = {"a": circle(), "b": lifted(circle(), 0.01), "c": lifted(circle(), 0.2), "d": lifted(circle(), -0.2)}


@pytest.mark.parametrize("share, exempt, fails", [
    (0.0, frozenset(), True),
    (0.1, frozenset(), True),  # one close pair of six is more than a tenth
    (0.2, frozenset(), False),
    (0.0, frozenset({frozenset({"a", "b"})}), False),
])
def test_a_distinct_group_allows_its_share_of_close_pairs(share, exempt, fails):
    group = DistinctGroup("test group", tuple(CIRCLES), 0.1, share, exempt)
    family = family_of(tuple(CIRCLES), character=Character(apart=False, distinct_groups=(group,)))
    if not fails:
        check_family(family, CIRCLES)
        return
    message = "^test group: 1 of its 6 member pairs lie closer than 0.100000, where at most 0 may;"
    with pytest.raises(CatalogueCheckError, match=message + " the closest are test_a and test_b, 0.010000 apart$"):
        check_family(family, CIRCLES)


@pytest.mark.parametrize("lift, fails", [(0.05, True), (0.3, False)])
def test_a_feature_must_move_the_member_by_its_limit(lift, fails):
    feature = Feature("a", "the lift", 0.1, lambda entry, block: lifted(circle(), -lift))
    family = family_of(("a",), character=Character(features=(feature,)))
    if not fails:
        check_family(family, {"a": circle()})
        return
    with pytest.raises(CatalogueCheckError, match="^test_a: the lift moves it by at most 0.050000, less than 0.100000$"):
        check_family(family, {"a": circle()})
