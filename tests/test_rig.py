"""Rigs: phase orders, fixture transforms and the DMX patch, against values worked out by hand."""

from fractions import Fraction

import numpy as np
import pytest

import pivolet
from pivolet_show.show.clock import PipReading
from pivolet_show.show.cues import GroupCue
from pivolet_show.show.dmx.frame import channel_array
from pivolet_show.show.dmx.patch import CHANNELS_OVERLAP, PAST_CHANNEL_512, PAST_LAST_UNIVERSE, Patch, check_patch, patch_in_order
from pivolet_show.show.dmx.profile import CHANNEL_NAMES, LIMITS_BEYOND_TRAVEL, NOT_A_DIMMER, NOT_A_LAYOUT, RANGE_BEYOND_TRAVEL, AxisRange, DmxProfile
from pivolet_show.show.outputs.sacn import UNIVERSES
from pivolet_show.show.fixtures import EVEN_SPREAD_NEEDS_A_LOOP, FixtureOrder, group_fixtures, phase_offsets
from pivolet_show.show.rig import HOLDS_STILL, Rig
from pivolet_show.motion.interpolation import between
from pivolet_show.motion.sources import builtin_source, recording_source
from pivolet_show.show.transform import NOT_AN_AXIS_PAIR, NOT_AXES, Transform

HOUSE = builtin_source("beat_house_classic_surge")  # 512 pips
EUCLID = builtin_source("euclid_2_5")  # 160 pips


@pytest.mark.parametrize("order, count, spread, source, expected", [
    (FixtureOrder.IN_STEP, 4, 32, HOUSE, [0, 0, 0, 0]),
    (FixtureOrder.SPREAD, 4, 32, HOUSE, [0, 32, 64, 96]),
    (FixtureOrder.SPREAD, 3, -10, HOUSE, [0, -10, -20]),
    (FixtureOrder.MIRROR, 5, 16, HOUSE, [0, 16, 32, 16, 0]),
    (FixtureOrder.MIRROR, 6, 16, HOUSE, [0, 16, 32, 32, 16, 0]),
    (FixtureOrder.SPREAD, 8, "even", HOUSE, [0, 16, 32, 48, 64, 80, 96, 112]),  # over its repeat of 128
    (FixtureOrder.SPREAD, 3, "even", EUCLID, [0, 53, 106]),  # 160 / 3 pips, rounded down
    (FixtureOrder.MIRROR, 4, "even", EUCLID, [0, 40, 40, 0]),
    (FixtureOrder.SPREAD, 1, 32, HOUSE, [0]),
])
def test_phase_offsets_follow_the_order(order, count, spread, source, expected):
    assert phase_offsets(order, count, spread, source) == expected


def _recording():
    rows = [[0.1 * i, -0.2 * i] for i in range(4)]
    return recording_source(pivolet.SampledRecording("take", ["pan", "tilt"], rows, 120.0, start_pip=8))


@pytest.mark.parametrize("arguments, message", [
    ((FixtureOrder.SPREAD, 0, 32, HOUSE), "a group needs at least one fixture, not 0"),
    ((FixtureOrder.SPREAD, 70000, 32, HOUSE), "a rig holds at most 65535 fixtures, not 70000"),
    ((FixtureOrder.SPREAD, 2, 1.5, HOUSE), "a spread is a whole number of pips (within the 32-bit range) or 'even', not 1.5"),
    ((FixtureOrder.SPREAD, 2, 2**31, HOUSE), "a spread is a whole number of pips (within the 32-bit range) or 'even', not 2147483648"),
    ((FixtureOrder.SPREAD, 2, "even", _recording()), EVEN_SPREAD_NEEDS_A_LOOP.format(name="take")),
])
def test_impossible_spreads_are_refused(arguments, message):
    with pytest.raises(ValueError) as raised:
        phase_offsets(*arguments)
    assert str(raised.value) == message


