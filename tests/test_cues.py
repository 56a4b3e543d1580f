"""Cues played live on the fake clock, launched by python-osc through the real control port, and read
back by a real OSC receiver: launches land on their boundary and never on a pip already sent, fades
follow their formula at every pip (as the 32-bit floats sent, and as exact doubles in the offline
render), speeds keep their phase, and holds, homes and replacements do what they say."""

import struct
from fractions import Fraction
from math import floor
from pathlib import Path

import pytest
from pythonosc.osc_bundle import OscBundle
from sacn.messages.data_packet import DataPacket

import pivolet
from performance_play import at_pip, perform
from pivolet_show.show.clock import Anchor
from pivolet_show.show.launch import boundary, earliest_pip
from pivolet_show.show.performance_render import render_performance
from pivolet_show.show.show_file import load_rig_file
from pivolet_show.show.show_log import read_log

SHOW = """
bpm = 120
fps = 128
launch = {launch}
latency_ms = {latency}

[[groups]]
name = "wash"
fixtures = 2
spread = 16

[[groups]]
name = "spots"
source = "helix"

[[cues]]
name = "one"
groups.wash = {{ source = "circle", size = 0.5 }}

[[cues]]
name = "two"
groups.wash = {{ source = "bounce"{two} }}

[[cues]]
name = "three"
groups.wash = {{ source = "sway"{three} }}
"""
WASH_PHASES = (0, 16)


def f32(value):
    return struct.unpack(">f", struct.pack(">f", value))[0]


def sample(name, pip, size=1.0):
    return tuple(value * size for value in pivolet.sample(name, pip).as_tuple())


def show(launch='"bar"', latency=0, two="", three=""):
    return SHOW.format(launch=launch, latency=latency, two=two, three=three)


@pytest.mark.parametrize("launch, latency, asked, boundary, cue", [
    ('"now"', 0, [(70, "two")], 70, "two"),
    ('"beat"', 0, [(70, 2)], 128, "two"),
    ('"bar"', 0, [(256, "two")], 256, "two"),                 # asked on the boundary: it lands there
    ('"bar"', 0, [(70, "two"), (200, 3)], 256, "three"),      # a second launch before the boundary replaces the first
    ("2", 0, [(70, "two")], 512, "two"),
    ('"now"', 40, [(70, "two")], 76, "two"),                  # 40 ms is 5.12 pips ahead: pip 75 went out already
    ('"beat"', 40, [(124, "two")], 192, "two"),               # pip 128 went out before it was asked for
])
def test_a_launch_lands_on_the_next_boundary_no_output_has_sent(tmp_path, launch, latency, asked, boundary, cue):
    script = [(at_pip(pip), "/pivolet/cue", named) for pip, named in asked]
    played = perform(show(launch, latency), tmp_path, script, seconds=Fraction(5))
    source = {"two": "bounce", "three": "sway"}[cue]
    frames = played.frames()
    assert len(frames) == 640
    for frame in frames:
        pip = frame[1][0]
        for number, phase in zip((1, 2), WASH_PHASES):
            playing = sample("circle", pip - phase, 0.5) if pip < boundary else sample(source, pip - boundary - phase)
            assert frame[number] == (pip - phase, *map(f32, playing)), pip
        assert frame[3] == (pip, *map(f32, sample("helix", pip)))  # a group the cues do not name plays on


SECOND = 10**9
RUNNING = Anchor(0, Fraction(0), Fraction(60))  # 64 pips a second from pip 0 at instant 0


