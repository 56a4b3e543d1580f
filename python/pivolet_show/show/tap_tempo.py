"""Tap tempo: the tempo of the last taps, each at most two seconds after the one before it.

A tap more than two seconds after the last begins a new series; a tap closer than a twentieth of a
second to the last is taken as a bounce of the same tap and ignored. The tempo is that of the
latest taps of the series (up to eight), from the first to the last of them, in exact fractions.
"""

from __future__ import annotations

import collections
from fractions import Fraction

NANOSECONDS_PER_MINUTE = 60 * 10**9
LONGEST_GAP_NS = 2 * 10**9
SHORTEST_GAP_NS = 50_000_000
MOST_TAPS = 8


class TapTempo:
    def __init__(self) -> None:
        self._taps: collections.deque[int] = collections.deque(maxlen=MOST_TAPS)

    def tap(self, at_ns: int) -> Fraction | None:
        """Counts a tap at `at_ns`; the tempo of the series so far, or None while it has one tap."""
        taps = self._taps
        if taps and at_ns - taps[-1] < SHORTEST_GAP_NS:
            return self.bpm
        if taps and at_ns - taps[-1] > LONGEST_GAP_NS:
            taps.clear()
        taps.append(at_ns)
        return self.bpm

    @property
    def bpm(self) -> Fraction | None:
        taps = self._taps
        if len(taps) < 2:
            return None
        return Fraction(NANOSECONDS_PER_MINUTE * (len(taps) - 1), taps[-1] - taps[0])
