"""Aiming heads at a point in the room: the motion's x, y and z in [-1, 1] map linearly onto a box
of the stage, and each head turns its pan and tilt so that its beam passes through that point.

Conventions (metres, z up): a head hangs at `position` turned by `yaw` degrees counter-clockwise
about +z seen from above. At pan 0 and tilt 0 its beam points straight down (-z); tilt t tips it
towards the head's own +x, then pan p turns it counter-clockwise about +z, so the beam's direction
is (sin t cos(p + yaw), sin t sin(p + yaw), -cos t). Pan and tilt are in the head's own degrees.

Every point but the one straight below (or above) a head is reached by two families of pan and
tilt: (p, t) and (p + 180, -t), each with any number of whole turns of pan. Of those within the
head's reach (its travel, within its limits), the one nearest the head's previous aim is taken, so
a head never flips while a figure moves on; a point out of reach is held at the reachable aim whose
beam passes nearest to it. Everything works on arrays, one row per head, so a group of heads is
aimed at once.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence

import numpy as np

from pivolet_show.show.placement import Placement, Stage

FULL_TURN = 360.0
HALF_TURN = 180.0
# Whole turns of pan tried on each side of the one nearest the previous aim: enough for any travel
# up to two turns wide.
TURNS_TRIED = np.arange(-2, 3)
# Within this much of a degree of its reach a head counts as reaching (rounding of the angles).
REACH_TOLERANCE = 1e-9
# A point closer than this to the vertical through a head (relative to its distance) is straight
# below or above it: every pan reaches it, so the previous pan is kept.
VERTICAL = 1e-12
# Largest steps closer than this many degrees are the same.
TIED_STEPS = 1e-6

def metres(stage: Stage, positions: np.ndarray) -> np.ndarray:
    """Positions in [-1, 1] (last axis x, y, z) as points of the stage's box, in metres."""
    low = np.array([pair[0] for pair in stage.box])
    high = np.array([pair[1] for pair in stage.box])
    return low + (np.asarray(positions) + 1.0) / 2.0 * (high - low)


@dataclasses.dataclass(frozen=True)
class Heads:
    """Heads aimed together: each one's place in metres, its yaw, and the pan and tilt it reaches
    (lowest and highest, in its own degrees), as arrays with one row per head."""

    positions: np.ndarray  # (heads, 3)
    yaws: np.ndarray       # (heads,)
    pan_reach: np.ndarray  # (heads, 2)
    tilt_reach: np.ndarray  # (heads, 2)

    @classmethod
    def of(cls, positions: Sequence[Sequence[float]], yaws: Sequence[float],
           pan_reach: Sequence[tuple[float, float]], tilt_reach: Sequence[tuple[float, float]]) -> Heads:
        return cls(np.array(positions, dtype=float).reshape(-1, 3), np.array(yaws, dtype=float),
                   np.array(pan_reach, dtype=float).reshape(-1, 2), np.array(tilt_reach, dtype=float).reshape(-1, 2))

    def home(self) -> np.ndarray:
        """Where each head starts from: the middle of its pan reach, tilt 0 (straight down) or the
        nearest tilt it reaches. (heads, 2): pan, tilt."""
        pan = self.pan_reach.mean(axis=1)
        tilt = np.clip(0.0, self.tilt_reach[:, 0], self.tilt_reach[:, 1])
        return np.stack([pan, tilt], axis=1)

    @classmethod
    def placed(cls, placements: Sequence[Placement]) -> Heads:
        return cls.of([placement.position for placement in placements], [placement.yaw for placement in placements],
                      [placement.pan_reach for placement in placements], [placement.tilt_reach for placement in placements])

    def take(self, rows: np.ndarray) -> Heads:
        return Heads(self.positions[rows], self.yaws[rows], self.pan_reach[rows], self.tilt_reach[rows])


def beam_directions(pan: np.ndarray, tilt: np.ndarray, yaws: np.ndarray) -> np.ndarray:
    """The unit direction of each beam for pan and tilt in degrees, (..., 3)."""
    turn = np.radians(np.asarray(pan) + yaws)
    tip = np.radians(tilt)
    return np.stack([np.sin(tip) * np.cos(turn), np.sin(tip) * np.sin(turn), -np.cos(tip)], axis=-1)


@dataclasses.dataclass(frozen=True)
class Aim:
    """Each head's pan and tilt in its own degrees, and whether it reaches its point."""

    pan: np.ndarray
    tilt: np.ndarray
    reached: np.ndarray

    def as_previous(self) -> np.ndarray:
        return np.stack([self.pan, self.tilt], axis=1)


@dataclasses.dataclass(frozen=True)
class _Candidates:
    """Every aim through each head's point that `aim` weighs: (candidates, heads) arrays of pan and
    tilt held within the head's reach, whether each was within it before, and how far each moves
    the head from its previous aim (squared degrees)."""

    pans: np.ndarray
    tilts: np.ndarray
    within: np.ndarray
    moved: np.ndarray


