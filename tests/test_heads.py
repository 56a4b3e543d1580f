"""Heads in show files: every slot of a head from its fixture type and the values chosen, heads that
aim at points (the beam decoded from the DMX values passes through the point), and the refusals."""

import json
import zipfile
from pathlib import Path

import numpy as np
import pytest

from pivolet_show.show.clock import PipReading
from pivolet_show.show.dmx.frame import DmxFrameLayout
from pivolet_show.show.outputs.sacn import UNIVERSES
from pivolet_show.show.rig import Rig
from pivolet_show.show.show_file import load_rig_file
from show_commands import run_show

HERE = Path(__file__).parent / "fixture_types"
PROGRAM = "python -m pivolet_show"


@pytest.fixture
def folder(tmp_path):
    """A folder holding the hand-written spot as test-spot.gdtf and the wash as test-wash.qxf."""
    with zipfile.ZipFile(tmp_path / "test-spot.gdtf", "w") as archive:
        archive.write(HERE / "test-spot.description.xml", "description.xml")
    (tmp_path / "test-wash.qxf").write_bytes((HERE / "test-wash.qxf").read_bytes())
    return tmp_path


def slots(folder, text, pips=(0,), fraction=0.0):
    """The 512 slots of each universe the show file `text` patches, at each of `pips`."""
    path = folder / "rig.toml"
    path.write_text(text)
    plan = load_rig_file(path)
    numbers = tuple(range(1, len(plan.fixtures) + 1))
    layout = DmxFrameLayout(plan.patches(numbers, UNIVERSES), plan.profiles(numbers))
    rig = Rig(plan.fixtures, interpolate=plan.interpolate)
    frames = [rig.frame(PipReading(pip, fraction)) for pip in pips]
    return plan, [layout.slot_data(frame.positions, frame.aims) for frame in frames]


def test_every_slot_of_a_head_holds_its_starting_value_or_the_value_chosen(folder):
    plan, (frame,) = slots(folder, """
[[groups]]
source = "bounce"
type = "test-spot.gdtf"
mode = "Extended"
set = { shutter1 = 9, color1 = 3 }
fixtures = [{ set = { Zoom = 513, color1 = 4 } }, { address = 21, dimmer = 0.5 }]

[[groups]]
source = "bounce"
universe = 1
address = 41
footprint = 10
set = { "7" = 200 }
""")
    first, second, third = frame[0][:12], frame[0][20:32], frame[0][40:50]
    # The fixture's own values over the group's; a 16-bit value in its two slots; the starting
    # values elsewhere, the gap at slot 11 at 0; pan and tilt driven, the dimmer full or at half.
    assert first[4:].tolist() == [255, 255, 9, 2, 1, 4, 0, 255]
    assert second[4:].tolist() == [128, 0, 9, 128, 128, 3, 0, 255]
    # A head without a type: its four channels, then its footprint's other slots at 0 but the one chosen.
    assert third[4:].tolist() == [0, 0, 200, 0, 0, 0]
    assert plan.patch_requests[0].head == "Pivolet Test Test Spot (Extended)"
    assert plan.patch_requests[0].top_speeds == (pytest.approx(250.0), None)


def random_targets(folder, count, seed):
    rng = np.random.default_rng(seed)
    samples = rng.uniform(-1, 1, (count, 3))
    (folder / "targets.json").write_text(json.dumps({"name": "targets", "samples": samples.tolist()}))
    return samples


STAGE = np.array([[-5.0, 5.0], [-5.0, 5.0], [0.0, 3.0]])
# (type, mode), its pan and tilt slots and the angles at their lowest and highest values.
HEADS = {
    "spot": ('type = "test-spot.gdtf"\nmode = "Extended"', (0, 1), (2, 3), (-270, 270), (135, -135)),
    "wash": ('type = "test-wash.qxf"\nmode = "Presets"', (1, 6), (2, 7), (-270, 270), (-135, 135)),
}
PLACES = [([-6, -6, 7], 0), ([6, -5, 6.5], 90), ([0, 7, 8], -150), ([2, 2, 5], 33.3)]


