"""Loops of closed formulas in the loop angle θ = 2π·s/P, and the rose curves two families share.

Every formula is evaluated exactly as it is written, left to right: `k * th` for k·θ, `TAU * s / P`
for θ. The stored values are these raw values rounded to 12 decimals, so an operation done in
another order could move a value across a rounding boundary.
"""

from __future__ import annotations

import math
from typing import Callable

from ..family import MemberBuilder
from ..model import Entry, Loop
from ..shaping import TAU, Vector, normalise, theta

# The loop angle θ -> (x, y, z).
AngleFormula = Callable[[float], Vector]

NORMAL_PEAK = 0.82


def closed_loop(formula: AngleFormula, period: int) -> Loop:
    """The formula sampled at θ = 2π·s/P for every pip s of the loop."""
    return [formula(theta(s, period)) for s in range(period)]


def normalised_on(formula: AngleFormula, period: int, points: int) -> Loop:
    """The loop scaled by the one factor that brings the largest raw value over `points` angles to 0.82."""
    largest = 0.0
    for i in range(points):
        for value in formula(TAU * i / points):
            largest = max(largest, abs(value))
    factor = NORMAL_PEAK / largest
    return [(x * factor, y * factor, z * factor) for x, y, z in closed_loop(formula, period)]


def angle_rule(formula: AngleFormula) -> MemberBuilder:
    """The exact rule of a member that is the formula itself."""
    return lambda entry: closed_loop(formula, entry.period_pips)


def normalised_rule(formula: AngleFormula) -> MemberBuilder:
    """The exact rule of a member that is the formula normalised on its own samples."""
    return lambda entry: normalise(closed_loop(formula, entry.period_pips), NORMAL_PEAK)


def rose(k: int) -> AngleFormula:
    """An odd k draws k petals over a half turn of ψ, an even k draws k petals over a full turn."""
    n = k if k % 2 == 1 else k // 2
    odd = k % 2 == 1

    def formula(th: float) -> Vector:
        psi = th / 2 if odd else th
        return (0.82 * math.cos(n * psi) * math.cos(psi), 0.82 * math.cos(n * psi) * math.sin(psi), 0.0)

    return formula


def rose_loop(entry: Entry) -> Loop:
    """The rose whose petal count is the last number in the member's name."""
    return closed_loop(rose(entry.numbers()[-1]), entry.period_pips)
