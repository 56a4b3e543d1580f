"""The measures of distance between loops and of motion per pip."""

import math

import pytest

from generator.checks import flatten
from generator.measures import closeness, closer_than, largest_step, step

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