def decoded_beams(frame, heads):
    """Each head's beam direction as its DMX values say: 16-bit pan and tilt through its angles."""
    beams = []
    for k, (kind, yaw) in enumerate(heads):
        _, pan_slots, tilt_slots, pan_ends, tilt_ends = HEADS[kind]
        start = 20 * k
        row = frame[0].tolist()
        pan, tilt = ((row[start + coarse] << 8 | row[start + fine]) / 65535 for coarse, fine in (pan_slots, tilt_slots))
        pan = np.radians(pan_ends[0] + pan * (pan_ends[1] - pan_ends[0]) + yaw)
        tilt = np.radians(tilt_ends[0] + tilt * (tilt_ends[1] - tilt_ends[0]))
        beams.append([np.sin(tilt) * np.cos(pan), np.sin(tilt) * np.sin(pan), -np.cos(tilt)])
    return np.array(beams)


@pytest.mark.parametrize("kind", sorted(HEADS))
@pytest.mark.parametrize("fraction", [0.0, 0.5])
def test_the_beam_the_dmx_values_describe_passes_within_a_centimetre_of_the_point(folder, kind, fraction):
    samples = random_targets(folder, 64, seed=len(kind) + int(fraction * 10))
    fixtures = ", ".join(f"{{ address = {20 * k + 1}, position = {place}, yaw = {yaw} }}" for k, (place, yaw) in enumerate(PLACES))
    text = f"""interpolate = {str(fraction > 0).lower()}
[[groups]]
source = "targets.json"
aim = true
stage = {STAGE.tolist()}
{HEADS[kind][0]}
fixtures = [{fixtures}]
"""
    _, frames = slots(folder, text, pips=range(64), fraction=fraction)
    heads = [(kind, yaw) for _, yaw in PLACES]
    worst = 0.0
    for pip, frame in enumerate(frames):
        wanted = samples[pip] + (samples[(pip + 1) % 64] - samples[pip]) * fraction
        target = STAGE[:, 0] + (wanted + 1) / 2 * (STAGE[:, 1] - STAGE[:, 0])
        for (place, _), beam in zip(PLACES, decoded_beams(frame, heads)):
            offset = target - np.array(place, dtype=float)
            along = offset @ beam
            assert along > 0
            worst = max(worst, float(np.linalg.norm(offset - along * beam)))
    assert worst < 0.01


