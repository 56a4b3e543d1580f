"""The records the generator passes between its table, its families and its writers."""

from __future__ import annotations

from dataclasses import dataclass
from typing import List, Optional, Tuple

# One stored position: (x, y, z).
Sample = Tuple[float, float, float]
# One loop: exactly `period_pips` samples in pip order.
Loop = List[Sample]


@dataclass(frozen=True)
class PeakFigure:
    """A peak amplitude as the catalogue writes it: one figure, or the smallest and largest member peak.

    The figures are kept as the decimal text they are written with, because a member's peak matches
    a figure at the digits written (see `at_figure_digits`).
    """

    low: str
    high: Optional[str] = None  # None: every member reaches `low`

    @staticmethod
    def parse(text: str) -> "PeakFigure":
        parts = text.replace("\u2013", "-").split("-")
        return PeakFigure(parts[0].strip()) if len(parts) == 1 else PeakFigure(parts[0].strip(), parts[1].strip())

    def lowest(self) -> float:
        return float(self.low)

    def highest(self) -> float:
        return float(self.high if self.high is not None else self.low)


def at_figure_digits(peak: float, figure: str) -> float:
    """The peak as the figure writes it: rounded to as many decimals as the figure shows.

    A figure without decimals is held exactly: "0" marks an axis that never moves and "1" the bound
    itself, and rounding to whole numbers would let almost anything pass for either.
    """
    digits = len(figure.partition(".")[2])
    return round(peak, digits) if digits else peak


def matches_figure(peak: float, figure: str) -> bool:
    """Whether a peak is the figure at the digits written."""
    return at_figure_digits(peak, figure) == float(figure)


@dataclass(frozen=True)
class Peaks:
    """Peak figures of a family (or of a `beat` motion) on x, y and z."""

    x: PeakFigure
    y: PeakFigure
    z: PeakFigure

    @staticmethod
    def of(x: str, y: str, z: str) -> "Peaks":
        return Peaks(PeakFigure.parse(x), PeakFigure.parse(y), PeakFigure.parse(z))

    def axis(self, k: int) -> PeakFigure:
        return (self.x, self.y, self.z)[k]


@dataclass(frozen=True)
class Entry:
    """One row of the catalogue table, before its samples exist."""

    index: int  # table index, 0 to 1715
    name: str  # full name, family prefix included
    family: str  # family prefix: `lfo`, `accent_walk`, `beat`, ...
    member: str  # the name without the family prefix and its underscore
    period_pips: int
    dimensions: int
    description: str

    def numbers(self) -> List[int]:
        """The decimal numbers in the member part, in order (`weave_3_5` gives [3, 5])."""
        return [int(word) for word in self.member.split("_") if word.isdigit()]
