"""The `burst` family: three directional bursts, each subdivided its own way, deliberate gaps and
a late settling accent.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import List, Sequence, Tuple

from ..builders.events import WIDEST_GESTURE, Event, event_loop, scaled_vector, separated
from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    words("3_5_2 4_3_6 5_2_4 2_7_3 3_4_5 5_3_7 6_2_5 4_7_2 7_3_4 2_5_6 5_7_3 3_6_4 4_5_7 6_3_5 7_4_3 5_6_2"),
    period=512,
    dimensions=3,
    description="Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.",
)

PEAKS = Peaks.of("0.279", "0.288", "0.133-0.189")


# (start, span) in beats and direction of each burst; the gaps between them are deliberate rests.
BURSTS: Tuple[Tuple[Fraction, Fraction, Vector], ...] = (
    (Fraction(0), Fraction(3, 2), (1.0, -0.3, 0.0)),
    (Fraction(5, 2), Fraction(1), (-1.0, -0.3, 0.0)),
    (Fraction(9, 2), Fraction(5, 4), (0.2, -0.3, 1.0)),
)
BURST_FADE = 0.5  # the last event of a burst is this much softer than its first
BURST_WEIGHT = 1.2  # a burst's first event has BURST_WEIGHT / sqrt(count): dense bursts are lighter
SETTLE_BEAT = Fraction(29, 4)
SETTLE: Vector = (0.1, -1.0, 0.4)
SETTLE_HALF_WIDTH = 20.0


def burst_events(counts: Sequence[int], period: int) -> List[Event]:
    """counts[b] evenly spaced events across burst b, fading, then the settling accent after the last gap."""
    events: List[Event] = []
    for count, (start, span, direction) in zip(counts, BURSTS):
        weight = BURST_WEIGHT / count ** 0.5
        for i in range(count):
            fade = 1.0 - BURST_FADE * i / count
            events.append(Event(start + span * Fraction(i, count), scaled_vector(direction, weight * fade)))
    bursts = separated(events, period, WIDEST_GESTURE)
    return bursts + [Event(SETTLE_BEAT, SETTLE, SETTLE_HALF_WIDTH)]


def burst_loop(entry: Entry) -> Loop:
    return event_loop(burst_events(entry.numbers(), entry.period_pips), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("burst", MEMBERS, PEAKS, authored=fitted_family(burst_loop, PEAKS), character=CHARACTER)
