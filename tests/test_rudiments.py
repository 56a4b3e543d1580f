"""The fifteen rudiments against an independent evaluation of their formulas, bit for bit."""

import math
import struct

import pytest

import pivolet
from rudiment_oracle import RUDIMENTS

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1


def bits(position):
    """The exact doubles, negative zeros told apart from positive ones."""
    return struct.pack("<3d", *position)


@pytest.mark.parametrize("name", list(RUDIMENTS))
def test_every_pip_of_the_loop_is_bit_exact(name):
    period, _, oracle = RUDIMENTS[name]
    function = getattr(pivolet, name)
    for p in range(period):
        assert bits(function(p).as_tuple()) == bits(oracle(p)), (name, p)


@pytest.mark.parametrize("name", list(RUDIMENTS))
def test_periodic_over_the_whole_32_bit_range(name):
    period, _, oracle = RUDIMENTS[name]
    function = getattr(pivolet, name)
    far = [INT32_MIN, INT32_MIN + 1, -(2**30) - 7, -period - 1, -1, INT32_MAX - period, INT32_MAX - 1, INT32_MAX]
    for p in far:
        assert bits(function(p).as_tuple()) == bits(oracle(p)), (name, p)
        if p + period <= INT32_MAX:
            assert bits(function(p + period).as_tuple()) == bits(function(p).as_tuple())


@pytest.mark.parametrize("name", list(RUDIMENTS))
def test_unused_axes_are_exactly_zero_and_values_in_range(name):
    period, dimensions, _ = RUDIMENTS[name]
    function = getattr(pivolet, name)
    moved = [False, False, False]
    for p in range(period):
        position = function(p).as_tuple()
        assert all(-1.0 <= v <= 1.0 for v in position)
        for axis in range(dimensions, 3):
            assert position[axis] == 0.0
        moved = [m or v != 0.0 for m, v in zip(moved, position)]
    assert moved[dimensions - 1], "the last declared axis never moves"


@pytest.mark.parametrize(
    "name, p, expected",
    [
        ("bounce", 0, (-1.0, 0.0, 0.0)),
        ("bounce", 16, (0.0, 0.0, 0.0)),
        ("bounce", 32, (1.0, 0.0, 0.0)),
        ("bounce", 63, (-0.9375, 0.0, 0.0)),
        ("bounce", -1, (-0.9375, 0.0, 0.0)),
        ("bounce", INT32_MIN, (-1.0, 0.0, 0.0)),
        ("circle", 16, (1.0, 0.0, 0.0)),
        ("circle", -48, (1.0, 0.0, 0.0)),
        ("step_touch", 0, (-1.0, -0.0, 0.0)),
        ("step_touch", 32, (0.0, -0.0, 0.0)),
        ("box_step", 0, (-1.0, -1.0, 0.0)),
        ("box_step", 32, (0.0, -1.0, 0.0)),
        ("box_step", 96, (1.0, 0.0, 0.0)),
        ("box_step", 255, (-1.0, -0.9985504150390625, 0.0)),
        ("tamsel_background", 23, (2 / 14, -1 / 10, 0.0)),
        ("tamsel_background", 87, (-0.21428571428571425, 0.20000000000000007, 0.0)),
        ("tamsel_background", 24, (0.16485714285714287, -0.11960000000000001, 0.0)),
        ("tamsel_background", 255, (-0.0036088172182846823, -0.005052344105598516, 0.0)),
        ("single_stroke_roll", 4, (0.92, -0.6624, 0.0)),
        ("single_stroke_roll", 0, (0.0, 0.0, 0.0)),
        ("single_stroke_roll", INT32_MIN, (0.0, 0.0, 0.0)),
        ("single_paradiddle", 4, (1.0, -0.72, 0.0)),
        ("single_paradiddle", 36, (-1.0, -0.72, 0.0)),
        ("five_stroke_roll", 43, (1.0, -0.72, 0.0)),
        ("five_stroke_roll", 107, (-1.0, -0.72, 0.0)),
        ("five_stroke_roll", 57, (0.0, 0.0, 0.0)),
    ],
)
def test_landmark_positions(name, p, expected):
    # Written values independent of the oracle; signs of zero included.
    assert bits(getattr(pivolet, name)(p).as_tuple()) == bits(expected)


def test_background_keyframe_pip_keeps_the_segment_end_value():
    # Pip 49 ends a segment with s = 1, one bit away from the keyframe's own 5/14.
    x, y, _ = pivolet.tamsel_background(49).as_tuple()
    assert x == 0.3571428571428572 and x != 5 / 14
    assert y == -0.4


@pytest.mark.parametrize("name", [n for n in RUDIMENTS if RUDIMENTS[n][1] == 2 and n.endswith(("roll", "paradiddle", "flam", "drag"))])
def test_drum_strokes_dip_and_silent_pips_are_positive_zero(name):
    period, _, _ = RUDIMENTS[name]
    function = getattr(pivolet, name)
    for p in range(period):
        x, y, z = function(p).as_tuple()
        assert y <= 0.0 and abs(x) <= 1.0 and z == 0.0
        if x == 0.0 and y == 0.0:
            assert math.copysign(1.0, x) == 1.0 and math.copysign(1.0, y) == 1.0
