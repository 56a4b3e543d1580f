"""The `reach` family: shaped excursions out of a shared centre and back, one reach after another.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math
from typing import List, Tuple

from ..builders.fitting import fitted_family
from ..builders.timeline import Segment, SegmentPath, hold, timed_loop
from ..family import Character, Family, member_names, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector

MEMBERS = templated_members(
    words(
        "scoop_3 hook_3 lift_3 recoil_3 scoop_4 hook_4 lift_4 recoil_4"
        " scoop_5 hook_5 lift_5 recoil_5 scoop_7 hook_7 lift_7 recoil_7"
    ),
    period=1024,
    dimensions=2,
    description="Separate shaped reaches depart from and settle at a shared centre, without reset jumps.",
    other_dimensions=3,
    others=words("lift_3 lift_4 lift_5 lift_7"),
)

PEAKS = Peaks.of("0.82", "0.577-0.741", "0-0.393")

ORIGIN: Vector = (0.0, 0.0, 0.0)


REACH_SHARE = 0.82  # of each reach's slot; the rest is spent resting at the centre
REACH_LONG = 1.0
REACH_SHORT = 0.78  # every other reach is shorter
REACH_TURN = 0.3  # angle of the first reach away from straight up
SCOOP_WIDTH = 0.3
HOOK_CURL = 0.42
LIFT_SWAY = 0.08
RECOIL_PULL = 0.45
RECOIL_SHARE = 0.28  # share of the reach spent drawing back before it goes out
RECOIL_ASIDE = 0.2


def reach_profile(kind: str, u: float) -> Tuple[float, float, float]:
    """Out, across and up at local time u of one reach, relative to its length.

    Every profile starts and ends at 0 with zero speed, so each reach departs from the centre and
    settles back into it.
    """
    out = math.sin(PI * u) ** 2
    if kind == "scoop":
        # Out on one side and back on the other: a teardrop.
        return (out, SCOOP_WIDTH * math.sin(TAU * u) * math.sin(PI * u), 0.0)
    if kind == "hook":
        # Sideways only near the far end, which curls the tip of the reach over.
        return (out, HOOK_CURL * math.sin(PI * u) ** 6, 0.0)
    if kind == "lift":
        # The sway is windowed like the reach itself, so the lift too leaves and arrives at rest.
        return (out, LIFT_SWAY * math.sin(TAU * u) * math.sin(PI * u), math.sin(PI * u) ** 3)
    # recoil: a short draw-back, against the reach and a little aside, before it goes out.
    pull = math.sin(PI * u / RECOIL_SHARE) ** 2 if u < RECOIL_SHARE else 0.0
    return (out - RECOIL_PULL * pull, RECOIL_ASIDE * pull, 0.0)


def reach_path(kind: str, k: int, n: int) -> SegmentPath:
    angle = PI / 2.0 - REACH_TURN - TAU * k / n
    length = REACH_LONG if k % 2 == 0 else REACH_SHORT
    along = (math.cos(angle), math.sin(angle))
    across = (-along[1], along[0])
    height = 1.0 if k % 2 == 0 else 0.65

    def path(u: float) -> Vector:
        out, side, up = reach_profile(kind, u)
        return (
            length * (out * along[0] + side * across[0]),
            length * (out * along[1] + side * across[1]),
            length * height * up,
        )

    return path


def reach_segments(kind: str, n: int) -> List[Segment]:
    segments: List[Segment] = []
    for k in range(n):
        segments.append(Segment(REACH_SHARE, reach_path(kind, k, n)))
        segments.append(Segment(1.0 - REACH_SHARE, hold(ORIGIN)))
    return segments


def reach_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (n,) = entry.numbers()
    return timed_loop(reach_segments(kind, n), entry.period_pips)


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("reach", MEMBERS, PEAKS, authored=fitted_family(reach_loop, PEAKS), character=CHARACTER)
