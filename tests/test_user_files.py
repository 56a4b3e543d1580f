"""Pattern and recording files of the user's own: what they become, how draw takes them, and the one
message, naming file and line, for every file that cannot become a pattern or a recording."""

from __future__ import annotations

import json
import wave
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import pytest

import pivolet
from pivolet_show.motion import user_files
from pivolet_show.motion.sources import PatternSource, RecordingSource, resolve_source
from pivolet_show.motion.user_files import FileSettings
from show_commands import run_show

POINTS = [[0.0, 0.5, 0.0], [0.5, 0.0, 0.125], [0.0, -0.5, 0.0], [-0.5, 0.0, -0.125], [1, -1, 0]]


def _write(folder: Path, name: str, text: str | bytes) -> Path:
    path = folder / name
    if isinstance(text, bytes):
        path.write_bytes(text)
    else:
        path.write_text(text, encoding="utf-8")
    return path


def _json(folder: Path, **document) -> Path:
    return _write(folder, "mine.json", json.dumps(document))


def _samples(pattern: pivolet.SampledPattern) -> list[tuple[float, float, float]]:
    return [pattern.sample(pip).as_tuple() for pip in range(pattern.period_pips)]


# ---- patterns ----

def test_a_json_pattern_keeps_its_name_description_and_samples(tmp_path):
    pattern = user_files.load(_json(tmp_path, name="wobble", description="Mine — with a dash ", samples=POINTS))
    assert (pattern.name, pattern.description) == ("wobble", "Mine — with a dash ")
    assert _samples(pattern) == [tuple(map(float, point)) for point in POINTS]


@pytest.mark.parametrize("document, settings, expected", [
    ({"samples": POINTS}, FileSettings(), ("mine", "")),
    ({"name": "wobble", "samples": POINTS}, FileSettings(name="other", description="told"), ("other", "told")),
])
def test_names_and_descriptions_given_win_and_the_file_name_stands_in(tmp_path, document, settings, expected):
    pattern = user_files.load(_json(tmp_path, **document), settings)
    assert (pattern.name, pattern.description) == expected


def test_a_csv_pattern_reads_its_columns_in_any_order_and_with_spaces(tmp_path):
    text = "\ufeffz, x, y\n\n" + "".join(f"{z}, {x}, {y}\n" for x, y, z in POINTS) + "\n"
    pattern = user_files.load(_write(tmp_path, "loop.csv", text), FileSettings(description="d"))
    assert (pattern.name, pattern.description) == ("loop", "d")
    assert _samples(pattern) == [tuple(map(float, point)) for point in POINTS]


def test_a_pip_column_places_each_row_at_its_pip_of_the_loop(tmp_path):
    text = "pip,x,y,z\n" + "".join(f"{pip},{x},{y},{z}\n" for pip, (x, y, z) in zip(range(7, 12), POINTS))
    pattern = user_files.load(_write(tmp_path, "loop.csv", text))
    for pip, point in zip(range(7, 12), POINTS):
        assert pattern.sample(pip).as_tuple() == tuple(map(float, point))


def test_a_pattern_source_from_a_file_draws_and_plays(tmp_path):
    path = _json(tmp_path, name="wobble", description="Mine", samples=POINTS)
    source = resolve_source(str(path))
    assert isinstance(source, PatternSource) and (source.period_pips, source.dimensions) == (5, 3)
    finished = run_show("draw", path, "--out", tmp_path / "out", "--bpm", 150)
    assert finished.status == 0, finished.err
    svg, wav = (Path(line) for line in finished.out.split())
    assert ElementTree.parse(svg).getroot().find("{http://www.w3.org/2000/svg}title").text == "wobble"
    with wave.open(str(wav)) as sound:
        assert sound.getnframes() / sound.getframerate() == pytest.approx(4 * 5 / 64 * 60 / 150, abs=1e-4)


# ---- recordings ----

RECORDING = "# take three, bpm=96.5 beat_zero_seconds=-0.5 name=take_three\npan,tilt,iris\n" + "".join(
    f"{k / 10},{-k / 20},0.25\n" for k in range(8))


def test_a_recording_file_reads_its_axes_tempo_and_origin(tmp_path):
    recording = user_files.load(_write(tmp_path, "t.csv", RECORDING))
    assert (recording.name, recording.dimensions, recording.sample_count) == ("take_three", ["pan", "tilt", "iris"], 8)
    assert (recording.bpm, recording.beat_zero_seconds, recording.start_pip) == (96.5, -0.5, 0)
    assert recording.sample(7) == [0.7, -0.35, 0.25]


