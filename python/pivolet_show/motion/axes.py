"""The three axes a position has, and which of them a motion moves on."""

from __future__ import annotations

from collections.abc import Sequence

AXES = ("x", "y", "z")

Point = tuple[float, float, float]


def moving_axes(columns: Sequence[Sequence[float]]) -> tuple[int, ...]:
    """The indexes of the axes whose column of values (one column per axis) takes more than one value."""
    return tuple(axis for axis, values in enumerate(columns) if min(values) != max(values))


def leading_axes(points: Sequence[Point]) -> int:
    """How many leading axes are needed to tell `points` apart from zero: those after the last one
    that is ever non-zero are 0.0 throughout (at least one is kept)."""
    for count in (3, 2):
        if any(point[count - 1] != 0.0 for point in points):
            return count
    return 1
