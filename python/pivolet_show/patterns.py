"""One loop of a pattern, sampled from the module, and the family each built-in belongs to."""

from __future__ import annotations

import dataclasses
import functools
import itertools
from typing import TYPE_CHECKING

import pivolet

if TYPE_CHECKING:
    # Only the module's type stub names the shape of a listing row; at run time rows are dicts.
    from pivolet import _CatalogueRow as CatalogueRow

# Family prefixes are the first word of a name, except for these, which take two.
TWO_WORD_FAMILIES = ("accent_walk",)
# The analytic rudiments share no prefix; they are gathered under this group instead.
RUDIMENT_GROUP = "rudiments"

UNKNOWN_PATTERN = "unknown built-in pattern: "

# Bars are counted in four beats: the common time of the dance-music styles the catalogue studies.
BEATS_PER_BAR = 4
AXES = ("x", "y", "z")

Point = tuple[float, float, float]


def beats_in(period_pips: int) -> float:
    return period_pips / pivolet.PIPS_PER_BEAT


def bars_in(period_pips: int) -> float:
    return beats_in(period_pips) / BEATS_PER_BAR


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
        return tuple(axis for axis, (low, high) in enumerate(self.ranges) if low != high)

    def at(self, pip: int) -> Point:
        return self.points[pip % self.period_pips]


def builtin_rows() -> list[CatalogueRow]:
    return pivolet.catalogue()


def find_row(name: str) -> CatalogueRow:
    for row in builtin_rows():
        if row["name"] == name:
            return row
    raise KeyError(UNKNOWN_PATTERN + name)


def sample_loop(row: CatalogueRow) -> Loop:
    name = row["name"]
    # map() keeps the million calls of a whole gallery out of Python-level loops.
    points = tuple(map(pivolet.Offset3.as_tuple, map(pivolet.sample, itertools.repeat(name), range(row["period_pips"]))))
    return Loop(name, row["description"], row["period_pips"], row["dimensions"], points)


def load_loop(name: str) -> Loop:
    return sample_loop(find_row(name))


def is_rudiment(name: str) -> bool:
    # Each analytic rudiment is also a module function of its own name; catalogue entries are not.
    return callable(getattr(pivolet, name, None))


def family_of(name: str) -> str:
    if is_rudiment(name):
        return RUDIMENT_GROUP
    for family in TWO_WORD_FAMILIES:
        if name.startswith(family + "_"):
            return family
    return name.split("_", 1)[0]
