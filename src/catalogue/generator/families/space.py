"""The `space` family: genuine XYZ loops, torus knots normalised on their samples and weaves of three
coprime-frequency lanes."""

from __future__ import annotations

import math

from ..builders.curves import AngleFormula, closed_loop
from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector, normalise

MEMBERS = templated_members(
    words(
        "torus_2_5 torus_2_7 torus_3_4 torus_3_5 torus_3_7 torus_4_5 torus_4_7 torus_5_6"
        " weave_1_2_3 weave_1_3_4 weave_2_3_4 weave_2_3_7 weave_2_5_7 weave_3_4_5 weave_3_5_7 weave_4_5_7"
    ),
    period=1024,
    dimensions=3,
    description={
        "torus": "A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.",
        "weave": "Three coprime-frequency coordinate lanes with distinct phase offsets.",
    },
)

PEAKS = Peaks.of("0.82", "0.656-0.82", "0.442-0.574")


def space_torus(p: int, q: int) -> AngleFormula:
    def formula(th: float) -> Vector:
        w = 2.9 + math.cos(q * th)
        return (w * math.cos(p * th), w * math.sin(p * th), 2.1 * math.sin(q * th))

    return formula


def space_weave(a: int, b: int, c: int) -> AngleFormula:
    return lambda th: (0.82 * math.sin(a * th), 0.656 * math.sin(b * th + 0.4), 0.574 * math.cos(c * th + 0.7))


def space(entry: Entry) -> Loop:
    if entry.member.startswith("torus_"):
        return normalise(closed_loop(space_torus(*entry.numbers()), entry.period_pips))
    return closed_loop(space_weave(*entry.numbers()), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("space", MEMBERS, PEAKS, exact=same_rule(MEMBERS, space), character=CHARACTER)
