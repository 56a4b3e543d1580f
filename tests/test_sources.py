"""The show tool's sources: patterns answer the module's own positions at any pip, recordings play
their chosen axes and hold still outside their span."""

import pytest

import pivolet
from pivolet_show.motion.sources import (
    TOO_MANY_AXES, UNKNOWN_AXIS, builtin_source, pattern_source, recording_source, resolve_source,
)

INT32_MAX = 2**31 - 1


@pytest.mark.parametrize("name", ["bounce", "helix", "lfo_breathe", "euclid_2_5", "beat_dembow_push_ricochet"])
@pytest.mark.parametrize("pip", [0, 1, 63, -1, -2**31, INT32_MAX])
def test_builtins_answer_the_module_at_every_pip(name, pip):
    assert builtin_source(name).position(pip) == pivolet.sample(name, pip).as_tuple()


def test_pips_beyond_the_module_range_wrap_into_the_loop():
    source = builtin_source("euclid_2_5")  # 160 pips, which does not divide 2**32
    for pip in (2**31, 2**40 + 7, -2**33 - 3):
        assert source.position(pip) == pivolet.sample("euclid_2_5", pip % 160).as_tuple()


def test_a_builtin_loop_carries_its_listing_row():
    loop = builtin_source("path_torus_knot").loop()
    (row,) = [row for row in pivolet.catalogue() if row["name"] == "path_torus_knot"]
    assert (loop.name, loop.description, loop.period_pips, loop.dimensions) == tuple(row.values())
    assert loop.points[5] == pivolet.sample("path_torus_knot", 5).as_tuple()


@pytest.mark.parametrize("name, message", [
    ("no_such_pattern", "unknown built-in pattern: no_such_pattern"),
    ("bounse", "unknown built-in pattern: bounse (did you mean: bounce?)"),
    ("helx", "unknown built-in pattern: helx (did you mean: helix?)"),
])
def test_an_unknown_name_is_a_value_error_that_names_it_and_what_is_close(name, message):
    with pytest.raises(ValueError) as refused:
        resolve_source(name)
    assert str(refused.value) == message


def test_a_name_that_is_also_a_file_is_the_builtin_and_anything_else_is_a_path(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    (tmp_path / "bounce").write_text('{"samples": [[0.5, 0, 0]]}', encoding="utf-8")
    (tmp_path / "mine").write_text('{"samples": [[0.5, 0, 0]]}', encoding="utf-8")
    assert resolve_source("bounce").period_pips == 64
    with pytest.raises(ValueError) as refused:
        resolve_source("mine")  # a file, and without a .json or .csv extension
    assert str(refused.value) == "mine: a pattern file ends in .json or .csv, a recording file in .csv"


@pytest.mark.parametrize("samples, dimensions", [
    ([(0.5, 0.0, 0.0), (-0.5, 0.0, 0.0)], 1),
    ([(0.0, 0.25, 0.0), (0.1, 0.0, 0.0)], 2),
    ([(0.0, 0.0, -0.0), (0.0, 0.0, 1.0)], 3),
])
def test_user_patterns_keep_their_samples_and_derived_dimensions(samples, dimensions):
    source = pattern_source(pivolet.SampledPattern("mine", "my own", samples))
    assert source.dimensions == dimensions and source.period_pips == len(samples)
    assert [source.position(pip) for pip in (0, 1, 2, -1)] == [samples[0], samples[1], samples[0], samples[1]]


def test_an_exact_copy_of_a_builtin_has_the_builtins_dimensions():
    loop = builtin_source("lfo_double_pump").loop()
    copy = pivolet.SampledPattern(loop.name, loop.description, list(loop.points))
    assert pattern_source(copy).dimensions == loop.dimensions == 2


def _recording(start_pip=10):
    rows = [[0.1 * i, -0.1 * i, 0.05 * i, 0.5] for i in range(5)]
    return pivolet.SampledRecording("take", ["pan", "tilt", "zoom", "iris"], rows, 120.0, start_pip=start_pip)


@pytest.mark.parametrize("axes, expected", [
    (None, (0.2, -0.2, 0.1)),
    (["iris", "pan"], (0.5, 0.2, 0.0)),
    (["tilt"], (-0.2, 0.0, 0.0)),
    ([], (0.0, 0.0, 0.0)),
])
def test_recording_axes_map_onto_x_y_z(axes, expected):
    assert recording_source(_recording(), axes).position(12) == pytest.approx(expected, abs=0)


def test_a_recording_holds_still_outside_its_span():
    source = recording_source(_recording(start_pip=-2))
    assert (source.first_pip, source.end_pip) == (-2, 3)
    assert [source.covers(pip) for pip in (-3, -2, 2, 3)] == [False, True, True, False]
    assert source.position(-100) == source.position(-2) == (0.0, -0.0, 0.0)
    assert source.position(10**12) == source.position(2) == pytest.approx((0.4, -0.4, 0.2), abs=0)


def test_a_recording_with_fewer_axes_leaves_the_rest_at_zero():
    recording = pivolet.SampledRecording("one", ["fader"], [[0.25], [0.75]], 100.0)
    assert recording_source(recording).position(1) == (0.75, 0.0, 0.0)


@pytest.mark.parametrize("recording, axes, message", [
    (_recording(), ["pan", "nope"], UNKNOWN_AXIS.format(recording="take", axis="nope", axes="pan, tilt, zoom, iris")),
    (_recording(), ["pan", "tilt", "zoom", "iris"], TOO_MANY_AXES.format(count=4)),
])
def test_recordings_that_cannot_play_are_refused(recording, axes, message):
    with pytest.raises(ValueError) as raised:
        recording_source(recording, axes)
    assert str(raised.value) == message
