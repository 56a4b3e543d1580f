"""The built-in catalogue as Python sees it: the listing, every entry's loop and its invariants,
the family peaks, and the loops that follow closed rules."""

import collections
import math
import struct

import pytest

import pivolet
from catalogue_rule_oracle import RULE_LOOPS
from catalogue_source import matches_figure, table

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1

RUDIMENT_ROWS = [
    ("bounce", "One-beat vertical bounce", 64, 1),
    ("sway", "Two-beat side-to-side sway", 128, 1),
    ("circle", "One-beat circular orbit", 64, 2),
    ("figure_eight", "Two-beat figure eight", 128, 2),
    ("step_touch", "Two-beat side step with a small lift", 128, 2),
    ("box_step", "Four-beat softened square path", 256, 2),
    ("helix", "Four-beat double-turn helix", 256, 3),
    ("tamsel_background", "Tamsel/Orvane four-beat accented background drift", 256, 2),
    ("single_stroke_roll", "Alternating R/L strokes with smooth attack and decay", 64, 2),
    ("double_stroke_roll", "RRLL strokes with a softer second motion", 64, 2),
    ("multiple_bounce_roll", "Decaying same-hand bounce clusters", 64, 2),
    ("single_paradiddle", "RLRR LRLL with accented lead strokes", 128, 2),
    ("flam", "Grace motion flowing into an opposite-hand primary motion", 64, 2),
    ("drag", "Two grace motions flowing into an opposite-hand primary motion", 64, 2),
    ("five_stroke_roll", "Two diddles resolving to an accented fifth motion", 128, 2),
]


@pytest.fixture(scope="module")
def listing():
    return pivolet.catalogue()


@pytest.fixture(scope="module")
def loops(listing):
    """Every catalogue entry's loop, read through the module's `sample`."""
    return {row["name"]: [pivolet.sample(row["name"], p).as_tuple() for p in range(row["period_pips"])]
            for row in listing[15:]}


