"""The `triplet` family: a triplet grid with deliberate omissions, answered off the grid or
rotated after four beats.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Tuple

from ..builders.events import Event, event_loop
from ..builders.fitting import fitted_family, member_parameters
from ..family import Character, Family, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    tuple(f"{n:02d}_{kind}" for n in range(1, 9) for kind in ("answer", "turnaround")),
    period=512,
    dimensions=3,
    description=(
        "Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four"
        " beats."
    ),
)

PEAKS = Peaks.of("0.294", "0.114-0.192", "0.207")


# One word per member over four beats of triplets (three letters a beat): 1 is a hit, 0 a
# deliberate omission.
TRIPLET_WORDS: Dict[str, str] = {
    "01": "111101110110",
    "02": "101110111011",
    "03": "110111011101",
    "04": "111011100111",
    "05": "101101110110",
    "06": "110110101111",
    "07": "011111101101",
    "08": "111100111010",
}
TRIPLET_SLOT = Fraction(1, 3)
TRIPLET_DOWNBEAT: Vector = (1.0, -0.8, 1.0)  # the first triplet of a beat also comes forward
TRIPLET_OFFBEAT: Vector = (0.6, -0.5, 0.0)
TRIPLET_ANSWER: Vector = (-0.5, 0.7, 0.5)  # an answer lifts, to the other side, and forward
TRIPLET_HIT_WIDTH = 6.0  # pips
TRIPLET_ANSWER_WIDTH = 4.5  # both together stay under the 32/3-pip gap between a slot and its answer


def rotated(word: str, places: int) -> str:
    """The word turned `places` letters later around its cycle."""
    return word[-places:] + word[:-places]


def triplet_words(word: str, manner: str) -> Tuple[str, str]:
    """The omission words of the two four-beat halves: unchanged when answering, one slot later in the turnaround."""
    return (word, rotated(word, 1) if manner == "turnaround" else word)


def triplet_events(word: str, manner: str) -> List[Event]:
    """Hits on the triplet grid, sides alternating by beat. An `answer` member fills each omitted slot
    with an off-grid answer half a triplet later."""
    events: List[Event] = []
    for half, half_word in enumerate(triplet_words(word, manner)):
        for place, letter in enumerate(half_word):
            slot = half * len(half_word) + place
            beat = TRIPLET_SLOT * slot
            side = 1.0 if (slot // 3) % 2 == 0 else -1.0
            if letter == "1":
                x, y, z = TRIPLET_DOWNBEAT if slot % 3 == 0 else TRIPLET_OFFBEAT
                events.append(Event(beat, (side * x, y, z), TRIPLET_HIT_WIDTH))
            elif manner == "answer":
                x, y, z = TRIPLET_ANSWER
                events.append(Event(beat + TRIPLET_SLOT / 2, (side * x, y, z), TRIPLET_ANSWER_WIDTH))
    return events


def triplet_loop(entry: Entry) -> Loop:
    number, manner = entry.member.split("_")
    word = member_parameters(TRIPLET_WORDS, entry, number)
    return event_loop(triplet_events(word, manner), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("triplet", MEMBERS, PEAKS, authored=fitted_family(triplet_loop, PEAKS), character=CHARACTER)
