"""The demo command: its SVG picture of one loop, its WAV of four loops, and how the synth maps motion."""

from __future__ import annotations

import math
import re
import wave
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import pytest

import pivolet
from browser_session import console_errors, inked_fraction
from show_commands import Finished, run_show
from pivolet_show.picture import projection, svg_picture
from pivolet_show.sound import wav as wav_render
from pivolet_show.commands.draw import DEFAULT_PATTERN
from pivolet_show.motion.catalogue import load_loop
from pivolet_show.motion.loops import Loop

SVG = "{http://www.w3.org/2000/svg}"
ROWS = pivolet.catalogue()


def _chosen_rows() -> dict[str, dict]:
    """A few built-ins picked by what makes a drawing or a sound hard, not by name."""
    three_d = [row for row in ROWS if row["dimensions"] == 3]
    return {
        "shortest loop": min(ROWS, key=lambda row: row["period_pips"]),
        "longest loop": max(ROWS, key=lambda row: row["period_pips"]),
        "first 3-D": three_d[0],
        "last 3-D": three_d[-1],
        "last built-in": ROWS[-1],
    }


CHOSEN = _chosen_rows()
# Each case with a tempo of its own, one of them left to the default.
CASES = [
    ("shortest loop", None),
    ("longest loop", 97.5),
    ("first 3-D", 60.0),
    ("last 3-D", 174.0),
    ("last built-in", 120.0),
]


# Fitted pictures of two of the cases, beside their true-scale ones.
FITTED_CASES = ["shortest loop", "last 3-D"]


def run_demo(*arguments: str) -> Finished:
    return run_show("draw", *arguments)


@pytest.fixture(scope="module")
def outputs(tmp_path_factory) -> dict[str, tuple[dict, float, Path, Path]]:
    made = {}
    for case, bpm in CASES:
        row = CHOSEN[case]
        out = tmp_path_factory.mktemp("demo")
        arguments = [row["name"], "--out", str(out)] + ([] if bpm is None else ["--bpm", str(bpm)])
        finished = run_demo(*arguments)
        assert finished.status == 0, finished.err
        printed = finished.out.split()
        assert len(printed) == 2, finished.out
        svg, wav = (Path(path) for path in printed)
        made[case] = (row, 120.0 if bpm is None else bpm, svg, wav)
    return made


@pytest.fixture(scope="module")
def fitted(tmp_path_factory) -> dict[str, Path]:
    made = {}
    for case in FITTED_CASES:
        out = tmp_path_factory.mktemp("fitted")
        finished = run_demo(CHOSEN[case]["name"], "--fit", "--out", str(out))
        assert finished.status == 0, finished.err
        made[case] = Path(finished.out.split()[0])
    return made


def _elements(svg: Path, tag: str) -> dict[str, ElementTree.Element]:
    return {element.get("id"): element for element in ElementTree.parse(svg).getroot().iter(SVG + tag)}


def _lane_points(svg: Path, axis: str) -> tuple[list[tuple[float, float]], ElementTree.Element]:
    line, frame = _elements(svg, "polyline")[f"lane-{axis}"], _elements(svg, "rect")[f"lane-frame-{axis}"]
    return [tuple(map(float, pair.split(","))) for pair in line.get("points").split()], frame


def _samples(row: dict) -> list[tuple[float, float, float]]:
    return [pivolet.sample(row["name"], pip).as_tuple() for pip in range(row["period_pips"])]


def _check_lanes(svg: Path, row: dict, extent: float) -> None:
    samples = _samples(row)
    for index, axis in enumerate("xyz"):
        points, frame = _lane_points(svg, axis)
        assert len(points) == row["period_pips"] + 1
        left, top = float(frame.get("x")), float(frame.get("y"))
        width, height = float(frame.get("width")), float(frame.get("height"))
        for pip, (x, y) in enumerate(points):
            value = samples[pip % row["period_pips"]][index]
            assert x == pytest.approx(left + width * pip / row["period_pips"], abs=0.006)
            assert y == pytest.approx(top + height / 2 * (1 - value / extent), abs=0.006), (axis, pip)


