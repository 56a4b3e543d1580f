"""The `dwell` family: two unequal lift-and-hold gestures, a transfer and a settling return, with
holds of whole musical durations.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from dataclasses import dataclass
from fractions import Fraction
from typing import Dict, List, Tuple

from ..builders.fitting import fitted_family, member_parameters
from ..builders.timeline import Segment, SegmentPath, arched_move, hold, settling_move, timed_loop
from ..family import Family, numbered, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    numbered("phrase", 16),
    period=1024,
    dimensions=3,
    description=(
        "Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical"
        " duration."
    ),
)

PEAKS = Peaks.of("0.769-0.82", "0.761-0.82", "0.41-0.512")


@dataclass(frozen=True)
class DwellPhrase:
    """One authored phrase; durations are in beats and add up to the 16 beats of the loop."""

    rest: Vector  # where the phrase starts and settles
    first: Vector  # the first lift's held position
    second: Vector  # the second lift's held position
    lift: Fraction
    first_hold: Fraction
    transfer: Fraction
    second_lift: Fraction
    second_hold: Fraction
    settle: Fraction

    def durations(self) -> Tuple[Fraction, ...]:
        return (self.lift, self.first_hold, self.transfer, self.second_lift, self.second_hold, self.settle)


F = Fraction
DWELL_PHRASES: Dict[str, DwellPhrase] = {
    "phrase_01": DwellPhrase((0.0, -0.6, 0.0), (-0.8, 0.75, 0.45), (0.7, 0.4, -0.35), F(3, 2), F(3), F(2), F(3, 2), F(2), F(6)),
    "phrase_02": DwellPhrase((0.1, -0.7, 0.1), (0.75, 0.55, -0.5), (-0.6, 0.85, 0.3), F(2), F(2), F(5, 2), F(1), F(7, 2), F(5)),
    "phrase_03": DwellPhrase((-0.2, -0.5, 0.0), (-0.55, 0.8, -0.3), (0.8, 0.3, 0.5), F(1), F(4), F(2), F(2), F(3, 2), F(11, 2)),
    "phrase_04": DwellPhrase((0.0, -0.8, -0.1), (0.6, 0.7, 0.5), (-0.8, 0.2, -0.4), F(5, 2), F(3, 2), F(3), F(3, 2), F(3), F(9, 2)),
    "phrase_05": DwellPhrase((0.2, -0.6, 0.2), (-0.75, 0.4, -0.45), (0.5, 0.9, 0.35), F(3, 2), F(5, 2), F(3, 2), F(5, 2), F(2), F(6)),
    "phrase_06": DwellPhrase((-0.1, -0.75, 0.0), (0.8, 0.85, 0.2), (-0.7, 0.5, -0.5), F(2), F(3), F(2), F(1), F(5, 2), F(11, 2)),
    "phrase_07": DwellPhrase((0.0, -0.55, 0.15), (-0.65, 0.6, 0.5), (0.75, 0.75, -0.25), F(1), F(2), F(3), F(3, 2), F(4), F(9, 2)),
    "phrase_08": DwellPhrase((0.15, -0.8, -0.1), (0.55, 0.3, -0.5), (-0.8, 0.8, 0.4), F(5, 2), F(1), F(5, 2), F(2), F(3), F(5)),
    "phrase_09": DwellPhrase((-0.15, -0.65, 0.1), (-0.8, 0.5, 0.3), (0.65, 0.85, -0.45), F(3, 2), F(7, 2), F(3, 2), F(3, 2), F(3, 2), F(13, 2)),
    "phrase_10": DwellPhrase((0.0, -0.7, 0.0), (0.7, 0.9, 0.45), (-0.55, 0.35, -0.3), F(2), F(5, 2), F(2), F(2), F(2), F(11, 2)),
    "phrase_11": DwellPhrase((0.1, -0.5, -0.15), (-0.6, 0.3, -0.5), (0.8, 0.65, 0.3), F(1), F(3), F(5, 2), F(3, 2), F(7, 2), F(9, 2)),
    "phrase_12": DwellPhrase((-0.2, -0.8, 0.05), (0.8, 0.45, 0.35), (-0.75, 0.9, -0.4), F(3), F(3, 2), F(2), F(1), F(5, 2), F(6)),
    "phrase_13": DwellPhrase((0.0, -0.6, 0.2), (-0.7, 0.85, -0.2), (0.6, 0.5, 0.5), F(3, 2), F(2), F(3), F(2), F(1), F(13, 2)),
    "phrase_14": DwellPhrase((0.2, -0.75, -0.05), (0.65, 0.6, -0.45), (-0.8, 0.4, 0.45), F(2), F(4), F(3, 2), F(3, 2), F(2), F(5)),
    "phrase_15": DwellPhrase((-0.1, -0.55, 0.0), (-0.8, 0.65, 0.4), (0.7, 0.3, -0.5), F(5, 2), F(2), F(2), F(5, 2), F(5, 2), F(9, 2)),
    "phrase_16": DwellPhrase((0.05, -0.7, 0.1), (0.75, 0.35, 0.5), (-0.65, 0.8, -0.35), F(1), F(5, 2), F(5, 2), F(2), F(3), F(5)),
}
DWELL_PHRASE_BEATS = 16
DWELL_WRONG_LENGTH = "The durations of a dwell phrase must add up to 16 beats: "
DWELL_TRANSFER_SAG = 0.35  # how far below the straight line the transfer dips
DWELL_LIFT_BOW = 0.2
DWELL_OVERSHOOT = 0.16
DWELL_SWINGS = 3


def outward(target: Vector) -> Vector:
    """The sideways bow of a lift: away from the centre, on the side the lift is going to."""
    return (DWELL_LIFT_BOW if target[0] >= 0.0 else -DWELL_LIFT_BOW, 0.0, 0.0)


def dwell_segments(phrase: DwellPhrase) -> List[Segment]:
    # The transfer drops to resting height halfway between the two held positions before the
    # second lift, so the two gestures stay separate.
    low = ((phrase.first[0] + phrase.second[0]) * 0.5, phrase.rest[1], (phrase.first[2] + phrase.second[2]) * 0.5)
    paths: List[SegmentPath] = [
        arched_move(phrase.rest, phrase.first, outward(phrase.first)),
        hold(phrase.first),
        arched_move(phrase.first, low, (0.0, -DWELL_TRANSFER_SAG, 0.0)),
        arched_move(low, phrase.second, outward(phrase.second)),
        hold(phrase.second),
        settling_move(phrase.second, phrase.rest, DWELL_OVERSHOOT, DWELL_SWINGS),
    ]
    return [Segment(float(beats), path) for beats, path in zip(phrase.durations(), paths)]


def dwell_loop(entry: Entry) -> Loop:
    phrase = member_parameters(DWELL_PHRASES, entry)
    if sum(phrase.durations()) != DWELL_PHRASE_BEATS:
        raise ValueError(DWELL_WRONG_LENGTH + entry.name)
    return timed_loop(dwell_segments(phrase), entry.period_pips)


FAMILY = Family("dwell", MEMBERS, PEAKS, authored=fitted_family(dwell_loop, PEAKS))
