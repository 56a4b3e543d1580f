"""Musical time on a monotonic clock: which pip it is at any instant, at a tempo that may change.

The pip is never accumulated frame by frame. The clock keeps an anchor (an instant in integer
nanoseconds, the exact pip at that instant as a fraction, and the tempo as a fraction) and works
out every reading from it in integer arithmetic, so an hour of playing drifts by nothing. A tempo
change, a seek or a phase reset only moves the anchor.

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
    """The clock runs at `bpm` from exactly `pip` at the instant `at_ns`.

    pip(t) = pip + (t - at) * bpm * 64 / 60e9; over one common denominator, with pip = p / q and
    bpm = n / d, that is (p * d * 60e9 + (t - at) * n * 64 * q) / (q * d * 60e9): `base`,
    `per_ns` and `denominator` are those three integers, worked out once.
    """

    at_ns: int
    pip: Fraction
    bpm: Fraction
    base: int = dataclasses.field(init=False)
    per_ns: int = dataclasses.field(init=False)
    denominator: int = dataclasses.field(init=False)

    def __post_init__(self) -> None:
        pip, bpm = self.pip, self.bpm
        object.__setattr__(self, "denominator", pip.denominator * bpm.denominator * NANOSECONDS_PER_MINUTE)
        object.__setattr__(self, "base", pip.numerator * bpm.denominator * NANOSECONDS_PER_MINUTE)
        object.__setattr__(self, "per_ns", bpm.numerator * pivolet.PIPS_PER_BEAT * pip.denominator)

    def exact_pip_at(self, at_ns: int) -> Fraction:
        return Fraction(self.base + (at_ns - self.at_ns) * self.per_ns, self.denominator)

    def reading_at(self, at_ns: int) -> PipReading:
        pip, remainder = divmod(self.base + (at_ns - self.at_ns) * self.per_ns, self.denominator)
        return PipReading(pip, remainder / self.denominator)

    def pip_at(self, at_ns: int) -> int:
        return (self.base + (at_ns - self.at_ns) * self.per_ns) // self.denominator

    def ns_at_pip(self, pip: Number) -> int:
        """The first whole nanosecond at which the clock reads `pip` or later."""
        # Smallest t with base + (t - at) * per_ns >= pip * denominator.
        target = Fraction(pip) * self.denominator - self.base
        return self.at_ns + math.ceil(target / self.per_ns)


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

    def ns_at_pip(self, pip: Number) -> int:
        """The first whole nanosecond at which the clock reads `pip` or later, at the present tempo."""
        return self._anchor.ns_at_pip(pip)

    def set_tempo(self, bpm: Number, at_ns: int | None = None) -> None:
        """From `at_ns` on, the clock runs at `bpm`; the pip at that instant stays where it was."""
        at = self._now() if at_ns is None else at_ns
        new_tempo = tempo(bpm)
        self._anchor = Anchor(at, self._anchor.exact_pip_at(at), new_tempo)

    def seek(self, pip: int, at_ns: int | None = None) -> None:
        """The clock reads exactly `pip` at `at_ns` and runs on from there at the same tempo."""
        at = self._now() if at_ns is None else at_ns
        self._anchor = Anchor(at, Fraction(pip), self._anchor.bpm)

    def reset_phase(self, unit: str = "beat", at_ns: int | None = None) -> None:
        """Makes `at_ns` the start of a beat (or bar): the pip moves forward to the next whole beat
        (or bar), unless it is exactly on one already, and the clock runs on from there."""
        if unit == "beat":
            length = pivolet.PIPS_PER_BEAT
        elif unit == "bar":
            length = pivolet.PIPS_PER_BEAT * self.beats_per_bar
        else:
            raise ValueError(UNKNOWN_UNIT.format(unit=unit))
        at = self._now() if at_ns is None else at_ns
        anchor = self._anchor
        self._anchor = Anchor(at, Fraction(math.ceil(anchor.exact_pip_at(at) / length) * length), anchor.bpm)
