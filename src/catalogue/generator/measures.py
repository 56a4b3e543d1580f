"""How far apart two stored loops are and how far one moves per pip: the measures behind the checks
that members tell themselves apart and that smooth members move smoothly.

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
