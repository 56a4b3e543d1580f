"""The `braid` family: a tube around an offset elliptical centreline, with a rolling
cross-section and a second depth ripple.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math

from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector, theta

MEMBERS = templated_members(
    words("1_2 1_3 1_4 1_5 2_3 2_5 3_4 3_5 1_6 2_7 3_7 4_5 4_7 5_6 5_7 5_8"),
    period=1024,
    dimensions=3,
    description="An offset tube centreline and a rolling cross-section with a second depth ripple.",
)

PEAKS = Peaks.of("0.82", "0.521-0.813", "0.312-0.422")


BRAID_OFFSET = 0.18  # the centreline's centre sits off the origin on x
BRAID_ELLIPSE = 0.62  # centreline height against its width
BRAID_TUBE = 0.36
BRAID_TUBE_THINNING = 0.025  # per cross-section roll: more rolls, a thinner tube
BRAID_RIPPLE = 0.1
BRAID_RIPPLE_PHASE = 0.6


def braid_point(a: int, b: int, angle: float) -> Vector:
    """The centreline goes round a times while the cross-section rolls b times around it.

    The tube offset points outward from the centreline's centre and forward in depth; a second
    ripple at twice the roll rate adds to the depth alone.
    """
    around = a * angle
    roll = b * angle
    tube = BRAID_TUBE - BRAID_TUBE_THINNING * b
    radial = tube * math.cos(roll)
    return (
        BRAID_OFFSET + math.cos(around) + radial * math.cos(around),
        BRAID_ELLIPSE * math.sin(around) + radial * math.sin(around),
        tube * math.sin(roll) + BRAID_RIPPLE * math.sin(2.0 * roll + BRAID_RIPPLE_PHASE),
    )


def braid_loop(entry: Entry) -> Loop:
    a, b = entry.numbers()
    return [braid_point(a, b, theta(s, entry.period_pips)) for s in range(entry.period_pips)]


CHARACTER = Character()

FAMILY = Family("braid", MEMBERS, PEAKS, authored=fitted_family(braid_loop, PEAKS), character=CHARACTER)
