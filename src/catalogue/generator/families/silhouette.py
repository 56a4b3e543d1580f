"""The `silhouette` family: three unequal harmonic components with cross-axis phases and a small
linked depth term, normalised on twice as many angles as the loop stores."""

from __future__ import annotations

import math

from ..builders.curves import normalised_on
from ..family import Character, Family, numbered, same_rule, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import Vector

MEMBERS = templated_members(
    numbered("harmonic", 16),
    period=1024,
    dimensions=3,
    description="Three unequal harmonic components, with cross-axis phases and a small linked depth term.",
)

PEAKS = Peaks.of("0.82", "0.586-0.698", "0.064-0.081")

WIDE_NORMALISING_POINTS = 2048


# (p, q, r, u, v) of `silhouette_harmonic_01` to `_16`.
SILHOUETTE_HARMONICS = (
    (1, 2, 3, 0.2, 0.16), (1, 3, 5, 0.35, 0.12), (2, 3, 4, 0.3, 0.18), (2, 5, 7, 0.23, 0.16),
    (1, 4, 7, 0.35, 0.21), (3, 4, 5, 0.28, 0.14), (2, 7, 9, 0.19, 0.12), (3, 5, 8, 0.3, 0.17),
    (1, 2, 5, 0.4, 0.22), (1, 5, 8, 0.27, 0.24), (2, 3, 7, 0.34, 0.2), (3, 7, 10, 0.26, 0.16),
    (2, 4, 9, 0.33, 0.23), (3, 4, 9, 0.29, 0.25), (4, 5, 7, 0.25, 0.21), (4, 7, 11, 0.21, 0.16),
)


def silhouette(entry: Entry) -> Loop:
    (m,) = entry.numbers()
    p, q, r, u, v = SILHOUETTE_HARMONICS[m - 1]

    def formula(th: float) -> Vector:
        return (
            math.cos(p * th) + u * math.sin(q * th + 0.3) + v * math.cos(r * th),
            0.65 * math.sin(p * th + 0.2) + v * math.sin(q * th) - u * math.cos(r * th + 0.1),
            0.12 * math.sin((p + q) * th) * math.sin(th),
        )
    # The factor comes from twice as many angles as the loop stores, so the stored peak may fall short.
    return normalised_on(formula, entry.period_pips, WIDE_NORMALISING_POINTS)


CHARACTER = Character()

FAMILY = Family("silhouette", MEMBERS, PEAKS, exact=same_rule(MEMBERS, silhouette), character=CHARACTER)