def _figure_lines(svg: Path) -> list[str]:
    return ["".join(text.itertext()) for text in _elements(svg, "g")["motion-figures"].iter(SVG + "text")]


def _decimals(shown: str) -> float:
    """Half a unit in the last place shown: how far a rounded figure may lie from the true one."""
    return 0.5 * 10.0 ** -(len(shown.split(".")[1]) if "." in shown else 0)


def _path_points(svg: Path) -> list[tuple[float, float]]:
    root = ElementTree.parse(svg).getroot()
    (path,) = [element for element in root.iter(SVG + "path") if element.get("id") == "loop-path"]
    numbers = [float(token) for token in path.get("d").replace("M", " ").replace("L", " ").replace("Z", " ").split()]
    assert len(numbers) % 2 == 0
    return list(zip(numbers[0::2], numbers[1::2]))


def test_default_is_a_three_dimensional_beat_study():
    (row,) = [row for row in ROWS if row["name"] == DEFAULT_PATTERN]
    assert row["name"].startswith("beat_") and row["dimensions"] == 3


@pytest.mark.parametrize("case", [case for case, _ in CASES])
class TestOutputs:
    def test_files_are_named_after_the_pattern_and_exist(self, outputs, case):
        row, _, svg, wav = outputs[case]
        assert (svg.name, wav.name) == (f"{row['name']}.svg", f"{row['name']}.wav")
        assert svg.is_file() and wav.is_file()

    def test_svg_path_has_one_point_per_pip(self, outputs, case):
        row, _, svg, _ = outputs[case]
        assert len(_path_points(svg)) == row["period_pips"]

    def test_svg_carries_title_description_start_and_beats(self, outputs, case):
        row, _, svg, _ = outputs[case]
        root = ElementTree.parse(svg).getroot()
        assert root.find(SVG + "title").text == row["name"]
        assert root.find(SVG + "desc").text == row["description"]
        texts = ["".join(element.itertext()) for element in root.iter(SVG + "text")]
        assert row["name"] in texts
        groups = {element.get("id"): element for element in root.iter(SVG + "g")}
        ticks = groups["beat-ticks"].findall(SVG + "line")
        assert len(ticks) == math.ceil(row["period_pips"] / pivolet.PIPS_PER_BEAT)
        start = groups["start-marker"].find(SVG + "circle")
        first_x, first_y = _path_points(svg)[0]
        assert (float(start.get("cx")), float(start.get("cy"))) == pytest.approx((first_x, first_y), abs=0.01)

    def test_svg_path_follows_the_module_positions(self, outputs, case):
        # The drawing is an affine image of the projected samples: a change of x alone moves the
        # drawn point along the horizontal only, and a change of y alone along the vertical only.
        row, _, svg, _ = outputs[case]
        points = _path_points(svg)
        for pip in range(row["period_pips"] - 1):
            (x0, y0, z0), (x1, y1, z1) = (pivolet.sample(row["name"], p).as_tuple() for p in (pip, pip + 1))
            (u0, v0), (u1, v1) = points[pip], points[pip + 1]
            if z0 == z1 and y0 == y1:
                assert v0 == pytest.approx(v1, abs=0.011)
            if z0 == z1 and x0 == x1:
                assert u0 == pytest.approx(u1, abs=0.011)

    def test_svg_carries_three_lanes_of_the_samples_at_true_scale(self, outputs, case):
        row, _, svg, _ = outputs[case]
        _check_lanes(svg, row, 1.0)

    def test_svg_carries_the_motion_figures_of_the_samples(self, outputs, case):
        # Worked out here from the module's samples, independently of the show tool's own code.
        row, bpm, svg, _ = outputs[case]
        period = row["period_pips"]
        samples = _samples(row)
        steps = [math.dist(samples[(pip + 1) % period], samples[pip]) for pip in range(period)]
        changes = [math.dist([2 * b - a - c for a, b, c in zip(samples[pip - 1], samples[pip], samples[(pip + 1) % period])],
                             [0.0, 0.0, 0.0]) for pip in range(period)]
        pips_per_second = bpm / 60 * pivolet.PIPS_PER_BEAT
        loop_line, peak_line, step_line, tempo_line = _figure_lines(svg)

        beats = period / pivolet.PIPS_PER_BEAT
        assert loop_line == f"Loop: {period} pips = {beats:g} beat{'s' * (beats != 1)} = {beats / 4:g} bar{'s' * (beats != 4)} of 4 beats"
        peaks = re.fullmatch(r"Peak: x (\S+)  y (\S+)  z (\S+)", peak_line).groups()
        for index, shown in enumerate(peaks):
            assert float(shown) == pytest.approx(max(abs(point[index]) for point in samples), abs=_decimals(shown))
        step, step_pip = re.fullmatch(r"Largest step: (\S+) per pip \(from pip (\d+)\)", step_line).groups()
        assert float(step) == pytest.approx(max(steps), abs=_decimals(step))
        assert steps[int(step_pip)] == pytest.approx(max(steps), rel=1e-9)
        shown_bpm, speed, speed_pip, acceleration, change_pip = re.fullmatch(
            r"At (\S+) BPM: largest speed (\S+) units/s \(from pip (\d+)\), "
            r"largest acceleration (\S+) units/s² \(at pip (\d+)\)", tempo_line).groups()
        assert float(shown_bpm) == bpm and speed_pip == step_pip
        assert float(speed) == pytest.approx(max(steps) * pips_per_second, abs=_decimals(speed))
        assert float(acceleration) == pytest.approx(max(changes) * pips_per_second ** 2, abs=_decimals(acceleration))
        assert changes[int(change_pip)] == pytest.approx(max(changes), rel=1e-9)

    def test_beat_labels_do_not_overlap(self, outputs, case):
        row, _, svg, _ = outputs[case]
        labels = [(float(text.get("x")), float(text.get("y")), text.text)
                  for text in _elements(svg, "g")["beat-ticks"].iter(SVG + "text")]
        beats = math.ceil(row["period_pips"] / pivolet.PIPS_PER_BEAT)
        assert "1" in [text for _, _, text in labels]
        assert {int(text) for _, _, text in labels} <= set(range(1, beats + 1))
        for index, (x, y, text) in enumerate(labels):
            for other_x, other_y, other in labels[index + 1:]:
                # Ten-pixel digits at least half as wide as they are tall.
                apart = abs(x - other_x) >= 2.5 * (len(text) + len(other)) or abs(y - other_y) >= 10
                assert apart, (text, other)

    def test_wav_lasts_four_loops_at_the_tempo(self, outputs, case):
        row, bpm, _, wav = outputs[case]
        with wave.open(str(wav)) as sound:
            assert (sound.getnchannels(), sound.getsampwidth()) == (2, 2)
            seconds = sound.getnframes() / sound.getframerate()
            frames = sound.readframes(sound.getnframes())
        assert seconds == pytest.approx(4 * row["period_pips"] / 64 * 60 / bpm, abs=1 / sound.getframerate())
        assert max(frames) > 0, "the WAV is silent"


