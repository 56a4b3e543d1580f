"""One loop of a built-in pattern, sampled from the module, and the family each built-in belongs to."""

from __future__ import annotations

import dataclasses
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

Point = tuple[float, float, float]


@dataclasses.dataclass(frozen=True)
class Loop:
    """A built-in's listing row together with its positions, one per pip from pip 0."""

    name: str
    description: str
    period_pips: int
    dimensions: int
    points: tuple[Point, ...]

    @property
    def beats(self) -> float:
        return self.period_pips / pivolet.PIPS_PER_BEAT

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
    points = tuple(pivolet.sample(name, pip).as_tuple() for pip in range(row["period_pips"]))
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
