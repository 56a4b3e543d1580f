"""The `meter` family: groups of eighth notes whose starts lean alternately left and right, each
member by the one exact rule of its group lengths."""

from __future__ import annotations

from ..builders.onsets import alternating_sign
from ..family import Character, Family, eighths_of_group_sum, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import EIGHTH_NOTE_PIPS, Gesture, gesture_sum

MEMBERS = templated_members(
    words(
        "2_3 3_2 3_2_2 2_3_2 3_4 4_3 2_2_2_3 2_3_2_2 3_2_3_2 3_3_2_3 2_2_3_2_3 3_3_3_2 4_3_3 3_4_4"
        " 2_3_3_2_3 3_3_3_4"
    ),
    period=eighths_of_group_sum,
    dimensions=3,
    description="Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.",
)

PEAKS = Peaks.of("0.72", "0.33", "0.05")


def meter(entry: Entry) -> Loop:
    gestures = []
    step = 0
    for group, length in enumerate(entry.numbers()):
        for within in range(length):
            time = EIGHTH_NOTE_PIPS * step
            if within == 0:
                gestures.append(Gesture(time, (alternating_sign(group) * 0.72, -0.33, 0.0), half_width=19.2))
            else:
                gestures.append(Gesture(time, (0.0, -0.1134, 0.0504), half_width=32 / 3))
            step += 1
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family("meter", MEMBERS, PEAKS, exact=same_rule(MEMBERS, meter), character=CHARACTER)
