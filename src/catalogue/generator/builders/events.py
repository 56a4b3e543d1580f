"""Rhythmic studies as event lists: times in exact beats, amplitudes, and the bumps they become."""

from __future__ import annotations

from dataclasses import dataclass, replace
from fractions import Fraction
from typing import List, Sequence

from ..model import Loop
from ..shaping import PIPS_PER_BEAT, Gesture, Vector, gesture_sum, loop_distance

# Separated events get half-widths of this share of the gap to their nearest neighbour, so that
# two neighbouring bumps never touch and every event stays a gesture of its own.
SEPARATION_SHARE = 0.4
# The widest half-width of the grid studies' separated gestures, in pips; denser grids get narrower ones.
WIDEST_GESTURE = 12.0


@dataclass(frozen=True)
class Event:
    """One gesture of a study: when (in beats, exactly), which way and how far, and how wide (pips)."""

    beat: Fraction
    amplitude: Vector
    half_width: float = 0.0

    def pip(self) -> float:
        return float(self.beat * PIPS_PER_BEAT)


def beats(text: str) -> Fraction:
    """A beat time written as a fraction, e.g. "5/3"."""
    return Fraction(text)


def separated(events: Sequence[Event], period: int, widest: float) -> List[Event]:
    """The events with half-widths set from their spacing around the loop, never more than `widest` pips."""
    pips = [event.pip() for event in events]
    result: List[Event] = []
    for i, event in enumerate(events):
        nearest = float(period)
        for j, other in enumerate(pips):
            if j != i:
                gap = abs(loop_distance(other, pips[i], period))
                if 0.0 < gap < nearest:
                    nearest = gap
        result.append(replace(event, half_width=min(widest, SEPARATION_SHARE * nearest)))
    return result


def event_loop(events: Sequence[Event], period: int) -> Loop:
    """The loop of the events' symmetric bumps, summed in the order given."""
    return gesture_sum([Gesture(event.pip(), event.amplitude, event.half_width) for event in events], period)


def scaled_vector(vector: Vector, factor: float) -> Vector:
    return (vector[0] * factor, vector[1] * factor, vector[2] * factor)