def _drawing_scale(svg: Path, row: dict) -> float:
    """Drawn units per unit of the module, from the widest projected span of the loop."""
    points = _path_points(svg)
    projected = [projection.project(*point) for point in _samples(row)]
    spans = [(max(p[k] for p in projected) - min(p[k] for p in projected),
              max(p[k] for p in points) - min(p[k] for p in points)) for k in (0, 1)]
    source, drawn = max(spans)
    return drawn / source


def test_true_scale_draws_every_loop_at_one_scale(outputs):
    scales = [_drawing_scale(svg, row) for row, _, svg, _ in outputs.values()]
    assert max(scales) == pytest.approx(min(scales), rel=0.01), scales
    assert all("cube" in _elements(svg, "g") for _, _, svg, _ in outputs.values())


@pytest.mark.parametrize("case", FITTED_CASES)
def test_fit_zooms_the_picture_and_its_lanes_to_the_loop(outputs, fitted, case):
    row, _, true_svg, _ = outputs[case]
    svg = fitted[case]
    samples = _samples(row)
    _check_lanes(svg, row, max(0.1, *(max(abs(point[index]) for point in samples) for index in range(3))))
    assert "cube" not in _elements(svg, "g")
    # The loop's own box fills the panel, within its padding, on one axis.
    panel = _elements(svg, "rect")["panel"]
    room = [float(panel.get(size)) - 2 * svg_picture.PANEL_PADDING for size in ("width", "height")]
    points = _path_points(svg)
    drawn = [max(p[k] for p in points) - min(p[k] for p in points) for k in (0, 1)]
    assert any(span == pytest.approx(free, abs=0.02) for span, free in zip(drawn, room)), (drawn, room)
    assert all(span <= free + 0.02 for span, free in zip(drawn, room))
    assert _drawing_scale(svg, row) > _drawing_scale(true_svg, row)


