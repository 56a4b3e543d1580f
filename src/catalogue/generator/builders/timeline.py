"""Paths told as a sequence of timed segments, and the easing and blending they move with."""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Callable, List, Sequence

from ..model import Loop
from ..shaping import PI, Vector, smoothstep

# Position along one segment at local time u in [0, 1].
SegmentPath = Callable[[float], Vector]


@dataclass(frozen=True)
class Segment:
    """One stretch of a path: how long it lasts (any common unit, e.g. beats) and where it goes."""

    duration: float
    path: SegmentPath


def timed_loop(segments: Sequence[Segment], period: int) -> Loop:
    """Samples the segments, laid end to end over one period, at every pip.

    Consecutive segments must meet (each ends where the next starts, the last where the first
    starts), which makes the loop continuous across every join and across its own seam.
    """
    starts: List[float] = []
    total = 0.0
    for segment in segments:
        starts.append(total)
        total += segment.duration
    loop: Loop = []
    current = 0
    for s in range(period):
        t = total * s / period
        while current + 1 < len(segments) and t >= starts[current + 1]:
            current += 1
        segment = segments[current]
        loop.append(segment.path((t - starts[current]) / segment.duration))
    return loop


def lerp(a: Vector, b: Vector, w: float) -> Vector:
    """The point w of the way from a to b."""
    return (a[0] + (b[0] - a[0]) * w, a[1] + (b[1] - a[1]) * w, a[2] + (b[2] - a[2]) * w)


def add(a: Vector, b: Vector) -> Vector:
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scaled(a: Vector, factor: float) -> Vector:
    return (a[0] * factor, a[1] * factor, a[2] * factor)


def hold(point: Vector) -> SegmentPath:
    """Stays at one point for the whole segment."""
    return lambda u: point


def eased_move(start: Vector, end: Vector) -> SegmentPath:
    """Straight from start to end, leaving and arriving at rest."""
    return lambda u: lerp(start, end, smoothstep(u))


def arch(u: float) -> float:
    """sin(π·smoothstep(u)): 0 at both ends of a segment and 1 at its middle, leaving and arriving at
    rest, so a bow built on it turns no corner where its segment meets the next."""
    return math.sin(PI * smoothstep(u))


def arched_move(start: Vector, end: Vector, bulge: Vector) -> SegmentPath:
    """From start to end at eased speed, bowed sideways by `bulge` at the middle of the way."""
    return lambda u: add(lerp(start, end, smoothstep(u)), scaled(bulge, arch(u)))


def settling_move(start: Vector, end: Vector, overshoot: float, swings: int) -> SegmentPath:
    """From start to end with a few decaying swings around the end before coming to rest there.

    The swing term sin(swings·π·u)·u·(1−u)² vanishes with its slope at both ends, so the move
    still leaves and arrives at rest.
    """

    def path(u: float) -> Vector:
        w = smoothstep(u) + overshoot * math.sin(swings * PI * u) * u * (1.0 - u) * (1.0 - u) * 4.0
        return lerp(start, end, w)

    return path
