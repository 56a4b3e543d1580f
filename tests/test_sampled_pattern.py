"""SampledPattern: construction checks and their order, derived dimensions, sampling, conversions."""

import decimal
import gc
import math
import operator
import os
import sys

import pytest

import pivolet
from failure_helpers import raises_value_error, resident_bytes

INVALID_NAME = "Invalid pattern name"
BAD_COUNT = "A pattern requires 1..65535 samples (one per pip)"
BAD_VALUE = "Pattern samples must be finite and within [-1, 1]"
ABOVE_ONE = math.nextafter(1.0, 2.0)
BELOW_MINUS_ONE = math.nextafter(-1.0, -2.0)
LOWEST_PIP, HIGHEST_PIP = -(2**31), 2**31 - 1

THREE_POINTS = [(0.5, 0.0, 0.0), (-0.25, 0.125, 0.0), (1.0, -1.0, 0.75)]


class Index:
    """An object that is an integer only through the index protocol."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


def make(samples=THREE_POINTS, name="test_loop", description="A test loop"):
    return pivolet.SampledPattern(name, description, samples)


def dimensions_of(pattern):
    # Dimensions are not exposed on the pattern itself; the library lists them.
    return pivolet.PatternLibrary([pattern]).catalogue()[-1]["dimensions"]


class TestName:
    @pytest.mark.parametrize("name", ["a", "z", "a" * 128, "z9_", "loop_2_of_3", "a__", "abcdefghijklmnopqrstuvwxyz0123456789_"])
    def test_accepted(self, name):
        assert make(name=name).name == name

    @pytest.mark.parametrize(
        "name",
        ["", "a" * 129, "9loop", "_loop", "Loop", "loOp", "lo-op", "lo op", "loop ", "lo.op", "café", "é", "loop\n", "lo\0op"],
    )
    def test_refused(self, name):
        raises_value_error(INVALID_NAME, lambda: make(name=name))

    def test_bytes_name_is_taken_byte_for_byte(self):
        assert make(name=b"from_bytes").name == "from_bytes"
        assert make(name=bytearray(b"from_bytearray"), description=bytearray(b"d")).description == "d"
        raises_value_error(INVALID_NAME, lambda: make(name="caf\u00e9".encode()))

    def test_name_not_encodable_as_utf8_is_refused_in_conversion(self):
        with pytest.raises(TypeError):
            make(name="loop\udcff")

    @pytest.mark.parametrize("samples", [[], [(2.0, 0.0, 0.0)], [(0.0, 0.0, 0.0)] * 65536])
    def test_name_is_checked_before_the_samples(self, samples):
        raises_value_error(INVALID_NAME, lambda: make(name="Bad", samples=samples))


class TestCount:
    def test_one_sample_serves_every_pip(self):
        pattern = make(samples=[(0.25, -0.5, 0.125)])
        assert pattern.period_pips == 1
        for pip in (LOWEST_PIP, -1, 0, 1, 64, HIGHEST_PIP):
            assert pattern.sample(pip).as_tuple() == (0.25, -0.5, 0.125)

    def test_65535_samples_are_accepted(self):
        pattern = make(samples=[(0.0, 0.0, 0.0)] * 65534 + [(1.0, 0.0, 0.0)])
        assert pattern.period_pips == 65535
        assert pattern.sample(65534).as_tuple() == (1.0, 0.0, 0.0)
        assert pattern.sample(65535).as_tuple() == (0.0, 0.0, 0.0)

    @pytest.mark.parametrize("count", [0, 65536])
    def test_refused(self, count):
        raises_value_error(BAD_COUNT, lambda: make(samples=[(0.0, 0.0, 0.0)] * count))

    def test_count_is_checked_before_the_values(self):
        raises_value_error(BAD_COUNT, lambda: make(samples=[(math.nan, 0.0, 0.0)] * 65536))


class TestValues:
    def test_bounds_are_included(self):
        points = [(1.0, -1.0, 1.0), (-1.0, 1.0, -1.0), (0.0, -0.0, 5e-324)]
        assert [make(samples=points).sample(i).as_tuple() for i in range(3)] == points

    @pytest.mark.parametrize("bad", [ABOVE_ONE, BELOW_MINUS_ONE, 2.0, -7.0, math.nan, math.inf, -math.inf])
    @pytest.mark.parametrize("axis", [0, 1, 2])
    def test_refused_on_every_axis(self, bad, axis):
        point = [0.0, 0.0, 0.0]
        point[axis] = bad
        raises_value_error(BAD_VALUE, lambda: make(samples=[(0.5, 0.5, 0.5)] * 10 + [tuple(point)]))

    def test_integers_are_numbers(self):
        assert make(samples=[[1, 0, -1]]).sample(0).as_tuple() == (1.0, 0.0, -1.0)

    def test_values_are_kept_exactly(self):
        points = [(0.1, 1 / 3, -2 / 7), (math.nextafter(0.0, 1.0), math.nextafter(1.0, 0.0), -0.0)]
        pattern = make(samples=points)
        got = [pattern.sample(i).as_tuple() for i in range(2)]
        assert got == points
        assert math.copysign(1.0, got[1][2]) == -1.0


class TestDimensions:
    @pytest.mark.parametrize(
        "points, expected",
        [
            ([(0.9, 0.0, 0.0), (-1.0, 0.0, 0.0)], 1),
            ([(0.0, -0.0, -0.0)], 1),
            ([(0.0, 0.0, 0.0), (0.1, 0.5, 0.0), (0.0, 0.0, 0.0)], 2),
            ([(0.0, 0.5, -0.0)], 2),
            ([(0.0, 0.0, 0.0), (0.0, 0.0, -0.25)], 3),
            ([(0.0, 0.0, -0.25), (0.0, 1.0, 0.0)], 3),
            ([(0.0, 0.0, 5e-324)], 3),
        ],
    )
    def test_derived_from_the_last_moving_component(self, points, expected):
        assert dimensions_of(make(samples=points)) == expected


class TestSampling:
    @pytest.mark.parametrize(
        "pip, index",
        [(0, 0), (1, 1), (2, 2), (3, 0), (-1, 2), (-3, 0), (-4, 2), (LOWEST_PIP, LOWEST_PIP % 3), (HIGHEST_PIP, HIGHEST_PIP % 3)],
    )
    def test_pips_wrap_into_the_loop(self, pip, index):
        assert make().sample(pip).as_tuple() == THREE_POINTS[index]

    def test_most_negative_pip_in_a_loop_of_100(self):
        points = [(i / 100, 0.0, 0.0) for i in range(100)]
        assert make(samples=points).sample(LOWEST_PIP).as_tuple() == points[52]

    def test_results_are_new_offsets(self):
        pattern = make()
        first, second = pattern.sample(1), pattern.sample(1)
        assert isinstance(first, pivolet.Offset3) and first is not second

    @pytest.mark.parametrize("pip", [True, Index(2), Index(-1)])
    def test_integers_by_index_protocol(self, pip):
        assert make().sample(pip).as_tuple() == THREE_POINTS[operator.index(pip) % 3]

    @pytest.mark.parametrize("pip", [decimal.Decimal(2), 2.0, "2", None, 2**31, -(2**31) - 1])
    def test_strict_integer_refuses_everything_else(self, pip):
        with pytest.raises(TypeError):
            make().sample(pip)

    def test_keyword(self):
        assert make().sample(pip_count=2).as_tuple() == THREE_POINTS[2]


class TestConversion:
    @pytest.mark.parametrize("bad_row", [(0.0, 0.0), (0.0, 0.0, 0.0, 0.0), (), ("0.5", 0.0, 0.0), 0.5, None])
    def test_rows_must_be_triples_of_numbers(self, bad_row):
        with pytest.raises(TypeError):
            make(samples=[(0.0, 0.0, 0.0), bad_row])

    def test_samples_as_str_are_refused(self):
        with pytest.raises(TypeError):
            make(samples="abc")

    @pytest.mark.parametrize(
        "samples",
        [
            lambda: tuple(THREE_POINTS),
            lambda: [list(p) for p in THREE_POINTS],
            lambda: (p for p in THREE_POINTS),
            lambda: map(tuple, THREE_POINTS),
            lambda: zip(*zip(*THREE_POINTS)),
            lambda: [(v for v in p) for p in THREE_POINTS],
            lambda: dict.fromkeys(THREE_POINTS).keys(),
        ],
        ids=["tuple", "lists", "generator", "map", "zip", "generator_rows", "dict_keys"],
    )
    def test_any_sequence_of_triples(self, samples):
        pattern = make(samples=samples())
        assert [pattern.sample(i).as_tuple() for i in range(3)] == THREE_POINTS

    def test_sets_as_sequences(self):
        # One-element sets, since a set's order is not the caller's to choose.
        assert make(samples={(0.0, 1.0, 0.0)}).sample(5).as_tuple() == (0.0, 1.0, 0.0)
        assert make(samples=[{"x": 0.5, "y": 0.0, "z": -0.5}.values()]).sample(0).as_tuple() == (0.5, 0.0, -0.5)
        assert make(samples=frozenset({(0.25, 0.25, 0.25)})).sample(-1).as_tuple() == (0.25, 0.25, 0.25)

    def test_keywords(self):
        pattern = pivolet.SampledPattern(samples=THREE_POINTS, description="kw", name="by_keyword")
        assert (pattern.name, pattern.description, pattern.period_pips) == ("by_keyword", "kw", 3)


class TestProperties:
    def test_values_and_types(self):
        pattern = make(description="Kick-led bounce \u2014 with a trailing space ")
        assert type(pattern.name) is str and pattern.name == "test_loop"
        assert pattern.description == "Kick-led bounce \u2014 with a trailing space "
        assert type(pattern.period_pips) is int and pattern.period_pips == 3

    def test_empty_description(self):
        assert make(description="").description == ""

    @pytest.mark.parametrize("attribute", ["name", "description", "period_pips"])
    def test_read_only(self, attribute):
        pattern = make()
        before = getattr(pattern, attribute)
        with pytest.raises(AttributeError):
            setattr(pattern, attribute, before)
        assert getattr(pattern, attribute) == before

    @pytest.mark.parametrize("attribute", ["dimensions", "samples", "__dict__"])
    def test_nothing_else_is_readable(self, attribute):
        assert not hasattr(make(), attribute)

    def test_no_dynamic_attributes(self):
        with pytest.raises(AttributeError):
            make().colour = "red"


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")
def test_failed_constructions_leave_nothing_behind():
    row = (0.5, 0.5, 0.5)
    description = "x" * 4096
    bad_last = [row] * 2000 + [(0.0, 0.0, 2.0)]
    attempts = [
        lambda: make(samples=bad_last, description=description),
        lambda: make(samples=[row] * 65536, description=description),
        lambda: make(name="Bad" * 40, samples=bad_last, description=description),
    ]
    for attempt in attempts:  # warm the allocator up
        for _ in range(50):
            with pytest.raises(ValueError):
                attempt()
    gc.collect()
    row_references, description_references = sys.getrefcount(row), sys.getrefcount(description)
    before = resident_bytes()
    for _ in range(200):
        for attempt in attempts:
            with pytest.raises(ValueError):
                attempt()
    gc.collect()
    grown = resident_bytes() - before
    # Each round converts 1.6 MB of samples and copies 12 KB of text; keeping any of it would grow
    # by over 300 MB.
    assert grown < 32 * 2**20
    assert sys.getrefcount(row) == row_references
    assert sys.getrefcount(description) == description_references
