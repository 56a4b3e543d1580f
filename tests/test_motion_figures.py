"""Motion figures of loops whose answers are known in closed form."""

from __future__ import annotations

import math

import pytest

from pivolet_show.picture import motion_figures
from pivolet_show.motion.loops import Loop


def _loop(points) -> Loop:
    points = tuple(points)
    return Loop("made_up", "", len(points), 3, points)


def _circle(radius: float, period: int) -> Loop:
    return _loop((radius * math.cos(2 * math.pi * pip / period), radius * math.sin(2 * math.pi * pip / period), 0.0)
                 for pip in range(period))


@pytest.mark.parametrize("points", [[(0.0, 0.0, 0.0)], [(0.25, -0.5, 1.0)] * 64], ids=["one pip", "standing still"])
def test_a_loop_that_never_moves_has_no_speed(points):
    figures = motion_figures.measure(_loop(points))
    assert (figures.largest_step, figures.largest_step_change) == (0.0, 0.0)
    assert figures.largest_speed(180.0) == figures.largest_acceleration(180.0) == 0.0
    assert figures.peak == tuple(abs(value) for value in points[0])


@pytest.mark.parametrize("radius, period", [(1.0, 64), (0.3, 256), (0.05, 1000)])
def test_a_circle_steps_evenly_and_turns_evenly(radius, period):
    figures = motion_figures.measure(_circle(radius, period))
    angle = math.pi / period
    assert figures.largest_step == pytest.approx(2 * radius * math.sin(angle), rel=1e-9)
    # The second difference of a circle points to its centre, 4 r sin²(π / period) long.
    assert figures.largest_step_change == pytest.approx(4 * radius * math.sin(angle) ** 2, rel=1e-6)
    assert figures.peak == pytest.approx((radius, radius, 0.0))


def test_the_jump_back_to_the_start_counts():
    # A ramp that climbs a hundredth per pip and then falls back at the loop's seam.
    ramp = _loop((-0.5 + pip / 100, 0.0, 0.0) for pip in range(100))
    figures = motion_figures.measure(ramp)
    assert figures.largest_step == pytest.approx(0.99)
    assert figures.largest_step_pip == 99
    assert figures.largest_step_change == pytest.approx(1.0)
    assert figures.largest_step_change_pip in (0, 99)


@pytest.mark.parametrize("bpm", [20.0, 97.5, 120.0, 300.0])
def test_speed_grows_with_the_tempo_and_acceleration_with_its_square(bpm):
    figures = motion_figures.measure(_circle(0.5, 128))
    pips_per_second = bpm / 60 * 64
    assert figures.largest_speed(bpm) == pytest.approx(figures.largest_step * pips_per_second)
    assert figures.largest_acceleration(bpm) == pytest.approx(figures.largest_step_change * pips_per_second ** 2)
    # A circle of radius r once per loop: speed 2πr / loop seconds, acceleration (2π / loop seconds)² r.
    loop_seconds = 128 / pips_per_second
    assert figures.largest_speed(bpm) == pytest.approx(2 * math.pi * 0.5 / loop_seconds, rel=1e-3)
    assert figures.largest_acceleration(bpm) == pytest.approx((2 * math.pi / loop_seconds) ** 2 * 0.5, rel=1e-3)


@pytest.mark.parametrize("period, loop_line", [
    (64, "Loop: 64 pips = 1 beat = 0.25 bars of 4 beats"),
    (256, "Loop: 256 pips = 4 beats = 1 bar of 4 beats"),
    (448, "Loop: 448 pips = 7 beats = 1.75 bars of 4 beats"),
    (160, "Loop: 160 pips = 2.5 beats = 0.625 bars of 4 beats"),
    (100, "Loop: 100 pips = 1.5625 beats = 0.390625 bars of 4 beats"),
])
def test_loop_length_in_beats_and_bars(period, loop_line):
    figures = motion_figures.measure(_loop([(0.0, 0.0, 0.0)] * period))
    assert motion_figures.describe(figures, 120.0)[0] == loop_line


@pytest.mark.parametrize("value, shown", [
    (0.0, "0"), (1574.3, "1574"), (23.44, "23.4"), (0.18349, "0.183"), (0.012345, "0.0123"), (9.876, "9.88"),
])
def test_figures_are_shown_to_three_significant_digits_without_exponents(value, shown):
    assert motion_figures.significant(value) == shown


def test_a_pass_leaves_out_the_jump_back_to_the_start():
    ramp = _loop((-0.5 + pip / 100, 0.0, 0.0) for pip in range(100))
    figures = motion_figures.measure(ramp, looping=False)
    assert figures.largest_step == pytest.approx(0.01)
    assert figures.largest_step_change == pytest.approx(0.0, abs=1e-12)
    assert motion_figures.describe(figures, 120.0)[0].startswith("Length: 100 pips")


@pytest.mark.parametrize("looping", [True, False])
def test_a_single_pip_has_no_step_whether_it_loops_or_not(looping):
    figures = motion_figures.measure(_loop([(0.5, 0.5, 0.5)]), looping=looping)
    assert (figures.largest_step, figures.largest_step_change) == (0.0, 0.0)
