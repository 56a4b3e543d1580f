"""`play` before it plays: rig files read into shows, and every bad input refused with one clear
message, exit status 2 and nothing sent."""

import json
import socket
import subprocess
import sys
from fractions import Fraction
from pathlib import Path

import pytest

import pivolet
from pivolet_show.cli import build_parser
from pivolet_show.commands.play import build_plan
from pivolet_show.show.dmx.patch import CHANNELS_OVERLAP, PAST_CHANNEL_512, Patch
from pivolet_show.show.outputs.osc import OscPlan
from pivolet_show.show.outputs.sacn import UNIVERSES, SacnPlan
from pivolet_show.show.show_file import FIXTURE_KEYS, load_rig_file
from pivolet_show.show.transform import Transform
from show_commands import run_show

PROGRAM = "python -m pivolet_show play"


@pytest.fixture
def listeners():
    """An OSC and an sACN receiver on the loopback, to show that nothing reached them."""
    sockets = []
    for _ in range(2):
        udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        udp.bind(("127.0.0.1", 0))
        udp.setblocking(False)
        sockets.append(udp)
    yield [f"127.0.0.1:{udp.getsockname()[1]}" for udp in sockets], sockets
    for udp in sockets:
        udp.close()


def refused(listeners, arguments, message):
    """`play` with `arguments` (and both outputs aimed at the listeners) exits with status 2, says
    `message` on one error line, and sends nothing."""
    (osc, sacn), sockets = listeners
    outputs = [] if "--rig" in arguments else ["--osc", osc, "--sacn", sacn]
    finished = run_show("play", *arguments, *outputs, "--seconds", "0.1")
    assert finished.status == 2
    errors = finished.err.splitlines()
    assert errors[0].startswith("usage: " + PROGRAM)
    assert [line for line in errors if "error:" in line] == [f"{PROGRAM}: error: {message}"]
    for udp in sockets:
        with pytest.raises(BlockingIOError):
            udp.recv(2048)


TEMPO = "the tempo must be a finite positive number of beats per minute, not {!r}"
FRAME_RATE = "the frame rate must be a finite positive number of frames a second, at most 1000, not {!r}"


