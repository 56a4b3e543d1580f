"""The `ribbon` family: a curved elliptical spine with a radial width wave and linked depth
deflection, scaled to peaks of its own."""

from __future__ import annotations

import math
from typing import Dict, Tuple

from ..builders.sampling import phase_loop
from ..family import Character, Family, by_member, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, Vector, scale_axes

MEMBERS = templated_members(
    words(
        "1_2_slim 1_3_slim 1_4_slim 1_5_slim 2_3_slim 2_5_slim 3_4_slim 3_5_slim"
        " 1_2_deep 1_3_deep 1_4_deep 1_5_deep 2_3_deep 2_5_deep 3_4_deep 3_5_deep"
    ),
    period=1024,
    dimensions=3,
    description="A curved elliptical spine with variable radial width and linked depth deflection.",
)

PEAKS = Peaks.of("0.82", "0.368-0.764", "0.057-0.258")

RIBBON_X_PEAK = PEAKS.x.highest()
RIBBON_SPINE_BEND = 0.25
RIBBON_WIDTH = {"slim": 0.3, "deep": 0.42}


# member -> (y peak, z peak); the numbers in the name are the spine turns and the width cycles
RIBBON_PEAKS: Dict[str, Tuple[float, float]] = {
    "1_2_slim": (0.368, 0.057), "1_3_slim": (0.4, 0.065), "1_4_slim": (0.43, 0.073), "1_5_slim": (0.46, 0.081),
    "2_3_slim": (0.49, 0.089), "2_5_slim": (0.52, 0.097), "3_4_slim": (0.55, 0.105), "3_5_slim": (0.58, 0.113),
    "1_2_deep": (0.6, 0.16), "1_3_deep": (0.62, 0.174), "1_4_deep": (0.645, 0.188), "1_5_deep": (0.67, 0.202),
    "2_3_deep": (0.695, 0.216), "2_5_deep": (0.72, 0.23), "3_4_deep": (0.74, 0.244), "3_5_deep": (0.764, 0.258),
}


def _ribbon(entry: Entry) -> Loop:
    turns, cycles = entry.numbers()
    kind = entry.member.rsplit("_", 1)[1]
    width = RIBBON_WIDTH[kind]
    depth_sign = 1.0 if kind == "slim" else -1.0
    y_peak, z_peak = RIBBON_PEAKS[entry.member]

    def shape(u: float) -> Vector:
        angle = TAU * u
        spine = turns * angle
        radius = 1.0 + width * math.sin(cycles * angle)
        x = radius * math.cos(spine)
        y = radius * math.sin(spine) + RIBBON_SPINE_BEND * math.cos(2.0 * spine)
        # depth follows the width wave a little ahead of it, stronger on the upper half of the spine;
        # a deep ribbon deflects the other way, back where a slim one comes forward
        z = depth_sign * math.cos(cycles * angle + 0.6) * (1.0 + 0.3 * math.sin(spine))
        return (x, y, z)

    return scale_axes(phase_loop(entry.period_pips, shape), (RIBBON_X_PEAK, y_peak, z_peak))


CHARACTER = Character()

FAMILY = Family(
    "ribbon", MEMBERS, PEAKS, authored=by_member({member: _ribbon for member in RIBBON_PEAKS}), character=CHARACTER
)
