"""The `rudiment` family: sticking studies whose strokes go to either side on x and downward on y,
each following an exact rule."""

from __future__ import annotations

from typing import Mapping, Tuple

from ..builders.onsets import alternating_sign, sticking_sign
from ..family import Character, Family, Member
from ..model import Entry, Loop, Peaks
from ..shaping import Gesture, Vector, gesture_sum

# Sticking of the triplet studies, in its two halves, and the strokes that are accents.
TRIPLET_STICKINGS: Mapping[str, Tuple[Tuple[str, str], Tuple[int, ...]]] = {
    "double_paradiddle": (("RLRLRR", "LRLRLL"), (0, 6)),
    "paradiddle_diddle": (("RLRRLL", "LRLLRR"), (0, 6)),
    "six_stroke": (("RLLRRL", "LRRLLR"), (0, 5, 6, 11)),
}
TRIPLET_DESCRIPTION = (
    "Visual sticking study {first} {second}; equal triplet spacing over four beats."
    " This is a movement interpretation, not a complete drum-performance notation."
)

MEMBERS = tuple(
    Member(member, 256, 2, TRIPLET_DESCRIPTION.format(first=first, second=second))
    for member, ((first, second), _) in TRIPLET_STICKINGS.items()
) + (
    Member("flam_accent", 256, 2, "Opposite-hand grace gestures lead accented groups of three; deliberately expanded for visible motion."),
)

# The strokes reach "about" 0.42 downward: the flam grace strokes overlap their accents and add to
# them, up to 0.426.
PEAKS = Peaks.of("0.82", "0.42-0.426", "0")

ACCENT_STROKE = (0.82, -0.42)
PLAIN_STROKE = (0.492, -0.252)


def stroke(sign: float, accent: bool) -> Vector:
    x, y = ACCENT_STROKE if accent else PLAIN_STROKE
    return (sign * x, y, 0.0)


def triplets(entry: Entry) -> Loop:
    halves, accents = TRIPLET_STICKINGS[entry.member]
    sticking = "".join(halves)
    gestures = [
        Gesture(64 * j / 3, stroke(sticking_sign(hand), j in accents), half_width=28 / 3)
        for j, hand in enumerate(sticking)
    ]
    return gesture_sum(gestures, entry.period_pips)


def flam_accent(entry: Entry) -> Loop:
    gestures = [
        Gesture(128 * j / 3, stroke(alternating_sign(j), j in (0, 3)), half_width=16) for j in range(6)
    ]
    # Each accent is led, 8 pips early, by a grace stroke of the other hand.
    gestures.append(Gesture(120, (0.2624, -0.1344, 0.0), half_width=8))
    gestures.append(Gesture(248, (-0.2624, -0.1344, 0.0), half_width=8))
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family(
    "rudiment",
    MEMBERS,
    PEAKS,
    exact={**{member: triplets for member in TRIPLET_STICKINGS}, "flam_accent": flam_accent},
    character=CHARACTER,
)
