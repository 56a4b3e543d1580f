"""Families drawn as closed cubic curves through authored key poses: the `gesture` studies and the
`spline` figures, each a list of (beat, point) keys and the member's peaks."""

from __future__ import annotations

from typing import Callable, Dict, List, Sequence, Tuple

from ...model import Entry, Loop
from .sampling import Key, Vector, by_member, periodic_spline, scale_axes

BEAT_PIPS = 64

# (beat within the eight-beat loop, pose); 2-D poses leave z at 0
Pose = Tuple[float, Vector]


def _flat(beat: float, x: float, y: float) -> Pose:
    return (beat, (x, y, 0.0))


def _deep(beat: float, x: float, y: float, z: float) -> Pose:
    return (beat, (x, y, z))


# member -> (key poses, peaks x, y, z)
GESTURES: Dict[str, Tuple[Sequence[Pose], Vector]] = {
    "side_reach": (
        (_flat(0, 0, 0), _flat(1.5, 1, 0.25), _flat(2.5, 0.85, 0.1), _flat(4, 0, -0.1),
         _flat(5.5, -0.9, 0.3), _flat(6.5, -0.75, 0.15)),
        (0.82, 0.3, 0.0),
    ),
    "cross_reach": (
        (_flat(0, 0, 0), _flat(1, -0.45, -0.6), _flat(2.5, 0.9, 0.7), _flat(4, 0.1, 0),
         _flat(5, 0.45, -0.6), _flat(6.5, -0.9, 0.7)),
        (0.78, 0.62, 0.0),
    ),
    "low_scoop": (
        (_flat(0, -1, 0.1), _flat(1.5, -0.5, -0.9), _flat(3, 0.3, -1), _flat(4.5, 1, 0.2),
         _flat(6, 0.2, 0.45), _flat(7, -0.6, 0.35)),
        (0.8, 0.7, 0.0),
    ),
    "high_arc": (
        (_flat(0, -1, -0.3), _flat(1.5, -0.6, 0.7), _flat(2.5, 0, 1), _flat(3.5, 0.6, 0.7),
         _flat(5, 1, -0.3), _flat(6.5, 0, -0.55)),
        (0.76, 0.82, 0.0),
    ),
    "corner_taps": (
        (_flat(0, 0.9, 0.9), _flat(0.5, 0.75, 0.7), _flat(2, -0.9, 0.9), _flat(2.5, -0.75, 0.7),
         _flat(4, -0.9, -0.9), _flat(4.5, -0.75, -0.7), _flat(6, 0.9, -0.9), _flat(6.5, 0.75, -0.7)),
        (0.7, 0.7, 0.0),
    ),
    "diagonal_touch": (
        (_flat(0, 0, 0), _flat(2, 0.9, 0.9), _flat(4, 0.05, -0.1), _flat(6, -0.9, -0.9)),
        (0.72, 0.72, 0.0),
    ),
    "box_return": (
        (_flat(0, -0.8, 0.8), _flat(1.5, 0.8, 0.8), _flat(3, 0.8, -0.8), _flat(4.5, -0.8, -0.8), _flat(6, 0, 0)),
        (0.66, 0.66, 0.0),
    ),
    "zigzag_lift": (
        (_flat(0, -1, -1), _flat(1, -0.5, -0.4), _flat(2, 0, -0.7), _flat(3, 0.5, 0),
         _flat(4, 1, -0.3), _flat(5.5, 0.4, 0.9), _flat(6.8, -0.6, 0.2)),
        (0.74, 0.78, 0.0),
    ),
    "duck_sway": (
        (_flat(0, 0, 0.2), _flat(1, 0.7, -0.3), _flat(2, 0, -1), _flat(3, -0.7, -0.3),
         _flat(4, 0, 0.2), _flat(5, 0.6, -0.2), _flat(6, 0, -0.8), _flat(7, -0.6, -0.2)),
        (0.6, 0.8, 0.0),
    ),
    "push_pull": (
        (_deep(0, 0, 0, 0), _deep(1.5, 0.2, 0.1, 1), _deep(2.5, 0.3, 0.15, 0.9), _deep(4, 0, 0, -0.6),
         _deep(5.5, -0.3, -0.2, -1), _deep(7, -0.1, 0, -0.3)),
        (0.512, 0.205, 0.82),
    ),
    "reach_depth": (
        (_deep(0, 0, 0, 0), _deep(1.5, 0.7, 0.5, 0.4), _deep(3, 1, 0.7, 1), _deep(4.5, 0.3, 0.2, 0.2),
         _deep(6, -0.6, -0.3, -0.5)),
        (0.7, 0.5, 0.75),
    ),
    "bow_turn": (
        (_deep(0, 0, 0, 0), _deep(1.5, 0, -0.9, 0.8), _deep(3, 0, -0.2, 0.2), _deep(4, 0.8, 0.1, -0.3),
         _deep(5, 0, 0.2, -0.8), _deep(6, -0.8, 0.1, -0.3), _deep(7, 0, 0, 0.1)),
        (0.64, 0.68, 0.7),
    ),
    "heel_toe": (
        (_flat(0, 0.4, -0.6), _flat(1, 0.9, 0.3), _flat(2, 0, 0), _flat(3, -0.4, -0.6),
         _flat(4, -0.9, 0.3), _flat(5, 0, -0.1), _flat(6, 0.4, -0.5), _flat(7, 0.1, 0.1)),
        (0.68, 0.5, 0.0),
    ),
    "hop_answer": (
        (_flat(0, 0, 0), _flat(1, 0.1, 1), _flat(2, 0, -0.2), _flat(2.75, 0.05, 0.7), _flat(3.5, 0, -0.1),
         _flat(4.5, 0.9, 0), _flat(6, -0.9, 0.1), _flat(7, 0, 0)),
        (0.8, 0.76, 0.0),
    ),
    "spiral_reach": (
        (_deep(0, 0.2, 0, 0), _deep(1, 0, 0.35, 0.2), _deep(2, -0.5, 0, 0.4), _deep(3, 0, -0.65, 0.6),
         _deep(4, 0.8, 0, 0.8), _deep(5, 0, 0.9, 1), _deep(6.5, -0.4, 0.3, 0.5)),
        (0.72, 0.74, 0.6),
    ),
    "diamond_depth": (
        (_deep(0, 1, 0, 0), _deep(2, 0, 0.3, 1), _deep(4, -1, 0, 0), _deep(6, 0, -0.3, -1)),
        (0.82, 0.3, 0.8),
    ),
}

