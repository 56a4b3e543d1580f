"""The `contour` family: sixteen outlines of signed-power oval edges (squared off, round or pinched,
on either axis) with a local patch of ripples and an asymmetric bow, traced at an even speed one
way round or the other and scaled to peaks of their own."""

from __future__ import annotations

import bisect
import math
from dataclasses import dataclass
from typing import Dict

from ..builders.sampling import raised_cosine
from ..builders.timeline import lerp
from ..family import Character, Family, by_member, member_names, numbered, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, Vector, scale_axes

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
# The outline is traced at an even speed: it is measured along this many points first.
CONTOUR_MEASURE_POINTS = 4096
# Every outline starts half way between its sides and its top, away from the pinched tips.
CONTOUR_START = TAU / 8.0


@dataclass(frozen=True)
class ContourShape:
    """One member's outline: signed-power edges, a bow, a patch of ripples, and its peaks."""

    edge_x: float  # signed-power exponent of the cosine: below 1 squares the sides off, above 1 pinches them
    edge_y: float  # the same for the sine, which shapes the top and the bottom
    bow: float  # bends the top and bottom edges one way, more on the right than on the left
    ripples: int
    ripple_depth: float
    ripple_centre: float  # the angle around the outline where the ripples sit
    clockwise: bool
    y_peak: float
    z_peak: float  # the ripples also move in depth, where the member has depth


# No two members share both their edge exponents and their direction, and every member bows one way
# or the other; together they keep every pair of outlines more than 0.24 apart somewhere.
CONTOURS: Dict[str, ContourShape] = {
    "shaped_01": ContourShape(1.0, 1.6, -0.7, 7, 0.12, 0.8, False, 0.54, 0.0),
    "shaped_02": ContourShape(1.7, 1.7, 0.7, 5, 0.14, 2.4, False, 0.572, 0.0),
    "shaped_03": ContourShape(1.7, 0.45, -0.7, 9, 0.1, 4.1, False, 0.556, 0.0),
    "shaped_04": ContourShape(1.6, 0.6, -0.7, 6, 0.14, 5.5, True, 0.603, 0.0),
    "shaped_05": ContourShape(0.45, 1.7, 0.7, 11, 0.08, 1.6, False, 0.548, 0.0),
    "shaped_06": ContourShape(1.0, 1.6, 0.45, 8, 0.12, 3.3, True, 0.588, 0.0),
    "shaped_07": ContourShape(1.7, 0.45, 0.7, 10, 0.1, 0.2, True, 0.564, 0.0),
    "shaped_08": ContourShape(0.6, 1.0, 0.25, 5, 0.16, 4.8, False, 0.595, 0.0),
    "shaped_09": ContourShape(0.6, 1.0, -0.25, 6, 0.14, 2.0, True, 0.58, 0.06),
    "shaped_10": ContourShape(0.45, 1.7, -0.7, 9, 0.1, 3.9, True, 0.545, 0.148),
    "shaped_11": ContourShape(0.45, 0.45, 0.7, 7, 0.14, 5.9, False, 0.6, 0.09),
    "shaped_12": ContourShape(0.6, 1.6, -0.7, 12, 0.08, 1.1, True, 0.56, 0.12),
    "shaped_13": ContourShape(0.6, 1.6, -0.7, 8, 0.12, 3.0, False, 0.576, 0.075),
    "shaped_14": ContourShape(1.7, 1.7, 0.7, 6, 0.14, 4.4, True, 0.552, 0.135),
    "shaped_15": ContourShape(0.45, 0.45, 0.7, 10, 0.1, 0.5, True, 0.59, 0.1),
    "shaped_16": ContourShape(1.6, 1.0, -0.25, 5, 0.16, 2.8, False, 0.568, 0.11),
}


def signed_power(value: float, exponent: float) -> float:
    """sign(v)·|v|^e, which keeps the sign of a cosine or sine while reshaping its swell."""
    magnitude = abs(value) ** exponent
    return magnitude if value >= 0.0 else -magnitude


def outline_point(shape: ContourShape, angle: float) -> Vector:
    """The point of the outline at an angle around it."""
    edge_x = signed_power(math.cos(angle), shape.edge_x)
    edge_y = signed_power(math.sin(angle), shape.edge_y)
    window = raised_cosine(angle, shape.ripple_centre, RIPPLE_SHARPNESS)
    swell = 1.0 + shape.ripple_depth * window * math.sin(shape.ripples * angle)
    bowed_y = edge_y + shape.bow * (edge_x * edge_x - 0.5) * (1.0 + 0.4 * edge_x)
    z = window * math.cos(shape.ripples * angle) if shape.z_peak > 0.0 else 0.0
    return (edge_x * swell, bowed_y * swell, z)


def even_speed_outline(shape: ContourShape, period: int, peaks: Vector) -> Loop:
    """The outline at `peaks`, traced from CONTOUR_START so that pip s has covered s/P of its length.

    A squared-off or pinched outline traced at an even angle would race along its flat sides and
    crawl round its corners. The outline is measured along CONTOUR_MEASURE_POINTS points instead,
    already at its peaks so that a small depth counts as small, and each pip is placed that share
    of the way along them.
    """
    count = CONTOUR_MEASURE_POINTS
    direction = -1.0 if shape.clockwise else 1.0
    points = [outline_point(shape, CONTOUR_START + direction * TAU * i / count) for i in range(count + 1)]
    points = scale_axes(points, peaks)
    lengths = [0.0]
    for before, after in zip(points, points[1:]):
        lengths.append(lengths[-1] + math.dist(before, after))
    total = lengths[-1]
    loop: Loop = []
    for s in range(period):
        target = total * s / period
        i = bisect.bisect_right(lengths, target) - 1
        loop.append(lerp(points[i], points[i + 1], (target - lengths[i]) / (lengths[i + 1] - lengths[i])))
    return loop


def _contour(entry: Entry) -> Loop:
    shape = CONTOURS[entry.member]
    peaks = (CONTOUR_X_PEAK, shape.y_peak, shape.z_peak)
    # the pips fall between the measured points, so their peaks are brought to the figures again
    return scale_axes(even_speed_outline(shape, entry.period_pips, peaks), peaks)


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family(
    "contour", MEMBERS, PEAKS, authored=by_member({member: _contour for member in CONTOURS}), character=CHARACTER
)
