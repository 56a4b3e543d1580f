"""The oblique projection shared by the picture and the gallery: depth drawn along a receding axis.

Positive z is toward the viewer. Points further away are shifted up and to the right along the
receding axis, so a 3-D loop keeps its depth on a flat page; nearness in [0, 1] lets a drawing make
near points larger and brighter.
"""

from __future__ import annotations

import math
from collections.abc import Sequence

# Half-length cabinet projection at 30 degrees: a unit of depth is drawn half as long as a unit of x.
DEPTH_SCALE = 0.5
DEPTH_ANGLE_DEGREES = 30.0

DEPTH_DX = DEPTH_SCALE * math.cos(math.radians(DEPTH_ANGLE_DEGREES))
DEPTH_DY = DEPTH_SCALE * math.sin(math.radians(DEPTH_ANGLE_DEGREES))


def project(x: float, y: float, z: float) -> tuple[float, float]:
    """Plane coordinates (u right, v up) of a position."""
    return x - z * DEPTH_DX, y - z * DEPTH_DY


# The smallest span a drawing is fitted to, so that a loop that barely moves is not blown up into
# a picture of its rounding.
MIN_FIT_SPAN = 0.2


class Fit:
    """Maps projected positions into a drawing area, zoomed so that the loop fills it.

    The loop's projected bounding box is centred in the area and scaled by one factor on both
    axes, so shapes keep their proportions; drawing coordinates grow rightwards and downwards.
    """

    def __init__(self, points: Sequence[tuple[float, float, float]], left: float, top: float, width: float, height: float):
        projected = [project(*point) for point in points]
        us = [u for u, _ in projected]
        vs = [v for _, v in projected]
        self.u_mid = (min(us) + max(us)) / 2
        self.v_mid = (min(vs) + max(vs)) / 2
        span_u = max(max(us) - min(us), MIN_FIT_SPAN)
        span_v = max(max(vs) - min(vs), MIN_FIT_SPAN)
        self.scale = min(width / span_u, height / span_v)
        self.centre_x = left + width / 2
        self.centre_y = top + height / 2
        depths = [point[2] for point in points]
        self.z_mid: float = (min(depths) + max(depths)) / 2
        self.z_span: float = max(max(depths) - min(depths), MIN_FIT_SPAN)

    def point(self, position: tuple[float, float, float]) -> tuple[float, float]:
        u, v = project(*position)
        return self.centre_x + (u - self.u_mid) * self.scale, self.centre_y - (v - self.v_mid) * self.scale

    def nearness(self, z: float) -> float:
        """Nearness within the loop's own depth range, so that shallow depth still shows."""
        return min(1.0, max(0.0, (z - self.z_mid) / self.z_span + 0.5))


def nearness(z: float) -> float:
    return (z + 1.0) / 2.0


def settings() -> dict[str, float]:
    """The constants a browser needs to draw the same projection."""
    return {"depthDx": DEPTH_DX, "depthDy": DEPTH_DY, "minFitSpan": MIN_FIT_SPAN}