@pytest.mark.parametrize("arguments, message", [
    (["no_such_pattern"], "unknown built-in pattern: no_such_pattern"),
    (["x" * 5000], "unknown built-in pattern: " + "x" * 5000),
    ([], "name a pattern or recording to play, or give a rig file with --rig"),
    *[(["bounce", "--bpm", value], "argument --bpm: " + TEMPO.format(value)) for value in ("0", "-120", "nan", "inf", "fast")],
    *[(["bounce", "--fps", value], "argument --fps: " + FRAME_RATE.format(value)) for value in ("0", "-1", "inf", "1001")],
    (["bounce", "--seconds", "0"], "argument --seconds: the playing time must be a finite positive number of seconds, not '0'"),
    (["bounce", "--seconds", "nan"], "argument --seconds: the playing time must be a finite positive number of seconds, not 'nan'"),
    *[(["bounce", "--universe", value], f"argument --universe: a universe is a whole number from 0 to 63999, not {shown}")
      for value, shown in (("-1", "-1"), ("64000", "64000"), ("one", "'one'"))],
    # Art-Net numbers a universe 0; sACN does not.
    (["bounce", "--universe", "0"], "sACN carries universes 1 to 63999, not universe 0 of fixture 1"),
    *[(["bounce", "--fixtures", value], f"argument --fixtures: the number of fixtures must be a whole number from 1 to 65535, not {value!r}")
      for value in ("0", "65536", "eight")],
    (["bounce", "--spread", "1.5"], "argument --spread: the spread must be a whole number of pips or 'even', not '1.5'"),
    (["bounce", "--order", "sideways"], "argument --order: a fixture order is one of 'in_step', 'spread', 'mirror', not 'sideways'"),
    (["bounce", "--start-pip", "1.5"], "argument --start-pip: the start pip must be a whole number, not '1.5'"),
    *[(["bounce", "--osc", value], f"argument --osc: --osc must be HOST:PORT with a port from 1 to 65535, not {value!r}")
      for value in ("127.0.0.1", ":9000", "127.0.0.1:0", "127.0.0.1:70000", "127.0.0.1:x")],
    (["bounce", "--sacn", "127.0.0.1:0"], "argument --sacn: --sacn must be HOST:PORT with a port from 1 to 65535, not '127.0.0.1:0'"),
    *[(["bounce", "--sacn", value], "argument --sacn: sACN is sent over IPv4 here, and '::1' is an IPv6 address")
      for value in ("[::1]", "[::1]:5568", "::1")],
    (["bounce", "--osc", "[::1]"], "argument --osc: --osc must be HOST:PORT with a port from 1 to 65535, not '[::1]'"),
    (["bounce", "--osc-prefix", "pivolet"], "argument --osc-prefix: an OSC address prefix is printable ASCII that starts with '/', "
                                            "does not end with '/' and holds none of space # * , ? [ ] { }, not 'pivolet'"),
    (["bounce", "--latency-ms", "-1"], "argument --latency-ms: a latency is a number of milliseconds from 0 to 1000, not '-1'"),
    (["bounce", "--sync", "lnik"], "argument --sync: a sync source is 'link', 'midi' or 'midi:PORT', not 'lnik' (did you mean: link?)"),
    (["bounce", "--link-quantum", "0"], "argument --link-quantum: Link's quantum is a whole number of beats from 1 to 64, not 0"),
    (["bounce", "--sync", "midi", "--link-start-stop"], "--link-start-stop says how to follow Link: it needs the sync source 'link'"),
    *[(["bounce", "--control", value], f"argument --control: --control takes [HOST:]PORT with a port from 0 to 65535, not {value!r}")
      for value in ("localhost:70000", ":9000", "nine")],
])
def test_bad_command_lines_are_refused(listeners, arguments, message):
    refused(listeners, arguments, message)


def write(tmp_path, text, name="rig.toml"):
    path = tmp_path / name
    path.write_text(text)
    return path


GROUP = '[[groups]]\nsource = "bounce"\n'
WASH = '[[groups]]\nname = "wash"\nsource = "bounce"\n'
CUE = '[[cues]]\nname = "a"\n'


