"""The `spiro` family: closed rolling-circle traces inside and outside a fixed circle, normalised on
their samples."""

from __future__ import annotations

import math
from typing import Callable, Mapping, Tuple

from ..builders.curves import AngleFormula, closed_loop
from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import normalise

MEMBERS = templated_members(
    words(
        "inside_3_1 inside_4_1 inside_5_2 inside_5_1 inside_7_2 inside_7_3 inside_8_3 inside_9_4"
        " outside_3_1 outside_4_1 outside_5_2 outside_5_1 outside_7_2 outside_7_3 outside_8_3 outside_9_4"
    ),
    period=1024,
    dimensions=2,
    description="A closed {first}-rolling circle trace, with pen radius smaller than the rolling radius.",
)

PEAKS = Peaks.of("0.82", "0.726-0.82", "0")


# Pen distance d of the rolling-circle traces by (R, r), shared by the inside and outside member.
SPIRO_PEN_DISTANCES: Mapping[Tuple[int, int], float] = {
    (3, 1): 0.45, (4, 1): 0.6, (5, 2): 1.5, (5, 1): 0.55,
    (7, 2): 1.3, (7, 3): 2.1, (8, 3): 1.8, (9, 4): 3.2,
}


def spiro_inside(R: int, r: int, d: float) -> AngleFormula:
    return lambda th: (
        (R - r) * math.cos(r * th) + d * math.cos((R - r) * th),
        (R - r) * math.sin(r * th) - d * math.sin((R - r) * th),
        0.0,
    )


def spiro_outside(R: int, r: int, d: float) -> AngleFormula:
    return lambda th: (
        (R + r) * math.cos(r * th) - d * math.cos((R + r) * th),
        (R + r) * math.sin(r * th) - d * math.sin((R + r) * th),
        0.0,
    )


SPIRO_KINDS: Mapping[str, Callable[[int, int, float], AngleFormula]] = {"inside": spiro_inside, "outside": spiro_outside}


def spiro(entry: Entry) -> Loop:
    R, r = entry.numbers()
    kind = SPIRO_KINDS[entry.member.split("_")[0]]
    return normalise(closed_loop(kind(R, r, SPIRO_PEN_DISTANCES[(R, r)]), entry.period_pips))


CHARACTER = Character()

FAMILY = Family("spiro", MEMBERS, PEAKS, exact=same_rule(MEMBERS, spiro), character=CHARACTER)
