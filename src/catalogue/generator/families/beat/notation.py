"""Drum notation: the hit record and the small figures that drum scores are written with.

A score part is a tuple of hits in time order. Times are exact fractions of a pip, so triplets,
swing and pushed or dragged strokes stay exact until a motion turns them into floats.

Step grids are written sixteen steps to the bar (one step = a sixteenth note = 16 pips), bars
separated by `|`:

    "X...x...X...x..."    X accent, x normal, o soft, g ghost, . rest

Bass lines use the same grid with a pitch per onset, in semitones above the root:

    "0==.7=..c......."    0-9, a, b, c onset at that pitch, = holds the previous note, . rest
"""

from __future__ import annotations

from dataclasses import dataclass, replace
from fractions import Fraction
from typing import Dict, Iterable, Tuple, Union

STEP = 16  # one sixteenth note
BAR = 256  # one 4/4 bar
STEPS_PER_BAR = BAR // STEP

VELOCITY: Dict[str, float] = {"X": 1.0, "x": 0.8, "o": 0.55, "g": 0.3}
GHOST_LIMIT = 0.5  # hits quieter than this are ghost strokes
REST = "."
HOLD = "="
BAR_LINE = "|"
PITCH_DIGITS = "0123456789abc"

Time = Union[int, Fraction]

BAD_BAR_LENGTH = "every bar of a step grid must hold 16 steps: "
BAD_SYMBOL = "unknown symbol in a step grid: "
HOLD_WITHOUT_NOTE = "a hold must follow a note: "


@dataclass(frozen=True)
class Hit:
    """One drum stroke or bass note: when (pips), how hard (0 to 1), how long (pips) and how high (semitones)."""

    time: Fraction
    velocity: float
    length: Fraction = Fraction(0)
    pitch: int = 0

    @property
    def ghost(self) -> bool:
        return self.velocity < GHOST_LIMIT


Part = Tuple[Hit, ...]


def _steps(pattern: str) -> str:
    """The step symbols of a grid, after checking that each bar holds sixteen of them."""
    compact = pattern.replace(" ", "")
    if BAR_LINE in compact:
        for bar in compact.split(BAR_LINE):
            if len(bar) != STEPS_PER_BAR:
                raise ValueError(BAD_BAR_LENGTH + pattern)
    return compact.replace(BAR_LINE, "")


def grid(pattern: str, start: Time = 0, step: Time = STEP) -> Part:
    """Hits from a velocity grid: one symbol per step, X x o g for strokes and . for rests."""
    hits = []
    for index, symbol in enumerate(_steps(pattern)):
        if symbol == REST:
            continue
        if symbol not in VELOCITY:
            raise ValueError(BAD_SYMBOL + symbol)
        hits.append(Hit(Fraction(start) + index * Fraction(step), VELOCITY[symbol]))
    return tuple(hits)


def pitched(pattern: str, voices: Dict[str, Tuple[float, int]], start: Time = 0, step: Time = STEP) -> Part:
    """Hits of a pitched drum set (toms, bells, log drums): each symbol names a voice (velocity, pitch)."""
    hits = []
    for index, symbol in enumerate(_steps(pattern)):
        if symbol == REST:
            continue
        if symbol not in voices:
            raise ValueError(BAD_SYMBOL + symbol)
        velocity, pitch = voices[symbol]
        hits.append(Hit(Fraction(start) + index * Fraction(step), velocity, pitch=pitch))
    return tuple(hits)


def bassline(pattern: str, velocity: float = 0.8, accents: str = "", start: Time = 0, step: Time = STEP) -> Part:
    """Bass notes from a pitch grid; `accents` may mark accented onsets with X on the same grid."""
    symbols = _steps(pattern)
    accent_marks = _steps(accents) if accents else ""
    notes = []
    for index, symbol in enumerate(symbols):
        if symbol == REST:
            continue
        if symbol == HOLD:
            if not notes:
                raise ValueError(HOLD_WITHOUT_NOTE + pattern)
            notes[-1] = replace(notes[-1], length=notes[-1].length + Fraction(step))
            continue
        if symbol not in PITCH_DIGITS:
            raise ValueError(BAD_SYMBOL + symbol)
        accented = index < len(accent_marks) and accent_marks[index] == "X"
        notes.append(
            Hit(Fraction(start) + index * Fraction(step), 1.0 if accented else velocity, Fraction(step), PITCH_DIGITS.index(symbol))
        )
    return tuple(notes)