@pytest.mark.parametrize("anchor, at_ns, lookahead_ns, earliest", [
    (RUNNING, SECOND // 2, 0, 32),                   # exactly on pip 32, which no frame can have shown yet
    (RUNNING, SECOND // 2 + 1, 0, 33),               # a nanosecond into pip 32, which a frame may have shown
    (RUNNING, SECOND // 2, 40_000_000, 35),          # 40 ms ahead: pip 34.56
    (Anchor(0, Fraction(32), Fraction(60), held=True), SECOND, 0, 33),
    (Anchor(SECOND, Fraction(10), Fraction(60), waiting=True), 0, 0, 11),
    (Anchor(0, Fraction(0), Fraction(60), ceiling=Fraction(20)), SECOND, 0, 21),
])
def test_a_change_takes_effect_on_the_first_pip_no_output_can_have_sent(anchor, at_ns, lookahead_ns, earliest):
    assert earliest_pip(anchor, at_ns, lookahead_ns) == earliest


@pytest.mark.parametrize("earliest, unit, expected", [(33, 64, 64), (64, 64, 64), (-5, 64, 0), (-70, 64, -64), (7, 1, 7)])
def test_a_boundary_is_the_first_multiple_at_or_after(earliest, unit, expected):
    assert boundary(earliest, unit) == expected


def fade_formula(pip, start, fade_pips, outgoing, incoming):
    weight = (pip - start) / fade_pips
    return tuple(a + (b - a) * weight for a, b in zip(outgoing, incoming))


def test_a_fade_is_its_formula_at_every_pip_sent_and_rendered(tmp_path):
    # Cue two fades in over a beat from pip 128, in phase with the show at twice its speed; the
    # outgoing circle, at half size, goes on advancing through the fade.
    text = show('"beat"', two=", fade = 1, speed = 2, restart = false")
    log = tmp_path / "take.jsonl"
    played = perform(text, tmp_path, [(at_pip(70), "/pivolet/cue", "two")], seconds=Fraction(2), log=log)

    def expected(pip, phase):
        circle = sample("circle", pip - phase, 0.5)
        if pip < 128:
            return circle
        bounce = sample("bounce", 2 * pip - phase)
        return bounce if pip >= 192 else fade_formula(pip, 128, 64, circle, bounce)

    for frame in played.frames():
        pip = frame[1][0]
        for number, phase in zip((1, 2), WASH_PHASES):
            assert frame[number][1:] == tuple(map(f32, expected(pip, phase))), pip
    rows = render_performance(load_rig_file(tmp_path / "show.toml"), read_log(log), 100, 220)
    for pip, row in rows.items():
        assert row[:6] == [*expected(pip, 0), *expected(pip, 16)], pip


def test_a_launch_during_a_fade_fades_from_the_blend_as_it_goes_on(tmp_path):
    # Two fades over two beats from 128, three over one beat from 192: from 192 to 256 the outgoing
    # motion is the blend of one and two, still moving on.
    text = show('"beat"', two=", fade = 2", three=", fade = 1")
    log = tmp_path / "take.jsonl"
    perform(text, tmp_path, [(at_pip(70), "/pivolet/cue", "two"), (at_pip(150), "/pivolet/cue", "three")],
            seconds=Fraction(3), log=log)
    rows = render_performance(load_rig_file(tmp_path / "show.toml"), read_log(log), 120, 300)
    for pip, row in rows.items():
        one, two, three = sample("circle", pip, 0.5), sample("bounce", pip - 128), sample("sway", pip - 192)
        blend = one if pip < 128 else fade_formula(pip, 128, 128, one, two) if pip < 256 else two
        value = blend if pip < 192 else fade_formula(pip, 192, 64, blend, three) if pip < 256 else three
        assert tuple(row[:3]) == value, pip


@pytest.mark.parametrize("ratio", ["1/4", "1/2", "2", "3", "4"])
def test_speeds_keep_the_groups_own_pip_continuous_and_in_phase(tmp_path, ratio):
    # The wash changes speed on bar 2 and back on bar 3, its own pip going on without a jump; cue two,
    # launched on bar 4 without a restart, plays in phase with the show's pip times the ratio.
    speed = Fraction(ratio)
    text = show('"bar"', two=f', speed = "{ratio}", restart = false')
    script = [(at_pip(200), "/pivolet/group/wash/speed", ratio), (at_pip(300), "/pivolet/group/wash/speed", 1.0),
              (at_pip(700), "/pivolet/cue", "two")]
    played = perform(text, tmp_path, script, seconds=Fraction(8))
    own_at_512 = 256 + (512 - 256) * speed  # circle's own pip, 256 at bar 2, at its speed until bar 3
    for frame in played.frames():
        pip = frame[1][0]
        if pip < 256:
            expected = sample("circle", pip, 0.5)
        elif pip < 512:
            expected = sample("circle", floor(256 + (pip - 256) * speed), 0.5)
        elif pip < 768:
            expected = sample("circle", floor(own_at_512 + pip - 512), 0.5)
        else:
            expected = sample("bounce", floor(pip * speed))
        assert frame[1][1:] == tuple(map(f32, expected)), pip


def test_a_cue_replaces_the_waiting_cue_on_every_group_and_masters_wait_with_it(tmp_path):
    # Cue two waits for bar 2 with the spots' source asked for alongside; cue three then replaces
    # two, and the spots' size, asked for before three, still comes on bar 2.
    text = show('"bar"', two=' }\ngroups.spots = { source = "circle"')
    script = [(at_pip(20), "/pivolet/cue", "two"), (at_pip(40), "/pivolet/group/spots/size", 0.25),
              (at_pip(60), "/pivolet/cue", "three")]
    played = perform(text, tmp_path, script, seconds=Fraction(3))
    for frame in played.frames():
        pip = frame[1][0]
        wash = sample("circle", pip, 0.5) if pip < 256 else sample("sway", pip - 256)
        spots = sample("helix", pip, 1.0 if pip < 256 else 0.25)
        assert (frame[1][1:], frame[3][1:]) == (tuple(map(f32, wash)), tuple(map(f32, spots))), pip


def test_hold_freezes_where_the_group_is_and_home_goes_to_the_centre(tmp_path):
    text = show('"beat"').replace('{ source = "bounce" }', "{ home = true, fade = 1 }")
    script = [(at_pip(40), "/pivolet/hold", 1), (at_pip(90), "/pivolet/hold", 0),
              (at_pip(100), "/pivolet/cue", "two")]
    played = perform(text, tmp_path, script, seconds=Fraction(2))
    for frame in played.frames():
        pip = frame[1][0]
        circle = sample("circle", pip, 0.5)
        if 40 <= pip < 90:
            expected = sample("circle", 40, 0.5)
        elif pip >= 128:
            expected = fade_formula(pip, 128, 64, circle, (0.0, 0.0, 0.0)) if pip < 192 else (0.0, 0.0, 0.0)
        else:
            expected = circle
        assert frame[1][1:] == tuple(map(f32, expected)), pip
        assert frame[3][1:] == tuple(map(f32, sample("helix", 40 if 40 <= pip < 90 else pip)))


def test_blackout_sets_every_dimmer_to_0_from_its_pip_and_brings_them_back(tmp_path):
    text = show().replace('spread = 16', 'spread = 16\nlayout = ["pan", "pan_fine", "tilt", "tilt_fine", "dimmer"]\n'
                                         'dimmer = 0.8')
    script = [(at_pip(40), "/pivolet/blackout", 1), (at_pip(80), "/pivolet/blackout", 0.0)]
    played = perform(text, tmp_path, script, seconds=Fraction(1), sacn=True)
    packets = [DataPacket.make_data_packet(raw) for raw in played.sacn_datagrams if raw[18:22] == b"\x00\x00\x00\x04"]
    assert len(packets) == 44
    for k, packet in enumerate(packets):
        pip = k * 128 // 44  # sACN frame k is due at k / 44 s
        dimmers = (packet.dmxData[4], packet.dmxData[9])
        assert dimmers == ((0, 0) if 40 <= pip < 80 else (204, 204)), pip


def test_the_values_format_sends_each_value_from_0_to_1_after_the_bar_beat_phase_and_tempo(tmp_path):
    text = "beats_per_bar = 3\n" + show() + '\n[osc]\ntarget = "127.0.0.1:9"\nformat = "values"\nclock = true\n'
    played = perform(text, tmp_path, seconds=Fraction(1))
    for pip, datagram in enumerate(played.datagrams):
        messages = [(message.address, message.params) for message in OscBundle(datagram)]
        assert messages[0] == ("/pivolet/clock", [pip // 192 + 1, pip % 192 // 64 + 1, f32(pip % 192 / 192), 120.0])
        positions = [sample("circle", pip - phase, 0.5) for phase in WASH_PHASES] + [sample("helix", pip)]
        assert messages[1:] == [(f"/pivolet/{number}/{axis}", [f32((value + 1) / 2)])
                                for number, position in enumerate(positions, start=1)
                                for axis, value in zip("xyz", position)]


def test_the_readmes_gig_is_a_valid_show(tmp_path):
    readme = (Path(__file__).parent.parent / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("### Playing a gig"):]
    example = section[section.index("```toml\n") + len("```toml\n"):section.index("```\n", section.index("```toml"))]
    (tmp_path / "gig.toml").write_text(example)
    plan = load_rig_file(tmp_path / "gig.toml")
    assert [cue.name for cue in plan.cues] == ["verse", "drop", "break"]
    assert [(group.name, group.count) for group in plan.groups] == [("wash", 8), ("spots", 4)]
    # The wash has no source of its own: the first cue's circle lays it out.
    assert {fixture.source.name for fixture in plan.fixtures[:8]} == {"circle"}
