"""Gesture studies laid on rhythmic grids: `ladder`, `necklace`, `accent_walk`, `triplet` and `burst`."""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Sequence, Tuple

from ...model import Entry, Loop
from ...shaping import Vector
from .events import Event, event_loop, scaled_vector, separated
from .fitting import fitted_family, member_parameters

WIDEST_GESTURE = 12.0  # pips; denser grids get narrower gestures (events.separated)

# --- ladder: four two-beat regions, each with its own number of evenly spaced events ------------------

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


# --- necklace: a cyclic binary word of eighth notes ---------------------------------------------------

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


# --- accent_walk: a steady pulse grid with a two-accent motif that moves from bar to bar -------------

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


# --- triplet: a triplet grid with omissions, answered off the grid or rotated -------------------------

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


# --- burst: three directional bursts, each subdivided its own way, then a late settling accent --------

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


FAMILIES = {
    "ladder": fitted_family(ladder_loop),
    "necklace": fitted_family(necklace_loop),
    "accent_walk": fitted_family(accent_walk_loop),
    "triplet": fitted_family(triplet_loop),
    "burst": fitted_family(burst_loop),
}