def test_an_order_is_known_by_its_name():
    assert FixtureOrder.named("mirror") is FixtureOrder.MIRROR
    with pytest.raises(ValueError, match="'in_step', 'spread', 'mirror'"):
        FixtureOrder.named("random")


@pytest.mark.parametrize("transform, point, expected", [
    (Transform(), (0.5, -0.25, 0.125), (0.5, -0.25, 0.125)),
    (Transform(swap="xy"), (0.5, -0.25, 0.125), (-0.25, 0.5, 0.125)),
    (Transform(swap="zx"), (0.5, -0.25, 0.125), (0.125, -0.25, 0.5)),
    (Transform(invert="xz"), (0.5, -0.25, 0.125), (-0.5, -0.25, -0.125)),
    (Transform(scale=(0.5, 2.0, 0.0)), (0.5, -0.25, 0.125), (0.25, -0.5, 0.0)),
    (Transform(rotate=90), (0.5, -0.25, 0.125), (0.25, 0.5, 0.125)),
    (Transform(rotate=-270), (0.5, -0.25, 0.125), (0.25, 0.5, 0.125)),
    (Transform(rotate=180), (0.5, -0.25, 0.125), (-0.5, 0.25, 0.125)),
    (Transform(offset=(0.25, 0.25, -0.5)), (0.5, -0.25, 0.125), (0.75, 0.0, -0.375)),
    # Every step: swap to (-0.25, 0.5, z), invert y to (-0.25, -0.5), scale by 2 to (-0.5, -1.0),
    # turn a quarter to (1.0, -0.5), then offset by (-0.5, 0.25): (0.5, -0.25).
    (Transform(swap="xy", invert="y", scale=(2.0, 2.0, 1.0), rotate=90, offset=(-0.5, 0.25, 0.0)),
     (0.5, -0.25, 0.125), (0.5, -0.25, 0.125)),
    # Past the edge of the travel, the position holds at it.
    (Transform(scale=(3.0, 3.0, 3.0)), (0.5, -0.5, 0.1), (1.0, -1.0, 0.30000000000000004)),
    (Transform(offset=(0.75, -0.75, 0.0)), (0.5, -0.5, 0.0), (1.0, -1.0, 0.0)),
])
def test_transforms_against_hand_worked_values(transform, point, expected):
    assert transform.apply(point) == expected


def test_a_turn_by_an_odd_angle_is_the_rotation_formula():
    # 30 degrees: x' = x cos - y sin, y' = x sin + y cos.
    x, y, z = Transform(rotate=30).apply((1.0, 0.0, 0.0))
    assert (x, y, z) == pytest.approx((3**0.5 / 2, 0.5, 0.0), abs=1e-15)


@pytest.mark.parametrize("settings, message", [
    ({"swap": "xx"}, NOT_AN_AXIS_PAIR.format(value="xx")),
    ({"swap": "xw"}, NOT_AN_AXIS_PAIR.format(value="xw")),
    ({"swap": "xyz"}, NOT_AN_AXIS_PAIR.format(value="xyz")),
    ({"invert": "q"}, NOT_AXES.format(value="q")),
    ({"invert": "xx"}, NOT_AXES.format(value="xx")),
    ({"scale": (1.0, float("nan"), 1.0)}, "the scale of y must be a finite number, not nan"),
    ({"rotate": float("inf")}, "the rotation must be a finite number, not inf"),
    ({"offset": (0.0, 0.0, "1")}, "the offset of z must be a finite number, not '1'"),
])
def test_impossible_transforms_are_refused(settings, message):
    with pytest.raises(ValueError) as raised:
        Transform(**settings)
    assert str(raised.value) == message