@pytest.mark.parametrize("text, problem", [
    ("bpm = 120\n", "groups: a rig file needs at least one entry in [[groups]]"),
    ("bpm = \n" + GROUP, None),  # a TOML syntax error: the parser's own words follow
    ("tempo = 120\n" + GROUP, "the file: unknown key tempo (known keys: bpm, fps, start_pip, seconds, interpolate, "
                              "beats_per_bar, latency_ms, launch, sources, groups, cues, osc, sacn, artnet, sync, control, console)"),
    ('bpm = "fast"\n' + GROUP, "bpm: " + TEMPO.format("fast")),
    ("bmp = 120\n" + GROUP, "the file: unknown key bmp (known keys: bpm, fps, start_pip, seconds, interpolate, "
                            "beats_per_bar, latency_ms, launch, sources, groups, cues, osc, sacn, artnet, sync, control, console) (did you mean: bpm?)"),
    ("fps = 5000\n" + GROUP, "fps: " + FRAME_RATE.format(5000)),
    ("interpolate = 1\n" + GROUP, "interpolate: expected true or false, not 1"),
    ('[[groups]]\nsource = "nowhere"\n', "groups[1].source: no source named 'nowhere': unknown built-in pattern: nowhere"),
    ('[[groups]]\nfixtures = 2\n',
     "groups[1].source: missing: expected text (a group plays a source unless the first cue names one for it)"),
    (GROUP + "fixtures = 0\n", "groups[1].fixtures: a group needs at least one fixture, not 0"),
    *[(GROUP + f"fixtures = {value}\n", "groups[1].fixtures: expected a whole number of fixtures or a list of tables, "
       f"one per fixture, not {shown}") for value, shown in (('"8"', "'8'"), ("8.0", "8.0"), ("true", "True"))],
    (GROUP + "fixtures = 40000\n" + GROUP + "fixtures = [{}]\n" + GROUP + "fixtures = 30000\n",
     "groups[3].fixtures: a rig holds at most 65535 fixtures, not 70001"),
    (GROUP * 4097, "groups: a rig file holds at most 4096 groups, not 4097"),
    ("[sources]\n" + "".join(f's{k} = "bounce"\n' for k in range(1025)) + GROUP,
     "sources: a rig file names at most 1024 sources, not 1025"),
    (GROUP + "phase = 2147483648\n", "groups[1].phase: a number of pips lies from -2147483648 to 2147483647, not 2147483648"),
    ("bpm = " + "[" * 40 + "]" * 40 + "\n" + GROUP, "line 1: arrays, tables and dotted keys nest at most 32 deep here"),
    ("a" + ".b" * 20_000 + " = 1\n" + GROUP, "line 1: arrays, tables and dotted keys nest at most 32 deep here"),
    ('"\\n" = 1\n' + GROUP, "the file: unknown key \\n (known keys: bpm, fps, start_pip, seconds, interpolate, "
                           "beats_per_bar, latency_ms, launch, sources, groups, cues, osc, sacn, artnet, sync, control, console)"),
    (f'bpm = "{"y" * 1000}"\n' + GROUP, "bpm: " + TEMPO.format("y" * 1000)[:400] + " ..."),
    (GROUP + 'spread = "wide"\nfixtures = 2\n',
     "groups[1].spread: a spread is a whole number of pips (within the 32-bit range) or 'even', not 'wide'"),
    (GROUP + 'order = "random"\n', "groups[1].order: a fixture order is one of 'in_step', 'spread', 'mirror', not 'random'"),
    (GROUP + 'fixtures = [{ swap = "xx" }]\n',
     "groups[1].fixtures[1]: an axis swap names two different axes of x, y, z (such as 'xy'), not 'xx'"),
    (GROUP + 'fixtures = [{}, { zoom = 3 }]\n', "groups[1].fixtures[2]: unknown key zoom (known keys: "
     + ", ".join(FIXTURE_KEYS) + ")"),
    (GROUP + "pan_range = 600\n", "groups[1]: the pan range must be above 0 and within the travel of 540 degrees, not 600.0"),
    (GROUP + "scale = [1, 2, 3, 4]\n", "groups[1].scale: expected a number or a list of two or three numbers, not [1, 2, 3, 4]"),
    (GROUP + "universe = 64000\n", "groups[1].universe: a universe is a whole number from 0 to 63999, not 64000"),
    (GROUP + 'universe = 0\n[sacn]\nhost = "127.0.0.1"\n[artnet]\nhost = "127.0.0.1"\n',
     "groups[1]: sACN carries universes 1 to 63999, not universe 0 of fixture 1"),
    (GROUP + 'universe = 32768\n[artnet]\nhost = "127.0.0.1"\n',
     "groups[1]: Art-Net carries universes 0 to 32767, not universe 32768 of fixture 1"),
    (GROUP + "address = 513\n", "groups[1].address: a start address is a whole number from 1 to 512, not 513"),
    ('[sources]\nswing = { source = "bounce", axes = ["x"] }\n' + GROUP,
     "sources.swing.source: axes choose the axes of a recording; bounce is a pattern"),
    (GROUP + "[osc]\nprefix = \"/x\"\n", "osc.target: missing: expected HOST:PORT"),
    (GROUP + '[osc]\ntarget = "127.0.0.1:9"\nfixtures = [1, "2-3"]\n',
     "osc.fixtures: the OSC output names fixture 2, but the rig has fixtures 1 to 1"),
    (GROUP + '[osc]\ntarget = "127.0.0.1:9"\nfixtures = ["3-2"]\n', "osc.fixtures: fixtures are chosen by number or by ranges such as '1-64', not '3-2'"),
    (GROUP + '[osc]\ntarget = "127.0.0.1:9"\nmax_datagram = 10\n', "osc.max_datagram: a datagram size is a whole number of bytes from 64 to 65507, not 10"),
    (GROUP + "[sacn]\npriority = 150\n", "sacn.host: the sACN output needs a host, or multicast = true"),
    (GROUP + '[sacn]\nhost = "127.0.0.1"\nmulticast = true\n', "sacn.multicast: the sACN output sends either to a host or by multicast, not both"),
    (GROUP + '[sacn]\nhost = "127.0.0.1"\npriority = 201\n', "sacn.priority: a priority is a whole number from 0 to 200, not 201"),
    (GROUP + '[sacn]\nhost = "127.0.0.1"\nfps = 60\n', "sacn.fps: sACN sends at most 44 frames a second, not 60"),
    (GROUP + '[sacn]\nhost = "::1"\n', "sacn.host: sACN is sent over IPv4 here, and '::1' is an IPv6 address"),
    (GROUP + f'[sacn]\nhost = "127.0.0.1"\nsource_name = "{"x" * 64}"\n',
     f"sacn.source_name: a source name is text of at most 63 bytes, not '{'x' * 64}'"),
    ("latency_ms = 2000\n" + GROUP, "latency_ms: a latency is a number of milliseconds from 0 to 1000, not 2000"),
    (GROUP + '[osc]\ntarget = "127.0.0.1:9"\nlatency_ms = "soon"\n', "osc.latency_ms: a latency is a number of milliseconds "
                                                                     "from 0 to 1000, not 'soon'"),
    (GROUP + '[sync]\nsource = "midi"\nlink_quantum = 4\n', "sync.link_quantum: link_quantum says how to follow Link: "
                                                           "it needs the sync source 'link'"),
    (GROUP + '[sync]\nsource = "ableton"\n', "sync.source: a sync source is 'link', 'midi' or 'midi:PORT', not 'ableton'"),
    (GROUP + '[[sync]]\nsource = "link"\n[[sync]]\nsource = "midi"\n', "sync: a show follows one sync source, not 2"),
    (GROUP + '[control]\nport = 70000\n', "control.port: the control port must be a port from 0 to 65535, not 70000"),
    ('launch = "sometimes"\n' + GROUP, "launch: a launch is 'now', 'beat', 'bar' or a whole number of bars from 1 to 64, "
                                       "not 'sometimes'"),
    (WASH + WASH, "groups[2].name: the name 'wash' is taken by groups[1]"),
    ('[[groups]]\nname = "a/b"\nsource = "bounce"\n', "groups[1].name: a group's name is 1 to 64 printable ASCII "
     "characters without space / # * , ? [ ] { }, as it goes into OSC addresses, not 'a/b'"),
    (WASH + CUE, "cues[1].groups: a cue names at least one group"),
    (WASH + CUE + "groups = {}\n", "cues[1].groups: a cue names at least one group"),
    (WASH + CUE + "groups.wsh = { size = 0.5 }\n" + CUE,
     "cues[1].groups.wsh: no group named 'wsh' (groups: wash) (did you mean: wash?)"),
    (WASH + CUE + 'groups.wash = { size = 0.5 }\n' + CUE + 'groups.wash = { size = 0.5 }\n',
     "cues[2].name: the name 'a' is taken by cues[1]"),
    (WASH + CUE + 'groups.wash = { speed = "fast" }\n', "cues[1].groups.wash.speed: a speed is a ratio from 1/64 to "
                                                         "64, as a number or as text such as '1/2', not 'fast'"),
    (WASH + CUE + "groups.wash = { fade = 0.3 }\n", "cues[1].groups.wash.fade: a fade lasts a number of beats from 0 "
     "to 1024 that is a whole number of pips (64 to the beat), not 0.3"),
    (WASH + CUE + 'groups.wash = { home = true, source = "circle" }\n',
     "cues[1].groups.wash.home: a group goes home or plays a source, not both"),
    (WASH + CUE + 'groups.wash = { order = "spread", spread = 2.5 }\n',
     "cues[1].groups.wash.spread: a spread is a whole number of pips (within the 32-bit range) or 'even', not 2.5"),
])
def test_malformed_rig_files_are_refused(listeners, tmp_path, text, problem):
    path = write(tmp_path, text)
    if problem is None:
        (line,) = [line for line in run_show("play", "--rig", path).err.splitlines() if "error:" in line]
        assert line.startswith(f"{PROGRAM}: error: {path}: not a valid TOML rig file (")
        return
    refused(listeners, ["--rig", str(path)], f"{path}: {problem}")


