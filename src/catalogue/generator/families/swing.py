"""The `swing` family: eight-beat scores with offbeats at a fraction of each beat, pushed, answered,
skipped or shuffled, each member by the one exact rule of its kind and fraction."""

from __future__ import annotations

from ..builders.onsets import alternating_sign
from ..family import Character, Family, same_rule, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import PIPS_PER_BEAT, Gesture, gesture_sum

MEMBERS = templated_members(
    words(
        "push_3_5 answer_3_5 skip_3_5 shuffle_3_5 push_2_3 answer_2_3 skip_2_3 shuffle_2_3"
        " push_5_7 answer_5_7 skip_5_7 shuffle_5_7 push_3_4 answer_3_4 skip_3_4 shuffle_3_4"
    ),
    period=512,
    dimensions=3,
    description="Eight-beat {first} score with offbeats at {a}/{b} of each beat; peaks follow the score.",
    other_dimensions=2,
    others=words("answer_3_5 answer_2_3 answer_5_7 answer_3_4"),
)

PEAKS = Peaks.of("0.585", "0.216", "0-0.09")


def swing(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    a, c = entry.numbers()
    gestures = []
    for b in range(8):
        s = alternating_sign(b)
        beat = PIPS_PER_BEAT * b
        offbeat = PIPS_PER_BEAT * b + PIPS_PER_BEAT * a / c
        if not (kind == "skip" and b in (2, 6)):
            amplitude = (0.585, -0.216, 0.0) if b in (0, 4) else (0.4225 * s, -0.156, 0.0)
            gestures.append(Gesture(beat, amplitude, half_width=12.8))
        if kind in ("push", "skip"):
            gestures.append(Gesture(offbeat, (0.075, -0.15, 0.09), half_width=8))
        elif kind == "answer":
            if b >= 4:
                gestures.append(Gesture(offbeat, (-0.325 * s, -0.12, 0.0), half_width=12.8))
        elif kind == "shuffle":
            gestures.append(Gesture(offbeat, (-0.325 * s, -0.12, 0.0), half_width=12.8))
            if b in (3, 7):
                ghost = PIPS_PER_BEAT * b + 32 * a / c
                gestures.append(Gesture(ghost, (0.0525, -0.105, 0.063), half_width=6.4))
        else:
            raise ValueError(f"{entry.name}: unknown swing kind {kind}")
    return gesture_sum(gestures, entry.period_pips)


CHARACTER = Character()

FAMILY = Family("swing", MEMBERS, PEAKS, exact=same_rule(MEMBERS, swing), character=CHARACTER)
