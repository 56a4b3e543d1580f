"""The `path` family: closed plane and space curves, all but one given by closed formulas."""

from __future__ import annotations

import math

from ..builders.curves import angle_rule, rose_loop
from ..builders.sampling import phase_loop
from ..family import Character, Family, Member, by_member
from ..model import Peaks
from ..shaping import TAU, Vector, scale_axes

MEMBERS = (
    Member("lissajous_2_3", 512, 2, "Two horizontal cycles cross three vertical cycles in a closed eight-beat Lissajous path."),
    Member("rose_4", 512, 2, "A signed radial oscillation draws four petals, passing through the centre between them."),
    Member("rose_5", 512, 2, "Five petals in one complete eight-beat traversal; the odd-petal parameter runs through pi, not two pi."),
    Member("bowed_diamond", 512, 2, "An astroid-shaped loop with inward-curved edges and naturally slow corners."),
    Member("orbit_dwell", 512, 2, "An ellipse whose phase slows to zero speed at the loop boundary and accelerates through the opposite side."),
    Member("torus_knot", 1024, 3, "Two turns around the axis and three through the tube. XYZ is retained; the demo projects depth."),
    Member("woven_3d", 1024, 3, "Independent two-, three-, and five-cycle XYZ oscillations close after sixteen beats."),
    Member("crank_slider", 256, 2, "Horizontal slider-crank travel with rod length three and crank radius one; vertical motion follows the crank tip."),
)

PEAKS = Peaks.of("0.72-0.82", "0.3-0.82", "0-0.48")


def lissajous_2_3(th: float) -> Vector:
    return (0.78 * math.sin(2 * th), 0.68 * math.sin(3 * th), 0.0)


def bowed_diamond(th: float) -> Vector:
    return (0.8 * math.cos(th) ** 3, 0.8 * math.sin(th) ** 3, 0.0)


def torus_knot(th: float) -> Vector:
    w = 0.54 + 0.22 * math.cos(3 * th)
    return (w * math.cos(2 * th), w * math.sin(2 * th), 0.36 * math.sin(3 * th))


def woven_3d(th: float) -> Vector:
    return (0.72 * math.sin(2 * th), 0.64 * math.sin(3 * th), 0.48 * math.sin(5 * th))


def crank_slider(th: float) -> Vector:
    # Crank radius 1 and rod length 3: the slider sits at cos θ + √(9 − sin²θ), centred by −3.
    return (0.78 * (math.cos(th) + math.sqrt(9 - math.sin(th) ** 2) - 3), 0.3 * math.sin(th), 0.0)


ORBIT_DWELL_PEAKS = (0.8, 0.56, 0.0)


def _orbit_dwell(u: float) -> Vector:
    # φ = 2πu − sin 2πu has speed 2π(1 − cos 2πu): zero at the loop boundary, fastest half a loop later
    angle = TAU * u - math.sin(TAU * u)
    return (math.cos(angle), math.sin(angle), 0.0)


PATH_SHAPES = {"orbit_dwell": lambda e: scale_axes(phase_loop(e.period_pips, _orbit_dwell), ORBIT_DWELL_PEAKS)}


CHARACTER = Character()

FAMILY = Family(
    "path",
    MEMBERS,
    PEAKS,
    exact={
        "lissajous_2_3": angle_rule(lissajous_2_3),
        "rose_4": rose_loop,
        "rose_5": rose_loop,
        "bowed_diamond": angle_rule(bowed_diamond),
        "torus_knot": angle_rule(torus_knot),
        "woven_3d": angle_rule(woven_3d),
        "crank_slider": angle_rule(crank_slider),
    },
    authored=by_member(PATH_SHAPES),
    character=CHARACTER,
)
