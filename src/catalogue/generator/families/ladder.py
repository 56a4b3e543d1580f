"""The `ladder` family: four two-beat regions, each with its own number of evenly spaced events,
accents marking the region starts.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import List, Sequence

from ..builders.events import WIDEST_GESTURE, Event, event_loop, separated
from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    words(
        "2_3_4_6 3_5_4_2 2_5_3_7 4_3_6_5 2_4_7_3 3_6_2_5 5_3_7_4 6_4_3_2"
        " 2_7_4_5 7_3_5_2 4_7_3_6 5_2_6_3 3_4_5_7 6_5_4_3 7_5_3_4 4_6_7_5"
    ),
    period=512,
    dimensions=3,
    description="Four two-beat regions change subdivision density while accents mark region starts.",
)

PEAKS = Peaks.of("0.31", "0.32", "0.32")


LADDER_REGION_BEATS = 2
LADDER_ACCENT: Vector = (1.0, -1.0, 1.0)  # leans to the region's side, down and forward
LADDER_STEP: Vector = (0.5, -0.45, 0.0)  # the subdivisions swing side to side at half the lean


def ladder_events(counts: Sequence[int], period: int) -> List[Event]:
    """counts[r] events evenly spread over region r; the first of each region is its accent.

    Regions lean alternately right and left; inside a region the subdivisions alternate sides,
    starting opposite the accent.
    """
    events: List[Event] = []
    for region, count in enumerate(counts):
        side = 1.0 if region % 2 == 0 else -1.0
        for i in range(count):
            beat = Fraction(LADDER_REGION_BEATS * region) + Fraction(LADDER_REGION_BEATS * i, count)
            if i == 0:
                amplitude = (side * LADDER_ACCENT[0], LADDER_ACCENT[1], LADDER_ACCENT[2])
            else:
                swing = side if i % 2 == 0 else -side
                amplitude = (swing * LADDER_STEP[0], LADDER_STEP[1], LADDER_STEP[2])
            events.append(Event(beat, amplitude))
    return separated(events, period, WIDEST_GESTURE)


def ladder_loop(entry: Entry) -> Loop:
    return event_loop(ladder_events(entry.numbers(), entry.period_pips), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("ladder", MEMBERS, PEAKS, authored=fitted_family(ladder_loop, PEAKS), character=CHARACTER)
