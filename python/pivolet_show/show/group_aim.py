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

from pivolet_show.show.aim import Heads, Stage, aim, follow_from_best_start

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
    """Heads (`heads`, one row each) that aim at `stage`'s point of their motion: `table` is the
    group's source at each pip (rows, 3), seen by each head through its own map of `matrices`."""

    def __init__(self, table: np.ndarray, matrices: Sequence[Matrix | None], stage: Stage, heads: Heads):
        self.stage = stage
        self.heads = heads
        points = np.stack([stage.metres(transformed(table, matrix)) for matrix in matrices], axis=1)
        walked = follow_from_best_start(heads, points)
        self.pan, self.tilt, self.reached = walked.pan, walked.tilt, walked.reached  # (rows, heads)

    def at(self, rows: np.ndarray, positions: np.ndarray | None = None) -> tuple[np.ndarray, np.ndarray]:
        """Each head's pan and tilt at its row of the table, or, given the heads' `positions`
        (between two rows, when interpolating), through those points nearest the rows' aims."""
        heads = np.arange(len(rows))
        pan, tilt = self.pan[rows, heads], self.tilt[rows, heads]
        if positions is None:
            return pan, tilt
        between = aim(self.heads, self.stage.metres(positions), np.stack([pan, tilt], axis=1))
        return between.pan, between.tilt

    def first_out_of_reach(self) -> list[int | None]:
        """For each head, the first row whose point it cannot reach (None: it reaches them all)."""
        missed = ~self.reached
        return [int(np.argmax(column)) if column.any() else None for column in missed.T]
