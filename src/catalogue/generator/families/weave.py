"""The `weave` family: phase-offset Lissajous traversals of a and b cycles, normalised on their samples."""

from __future__ import annotations

import math

from ..builders.curves import closed_loop
from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import normalise

MEMBERS = templated_members(
    words("1_3 1_4 1_5 2_5 2_7 3_4 3_5 3_7 3_8 4_5 4_7 4_9 5_6 5_7 5_8 5_9"),
    period=1024,
    dimensions=2,
    description="{a} horizontal and {b} vertical cycles; a phase-offset, closed 16-beat traversal.",
)

PEAKS = Peaks.of("0.82", "0.666", "0")


def weave(entry: Entry) -> Loop:
    a, b = entry.numbers()
    return normalise(closed_loop(lambda th: (math.sin(a * th + 0.37), 0.8125 * math.sin(b * th), 0.0), entry.period_pips))


CHARACTER = Character()

FAMILY = Family("weave", MEMBERS, PEAKS, exact=same_rule(MEMBERS, weave), character=CHARACTER)