@pytest.mark.parametrize("text, settings, expected", [
    (RECORDING, FileSettings(name="other", bpm=140.0, beat_zero_seconds=2.0), ("other", 140.0, 2.0, 0)),
    ("pip,fader\n-3,0.5\n-2,0.25\n", FileSettings(bpm=100.0), ("t", 100.0, 0.0, -3)),
    ("# bpm=100 start_pip=64\nfader\n0.5\n0.25\n", FileSettings(), ("t", 100.0, 0.0, 64)),
    ("# bpm=100 start_pip=-3\npip,beat,fader\n-3,0,0.5\n-2,0,0.25\n", FileSettings(), ("t", 100.0, 0.0, -3)),
])
def test_recording_settings_come_from_the_caller_the_comment_or_the_pips(tmp_path, text, settings, expected):
    recording = user_files.load(_write(tmp_path, "t.csv", text), settings)
    assert (recording.name, recording.bpm, recording.beat_zero_seconds, recording.start_pip) == expected


def test_a_recording_draws_once_at_its_own_tempo(tmp_path):
    path = _write(tmp_path, "t.csv", RECORDING)
    source = resolve_source(str(path), axes=["iris", "pan"])
    assert isinstance(source, RecordingSource) and source.dimensions == 2
    assert source.loop().points[3] == (0.25, 0.3, 0.0)
    finished = run_show("draw", path, "--out", tmp_path / "out")
    assert finished.status == 0, finished.err
    with wave.open(finished.out.split()[1]) as sound:
        assert sound.getnframes() / sound.getframerate() == pytest.approx(8 / 64 * 60 / 96.5, abs=1e-4)


# ---- what cannot be read ----

MODULE_VALUE = "Pattern samples must be finite and within [-1, 1]"
BAD_FILES = [
    # (file name, text, settings, message with {path})
    ("p.txt", "x,y,z\n", FileSettings(), "{path}: a pattern file ends in .json or .csv, a recording file in .csv"),
    ("p.csv", b"x,y,z\n0,0,0\n0.5,0\xff,0\n", FileSettings(), "{path}:3: not UTF-8 text"),
    ("p.csv", "", FileSettings(), "{path}: no header line naming the columns"),
    ("p.json", '{"samples": [[0, 0, 0],\n [0, 0 0]]}', FileSettings(), "{path}:2:8: Expecting ',' delimiter"),
    ("p.json", "[[0, 0, 0]]", FileSettings(),
     "{path}: a pattern file holds one JSON object with the keys name, description and samples"),
    ("p.json", '{"sample": [[0, 0, 0]]}', FileSettings(),
     "{path}: unknown key 'sample'; a pattern file has the keys name, description and samples"),
    ("p.json", '{"name": 7, "samples": [[0, 0, 0]]}', FileSettings(), "{path}: name must be text"),
    ("p.json", '{"name": "p"}', FileSettings(), "{path}: samples must be a list of points [x, y, z]"),
    ("p.json", '{"samples": [[0, 0, 0], [0, 0]]}', FileSettings(), "{path} (sample 1): a point is a list of three numbers [x, y, z]"),
    ("p.json", '{"samples": [[0, true, 0]]}', FileSettings(), "{path} (sample 0): a point is a list of three numbers [x, y, z]"),
    ("p.json", '{"samples": [[0, 0, 0], [0, 0, 0], [0, 1.5, 0]]}', FileSettings(), "{path} (sample 2): " + MODULE_VALUE),
    ("p.json", '{"samples": [[0, 0, NaN]]}', FileSettings(), "{path} (sample 0): " + MODULE_VALUE),
    ("p.json", '{"samples": [[0, 0, 1%s]]}' % ("0" * 400), FileSettings(), "{path} (sample 0): " + MODULE_VALUE),
    ("p.json", '{"name": "Mine", "samples": [[0, 0, 2]]}', FileSettings(), "{path}: Invalid pattern name"),
    ("p.json", '{"samples": []}', FileSettings(), "{path}: A pattern requires 1..65535 samples (one per pip)"),
    ("p.json", '{"samples": [[0, 0, 0]]}', FileSettings(bpm=120.0),
     "{path}: bpm describe a recording, and this file holds a pattern"),
    ("p.csv", "x,y\n0,0\n", FileSettings(),
     "{path}:1: a pattern file has the columns x, y and z (pip, beat and seconds may stand beside them), not x, y; "
     "a recording file says its tempo on a '# bpm=...' line"),
    ("p.csv", "x,y,z,w\n0,0,0,0\n", FileSettings(),
     "{path}:1: a pattern file has the columns x, y and z (pip, beat and seconds may stand beside them), not x, y, z, w; "
     "a recording file says its tempo on a '# bpm=...' line"),
    ("p.csv", "x,y,z,x\n0,0,0,0\n", FileSettings(), "{path}:1: the column x appears twice"),
    ("p.csv", "x,y,z\n0,0,0\n\n0,0\n", FileSettings(), "{path}:4: 2 values where the header names 3 columns"),
    ("p.csv", "x,y,z\n0,0,0\n0,zero,0\n", FileSettings(), "{path}:3: 'zero' is not a number"),
    ("p.csv", "# a comment\nx,y,z\n0,0,0\n0,0,0\n1,-1.0000001,0\n", FileSettings(), "{path}:5: " + MODULE_VALUE),
    ("p.csv", "x,y,z\n", FileSettings(), "{path}: A pattern requires 1..65535 samples (one per pip)"),
    ("p.csv", "# name=Bad\nx,y,z\n0,0,0\n", FileSettings(), "{path}:1: Invalid pattern name"),
    ("p.csv", "pip,x,y,z\n4,0,0,0\n6,0,0,0\n", FileSettings(),
     "{path}:3: pip 6 where pip 5 was due: the pips count up by one from row to row"),
    ("p.csv", "pip,x,y,z\n4.5,0,0,0\n", FileSettings(), "{path}:2: '4.5' is not a whole pip"),
    ("p.csv", "pip,x,y,z\n2147483648,0,0,0\n", FileSettings(),
     "{path}:2: pip 2147483648 lies outside the module's pips, -2147483648 to 2147483647"),
    ("p.csv", "# start_pip=3\nx,y,z\n0,0,0\n", FileSettings(),
     "{path}:1: start_pip describe a recording, and this file holds a pattern"),
    ("r.csv", "# bpm=120 tempo=3\na\n0\n", FileSettings(),
     "{path}:1: unknown setting 'tempo=3'; the settings are name, bpm, beat_zero_seconds, start_pip"),
    ("r.csv", "# bpm=120\n# bpm=121\na\n0\n", FileSettings(), "{path}:2: bpm is set twice"),
    ("r.csv", "# bpm=fast\na\n0\n", FileSettings(), "{path}:1: bpm=fast is not a number"),
    ("r.csv", "# bpm=120 start_pip=one\na\n0\n", FileSettings(), "{path}:1: start_pip=one is not a whole pip"),
    ("r.csv", "# bpm=0\na\n0\n", FileSettings(), "{path}:1: A finite positive BPM and beat origin are required"),
    ("r.csv", "a\n0\n", FileSettings(bpm=-1.0), "{path}: A finite positive BPM and beat origin are required"),
    ("r.csv", "# bpm=1e-308\na\n0\n", FileSettings(), "{path}:1: A finite positive BPM and beat origin are required"),
    ("r.csv", "# name=Take bpm=0\na\n0\n", FileSettings(), "{path}:1: Invalid identifier"),
    ("r.csv", "# bpm=100\n# beat_zero_seconds=inf\na\n0\n", FileSettings(),
     "{path}:2: A finite positive BPM and beat origin are required"),
    ("r.csv", "# bpm=100\npan,Tilt\n0,0\n", FileSettings(), "{path}:2: Invalid identifier"),
    ("r.csv", "# bpm=100\npan,pan\n0,0\n", FileSettings(), "{path}:2: Duplicate axis"),
    ("r.csv", "# bpm=100\npan,tilt\n0,0\n0\n", FileSettings(), "{path}:4: Ragged recording"),
    ("r.csv", "# bpm=100\npan,tilt\n0,0\n1.5,0\n0\n", FileSettings(), "{path}:4: Invalid sample"),
    ("r.csv", "# bpm=100\npan,tilt\n", FileSettings(), "{path}: Empty recording or recording resource limit exceeded"),
    ("r.csv", "# bpm=100 start_pip=2147483647\npan\n0\n", FileSettings(),
     "{path}: Empty recording or recording resource limit exceeded"),
    ("r.csv", "# bpm=100 start_pip=5\npip,pan\n6,0\n", FileSettings(), "{path}:3: the first row is pip 6, but start_pip=5"),
    ("r.csv", "# bpm=100\npan\n0\n", FileSettings(description="mine"), "{path}: a recording has no description"),
]