def tuplet(start: Time, span: Time, count: int, velocities: Iterable[float]) -> Part:
    """`count` evenly spaced strokes filling `span` pips from `start`: a true tuplet, not a grid figure."""
    levels = tuple(velocities)
    return tuple(Hit(Fraction(start) + Fraction(span) * i / count, levels[i % len(levels)]) for i in range(count))


def roll(start: Time, span: Time, count: int, softest: float, loudest: float) -> Part:
    """An evenly spaced roll whose strokes swell from `softest` to `loudest`."""
    return tuple(
        Hit(Fraction(start) + Fraction(span) * i / count, softest + (loudest - softest) * i / max(1, count - 1)) for i in range(count)
    )


def every(interval: Time, period: int, velocities: Iterable[float], start: Time = 0) -> Part:
    """A figure of strokes `interval` pips apart from `start` to the end of the period, cycling its velocities."""
    levels = tuple(velocities)
    hits = []
    time = Fraction(start)
    index = 0
    while time < period:
        hits.append(Hit(time, levels[index % len(levels)]))
        time += Fraction(interval)
        index += 1
    return tuple(hits)


def swing(part: Part, delay: Time, unit: int = STEP) -> Part:
    """Delays every stroke on the second `unit` of each pair: swung sixteenths by default, swung eighths with unit 32."""
    return tuple(replace(h, time=h.time + Fraction(delay)) if h.time % (2 * unit) == unit else h for h in part)


def nudge(part: Part, moves: Dict[int, Time]) -> Part:
    """Moves single strokes off the grid: `moves` maps a step index (sixteenths from 0) to pips early (-) or late (+)."""
    return tuple(
        replace(h, time=h.time + Fraction(moves[int(h.time // STEP)])) if h.time % STEP == 0 and int(h.time // STEP) in moves else h
        for h in part
    )


def shift(part: Part, pips: Time) -> Part:
    return tuple(replace(h, time=h.time + Fraction(pips)) for h in part)


def window(part: Part, start: Time, end: Time) -> Part:
    """The strokes of a part within [start, end)."""
    return tuple(h for h in part if Fraction(start) <= h.time < Fraction(end))


def chop(part: Part, source: Time, length: Time, destination: Time) -> Part:
    """A fragment of `length` pips cut at `source` and pasted at `destination`: a rearranged break slice."""
    return shift(window(part, source, Fraction(source) + Fraction(length)), Fraction(destination) - Fraction(source))


def without_ghosts(part: Part) -> Part:
    return tuple(h for h in part if not h.ghost)


def softer(part: Part, factor: float) -> Part:
    return tuple(replace(h, velocity=h.velocity * factor) for h in part)


def join(*parts: Part) -> Part:
    """Several figures played by one part, in time order (a later figure wins a tie in order only)."""
    merged = [h for part in parts for h in part]
    merged.sort(key=lambda h: h.time)
    return tuple(merged)


# Figures shared by many scores.


def four_on_the_floor(bars: int, symbol: str = "X") -> Part:
    """A kick on every quarter note."""
    return grid((symbol + "...") * 4 * bars)


def backbeat(bars: int, symbol: str = "X") -> Part:
    """Snare or clap on beats 2 and 4."""
    return grid(("...." + symbol + "...") * 2 * bars)


def offbeat_eighths(bars: int, symbol: str = "x") -> Part:
    """A stroke on the & of every beat: the offbeat hat (or bass) of house, trance and garage."""
    return grid((".." + symbol + ".") * 4 * bars)


def eighths(bars: int, on: str = "x", off: str = "o") -> Part:
    return grid((on + "." + off + ".") * 4 * bars)


def sixteenths(bars: int, accents: str = "xggg") -> Part:
    """Straight sixteenths whose velocities follow a one-beat accent figure."""
    return grid(accents * 4 * bars)
