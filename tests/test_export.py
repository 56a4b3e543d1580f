"""The export command: MIDI read back with mido, CSV with the csv module, glTF with pygltflib and with
assimp (a 3-D tool's importer), each against the module's own samples; bad input; whole files only."""

from __future__ import annotations

import base64
import csv
import math
import os
import shutil
import struct
import subprocess
import xml.etree.ElementTree as ElementTree
from collections import defaultdict
from pathlib import Path

import mido
import pygltflib
import pytest

import pivolet
from catalogue_rows import ROWS, pick
from pivolet_show.atomic_file import TEMPORARY_SUFFIX, atomic_output
from pivolet_show.checks import NOT_A_TEMPO
from pivolet_show.motion import user_files
from browser_session import unavailable
from show_commands import run_show

MISSING_ASSIMP = "assimp is needed: run scripts/test-deps.sh"


# Chosen by shape: how many axes move, and a loop that is not a power of two.
BY_DIMENSIONS = {dimensions: pick(lambda row, d=dimensions: row["dimensions"] == d and row["period_pips"] > 64)
                 for dimensions in (1, 2, 3)}
ODD_PERIOD = pick(lambda row: row["period_pips"] & (row["period_pips"] - 1))


def _expected(row: dict, pips) -> list[tuple[float, float, float]]:
    # A loop answers any pip as the pip's place in the loop, also beyond the module's 32-bit pips.
    return [pivolet.sample(row["name"], pip % row["period_pips"]).as_tuple() for pip in pips]


def _recording_file(folder: Path) -> Path:
    lines = ["# bpm=97 beat_zero_seconds=1.5 start_pip=-40", "pan,tilt,zoom,iris"]
    lines += [f"{math.sin(k / 9):.5f},{-k / 400:.5f},{0.25 if k % 30 < 15 else -0.25},0.5" for k in range(150)]
    path = folder / "take.csv"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path


def _export(tmp_path: Path, source: str, suffix: str, *options: object) -> Path:
    out = tmp_path / f"out{suffix}"
    finished = run_show("export", source, "--out", out, *options)
    assert finished.status == 0, finished.err
    assert finished.out.strip() == str(out)
    return out


# ---- MIDI ----

def _receive(track: mido.MidiTrack, ticks_per_pip: int, pip_count: int, fourteen_bit: bool):
    """What a receiver holds on each controller after each pip, and which controllers each pip sent."""
    at_tick: dict[int, list[mido.Message]] = defaultdict(list)
    tick = 0
    for message in track:
        tick += message.time
        if message.type == "control_change":
            assert tick % ticks_per_pip == 0, "an event between pips"
            at_tick[tick].append(message)
    assert max(at_tick) < pip_count * ticks_per_pip
    state: dict[int, int] = {}
    held, sent = [], []
    for pip in range(pip_count):
        controllers = []
        for message in at_tick.get(pip * ticks_per_pip, []):
            controllers.append(message.control)
            if fourteen_bit and message.control >= 32:
                upper = message.control - 32
                state[upper] = (state[upper] & ~0x7F) | message.value
            elif fourteen_bit:
                state[message.control] = message.value << 7  # a new upper part clears the lower
            else:
                state[message.control] = message.value
        held.append(dict(state))
        sent.append(controllers)
    return held, sent


MIDI_CASES = [
    ("3-D, 7-bit", BY_DIMENSIONS[3]["name"], 2, 124.0, 0, []),
    ("1-D", BY_DIMENSIONS[1]["name"], 3, 97.5, -37, []),
    ("2-D, 14-bit", BY_DIMENSIONS[2]["name"], 2, 60.0, 5, ["--fourteen-bit"]),
    ("odd loop, own settings", ODD_PERIOD["name"], 2, 133.0, 1000,
     ["--ticks-per-beat", "192", "--channel", "10", "--cc", "20,21,22"]),
    ("3-D, 14-bit, own controllers", BY_DIMENSIONS[3]["name"], 1, 174.0, 0, ["--fourteen-bit", "--cc", "7,0,31"]),
]


