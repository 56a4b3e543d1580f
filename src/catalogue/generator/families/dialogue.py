"""The `dialogue` family: eighth-note groups that hand the phrase from one direction to the next,
with late pickups.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Sequence, Tuple

from ..builders.events import Event, event_loop, scaled_vector, separated
from ..builders.fitting import fitted_family
from ..family import Character, Family, eighths_of_group_sum, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import PIPS_PER_BEAT, Vector

MEMBERS = templated_members(
    words(
        "3_4_5 5_3_4 3_5_2 2_5_4 4_3_2 3_2_4_5 5_2_3_4 2_3_5_3"
        " 3_4_3_5 5_4_2_3 2_4_5_2 4_5_3_2 3_5_4_3 5_3_2_5 2_5_3_5 4_3_5_4"
    ),
    period=eighths_of_group_sum,
    dimensions=3,
    description="Different eighth-note group lengths pass a phrase between directions, with late pickup responses.",
)

PEAKS = Peaks.of("0.31", "0.32", "0.12-0.32")


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


CHARACTER = Character()

FAMILY = Family("dialogue", MEMBERS, PEAKS, authored=fitted_family(dialogue_loop, PEAKS), character=CHARACTER)
