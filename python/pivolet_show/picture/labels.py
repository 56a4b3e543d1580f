"""Beat labels thinned where they would overlap, and counts written with their unit.

Bar starts are placed first, then the other beats in order; a label is left out when its box would
touch one already placed. The gallery's page thins its labels by the same rule.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence

# An estimate of the advance of one digit in the pictures' small sans-serif type, per unit of size.
CHARACTER_WIDTH_PER_SIZE = 0.62


@dataclasses.dataclass(frozen=True)
class BeatLabel:
    beat: int  # counted from 1
    starts_bar: bool
    x: float  # centre
    y: float  # baseline
    size: float

    @property
    def text(self) -> str:
        return str(self.beat)

    def box(self) -> tuple[float, float, float, float]:
        """Left, top, right and bottom."""
        half = len(self.text) * CHARACTER_WIDTH_PER_SIZE * self.size / 2 + 1
        return self.x - half, self.y - self.size, self.x + half, self.y


def counted(value: float, unit: str) -> str:
    """A count with its unit, singular for exactly one: '64 pips', '1 beat', '0.5 beats'."""
    return f"{value:g} {unit}{'' if value == 1 else 's'}"


def _overlap(a: tuple[float, float, float, float], b: tuple[float, float, float, float]) -> bool:
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def thin(labels: Sequence[BeatLabel]) -> list[BeatLabel]:
    kept: list[BeatLabel] = []
    for label in sorted(labels, key=lambda label: (not label.starts_bar, label.beat)):
        if not any(_overlap(label.box(), other.box()) for other in kept):
            kept.append(label)
    return sorted(kept, key=lambda label: label.beat)