def test_a_rig_plays_each_fixture_at_its_own_pip_through_its_own_transform():
    transforms = [Transform(), Transform(invert="x"), Transform(rotate=90)]
    rig = Rig(group_fixtures(HOUSE, 3, order=FixtureOrder.SPREAD, spread=100, transforms=transforms))
    states = rig.states(PipReading(50, 0.75))
    assert [state.pip for state in states] == [50, -50, -150]
    x, y, z = pivolet.sample("beat_house_classic_surge", 50).as_tuple()
    assert states[0].position == (x, y, z)
    x, y, z = pivolet.sample("beat_house_classic_surge", -50).as_tuple()
    assert states[1].position == (-x, y, z)
    x, y, z = pivolet.sample("beat_house_classic_surge", -150).as_tuple()
    assert states[2].position == (-y, x, z)
    assert [state.number for state in rig.states(PipReading(0, 0.0), [3, 1])] == [3, 1]


def test_interpolation_moves_between_pips_in_proportion():
    rig = Rig(group_fixtures(HOUSE, 1), interpolate=True)
    here = pivolet.sample("beat_house_classic_surge", 511).as_tuple()
    there = pivolet.sample("beat_house_classic_surge", 512).as_tuple()  # the loop's first pip again
    (state,) = rig.states(PipReading(511, 0.25))
    assert state.position == tuple(a + (b - a) * 0.25 for a, b in zip(here, there))
    (state,) = rig.states(PipReading(511, 0.0))
    assert state.position == here


@pytest.mark.parametrize("ratio, fraction, own, towards", [
    ("2", 0.25, 20, 0.5), ("2", 0.75, 21, 0.5), ("1/4", 0.5, 2, 0.625), ("3", 0.0, 30, 0.0),
])
def test_interpolation_moves_at_the_groups_own_speed(ratio, fraction, own, towards):
    # The group plays from pip 100 at the ratio, from its own pip 0: ten pips on, and the fraction.
    rig = Rig(group_fixtures(HOUSE, 1), interpolate=True)
    rig.timeline.launch("1", GroupCue(HOUSE, speed=Fraction(ratio)), 100, 1)
    (state,) = rig.states(PipReading(110, fraction))
    assert state.position == between(HOUSE.position(own), HOUSE.position(own + 1), towards)


@pytest.mark.parametrize("source", [HOUSE, _recording()])
@pytest.mark.parametrize("interpolate", [False, True])
def test_a_rig_plays_what_the_one_fixture_formulas_give_bit_for_bit(source, interpolate):
    # Phases on both sides of a recording's span and across a loop's wrap, some fixtures transformed.
    transforms = [Transform(), Transform(rotate=30, scale=(1.5, 0.5, 1.0)), Transform(invert="xz", offset=(0.25, 0, -0.5)),
                  Transform(), Transform(swap="yz", rotate=-90)] * 3
    phases = [-700, -9, -3, 0, 1, 2, 3, 4, 7, 11, 12, 300, 511, 512, 2**31 - 1]
    rig = Rig(group_fixtures(source, len(phases), transforms=transforms, phases=phases), interpolate=interpolate)
    for pip, fraction in [(0, 0.0), (9, 0.5), (10, 0.999), (511, 0.25), (-2**40, 0.75), (2**70 + 3, 0.125)]:
        fraction = fraction if interpolate else 0.0
        expected = []
        for phase, transform in zip(phases, transforms):
            own = pip - phase
            point = source.position(own)
            if interpolate:
                point = between(point, source.position(own + 1), fraction)
            expected.append(point if transform.is_identity else transform.apply(point))
        assert [state.position for state in rig.states(PipReading(pip, fraction))] == expected


def test_a_recording_holds_still_outside_its_span_and_says_so_once():
    notes = []
    rig = Rig(group_fixtures(_recording(), 2, order=FixtureOrder.SPREAD, spread=2), note=notes.append)
    assert [state.position for state in rig.states(PipReading(10, 0.0))] == [(0.2, -0.4, 0.0), (0.0, 0.0, 0.0)]
    assert notes == []
    for pip in (6, 20, 30):
        last = rig.states(PipReading(pip, 0.0))
    assert last[0].position == (0.30000000000000004, -0.6000000000000001, 0.0)
    assert notes == [HOLDS_STILL.format(name="take", first=8, last=11)]


