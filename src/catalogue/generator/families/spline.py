"""The `spline` family: periodic cubic curves through asymmetrical controls at unequal segment times,
scaled to peaks of their own."""

from __future__ import annotations

from ..builders.poses import PoseTable, deep, flat, through_poses
from ..family import Character, Family, member_names, templated_members, words
from ..model import Peaks

MEMBERS = templated_members(
    words(
        "kite hourglass hook crown bow crooked_cross asymmetric_star scoop"
        " rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown"
    ),
    period=512,
    dimensions=2,
    description="Periodic cubic tangents connect asymmetrical controls with unequal segment times.",
    other_dimensions=3,
    others=words("rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown"),
)

PEAKS = Peaks.of("0.695-0.82", "0.712-0.82", "0-0.728")


# Controls placed at unequal beat times, so the cubic tangents differ from segment to segment.
SPLINES: PoseTable = {
    "kite": ((flat(0, 0, 1), flat(1.2, 0.7, 0.1), flat(3.5, 0, -1), flat(6.3, -0.7, 0.1)), (0.7, 0.82, 0.0)),
    "hourglass": (
        (flat(0, -0.8, 1), flat(1.5, 0.8, 1), flat(4, -0.8, -1), flat(5, 0.8, -1)),
        (0.76, 0.8, 0.0),
    ),
    "hook": (
        (flat(0, 0, 1), flat(2, 0.2, -0.5), flat(3, -0.3, -1), flat(3.8, -0.8, -0.6),
         flat(4.5, -0.5, -0.1), flat(6.5, 0.4, 0.2)),
        (0.74, 0.78, 0.0),
    ),
    "crown": (
        (flat(0, -1, -0.6), flat(1, -0.7, 0.8), flat(1.7, -0.35, 0.1), flat(2.6, 0, 1), flat(3.4, 0.35, 0.1),
         flat(4.1, 0.7, 0.8), flat(5.2, 1, -0.6), flat(6.6, 0, -0.9)),
        (0.82, 0.74, 0.0),
    ),
    "bow": (
        (flat(0, -1, 0.7), flat(1, -1, -0.7), flat(2.5, 0, 0), flat(3.8, 1, 0.7), flat(5, 1, -0.7),
         flat(6.8, 0, 0)),
        (0.8, 0.712, 0.0),
    ),
    "crooked_cross": (
        (flat(0, 0, 1), flat(2.3, 0.15, -1), flat(3.9, -1, 0.1), flat(6.2, 1, -0.2)),
        (0.72, 0.8, 0.0),
    ),
    "asymmetric_star": (
        (flat(0, 0, 1), flat(1.4, 0.55, -0.85), flat(2.5, -0.95, 0.25), flat(4.1, 0.9, 0.35),
         flat(5.3, -0.6, -0.75)),
        (0.78, 0.79, 0.0),
    ),
    "scoop": (
        (flat(0, -1, 0.8), flat(1.8, -0.6, -0.6), flat(3, 0.3, -1), flat(4.2, 1, 0.4), flat(6, 0.2, 0.9)),
        (0.77, 0.75, 0.0),
    ),
    "rising_kite": (
        (deep(0, 0, 1, -0.6), deep(1.4, 0.7, 0.1, -0.2), deep(3.2, 0, -1, 0.3), deep(6, -0.7, 0.1, 1)),
        (0.695, 0.8, 0.6),
    ),
    "twisted_bow": (
        (deep(0, -1, 0.7, 0.5), deep(1.2, -1, -0.7, -0.5), deep(2.6, 0, 0, 0), deep(4, 1, 0.7, -0.5),
         deep(5.1, 1, -0.7, 0.5), deep(6.7, 0, 0, 0.2)),
        (0.8, 0.72, 0.5),
    ),
    "cup": (
        (deep(0, -1, 1, 0), deep(1.5, -0.6, -0.5, 0.5), deep(2.8, 0, -1, 1), deep(4, 0.6, -0.5, 0.5),
         deep(5.2, 1, 1, 0), deep(6.8, 0, 0.85, -0.8)),
        (0.78, 0.77, 0.64),
    ),
    "bridge": (
        (deep(0, -1, -0.8, 0), deep(1.2, -0.6, 0.6, 0.4), deep(3, 0, 0.9, 1), deep(4.2, 0.6, 0.6, 0.3),
         deep(5.5, 1, -0.8, 0), deep(7, 0, -0.5, -0.7)),
        (0.81, 0.76, 0.55),
    ),
    "double_bay": (
        (deep(0, -1, 0, 0), deep(1.3, -0.5, -1, 0.7), deep(2.5, 0, -0.1, 0), deep(4, 0.5, -0.8, -0.9),
         deep(5, 1, 0, 0), deep(6.7, 0, 0.9, 0.2)),
        (0.75, 0.73, 0.728),
    ),
    "slanted_loop": (
        (deep(0, 1, 0.3, 0.6), deep(1.6, 0.3, 1, 0.2), deep(3.5, -0.9, 0.4, -0.4), deep(5, -0.5, -0.8, -0.8),
         deep(6.6, 0.6, -0.7, 0.1)),
        (0.79, 0.81, 0.45),
    ),
    "fork": (
        (deep(0, 0, -1, 0), deep(1, 0, 0, 0.2), deep(2.2, -0.8, 1, 0.8), deep(3.4, 0, 0.15, 0),
         deep(4.8, 0.8, 1, -0.8), deep(6, 0.05, -0.1, 0)),
        (0.73, 0.82, 0.68),
    ),
    "folded_crown": (
        (deep(0, -1, -0.6, 0), deep(1, -0.7, 0.8, 0.7), deep(1.7, -0.35, 0.1, -0.4), deep(2.6, 0, 1, 0.9),
         deep(3.4, 0.35, 0.1, -0.4), deep(4.1, 0.7, 0.8, 0.7), deep(5.2, 1, -0.6, 0), deep(6.6, 0, -0.9, -0.6)),
        (0.82, 0.75, 0.58),
    ),
}


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("spline", MEMBERS, PEAKS, authored=through_poses(SPLINES), character=CHARACTER)
