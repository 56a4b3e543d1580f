"""The straight line between two positions, which the live reader and the synth follow between pips."""

from __future__ import annotations

from pivolet_show.motion.axes import Point


def between(start: Point, end: Point, fraction: float) -> Point:
    """The position `fraction` of the way from `start` to `end`; a fraction of 0 gives `start` itself."""
    (x0, y0, z0), (x1, y1, z1) = start, end
    return x0 + (x1 - x0) * fraction, y0 + (y1 - y0) * fraction, z0 + (z1 - z0) * fraction
