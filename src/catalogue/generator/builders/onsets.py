"""Where the onsets of a rhythmic rule fall and to which side they move."""

from __future__ import annotations

from typing import List


def sticking_sign(hand: str) -> float:
    """R moves to +x, L to −x."""
    return 1.0 if hand == "R" else -1.0


def alternating_sign(position: int) -> float:
    return 1.0 if position % 2 == 0 else -1.0


def euclid_steps(k: int, n: int) -> List[int]:
    """The steps j of an n-step grid that hold one of k evenly spread onsets."""
    return [j for j in range(n) if (j * k) % n < k]
