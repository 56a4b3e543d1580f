"""x, y and z against the pip: the lanes that show when things happen, with the beat and bar grid.

A lane spans one loop from left to right and the values [-extent, extent] from bottom to top. At
true scale the extent is 1, the module's whole range, so lanes of different loops compare; fitted,
it is the loop's largest magnitude on any axis, the same for its three lanes so that they compare
with one another.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence

import pivolet

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR as BEATS_PER_BAR
from pivolet_show.motion.loops import Loop
from pivolet_show.picture.projection import MIN_FIT_SPAN

# A loop that barely moves is not blown up into a picture of its rounding.
MIN_FIT_EXTENT = MIN_FIT_SPAN / 2


def extent(loop: Loop, *, true_scale: bool) -> float:
    if true_scale:
        return 1.0
    return max(MIN_FIT_EXTENT, *loop.peak)


@dataclasses.dataclass(frozen=True)
class Lane:
    """Where one loop's values of one axis are drawn: pip 0 at the left edge, the loop's end at the right."""

    left: float
    top: float
    width: float
    height: float
    period_pips: int
    extent: float

    @property
    def middle(self) -> float:
        return self.top + self.height / 2

    def x(self, pip: float) -> float:
        return self.left + self.width * pip / self.period_pips

    def y(self, value: float) -> float:
        return self.middle - value / self.extent * self.height / 2


@dataclasses.dataclass(frozen=True)
class GridLine:
    pip: int  # from the first pip drawn
    beat: int  # counted from 1 at pip 0
    starts_bar: bool


def beat_grid(period_pips: int, first_pip: int = 0) -> list[GridLine]:
    """A line at every beat among the period_pips pips from first_pip, at its index from there; bars
    start every BEATS_PER_BAR beats from pip 0. A loop starts at pip 0; a recording where it was made."""
    beats = pivolet.PIPS_PER_BEAT
    first_beat = -(-first_pip // beats)
    return [GridLine(beat * beats - first_pip, beat + 1, beat % BEATS_PER_BAR == 0)
            for beat in range(first_beat, -(-(first_pip + period_pips) // beats))]


def envelope(values: Sequence[float], buckets: int) -> list[tuple[float, float]]:
    """A few points that keep every peak of a long lane: (pip, value) pairs, at most two per bucket.

    Each bucket of neighbouring pips gives its lowest and its highest value, the lower first where
    the bucket rises, so a short spike survives where taking every n-th pip would step over it. The
    lane ends at the loop's end with the value it starts from; a lane of one value is one line.
    """
    period = len(values)
    first = values[0]
    if min(values) == max(values):
        return [(0.0, first), (float(period), first)]
    if period <= 2 * buckets:
        return [(float(pip), value) for pip, value in enumerate(values)] + [(float(period), first)]
    bounds = [bucket * period // buckets for bucket in range(buckets + 1)]
    chunks = [values[start:end] for start, end in zip(bounds, bounds[1:])]
    points = [(0.0, first)]
    for start, end, chunk, low, high in zip(bounds, bounds[1:], chunks, map(min, chunks), map(max, chunks)):
        pip = (start + end) / 2
        if low == high:
            points.append((pip, low))
        elif chunk[0] <= chunk[-1]:
            points += ((pip, low), (pip, high))
        else:
            points += ((pip, high), (pip, low))
    points.append((float(period), first))
    return points
