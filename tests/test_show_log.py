"""The show log: a performance on the fake clock, steered through the real control port by python-osc
(cues, masters, a source, refusals, and every clock command, a seek back included), logged; the log
replayed gives the very same datagrams, and rendered offline gives the doubles the live frames
carried as 32-bit floats. Logs that are not one are refused at their line."""

import json
import struct
from fractions import Fraction
from math import ceil

import pytest

from performance_play import at_pip, perform
from show_commands import run_show
from pivolet_show.show.performance_render import recording_csv, render_performance
from pivolet_show.show.show_file import load_rig_file
from pivolet_show.show.show_log import read_log
from pivolet_show.motion.user_files import load

SHOW = """
bpm = 120
fps = 128
launch = "beat"

[[groups]]
name = "wash"
fixtures = 2
spread = "even"
order = "mirror"

[[groups]]
name = "spots"
source = "helix"

[[cues]]
name = "one"
groups.wash = { source = "beat_house_classic_surge", size = 0.5 }

[[cues]]
name = "two"
groups.wash = { source = "bounce", fade = 1 }
groups.spots = { source = "sway", speed = "1/2", restart = false }

[[cues]]
name = "three"
groups.wash = { source = "figure_eight", fade = 2, speed = 2 }
"""
# (pip of the instant, address, arguments): the pips are those of the instants at 120 BPM from pip 0.
SCRIPT = [
    (40, "/pivolet/cue", "two"),
    (70, "/pivolet/group/wash/size", 0.75),
    (90, "/pivolet/group/spots/source", "circle"),
    (100, "/pivolet/cue", "nope"),
    (110, "/pivolet/group/nope/size", 0.5),
    (120, "/pivolet/group/wash/source", "no_such_pattern"),
    (130, "/pivolet/group/wash/speed", "fast"),
    (150, "/pivolet/tempo", 100.0),
    (200, "/pivolet/cue", 3),
    (260, "/pivolet/seek", 20),
    (300, "/pivolet/cue", "two"),
    (330, "/pivolet/nudge", 3.5),
    (360, "/pivolet/hold", 1),
    (380, "/pivolet/group/wash/hold", 0.0),
    (400, "/pivolet/blackout", 1),
    (420, "/pivolet/phase", "bar"),
    (450, "/pivolet/tap", []),
    (578, "/pivolet/tap", []),
]
REFUSED = ["no cue 'nope': the cues are 1 to 3 (one, two, three)",
           "no group 'nope' (groups: wash, spots)",
           "no source named 'no_such_pattern': neither a built-in pattern's name nor a file",
           "a speed is a ratio from 1/64 to 64, as a number or as text such as '1/2', not 'fast'"]


@pytest.fixture(scope="module")
def take(tmp_path_factory):
    """The performance, its log, and the log read back."""
    folder = tmp_path_factory.mktemp("take")
    log = folder / "take.jsonl"
    played = perform(SHOW, folder, [(at_pip(pip), address, value) for pip, address, value in SCRIPT],
                     seconds=Fraction(6), log=log)
    return played, log, read_log(log), folder


def test_every_command_is_logged_in_order_with_its_pip_and_refusals_marked(take):
    _, log, events, _ = take
    lines = [json.loads(line) for line in log.read_text().splitlines()]
    assert lines[0] == {"log": "pivolet show log", "format": 1}
    assert [line["seq"] for line in lines[1:]] == list(range(1, len(SCRIPT) + 1))
    assert [event.command for event in events] == [address.removeprefix("/pivolet/") for _, address, _ in SCRIPT]
    assert [event.refused for event in events if event.refused] == REFUSED
    assert {event.transport for event in events} == {"osc"}
    # Launches on the beat after they arrived; the clock's commands where they arrived, with the
    # clock's new place; a hold on the next pip.
    by_command = {event.command: event for event in events if event.refused is None}
    assert (by_command["group/wash/size"].arrived, by_command["group/wash/size"].pip) == (70, 128)
    hold = by_command["hold"]
    assert by_command["seek"].clock == (20, Fraction(100)) and hold.pip == ceil(hold.arrived) != hold.arrived
    assert all(event.pip is None for event in events if event.refused)


def test_a_replayed_log_sends_the_very_same_datagrams(take, tmp_path):
    played, _, events, _ = take
    replayed = perform(SHOW, tmp_path, seconds=Fraction(6), replay=events)
    assert replayed.notes == []
    assert len(played.datagrams) == 768 and replayed.datagrams == played.datagrams


