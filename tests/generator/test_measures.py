"""The measures of distance between loops and of motion per pip."""

import math

import pytest

from generator.checks import flatten
from generator.measures import (SEAM_CORNER_RATIO, closeness, closer_than, corner_at_seam, largest_step, seam_turn,
                                sharpest_inside_turn, step, turn)

A = flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0), (0.0, 0.25, 0.0), (-0.5, 0.0, 0.1)])


@pytest.mark.parametrize("other, expected", [
    (A, 0.0),
    (flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0), (0.0, 0.25, 0.0), (-0.5, 0.0, -0.2)]), 0.30000000000000004),
    # A shorter loop is wrapped: (0, 0, 0), (0.5, 0, 0) again against A's last two pips.
    (flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0)]), 1.0),
    (flatten([(0.0, 0.0, 0.0)] * 8), 0.5),
])
def test_closeness_is_the_largest_difference_the_shorter_loop_wrapped(other, expected):
    assert closeness(A, other) == expected == closeness(other, A)


@pytest.mark.parametrize("limit", [0.3, 0.30000000000000004, 0.31, 1.0, 1.01])
@pytest.mark.parametrize("other", [flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0)]),
                                   flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0), (0.0, 0.25, 0.0), (-0.5, 0.0, -0.2)])])
def test_closer_than_agrees_with_closeness(other, limit):
    assert closer_than(A, other, limit) is (closeness(A, other) < limit)


def test_steps_go_around_the_seam():
    assert step(A, 0) == 0.5
    assert step(A, 3) == math.dist((-0.5, 0.0, 0.1), (0.0, 0.0, 0.0))
    assert largest_step(A) == math.dist((0.0, 0.25, 0.0), (-0.5, 0.0, 0.1))


def circle(period, turns=1.0, start=0.0):
    return flatten([(0.5 * math.cos(start + 2 * math.pi * turns * s / period),
                     0.5 * math.sin(start + 2 * math.pi * turns * s / period), 0.0) for s in range(period)])


def test_a_turn_is_the_change_of_velocity_at_a_pip():
    square = flatten([(0.0, 0.0, 0.0), (0.5, 0.0, 0.0), (0.5, 0.5, 0.0), (0.0, 0.5, 0.0)])
    assert turn(square, 1) == math.dist((0.0, 0.5, 0.0), (0.5, 0.0, 0.0))
    assert turn(square, 0) == turn(square, 1)  # pip 0 turns between the last pip and pip 1
    assert turn(flatten([(0.1 * s, 0.0, 0.0) for s in range(5)]), 2) == pytest.approx(0.0)


def bumps_at(times_and_heights, period=256, width=24.0):
    """A smooth periodic loop: a raised-cosine bump on y for each (time, height)."""
    def height(s):
        total = 0.0
        for time, h in times_and_heights:
            d = (s - time + period / 2) % period - period / 2
            if abs(d) < width:
                total += h * 0.5 * (1 + math.cos(math.pi * d / width))
        return total
    return flatten([(0.0, height(s), 0.0) for s in range(period)])


def sawtooth_triangle(pips):
    """Out along x at constant speed for half the loop, straight back for the other half."""
    half = pips // 2
    return flatten([((s if s <= half else pips - s) / half, 0.0, 0.0) for s in range(pips)])


def rest_then_ease(pips, ease_pips):
    """A smoothstep move from rest at pip 0 to rest at `ease_pips`, then straight back at constant speed."""
    def x(s):
        if s >= ease_pips:
            return 1.0 - (s - ease_pips) / (pips - ease_pips)
        w = s / ease_pips
        return (3 - 2 * w) * w * w
    return flatten([(x(s), 0.0, 0.0) for s in range(pips)])


@pytest.mark.parametrize("block, cornered", [
    (circle(256), False),
    (circle(64, start=1.0), False),
    (flatten([(0.25, -0.5, 0.0)] * 16), False),  # still throughout: no turn beyond rounding
    (flatten([(math.sin(2 * math.pi * s / 64) ** 2, 0.0, 0.0) for s in range(64)]), False),  # leaves pip 0 at rest
    # Nine tenths of a turn: the path bends back where it meets its start.
    (circle(256, 0.9), True),
    # A half sine rises from 0 and falls back to it, meeting its start in a V.
    (flatten([(0.0, 0.5 * math.sin(math.pi * s / 256), 0.0) for s in range(256)]), True),
    # These turn at the seam as sharply as they do inside, at their far end or at the end of the
    # ease: the seam is no sharper than the loop's own character.
    (sawtooth_triangle(32), False),
    (rest_then_ease(128, 64), False),
])
def test_a_corner_at_the_seam_turns_far_more_sharply_than_the_loop_inside(block, cornered):
    assert corner_at_seam(block) is cornered


def test_a_smooth_loop_may_turn_most_sharply_on_its_seam():
    # The loudest bump peaks on the seam, as a downbeat does: the seam turns a little more sharply
    # than anywhere inside, and the loop still closes smoothly.
    block = bumps_at([(0, 0.6), (64, 0.5), (128, 0.5), (192, 0.5)])
    assert sharpest_inside_turn(block) < seam_turn(block) < SEAM_CORNER_RATIO * sharpest_inside_turn(block)
    assert not corner_at_seam(block)
