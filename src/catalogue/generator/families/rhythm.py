"""The `rhythm` family: peak-aligned gestures on rhythmic grids, each member a small score of its own
that follows an exact rule."""

from __future__ import annotations

from typing import Mapping, Tuple

from ..builders.onsets import alternating_sign, euclid_steps
from ..family import Character, Family, Member
from ..model import Entry, Loop, Peaks
from ..shaping import PIPS_PER_BEAT, Gesture, gesture_sum

MEMBERS = (
    Member("euclid_3_8", 256, 2, "3 evenly distributed onsets on a 8-step grid. Alternating lateral gestures."),
    Member("euclid_5_12", 256, 2, "5 evenly distributed onsets on a 12-step grid. Alternating lateral gestures."),
    Member("three_two", 256, 2, "Three horizontal gestures interlock with two vertical gestures in one four-beat cycle."),
    Member("half_time", 256, 2, "A strong downbeat, snare-like accent on beat three, and smaller offbeat shuffles."),
    Member("five_four", 512, 2, "5 lateral hits against four vertical hits per four beats; two bars preserve alternating directions."),
    Member("seven_four", 512, 2, "7 lateral hits against four vertical hits per four beats; two bars preserve alternating directions."),
    Member("euclid_7_16", 512, 2, "7 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats."),
    Member("euclid_5_16", 512, 2, "5 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats."),
    Member("swung_answer", 256, 2, "A two-to-one swung call on the right, answered on the left; four beats and eight peak-aligned gestures."),
    Member("group_332", 512, 2, "Groups of three, three, and two eighth notes. Six alternating accents make an eight-beat loop."),
    Member("group_223", 448, 2, "Two 7/8 bars grouped as 2+2+3 eighth notes: a seven-quarter-note loop, not forced into four beats."),
    Member("three_four_five", 512, 3, "Three X, four Y, and five Z gestures share an eight-beat phrase, with exact rational peak times."),
)

PEAKS = Peaks.of("0.7-0.85", "0.3-0.85", "0-0.55")


def euclid_even_steps(entry: Entry) -> Loop:
    """k onsets on an n-step grid spread over the whole loop, sides alternating."""
    k, n = entry.numbers()
    P = entry.period_pips
    gestures = [
        Gesture(j * P / n, (alternating_sign(position) * 0.8, -0.3, 0.0), half_width=12)
        for position, j in enumerate(euclid_steps(k, n))
    ]
    return gesture_sum(gestures, P)


def euclid_sixteenths(entry: Entry) -> Loop:
    """A sixteen-step grid of sixteenth notes over four beats, played twice; sides alternate throughout."""
    k, n = entry.numbers()
    gestures = []
    position = 0
    for half in range(2):
        for j in euclid_steps(k, n):
            sign = alternating_sign(position)
            amplitude = (sign * 0.76, -0.3, 0.0) if j % 4 == 0 else (sign * 0.5472, -0.216, 0.0)
            gestures.append(Gesture(256 * half + 16 * j, amplitude, half_width=12))
            position += 1
    return gesture_sum(gestures, entry.period_pips)


def three_two(entry: Entry) -> Loop:
    gestures = [Gesture(256 * i / 3, (0.78, 0.0, 0.0), half_width=24) for i in range(3)]
    gestures += [Gesture(t, (0.0, 0.78, 0.0), half_width=24) for t in (0, 128)]
    return gesture_sum(gestures, entry.period_pips)


def half_time(entry: Entry) -> Loop:
    gestures = [
        Gesture(0, (0.0, 0.85, 0.0), half_width=16),
        Gesture(96, (0.0, 0.4675, 0.0), half_width=16),
        Gesture(128, (0.85, -0.25, 0.0), half_width=16),
        Gesture(224, (-0.4, -0.1, 0.0), half_width=12),
    ]
    return gesture_sum(gestures, entry.period_pips)


# Lateral hits per four beats of the studies that set them against four vertical hits.
LATERAL_HITS: Mapping[str, int] = {"five_four": 5, "seven_four": 7}


def lateral_against_four(entry: Entry) -> Loop:
    """n lateral hits per four beats against four vertical hits, over two bars."""
    n = LATERAL_HITS[entry.member]
    gestures = [Gesture(256 * i / n, (alternating_sign(i) * 0.72, 0.0, 0.0), half_width=12) for i in range(2 * n)]
    gestures += [Gesture(PIPS_PER_BEAT * j, (0.0, alternating_sign(j) * 0.68, 0.0), half_width=12) for j in range(8)]
    return gesture_sum(gestures, entry.period_pips)


# Group starts, bar length, weights and base amplitude of the two grouped-bar studies.
GROUPED_BARS: Mapping[str, Tuple[Tuple[int, ...], int, Tuple[float, ...], Tuple[float, float]]] = {
    "group_332": ((0, 96, 192), 256, (1, 0.72, 0.86), (0.76, -0.38)),
    "group_223": ((0, 64, 128), 224, (1, 0.7, 0.85), (0.74, -0.4)),
}


def grouped_bars(entry: Entry) -> Loop:
    starts, bar, weights, (base_x, base_y) = GROUPED_BARS[entry.member]
    gestures = []
    for repeat in range(2):
        for position, (start, weight) in enumerate(zip(starts, weights)):
            # +, −, + in the first bar and −, +, − in the second.
            sign = alternating_sign(position + repeat)
            gestures.append(Gesture(bar * repeat + start, (sign * (weight * base_x), weight * base_y, 0.0), half_width=16))
    return gesture_sum(gestures, entry.period_pips)


def swung_answer(entry: Entry) -> Loop:
    gestures = []
    for b in range(4):
        sigma = 1.0 if b < 2 else -1.0  # the call on the right, the answer on the left
        gestures.append(Gesture(PIPS_PER_BEAT * b, (0.78 * sigma, -0.3, 0.0), half_width=8))
        gestures.append(Gesture(64 * b + 128 / 3, (0.468 * sigma, -0.18, 0.0), half_width=8))
    return gesture_sum(gestures, entry.period_pips)


def three_four_five(entry: Entry) -> Loop:
    gestures = [Gesture(512 * i / 3, (0.7, 0.0, 0.0), half_width=24) for i in range(3)]
    gestures += [Gesture(128 * j, (0.0, -0.7, 0.0), half_width=24) for j in range(4)]
    gestures += [Gesture(512 * k / 5, (0.0, 0.0, 0.55), half_width=24) for k in range(5)]
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family(
    "rhythm",
    MEMBERS,
    PEAKS,
    exact={
        "euclid_3_8": euclid_even_steps,
        "euclid_5_12": euclid_even_steps,
        "three_two": three_two,
        "half_time": half_time,
        "five_four": lateral_against_four,
        "seven_four": lateral_against_four,
        "euclid_7_16": euclid_sixteenths,
        "euclid_5_16": euclid_sixteenths,
        "swung_answer": swung_answer,
        "group_332": grouped_bars,
        "group_223": grouped_bars,
        "three_four_five": three_four_five,
    },
    character=CHARACTER,
)
