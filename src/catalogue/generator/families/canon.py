"""The `canon` family: a rational-beat motif passed between a lateral and a depth lane, answered
with its sides inverted in the second half.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Tuple

from ..builders.events import Event, beats, event_loop
from ..builders.fitting import fitted_family, member_parameters
from ..family import Character, Family, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    tuple(f"{n:02d}_{entry}" for n in range(1, 9) for entry in ("close", "late")),
    period=512,
    dimensions=3,
    description="A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.",
)

PEAKS = Peaks.of("0.278-0.279", "0.175-0.311", "0.192-0.258")

HALF_LOOP_BEATS = Fraction(4)


# Each motif: (beat within the motif, weight, side) per note; every note time is a rational beat.
Motif = Tuple[Tuple[str, float, int], ...]
CANON_MOTIFS: Dict[str, Motif] = {
    "01": (("0", 1.0, 1), ("2/3", 0.6, -1), ("1", 0.8, 1), ("3/2", 0.5, -1)),
    "02": (("0", 1.0, 1), ("1/2", 0.5, 1), ("3/4", 0.7, -1), ("5/3", 0.6, -1)),
    "03": (("0", 1.0, -1), ("1/3", 0.55, 1), ("2/3", 0.55, 1), ("3/2", 0.8, -1)),
    "04": (("0", 1.0, 1), ("3/4", 0.7, -1), ("5/4", 0.5, 1), ("7/4", 0.65, -1)),
    "05": (("0", 1.0, 1), ("2/5", 0.5, -1), ("4/5", 0.6, 1), ("6/5", 0.7, -1), ("8/5", 0.5, 1)),
    "06": (("0", 0.9, -1), ("1/2", 1.0, 1), ("4/3", 0.6, -1), ("5/3", 0.5, 1)),
    "07": (("0", 1.0, 1), ("1/4", 0.45, 1), ("1", 0.75, -1), ("5/4", 0.45, -1), ("7/4", 0.6, 1)),
    "08": (("0", 1.0, 1), ("3/5", 0.6, -1), ("1", 0.5, -1), ("7/5", 0.8, 1)),
}
# How long after the call the imitating lane comes in.
CANON_ENTRY_DELAYS: Dict[str, Fraction] = {"close": Fraction(1, 2), "late": Fraction(3, 2)}
CANON_HALF_WIDTH = 7.0  # pips; notes of one lane are at least 16 pips apart


def lateral_note(weight: float, side: int) -> Vector:
    return (side * weight, -0.5 * weight, 0.0)


def depth_note(weight: float, side: int) -> Vector:
    """Depth notes go forward for one side and back for the other, with a trace of the side on x."""
    return (0.15 * side * weight, -0.35 * weight, side * weight)


def canon_events(motif: Motif, delay: Fraction) -> List[Event]:
    """First half: the lateral lane calls and the depth lane imitates `delay` beats later. Second half:
    the depth lane calls, and the lateral lane responds with the motif's sides inverted."""
    events: List[Event] = []
    for text, weight, side in motif:
        at = beats(text)
        events.append(Event(at, lateral_note(weight, side), CANON_HALF_WIDTH))
        events.append(Event(delay + at, depth_note(weight, side), CANON_HALF_WIDTH))
        events.append(Event(HALF_LOOP_BEATS + at, depth_note(weight, side), CANON_HALF_WIDTH))
        events.append(Event(HALF_LOOP_BEATS + delay + at, lateral_note(weight, -side), CANON_HALF_WIDTH))
    return events


def canon_loop(entry: Entry) -> Loop:
    number, entry_kind = entry.member.split("_")
    motif = member_parameters(CANON_MOTIFS, entry, number)
    delay = member_parameters(CANON_ENTRY_DELAYS, entry, entry_kind)
    return event_loop(canon_events(motif, delay), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("canon", MEMBERS, PEAKS, authored=fitted_family(canon_loop, PEAKS), character=CHARACTER)