@pytest.mark.parametrize("name, text, problem", [
    ("rig.json", '{"groups": [{"source": "bounce"}],}', "not a valid JSON rig file ("),
    ("rig.json", '["bounce"]', "the file: expected a table of settings"),
    ("rig.yaml", "groups: []", "a rig file is .toml or .json"),
    ("missing.toml", None, "cannot read the rig file (No such file or directory)"),
    ("rig.json", '{"groups": ' + "[" * 100_000 + "]" * 100_000 + "}", "line 1: arrays, tables and dotted keys nest at most 32 deep"),
    ("rig.toml", 'a = """[[[\n"""\n' + "x = " + "{ a = " * 40 + "1" + " }" * 40 + "\n",
     "line 3: arrays, tables and dotted keys nest at most 32 deep"),
    ("rig.toml", "# " * (1 << 19) + "\n", f"a show file holds at most {1 << 20} bytes, not {(1 << 20) + 1}"),
    ("rig.toml", "x = 1" + "0" * 5000 + "\n", "not a valid TOML rig file ("),
])
def test_rig_files_that_cannot_be_read(tmp_path, name, text, problem):
    path = tmp_path / name if text is None else write(tmp_path, text, name)
    finished = run_show("play", "--rig", path)
    assert finished.status == 2
    (line,) = [line for line in finished.err.splitlines() if "error:" in line]
    assert line.startswith(f"{PROGRAM}: error: {path}: {problem}")