def _candidates(heads: Heads, offset: np.ndarray, across: np.ndarray, distance: np.ndarray,
                previous: np.ndarray) -> _Candidates:
    previous_pan, previous_tilt = previous[:, 0], previous[:, 1]
    vertical = across <= VERTICAL * distance
    pan = np.where(vertical, previous_pan, np.degrees(np.arctan2(offset[:, 1], offset[:, 0])) - heads.yaws)
    tilt = np.degrees(np.arctan2(across, -offset[:, 2]))
    # The two families, (pan, tilt) and (pan + 180, -tilt), each at the whole turns near the previous pan.
    bases = np.stack([pan, pan + HALF_TURN])                                    # (2, heads)
    tilts = np.broadcast_to(np.stack([tilt, -tilt])[None], (TURNS_TRIED.size, 2, tilt.size))
    nearest_turn = np.round((previous_pan - bases) / FULL_TURN)
    pans = bases + FULL_TURN * (nearest_turn[None] + TURNS_TRIED[:, None, None])  # (turns, 2, heads)
    pans, tilts = pans.reshape(-1, pan.size), tilts.reshape(-1, pan.size)
    pan_low, pan_high = heads.pan_reach[:, 0], heads.pan_reach[:, 1]
    tilt_low, tilt_high = heads.tilt_reach[:, 0], heads.tilt_reach[:, 1]
    within = ((pans >= pan_low - REACH_TOLERANCE) & (pans <= pan_high + REACH_TOLERANCE)
              & (tilts >= tilt_low - REACH_TOLERANCE) & (tilts <= tilt_high + REACH_TOLERANCE))
    pans = np.clip(pans, pan_low, pan_high)
    tilts = np.clip(tilts, tilt_low, tilt_high)
    return _Candidates(pans, tilts, within, (pans - previous_pan) ** 2 + (tilts - previous_tilt) ** 2)


def _towards(heads: Heads, points: np.ndarray) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
    """From each head to its point: the offset, its horizontal length and its whole length."""
    offset = np.asarray(points, dtype=float) - heads.positions
    across = np.hypot(offset[:, 0], offset[:, 1])
    return offset, across, np.hypot(across, offset[:, 2])


def aim(heads: Heads, points: np.ndarray, previous: np.ndarray) -> Aim:
    """The pan and tilt that turn each head's beam through its point of `points` (metres, one row
    per head), nearest its `previous` aim (degrees, (heads, 2)) among those it reaches; a head that
    reaches no aim through its point takes the reachable aim whose beam passes nearest to it."""
    offset, across, distance = _towards(heads, points)
    found = _candidates(heads, offset, across, distance, previous)
    reached = found.within.any(axis=0)
    # Out of reach: the held aims, by how far their beams pass from the point, then by how far the
    # head moves.
    wanted = offset / np.where(distance > 0, distance, 1.0)[:, None]
    missed = 1.0 - np.einsum("chk,hk->ch", beam_directions(found.pans, found.tilts, heads.yaws), wanted)
    score = np.where(reached, np.where(found.within, found.moved, np.inf), missed + 1e-12 * found.moved)
    choice = np.argmin(score, axis=0)
    columns = np.arange(distance.size)
    pan, tilt = found.pans[choice, columns], found.tilts[choice, columns]
    # A point at the head itself gives no direction: the head holds its previous aim.
    nowhere = distance == 0
    return Aim(np.where(nowhere, previous[:, 0], pan), np.where(nowhere, previous[:, 1], tilt), reached | nowhere)


def follow(heads: Heads, points: np.ndarray, start: np.ndarray | None = None) -> Aim:
    """The aims of the heads along a path of points (steps, heads, 3), each step nearest the step
    before (the first nearest `start`, by default the heads' home). Arrays of (steps, heads)."""
    previous = heads.home() if start is None else start
    pans, tilts, reached = (np.empty(points.shape[:2]) for _ in range(3))
    for step, at in enumerate(points):
        found = aim(heads, at, previous)
        pans[step], tilts[step], reached[step] = found.pan, found.tilt, found.reached
        previous = found.as_previous()
    return Aim(pans, tilts, reached.astype(bool))


def largest_steps(found: Aim, looping: bool) -> np.ndarray:
    """Each head's largest step of pan or tilt from one point of a path to the next (and from the
    last back to the first, for a loop), in degrees."""
    pans, tilts = found.pan, found.tilt
    if looping:
        pans, tilts = np.concatenate([pans, pans[:1]]), np.concatenate([tilts, tilts[:1]])
    if len(pans) < 2:
        return np.zeros(pans.shape[1:])
    return np.maximum(np.abs(np.diff(pans, axis=0)), np.abs(np.diff(tilts, axis=0))).max(axis=0)


def follow_from_best_start(heads: Heads, points: np.ndarray) -> Aim:
    """`follow`, started for each head from whichever aim of the first point it reaches makes the
    largest step along the path the smallest: a head that circles a point then starts where its
    travel lets it go all the way round. Ties go to the start nearest the head's home."""
    count = heads.yaws.size
    offset, across, distance = _towards(heads, points[0])
    home = heads.home()
    first = _candidates(heads, offset, across, distance, home)
    nearest_home = aim(heads, points[0], home).as_previous()
    # Every head once per start: the usual one first, then each candidate some head reaches (the
    # usual one for a head that does not reach it), all followed together.
    starts = [nearest_home] + [np.where(first.within[k][:, None], np.stack([first.pans[k], first.tilts[k]], axis=1),
                                        nearest_home) for k in range(first.pans.shape[0]) if first.within[k].any()]
    copies = len(starts)
    rows = np.tile(np.arange(count), copies)
    walked = follow(heads.take(rows), np.tile(points, (1, copies, 1)), np.concatenate(starts))
    steps = largest_steps(walked, looping=False).reshape(copies, count)
    # The first start whose largest step is the smallest, but for rounding: the two families of
    # aims mirror each other, and their steps differ in the last bits only.
    best = np.argmax(steps <= steps.min(axis=0) + TIED_STEPS, axis=0) * count + np.arange(count)
    return Aim(walked.pan[:, best], walked.tilt[:, best], walked.reached[:, best])
