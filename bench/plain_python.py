"""What a user would write in plain Python instead of calling the module.

Each function returns the same values as the module, which `check_plain_matches` confirms before
anything is timed, so that the two sides of a comparison do the same job.
"""

from __future__ import annotations

from math import cos, sin
from typing import Callable, Sequence

Triple = tuple[float, float, float]
ListingRow = tuple[str, str, int, int]

# Python's % is the floored modulo, the module's wrapping of a pip into a loop.


def bounce(pip: int) -> Triple:
    q = pip % 64
    return (1.0 - (abs(q * 0.015625 - 0.5) * 4.0), 0.0, 0.0)


def helix(pip: int) -> Triple:
    c = (pip % 256) * 0.00390625
    a = c * 12.566370614359172
    return (cos(a), sin(a), sin(c * 6.283185307179586))


PLAIN_RUDIMENTS: dict[str, Callable[[int], Triple]] = {"bounce": bounce, "helix": helix}


def sample_from_loops(loops: dict[str, list[Triple]]) -> Callable[[str, int], Triple]:
    """The plain counterpart of sampling by name: each loop a list of tuples, one per pip."""

    def sample(name: str, pip: int) -> Triple:
        loop = loops[name]
        return loop[pip % len(loop)]

    return sample


def listing_as_dicts(rows: Sequence[ListingRow]) -> list[dict]:
    """The listing's dictionaries, built from prebuilt tuples."""
    return [
        {"name": name, "description": description, "period_pips": period, "dimensions": dimensions}
        for name, description, period, dimensions in rows
    ]


# The least a constructor taking rows of numbers must do: turn every value into a float. The forms
# are those of the user-source benchmark, the quickest plain ones for rows of three and of any size.


def triples_as_floats(rows: Sequence[Sequence[float]]) -> list[Triple]:
    return [(float(x), float(y), float(z)) for x, y, z in rows]


def patterns_as_floats(patterns: Sequence[Sequence[Sequence[float]]]) -> list[list[Triple]]:
    return [triples_as_floats(rows) for rows in patterns]


def rows_as_floats(rows: Sequence[Sequence[float]]) -> list[list[float]]:
    return [[float(value) for value in row] for row in rows]


def check_plain_matches(module, pips: Sequence[int]) -> None:
    """Raises if a plain rudiment gives other values than the module's at any of `pips`."""
    for name, plain in PLAIN_RUDIMENTS.items():
        native = getattr(module, name)
        for pip in pips:
            if plain(pip) != native(pip).as_tuple():
                raise AssertionError(f"plain {name} differs from the module's at pip {pip}")
