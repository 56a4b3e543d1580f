"""The signals the beat motions are built from: alternating sides over several parts, rolls and
trills told from grooves, strokes that land together, and a swing that arrives on every onset."""

import math

import pytest

from generator.families.beat.motions import drums_of
from generator.families.beat.scores import SCORE_BY_STYLE
from generator.families.beat.signals import Cue, combined, louder, rolls, rolls_louder, sides, swing_phase

PERIOD = 512


def cues(*times, velocity=1.0):
    return tuple(Cue(float(t), velocity) for t in times)


def test_sides_alternate_over_the_onsets_of_every_part_and_take_simultaneous_strokes_as_one():
    kick, clap = cues(0, 64, 128), louder(cues(64, 96), 0.5)
    assert sides(kick, clap) == [(0.0, 1.0), (64.0, -1.0), (96.0, 0.5), (128.0, -1.0)]
    # One more stroke anywhere moves every later onset to the other side.
    assert [w for _, w in sides(kick, clap, cues(32))][2:] == [1.0, -0.5, 1.0]


@pytest.mark.parametrize("times, rolled", [
    ((0, 8, 16, 24, 64), (0, 8, 16, 24)),  # a run of thirty-seconds, then a beat later a single stroke
    ((0, 16, 32, 48), ()),  # straight sixteenths are a groove, not a roll
    ((0, 21, 32, 53, 64, 85), ()),  # swung sixteenths: every other gap is long
    ((0, 8, 40), ()),  # two close strokes are a flam, not a roll
    ((0, 100, 496, 504), (0, 496, 504)),  # a trill that runs into the downbeat around the loop end
    (tuple(range(0, PERIOD, 8)), tuple(range(0, PERIOD, 8))),  # a roll the whole loop long
])
def test_rolls_are_runs_of_three_or_more_strokes_less_than_a_sixteenth_apart(times, rolled):
    assert tuple(e.time for e in rolls(cues(*times), PERIOD)) == tuple(float(t) for t in rolled)


def test_the_trap_score_has_its_two_trills_and_nothing_else_rolled():
    hats = drums_of(SCORE_BY_STYLE["trap_trills"]).hats
    times = [e.time for e in rolls(hats, PERIOD)]
    assert times[1:9] == [192.0 + 8 * k for k in range(8)] and times[-3:] == pytest.approx([480, 490.667, 501.333], abs=1e-3)
    assert {times[0], times[9]} == {0.0, 256.0}  # each trill runs into the downbeat after it
    louder_rolls = rolls_louder(hats, PERIOD, 2.0)
    assert [b.velocity / a.velocity for a, b in zip(hats, louder_rolls)].count(2.0) == len(times)


def test_strokes_that_land_together_are_one_onset_that_counts_its_strokes():
    assert combined(cues(0, 64), cues(64, velocity=0.5), cues(64, 96, velocity=0.8)) == (
        (0.0, 1.0, 1), (64.0, 1.0, 3), (96.0, 0.8, 1))


@pytest.mark.parametrize("times", [(0, 64, 128, 192), (0, 96, 160, 320, 448), (40,), ()], ids=["even", "odd", "one", "none"])
def test_a_swing_arrives_at_a_side_on_every_onset_and_closes_round_the_loop(times):
    phase = swing_phase([float(t) for t in times], PERIOD)
    for t in times:
        assert abs(math.cos(phase[t])) == pytest.approx(1.0)
    # Around the loop the swing ends where it began, whatever the number of onsets.
    after_the_end = phase[-1] + (phase[-1] - phase[-2])
    assert math.cos(after_the_end) == pytest.approx(math.cos(phase[0]), abs=1e-3)
    if len(times) % 2 == 0 and len(times) > 1:
        # Successive onsets are on opposite sides.
        assert [round(math.cos(phase[t])) for t in times] == [1, -1] * (len(times) // 2)
