"""The `accent_walk` family: a steady pulse grid over four bars with a two-accent motif that moves
from bar to bar.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import List

from ..builders.events import WIDEST_GESTURE, Event, event_loop, separated
from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    words("5_1 5_2 7_1 7_2 7_3 8_1 8_3 9_1 9_2 9_4 10_3 11_2 11_3 12_5 13_3 13_5"),
    period=1024,
    dimensions=3,
    description="A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.",
)

PEAKS = Peaks.of("0.256-0.314", "0.09-0.118", "0.154")


ACCENT_WALK_BARS = 4
BAR_BEATS = 4
WALK_PULSE: Vector = (0.15, -0.8, 0.0)  # pulses tick downward, alternating a little side to side
WALK_STRONG: Vector = (1.0, -1.0, 1.0)  # the motif's first accent, to the bar's side and forward
WALK_WEAK: Vector = (-0.6, -0.9, 0.45)  # its answer, one pulse later, to the other side


def walk_motif_start(bar: int, pulses: int, step: int) -> int:
    """The pulse of a bar where the motif begins: it moves `step` pulses later every bar."""
    return (bar * step) % pulses


def accent_walk_events(pulses: int, step: int, period: int) -> List[Event]:
    """`pulses` evenly spaced pulses in each of four bars; the motif takes two of them in every bar.

    Accents replace the pulse they fall on, so the grid's spacing never changes.
    """
    events: List[Event] = []
    for bar in range(ACCENT_WALK_BARS):
        side = 1.0 if bar % 2 == 0 else -1.0
        strong = walk_motif_start(bar, pulses, step)
        weak = (strong + 1) % pulses
        for pulse in range(pulses):
            if pulse == strong:
                amplitude = (side * WALK_STRONG[0], WALK_STRONG[1], WALK_STRONG[2])
            elif pulse == weak:
                amplitude = (side * WALK_WEAK[0], WALK_WEAK[1], WALK_WEAK[2])
            else:
                tick = 1.0 if pulse % 2 == 0 else -1.0
                amplitude = (tick * WALK_PULSE[0], WALK_PULSE[1], WALK_PULSE[2])
            events.append(Event(BAR_BEATS * (bar + Fraction(pulse, pulses)), amplitude))
    return separated(events, period, WIDEST_GESTURE)


def accent_walk_loop(entry: Entry) -> Loop:
    pulses, step = entry.numbers()
    return event_loop(accent_walk_events(pulses, step, entry.period_pips), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("accent_walk", MEMBERS, PEAKS, authored=fitted_family(accent_walk_loop, PEAKS), character=CHARACTER)
