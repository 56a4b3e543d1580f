"""How fast a show asks its heads to turn, against how fast they can: from each head's pan or tilt
in degrees at every pip of what it plays, the largest step from one pip to the next (and from a
loop's last pip back to its first) at the show's tempo, and where a head is asked for more than its
top speed."""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence
from fractions import Fraction

import numpy as np

import pivolet

SECONDS_PER_MINUTE = 60

TOO_FAST = ("fixture {number} is asked to {axis} at {speed:.0f} degrees a second at pip {pip}, more than its "
            "top speed of {top:g}")


@dataclasses.dataclass(frozen=True)
class TooFast:
    """A head asked to turn faster than it can: its number, the axis, the pip of the clock where the
    fastest step ends, and the speeds in degrees a second."""

    number: int
    axis: str
    pip: int
    speed: float
    top: float

    def __str__(self) -> str:
        return TOO_FAST.format(number=self.number, axis=self.axis, speed=self.speed, pip=self.pip, top=self.top)


def seconds_per_pip(bpm: Fraction) -> float:
    return float(Fraction(SECONDS_PER_MINUTE) / (bpm * pivolet.PIPS_PER_BEAT))


def fastest_steps(degrees: np.ndarray, looping: bool) -> tuple[np.ndarray, np.ndarray]:
    """For a table of degrees (pips, heads): each head's largest step from one pip to the next, in
    degrees, and the row of the pip it ends at."""
    if looping:
        steps = np.abs(np.diff(degrees, axis=0, append=degrees[:1]))
        ends = (np.argmax(steps, axis=0) + 1) % len(degrees)
    elif len(degrees) < 2:
        return np.zeros(degrees.shape[1]), np.zeros(degrees.shape[1], dtype=np.int64)
    else:
        steps = np.abs(np.diff(degrees, axis=0))
        ends = np.argmax(steps, axis=0) + 1
    return steps.max(axis=0), ends


def too_fast(numbers: Sequence[int], axis: str, degrees: np.ndarray, tops: Sequence[float | None], bpm: Fraction,
             looping: bool, pips: np.ndarray) -> list[TooFast]:
    """The heads numbered in `numbers` whose `axis` (a column of `degrees` each) turns faster than
    its top speed (None: not known) at `bpm`; `pips[row, head]` is the clock's pip of each row."""
    largest, ends = fastest_steps(degrees, looping)
    speeds = largest / seconds_per_pip(bpm)
    found = []
    for column, (number, top) in enumerate(zip(numbers, tops)):
        if top is not None and speeds[column] > top:
            found.append(TooFast(number, axis, int(pips[ends[column], column]), float(speeds[column]), top))
    return found
