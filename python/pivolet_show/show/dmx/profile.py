"""A fixture's channels as DMX sees them: which slots it takes, which of them pan, tilt and the
dimmer drive, the value every other slot holds, and how a position (or an aim) becomes 16-bit pan
and tilt and a dimmer level.

With no range set, x from -1 to 1 covers the whole pan travel, pan16 = round((x + 1) / 2 * 65535),
and y the whole tilt travel alike. A range in degrees narrows that around the middle of the travel,
and limits keep the head off its end stops. Degrees are the head's own: without a fixture type
they count from the middle of the travel; a fixture type may say which angles the lowest and the
highest DMX values reach (from -270 to 270, or from 135 down to -135). A head that aims at a point
gets its pan and tilt in those degrees instead of from x and y.
"""

from __future__ import annotations

import dataclasses
import functools
from typing import Any

from pivolet_show.checks import finite_number
from pivolet_show.motion.axes import Point

FULL_16_BIT = 65535
FULL_8_BIT = 255
CHANNEL_NAMES = ("pan", "pan_fine", "tilt", "tilt_fine", "dimmer", "dimmer_fine")
DEFAULT_LAYOUT = ("pan", "pan_fine", "tilt", "tilt_fine")
DIMMER_FROM_Z = "z"
DEFAULT_PAN_TRAVEL = 540.0
DEFAULT_TILT_TRAVEL = 270.0

NOT_A_LAYOUT = "a channel layout lists each of {names} at most once, not {value!r}"
NOT_A_TRAVEL = "the {axis} travel must be a finite number of degrees above 0, not {value!r}"
RANGE_BEYOND_TRAVEL = "the {axis} range must be above 0 and within the travel of {travel:g} degrees, not {value!r}"
LIMITS_BEYOND_TRAVEL = ("the {axis} limits must be two degrees from the middle of the travel, lowest first, "
                        "within -{half:g} to {half:g}, not {value!r}")
LIMITS_BEYOND_ENDS = ("the {axis} limits must be two of the head's degrees, lowest first, within {low:g} to "
                      "{high:g}, not {value!r}")
NOT_A_DIMMER = "a dimmer is a level from 0 to 1 or 'z' (the depth drives it), not {value!r}"
FIXED_SLOTS_MISMATCH = "a profile's fixed values cover its {count} slots, not {given}"


def _degrees(value: object) -> float | None:
    return finite_number(value)


@dataclasses.dataclass(frozen=True)
class AxisRange:
    """One moving axis of a head: its whole travel in degrees, how much of it the motion spans
    (None: all of it), and the limits it never passes, in the head's degrees. `start` is the angle
    at the lowest DMX value (None: half the travel below 0, so that degrees count from the middle),
    and `rising` whether the angle grows with the DMX value."""

    axis: str
    travel: float
    span: float | None = None
    limits: tuple[float, float] | None = None
    start: float | None = None
    rising: bool = True

    @classmethod
    def between(cls, axis: str, ends: tuple[float, float], span: float | None = None,
                limits: tuple[float, float] | None = None) -> AxisRange:
        """The axis whose lowest and highest DMX values reach the angles `ends`."""
        return cls(axis, abs(ends[1] - ends[0]), span, limits, ends[0], ends[1] > ends[0])

    def __post_init__(self) -> None:
        travel = _degrees(self.travel)
        if travel is None or travel <= 0:
            raise ValueError(NOT_A_TRAVEL.format(axis=self.axis, value=self.travel))
        if self.span is not None:
            span = _degrees(self.span)
            if span is None or not 0 < span <= travel:
                raise ValueError(RANGE_BEYOND_TRAVEL.format(axis=self.axis, travel=travel, value=self.span))
        if self.limits is not None:
            lowest, highest = sorted(self.ends)
            low, high = (_degrees(value) for value in self.limits) if len(self.limits) == 2 else (None, None)
            if low is None or high is None or not lowest <= low < high <= highest:
                message = (LIMITS_BEYOND_TRAVEL.format(axis=self.axis, half=travel / 2, value=self.limits)
                           if self.start is None else
                           LIMITS_BEYOND_ENDS.format(axis=self.axis, low=lowest, high=highest, value=self.limits))
                raise ValueError(message)

    @property
    def ends(self) -> tuple[float, float]:
        """The angles at the lowest and the highest DMX value."""
        first = -self.travel / 2 if self.start is None else self.start
        return first, first + (self.travel if self.rising else -self.travel)

    @property
    def reach(self) -> tuple[float, float]:
        """The lowest and highest angle the head may take: its limits, or its whole travel."""
        return self.limits if self.limits is not None else tuple(sorted(self.ends))  # type: ignore[return-value]

    def coefficients(self) -> tuple[float, float, float]:
        """(scale, lowest, highest): the axis value v in [-1, 1] lands at min(max(v * scale, lowest),
        highest) on the travel, where -1 and 1 are its two ends. The motion turns the head towards
        higher angles as v grows, whichever way its DMX values run."""
        sign = 1.0 if self.rising else -1.0
        scale = sign if self.span is None else sign * self.span / self.travel
        if self.limits is None:
            return scale, -1.0, 1.0
        lowest, highest = sorted(self.on_travel(limit) for limit in self.limits)
        return scale, lowest, highest

    def on_travel(self, degrees: Any) -> Any:
        """An angle as its place on the travel, -1 and 1 at the two ends."""
        first, last = self.ends
        middle, half = (first + last) / 2, (last - first) / 2
        return (degrees - middle) / half


