"""The built-in patterns by name: their listing rows, their families, one loop of each sampled from
the module, and close suggestions for a name the catalogue does not hold."""

from __future__ import annotations

import functools
import itertools
from typing import TYPE_CHECKING

import pivolet

from pivolet_show.checks import suggestion
from pivolet_show.motion.loops import Loop

if TYPE_CHECKING:
    # Only the module's type stub names the shape of a listing row; at run time rows are dicts.
    from pivolet import _CatalogueRow as CatalogueRow

# Family prefixes are the first word of a name, except for these, which take two.
TWO_WORD_FAMILIES = ("accent_walk",)
# The analytic rudiments share no prefix; they are gathered under this group instead.
RUDIMENT_GROUP = "rudiments"

UNKNOWN_PATTERN = "unknown built-in pattern: "


def builtin_rows() -> list[CatalogueRow]:
    return pivolet.catalogue()


@functools.lru_cache(maxsize=1)
def builtin_names() -> tuple[str, ...]:
    return tuple(row["name"] for row in builtin_rows())


def unknown_pattern(name: str) -> str:
    """The refusal of a built-in name the catalogue does not hold, with the closest names it does."""
    return UNKNOWN_PATTERN + name + suggestion(name, builtin_names())


def find_row(name: str) -> CatalogueRow:
    for row in builtin_rows():
        if row["name"] == name:
            return row
    raise KeyError(unknown_pattern(name))


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