@pytest.mark.parametrize("position, expected", [
    # pan16 = round((x + 1) / 2 * 65535): the whole travel, the middle and the ends.
    ((-1.0, -1.0, 0.0), [0, 0, 0, 0]),
    ((1.0, 1.0, 0.0), [255, 255, 255, 255]),
    ((0.0, 0.0, 0.0), [128, 0, 128, 0]),          # 32767.5 rounds to 32768 = 0x8000
    ((0.5, -0.5, 0.0), [0xBF, 0xFF, 0x40, 0x00]),  # 49151.25 -> 49151, 16383.75 -> 16384
])
def test_the_default_layout_is_16_bit_pan_then_tilt_over_the_whole_travel(position, expected):
    assert DmxProfile().channel_values(position) == expected


@pytest.mark.parametrize("profile, position, expected", [
    # A range of 270 of the 540 degrees of pan: x = 1 reaches three quarters of the travel.
    (DmxProfile(pan=AxisRange("pan", 540, 270)), (1.0, 0.0, 0.0), [0xBF, 0xFF, 128, 0]),
    # Limits of -81 to 45 degrees from the middle of 270 of tilt: y = -1 stops at -81, a fifth of
    # the travel in (13107 = 0x3333), y = 1 at 45, two thirds of the way (43690 = 0xAAAA).
    (DmxProfile(tilt=AxisRange("tilt", 270, None, (-81, 45))), (0.0, -1.0, 0.0), [128, 0, 0x33, 0x33]),
    (DmxProfile(tilt=AxisRange("tilt", 270, None, (-81, 45))), (0.0, 1.0, 0.0), [128, 0, 0xAA, 0xAA]),
    (DmxProfile(layout=("tilt", "pan", "dimmer", "tilt_fine", "pan_fine")), (1.0, -1.0, 0.0), [0, 255, 255, 0, 255]),
    (DmxProfile(layout=("pan", "dimmer"), dimmer=0.5), (0.0, 0.0, 0.0), [128, 128]),
    (DmxProfile(layout=("dimmer",), dimmer="z"), (0.0, 0.0, -1.0), [0]),
    (DmxProfile(layout=("dimmer",), dimmer="z"), (0.0, 0.0, 0.6), [204]),
])
def test_ranges_limits_layouts_and_the_dimmer(profile, position, expected):
    assert profile.channel_values(position) == expected


@pytest.mark.parametrize("profile", [
    DmxProfile(), DmxProfile(pan=AxisRange("pan", 540, 270)), DmxProfile(tilt=AxisRange("tilt", 270, None, (-81, 45))),
    DmxProfile(layout=("tilt", "pan", "dimmer", "tilt_fine", "pan_fine"), dimmer="z"),
])
def test_a_profiles_channels_for_many_positions_at_once_are_its_channel_values_for_each(profile):
    # Halves of a 16-bit step and of an 8-bit one, where rounding to even decides, and the ends.
    edges = [(2 * k + 1) / 65535 - 1 for k in range(0, 65535, 4369)] + [(2 * k + 1) / 255 - 1 for k in range(255)]
    positions = [((k * 0.0137) % 2 - 1, (k * 0.291) % 2 - 1, (k * 0.077) % 2 - 1) for k in range(200)]
    positions += [(value, -value, value) for value in edges + [-1.0, 1.0, 0.0, -0.0]]
    channels = channel_array(profile, np.array(positions))
    assert channels.dtype == np.uint8
    assert channels.tolist() == [profile.channel_values(position) for position in positions]


@pytest.mark.parametrize("layout, dimmer, dark", [
    (("pan", "dimmer"), 1.0, [128, 0]),
    (("dimmer", "dimmer_fine", "tilt"), "z", [0, 0, 128]),
])
def test_a_blackout_puts_8_and_16_bit_dimmers_to_0_and_leaves_the_rest(layout, dimmer, dark):
    profile = DmxProfile(layout=layout, dimmer=dimmer)
    positions = np.array([(0.0, 0.0, 1.0)])
    assert channel_array(profile, positions, dark=True).tolist() == [dark]
    assert channel_array(profile, positions)[0, layout.index("dimmer")] == 255


