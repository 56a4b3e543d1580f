"""Loops sampled over the loop phase, and key paths through timed points: eased from key to key, or
a periodic cubic spline through every key."""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Callable, List, Sequence, Tuple

from ..model import Loop
from ..shaping import Vector, smoothstep

# A shape evaluated at the loop phase u = s/P, 0 <= u < 1.
PhaseShape = Callable[[float], Vector]

KEYS_OUT_OF_ORDER = "key times must rise strictly within one loop: "


def phase_loop(period: int, shape: PhaseShape) -> Loop:
    """The loop of `shape` at u = s·(1/P); every period used here is a power of two, so u is exact."""
    step = 1.0 / period
    return [shape(s * step) for s in range(period)]


def on_x(value: float) -> Vector:
    return (value, 0.0, 0.0)


def raised_cosine(angle: float, centre: float, sharpness: int) -> float:
    """((1 + cos(angle − centre))/2)^sharpness: a smooth periodic window that is 1 at `centre`."""
    return (0.5 + 0.5 * math.cos(angle - centre)) ** sharpness


@dataclass(frozen=True)
class Key:
    """A point that a key path passes at `time` pips into the loop."""

    time: float
    point: Vector


def _wrapped_segments(keys: Sequence[Key], period: int) -> List[Tuple[Key, Key]]:
    """Consecutive key pairs, the last pair running on from the last key to the first one period later."""
    for earlier, later in zip(keys, keys[1:]):
        if not earlier.time < later.time:
            raise ValueError(KEYS_OUT_OF_ORDER + repr(later.time))
    if not (0.0 <= keys[0].time and keys[-1].time < keys[0].time + period):
        raise ValueError(KEYS_OUT_OF_ORDER + repr(keys[-1].time))
    pairs = list(zip(keys, keys[1:]))
    pairs.append((keys[-1], Key(keys[0].time + period, keys[0].point)))
    return pairs


def _segment_at(pairs: Sequence[Tuple[Key, Key]], s: float, period: int) -> Tuple[int, float]:
    """Which segment holds pip s (taken one period later when it comes before the first key) and how far into it."""
    t = s if s >= pairs[0][0].time else s + period
    for position in range(len(pairs)):
        start, end = pairs[position]
        if start.time <= t < end.time:
            return position, t
    return len(pairs) - 1, t


def eased_path(keys: Sequence[Key], period: int, ease: Callable[[float], float] = smoothstep) -> Loop:
    """Moves from key to key with a rest-to-rest ease, so two equal keys in a row make a hold."""
    pairs = _wrapped_segments(keys, period)
    loop: Loop = []
    for s in range(period):
        position, t = _segment_at(pairs, s, period)
        start, end = pairs[position]
        w = ease((t - start.time) / (end.time - start.time))
        a, b = start.point, end.point
        loop.append((a[0] + (b[0] - a[0]) * w, a[1] + (b[1] - a[1]) * w, a[2] + (b[2] - a[2]) * w))
    return loop


def _tangents(keys: Sequence[Key], period: int) -> List[Vector]:
    """Finite-difference tangents over unequal key times (a non-uniform Catmull–Rom rule), wrapped round the loop."""
    count = len(keys)
    tangents: List[Vector] = []
    for i in range(count):
        before, after = keys[i - 1], keys[(i + 1) % count]
        t_before = before.time - period if i == 0 else before.time
        t_after = after.time + period if i == count - 1 else after.time
        span = t_after - t_before
        tangents.append(tuple((after.point[k] - before.point[k]) / span for k in range(3)))  # type: ignore[misc]
    return tangents


def periodic_spline(keys: Sequence[Key], period: int) -> Loop:
    """A closed cubic Hermite curve through every key, with tangents that respect the unequal key spacing."""
    pairs = _wrapped_segments(keys, period)
    tangents = _tangents(keys, period)
    count = len(keys)
    loop: Loop = []
    for s in range(period):
        position, t = _segment_at(pairs, s, period)
        start, end = pairs[position]
        m0, m1 = tangents[position], tangents[(position + 1) % count]
        h = end.time - start.time
        w = (t - start.time) / h
        w2 = w * w
        w3 = w2 * w
        h00 = 2.0 * w3 - 3.0 * w2 + 1.0
        h10 = w3 - 2.0 * w2 + w
        h01 = -2.0 * w3 + 3.0 * w2
        h11 = w3 - w2
        a, b = start.point, end.point
        loop.append(
            tuple(a[k] * h00 + h * m0[k] * h10 + b[k] * h01 + h * m1[k] * h11 for k in range(3))  # type: ignore[misc]
        )
    return loop
