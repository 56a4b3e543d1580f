"""The motion of the fixtures of a group, worked out for all of them at once with numpy.

A source's positions are read once into a table, one row (x, y, z) of float64 per pip: a loop's
period, or a recording's span. A frame then indexes that table at every fixture's own pip together
(a loop wraps, a recording holds at its ends), moves towards the next pip's row where interpolating
(`GroupMotion`); the rig scales and blends such motions, then applies the fixtures' transforms as
array operations (`GroupTransforms`). Each array operation rounds as the same operation on Python
floats does and comes in the same order as in `transform.affine` and `interpolation.between`, so
the positions are those of the one-fixture-at-a-time formulas, bit for bit. Pips of any size are safe: a loop's phase is taken within the loop, and a recording's pips are
held within reach of its span before any array sees them.
"""

from __future__ import annotations

from collections.abc import Sequence

import numpy as np

from pivolet_show.motion.sources import PatternSource, RecordingSource, Source
from pivolet_show.show.transform import Matrix

PIP_WRAP = 2**32  # the module's pips, and OSC's, are signed 32-bit counters


def sample_table(source: Source) -> np.ndarray:
    """The source's position at each pip of its loop (from pip 0) or of its recording (from its
    first pip), as an N x 3 array."""
    if isinstance(source, PatternSource):
        rows = [source.sample(pip).as_tuple() for pip in range(source.period_pips)]
    else:
        rows = [source.position(pip) for pip in range(source.first_pip, source.end_pip)]
    return np.array(rows, dtype=np.float64).reshape(-1, 3)


def wrapped_pips(pip: int, wrapped_phases: np.ndarray) -> np.ndarray:
    """pip - phase for each phase (given modulo 2**32), wrapped like a signed 32-bit counter."""
    return ((pip % PIP_WRAP - wrapped_phases) % PIP_WRAP).astype(np.uint32).view(np.int32)


class GroupMotion:
    """Fixtures that play `source` (whose table is `table`), each `phases[k]` pips behind the
    group's own pip."""

    def __init__(self, source: Source, table: np.ndarray, phases: Sequence[int]):
        self.recording = source if isinstance(source, RecordingSource) else None
        self.outside = False  # whether the last frame held a recording at one of its ends
        self._table = table
        self._count = len(table)
        if self.recording is None:
            self._phases = np.array([phase % self._count for phase in phases], dtype=np.int64)
        else:
            self._first, self._last = self.recording.first_pip, self.recording.end_pip - 1
            self._phases = np.array(phases, dtype=np.int64)
            # Beyond this many pips from the span, every fixture holds at the same end.
            self._reach = max(abs(phase) for phase in phases) + 1

    def rows(self, pip: int) -> tuple[np.ndarray, np.ndarray]:
        """Each fixture's row of the table at the group's own `pip`, and the row after it."""
        if self.recording is None:
            rows = (pip % self._count - self._phases) % self._count
            return rows, (rows + 1) % self._count
        held = min(max(pip, self._first - self._reach), self._last + self._reach)
        own = held - self._phases
        self.outside = bool(((own < self._first) | (own > self._last)).any())
        return (np.clip(own, self._first, self._last) - self._first,
                np.clip(own + 1, self._first, self._last) - self._first)

    def positions(self, pip: int, fraction: float, interpolate: bool) -> np.ndarray:
        """Every fixture's position at the group's own `pip` (and `fraction` of the way to the
        next, where interpolating), one row each, in a new array."""
        rows, following = self.rows(pip)
        here = self._table[rows]
        if interpolate:
            here += (self._table[following] - here) * fraction
        return here


class GroupTransforms:
    """Each fixture's affine map (None: as the motion plays), applied to all of them at once."""

    def __init__(self, matrices: Sequence[Matrix | None]):
        moved = [k for k, matrix in enumerate(matrices) if matrix is not None]
        self.moves = bool(moved)
        self._all_moved = len(moved) == len(matrices)
        self._moved = np.array(moved, dtype=np.intp)
        rows = np.array([matrices[k] for k in moved], dtype=np.float64).reshape(-1, 3, 4)
        # Per output axis, the four coefficients (a, b, c, d) of every moved fixture, each contiguous.
        self._coefficients = [[rows[:, axis, term].copy() for term in range(4)] for axis in range(3)]

    def apply(self, points: np.ndarray) -> None:
        """Applies each moved fixture's map to its row of `points`, in place, held within [-1, 1]."""
        if not self.moves:
            return
        moved = points if self._all_moved else points[self._moved]
        x, y, z = moved[:, 0].copy(), moved[:, 1].copy(), moved[:, 2].copy()
        for axis, (a, b, c, d) in enumerate(self._coefficients):
            value = a * x
            value += b * y
            value += c * z
            value += d
            np.clip(value, -1.0, 1.0, out=value)
            if self._all_moved:
                points[:, axis] = value
            else:
                points[self._moved, axis] = value