class TestListing:
    def test_rudiment_rows_come_first(self, listing):
        assert len(listing) == 1731
        assert [tuple(row.values()) for row in listing[:15]] == RUDIMENT_ROWS
        assert all(list(row) == ["name", "description", "period_pips", "dimensions"] for row in listing)

    @pytest.mark.parametrize(
        "position, name, period, dimensions",
        [(15, "lfo_breathe", 256, 1), (66, "rhythm_three_four_five", 512, 3), (67, "wave_pinched", 512, 1),
         (642, "burst_5_6_2", 512, 3), (643, "beat_four_floor_bounce", 256, 2), (786, "beat_amapiano_glide", 512, 3),
         (787, "beat_four_floor_surge", 256, 3), (1218, "beat_amapiano_ricochet", 512, 3),
         (1219, "beat_jersey_five_bounce", 512, 2), (1730, "beat_dembow_push_ricochet", 512, 3)],
    )
    def test_landmark_rows(self, listing, position, name, period, dimensions):
        row = listing[position]
        assert (row["name"], row["period_pips"], row["dimensions"]) == (name, period, dimensions)

    @pytest.mark.parametrize(
        "name, description",
        [
            ("beat_four_floor_bounce", "Four to the floor / bare pulse \u2014 Kick-led bounce. Equal quarter-note kicks only. "
                                       "This shared foundation is not itself a complete genre."),
            ("beat_house_classic_bounce", "House / kick-clap-offbeat hat \u2014 Kick-led bounce. "),
            ("beat_four_floor_surge", "Four to the floor / bare pulse \u2014 Forward surge. Kick thrust through depth "
                                      "with contrasting snare lift and hat detail."),
            ("beat_jersey_five_glide", "Jersey / five-kick foundation \u2014 Bass / phrase glide. Original Brevak 05 "
                                       "continuous phrase path with bass excursions."),
            ("weave_1_3", "1 horizontal and 3 vertical cycles; a phase-offset, closed 16-beat traversal."),
            ("swing_push_3_5", "Eight-beat push score with offbeats at 3/5 of each beat; peaks follow the score."),
            ("groove_a_played", "Two-bar funk excerpt A (4\u201312 source beats), performed microtiming."),
            ("wave_pinched", "Pinched sine; a continuous shaped control wave, mapped to horizontal displacement."),
        ],
    )
    def test_descriptions_byte_for_byte(self, listing, name, description):
        assert {row["name"]: row["description"] for row in listing}[name] == description

    def test_texts_and_counts(self, listing):
        catalogue_rows = listing[15:]
        assert len({row["name"] for row in listing}) == 1731
        assert sum(row["period_pips"] for row in catalogue_rows) == 1_022_912
        periods = collections.Counter(row["period_pips"] for row in catalogue_rows)
        assert periods == {160: 3, 224: 5, 256: 41, 288: 5, 320: 4, 352: 6, 384: 4, 416: 6, 448: 6, 480: 5,
                           512: 1304, 544: 1, 608: 1, 640: 1, 768: 17, 1024: 307}
        assert sum(row["description"].endswith(". ") for row in catalogue_rows) == 72
        for row in catalogue_rows:
            non_ascii = [c for c in row["description"] if ord(c) > 127]
            if row["name"].startswith("beat_"):
                assert non_ascii == ["\u2014"], row["name"]
            elif row["name"].startswith("groove_"):
                assert non_ascii == ["\u2013"], row["name"]
            else:
                assert non_ascii == [], row["name"]
        names = sorted((row["name"] for row in catalogue_rows), key=str.encode)
        assert (names[0], names[-1]) == ("accent_walk_10_3", "weave_5_9")

    def test_rows_equal_the_generator_table(self, listing):
        served = [(r["name"], r["description"], r["period_pips"], r["dimensions"]) for r in listing[15:]]
        source = [(e.name, e.description, e.period_pips, e.dimensions) for e in table.ENTRIES]
        assert served == source

    def test_every_call_builds_new_objects(self, listing):
        first, second = pivolet.catalogue(), pivolet.catalogue()
        assert first == second and first is not second and first[0] is not second[0]
        first[0]["name"] = "changed"
        del first[1]
        assert pivolet.catalogue() == second and second[0]["name"] == "bounce"


def bits(position):
    return struct.pack("<3d", *position)


class TestEveryEntry:
    def test_invariants(self, listing, loops):
        for row in listing[15:]:
            name, dimensions, loop = row["name"], row["dimensions"], loops[row["name"]]
            assert len(loop) == row["period_pips"]
            for sample in loop:
                for v in sample:
                    assert math.isfinite(v) and -1.0 <= v <= 1.0, name
                    assert round(v, 12) == v, name
                    assert not (v == 0.0 and math.copysign(1.0, v) < 0), name
                assert all(v == 0.0 for v in sample[dimensions:]), name
            derived = 3 if any(s[2] for s in loop) else 2 if any(s[1] for s in loop) else 1
            assert derived == dimensions, name
            steps = [math.dist(loop[i - 1], loop[i]) for i in range(1, len(loop))]
            assert math.dist(loop[-1], loop[0]) <= max(steps), name

    def test_the_bound_is_reached_only_by_the_b_grooves(self, loops):
        reaching = sorted(name for name, loop in loops.items() if any(abs(v) == 1.0 for s in loop for v in s))
        assert reaching == ["groove_b_grid", "groove_b_played"]

    def test_no_two_entries_are_identical(self, loops):
        assert len({tuple(loop) for loop in loops.values()}) == len(loops)

    def test_periodic_over_the_32_bit_range(self, listing, loops):
        for row in listing[15:]:
            name, period, loop = row["name"], row["period_pips"], loops[row["name"]]
            for p in (-1, period, -period, 3 * period + 5, INT32_MIN, INT32_MAX):
                assert bits(pivolet.sample(name, p).as_tuple()) == bits(loop[p % period]), (name, p)

    @pytest.mark.parametrize("period, lowest_sample, highest_sample",
                             [(160, 32, 127), (224, 96, 127), (512, 0, 511), (768, 256, 511), (1024, 0, 1023)])
    def test_extreme_pips_by_period(self, listing, loops, period, lowest_sample, highest_sample):
        row = next(r for r in listing[15:] if r["period_pips"] == period)
        loop = loops[row["name"]]
        assert pivolet.sample(row["name"], INT32_MIN).as_tuple() == loop[lowest_sample]
        assert pivolet.sample(row["name"], INT32_MAX).as_tuple() == loop[highest_sample]


