"""How far apart two stored loops are, how far one moves per pip, how sharply and where it turns: the
measures behind the checks that members tell themselves apart and that smooth members move smoothly.

A block is an entry's samples flattened, x, y, z of pip 0, then of pip 1, and so on.
"""

from __future__ import annotations

import math
from typing import Optional, Sequence, Tuple

Block = Sequence[float]


def closeness(a: Block, b: Block) -> float:
    """The largest |a - b| over every pip and axis; the shorter loop is wrapped to the longer's length."""
    longest = max(len(a), len(b))
    return max(abs(a[position % len(a)] - b[position % len(b)]) for position in range(longest))


def closer_than(a: Block, b: Block, limit: float) -> bool:
    """Whether closeness(a, b) < limit. It stops at the first value that differs by `limit` or more,
    so telling two distinct loops apart costs little."""
    if len(a) == len(b):
        return all(abs(u - v) < limit for u, v in zip(a, b))
    return all(abs(a[position % len(a)] - b[position % len(b)]) < limit for position in range(max(len(a), len(b))))


def step(block: Block, pip: int) -> float:
    """The 3-D distance travelled from `pip` to the next pip, the last pip's step leading back to pip 0."""
    following = (pip + 1) % (len(block) // 3)
    return math.dist(block[3 * pip:3 * pip + 3], block[3 * following:3 * following + 3])


def largest_step(block: Block) -> float:
    """The longest step from one pip to the next around the whole loop, its seam included."""
    return max(step(block, pip) for pip in range(len(block) // 3))


# A loop turns a corner at its seam when its velocity changes there more than SEAM_CORNER_RATIO
# times as much as anywhere inside the loop: where it repeats, it would visibly jerk. The seam is
# held to the loop's own character rather than to its neighbours, because a loop built around its
# downbeat may turn most sharply at pip 0, where most of its parts land, a little more sharply than
# at any other onset, and still close smoothly. The change must also exceed TURN_NOISE, far above the
# rounding to 12 decimals and far below anything one could see, so that a loop at rest has no corner.
SEAM_CORNER_RATIO = 2.0
TURN_NOISE = 1e-9


def turn(block: Block, pip: int) -> float:
    """The 3-D length of the change of velocity at `pip`: the step leaving it less the step arriving,
    around the loop."""
    pips = len(block) // 3
    before, after = (pip - 1) % pips, (pip + 1) % pips
    return math.sqrt(sum(
        (block[3 * after + k] - block[3 * pip + k] - (block[3 * pip + k] - block[3 * before + k])) ** 2
        for k in range(3)
    ))


def seam_turn(block: Block) -> float:
    """The larger change of velocity at the two pips either side of the seam, the last and the first."""
    return max(turn(block, len(block) // 3 - 1), turn(block, 0))


def sharpest_inside_turn(block: Block) -> float:
    """The sharpest turn at any pip whose steps stay inside the loop (pips 1 to P - 2)."""
    return max((turn(block, pip) for pip in range(1, len(block) // 3 - 1)), default=0.0)


def corner_at_seam(block: Block) -> bool:
    """Whether the loop's velocity breaks where its last pip leads back to pip 0."""
    return seam_turn(block) > SEAM_CORNER_RATIO * sharpest_inside_turn(block) + TURN_NOISE


# A path turns a corner where the way it comes in and the way it goes out, each taken over a stretch
# of CORNER_REACH, meet at more than 45 degrees. Taking the ways over a distance rather than over a
# number of pips finds a corner whether the path sweeps through it or slows to rest in it, and a
# smooth bend of the path would need a radius well under CORNER_REACH to pass for one.
CORNER_REACH = 0.05
CORNER_COSINE = math.sqrt(0.5)  # cos 45°


def _reach_from(points: Sequence[Tuple[float, ...]], pip: int, direction: int) -> Optional[int]:
    """The nearest pip before (direction -1) or after (+1) `pip` at least CORNER_REACH away from it."""
    here = points[pip]
    for distance in range(1, len(points)):
        other = (pip + direction * distance) % len(points)
        if math.dist(points[other], here) >= CORNER_REACH:
            return other
    return None


def turns_sharply(points: Sequence[Tuple[float, ...]], pip: int) -> bool:
    before, after = _reach_from(points, pip, -1), _reach_from(points, pip, 1)
    if before is None or after is None:
        return False
    here = points[pip]
    way_in = [h - b for h, b in zip(here, points[before])]
    way_out = [a - h for a, h in zip(points[after], here)]
    cosine = sum(i * o for i, o in zip(way_in, way_out)) / (math.hypot(*way_in) * math.hypot(*way_out))
    return cosine < CORNER_COSINE


def corner_count(block: Block) -> int:
    """How many corners the path turns: runs of sharply turning pips, counted around the loop."""
    points = [tuple(block[3 * pip:3 * pip + 3]) for pip in range(len(block) // 3)]
    sharp = [turns_sharply(points, pip) for pip in range(len(points))]
    if all(sharp):  # a path that turns sharply everywhere, a circle smaller than the reach, has no corner
        return 0
    return sum(1 for pip in range(len(sharp)) if sharp[pip] and not sharp[pip - 1])