@pytest.mark.parametrize("settings, place, message", [
    ("fixtures = [{ address = 510 }]", "groups[1].fixtures[1]", PAST_CHANNEL_512.format(number=1, address=510, universe=1, count=4)),
    ("address = 510", "groups[1]", PAST_CHANNEL_512.format(number=1, address=510, universe=1, count=4)),
    ("fixtures = [{ address = 1 }, { address = 4 }]", "groups[1].fixtures[2]",
     CHANNELS_OVERLAP.format(number=2, universe=1, first=4, last=7, other=1, other_first=1, other_last=4)),
    ("fixtures = [" + ", ".join(f"{{ universe = {k} }}" for k in range(1, 1026)) + "]", "groups[1].fixtures[1025]",
     "an output sends at most 1024 universes; fixture 1025 would take one more"),
])
def test_a_patch_that_collides_or_passes_channel_512_sends_nothing(listeners, tmp_path, settings, place, message):
    port = listeners[1][1].getsockname()[1]
    path = write(tmp_path, GROUP + f'{settings}\n[sacn]\nhost = "127.0.0.1"\nport = {port}\n')
    refused(listeners, ["--rig", str(path)], f"{path}: {place}: {message}")


@pytest.mark.parametrize("output", ["osc", "sacn"])
def test_a_source_port_that_cannot_be_bound_sends_nothing(listeners, tmp_path, output):
    taken = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    taken.bind(("0.0.0.0", 0))
    busy = taken.getsockname()[1]
    try:
        (osc, sacn), _ = listeners
        target = f'target = "{osc}"' if output == "osc" else f'host = "127.0.0.1"\nport = {sacn.split(":")[1]}'
        path = write(tmp_path, GROUP + f"[{output}]\n{target}\nsource_port = {busy}\n")
        label = "OSC" if output == "osc" else "sACN"
        refused(listeners, ["--rig", str(path)], f"{path}: {output}: {label}: cannot bind the source port {busy} (Address already in use)")
    finally:
        taken.close()


