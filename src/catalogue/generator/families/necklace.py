"""The `necklace` family: cyclic binary accent words of eighth notes; the complement moves the
other side and rising accents add depth.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List

from ..builders.events import Event, event_loop
from ..builders.fitting import fitted_family, member_parameters
from ..family import Character, Family, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    tuple(f"{n:02d}" for n in range(1, 17)),
    period=512,
    dimensions=3,
    description="A hand-authored binary accent word; its complement moves the other side and rising accents add depth.",
)

PEAKS = Peaks.of("0.248", "0.096", "0.159")


# One word per member, one letter per eighth note of the eight-beat loop: 1 is an accent, 0 its
# complement. No word is a rotation of another, so each member is a different necklace.
NECKLACE_WORDS: Dict[str, str] = {
    "01": "1001001010010010",
    "02": "1010110010101100",
    "03": "1100100011001010",
    "04": "1000101110001010",
    "05": "1110010011100100",
    "06": "1011011010110100",
    "07": "1001101001011001",
    "08": "1101000110100010",
    "09": "1000010010000110",
    "10": "1110111010000100",
    "11": "1010100110010100",
    "12": "1100011001110001",
    "13": "1001110001001100",
    "14": "1111000110100100",
    "15": "1011101100010010",
    "16": "1101101101000100",
}
NECKLACE_STEP_BEATS = Fraction(1, 2)
NECKLACE_HALF_WIDTH = 12.0  # pips, under half the 32-pip step: the gestures never touch
NECKLACE_ACCENT: Vector = (1.0, -0.6, 0.0)
NECKLACE_COMPLEMENT: Vector = (-0.7, -0.3, 0.0)
NECKLACE_RISE_DEPTH = 1.0


def rising(word: str, step: int) -> bool:
    """An accent that follows a complement step (around the loop) is a rising accent."""
    return word[step] == "1" and word[step - 1] == "0"


def necklace_events(word: str) -> List[Event]:
    """Accents lean right, the complement steps lean left; rising accents also come forward in depth."""
    events: List[Event] = []
    for step, letter in enumerate(word):
        x, y, _ = NECKLACE_ACCENT if letter == "1" else NECKLACE_COMPLEMENT
        z = NECKLACE_RISE_DEPTH if rising(word, step) else 0.0
        events.append(Event(NECKLACE_STEP_BEATS * step, (x, y, z), NECKLACE_HALF_WIDTH))
    return events


def necklace_loop(entry: Entry) -> Loop:
    return event_loop(necklace_events(member_parameters(NECKLACE_WORDS, entry)), entry.period_pips)


CHARACTER = Character()

FAMILY = Family("necklace", MEMBERS, PEAKS, authored=fitted_family(necklace_loop, PEAKS), character=CHARACTER)