def sixteen_bit(value: float, scale: float, lowest: float, highest: float) -> int:
    """A value in [-1, 1] on the travel, as the 16-bit channel pair reads it (0 and 65535 at the ends)."""
    on_travel = min(max(value * scale, lowest), highest)
    return round((on_travel + 1) / 2 * FULL_16_BIT)


@dataclasses.dataclass(frozen=True)
class DmxProfile:
    """The slots of a fixture in order, and what drives them: `layout` names each slot's channel
    (from CHANNEL_NAMES, each at most once) or holds None for a slot that keeps its `fixed` value
    (all 0 when `fixed` is empty). An `aimed` head takes its pan and tilt from aims in degrees."""

    layout: tuple[str | None, ...] = DEFAULT_LAYOUT
    pan: AxisRange = AxisRange("pan", DEFAULT_PAN_TRAVEL)
    tilt: AxisRange = AxisRange("tilt", DEFAULT_TILT_TRAVEL)
    dimmer: float | str = 1.0  # a fixed level from 0 to 1, or DIMMER_FROM_Z
    fixed: bytes = b""
    aimed: bool = False

    def __post_init__(self) -> None:
        named = [name for name in self.layout if name is not None]
        if (not self.layout or len(set(named)) != len(named) or any(name not in CHANNEL_NAMES for name in named)):
            raise ValueError(NOT_A_LAYOUT.format(names=", ".join(CHANNEL_NAMES), value=list(self.layout)))
        if self.dimmer != DIMMER_FROM_Z:
            level = _degrees(self.dimmer)
            if level is None or not 0.0 <= level <= 1.0:
                raise ValueError(NOT_A_DIMMER.format(value=self.dimmer))
        if self.fixed and len(self.fixed) != len(self.layout):
            raise ValueError(FIXED_SLOTS_MISMATCH.format(count=len(self.layout), given=len(self.fixed)))

    @property
    def channel_count(self) -> int:
        return len(self.layout)

    @functools.cached_property
    def encoding(self) -> tuple[tuple[float, float, float], tuple[float, float, float], tuple[int | None, ...]]:
        """The coefficients of pan and of tilt (see `AxisRange.coefficients`), and the index in
        CHANNEL_NAMES of each slot's channel, in layout order (None for a fixed slot)."""
        return (self.pan.coefficients(), self.tilt.coefficients(),
                tuple(None if name is None else CHANNEL_NAMES.index(name) for name in self.layout))

    def fixed_value(self, slot: int) -> int:
        return self.fixed[slot] if self.fixed else 0

    def channel_values(self, position: Point, aim: tuple[float, float] | None = None) -> list[int]:
        """The fixture's channel values in layout order, for a position in [-1, 1] (and, for an
        aimed head, its pan and tilt in degrees)."""
        x, y, z = position
        pan_coefficients, tilt_coefficients, indices = self.encoding
        if aim is not None:
            x, y = self.pan.on_travel(aim[0]), self.tilt.on_travel(aim[1])
            pan_coefficients = (1.0, *pan_coefficients[1:])
            tilt_coefficients = (1.0, *tilt_coefficients[1:])
        pan = sixteen_bit(x, *pan_coefficients)
        tilt = sixteen_bit(y, *tilt_coefficients)
        level = min(max(z if isinstance(self.dimmer, str) else self.dimmer * 2 - 1, -1.0), 1.0)
        dimmer16 = round((level + 1) / 2 * FULL_16_BIT)
        # In the order of CHANNEL_NAMES; a dimmer without its fine slot is one byte of its own.
        fine_dimmer = 5 in indices
        values = (pan >> 8, pan & 0xFF, tilt >> 8, tilt & 0xFF,
                  dimmer16 >> 8 if fine_dimmer else round((level + 1) / 2 * FULL_8_BIT), dimmer16 & 0xFF)
        return [self.fixed_value(slot) if index is None else values[index] for slot, index in enumerate(indices)]