@pytest.mark.parametrize("arguments, message", [
    (["bounce"], "name a source or give a rig file, not both: the rig file names its sources"),
    (["--axes", "pan"], "--axes describes the one group a command line plays; with --rig, the rig file describes the groups"),
    (["--fixtures", "4"], "--fixtures describes the one group a command line plays; with --rig, the rig file describes the groups"),
    (["--universe", "2"], "--universe describes the one group a command line plays; with --rig, the rig file describes the groups"),
])
def test_group_flags_do_not_mix_with_a_rig_file(listeners, tmp_path, arguments, message):
    refused(listeners, [*arguments, "--rig", str(write(tmp_path, GROUP))], message)


def test_an_osc_prefix_needs_an_osc_output():
    finished = run_show("play", "bounce", "--osc-prefix", "/x", "--seconds", "0.1")
    assert finished.status == 2
    assert finished.err.splitlines()[-1] == f"{PROGRAM}: error: --osc-prefix needs an OSC output (--osc HOST:PORT)"


SHOW = """
bpm = 127.3
fps = 120
start_pip = -64
interpolate = true
beats_per_bar = 3

[sources]
wave = "beat_house_classic_surge"
spin = { source = "circle" }

[[groups]]
source = "wave"
fixtures = 4
order = "mirror"
spread = "even"
universe = 2
address = 11
rotate = 90
layout = ["pan", "tilt", "dimmer"]
dimmer = "z"

[[groups]]
source = "spin"
spread = 8
invert = "y"
fixtures = [
  { address = 101, pan_travel = 630, tilt_range = 90 },
  { swap = "xy", phase = 100 },
  { universe = 4, scale = 0.5, offset = [0.1, -0.1] },
]

[osc]
target = "127.0.0.1:9000"
prefix = "/stage"
fixtures = [7, "1-2"]
fps = 240

[sacn]
host = "127.0.0.1"
priority = 120
source_name = "front of house"
fixtures = ["1-7"]
"""


def test_a_rig_file_describes_the_whole_show(tmp_path):
    plan = load_rig_file(write(tmp_path, SHOW))
    assert (plan.bpm, plan.fps, plan.start_pip, plan.interpolate, plan.beats_per_bar) == (Fraction("127.3"), 120, -64, True, 3)
    assert [fixture.number for fixture in plan.fixtures] == list(range(1, 8))
    assert [fixture.source.name for fixture in plan.fixtures] == ["beat_house_classic_surge"] * 4 + ["circle"] * 3
    # Four fixtures share the 512-pip loop's repeat of 128, mirrored; the second group spreads by 8, one
    # fixture by its own phase.
    assert [fixture.phase for fixture in plan.fixtures] == [0, 32, 32, 0, 0, 100, 16]
    assert {fixture.transform for fixture in plan.fixtures[:4]} == {Transform(rotate=90.0)}
    assert [fixture.transform for fixture in plan.fixtures[4:]] == [
        Transform(invert="y"), Transform(swap="xy", invert="y"),
        Transform(invert="y", scale=(0.5, 0.5, 0.5), offset=(0.1, -0.1, 0.0))]
    requests = plan.patch_requests
    assert [(request.universe, request.address) for request in requests] == [
        (2, 11), (None, None), (None, None), (None, None), (None, 101), (None, None), (4, None)]
    assert requests[0].profile.layout == ("pan", "tilt", "dimmer") and requests[0].profile.dimmer == "z"
    assert (requests[4].profile.pan.travel, requests[4].profile.tilt.span, requests[5].profile.pan.travel) == (630, 90, 540)
    assert plan.patches(range(1, 8), UNIVERSES) == [Patch(2, 11), Patch(2, 14), Patch(2, 17), Patch(2, 20), Patch(2, 101),
                                         Patch(2, 105), Patch(4, 1)]
    assert plan.outputs == (OscPlan("127.0.0.1", 9000, "/stage", fps=240, fixtures=(7, 1, 2)),
                            SacnPlan("127.0.0.1", priority=120, source_name="front of house", fixtures=tuple(range(1, 8))))
    assert plan.fixtures[0].source is plan.fixtures[3].source


def test_groups_that_name_one_source_share_it(tmp_path):
    plan = load_rig_file(write(tmp_path, GROUP * 3 + '[[groups]]\nsource = "circle"\n'))
    first, second, third, fourth = [fixture.source for fixture in plan.fixtures]
    assert first is second is third and fourth is not first


