"""Gesture studies of calls and responses: `canon`, `echo` and `dialogue`."""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Sequence, Tuple

from ...model import Entry, Loop
from ...shaping import Vector
from .events import PIPS_PER_BEAT, Event, beats, event_loop, scaled_vector, separated
from .fitting import fitted_family, member_parameters

HALF_LOOP_BEATS = Fraction(4)

# --- canon: a motif passed between a lateral and a depth lane ---------------------------------------

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


# --- echo: a call and its echoes, then a differently directed answer with the same spacing ------------

ECHO_CALL: Vector = (1.0, -0.5, 0.25)  # right, down and a little forward
ECHO_ANSWER: Vector = (-0.35, 0.3, 1.0)  # forward, lifting, a little to the left
ECHO_DECAY = 0.68  # each echo against the one before
ECHO_REGULAR_GAP = Fraction(1, 2)
ECHO_CROSSED_GAP = Fraction(3, 5)
ECHO_WIDEST = 10.0  # pips


def echo_gaps(kind: str, count: int) -> List[Fraction]:
    """The beats between successive sounds of a call: even, shrinking, expanding, or even for `crossed`."""
    if kind == "regular":
        return [ECHO_REGULAR_GAP] * count
    if kind == "crossed":
        return [ECHO_CROSSED_GAP] * count
    shrinking = [Fraction(3, j + 3) for j in range(1, count + 1)]
    return shrinking if kind == "shrinking" else shrinking[::-1]


def echo_phrase(start: Fraction, direction: Vector, gaps: Sequence[Fraction], crossed: bool) -> List[Event]:
    """The sound at `start` and one echo after each gap, each softer; crossed echoes swap sides on x."""
    events = [Event(start, direction)]
    at = start
    for j, gap in enumerate(gaps, start=1):
        at += gap
        x, y, z = scaled_vector(direction, ECHO_DECAY ** j)
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


# --- dialogue: eighth-note groups that hand the phrase from one direction to the next -----------------

EIGHTH_BEATS = Fraction(1, 2)
PICKUP_LEAD = Fraction(1, 4)  # a pickup sounds a sixteenth before the group it leads into
DIALOGUE_DIRECTIONS: Dict[str, Vector] = {
    "right": (1.0, -0.55, 0.12),
    "left": (-1.0, -0.55, 0.12),
    "depth": (0.15, -0.4, 1.0),
}
# The direction of each group, by the number of groups; neighbours (around the loop) always differ.
DIALOGUE_ORDERS: Dict[int, Tuple[str, ...]] = {3: ("right", "left", "depth"), 4: ("right", "depth", "left", "depth")}
DIALOGUE_ACCENT_BASE = 0.6
DIALOGUE_ACCENT_PER_EIGHTH = 0.1  # longer groups make a stronger statement
DIALOGUE_FOLLOW = 0.4  # the group's later eighths against its accent
DIALOGUE_FOLLOW_FADE = 0.85
DIALOGUE_PICKUP = 0.5
DIALOGUE_WIDEST = 10.0  # pips
DIALOGUE_WRONG_PERIOD = "A dialogue member must last as many eighth notes as its groups: "


def dialogue_group_starts(lengths: Sequence[int]) -> List[Fraction]:
    starts: List[Fraction] = []
    at = Fraction(0)
    for length in lengths:
        starts.append(at)
        at += EIGHTH_BEATS * length
    return starts


def dialogue_events(lengths: Sequence[int], period: int) -> List[Event]:
    """Every eighth of a group sounds in the group's direction, the first as its accent; a late pickup
    in the next group's direction comes a sixteenth before that group starts."""
    order = DIALOGUE_ORDERS[len(lengths)]
    starts = dialogue_group_starts(lengths)
    total = EIGHTH_BEATS * sum(lengths)
    events: List[Event] = []
    for g, length in enumerate(lengths):
        direction = DIALOGUE_DIRECTIONS[order[g]]
        accent = DIALOGUE_ACCENT_BASE + DIALOGUE_ACCENT_PER_EIGHTH * length
        events.append(Event(starts[g], scaled_vector(direction, accent)))
        for j in range(1, length):
            weight = accent * DIALOGUE_FOLLOW * DIALOGUE_FOLLOW_FADE ** (j - 1)
            events.append(Event(starts[g] + EIGHTH_BEATS * j, scaled_vector(direction, weight)))
        following = (g + 1) % len(lengths)
        next_start = starts[following] if following > 0 else total
        events.append(Event(next_start - PICKUP_LEAD, scaled_vector(DIALOGUE_DIRECTIONS[order[following]], DIALOGUE_PICKUP)))
    return separated(events, period, DIALOGUE_WIDEST)


def dialogue_loop(entry: Entry) -> Loop:
    lengths = entry.numbers()
    if EIGHTH_BEATS * PIPS_PER_BEAT * sum(lengths) != entry.period_pips:
        raise ValueError(DIALOGUE_WRONG_PERIOD + entry.name)
    return event_loop(dialogue_events(lengths, entry.period_pips), entry.period_pips)


FAMILIES = {
    "canon": fitted_family(canon_loop),
    "echo": fitted_family(echo_loop),
    "dialogue": fitted_family(dialogue_loop),
}
