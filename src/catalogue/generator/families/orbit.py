"""The `orbit` family: an ellipse combined with unequal horizontal and vertical harmonic ripples, each
member by the one exact rule of its number."""

from __future__ import annotations

import math

from ..builders.curves import closed_loop
from ..family import Character, Family, numbered, same_rule, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector, normalise

MEMBERS = templated_members(
    numbered("harmonic", 16),
    period=512,
    dimensions=2,
    description="An ellipse combined with unequal horizontal and vertical harmonic ripples.",
)

PEAKS = Peaks.of("0.82", "0.555-0.655", "0")


# Ripple depth c of `orbit_harmonic_01` to `_16`.
ORBIT_RIPPLE_DEPTHS = (0.18, 0.22, 0.25, 0.28, 0.25, 0.2, 0.15, 0.13, 0.34, 0.31, 0.29, 0.26, 0.23, 0.2, 0.17, 0.14)


def orbit(entry: Entry) -> Loop:
    (m,) = entry.numbers()
    q = ((m - 1) % 8) + 2
    c = ORBIT_RIPPLE_DEPTHS[m - 1]
    phi = 0 if m <= 8 else 0.5 + 0.3 * (m - 9)

    def formula(th: float) -> Vector:
        return (
            math.cos(th) + c * math.cos(q * th + phi),
            0.72 * math.sin(th) - c * math.sin((q + 1) * th - phi),
            0.0,
        )

    return normalise(closed_loop(formula, entry.period_pips))


CHARACTER = Character()

FAMILY = Family("orbit", MEMBERS, PEAKS, exact=same_rule(MEMBERS, orbit), character=CHARACTER)
