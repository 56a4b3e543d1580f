"""A fixture's channels as DMX sees them: which channels it takes in which order, and how a position
becomes 16-bit pan and tilt and an optional dimmer level.

With no range set, x from -1 to 1 covers the whole pan travel, pan16 = round((x + 1) / 2 * 65535),
and y the whole tilt travel alike. A range in degrees narrows that around the middle of the travel,
and limits in degrees (from the middle) keep the head off its end stops.
"""

from __future__ import annotations

import dataclasses
import functools


from pivolet_show.checks import finite_number
from pivolet_show.motion.axes import Point

FULL_16_BIT = 65535
FULL_8_BIT = 255
CHANNEL_NAMES = ("pan", "pan_fine", "tilt", "tilt_fine", "dimmer")
DEFAULT_LAYOUT = ("pan", "pan_fine", "tilt", "tilt_fine")
DIMMER_FROM_Z = "z"
DEFAULT_PAN_TRAVEL = 540.0
DEFAULT_TILT_TRAVEL = 270.0

NOT_A_LAYOUT = "a channel layout lists each of {names} at most once, not {value!r}"
NOT_A_TRAVEL = "the {axis} travel must be a finite number of degrees above 0, not {value!r}"
RANGE_BEYOND_TRAVEL = "the {axis} range must be above 0 and within the travel of {travel:g} degrees, not {value!r}"
LIMITS_BEYOND_TRAVEL = ("the {axis} limits must be two degrees from the middle of the travel, lowest first, "
                        "within -{half:g} to {half:g}, not {value!r}")
NOT_A_DIMMER = "a dimmer is a level from 0 to 1 or 'z' (the depth drives it), not {value!r}"


def _degrees(value: object) -> float | None:
    return finite_number(value)


@dataclasses.dataclass(frozen=True)
class AxisRange:
    """One moving axis of a head: its whole travel in degrees, how much of it the motion spans
    (None: all of it), and the limits it never passes, in degrees from the middle of the travel."""

    axis: str
    travel: float
    span: float | None = None
    limits: tuple[float, float] | None = None

    def __post_init__(self) -> None:
        travel = _degrees(self.travel)
        if travel is None or travel <= 0:
            raise ValueError(NOT_A_TRAVEL.format(axis=self.axis, value=self.travel))
        if self.span is not None:
            span = _degrees(self.span)
            if span is None or not 0 < span <= travel:
                raise ValueError(RANGE_BEYOND_TRAVEL.format(axis=self.axis, travel=travel, value=self.span))
        if self.limits is not None:
            half = travel / 2
            low, high = (_degrees(value) for value in self.limits) if len(self.limits) == 2 else (None, None)
            if low is None or high is None or not -half <= low < high <= half:
                raise ValueError(LIMITS_BEYOND_TRAVEL.format(axis=self.axis, half=half, value=self.limits))

    def coefficients(self) -> tuple[float, float, float]:
        """(scale, lowest, highest): the axis value v in [-1, 1] lands at min(max(v * scale, lowest),
        highest) on the travel, where -1 and 1 are its two ends."""
        scale = 1.0 if self.span is None else self.span / self.travel
        if self.limits is None:
            return scale, -1.0, 1.0
        half = self.travel / 2
        return scale, self.limits[0] / half, self.limits[1] / half


def sixteen_bit(value: float, scale: float, lowest: float, highest: float) -> int:
    """A value in [-1, 1] on the travel, as the 16-bit channel pair reads it (0 and 65535 at the ends)."""
    on_travel = min(max(value * scale, lowest), highest)
    return round((on_travel + 1) / 2 * FULL_16_BIT)


@dataclasses.dataclass(frozen=True)
class DmxProfile:
    """The channels of a fixture in layout order, and what drives them."""

    layout: tuple[str, ...] = DEFAULT_LAYOUT
    pan: AxisRange = AxisRange("pan", DEFAULT_PAN_TRAVEL)
    tilt: AxisRange = AxisRange("tilt", DEFAULT_TILT_TRAVEL)
    dimmer: float | str = 1.0  # a fixed level from 0 to 1, or DIMMER_FROM_Z

    def __post_init__(self) -> None:
        if (not self.layout or len(set(self.layout)) != len(self.layout)
                or any(name not in CHANNEL_NAMES for name in self.layout)):
            raise ValueError(NOT_A_LAYOUT.format(names=", ".join(CHANNEL_NAMES), value=list(self.layout)))
        if self.dimmer != DIMMER_FROM_Z:
            level = _degrees(self.dimmer)
            if level is None or not 0.0 <= level <= 1.0:
                raise ValueError(NOT_A_DIMMER.format(value=self.dimmer))

    @property
    def channel_count(self) -> int:
        return len(self.layout)

    @functools.cached_property
    def encoding(self) -> tuple[tuple[float, float, float], tuple[float, float, float], tuple[int, ...]]:
        """The coefficients of pan and of tilt (see `AxisRange.coefficients`), and the index in
        CHANNEL_NAMES of each channel of the layout, in layout order."""
        return self.pan.coefficients(), self.tilt.coefficients(), tuple(CHANNEL_NAMES.index(name) for name in self.layout)

    def channel_values(self, position: Point) -> list[int]:
        """The fixture's channel values in layout order, for a position in [-1, 1]."""
        x, y, z = position
        pan_coefficients, tilt_coefficients, indices = self.encoding
        pan = sixteen_bit(x, *pan_coefficients)
        tilt = sixteen_bit(y, *tilt_coefficients)
        level = z if isinstance(self.dimmer, str) else self.dimmer * 2 - 1
        # In the order of CHANNEL_NAMES.
        values = (pan >> 8, pan & 0xFF, tilt >> 8, tilt & 0xFF,
                  round((min(max(level, -1.0), 1.0) + 1) / 2 * FULL_8_BIT))
        return [values[index] for index in indices]