@pytest.mark.parametrize("case, name, loops, bpm, start, options", MIDI_CASES, ids=[case[0] for case in MIDI_CASES])
def test_midi_lanes_hold_the_mapped_samples_at_every_pip(tmp_path, case, name, loops, bpm, start, options):
    out = _export(tmp_path, name, ".mid", "--loops", loops, "--bpm", bpm, "--start-pip", start, *options)
    midi = mido.MidiFile(out)
    ticks_per_beat = int(options[options.index("--ticks-per-beat") + 1]) if "--ticks-per-beat" in options else 960
    channel = int(options[options.index("--channel") + 1]) if "--channel" in options else 1
    controllers = [int(n) for n in options[options.index("--cc") + 1].split(",")] if "--cc" in options else [1, 2, 3]
    fourteen_bit = "--fourteen-bit" in options
    (row,) = [row for row in ROWS if row["name"] == name]
    pip_count = loops * row["period_pips"]
    assert (midi.type, midi.ticks_per_beat, len(midi.tracks)) == (0, ticks_per_beat, 1)
    (track,) = midi.tracks
    (tempo,) = [message.tempo for message in track if message.type == "set_tempo"]
    assert tempo == round(60_000_000 / bpm)
    assert sum(message.time for message in track) == pip_count * ticks_per_beat // 64
    assert track[-1].type == "end_of_track"
    messages = [message for message in track if message.type == "control_change"]
    assert {message.channel for message in messages} == {channel - 1}
    lanes = controllers[:row["dimensions"]]
    assert {message.control for message in messages} == set(lanes) | ({n + 32 for n in lanes} if fourteen_bit else set())

    samples = _expected(row, range(start, start + pip_count))
    scale = 16383 if fourteen_bit else 127
    held, sent = _receive(track, ticks_per_beat // 64, pip_count, fourteen_bit)
    for axis, controller in enumerate(lanes):
        values = [round((position[axis] + 1) / 2 * scale) for position in samples]
        assert [state[controller] for state in held] == values, axis
        for pip, value in enumerate(values):
            changed = pip == 0 or value != values[pip - 1]
            if fourteen_bit:
                upper_changed = pip == 0 or value >> 7 != values[pip - 1] >> 7
                assert sent[pip].count(controller + 32) == changed, pip
                assert sent[pip].count(controller) == upper_changed, pip
            else:
                assert sent[pip].count(controller) == changed, pip


# ---- CSV ----

def _read_csv(path: Path) -> list[dict[str, str]]:
    with path.open(newline="", encoding="ascii") as table:
        reader = csv.DictReader(table)
        assert reader.fieldnames == ["pip", "beat", "seconds", "x", "y", "z"]
        return list(reader)


@pytest.mark.parametrize("row, loops, bpm, start", [
    (BY_DIMENSIONS[3], 2, 133.0, -3),
    (ODD_PERIOD, 3, 61.25, 2**31 - 100),
    (ROWS[0], 1, 120.0, 0),
], ids=lambda value: value["name"] if isinstance(value, dict) else str(value))
def test_csv_holds_every_double_of_the_module(tmp_path, row, loops, bpm, start):
    out = _export(tmp_path, row["name"], ".csv", "--loops", loops, "--bpm", bpm, "--start-pip", start)
    table = _read_csv(out)
    pips = range(start, start + loops * row["period_pips"])
    assert [int(line["pip"]) for line in table] == list(pips)
    for line, pip in zip(table, pips):
        assert float(line["beat"]) == pip / 64
        assert float(line["seconds"]) == pytest.approx((pip - start) / 64 * 60 / bpm, rel=1e-14, abs=1e-300)
        (expected,) = _expected(row, [pip])
        assert tuple(float(line[axis]).hex() for axis in "xyz") == tuple(value.hex() for value in expected), pip


@pytest.mark.parametrize("start", [0, 200, -1])
def test_a_csv_export_read_back_is_an_exact_copy_of_its_builtin(tmp_path, start):
    row = ODD_PERIOD
    out = _export(tmp_path, row["name"], ".csv", "--start-pip", start)
    settings = user_files.FileSettings(name=row["name"], description=row["description"])
    copy = user_files.load(out, settings)
    library = pivolet.PatternLibrary([copy])
    assert library.catalogue() == ROWS  # accepted, and not stored beside the built-in
    assert run_show("draw", out, "--name", row["name"], "--description", row["description"],
                    "--out", tmp_path / "drawn").status == 0


def test_a_one_sample_change_is_refused_with_the_modules_message(tmp_path):
    row = BY_DIMENSIONS[2]
    out = _export(tmp_path, row["name"], ".csv")
    lines = out.read_text(encoding="ascii").splitlines()
    fields = lines[17].split(",")
    fields[4] = repr(math.nextafter(float(fields[4]), 0.0))
    lines[17] = ",".join(fields)
    out.write_text("\n".join(lines) + "\n", encoding="ascii")
    settings = user_files.FileSettings(name=row["name"], description=row["description"])
    with pytest.raises(ValueError) as refused:
        pivolet.PatternLibrary([user_files.load(out, settings)])
    assert str(refused.value) == "Cannot override default pattern: " + row["name"]
    finished = run_show("draw", out, "--name", row["name"], "--description", row["description"], "--out", tmp_path)
    assert finished.status == 2
    assert finished.error == f"{out}: Cannot override default pattern: {row['name']}"


# ---- glTF ----

def float32(value: float) -> float:
    return struct.unpack("<f", struct.pack("<f", value))[0]


def _gltf_data(path: Path) -> tuple[pygltflib.GLTF2, bytes]:
    gltf = pygltflib.GLTF2().load(str(path))
    if path.suffix == ".glb":
        return gltf, gltf.binary_blob()
    (buffer,) = gltf.buffers
    assert buffer.uri.startswith("data:application/octet-stream;base64,")
    return gltf, base64.b64decode(buffer.uri.split(",", 1)[1])


def _accessor_values(gltf: pygltflib.GLTF2, blob: bytes, index: int) -> list[tuple[float, ...]]:
    accessor = gltf.accessors[index]
    view = gltf.bufferViews[accessor.bufferView]
    assert view.byteOffset % 4 == 0 and view.byteOffset + view.byteLength <= gltf.buffers[0].byteLength
    width = {"SCALAR": 1, "VEC3": 3}[accessor.type]
    assert accessor.componentType == pygltflib.FLOAT and view.byteLength == 4 * width * accessor.count
    flat = struct.unpack_from(f"<{width * accessor.count}f", blob, view.byteOffset + accessor.byteOffset)
    return [flat[k:k + width] for k in range(0, len(flat), width)]


def _assimp_keys(path: Path, tmp_path: Path) -> list[tuple[float, tuple[float, float, float]]]:
    """The node's position keys as assimp, the importer of many 3-D tools, reads them: key times in
    milliseconds, positions printed to six decimals."""
    if shutil.which("assimp") is None:
        unavailable(MISSING_ASSIMP)
    dump = tmp_path / "dump.assxml"
    subprocess.run(["assimp", "dump", str(path), str(dump)], check=True, capture_output=True)
    (animation,) = ElementTree.parse(dump).getroot().iter("Animation")
    keys = []
    for key in animation.iter("PositionKey"):
        x, y, z = map(float, key.text.split())
        keys.append((float(key.get("time")) / 1000, (x, y, z)))
    return keys


@pytest.mark.parametrize("suffix", [".gltf", ".glb"])
@pytest.mark.parametrize("row, loops, bpm, start", [(BY_DIMENSIONS[3], 3, 90.0, 5), (ODD_PERIOD, 1, 140.0, -64)],
                         ids=lambda value: value["name"] if isinstance(value, dict) else str(value))
def test_gltf_animates_one_node_through_every_pip(tmp_path, suffix, row, loops, bpm, start):
    out = _export(tmp_path, row["name"], suffix, "--loops", loops, "--bpm", bpm, "--start-pip", start)
    gltf, blob = _gltf_data(out)
    assert gltf.asset.version == "2.0"
    (node,) = gltf.nodes
    assert node.name == row["name"] and gltf.scenes[gltf.scene].nodes == [0]
    (animation,) = gltf.animations
    (channel,) = animation.channels
    assert (channel.target.node, channel.target.path) == (0, "translation")
    sampler = animation.samplers[channel.sampler]
    assert sampler.interpolation == "LINEAR"

    pip_count = loops * row["period_pips"]
    # One key per pip, and one more at the end of the last loop, back at the start.
    samples = _expected(row, range(start, start + pip_count + 1))
    times = [time for (time,) in _accessor_values(gltf, blob, sampler.input)]
    translations = _accessor_values(gltf, blob, sampler.output)
    assert len(times) == len(translations) == gltf.accessors[sampler.input].count == pip_count + 1
    assert times == pytest.approx([k * 60 / (64 * bpm) for k in range(pip_count + 1)], rel=2**-23)
    assert all(earlier < later for earlier, later in zip(times, times[1:]))
    assert translations == [tuple(map(float32, sample)) for sample in samples]
    for index, values in ((sampler.input, [(time,) for time in times]), (sampler.output, translations)):
        accessor = gltf.accessors[index]
        assert accessor.min == [min(column) for column in zip(*values)]
        assert accessor.max == [max(column) for column in zip(*values)]

    keys = _assimp_keys(out, tmp_path)
    assert len(keys) == pip_count + 1
    for (time, position), expected_time, expected in zip(keys, times, translations):
        assert time == pytest.approx(expected_time, rel=1e-6, abs=1e-9)
        assert position == pytest.approx(expected, abs=1e-6)


# ---- recordings ----

def test_a_recordings_export_covers_its_recorded_pips_at_its_own_tempo(tmp_path):
    path = _recording_file(tmp_path)
    recording = user_files.load(path)
    pips = range(-40, 110)
    table = _read_csv(_export(tmp_path, path, ".csv", "--axes", "iris,pan"))
    assert [int(line["pip"]) for line in table] == list(pips)
    assert float(table[-1]["seconds"]) == pytest.approx(149 / 64 * 60 / 97)
    for line, pip in zip(table, pips):
        iris, pan = recording.sample(pip)[3], recording.sample(pip)[0]
        assert (float(line["x"]), float(line["y"]), float(line["z"])) == (iris, pan, 0.0)

    midi = mido.MidiFile(_export(tmp_path, path, ".mid", "--bpm", 120))
    (tempo,) = [message.tempo for message in midi.tracks[0] if message.type == "set_tempo"]
    assert tempo == 500_000
    assert {message.control for message in midi.tracks[0] if message.type == "control_change"} == {1, 2, 3}
    assert sum(message.time for message in midi.tracks[0]) == 150 * 15

    gltf, blob = _gltf_data(_export(tmp_path, path, ".glb"))
    sampler = gltf.animations[0].samplers[0]
    assert gltf.accessors[sampler.input].count == 150  # no closing key: a recording does not loop
    assert gltf.accessors[sampler.input].max == [float32(149 * 60 / (64 * 97))]


# ---- bad input ----

BAD_EXPORTS = [
    (["bounce", "--loops", "0"], "argument --loops: the loops are a whole number of at least 1"),
    (["bounce", "--loops", "two"], "argument --loops: the loops are a whole number of at least 1"),
    (["bounce", "--bpm", "0"], "argument --bpm: " + NOT_A_TEMPO.format(value="0")),
    (["bounce", "--bpm", "-120"], "argument --bpm: " + NOT_A_TEMPO.format(value="-120")),
    (["bounce", "--bpm", "nan"], "argument --bpm: " + NOT_A_TEMPO.format(value="nan")),
    (["no_such_pattern"], "unknown built-in pattern: no_such_pattern"),
    (["bounce", "--name", "mine"],
     "bounce is a built-in pattern, not a file to read with a name, description or tempo"),
    (["bounce", "--axes", "pan"], "axes are chosen for a recording, and bounce is a pattern"),
    (["bounce", "--fourteen-bit", "--format", "csv"], "only a MIDI file takes --fourteen-bit, and {out} is written as csv"),
    (["bounce", "--ticks-per-beat", "100"], "the ticks per beat must be a multiple of 64 from 64 to 32767, not 100"),
    (["bounce", "--ticks-per-beat", "32768"], "the ticks per beat must be a multiple of 64 from 64 to 32767, not 32768"),
    (["bounce", "--channel", "17"], "the MIDI channel is 1 to 16, not 17"),
    (["bounce", "--cc", "1,2,120"], "controller 120 is not one of 0 to 119"),
    (["bounce", "--cc", "1,2,32", "--fourteen-bit"],
     "controller 32 is not one of 0 to 31 (in 14-bit mode each takes the controller 32 above it too)"),
    (["bounce", "--cc", "1,2,1"], "the controllers for x, y and z must differ, not 1, 2, 1"),
    (["bounce", "--cc", "1,2"], "argument --cc: three controller numbers for x, y and z, such as 1,2,3"),
    (["bounce", "--bpm", "3"], "a MIDI file holds tempos of 3.576 to 60000000 BPM, not 3"),
    (["bounce", "--loops", "65537"], "an export holds at most 4194304 pips, and 65537 loops of 64 pips are 4194368"),
    (["{take}", "--loops", "2"], "only a pattern takes --loops: the export of a recording covers its recorded pips, once"),
    (["{take}", "--start-pip", "0", "--loops", "1"],
     "only a pattern takes --loops and --start-pip: the export of a recording covers its recorded pips, once"),
    (["{take}", "--axes", "pan,nope"], "{take}: recording take has no axis named nope; its axes are: pan, tilt, zoom, iris"),
]


@pytest.mark.parametrize("arguments, message", BAD_EXPORTS, ids=[message[:40] for _, message in BAD_EXPORTS])
def test_bad_input_is_one_message_and_exit_status_2_and_writes_nothing(tmp_path, arguments, message):
    take = _recording_file(tmp_path)
    out = tmp_path / "out.mid"
    finished = run_show("export", *[argument.format(take=take) for argument in arguments], "--out", out)
    assert finished.status == 2
    assert finished.error == message.format(out=out, take=take)
    assert sorted(path.name for path in tmp_path.iterdir()) == ["take.csv"]


def test_an_unknown_extension_asks_for_a_format(tmp_path):
    out = tmp_path / "motion.txt"
    finished = run_show("export", "bounce", "--out", out)
    assert finished.status == 2
    assert finished.error == f"cannot tell the format of {out} from its extension: name one with --format (csv, glb, gltf, midi)"
    assert run_show("export", "bounce", "--out", out, "--format", "csv").status == 0
    assert out.read_text(encoding="ascii").startswith("pip,beat,seconds,x,y,z\n")


# ---- whole files only ----

def test_a_failed_export_leaves_the_earlier_file_as_it_was(tmp_path):
    out = tmp_path / "surge.mid"
    out.write_bytes(b"earlier")
    assert run_show("export", "bounce", "--out", out, "--cc", "1,1,1").status == 2
    assert run_show("export", "nonexistent.json", "--out", out).status == 2
    assert out.read_bytes() == b"earlier" and [path.name for path in tmp_path.iterdir()] == ["surge.mid"]


def test_an_output_that_cannot_be_written_leaves_nothing_behind(tmp_path):
    (tmp_path / "taken").mkdir()
    (tmp_path / "taken" / "inside").write_text("kept", encoding="ascii")
    finished = run_show("export", "bounce", "--out", tmp_path / "taken", "--format", "glb")
    assert finished.status == 2
    assert finished.error.startswith(f"cannot write {tmp_path / 'taken'}: ")
    assert sorted(path.name for path in tmp_path.iterdir()) == ["taken"]
    assert (tmp_path / "taken" / "inside").read_text(encoding="ascii") == "kept"


def test_a_write_that_fails_midway_keeps_the_target_and_removes_its_temporary_file(tmp_path):
    target = tmp_path / "table.csv"
    target.write_text("earlier", encoding="ascii")
    with pytest.raises(OSError):
        with atomic_output(target) as out:
            out.write(b"half of it")
            assert [path.name for path in tmp_path.iterdir() if path.name.endswith(TEMPORARY_SUFFIX)]
            raise OSError("disk full")
    assert target.read_text(encoding="ascii") == "earlier"
    assert [path.name for path in tmp_path.iterdir()] == ["table.csv"]


def test_a_written_file_gets_the_mode_a_plain_open_would_give(tmp_path):
    umask = os.umask(0o027)
    try:
        with atomic_output(tmp_path / "new.csv") as out:
            out.write(b"pip\n")
    finally:
        os.umask(umask)
    assert (tmp_path / "new.csv").stat().st_mode & 0o777 == 0o640
