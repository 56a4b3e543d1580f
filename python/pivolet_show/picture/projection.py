"""The oblique projection shared by the picture and the gallery: depth drawn along a receding axis.

Positive z is toward the viewer. Points further away are shifted up and to the right along the
receding axis, so a 3-D loop keeps its depth on a flat page; nearness in [0, 1] lets a drawing make
near points larger and brighter.
"""

from __future__ import annotations

import dataclasses
import itertools
import math
import operator
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


# The module's whole space: every position lies in this cube.
CUBE_CORNERS: tuple[tuple[float, float, float], ...] = tuple(
    (x, y, z) for x, y, z in itertools.product((-1.0, 1.0), repeat=3))
CUBE_EDGES = tuple((a, b) for a, b in itertools.combinations(CUBE_CORNERS, 2)
                   if sum(p != q for p, q in zip(a, b)) == 1)


@dataclasses.dataclass(frozen=True)
class Bounds:
    """The ranges of a set of positions: projected across (u) and up (v), and in depth (z)."""

    u: tuple[float, float]
    v: tuple[float, float]
    z: tuple[float, float]

    @classmethod
    def of(cls, xs: Sequence[float], ys: Sequence[float], zs: Sequence[float]) -> Bounds:
        """The bounds of the positions whose components are xs, ys and zs, one column each."""
        us = list(map(operator.sub, xs, map(operator.mul, zs, itertools.repeat(DEPTH_DX))))
        vs = list(map(operator.sub, ys, map(operator.mul, zs, itertools.repeat(DEPTH_DY))))
        return cls((min(us), max(us)), (min(vs), max(vs)), (min(zs), max(zs)))


CUBE_BOUNDS = Bounds.of(*zip(*CUBE_CORNERS))


class Fit:
    """Maps projected positions into a drawing area, at true scale or zoomed to the loop.

    At true scale the projected [-1, 1] cube fills the area, so every loop is drawn at the same
    scale and sizes compare honestly; otherwise the loop's own projected bounding box does. Either
    box is centred in the area and scaled by one factor on both axes, so shapes keep their
    proportions; drawing coordinates grow rightwards and downwards. Depth is told within the loop's
    own range in both, so that shallow depth still shows.
    """

    def __init__(self, loop: Bounds, left: float, top: float, width: float, height: float, *, true_scale: bool):
        framed = CUBE_BOUNDS if true_scale else loop
        (u_low, u_high), (v_low, v_high) = framed.u, framed.v
        self.u_mid = (u_low + u_high) / 2
        self.v_mid = (v_low + v_high) / 2
        span_u = max(u_high - u_low, MIN_FIT_SPAN)
        span_v = max(v_high - v_low, MIN_FIT_SPAN)
        self.scale = min(width / span_u, height / span_v)
        self.centre_x = left + width / 2
        self.centre_y = top + height / 2
        self.z_range = loop.z
        self.z_mid: float = (loop.z[0] + loop.z[1]) / 2
        self.z_span: float = max(loop.z[1] - loop.z[0], MIN_FIT_SPAN)

    def point(self, position: tuple[float, float, float]) -> tuple[float, float]:
        u, v = project(*position)
        return self.centre_x + (u - self.u_mid) * self.scale, self.centre_y - (v - self.v_mid) * self.scale

    def nearness(self, z: float) -> float:
        """Nearness within the loop's own depth range, so that shallow depth still shows."""
        return min(1.0, max(0.0, (z - self.z_mid) / self.z_span + 0.5))

    def relative_to(self, other: Fit) -> tuple[float, float, float]:
        """The factor a and offsets (e, f) with self.point(p) == a * other.point(p) + (e, f) for every p."""
        factor = self.scale / other.scale
        x, y = self.point((0.0, 0.0, 0.0))
        ox, oy = other.point((0.0, 0.0, 0.0))
        return factor, x - factor * ox, y - factor * oy


def nearness(z: float) -> float:
    return (z + 1.0) / 2.0


def settings() -> dict[str, float]:
    """The constants a browser needs to draw the same projection."""
    return {"depthDx": DEPTH_DX, "depthDy": DEPTH_DY, "minFitSpan": MIN_FIT_SPAN}
