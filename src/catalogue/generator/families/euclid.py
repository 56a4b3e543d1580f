"""The `euclid` family: evenly distributed onsets on a grid of eighth notes, alternating sides after
the phrase accent, each member by the one exact rule of its numbers (k onsets on n steps)."""

from __future__ import annotations

from typing import Sequence

from ..builders.onsets import alternating_sign, euclid_steps
from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import EIGHTH_NOTE_PIPS, Gesture, gesture_sum


def eighths_of_step_count(numbers: Sequence[int]) -> int:
    """An `euclid_k_n` loop lasts its n steps of one eighth note."""
    return EIGHTH_NOTE_PIPS * numbers[1]


MEMBERS = templated_members(
    words("2_5 3_7 3_10 4_9 4_11 5_9 5_11 5_13 5_14 6_13 7_12 7_15 7_17 8_19 9_20 11_24"),
    period=eighths_of_step_count,
    dimensions=2,
    description="Evenly distributed accents with alternating sides; first onset is the phrase accent.",
)

PEAKS = Peaks.of("0.75", "0.32", "0")


def euclid(entry: Entry) -> Loop:
    k, n = entry.numbers()
    gestures = []
    for position, j in enumerate(euclid_steps(k, n)):
        # The first onset is the phrase accent; the rest alternate sides starting on the left.
        amplitude = (0.75, -0.32, 0.0) if position == 0 else (-alternating_sign(position - 1) * 0.5625, -0.24, 0.0)
        gestures.append(Gesture(EIGHTH_NOTE_PIPS * j, amplitude, half_width=24))
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family("euclid", MEMBERS, PEAKS, exact=same_rule(MEMBERS, euclid), character=CHARACTER)
