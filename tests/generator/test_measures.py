"""The measures of distance between loops and of motion per pip."""

import math

import pytest

from generator.checks import flatten
from generator.measures import closeness, closer_than, corner_at_seam, largest_step, step, turn

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


def _circle(pips, start=0.0):
    return flatten([(math.cos(start + 2 * math.pi * s / pips), math.sin(start + 2 * math.pi * s / pips), 0.0)
                    for s in range(pips)])


def _sawtooth_triangle(pips):
    """Out along x at constant speed for half the loop, straight back for the other half."""
    half = pips // 2
    return flatten([((s if s <= half else pips - s) / half, 0.0, 0.0) for s in range(pips)])


def _rest_then_ease(pips, ease_pips):
    """At rest, then a smoothstep move that starts from rest at pip 0 and settles before the loop ends."""
    def x(s):
        if s >= ease_pips:
            return 1.0 - (s - ease_pips) / (pips - ease_pips)  # an unhurried straight way back
        w = s / ease_pips
        return (3 - 2 * w) * w * w
    return flatten([(x(s), 0.0, 0.0) for s in range(pips)])


@pytest.mark.parametrize("block, cornered", [
    (_circle(64), False),
    (_circle(64, start=1.0), False),
    (flatten([(0.25, -0.5, 0.0)] * 16), False),  # still throughout
    (_sawtooth_triangle(32), True),  # turns back on itself at pip 0
    (flatten([(math.sin(2 * math.pi * s / 64) ** 2, 0.0, 0.0) for s in range(64)]), False),  # leaves pip 0 at rest
    (_rest_then_ease(128, 64), True),  # arrives at pip 0 at speed and leaves it at rest
])
def test_a_corner_at_the_seam_is_a_break_in_velocity(block, cornered):
    assert corner_at_seam(block) is cornered


def test_turn_is_the_change_of_velocity_around_the_loop():
    block = flatten([(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (1.0, 1.0, 0.0), (0.0, 1.0, 0.0)])
    assert turn(block, 1) == math.sqrt(2.0)
    assert turn(block, 0) == math.sqrt(2.0)  # arrives from pip 3 going -y, leaves going +x