def test_unknown_name_is_refused():
    finished = run_demo("no_such_pattern_anywhere")
    assert finished.status == 2
    assert "unknown built-in pattern: no_such_pattern_anywhere" in finished.err


@pytest.mark.parametrize("name, counts", [("bounce", "64 pips (1 beat), 1 dimension"),
                                          ("helix", "256 pips (4 beats), 3 dimensions")])
def test_the_picture_counts_in_the_singular_where_there_is_one(name, counts):
    assert f">{counts} · ticks mark beats" in svg_picture.render(load_loop(name), 120.0)


@pytest.mark.parametrize("bpm", ["0", "-120", "nan", "inf", "fast"])
def test_tempo_must_be_a_positive_number(bpm):
    finished = run_demo(ROWS[0]["name"], "--bpm", bpm, "--out", "unused")
    assert finished.status == 2 and "--bpm" in finished.err


# ---- the synth's mapping, heard through constant positions ----

def _steady(x: float, y: float, z: float) -> Loop:
    return Loop("steady", "", 64, 3, tuple([(x, y, z)] * 64))


def _rms(values) -> float:
    values = list(values)
    return math.sqrt(sum(v * v for v in values) / len(values))


def _between_clicks(channel: list[float], bpm: float) -> list[float]:
    # The second half of each beat holds no click, so the tone alone can be measured there.
    frames_per_beat = round(60.0 / bpm * wav_render.SAMPLE_RATE_HZ)
    return [value for n, value in enumerate(channel) if n % frames_per_beat >= frames_per_beat // 2]


def _zero_crossings(values: list[float]) -> int:
    return sum(1 for a, b in zip(values, values[1:]) if (a < 0.0) != (b < 0.0))


@pytest.mark.parametrize("x, louder", [(-1.0, "left"), (1.0, "right"), (-0.5, "left"), (0.5, "right")])
def test_x_pans(x, louder):
    left, right = wav_render.render(_steady(x, 0.0, 0.0), 120.0, loops=1)
    left_level, right_level = _rms(_between_clicks(left, 120.0)), _rms(_between_clicks(right, 120.0))
    assert (left_level > right_level) == (louder == "left")


def test_centre_is_balanced():
    left, right = wav_render.render(_steady(0.0, 0.0, 0.0), 120.0, loops=1)
    assert _rms(left) == pytest.approx(_rms(right), rel=1e-9)


def test_y_sets_the_pitch_an_octave_each_way():
    counts = {}
    for y in (-1.0, 0.0, 1.0):
        left, _ = wav_render.render(_steady(0.0, y, 1.0), 120.0, loops=1)
        counts[y] = _zero_crossings(_between_clicks(left, 120.0))
    assert counts[0.0] / counts[-1.0] == pytest.approx(2.0, rel=0.1)
    assert counts[1.0] / counts[0.0] == pytest.approx(2.0, rel=0.1)


def test_nearer_is_brighter_and_louder():
    far, _ = wav_render.render(_steady(0.0, 0.0, -1.0), 120.0, loops=1)
    near, _ = wav_render.render(_steady(0.0, 0.0, 1.0), 120.0, loops=1)
    far, near = _between_clicks(far, 120.0), _between_clicks(near, 120.0)

    def brightness(values):
        return _rms(b - a for a, b in zip(values, values[1:])) / _rms(values)

    assert _rms(near) > _rms(far)
    assert brightness(near) > 1.5 * brightness(far)


def _steady_two_beats() -> Loop:
    return Loop("steady", "", 128, 3, tuple([(0.0, -1.0, -1.0)] * 128))


def test_every_beat_clicks_and_loop_starts_click_higher():
    # A still, low and dull point sounds a steady tone far below the clicks, so differencing the
    # signal leaves mostly the clicks: present at every beat, absent between, higher on loop starts.
    bpm = 100.0
    loop = _steady_two_beats()
    left, _ = wav_render.render(loop, bpm, loops=2)
    edges = [b - a for a, b in zip(left, left[1:])]
    frames_per_beat = 60.0 / bpm * wav_render.SAMPLE_RATE_HZ
    window = int(0.01 * wav_render.SAMPLE_RATE_HZ)
    beats = 2 * loop.period_pips // pivolet.PIPS_PER_BEAT
    pitch = {}
    for beat in range(beats):
        start = round(beat * frames_per_beat)
        at_click, between = edges[start:start + window], edges[start + 10 * window:start + 11 * window]
        assert _rms(at_click) > 5 * _rms(between), beat
        pitch[beat] = _zero_crossings(at_click)
    for beat in range(beats):
        loop_start = beat * pivolet.PIPS_PER_BEAT % loop.period_pips == 0
        other = beat + 1 if loop_start else beat - 1
        assert (pitch[beat] > 1.3 * pitch[other]) == loop_start, (beat, pitch)


def test_wav_renders_a_loop_within_full_scale():
    left, right = wav_render.render(_steady(1.0, 1.0, 1.0), 300.0, loops=1)
    assert max(map(abs, left + right)) <= 1.0


# ---- the picture in a real browser ----

@pytest.fixture
def chromium(browser):
    browser.set_window_size(800, 900)
    return browser


@pytest.mark.parametrize("case", ["first 3-D", "shortest loop"])
def test_svg_renders_in_chromium(chromium, outputs, case):
    _, _, svg, _ = outputs[case]
    chromium.get(svg.as_uri())
    assert console_errors(chromium) == []
    assert inked_fraction(chromium.get_screenshot_as_png()) > 0.01


# ---- a recording, drawn as one pass ----

RECORDED_PIPS = 100
RECORDED_FROM = 40


def test_a_recording_is_drawn_as_one_pass_on_the_beats_where_it_was_made(tmp_path):
    # A ramp that climbs a hundredth a pip: were the last row joined back to the first, a jump of
    # 0.99 would show as its fastest step.
    rows = "\n".join(f"{-0.5 + pip / 100},0.25" for pip in range(RECORDED_PIPS))
    path = tmp_path / "ramp.csv"
    path.write_text(f"# bpm=100 start_pip={RECORDED_FROM}\npan,tilt\n{rows}\n", encoding="utf-8")
    finished = run_demo(str(path), "--out", str(tmp_path / "out"))
    assert finished.status == 0, finished.err
    svg = Path(finished.out.split()[0])

    length_line, _, step_line, tempo_line = _figure_lines(svg)
    assert length_line.startswith(f"Length: {RECORDED_PIPS} pips")
    assert step_line == "Largest step: 0.0100 per pip (from pip 0)"
    assert tempo_line.startswith("At 100 BPM: largest speed 1.07 units/s")
    points, _ = _lane_points(svg, "x")
    assert len(points) == RECORDED_PIPS
    assert not _elements(svg, "path")["loop-path"].get("d").endswith("Z")
    # Pips 40 to 139 hold two beats: beat 2 at pip 64, 24 rows in, and beat 3 at pip 128.
    ticks = _elements(svg, "g")["beat-ticks"]
    assert [text.text for text in ticks.iter(SVG + "text")] == ["2", "3"]
    drawn = _path_points(svg)
    for tick, pip in zip(ticks.iter(SVG + "line"), (64, 128)):
        centre = ((float(tick.get("x1")) + float(tick.get("x2"))) / 2, (float(tick.get("y1")) + float(tick.get("y2"))) / 2)
        assert centre == pytest.approx(drawn[pip - RECORDED_FROM], abs=0.02)