@pytest.mark.parametrize("build, message", [
    (lambda: AxisRange("pan", 540, 600), RANGE_BEYOND_TRAVEL.format(axis="pan", travel=540, value=600)),
    (lambda: AxisRange("tilt", 270, None, (10, -10)), LIMITS_BEYOND_TRAVEL.format(axis="tilt", half=135, value=(10, -10))),
    (lambda: AxisRange("tilt", 270, None, (-140, 0)), LIMITS_BEYOND_TRAVEL.format(axis="tilt", half=135, value=(-140, 0))),
    (lambda: AxisRange("pan", 0), "the pan travel must be a finite number of degrees above 0, not 0"),
    (lambda: DmxProfile(layout=("pan", "pan")), NOT_A_LAYOUT.format(names=", ".join(CHANNEL_NAMES), value=["pan", "pan"])),
    (lambda: DmxProfile(layout=("zoom",)), NOT_A_LAYOUT.format(names=", ".join(CHANNEL_NAMES), value=["zoom"])),
    (lambda: DmxProfile(dimmer=1.5), NOT_A_DIMMER.format(value=1.5)),
])
def test_impossible_profiles_are_refused(build, message):
    with pytest.raises(ValueError) as raised:
        build()
    assert str(raised.value) == message


def test_fixtures_without_addresses_follow_each_other_into_the_next_universe():
    patches = patch_in_order([(number, None, None, 4) for number in range(1, 131)], UNIVERSES, first_universe=7)
    assert patches[0] == Patch(7, 1) and patches[127] == Patch(7, 509)
    assert patches[128] == Patch(8, 1) and patches[129] == Patch(8, 5)
    # A fixture given a universe or an address keeps it, and the next follows on from there.
    patches = patch_in_order([(1, None, 11, 5), (2, None, None, 5), (3, 3, None, 4), (4, None, 100, 4), (5, None, None, 4)],
                             UNIVERSES)
    assert patches == [Patch(1, 11), Patch(1, 16), Patch(3, 1), Patch(3, 100), Patch(3, 104)]
    with pytest.raises(ValueError) as raised:
        patch_in_order([(1, 63999, 510, 4), (2, None, None, 4)], UNIVERSES)
    assert str(raised.value) == PAST_LAST_UNIVERSE.format(last=63999, number=2)


TOUCHING = [(1, Patch(1, 1), 4), (2, Patch(1, 5), 4), (3, Patch(2, 1), 4), (4, Patch(1, 509), 4)]


@pytest.mark.parametrize("patches, message", [
    (TOUCHING, None),  # fixtures that only touch, or share channels in different universes, are accepted
    ([(1, Patch(1, 509), 5)], PAST_CHANNEL_512.format(number=1, address=509, universe=1, count=5)),
    ([(1, Patch(2, 1), 4), (2, Patch(2, 4), 4)],
     CHANNELS_OVERLAP.format(number=2, universe=2, first=4, last=7, other=1, other_first=1, other_last=4)),
    ([(1, Patch(1, 10), 4), (2, Patch(1, 1), 10)],
     CHANNELS_OVERLAP.format(number=2, universe=1, first=1, last=10, other=1, other_first=10, other_last=13)),
    # One channel to the left and the touching fixtures overlap.
    (TOUCHING[:1] + [(2, Patch(1, 4), 4)], CHANNELS_OVERLAP.format(number=2, universe=1, first=4, last=7, other=1,
                                                                   other_first=1, other_last=4)),
])
def test_a_patch_is_refused_exactly_when_channels_collide_or_pass_512(patches, message):
    if message is None:
        assert check_patch(patches) is None
        return
    with pytest.raises(ValueError) as raised:
        check_patch(patches)
    assert str(raised.value) == message
