"""A head's DMX profile from what a show says about it: its fixture type (whose slots, starting
values and travel it takes) or its own layout and footprint, the values chosen for the channels
the motion does not drive, its ranges and limits, its dimmer, and whether it aims at a point.

Values are chosen by a channel's name in the fixture type (`shutter = 255`, any case), or by slot
number within the head (`"7" = 255`, for any head). A value is a DMX value at the channel's width:
0 to 255, or 0 to 65535 for a 16-bit channel of a GDTF type.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Mapping

from pivolet_show.show.dmx.patch import CHANNELS_PER_UNIVERSE
from pivolet_show.show.dmx.profile import (DEFAULT_LAYOUT, DEFAULT_PAN_TRAVEL, DEFAULT_TILT_TRAVEL, AxisRange,
                                           DmxProfile)
from pivolet_show.show.fixture_types.model import Channel, FixtureType, HeadAxis, full_scale

ROLES = {"pan": ("pan", "pan_fine"), "tilt": ("tilt", "tilt_fine"), "dimmer": ("dimmer", "dimmer_fine")}

TYPE_GIVES = "{key} comes from the fixture type {type}; leave it out"
TYPE_GIVES_TRAVEL = "the fixture type {type} gives the {axis} travel, {low:g} to {high:g} degrees; leave out {axis}_travel"
NOT_A_FOOTPRINT = "a footprint is a whole number of slots from {least} (the layout's) to 512, not {value!r}"
NO_SUCH_SLOT = "slot {value!r} is not one of the head's slots, 1 to {count}"
NAMES_NEED_A_TYPE = "a head without a fixture type has no channel names: choose its slots by number ('7' = 255), not {name!r}"
DRIVEN = "{name} is driven by the motion; set chooses the channels it does not drive"
NOT_A_VALUE = "a value for {name} is a whole number from 0 to {highest}, not {value!r}"
NEEDS_PAN_AND_TILT = "a head that aims needs pan and tilt channels, and {type} has no {axis}"
NO_DIMMER = "the fixture type {type} has no dimmer for the dimmer setting"


@dataclasses.dataclass(frozen=True)
class HeadSettings:
    """What a show file or the command line says about a head (None: not said)."""

    fixture_type: FixtureType | None = None
    layout: tuple[str, ...] | None = None
    footprint: int | None = None
    pan_travel: float | None = None
    tilt_travel: float | None = None
    pan_range: float | None = None
    tilt_range: float | None = None
    pan_limits: tuple[float, float] | None = None
    tilt_limits: tuple[float, float] | None = None
    dimmer: float | str | None = None
    values: Mapping[str, object] = dataclasses.field(default_factory=dict)
    aimed: bool = False


def _axis(name: str, settings: HeadSettings, known: HeadAxis | None, default_travel: float) -> AxisRange:
    travel = getattr(settings, f"{name}_travel")
    span, limits = getattr(settings, f"{name}_range"), getattr(settings, f"{name}_limits")
    if known is not None and known.degrees is not None and settings.fixture_type is not None:
        if travel is not None:
            low, high = known.degrees
            raise ValueError(TYPE_GIVES_TRAVEL.format(type=settings.fixture_type.label, axis=name, low=low, high=high))
        return AxisRange.between(name, known.degrees, span, limits)
    return AxisRange(name, default_travel if travel is None else travel, span, limits)


def _layout_of(fixture_type: FixtureType) -> tuple[str | None, ...]:
    layout: list[str | None] = [None] * fixture_type.footprint
    slots = {"pan": None if fixture_type.pan is None else fixture_type.pan.offsets,
             "tilt": None if fixture_type.tilt is None else fixture_type.tilt.offsets, "dimmer": fixture_type.dimmer}
    for role, offsets in slots.items():
        for name, offset in zip(ROLES[role], offsets or ()):
            layout[offset] = name
    return tuple(layout)


def _value(value: object, name: str, highest: int) -> int:
    if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= highest:
        raise ValueError(NOT_A_VALUE.format(name=name, highest=highest, value=value))
    return value


def _fixed(settings: HeadSettings, layout: tuple[str | None, ...], start: bytearray) -> bytes:
    """Every slot's value where the motion does not drive it: the starting values, then the values chosen."""
    slots = start
    for key, value in settings.values.items():
        if key.isdigit():
            number = int(key)
            if not 1 <= number <= len(layout):
                raise ValueError(NO_SUCH_SLOT.format(value=key, count=len(layout)))
            channel = Channel(f"slot {number}", (number - 1,))
        elif settings.fixture_type is None:
            raise ValueError(NAMES_NEED_A_TYPE.format(name=key))
        else:
            channel = settings.fixture_type.channel_named(key)
        if any(layout[offset] is not None for offset in channel.offsets):
            raise ValueError(DRIVEN.format(name=key))
        for offset, byte in zip(channel.offsets, channel.bytes_of(_value(value, key, full_scale(len(channel.offsets))))):
            slots[offset] = byte
    return bytes(slots)


def head_profile(settings: HeadSettings) -> DmxProfile:
    """The DMX profile of a head; ValueError saying which setting is wrong."""
    fixture_type = settings.fixture_type
    if fixture_type is not None:
        for key in ("layout", "footprint"):
            if getattr(settings, key) is not None:
                raise ValueError(TYPE_GIVES.format(key=key, type=fixture_type.label))
        layout = _layout_of(fixture_type)
        start = fixture_type.defaults()
        if settings.dimmer is not None and fixture_type.dimmer is None:
            raise ValueError(NO_DIMMER.format(type=fixture_type.label))
    else:
        named = settings.layout or DEFAULT_LAYOUT + (("dimmer",) if settings.dimmer is not None else ())
        footprint = len(named) if settings.footprint is None else settings.footprint
        if isinstance(footprint, bool) or not isinstance(footprint, int) or not len(named) <= footprint <= CHANNELS_PER_UNIVERSE:
            raise ValueError(NOT_A_FOOTPRINT.format(least=len(named), value=settings.footprint))
        layout = tuple(named) + (None,) * (footprint - len(named))
        start = bytearray(footprint)
    if settings.aimed:
        for axis in ("pan", "tilt"):
            if axis not in layout:
                raise ValueError(NEEDS_PAN_AND_TILT.format(type=fixture_type.label if fixture_type else "its layout",
                                                           axis=axis))
    pan = _axis("pan", settings, None if fixture_type is None else fixture_type.pan, DEFAULT_PAN_TRAVEL)
    tilt = _axis("tilt", settings, None if fixture_type is None else fixture_type.tilt, DEFAULT_TILT_TRAVEL)
    fixed = _fixed(settings, layout, start)
    return DmxProfile(layout, pan, tilt, 1.0 if settings.dimmer is None else settings.dimmer,
                      fixed if any(fixed) else b"", settings.aimed)
