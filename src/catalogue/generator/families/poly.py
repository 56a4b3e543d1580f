"""The `poly` family: two independent pulse trains of m and n onsets sharing an eight-beat boundary,
each member by the one exact rule of its numbers."""

from __future__ import annotations

from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Gesture, gesture_sum

MEMBERS = templated_members(
    words("2_5 2_7 2_9 3_5 3_7 3_8 3_10 4_5 4_7 4_9 5_6 5_7 5_8 5_9 6_7 7_8"),
    period=512,
    dimensions=3,
    description="Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.",
)

PEAKS = Peaks.of("0.403", "0.52", "0.22")


def poly(entry: Entry) -> Loop:
    m, n = entry.numbers()
    P = entry.period_pips
    h = 22.4
    gestures = [Gesture(0, (0.0, -0.52, 0.22), half_width=h)]
    gestures += [Gesture(P * i / m, (-0.403, -0.169, 0.0), half_width=h) for i in range(1, m)]
    gestures += [Gesture(P * j / n, (0.403, -0.169, 0.143), half_width=h) for j in range(1, n)]
    return gesture_sum(gestures, P)


CHARACTER = Character()

FAMILY = Family("poly", MEMBERS, PEAKS, exact=same_rule(MEMBERS, poly), character=CHARACTER)