def test_a_json_rig_file_is_the_same_show_as_its_toml(tmp_path):
    show = {"bpm": 90, "groups": [{"source": "helix", "fixtures": 3, "spread": 16, "order": "spread"}]}
    toml = 'bpm = 90\n[[groups]]\nsource = "helix"\nfixtures = 3\nspread = 16\norder = "spread"\n'
    from_json = load_rig_file(write(tmp_path, json.dumps(show), "rig.json"))
    from_toml = load_rig_file(write(tmp_path, toml))
    assert [(f.phase, f.transform) for f in from_json.fixtures] == [(f.phase, f.transform) for f in from_toml.fixtures]
    assert from_json.bpm == from_toml.bpm == 90 and from_json.fixtures[2].phase == 32
    assert from_json.fixtures[0].source.name == "helix"


def test_the_readme_rig_file_is_a_valid_show(tmp_path):
    readme = (Path(__file__).parent.parent / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("## Drive a show"):]
    example = section[section.index("```toml\n") + len("```toml\n"):section.index("```\n", section.index("```toml"))]
    plan = load_rig_file(write(tmp_path, example))
    osc, sacn = plan.outputs
    assert len(plan.fixtures) == 11 and osc.fixtures == tuple(range(1, 9)) and sacn.host == "127.0.0.1"
    patches = plan.patches(range(1, 12), UNIVERSES)
    assert patches[7] == Patch(1, 29) and patches[8:] == [Patch(2, 1), Patch(2, 11), Patch(2, 21)]
    assert [fixture.phase for fixture in plan.fixtures[:8]] == [0, 16, 32, 48, 48, 32, 16, 0]
    assert plan.fixtures[10].phase == 64


@pytest.mark.parametrize("arguments, chosen", [
    (["list", "euclid_5_1"], lambda name: "euclid_5_1" in name),
    (["list", "--family", "rudiments", "roll"], lambda name: name.endswith("_roll") and hasattr(pivolet, name)),
])
def test_list_prints_name_period_dimensions_and_description(arguments, chosen):
    finished = run_show(*arguments)
    rows = [row for row in pivolet.catalogue() if chosen(row["name"])]
    assert finished.status == 0 and len(rows) > 1
    assert [line.split()[0] for line in finished.out.splitlines()] == [row["name"] for row in rows]
    for line, row in zip(finished.out.splitlines(), rows):
        beats = row["period_pips"] / 64
        period = f"{beats:g} beat" + ("" if beats == 1 else "s")
        assert " ".join(line.split()) == f"{row['name']} {period} {row['dimensions']}D {' '.join(row['description'].split())}"


@pytest.mark.parametrize("arguments", [["--help"], ["list", "euclid_5"], ["play", "--help"]])
def test_the_help_and_the_listing_do_not_import_numpy(arguments):
    finished = subprocess.run([sys.executable, "-X", "importtime", "-m", "pivolet_show", *arguments],
                              capture_output=True, text=True, timeout=60)
    assert finished.returncode == 0 and "pivolet_show.cli" in finished.stderr
    assert "numpy" not in finished.stderr


@pytest.mark.parametrize("arguments, status, message", [
    (["list", "bounse"], 1, "no built-in pattern's name holds 'bounse' (did you mean: bounce?)"),
    (["list", "--family", "eucild"], 2, f"{PROGRAM.replace('play', 'list')}: error: unknown family: eucild (did you mean: euclid?)"),
    (["play", "--order", "spred", "bounce"], 2,
     f"{PROGRAM}: error: argument --order: a fixture order is one of 'in_step', 'spread', 'mirror', not 'spred' "
     "(did you mean: spread?)"),
])
def test_an_unknown_name_is_answered_with_what_is_close(arguments, status, message):
    finished = run_show(*arguments)
    assert finished.status == status and finished.err.splitlines()[-1] == message


