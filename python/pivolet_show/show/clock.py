"""Musical time on a monotonic clock: which pip it is at any instant, at a tempo that may change.

The pip is never accumulated frame by frame. The clock keeps an anchor (an instant in integer
nanoseconds, the exact pip at that instant as a fraction, and the tempo as a fraction) and works
out every reading from it in integer arithmetic, so an hour of playing drifts by nothing. A tempo
change, a seek or a phase reset only moves the anchor.

An anchor may also say how the clock runs for a source that leads it: held (the pip stays where it
is, as when a sync source's transport is stopped), waiting (the pip stays until the anchor's
instant, then runs: a start that lies ahead), or under a ceiling (the pip runs at the tempo but never
passes a given pip, as a MIDI clock's pip never runs more than one tick past the last tick).

The anchor is one immutable value, replaced whole by a single assignment. Every reading takes the
anchor once and computes from it alone, so a reader on another thread sees the old anchor or the
new one, never half of each; and a caller that keeps the anchor it computed from can tell, by
identity, whether the clock has moved since.
"""

from __future__ import annotations

import dataclasses
import math
import time
from collections.abc import Callable
from fractions import Fraction

import pivolet

from pivolet_show import checks
from pivolet_show.checks import DEFAULT_BEATS_PER_BAR, Number, tempo

NANOSECONDS_PER_MINUTE = 60 * 10**9

UNKNOWN_UNIT = "a phase resets to the next 'beat' or 'bar', not {unit!r}"


@dataclasses.dataclass(frozen=True)
class PipReading:
    """A reading of the clock: the whole pip, and how far the instant lies towards the next one."""

    pip: int
    fraction: float  # in [0, 1)

    def bar_and_beat(self, beats_per_bar: int = DEFAULT_BEATS_PER_BAR) -> tuple[int, int]:
        """Bar and beat counted from 1, as musicians count: pip 0 is bar 1, beat 1."""
        beat = self.pip // pivolet.PIPS_PER_BEAT
        return beat // beats_per_bar + 1, beat % beats_per_bar + 1