def _check_peaks(groups, figures, label):
    for axis in range(3):
        figure = figures.axis(axis)
        member_peaks = [max(abs(s[axis]) for s in loop) for loop in groups]
        low, high = figure.low, figure.high if figure.high is not None else figure.low
        assert matches_figure(min(member_peaks), low), (label, "xyz"[axis])
        assert matches_figure(max(member_peaks), high), (label, "xyz"[axis])


def test_family_peaks(listing, loops):
    families = collections.defaultdict(list)
    for entry in table.ENTRIES:
        families[entry.family].append(loops[entry.name])
    assert len(families) == 44
    for family, members in families.items():
        _check_peaks(members, table.FAMILIES[family].peaks, family)


def test_beat_motion_peaks(loops):
    motions = table.FAMILIES["beat"].peak_groups()[1:]
    assert len(motions) == 16 and all(len(group.members) == 68 for group in motions)
    for group in motions:
        _check_peaks([loops[f"beat_{member}"] for member in group.members], group.peaks, group.label)


@pytest.mark.parametrize("name", list(RULE_LOOPS))
def test_rule_members_equal_their_recomputed_loop(loops, name):
    assert loops[name] == RULE_LOOPS[name]()


@pytest.mark.parametrize(
    "name, p, expected",
    [
        ("lfo_breathe", 0, (0.0, 0.0, 0.0)),
        ("lfo_breathe", 32, (0.565685424949, 0.0, 0.0)),
        ("lfo_breathe", 64, (0.8, 0.0, 0.0)),
        ("lfo_breathe", 128, (0.0, 0.0, 0.0)),
        ("lfo_breathe", 192, (-0.8, 0.0, 0.0)),
        ("lfo_breathe", 320, (0.8, 0.0, 0.0)),
        ("euclid_2_5", 96, (-0.5625, -0.24, 0.0)),
        ("euclid_2_5", 140, (0.050240473581, -0.021435935394, 0.0)),
        ("meter_2_3", 32, (0.0, -0.1134, 0.0504)),
        ("poly_2_5", 0, (0.0, -0.52, 0.22)),
        ("stick_study_01", 0, (0.74, -0.34, 0.0)),
        ("stick_study_01", 128, (-0.74, -0.34, 0.0)),
        ("path_crank_slider", 64, (-0.133826842698, 0.3, 0.0)),
        ("space_torus_2_5", 0, (0.82, 0.0, 0.0)),
        ("polar_rose_3", 0, (0.82, 0.0, 0.0)),
        ("swing_shuffle_3_5", 211, (0.052373599075, -0.10474719815, 0.06284831889)),
    ],
)
def test_reference_values(name, p, expected):
    assert bits(pivolet.sample(name, p).as_tuple()) == bits(expected)


def test_weave_and_silhouette_normalisation(loops):
    assert loops["weave_1_3"][0][0] == 0.296525158688
    assert max(abs(s[0]) for s in loops["weave_1_3"]) == 0.82
    assert max(abs(v) for s in loops["silhouette_harmonic_03"] for v in s) == 0.819986416064


def test_env_moves_on_y_alone(listing, loops):
    still_x = sorted(r["name"] for r in listing[15:] if r["dimensions"] == 2 and all(s[0] == 0.0 for s in loops[r["name"]]))
    expected = [entry.name for entry in table.entries_of("env")] + ["lfo_double_pump", "beat_four_floor_bounce"]
    assert len(expected) == 18 and still_x == sorted(expected)
