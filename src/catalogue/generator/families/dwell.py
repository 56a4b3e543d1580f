"""The `dwell` family: two unequal lift-and-hold gestures, a transfer and a settling return, with
holds of whole musical durations.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from dataclasses import dataclass
from fractions import Fraction
from typing import Dict, List, Tuple

from ..builders.fitting import fitted_family, member_parameters
from ..builders.timeline import Segment, SegmentPath, arched_move, eased_move, hold, settling_move, timed_loop
from ..family import Character, Family, member_names, numbered, templated_members
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
    """One authored phrase. The point lifts from its rest to the first hold, transfers to a point of
    its own, lifts again to the second hold and settles back to rest with a few decaying swings.
    Durations are in beats and add up to the 16 beats of the loop."""

    rest: Vector  # where the phrase starts and settles
    first: Vector  # the first lift's held position
    via: Vector  # where the transfer leads, from which the second lift starts
    second: Vector  # the second lift's held position
    swings: int  # decaying swings about the rest before it settles; 0 settles straight in
    lift: Fraction
    first_hold: Fraction
    transfer: Fraction
    second_lift: Fraction
    second_hold: Fraction
    settle: Fraction

    def durations(self) -> Tuple[Fraction, ...]:
        return (self.lift, self.first_hold, self.transfer, self.second_lift, self.second_hold, self.settle)


F = Fraction
# Each phrase has a shape of its own: where it rests, which way the two lifts go and how high, where
# the transfer between them leads (under, over, across, through depth) and how it settles.
DWELL_PHRASES: Dict[str, DwellPhrase] = {
    # up to the left, a dip through the middle, up to the right
    "phrase_01": DwellPhrase((0.0, -0.8, 0.0), (-0.8, 0.6, 0.5), (0.0, -0.3, 0.0), (0.8, 0.8, -0.4), 3,
                             F(3, 2), F(3), F(2), F(3, 2), F(2), F(6)),
    # straight up, out to the right, then across to low on the left
    "phrase_02": DwellPhrase((0.0, -0.8, 0.0), (0.3, 0.9, -0.5), (0.9, 0.2, 0.2), (-0.4, 0.3, 0.6), 1,
                             F(2), F(2), F(5, 2), F(1), F(7, 2), F(5)),
    # up the left side, over the top, down to the right
    "phrase_03": DwellPhrase((-0.8, -0.7, 0.0), (-0.7, 0.9, 0.3), (0.0, 1.0, -0.4), (0.8, 0.6, 0.5), 2,
                             F(1), F(4), F(2), F(2), F(3, 2), F(11, 2)),
    # a low hold on the right, down through the middle, high on the left
    "phrase_04": DwellPhrase((0.8, -0.7, 0.0), (0.7, 0.4, -0.5), (0.2, -0.4, 0.3), (-0.8, 0.9, -0.2), 0,
                             F(5, 2), F(3, 2), F(3), F(3, 2), F(3), F(9, 2)),
    # the transfer comes forward through depth between two high holds
    "phrase_05": DwellPhrase((0.0, -0.5, -0.6), (0.8, 0.8, 0.6), (0.3, 0.2, 1.0), (-0.6, 0.9, 0.2), 3,
                             F(3, 2), F(5, 2), F(3, 2), F(5, 2), F(2), F(6)),
    # a side hold on the right, then high at the back
    "phrase_06": DwellPhrase((-0.5, -0.8, 0.3), (0.8, -0.2, 0.5), (0.6, 0.6, -0.5), (-0.3, 0.9, -0.6), 1,
                             F(2), F(3), F(2), F(1), F(5, 2), F(11, 2)),
    # a side hold on the left, then high in front
    "phrase_07": DwellPhrase((0.5, -0.8, -0.3), (-0.8, -0.1, -0.5), (-0.6, 0.7, 0.5), (0.4, 0.85, 0.6), 2,
                             F(1), F(2), F(3), F(3, 2), F(4), F(9, 2)),
    # high at the back, out to the left, across to the right
    "phrase_08": DwellPhrase((0.0, -0.6, 0.5), (-0.4, 0.9, -0.3), (-0.9, 0.1, 0.4), (0.9, 0.3, -0.5), 0,
                             F(5, 2), F(1), F(5, 2), F(2), F(3), F(5)),
    # high to the right, a drop behind, a lift forward
    "phrase_09": DwellPhrase((-0.3, -0.9, -0.4), (0.9, 0.9, 0.2), (0.8, -0.5, -0.6), (0.5, 0.4, 0.8), 2,
                             F(3, 2), F(7, 2), F(3, 2), F(3, 2), F(3, 2), F(13, 2)),
    # high to the left in front, over to the back, low on the right
    "phrase_10": DwellPhrase((0.3, -0.9, 0.4), (-0.9, 0.5, 0.7), (-0.2, 0.8, -0.8), (0.8, -0.1, -0.3), 3,
                             F(2), F(5, 2), F(2), F(2), F(2), F(11, 2)),
    # resting back, a right hold, under the middle, a left hold
    "phrase_11": DwellPhrase((0.0, 0.2, -0.8), (0.8, 0.5, 0.6), (0.0, -0.6, 0.4), (-0.8, 0.6, 0.5), 3,
                             F(1), F(3), F(5, 2), F(3, 2), F(7, 2), F(9, 2)),
    # resting forward, high on the left, over the top, low on the right
    "phrase_12": DwellPhrase((0.0, -0.3, 0.8), (-0.7, 0.8, -0.5), (0.2, 0.9, 0.6), (0.8, -0.2, -0.6), 1,
                             F(3), F(3, 2), F(2), F(1), F(5, 2), F(6)),
    # resting on the left: high in the middle, down the right, back and low
    "phrase_13": DwellPhrase((-0.8, 0.0, 0.0), (0.2, 0.9, 0.5), (0.9, -0.6, 0.0), (0.4, 0.3, -0.8), 0,
                             F(3, 2), F(2), F(3), F(2), F(1), F(13, 2)),
    # resting on the right: high in the middle, down the left, forward and low
    "phrase_14": DwellPhrase((0.8, 0.0, 0.0), (-0.2, 0.9, -0.5), (-0.9, -0.6, 0.3), (-0.4, 0.4, 0.8), 2,
                             F(2), F(4), F(3, 2), F(3, 2), F(2), F(5)),
    # straight forward, then across the top from left to right
    "phrase_15": DwellPhrase((0.0, -0.9, -0.5), (0.0, 0.4, 0.9), (-0.8, 0.8, 0.0), (0.8, 0.8, -0.3), 1,
                             F(5, 2), F(2), F(2), F(5, 2), F(5, 2), F(9, 2)),
    # from low left in front: high right behind, out right, high left
    "phrase_16": DwellPhrase((-0.6, -0.6, 0.6), (0.6, 0.7, -0.6), (0.9, -0.2, 0.2), (-0.9, 0.6, -0.2), 3,
                             F(1), F(5, 2), F(5, 2), F(2), F(3), F(5)),
}
DWELL_PHRASE_BEATS = 16
DWELL_WRONG_LENGTH = "The durations of a dwell phrase must add up to 16 beats: "
DWELL_LIFT_BOW = 0.2
DWELL_OVERSHOOT = 0.16


def outward(target: Vector) -> Vector:
    """The sideways bow of a lift: away from the centre, on the side the lift is going to."""
    return (DWELL_LIFT_BOW if target[0] >= 0.0 else -DWELL_LIFT_BOW, 0.0, 0.0)


def dwell_segments(phrase: DwellPhrase) -> List[Segment]:
    paths: List[SegmentPath] = [
        arched_move(phrase.rest, phrase.first, outward(phrase.first)),
        hold(phrase.first),
        eased_move(phrase.first, phrase.via),
        arched_move(phrase.via, phrase.second, outward(phrase.second)),
        hold(phrase.second),
        settling_move(phrase.second, phrase.rest, DWELL_OVERSHOOT, phrase.swings),
    ]
    return [Segment(float(beats), path) for beats, path in zip(phrase.durations(), paths)]


def dwell_loop(entry: Entry) -> Loop:
    phrase = member_parameters(DWELL_PHRASES, entry)
    if sum(phrase.durations()) != DWELL_PHRASE_BEATS:
        raise ValueError(DWELL_WRONG_LENGTH + entry.name)
    return timed_loop(dwell_segments(phrase), entry.period_pips)


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("dwell", MEMBERS, PEAKS, authored=fitted_family(dwell_loop, PEAKS), character=CHARACTER)
