"""One DMX mode of a fixture type, as a profile file describes it: its channels in slot order with
their names and starting values, which of them are pan, tilt and the dimmer, the head's pan and
tilt range in its own degrees, and how fast it turns where the file says so."""

from __future__ import annotations

import dataclasses
from collections.abc import Iterable

from pivolet_show.checks import suggestion

NO_SUCH_CHANNEL = "{mode!r} of {name} has no channel named {channel!r}"


def full_scale(width: int) -> int:
    """The highest value of a channel `width` bytes wide: 255, 65535, ..."""
    return 256**width - 1


@dataclasses.dataclass(frozen=True)
class Channel:
    """A channel of a mode: its name, its slots from 0 within the fixture (most significant byte
    first: a 16-bit channel has two), and the value it starts at, at its own width."""

    name: str
    offsets: tuple[int, ...]
    default: int = 0

    def bytes_of(self, value: int) -> list[int]:
        """`value` (at the channel's width) as the bytes of its slots, in the order of `offsets`."""
        width = len(self.offsets)
        return [(value >> (8 * (width - 1 - k))) & 0xFF for k in range(width)]


@dataclasses.dataclass(frozen=True)
class HeadAxis:
    """Pan or tilt: the coarse slot and the fine one if the mode has it, the head's angles in
    degrees at the lowest and the highest DMX value (None where the file does not say), and the
    fastest it turns in degrees a second (None where the file does not say)."""

    offsets: tuple[int, ...]
    degrees: tuple[float, float] | None = None
    top_speed: float | None = None


@dataclasses.dataclass(frozen=True)
class FixtureType:
    """A mode of a fixture type read from the file `path`."""

    path: str
    name: str
    mode: str
    footprint: int
    channels: tuple[Channel, ...]
    pan: HeadAxis | None = None
    tilt: HeadAxis | None = None
    dimmer: tuple[int, ...] | None = None  # the dimmer's slots, coarse first

    @property
    def label(self) -> str:
        """The type and its mode, as a person names them."""
        return f"{self.name} ({self.mode})"

    def top_speeds(self) -> tuple[float | None, float | None]:
        """The fastest pan and tilt in degrees a second, where the file says."""
        return (None if self.pan is None else self.pan.top_speed, None if self.tilt is None else self.tilt.top_speed)

    def defaults(self) -> bytearray:
        """Every slot of the fixture at its channel's starting value (0 where no channel says)."""
        slots = bytearray(self.footprint)
        for channel in self.channels:
            for offset, value in zip(channel.offsets, channel.bytes_of(channel.default)):
                slots[offset] = value
        return slots

    def channel_named(self, name: str) -> Channel:
        """The channel called `name`, with any mix of upper and lower case; ValueError with close
        names otherwise."""
        folded = name.casefold()
        for channel in self.channels:
            if channel.name.casefold() == folded:
                return channel
        raise ValueError(NO_SUCH_CHANNEL.format(mode=self.mode, name=self.name, channel=name)
                         + suggestion(name, self.names()))

    def names(self) -> Iterable[str]:
        return (channel.name for channel in self.channels)

    def driven_offsets(self) -> frozenset[int]:
        """The slots the motion drives: pan, tilt and the dimmer."""
        driven = [axis.offsets for axis in (self.pan, self.tilt) if axis is not None]
        if self.dimmer is not None:
            driven.append(self.dimmer)
        return frozenset(offset for offsets in driven for offset in offsets)
