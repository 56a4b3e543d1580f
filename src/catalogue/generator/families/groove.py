"""The `groove` family: two two-bar funk excerpts, each as played (hits early or late by fractions of a
pip) and on the grid (the same hits quantised to sixteenths), turned into summed drum gestures."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Dict, List, Tuple

from ..family import Character, Family, Member, alike_pairs, by_member
from ..model import Entry, Loop, Peaks
from ..shaping import Gesture, Vector, gesture_sum, scale_axes

EN_DASH = "\N{EN DASH}"

MEMBERS = (
    Member("a_played", 512, 2, f"Two-bar funk excerpt A (4{EN_DASH}12 source beats), performed microtiming."),
    Member("a_grid", 512, 2, f"Two-bar funk excerpt A (4{EN_DASH}12 source beats), same hits quantised to sixteenths."),
    Member("b_played", 512, 2, f"Two-bar funk excerpt B (36{EN_DASH}44 source beats), performed microtiming."),
    Member("b_grid", 512, 2, f"Two-bar funk excerpt B (36{EN_DASH}44 source beats), same hits quantised to sixteenths."),
)

PEAKS = Peaks.of("0.649-1", "0.412-0.486", "0")

SIXTEENTH_PIPS = 16


@dataclass(frozen=True)
class Voice:
    """How one drum moves the point: a direction per unit velocity and the gesture's half-width in pips."""

    direction: Vector
    half_width: float
    alternates: bool = False  # hats lean right on the eighth-note sixteenths and left on the others


VOICES: Dict[str, Voice] = {
    "kick": Voice((-0.3, -1.0, 0.0), 20.0),
    "snare": Voice((1.0, 0.3, 0.0), 16.0),
    "ghost": Voice((0.35, 0.08, 0.0), 7.0),
    "hat": Voice((0.16, 0.1, 0.0), 6.0, alternates=True),
    "open_hat": Voice((-0.45, 0.35, 0.0), 14.0),
}


# A hit of an excerpt: (sixteenth step 0–31, velocity, microtiming in pips as played; negative is early).
GrooveHit = Tuple[int, float, float]


EXCERPT_A: Dict[str, Tuple[GrooveHit, ...]] = {
    "kick": (
        (0, 1.0, -0.5), (3, 0.7, 1.25), (6, 0.8, -0.75), (10, 0.9, 0.5),
        (16, 1.0, -0.25), (19, 0.65, 1.5), (22, 0.85, -1.0), (25, 0.75, 0.75),
    ),
    "snare": ((4, 0.95, 1.75), (12, 1.0, 2.0), (20, 0.95, 1.5), (28, 1.0, 2.25)),
    "ghost": (
        (7, 0.35, -1.25), (9, 0.3, 0.75), (14, 0.4, -1.5), (15, 0.3, 1.0),
        (23, 0.35, -1.0), (27, 0.3, 0.5), (30, 0.4, -1.75), (31, 0.3, 0.75),
    ),
    "hat": (
        (0, 0.6, -0.25), (2, 0.45, 0.75), (4, 0.6, -0.5), (6, 0.45, 1.0),
        (8, 0.6, -0.25), (10, 0.45, 0.5), (12, 0.6, -0.75), (14, 0.45, 1.25),
        (16, 0.6, -0.5), (18, 0.45, 0.75), (20, 0.6, -0.25), (22, 0.45, 1.0),
        (24, 0.6, -0.5), (26, 0.45, 0.5), (28, 0.6, -0.25), (30, 0.45, 1.25),
    ),
}


EXCERPT_B: Dict[str, Tuple[GrooveHit, ...]] = {
    "kick": (
        (0, 1.0, -0.75), (2, 0.6, 1.0), (7, 0.8, 0.5), (10, 0.85, -0.5),
        (16, 1.0, -0.5), (18, 0.55, 1.25), (21, 0.75, -1.0), (23, 0.8, 0.75), (26, 0.7, -0.25),
    ),
    "snare": ((4, 1.0, 1.5), (12, 0.95, 1.25), (15, 0.55, -0.75), (20, 1.0, 2.0), (28, 0.95, 1.75), (30, 0.6, -1.25)),
    "ghost": ((6, 0.35, -1.0), (9, 0.3, 0.5), (13, 0.4, -1.25), (17, 0.3, 0.75), (22, 0.35, -0.5), (25, 0.3, 1.0), (29, 0.4, -1.5)),
    "hat": (
        (0, 0.6, -0.25), (1, 0.35, 0.5), (2, 0.55, -0.5), (3, 0.35, 0.75),
        (4, 0.6, -0.25), (5, 0.3, 1.0), (6, 0.55, -0.75), (7, 0.35, 0.5),
        (8, 0.6, -0.5), (9, 0.35, 0.75), (10, 0.55, -0.25), (12, 0.6, -0.5),
        (13, 0.3, 0.75), (14, 0.55, -0.25), (15, 0.35, 1.0), (16, 0.6, -0.75),
        (17, 0.35, 0.5), (18, 0.55, -0.25), (19, 0.35, 0.75), (20, 0.6, -0.5),
        (21, 0.3, 1.0), (22, 0.55, -0.25), (23, 0.35, 0.5), (24, 0.6, -0.75),
        (25, 0.35, 0.75), (26, 0.55, -0.5), (28, 0.6, -0.25), (29, 0.3, 0.5),
        (30, 0.55, -0.5), (31, 0.35, 1.25),
    ),
    "open_hat": ((11, 0.7, 1.0), (27, 0.75, 0.5)),
}


# member -> (excerpt, played, peak targets)
GROOVE_MEMBERS: Dict[str, Tuple[Dict[str, Tuple[GrooveHit, ...]], bool, Vector]] = {
    "a_played": (EXCERPT_A, True, (0.649, 0.412, 0.0)),
    "a_grid": (EXCERPT_A, False, (0.79, 0.437, 0.0)),
    "b_played": (EXCERPT_B, True, (1.0, 0.486, 0.0)),
    "b_grid": (EXCERPT_B, False, (1.0, 0.462, 0.0)),
}


def groove_gestures(member: str, period: int) -> List[Gesture]:
    """The member's hits as gestures, voice by voice in the order the excerpt lists them."""
    excerpt, played, _ = GROOVE_MEMBERS[member]
    gestures: List[Gesture] = []
    for voice_name, hits in excerpt.items():
        voice = VOICES[voice_name]
        for step, velocity, offset in hits:
            time = SIXTEENTH_PIPS * step + (offset if played else 0.0)
            side = -1.0 if voice.alternates and step % 2 == 1 else 1.0
            dx, dy, dz = voice.direction
            amplitude = (side * dx * velocity, dy * velocity, dz * velocity)
            gestures.append(Gesture(time % period, amplitude, half_width=voice.half_width))
    return gestures


def _groove_member(entry: Entry) -> Loop:
    raw = gesture_sum(groove_gestures(entry.member, entry.period_pips), entry.period_pips)
    return scale_axes(raw, GROOVE_MEMBERS[entry.member][2])


# Each grid member is its played excerpt with the hits quantised.
CHARACTER = Character(alike=alike_pairs(("a_played", "a_grid"), ("b_played", "b_grid")))

FAMILY = Family(
    "groove", MEMBERS, PEAKS, authored=by_member({member: _groove_member for member in GROOVE_MEMBERS}), character=CHARACTER
)
