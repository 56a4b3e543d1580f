"""SampledRecording: identifiers, tempo, size limits, axes and rows, checked in that order, and
sampling within the recorded pips only."""

import decimal
import gc
import math
import os
import sys

import pytest

import pivolet
from failure_helpers import raises_value_error, resident_bytes

INVALID_IDENTIFIER = "Invalid identifier"
BAD_TEMPO = "A finite positive BPM and beat origin are required"
BAD_SIZE = "Empty recording or recording resource limit exceeded"
DUPLICATE_AXIS = "Duplicate axis"
RAGGED = "Ragged recording"
INVALID_SAMPLE = "Invalid sample"
OUTSIDE = "Pip outside non-looping recording"
HIGHEST_PIP = 2**31 - 1

ROWS = [[0.5, -0.5], [1.0, -1.0], [0.0, 0.25]]


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


def record(name="take", dimensions=("left", "right"), samples=ROWS, bpm=120.0, **keywords):
    return pivolet.SampledRecording(name, list(dimensions) if isinstance(dimensions, tuple) else dimensions,
                                    samples, bpm, **keywords)


GOOD_IDENTIFIERS = ["a", "q" * 128, "take_2", "z0_9"]
BAD_IDENTIFIERS = ["", "q" * 129, "Take", "2take", "_take", "ta-ke", "ta ke", "tak\u00e9", "take\t"]


class TestIdentifiers:
    @pytest.mark.parametrize("name", GOOD_IDENTIFIERS)
    def test_good_names_and_axes(self, name):
        assert record(name=name).name == name
        assert record(dimensions=[name], samples=[[0.5]]).dimensions == [name]
        assert record(dimensions=["left", name]).dimensions == ["left", name]

    @pytest.mark.parametrize("name", BAD_IDENTIFIERS)
    def test_bad_name(self, name):
        raises_value_error(INVALID_IDENTIFIER, lambda: record(name=name))

    @pytest.mark.parametrize("name", BAD_IDENTIFIERS)
    def test_bad_axis_in_any_position(self, name):
        raises_value_error(INVALID_IDENTIFIER, lambda: record(dimensions=["left", name], samples=[[0.0, 0.0]]))
        raises_value_error(INVALID_IDENTIFIER, lambda: record(dimensions=[name, "left"], samples=[[0.0, 0.0]]))

    def test_bytes_are_taken_byte_for_byte(self):
        recording = record(name=b"raw_take", dimensions=[b"left", bytearray(b"right")])
        assert recording.name == "raw_take" and recording.dimensions == ["left", "right"]
        raises_value_error(INVALID_IDENTIFIER, lambda: record(name=b"\xc3\xa9"))

    def test_duplicate_axis(self):
        raises_value_error(DUPLICATE_AXIS, lambda: record(dimensions=["left", "right", "left"], samples=[[0.0] * 3]))

    def test_bad_axis_before_a_later_duplicate_and_duplicate_before_a_later_bad_axis(self):
        raises_value_error(INVALID_IDENTIFIER, lambda: record(dimensions=["a", "B", "a"], samples=[[0.0] * 3]))
        raises_value_error(DUPLICATE_AXIS, lambda: record(dimensions=["a", "a", "B"], samples=[[0.0] * 3]))


class TestTempo:
    @pytest.mark.parametrize("bpm", [0.0, -0.0, -120.0, math.nan, math.inf, -math.inf, 1e-308, 5e-324])
    def test_refused_tempos(self, bpm):
        raises_value_error(BAD_TEMPO, lambda: record(bpm=bpm))

    @pytest.mark.parametrize("bpm", [1e-300, 1e300, 120, 0.5, sys.float_info.max, decimal.Decimal("93.5")])
    def test_accepted_tempos(self, bpm):
        recording = record(bpm=bpm)
        assert type(recording.bpm) is float and recording.bpm == float(bpm)

    @pytest.mark.parametrize("origin", [math.nan, math.inf, -math.inf])
    def test_refused_origins(self, origin):
        raises_value_error(BAD_TEMPO, lambda: record(beat_zero_seconds=origin))

    @pytest.mark.parametrize("origin", [-3.5, 0.0, 1e300, -1e300, 7])
    def test_accepted_origins(self, origin):
        assert record(beat_zero_seconds=origin).beat_zero_seconds == origin


