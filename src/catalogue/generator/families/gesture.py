"""The `gesture` family: single-point abstract gestures, each a closed cubic curve through authored
key poses, scaled to peaks of its own."""

from __future__ import annotations

from ..builders.poses import PoseTable, deep, flat, through_poses
from ..family import Character, Family, templated_members, words
from ..model import Peaks

MEMBERS = templated_members(
    (
        ("side_reach", "side reach"), ("cross_reach", "cross and reach"), ("low_scoop", "low scoop"),
        ("high_arc", "high arc"), ("corner_taps", "corner taps"), ("diagonal_touch", "diagonal touch"),
        ("box_return", "box and centre"), ("zigzag_lift", "zigzag lift"), ("duck_sway", "duck and sway"),
        ("push_pull", "push and pull"), ("reach_depth", "reach through depth"), ("bow_turn", "bow and turn"),
        ("heel_toe", "heel-toe abstract"), ("hop_answer", "hop and answer"),
        ("spiral_reach", "spiral reach"), ("diamond_depth", "depth diamond"),
    ),
    period=512,
    dimensions=2,
    description=(
        "An original single-point {label} gesture. Abstract motion, not a full-body dance or biomechanical"
        " recording."
    ),
    other_dimensions=3,
    others=words("push_pull reach_depth bow_turn spiral_reach diamond_depth"),
)

PEAKS = Peaks.of("0.512-0.82", "0.205-0.82", "0-0.82")


# member -> (key poses, peaks x, y, z)
GESTURES: PoseTable = {
    "side_reach": (
        (flat(0, 0, 0), flat(1.5, 1, 0.25), flat(2.5, 0.85, 0.1), flat(4, 0, -0.1),
         flat(5.5, -0.9, 0.3), flat(6.5, -0.75, 0.15)),
        (0.82, 0.3, 0.0),
    ),
    "cross_reach": (
        (flat(0, 0, 0), flat(1, -0.45, -0.6), flat(2.5, 0.9, 0.7), flat(4, 0.1, 0),
         flat(5, 0.45, -0.6), flat(6.5, -0.9, 0.7)),
        (0.78, 0.62, 0.0),
    ),
    "low_scoop": (
        (flat(0, -1, 0.1), flat(1.5, -0.5, -0.9), flat(3, 0.3, -1), flat(4.5, 1, 0.2),
         flat(6, 0.2, 0.45), flat(7, -0.6, 0.35)),
        (0.8, 0.7, 0.0),
    ),
    "high_arc": (
        (flat(0, -1, -0.3), flat(1.5, -0.6, 0.7), flat(2.5, 0, 1), flat(3.5, 0.6, 0.7),
         flat(5, 1, -0.3), flat(6.5, 0, -0.55)),
        (0.76, 0.82, 0.0),
    ),
    "corner_taps": (
        (flat(0, 0.9, 0.9), flat(0.5, 0.75, 0.7), flat(2, -0.9, 0.9), flat(2.5, -0.75, 0.7),
         flat(4, -0.9, -0.9), flat(4.5, -0.75, -0.7), flat(6, 0.9, -0.9), flat(6.5, 0.75, -0.7)),
        (0.7, 0.7, 0.0),
    ),
    "diagonal_touch": (
        (flat(0, 0, 0), flat(2, 0.9, 0.9), flat(4, 0.05, -0.1), flat(6, -0.9, -0.9)),
        (0.72, 0.72, 0.0),
    ),
    "box_return": (
        (flat(0, -0.8, 0.8), flat(1.5, 0.8, 0.8), flat(3, 0.8, -0.8), flat(4.5, -0.8, -0.8), flat(6, 0, 0)),
        (0.66, 0.66, 0.0),
    ),
    "zigzag_lift": (
        (flat(0, -1, -1), flat(1, -0.5, -0.4), flat(2, 0, -0.7), flat(3, 0.5, 0),
         flat(4, 1, -0.3), flat(5.5, 0.4, 0.9), flat(6.8, -0.6, 0.2)),
        (0.74, 0.78, 0.0),
    ),
    "duck_sway": (
        (flat(0, 0, 0.2), flat(1, 0.7, -0.3), flat(2, 0, -1), flat(3, -0.7, -0.3),
         flat(4, 0, 0.2), flat(5, 0.6, -0.2), flat(6, 0, -0.8), flat(7, -0.6, -0.2)),
        (0.6, 0.8, 0.0),
    ),
    "push_pull": (
        (deep(0, 0, 0, 0), deep(1.5, 0.2, 0.1, 1), deep(2.5, 0.3, 0.15, 0.9), deep(4, 0, 0, -0.6),
         deep(5.5, -0.3, -0.2, -1), deep(7, -0.1, 0, -0.3)),
        (0.512, 0.205, 0.82),
    ),
    "reach_depth": (
        (deep(0, 0, 0, 0), deep(1.5, 0.7, 0.5, 0.4), deep(3, 1, 0.7, 1), deep(4.5, 0.3, 0.2, 0.2),
         deep(6, -0.6, -0.3, -0.5)),
        (0.7, 0.5, 0.75),
    ),
    "bow_turn": (
        (deep(0, 0, 0, 0), deep(1.5, 0, -0.9, 0.8), deep(3, 0, -0.2, 0.2), deep(4, 0.8, 0.1, -0.3),
         deep(5, 0, 0.2, -0.8), deep(6, -0.8, 0.1, -0.3), deep(7, 0, 0, 0.1)),
        (0.64, 0.68, 0.7),
    ),
    "heel_toe": (
        (flat(0, 0.4, -0.6), flat(1, 0.9, 0.3), flat(2, 0, 0), flat(3, -0.4, -0.6),
         flat(4, -0.9, 0.3), flat(5, 0, -0.1), flat(6, 0.4, -0.5), flat(7, 0.1, 0.1)),
        (0.68, 0.5, 0.0),
    ),
    "hop_answer": (
        (flat(0, 0, 0), flat(1, 0.1, 1), flat(2, 0, -0.2), flat(2.75, 0.05, 0.7), flat(3.5, 0, -0.1),
         flat(4.5, 0.9, 0), flat(6, -0.9, 0.1), flat(7, 0, 0)),
        (0.8, 0.76, 0.0),
    ),
    "spiral_reach": (
        (deep(0, 0.2, 0, 0), deep(1, 0, 0.35, 0.2), deep(2, -0.5, 0, 0.4), deep(3, 0, -0.65, 0.6),
         deep(4, 0.8, 0, 0.8), deep(5, 0, 0.9, 1), deep(6.5, -0.4, 0.3, 0.5)),
        (0.72, 0.74, 0.6),
    ),
    "diamond_depth": (
        (deep(0, 1, 0, 0), deep(2, 0, 0.3, 1), deep(4, -1, 0, 0), deep(6, 0, -0.3, -1)),
        (0.82, 0.3, 0.8),
    ),
}


# The labels that promise corners: the taps at four corners, the box and the diamond.
CHARACTER = Character(corners={"corner_taps": 4, "box_return": 4, "diamond_depth": 4})

# The box and the diamond move straight from corner to corner.
CORNERED = frozenset(("box_return", "diamond_depth"))

FAMILY = Family("gesture", MEMBERS, PEAKS, authored=through_poses(GESTURES, CORNERED), character=CHARACTER)
