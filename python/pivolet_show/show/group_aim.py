"""The aims of a group of heads that point at its motion: worked out once for every pip of what the
group plays, so that what a head does at a pip depends on that pip alone.

A head's aim at a pip of its loop (or recording) is the one nearest its aim at the pip before,
walked from the loop's first pip (see `aim.follow_from_best_start`), so it never flips while the
figure moves on; the table holds every pip's aim, and a frame looks each head's up at its own pip.
Between two pips (when interpolating) the aim through the point in between is the one nearest the
aim of the pip before. Seeking, a change of tempo or another frame rate therefore never changes
where a head points at a pip. A figure that goes round a head turns it back once a loop, between
the loop's last pip and its first, where the head speed report shows it.
"""

from __future__ import annotations

from collections.abc import Sequence

import numpy as np

from pivolet_show.show.aim import Heads, aim, follow_from_best_start, metres
from pivolet_show.show.placement import Placement

# A transform's three rows (a, b, c, d): axis' = a * x + b * y + c * z + d, held within [-1, 1].
Matrix = tuple[tuple[float, ...], ...]


def transformed(table: np.ndarray, matrix: Matrix | None) -> np.ndarray:
    """The rows of `table` through a fixture's affine map, in the order of operations the rig uses
    for a frame, so that a pip's point here is the very point the frame aims at."""
    if matrix is None:
        return table
    x, y, z = table[:, 0], table[:, 1], table[:, 2]
    columns = []
    for a, b, c, d in matrix:
        value = a * x
        value += b * y
        value += c * z
        value += d
        columns.append(np.clip(value, -1.0, 1.0))
    return np.stack(columns, axis=1)


class GroupAim:
    """Heads placed by `placements` (one each) that aim at their stage's point of their motion:
    `table` is the source they play at each pip (rows, 3), seen by each head through its own map
    of `matrices`."""

    def __init__(self, table: np.ndarray, matrices: Sequence[Matrix | None], placements: Sequence[Placement]):
        self.heads = Heads.placed(placements)
        self._low = np.array([[pair[0] for pair in placement.stage.box] for placement in placements])
        self._high = np.array([[pair[1] for pair in placement.stage.box] for placement in placements])
        points = np.stack([metres(placement.stage, transformed(table, matrix))
                           for placement, matrix in zip(placements, matrices)], axis=1)
        walked = follow_from_best_start(self.heads, points)
        self.pan, self.tilt, self.reached = walked.pan, walked.tilt, walked.reached  # (rows, heads)

    def at(self, heads: np.ndarray, rows: np.ndarray, positions: np.ndarray | None = None) -> np.ndarray:
        """The pan and tilt (one row each) of the heads numbered in `heads` (columns of the table)
        at their rows of the table, or, given their `positions` (between two rows, when
        interpolating), through those points nearest the rows' aims."""
        found = np.stack([self.pan[rows, heads], self.tilt[rows, heads]], axis=1)
        if positions is None:
            return found
        return self._through(heads, positions, found)

    def from_home(self, heads: np.ndarray, positions: np.ndarray) -> np.ndarray:
        """The pan and tilt (one row each) of the heads numbered in `heads` through their
        `positions`, nearest their home: for heads whose motion gives points but no pip of the table."""
        return self._through(heads, positions, self.heads.take(heads).home())

    def _through(self, heads: np.ndarray, positions: np.ndarray, previous: np.ndarray) -> np.ndarray:
        points = self._low[heads] + (positions + 1.0) / 2.0 * (self._high[heads] - self._low[heads])
        return aim(self.heads.take(heads), points, previous).as_previous()

    def first_out_of_reach(self) -> list[int | None]:
        """For each head, the first row whose point it cannot reach (None: it reaches them all)."""
        missed = ~self.reached
        return [int(np.argmax(column)) if column.any() else None for column in missed.T]