# Controls placed at unequal beat times, so the cubic tangents differ from segment to segment.
SPLINES: Dict[str, Tuple[Sequence[Pose], Vector]] = {
    "kite": ((_flat(0, 0, 1), _flat(1.2, 0.7, 0.1), _flat(3.5, 0, -1), _flat(6.3, -0.7, 0.1)), (0.7, 0.82, 0.0)),
    "hourglass": (
        (_flat(0, -0.8, 1), _flat(1.5, 0.8, 1), _flat(4, -0.8, -1), _flat(5, 0.8, -1)),
        (0.76, 0.8, 0.0),
    ),
    "hook": (
        (_flat(0, 0, 1), _flat(2, 0.2, -0.5), _flat(3, -0.3, -1), _flat(3.8, -0.8, -0.6),
         _flat(4.5, -0.5, -0.1), _flat(6.5, 0.4, 0.2)),
        (0.74, 0.78, 0.0),
    ),
    "crown": (
        (_flat(0, -1, -0.6), _flat(1, -0.7, 0.8), _flat(1.7, -0.35, 0.1), _flat(2.6, 0, 1), _flat(3.4, 0.35, 0.1),
         _flat(4.1, 0.7, 0.8), _flat(5.2, 1, -0.6), _flat(6.6, 0, -0.9)),
        (0.82, 0.74, 0.0),
    ),
    "bow": (
        (_flat(0, -1, 0.7), _flat(1, -1, -0.7), _flat(2.5, 0, 0), _flat(3.8, 1, 0.7), _flat(5, 1, -0.7),
         _flat(6.8, 0, 0)),
        (0.8, 0.712, 0.0),
    ),
    "crooked_cross": (
        (_flat(0, 0, 1), _flat(2.3, 0.15, -1), _flat(3.9, -1, 0.1), _flat(6.2, 1, -0.2)),
        (0.72, 0.8, 0.0),
    ),
    "asymmetric_star": (
        (_flat(0, 0, 1), _flat(1.4, 0.55, -0.85), _flat(2.5, -0.95, 0.25), _flat(4.1, 0.9, 0.35),
         _flat(5.3, -0.6, -0.75)),
        (0.78, 0.79, 0.0),
    ),
    "scoop": (
        (_flat(0, -1, 0.8), _flat(1.8, -0.6, -0.6), _flat(3, 0.3, -1), _flat(4.2, 1, 0.4), _flat(6, 0.2, 0.9)),
        (0.77, 0.75, 0.0),
    ),
    "rising_kite": (
        (_deep(0, 0, 1, -0.6), _deep(1.4, 0.7, 0.1, -0.2), _deep(3.2, 0, -1, 0.3), _deep(6, -0.7, 0.1, 1)),
        (0.695, 0.8, 0.6),
    ),
    "twisted_bow": (
        (_deep(0, -1, 0.7, 0.5), _deep(1.2, -1, -0.7, -0.5), _deep(2.6, 0, 0, 0), _deep(4, 1, 0.7, -0.5),
         _deep(5.1, 1, -0.7, 0.5), _deep(6.7, 0, 0, 0.2)),
        (0.8, 0.72, 0.5),
    ),
    "cup": (
        (_deep(0, -1, 1, 0), _deep(1.5, -0.6, -0.5, 0.5), _deep(2.8, 0, -1, 1), _deep(4, 0.6, -0.5, 0.5),
         _deep(5.2, 1, 1, 0), _deep(6.8, 0, 0.85, -0.8)),
        (0.78, 0.77, 0.64),
    ),
    "bridge": (
        (_deep(0, -1, -0.8, 0), _deep(1.2, -0.6, 0.6, 0.4), _deep(3, 0, 0.9, 1), _deep(4.2, 0.6, 0.6, 0.3),
         _deep(5.5, 1, -0.8, 0), _deep(7, 0, -0.5, -0.7)),
        (0.81, 0.76, 0.55),
    ),
    "double_bay": (
        (_deep(0, -1, 0, 0), _deep(1.3, -0.5, -1, 0.7), _deep(2.5, 0, -0.1, 0), _deep(4, 0.5, -0.8, -0.9),
         _deep(5, 1, 0, 0), _deep(6.7, 0, 0.9, 0.2)),
        (0.75, 0.73, 0.728),
    ),
    "slanted_loop": (
        (_deep(0, 1, 0.3, 0.6), _deep(1.6, 0.3, 1, 0.2), _deep(3.5, -0.9, 0.4, -0.4), _deep(5, -0.5, -0.8, -0.8),
         _deep(6.6, 0.6, -0.7, 0.1)),
        (0.79, 0.81, 0.45),
    ),
    "fork": (
        (_deep(0, 0, -1, 0), _deep(1, 0, 0, 0.2), _deep(2.2, -0.8, 1, 0.8), _deep(3.4, 0, 0.15, 0),
         _deep(4.8, 0.8, 1, -0.8), _deep(6, 0.05, -0.1, 0)),
        (0.73, 0.82, 0.68),
    ),
    "folded_crown": (
        (_deep(0, -1, -0.6, 0), _deep(1, -0.7, 0.8, 0.7), _deep(1.7, -0.35, 0.1, -0.4), _deep(2.6, 0, 1, 0.9),
         _deep(3.4, 0.35, 0.1, -0.4), _deep(4.1, 0.7, 0.8, 0.7), _deep(5.2, 1, -0.6, 0), _deep(6.6, 0, -0.9, -0.6)),
        (0.82, 0.75, 0.58),
    ),
}


def pose_keys(poses: Sequence[Pose]) -> List[Key]:
    return [Key(BEAT_PIPS * beat, (float(p[0]), float(p[1]), float(p[2]))) for beat, p in poses]


def _through_poses(table: Dict[str, Tuple[Sequence[Pose], Vector]]) -> Callable[[List[Entry]], List[Loop]]:
    def build(entry: Entry) -> Loop:
        poses, peaks = table[entry.member]
        return scale_axes(periodic_spline(pose_keys(poses), entry.period_pips), peaks)

    return by_member({member: build for member in table})


FAMILIES = {"gesture": _through_poses(GESTURES), "spline": _through_poses(SPLINES)}
