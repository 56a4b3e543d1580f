"""The oblique projection shared by the picture and the gallery: depth drawn along a receding axis.

Positive z is toward the viewer. Points further away are shifted up and to the right along the
receding axis, so a 3-D loop keeps its depth on a flat page; nearness in [0, 1] lets a drawing make
near points larger and brighter.
"""

from __future__ import annotations

import math

# Half-length cabinet projection at 30 degrees: a unit of depth is drawn half as long as a unit of x.
DEPTH_SCALE = 0.5
DEPTH_ANGLE_DEGREES = 30.0

DEPTH_DX = DEPTH_SCALE * math.cos(math.radians(DEPTH_ANGLE_DEGREES))
DEPTH_DY = DEPTH_SCALE * math.sin(math.radians(DEPTH_ANGLE_DEGREES))

# Bounds of the projected unit cube [-1, 1]^3, for fitting drawings.
U_EXTENT = 1.0 + DEPTH_DX
V_EXTENT = 1.0 + DEPTH_DY


def project(x: float, y: float, z: float) -> tuple[float, float]:
    """Plane coordinates (u right, v up) of a position."""
    return x - z * DEPTH_DX, y - z * DEPTH_DY


def nearness(z: float) -> float:
    return (z + 1.0) / 2.0


def settings() -> dict[str, float]:
    """The constants a browser needs to draw the same projection."""
    return {"depthDx": DEPTH_DX, "depthDy": DEPTH_DY, "uExtent": U_EXTENT, "vExtent": V_EXTENT}