@dataclasses.dataclass(frozen=True, eq=False)
class Anchor:
    """The clock runs at `bpm` from exactly `pip` at the instant `at_ns`: held, it stays at `pip`;
    waiting, it stays at `pip` until `at_ns`; it never passes `ceiling`, where one is given.

    pip(t) = pip + (t - at) * bpm * 64 / 60e9; over one common denominator, with pip = p / q,
    bpm = n / d and the ceiling c / e, that is (p * d * e * 60e9 + (t - at) * n * 64 * q * e) /
    (q * d * e * 60e9): `base`, `per_ns` (0 when held), `top` (the ceiling's numerator, or None)
    and `denominator` are those integers, worked out once.
    """

    at_ns: int
    pip: Fraction
    bpm: Fraction
    held: bool = False
    waiting: bool = False
    ceiling: Fraction | None = None
    base: int = dataclasses.field(init=False)
    per_ns: int = dataclasses.field(init=False)
    top: int | None = dataclasses.field(init=False)
    denominator: int = dataclasses.field(init=False)

    def __post_init__(self) -> None:
        pip, bpm, ceiling = self.pip, self.bpm, self.ceiling
        below = 1 if ceiling is None else ceiling.denominator
        denominator = pip.denominator * bpm.denominator * NANOSECONDS_PER_MINUTE * below
        object.__setattr__(self, "denominator", denominator)
        object.__setattr__(self, "base", pip.numerator * bpm.denominator * NANOSECONDS_PER_MINUTE * below)
        per_ns = 0 if self.held else bpm.numerator * pivolet.PIPS_PER_BEAT * pip.denominator * below
        object.__setattr__(self, "per_ns", per_ns)
        object.__setattr__(self, "top", None if ceiling is None else ceiling.numerator * (denominator // below))

    @property
    def running(self) -> bool:
        return not self.held

    def _numerator(self, at_ns: int) -> int:
        """The pip at `at_ns`, over `denominator`."""
        if self.waiting and at_ns < self.at_ns:
            at_ns = self.at_ns
        numerator = self.base + (at_ns - self.at_ns) * self.per_ns
        top = self.top
        return numerator if top is None or numerator < top else top

    def exact_pip_at(self, at_ns: int) -> Fraction:
        return Fraction(self._numerator(at_ns), self.denominator)

    def reading_at(self, at_ns: int) -> PipReading:
        pip, remainder = divmod(self._numerator(at_ns), self.denominator)
        return PipReading(pip, remainder / self.denominator)

    def pip_at(self, at_ns: int) -> int:
        return self._numerator(at_ns) // self.denominator

    def ns_at_pip(self, pip: Number) -> int | None:
        """The first whole nanosecond at which the clock reads `pip` or later (for a waiting anchor,
        `at_ns` at the earliest); None if it never will: held, or under a ceiling below `pip`."""
        wanted = Fraction(pip) * self.denominator
        if not self.per_ns or (self.top is not None and self.top < wanted):
            return None
        # Smallest t with base + (t - at) * per_ns >= wanted.
        at_ns = self.at_ns + math.ceil((wanted - self.base) / self.per_ns)
        return max(at_ns, self.at_ns) if self.waiting else at_ns

    def moved(self, at_ns: int, *, pip: Fraction | None = None, bpm: Fraction | None = None) -> Anchor:
        """An anchor at `at_ns`, held if this one is, from this one's pip there (or `pip`), at this
        one's tempo (or `bpm`): no longer waiting, and without a ceiling."""
        return Anchor(at_ns, self.exact_pip_at(at_ns) if pip is None else pip, self.bpm if bpm is None else bpm,
                      held=self.held)


class TempoClock:
    """Pips from a monotonic clock in integer nanoseconds.

    `now` is the clock read when a method is given no instant (by default `time.monotonic_ns`); a
    test passes a fake one. `anchor` is the present anchor: a new object after every change.
    """

    def __init__(self, bpm: Number, start_pip: int = 0, *, origin_ns: int | None = None,
                 beats_per_bar: int = DEFAULT_BEATS_PER_BAR, now: Callable[[], int] = time.monotonic_ns):
        self.beats_per_bar = checks.beats_per_bar(beats_per_bar)
        self._now = now
        self._anchor = Anchor(now() if origin_ns is None else origin_ns, Fraction(start_pip), tempo(bpm))

    @property
    def anchor(self) -> Anchor:
        return self._anchor

    @property
    def bpm(self) -> Fraction:
        return self._anchor.bpm

    @property
    def origin_ns(self) -> int:
        """The instant of the last anchor: the start, or the latest tempo change, seek or reset."""
        return self._anchor.at_ns

    def now_ns(self) -> int:
        return self._now()

    def exact_pip_at(self, at_ns: int) -> Fraction:
        return self._anchor.exact_pip_at(at_ns)

    def reading_at(self, at_ns: int) -> PipReading:
        return self._anchor.reading_at(at_ns)

    def pip_at(self, at_ns: int) -> int:
        return self._anchor.pip_at(at_ns)

    def ns_at_pip(self, pip: Number) -> int | None:
        """The first whole nanosecond at which the clock reads `pip` or later, at the present tempo
        (None if it never will: held, or under a ceiling below it)."""
        return self._anchor.ns_at_pip(pip)

    def place(self, anchor: Anchor) -> None:
        """From now on the clock reads from `anchor`: how a sync source moves it."""
        self._anchor = anchor

    def set_tempo(self, bpm: Number, at_ns: int | None = None) -> None:
        """From `at_ns` on, the clock runs at `bpm`; the pip at that instant stays where it was."""
        at = self._now() if at_ns is None else at_ns
        new_tempo = tempo(bpm)
        self._anchor = self._anchor.moved(at, bpm=new_tempo)

    def seek(self, pip: int, at_ns: int | None = None) -> None:
        """The clock reads exactly `pip` at `at_ns` and runs on from there at the same tempo."""
        at = self._now() if at_ns is None else at_ns
        self._anchor = self._anchor.moved(at, pip=Fraction(pip))

    def nudge(self, pips: Fraction, at_ns: int | None = None) -> None:
        """Moves the phase by `pips` (ahead when positive) at `at_ns`, at the same tempo."""
        at = self._now() if at_ns is None else at_ns
        self._anchor = self._anchor.moved(at, pip=self._anchor.exact_pip_at(at) + pips)

    def unit_length(self, unit: str) -> int:
        """The pips of a 'beat' or a 'bar'."""
        if unit == "beat":
            return pivolet.PIPS_PER_BEAT
        if unit == "bar":
            return pivolet.PIPS_PER_BEAT * self.beats_per_bar
        raise ValueError(UNKNOWN_UNIT.format(unit=unit))

    def reset_phase(self, unit: str = "beat", at_ns: int | None = None) -> None:
        """Makes `at_ns` the start of a beat (or bar): the pip moves forward to the next whole beat
        (or bar), unless it is exactly on one already, and the clock runs on from there."""
        length = self.unit_length(unit)
        at = self._now() if at_ns is None else at_ns
        anchor = self._anchor
        self._anchor = anchor.moved(at, pip=Fraction(math.ceil(anchor.exact_pip_at(at) / length) * length))