class TestSize:
    def test_no_axes(self):
        raises_value_error(BAD_SIZE, lambda: record(dimensions=[], samples=[[]]))

    def test_no_rows(self):
        raises_value_error(BAD_SIZE, lambda: record(samples=[]))

    def test_one_axis_value_limit(self):
        rows = [[0.25]] * 8_388_608
        recording = record(dimensions=["only"], samples=rows)
        assert recording.sample_count == 8_388_608
        assert recording.sample(8_388_607) == [0.25]
        del recording
        rows.append([0.25])
        raises_value_error(BAD_SIZE, lambda: record(dimensions=["only"], samples=rows))

    def test_three_axis_value_limit(self):
        row = [0.0, 0.5, -0.5]
        rows = [row] * 2_796_202
        recording = record(dimensions=["x", "y", "z"], samples=rows)
        assert recording.sample_count == 2_796_202 and recording.sample(2_796_201) == row
        del recording
        rows.append(row)
        raises_value_error(BAD_SIZE, lambda: record(dimensions=["x", "y", "z"], samples=rows))

    def test_last_row_may_sit_just_below_the_largest_pip(self):
        recording = record(dimensions=["a"], samples=[[0.5]], start_pip=HIGHEST_PIP - 1)
        assert recording.start_pip == HIGHEST_PIP - 1
        assert recording.sample(HIGHEST_PIP - 1) == [0.5]
        with pytest.raises(IndexError):
            recording.sample(HIGHEST_PIP)
        raises_value_error(BAD_SIZE, lambda: record(dimensions=["a"], samples=[[0.5]], start_pip=HIGHEST_PIP))
        raises_value_error(BAD_SIZE, lambda: record(samples=ROWS, start_pip=HIGHEST_PIP - 2))
        assert record(samples=ROWS, start_pip=HIGHEST_PIP - 3).sample(HIGHEST_PIP - 1) == ROWS[-1]

    @pytest.mark.parametrize("start", [-1, -(2**31), -1000])
    def test_negative_start(self, start):
        recording = record(start_pip=start)
        assert [recording.sample(start + i) for i in range(3)] == ROWS

    @pytest.mark.parametrize("start", [2**31, -(2**31) - 1, 1.0, "1"])
    def test_start_outside_32_bits_or_not_an_integer_is_refused_in_conversion(self, start):
        with pytest.raises(TypeError):
            record(start_pip=start)

    def test_start_converts_numbers_without_index(self):
        assert record(start_pip=decimal.Decimal(5)).start_pip == 5


class TestRows:
    @pytest.mark.parametrize("bad_row", [[0.5], [0.5, 0.5, 0.5], []])
    def test_ragged(self, bad_row):
        raises_value_error(RAGGED, lambda: record(samples=[[0.0, 0.0], bad_row, [0.0, 0.0]]))

    def test_row_length_is_checked_before_its_values(self):
        raises_value_error(RAGGED, lambda: record(samples=[[0.0, 0.0], [math.nan]]))

    def test_earlier_bad_value_before_a_later_ragged_row(self):
        raises_value_error(INVALID_SAMPLE, lambda: record(samples=[[0.0, 1.5], [0.0]]))

    @pytest.mark.parametrize("bad", [1.5, -1.5, math.nextafter(1.0, 2.0), math.nextafter(-1.0, -2.0), math.nan, math.inf, -math.inf])
    def test_invalid_sample(self, bad):
        raises_value_error(INVALID_SAMPLE, lambda: record(samples=[[0.0, 0.0], [0.0, bad]]))

    def test_bounds_are_included_and_values_kept_exactly(self):
        rows = [[1.0, -1.0], [-0.0, 5e-324], [1 / 3, -2 / 7]]
        recording = record(samples=rows)
        got = [recording.sample(i) for i in range(3)]
        assert got == rows
        assert math.copysign(1.0, got[1][0]) == -1.0

    @pytest.mark.parametrize("bad", [[["0.5", 0.0]], [[None, 0.0]], ["ab"], [0.5, 0.5]])
    def test_rows_of_non_numbers_are_refused_in_conversion(self, bad):
        with pytest.raises(TypeError):
            record(samples=bad)


class TestOrder:
    """Two problems at once: the earlier check wins."""

    def test_name_before_tempo(self):
        raises_value_error(INVALID_IDENTIFIER, lambda: record(name="Bad", bpm=0.0))

    def test_tempo_before_size(self):
        raises_value_error(BAD_TEMPO, lambda: record(bpm=math.nan, samples=[]))
        raises_value_error(BAD_TEMPO, lambda: record(beat_zero_seconds=math.inf, dimensions=[]))

    def test_size_before_axes(self):
        raises_value_error(BAD_SIZE, lambda: record(dimensions=["Bad"], samples=[]))
        raises_value_error(BAD_SIZE, lambda: record(dimensions=["a", "a"], samples=[[0.0, 0.0]], start_pip=HIGHEST_PIP))

    def test_axes_before_rows(self):
        raises_value_error(INVALID_IDENTIFIER, lambda: record(dimensions=["a", "Bad"], samples=[[2.0]]))
        raises_value_error(DUPLICATE_AXIS, lambda: record(dimensions=["a", "a"], samples=[[math.nan, 0.0, 0.0]]))