BAD = {
    'type = "test-wash.qxf"\nmode = "Presets"\nset = { shuter = 1 }\n':
        "groups[1]: 'Presets' of Pivolet Test Wash has no channel named 'shuter' (did you mean: Shutter?)",
    'type = "test-wash.qxf"\nmode = "Presets"\nset = { "Pan fine" = 1 }\n':
        "groups[1]: Pan fine is driven by the motion; set chooses the channels it does not drive",
    'type = "test-wash.qxf"\nmode = "Presets"\nset = { Shutter = 256 }\n':
        "groups[1]: a value for Shutter is a whole number from 0 to 255, not 256",
    'type = "test-wash.qxf"\nmode = "Presets"\nlayout = ["pan"]\n':
        "groups[1]: layout comes from the fixture type Pivolet Test Wash (Presets); leave it out",
    'type = "test-wash.qxf"\nmode = "Presets"\npan_travel = 600\n':
        "groups[1]: the fixture type Pivolet Test Wash (Presets) gives the pan travel, -270 to 270 degrees; leave out pan_travel",
    'type = "test-wash.qxf"\nmode = "Presets"\ntilt_limits = [-100, 140]\n':
        "groups[1]: the tilt limits must be two of the head's degrees, lowest first, within -135 to 135, not (-100.0, 140.0)",
    'type = "test-wash.qxf"\n':
        "groups[1].type: {folder}/test-wash.qxf: the fixture type has 2 modes; choose one (modes: 'Presets', 'Groups')",
    'type = "test-wash.qxf"\nmode = "Basic"\n':
        "groups[1].type: {folder}/test-wash.qxf: no mode named 'Basic' (modes: 'Presets', 'Groups')",
    'type = "nowhere.gdtf"\n': "groups[1].type: {folder}/nowhere.gdtf: cannot read the fixture type (No such file or directory)",
    'mode = "Basic"\n': "groups[1].mode: mode chooses a mode of a fixture type: name the type's file with type",
    'set = { shutter = 1 }\n':
        "groups[1]: a head without a fixture type has no channel names: choose its slots by number ('7' = 255), not 'shutter'",
    'footprint = 3\n': "groups[1]: a footprint is a whole number of slots from 4 (the layout's) to 512, not 3",
    'set = { "9" = 1 }\n': "groups[1]: slot '9' is not one of the head's slots, 1 to 4",
    'aim = true\n': "groups[1].aim: a group that aims needs its stage = [[x0, x1], [y0, y1], [z0, z1]] in metres",
    'stage = [[0, 1], [0, 1], [0, 1]]\n': "groups[1].stage: stage is the box an aiming group's motion maps onto: set aim = true",
    'aim = true\nstage = [[0, 1], [0, 1], [0, 1]]\n': "groups[1]: a head of a group that aims needs its position = [x, y, z] in metres",
    'aim = true\nstage = [[0, 1], [0, 1], [0, 1]]\nposition = [0, 0, 5]\nlayout = ["pan", "dimmer"]\n':
        "groups[1]: a head that aims needs pan and tilt channels, and its layout has no tilt",
    'pan_speed = 0\n': "groups[1].pan_speed: a top speed is a finite number of degrees a second above 0, not 0",
}


@pytest.mark.parametrize("settings", BAD)
def test_impossible_heads_are_refused_at_their_place(folder, settings):
    path = folder / "rig.toml"
    path.write_text('[[groups]]\nsource = "bounce"\n' + settings)
    finished = run_show("play", "--rig", path)
    assert finished.status == 2
    assert finished.error == f"{path}: " + BAD[settings].format(folder=folder)


@pytest.mark.parametrize("arguments, message", [
    (["--fixture-type", "{folder}/test-wash.qxf"],
     "{folder}/test-wash.qxf: the fixture type has 2 modes; choose one (modes: 'Presets', 'Groups')"),
    (["--fixture-type", "{folder}/rig.toml", "--mode", "M"], "{folder}/rig.toml: a fixture type is a .gdtf or .qxf file"),
    (["--mode", "Presets"], "--mode chooses a mode of the fixture type that --fixture-type names"),
])
def test_a_bad_fixture_type_on_the_command_line_is_one_message(folder, arguments, message):
    finished = run_show("play", "bounce", *(argument.format(folder=folder) for argument in arguments), "--seconds", "0.1")
    assert finished.status == 2
    assert finished.error == message.format(folder=folder)


def test_draw_rig_says_where_heads_cannot_follow(folder):
    path = folder / "rig.toml"
    path.write_text("""bpm = 120
[[groups]]
source = "circle"
aim = true
stage = [[-3, 3], [-3, 3], [0, 0]]
type = "test-spot.gdtf"
mode = "Extended"
fixtures = [{ position = [0, 8, 2], tilt_limits = [-60, 60] }, { position = [0, 0, 6] }]
""")
    finished = run_show("draw", "--rig", path, "--out", folder)
    assert finished.status == 0
    picture, *notes = finished.out.splitlines()
    assert picture == str(folder / "rig.svg") and (folder / "rig.svg").read_text().count('class="head"') == 2
    # The first head, level with the stage's far side and tilting 60 degrees at most, cannot
    # reach it; the second, above the middle, turns once round per loop at 120 BPM, faster than
    # the 250 degrees a second its GDTF file gives.
    assert notes[0].startswith("fixture 1 cannot reach its point at pip ")
    assert [note.split(" at ")[0] for note in notes[1:]] == ["fixture 1 is asked to pan", "fixture 2 is asked to pan"]
