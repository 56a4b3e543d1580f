"""The `contour` family: signed-power oval edges with local ripples and an asymmetric bow, scaled to
peaks of their own."""

from __future__ import annotations

import math
from typing import Dict, Tuple

from ..builders.sampling import phase_loop, raised_cosine
from ..family import Family, by_member, numbered, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector, scale_axes

MEMBERS = templated_members(
    numbered("shaped", 16),
    period=1024,
    dimensions=2,
    description="Signed-power oval edges with local ripples and an asymmetric bow.",
    other_dimensions=3,
    others=numbered("shaped", 16)[8:],
)

PEAKS = Peaks.of("0.82", "0.54-0.603", "0-0.148")

CONTOUR_X_PEAK = PEAKS.x.highest()
RIPPLE_SHARPNESS = 6


# member -> (edge exponent, ripple count, ripple depth, ripple centre angle, bow, y peak, z peak)
CONTOURS: Dict[str, Tuple[float, int, float, float, float, float, float]] = {
    "shaped_01": (0.6, 7, 0.08, 0.8, 0.25, 0.54, 0.0),
    "shaped_02": (1.6, 5, 0.1, 2.4, -0.2, 0.572, 0.0),
    "shaped_03": (0.8, 9, 0.06, 4.1, 0.3, 0.556, 0.0),
    "shaped_04": (2.0, 6, 0.12, 5.5, -0.15, 0.603, 0.0),
    "shaped_05": (0.5, 11, 0.05, 1.6, 0.35, 0.548, 0.0),
    "shaped_06": (1.3, 8, 0.09, 3.3, -0.3, 0.588, 0.0),
    "shaped_07": (0.7, 10, 0.07, 0.2, 0.2, 0.564, 0.0),
    "shaped_08": (2.4, 5, 0.11, 4.8, -0.25, 0.595, 0.0),
    "shaped_09": (0.65, 6, 0.09, 2.0, 0.28, 0.58, 0.06),
    "shaped_10": (1.8, 9, 0.07, 3.9, -0.18, 0.545, 0.148),
    "shaped_11": (0.9, 7, 0.1, 5.9, 0.22, 0.6, 0.09),
    "shaped_12": (1.4, 12, 0.05, 1.1, -0.32, 0.56, 0.12),
    "shaped_13": (0.55, 8, 0.08, 3.0, 0.33, 0.576, 0.075),
    "shaped_14": (2.2, 6, 0.1, 4.4, -0.22, 0.552, 0.135),
    "shaped_15": (0.75, 10, 0.06, 0.5, 0.18, 0.59, 0.1),
    "shaped_16": (1.2, 5, 0.12, 2.8, -0.28, 0.568, 0.11),
}


def signed_power(value: float, exponent: float) -> float:
    """sign(v)·|v|^e, which keeps the sign of a cosine or sine while reshaping its swell."""
    magnitude = abs(value) ** exponent
    return magnitude if value >= 0.0 else -magnitude


def _contour(entry: Entry) -> Loop:
    exponent, ripples, depth, centre, bow, y_peak, z_peak = CONTOURS[entry.member]
    # a flattened oval (exponent below 1) races through its axis crossings, so its loop starts at a
    # corner; a pinched one (above 1) is slowest at its tips and starts on the x axis
    start = PI / 4.0 if exponent < 1.0 else 0.0

    def shape(u: float) -> Vector:
        angle = TAU * u + start
        edge_x = signed_power(math.cos(angle), exponent)
        edge_y = signed_power(math.sin(angle), exponent)
        window = raised_cosine(angle, centre, RIPPLE_SHARPNESS)
        swell = 1.0 + depth * window * math.sin(ripples * angle)
        # the bow bends the oval's top and bottom edges one way, more on the right than on the left
        bowed_y = edge_y + bow * (edge_x * edge_x - 0.5) * (1.0 + 0.4 * edge_x)
        z = window * math.cos(ripples * angle) if z_peak > 0.0 else 0.0
        return (edge_x * swell, bowed_y * swell, z)

    return scale_axes(phase_loop(entry.period_pips, shape), (CONTOUR_X_PEAK, y_peak, z_peak))


FAMILY = Family("contour", MEMBERS, PEAKS, authored=by_member({member: _contour for member in CONTOURS}))
