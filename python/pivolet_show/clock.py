"""Musical time on a monotonic clock: which pip it is at any instant, at a tempo that may change.

The pip is never accumulated frame by frame. The clock keeps an anchor (an instant in integer
nanoseconds and the exact pip at that instant, a fraction) and the tempo as a fraction, and works
out every reading from them in integer arithmetic, so an hour of playing drifts by nothing. A tempo
change, a seek or a phase reset only moves the anchor.
"""

from __future__ import annotations

import dataclasses
import math
import time
from collections.abc import Callable
from fractions import Fraction
from typing import Union

import pivolet

NANOSECONDS_PER_MINUTE = 60 * 10**9
DEFAULT_BEATS_PER_BAR = 4

Number = Union[int, float, str, Fraction]

NOT_A_TEMPO = "the tempo must be a finite positive number of beats per minute, not {value!r}"
NOT_A_BAR = "a bar holds a positive whole number of beats, not {value!r}"
UNKNOWN_UNIT = "a phase resets to the next 'beat' or 'bar', not {unit!r}"


def exact_fraction(value: Number) -> Fraction:
    """The number a person wrote, as an exact fraction: 127.3 is 1273/10, not the nearest double.

    A float is read through its shortest decimal form, which is what was typed to make it."""
    if isinstance(value, float):
        if not math.isfinite(value):
            raise ValueError(value)
        return Fraction(repr(value))
    return Fraction(value)


def positive_fraction(value: Number, message: str) -> Fraction:
    """`value` as an exact fraction above zero; ValueError carrying `message` otherwise."""
    try:
        exact = exact_fraction(value)
    except (ValueError, ZeroDivisionError, TypeError):
        raise ValueError(message.format(value=value)) from None
    if exact <= 0:
        raise ValueError(message.format(value=value))
    return exact


@dataclasses.dataclass(frozen=True)
class PipReading:
    """A reading of the clock: the whole pip, and how far the instant lies towards the next one."""

    pip: int
    fraction: float  # in [0, 1)

    def bar_and_beat(self, beats_per_bar: int = DEFAULT_BEATS_PER_BAR) -> tuple[int, int]:
        """Bar and beat counted from 1, as musicians count: pip 0 is bar 1, beat 1."""
        beat = self.pip // pivolet.PIPS_PER_BEAT
        return beat // beats_per_bar + 1, beat % beats_per_bar + 1


class TempoClock:
    """Pips from a monotonic clock in integer nanoseconds.

    `now` is the clock read when a method is given no instant (by default `time.monotonic_ns`); a
    test passes a fake one. Every change increments `version`, so a caller that computed something
    from an earlier reading can tell that it is stale.
    """

    def __init__(self, bpm: Number, start_pip: int = 0, *, origin_ns: int | None = None,
                 beats_per_bar: int = DEFAULT_BEATS_PER_BAR, now: Callable[[], int] = time.monotonic_ns):
        if not isinstance(beats_per_bar, int) or isinstance(beats_per_bar, bool) or beats_per_bar < 1:
            raise ValueError(NOT_A_BAR.format(value=beats_per_bar))
        self._now = now
        self.beats_per_bar = beats_per_bar
        self.version = 0
        self._anchor(now() if origin_ns is None else origin_ns, Fraction(start_pip),
                     positive_fraction(bpm, NOT_A_TEMPO))

    def _anchor(self, at_ns: int, pip: Fraction, bpm: Fraction) -> None:
        # pip(t) = pip + (t - at) * bpm * 64 / 60e9; over one common denominator, with
        # pip = p / q and bpm = n / d, that is (p * d * 60e9 + (t - at) * n * 64 * q) / (q * d * 60e9).
        self._anchor_ns = at_ns
        self._anchor_pip = pip
        self._bpm = bpm
        self._denominator = pip.denominator * bpm.denominator * NANOSECONDS_PER_MINUTE
        self._base = pip.numerator * bpm.denominator * NANOSECONDS_PER_MINUTE
        self._per_ns = bpm.numerator * pivolet.PIPS_PER_BEAT * pip.denominator
        self.version += 1

    @property
    def bpm(self) -> Fraction:
        return self._bpm

    @property
    def origin_ns(self) -> int:
        """The instant of the last anchor: the start, or the latest tempo change, seek or reset."""
        return self._anchor_ns

    def now_ns(self) -> int:
        return self._now()

    def exact_pip_at(self, at_ns: int) -> Fraction:
        return Fraction(self._base + (at_ns - self._anchor_ns) * self._per_ns, self._denominator)

    def reading_at(self, at_ns: int) -> PipReading:
        pip, remainder = divmod(self._base + (at_ns - self._anchor_ns) * self._per_ns, self._denominator)
        return PipReading(pip, remainder / self._denominator)

    def pip_at(self, at_ns: int) -> int:
        return (self._base + (at_ns - self._anchor_ns) * self._per_ns) // self._denominator

    def ns_at_pip(self, pip: Number) -> int:
        """The first whole nanosecond at which the clock reads `pip` or later, at the present tempo."""
        # Smallest t with base + (t - anchor) * per_ns >= pip * denominator.
        target = Fraction(pip) * self._denominator - self._base
        return self._anchor_ns + math.ceil(target / self._per_ns)

    def set_tempo(self, bpm: Number, at_ns: int | None = None) -> None:
        """From `at_ns` on, the clock runs at `bpm`; the pip at that instant stays where it was."""
        at = self._now() if at_ns is None else at_ns
        tempo = positive_fraction(bpm, NOT_A_TEMPO)
        self._anchor(at, self.exact_pip_at(at), tempo)

    def seek(self, pip: int, at_ns: int | None = None) -> None:
        """The clock reads exactly `pip` at `at_ns` and runs on from there at the same tempo."""
        at = self._now() if at_ns is None else at_ns
        self._anchor(at, Fraction(pip), self._bpm)

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
        self._anchor(at, Fraction(math.ceil(self.exact_pip_at(at) / length) * length), self._bpm)