@pytest.mark.parametrize("file_name, text, settings, message", BAD_FILES, ids=[case[3][8:48] for case in BAD_FILES])
def test_a_file_that_cannot_be_read_is_one_message_naming_file_and_line(tmp_path, file_name, text, settings, message):
    path = _write(tmp_path, file_name, text)
    with pytest.raises(ValueError) as refused:
        user_files.load(path, settings)
    assert str(refused.value) == message.format(path=path)


@pytest.mark.parametrize("make, message", [
    (lambda folder: folder / "missing.json", "{path}: cannot read the file: No such file or directory"),
    (lambda folder: folder, "{path}: a pattern file ends in .json or .csv, a recording file in .csv"),
    (lambda folder: (folder / "d.csv").mkdir() or folder / "d.csv", "{path}: cannot read the file: Is a directory"),
])
def test_paths_that_hold_no_file_to_read(tmp_path, make, message):
    path = make(tmp_path)
    finished = run_show("draw", path, "--out", tmp_path / "out")
    assert finished.status == 2 and finished.error == message.format(path=path)
    assert not (tmp_path / "out").exists()


def test_a_pattern_on_a_builtins_name_must_be_an_exact_copy(tmp_path):
    path = _json(tmp_path, name="bounce", samples=POINTS)
    finished = run_show("draw", path, "--out", tmp_path / "out")
    assert finished.status == 2 and finished.error == f"{path}: Cannot override default pattern: bounce"
    assert sorted(child.name for child in tmp_path.iterdir()) == ["mine.json"]
