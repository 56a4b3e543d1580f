"""The `echo` family: a call and its decaying echoes, then a differently directed answer with the
same fractional spacing.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import List, Sequence

from ..builders.events import Event, event_loop, scaled_vector, separated
from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    tuple(f"{kind}_{count}" for count in (3, 4, 5, 6) for kind in ("regular", "shrinking", "expanding", "crossed")),
    period=512,
    dimensions=3,
    description="An original decaying call and a differently directed answer; echo spacing is preserved as fractions.",
)

PEAKS = Peaks.of("0.213-0.31", "0.24-0.266", "0.191-0.22")

HALF_LOOP_BEATS = Fraction(4)


ECHO_CALL: Vector = (1.0, -0.5, 0.25)  # right, down and a little forward
ECHO_ANSWER: Vector = (-0.35, 0.3, 1.0)  # forward, lifting, a little to the left
ECHO_SPAN = Fraction(3)  # beats after a sound that its echoes fill, however many there are
ECHO_SHRINK = Fraction(3, 4)  # each gap of a shrinking call against the one before
ECHO_LAST = 0.3  # the last echo against its sound; the echoes between decay evenly towards it
ECHO_WIDEST = 10.0  # pips


def echo_gaps(kind: str, count: int) -> List[Fraction]:
    """The beats between successive sounds of a call, spread over ECHO_SPAN: even (also for
    `crossed`), or each three quarters of the one before (`shrinking`) or reversed (`expanding`)."""
    if kind == "shrinking":
        weights = [ECHO_SHRINK ** j for j in range(count)]
    elif kind == "expanding":
        weights = [ECHO_SHRINK ** j for j in reversed(range(count))]
    else:
        weights = [Fraction(1)] * count
    total = sum(weights)
    return [ECHO_SPAN * weight / total for weight in weights]


def echo_phrase(start: Fraction, direction: Vector, gaps: Sequence[Fraction], crossed: bool) -> List[Event]:
    """The sound at `start` and one echo after each gap, each softer; crossed echoes swap sides on x."""
    events = [Event(start, direction)]
    at = start
    for j, gap in enumerate(gaps, start=1):
        at += gap
        x, y, z = scaled_vector(direction, ECHO_LAST ** (j / len(gaps)))
        if crossed and j % 2 == 1:
            x = -x
        events.append(Event(at, (x, y, z)))
    return events


def echo_events(kind: str, count: int, period: int) -> List[Event]:
    gaps = echo_gaps(kind, count)
    crossed = kind == "crossed"
    call = echo_phrase(Fraction(0), ECHO_CALL, gaps, crossed)
    answer = echo_phrase(HALF_LOOP_BEATS, ECHO_ANSWER, gaps, crossed)
    return separated(call + answer, period, ECHO_WIDEST)


def echo_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (count,) = entry.numbers()
    return event_loop(echo_events(kind, count, entry.period_pips), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("echo", MEMBERS, PEAKS, authored=fitted_family(echo_loop, PEAKS), character=CHARACTER)
