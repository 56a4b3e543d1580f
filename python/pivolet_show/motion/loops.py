"""One loop of a pattern: its listing row with a position for every pip of the loop."""

from __future__ import annotations

import dataclasses
import functools

import pivolet

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR
from pivolet_show.motion.axes import Point, moving_axes


def beats_in(period_pips: int) -> float:
    return period_pips / pivolet.PIPS_PER_BEAT


def shortest_repeat(points: tuple[Point, ...]) -> int:
    """The smallest whole divisor d of the loop's length after which its points repeat exactly
    (point i equals point i + d for every i): the loop's length itself when they never repeat sooner."""
    length = len(points)
    for step in range(1, length):
        if length % step == 0 and points[step:] == points[:-step]:
            return step
    return length


def bars_in(period_pips: int) -> float:
    """Bars of four beats: the common time of the dance-music styles the catalogue studies."""
    return beats_in(period_pips) / DEFAULT_BEATS_PER_BAR


@dataclasses.dataclass(frozen=True)
class Loop:
    """A pattern's listing row together with its positions, one per pip from pip 0.

    Built-ins and user patterns alike: the drawings and figures need nothing more.
    """

    name: str
    description: str
    period_pips: int
    dimensions: int
    points: tuple[Point, ...]

    @property
    def beats(self) -> float:
        return beats_in(self.period_pips)

    @functools.cached_property
    def columns(self) -> tuple[tuple[float, ...], tuple[float, ...], tuple[float, ...]]:
        """The x, y and z values of every pip, one tuple per axis."""
        x, y, z = zip(*self.points)
        return x, y, z

    @functools.cached_property
    def ranges(self) -> tuple[tuple[float, float], tuple[float, float], tuple[float, float]]:
        """The lowest and highest value on each axis."""
        x, y, z = ((min(values), max(values)) for values in self.columns)
        return x, y, z

    @property
    def peak(self) -> tuple[float, float, float]:
        """The largest magnitude on each axis."""
        x, y, z = (max(abs(low), abs(high)) for low, high in self.ranges)
        return x, y, z

    def moving_axes(self) -> tuple[int, ...]:
        """The indexes of the components that take more than one value over the loop."""
        return moving_axes(self.columns)

    def at(self, pip: int) -> Point:
        return self.points[pip % self.period_pips]
