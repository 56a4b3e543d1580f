"""How far apart two stored loops are, how far one moves per pip and how sharply it turns: the
measures behind the checks that members tell themselves apart and that smooth members move smoothly.

A block is an entry's samples flattened, x, y, z of pip 0, then of pip 1, and so on.
"""

from __future__ import annotations

import math
from typing import Sequence

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


def turn(block: Block, pip: int) -> float:
    """How sharply the loop changes its velocity at `pip`: the 3-D length of the step into the next pip
    less the step from the previous one, both neighbours taken around the loop."""
    count = len(block) // 3
    before, here, after = 3 * ((pip - 1) % count), 3 * (pip % count), 3 * ((pip + 1) % count)
    return math.sqrt(sum((block[after + k] - 2.0 * block[here + k] + block[before + k]) ** 2 for k in range(3)))


def seam_turn(block: Block) -> float:
    """The sharper of the two turns whose steps cross the loop seam: at the last pip and at pip 0."""
    return max(turn(block, len(block) // 3 - 1), turn(block, 0))


def sharpest_inside_turn(block: Block) -> float:
    """The sharpest turn at any pip whose steps stay inside the loop (pips 1 to P - 2)."""
    return max((turn(block, pip) for pip in range(1, len(block) // 3 - 1)), default=0.0)


# How many times more sharply than anywhere inside a loop must turn at its seam for the seam to be a
# corner. A loop that is built around its downbeat often turns most sharply at pip 0, where the most
# parts land together, a little more sharply than at any other onset; a loop that does not close
# smoothly turns there many times more sharply than anywhere inside.
SEAM_CORNER_RATIO = 2.0


def corner_at_seam(block: Block) -> bool:
    """Whether the loop turns at its seam more than SEAM_CORNER_RATIO times as sharply as anywhere
    inside: where it repeats, it would visibly jerk."""
    return seam_turn(block) > SEAM_CORNER_RATIO * sharpest_inside_turn(block)