def test_the_offline_render_is_what_the_live_frames_carried(take):
    played, _, events, folder = take
    rows = render_performance(load_rig_file(folder / "show.toml"), events, 0, 700)
    # A pip played twice (after the seek back) is compared as it was played the last time.
    last = {frame[1][0]: frame for frame in played.frames()}
    assert len(last) > 400
    for pip, frame in last.items():
        f32 = [struct.unpack(">f", struct.pack(">f", value))[0] for value in rows[pip]]
        assert [value for number in (1, 2, 3) for value in frame[number][1:]] == f32, pip


def test_a_render_is_a_recording_the_tool_reads_back(take, tmp_path):
    _, _, events, folder = take
    plan = load_rig_file(folder / "show.toml")
    rows = render_performance(plan, events, 100, 164)
    (tmp_path / "take.csv").write_bytes(recording_csv(rows, 3, plan.bpm))
    recording = load(tmp_path / "take.csv")
    assert recording.dimensions == ["f1_x", "f1_y", "f1_z", "f2_x", "f2_y", "f2_z", "f3_x", "f3_y", "f3_z"]
    assert (recording.start_pip, recording.sample_count, recording.bpm) == (100, 64, 120.0)
    assert [list(recording.sample(pip)) for pip in range(100, 164)] == [rows[pip] for pip in range(100, 164)]


HEADER = '{"log": "pivolet show log", "format": 1}\n'
GOOD = '{"seq": 1, "wall": "2026-12-09T12:00:01.250000Z", "transport": "osc", "command": "cue", "values": [2], "arrived": "7/2", "pip": 64}\n'


@pytest.mark.parametrize("text, problem", [
    ('{"log": "a diary"}\n' + GOOD, "not a show log (its first line is not"),
    (HEADER + "{not json\n", "log.jsonl:2: not a JSON object"),
    (HEADER + GOOD.replace('"pip"', '"pips"'), "log.jsonl:2: unknown key pips"),
    (HEADER + GOOD.replace('"7/2"', '"seven"'), "log.jsonl:2: arrived is not an exact pip such as '1027/2': 'seven'"),
    (HEADER + GOOD + GOOD, "log.jsonl:3: seq 1 follows seq 1"),
])
def test_a_log_that_is_not_one_is_refused_at_its_line(tmp_path, text, problem):
    (tmp_path / "log.jsonl").write_text(text)
    with pytest.raises(ValueError, match=problem.replace("(", r"\(").replace("[", r"\[")):
        read_log(tmp_path / "log.jsonl")


@pytest.mark.parametrize("arguments, problem", [
    (["play", "--rig", "{show}", "--replay", "{folder}/missing.jsonl"],
     "{folder}/missing.jsonl: cannot read the show log (No such file or directory)"),
    (["play", "--rig", "{show}", "--log", "{folder}/no/such/folder/take.jsonl"],
     "cannot write the show log {folder}/no/such/folder/take.jsonl (No such file or directory)"),
    (["export", "{show}", "--replay", "{log}", "--out", "{folder}/take.csv", "--from-pip", "0"],
     "a performance's render needs --from-pip and --to-pip"),
    (["export", "{show}", "--replay", "{log}", "--out", "{folder}/take.mid", "--from-pip", "0", "--to-pip", "64"],
     "a performance's render is a recording CSV: --out names a .csv file, not {folder}/take.mid"),
    (["export", "{show}", "--replay", "{log}", "--out", "{folder}/take.csv", "--from-pip", "0", "--to-pip", "64",
      "--loops", "2"], "a performance's render is a recording CSV, and takes none of --loops"),
    (["export", "{show}", "--replay", "{log}", "--out", "{folder}/take.csv", "--from-pip", "64", "--to-pip", "64"],
     "the span from pip 64 to pip 64 holds no pip: --to-pip comes after --from-pip"),
    (["export", "bounce", "--out", "{folder}/bounce.csv", "--to-pip", "64"],
     "only a performance's render (--replay LOG) takes --to-pip"),
])
def test_logs_and_renders_that_cannot_be_had_are_refused(take, arguments, problem):
    _, log, _, folder = take
    fields = {"show": folder / "show.toml", "log": log, "folder": folder}
    finished = run_show(*(argument.format(**fields) for argument in arguments))
    assert finished.status == 2 and finished.error == problem.format(**fields)