def test_a_recording_plays_at_its_own_tempo_unless_told_otherwise(tmp_path):
    take = write(tmp_path, "# bpm=97.5\npan,tilt\n0.1,0.2\n0.3,0.4\n", "take.csv")
    parser = build_parser(["play"])
    assert build_plan(parser.parse_args(["play", str(take)])).bpm == Fraction("97.5")
    assert build_plan(parser.parse_args(["play", str(take), "--bpm", "120"])).bpm == 120
    assert build_plan(parser.parse_args(["play", "bounce"])).bpm == 120


def test_with_no_output_play_says_so_and_runs_the_clock_with_a_status_line_a_second():
    # At 1 BPM a pip lasts 0.94 s, so each line reads the same pip however late a busy machine shows it.
    finished = run_show("play", "bounce", "--seconds", "1.5", "--bpm", "1")
    assert finished.status == 0
    assert finished.err.splitlines() == [
        "no output named (--osc, --sacn, --artnet, or a rig file's): nothing is sent, and the clock runs for the status line",
        "pip 0  bar 1.1  1 BPM  late 0", "pip 1  bar 1.1  1 BPM  late 0"]
    assert run_show("play", "bounce", "--seconds", "0.1", "--quiet").err == ""


def test_a_show_file_may_name_several_outputs_of_one_protocol(tmp_path):
    text = GROUP + '[[osc]]\ntarget = "127.0.0.1:9000"\n[[osc]]\ntarget = "127.0.0.1:9001"\nprefix = "/b"\n'
    plan = load_rig_file(write(tmp_path, text))
    assert plan.outputs == (OscPlan("127.0.0.1", 9000), OscPlan("127.0.0.1", 9001, "/b"))
    arguments = build_parser(["play"]).parse_args(["play", "--rig", str(tmp_path / "rig.toml"), "--osc", "127.0.0.1:7"])
    assert build_plan(arguments).outputs == (OscPlan("127.0.0.1", 7), OscPlan("127.0.0.1", 9001, "/b"))
    with pytest.raises(ValueError, match=r"osc\[2\]\.target: missing"):
        load_rig_file(write(tmp_path, GROUP + '[[osc]]\ntarget = "127.0.0.1:9000"\n[[osc]]\nprefix = "/b"\n'))


@pytest.mark.parametrize("flags, sacn_ms", [([], "0"), (["--latency-ms", "30"], "30")])
def test_latency_is_the_shows_unless_an_output_gives_its_own(tmp_path, flags, sacn_ms):
    from pivolet_show.show.outputs import open_outputs

    path = write(tmp_path, GROUP + '[osc]\ntarget = "127.0.0.1:9"\nlatency_ms = 12.5\n[sacn]\nhost = "127.0.0.1"\n'
                                   '[artnet]\nhost = "127.0.0.1"\nlatency_ms = 0.25\n')
    plan = build_plan(build_parser(["play"]).parse_args(["play", "--rig", str(path), *flags]))
    outputs = open_outputs(plan)
    try:
        assert [output.latency_ns for output in outputs] == [int(Fraction(ms) * 10**6) for ms in ("12.5", sacn_ms, "0.25")]
    finally:
        for output in outputs:
            output.close()


def test_a_rig_file_names_its_sync_source_and_control_port_and_the_flags_change_them(tmp_path):
    from pivolet_show.show.inputs.osc_control import ControlPlan
    from pivolet_show.show.inputs.sync import LinkPlan, MidiClockPlan

    path = write(tmp_path, GROUP + '[sync]\nsource = "link"\nlink_quantum = 8\n[control]\nport = 9001\n')
    parser = build_parser(["play"])

    def inputs(*flags):
        return build_plan(parser.parse_args(["play", "--rig", str(path), *flags])).inputs

    assert inputs() == (LinkPlan(8, False), ControlPlan("127.0.0.1", 9001))
    assert inputs("--link-start-stop", "--control", "::1:0") == (LinkPlan(8, True), ControlPlan("::1", 0))
    assert inputs("--sync", "midi:clock") == (MidiClockPlan("clock"), ControlPlan("127.0.0.1", 9001))
