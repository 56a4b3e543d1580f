"""The `stick` family: original R/L sticking words with accented group leads, each answered by the
same word hand-swapped, each member by the one exact rule of its word."""

from __future__ import annotations

from typing import Mapping

from ..builders.onsets import sticking_sign
from ..family import Character, Family, numbered, same_rule, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import EIGHTH_NOTE_PIPS, Gesture, gesture_sum

MEMBERS = templated_members(
    numbered("study", 16),
    period=512,
    dimensions=2,
    description=(
        "Original R/L movement study with accented group leads, followed by its hand-swapped answer."
        " Not an official rudiment transcription."
    ),
)

PEAKS = Peaks.of("0.74", "0.34", "0")


# Sticking words of the `stick` studies: strokes 0 to 7, answered by the same word hand-swapped.
STICK_WORDS: Mapping[str, str] = {
    "study_01": "RLRRLRLL", "study_02": "RRLRLLRL", "study_03": "RLLRLRRL", "study_04": "RRLLRLRL",
    "study_05": "RLRLRRLL", "study_06": "RRRLLLRL", "study_07": "RLLLRRRL", "study_08": "RRLRRLLL",
    "study_09": "RLRRLLRL", "study_10": "RRLLRLLR", "study_11": "RLRLLRRL", "study_12": "RRRLRLLL",
    "study_13": "RRRRLRLL", "study_14": "RRLLLRRL", "study_15": "RLRRRLLL", "study_16": "RRLRLLLR",
}


STICK_ACCENTS = (0, 4, 8, 12)


def swap_hands(word: str) -> str:
    return word.translate(str.maketrans("RL", "LR"))


def stick(entry: Entry) -> Loop:
    word = STICK_WORDS[entry.member]
    strokes = word + swap_hands(word)
    gestures = []
    for j, hand in enumerate(strokes):
        sign = sticking_sign(hand)
        amplitude = (sign * 0.74, -0.34, 0.0) if j in STICK_ACCENTS else (sign * 0.407, -0.187, 0.0)
        gestures.append(Gesture(EIGHTH_NOTE_PIPS * j, amplitude, half_width=12))
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family("stick", MEMBERS, PEAKS, exact=same_rule(MEMBERS, stick), character=CHARACTER)