class TestSampling:
    @pytest.mark.parametrize("start", [0, 10, -5])
    def test_within_and_outside(self, start):
        recording = record(start_pip=start)
        assert recording.sample(start) == ROWS[0]
        assert recording.sample(start + 2) == ROWS[2]
        for outside in (start - 1, start + 3, -(2**31), HIGHEST_PIP):
            with pytest.raises(IndexError) as raised:
                recording.sample(outside)
            assert str(raised.value) == OUTSIDE

    def test_each_sample_is_a_new_list(self):
        recording = record()
        first = recording.sample(1)
        first[0] = 0.0
        assert recording.sample(1) == ROWS[1] and recording.sample(1) is not recording.sample(1)
        assert all(type(v) is float for v in recording.sample(1))

    @pytest.mark.parametrize("pip", [True, Index(2)])
    def test_integers_by_index_protocol(self, pip):
        assert record().sample(pip) == ROWS[int(pip)]

    @pytest.mark.parametrize("pip", [3.0, 1.0, decimal.Decimal(1), "1", None, 2**31])
    def test_strict_pip(self, pip):
        with pytest.raises(TypeError):
            record().sample(pip)

    def test_pip_by_keyword(self):
        assert record().sample(pip=1) == ROWS[1]


class TestSurface:
    def test_defaults_and_property_types(self):
        recording = pivolet.SampledRecording("take", ["a", "b", "c"], [[0.0, 0.5, 1.0]] * 4, 120)
        assert recording.start_pip == 0 and type(recording.start_pip) is int
        assert recording.beat_zero_seconds == 0.0 and type(recording.beat_zero_seconds) is float
        assert recording.bpm == 120.0 and type(recording.bpm) is float
        assert recording.sample_count == 4 and type(recording.sample_count) is int
        assert recording.dimensions == ["a", "b", "c"] and recording.dimensions is not recording.dimensions
        assert recording.name == "take" and type(recording.name) is str

    def test_keywords(self):
        recording = pivolet.SampledRecording(start_pip=7, bpm=90.0, samples=[[0.5]], dimensions=["a"], name="kw",
                                             beat_zero_seconds=1.25)
        assert (recording.name, recording.start_pip, recording.bpm, recording.beat_zero_seconds) == ("kw", 7, 90.0, 1.25)

    @pytest.mark.parametrize("attribute", ["name", "dimensions", "sample_count", "bpm", "beat_zero_seconds", "start_pip"])
    def test_read_only(self, attribute):
        recording = record()
        before = getattr(recording, attribute)
        with pytest.raises(AttributeError):
            setattr(recording, attribute, before)
        assert getattr(recording, attribute) == before

    def test_changing_a_returned_list_changes_nothing(self):
        recording = record()
        recording.dimensions.append("extra")
        assert recording.dimensions == ["left", "right"]

    def test_nothing_else(self):
        recording = record()
        for attribute in ("values", "samples", "__len__", "__dict__"):
            assert not hasattr(recording, attribute)
        with pytest.raises(AttributeError):
            recording.extra = 1

    @pytest.mark.parametrize(
        "dimensions, samples",
        [
            (lambda: ("left", "right"), lambda: tuple(tuple(row) for row in ROWS)),
            (lambda: (axis for axis in ["left", "right"]), lambda: (row for row in ROWS)),
            (lambda: dict.fromkeys(["left", "right"]).keys(), lambda: map(list, ROWS)),
            (lambda: map(str, ["left", "right"]), lambda: [(v for v in row) for row in ROWS]),
        ],
        ids=["tuples", "generators", "dict_keys_and_map", "generator_rows"],
    )
    def test_any_sequences(self, dimensions, samples):
        recording = pivolet.SampledRecording("take", dimensions(), samples(), 120.0)
        assert recording.dimensions == ["left", "right"]
        assert [recording.sample(i) for i in range(3)] == ROWS

    def test_sets_as_sequences(self):
        # One-element sets, since a set's order is not the caller's to choose.
        recording = pivolet.SampledRecording("take", {"solo"}, frozenset({(0.75,)}), 120.0)
        assert recording.dimensions == ["solo"] and recording.sample(0) == [0.75]

    def test_str_is_not_a_sequence_of_axes(self):
        with pytest.raises(TypeError):
            pivolet.SampledRecording("take", "ab", [[0.0, 0.0]], 120.0)


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")
def test_failed_constructions_leave_nothing_behind():
    row = [0.5, -0.5, 0.25]
    axes = ["a", "b", "c"]
    attempts = [
        (lambda: record(dimensions=axes, samples=[row] * 4000 + [[0.0]]), RAGGED),
        (lambda: record(dimensions=axes, samples=[row] * 4000 + [[0.0, 0.0, 2.0]]), INVALID_SAMPLE),
        (lambda: record(dimensions=axes + ["a"], samples=[row] * 4000), DUPLICATE_AXIS),
        (lambda: record(name="Bad" * 40, dimensions=axes, samples=[row] * 4000), INVALID_IDENTIFIER),
    ]
    for attempt, message in attempts:  # warm the allocator up
        for _ in range(30):
            raises_value_error(message, attempt)
    gc.collect()
    references = sys.getrefcount(row), sys.getrefcount(axes[0])
    before = resident_bytes()
    for _ in range(300):
        for attempt, message in attempts:
            raises_value_error(message, attempt)
    gc.collect()
    grown = resident_bytes() - before
    # Each round converts 16,000 rows (about 1.1 MB with their vectors) and reserves room for
    # 24,000 values; keeping any of it would grow by hundreds of megabytes.
    assert grown < 32 * 2**20
    assert (sys.getrefcount(row), sys.getrefcount(axes[0])) == references
