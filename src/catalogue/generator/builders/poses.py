"""Closed cubic curves, or eased straight moves, through authored key poses, each pose placed at a beat
of the loop."""

from __future__ import annotations

from typing import AbstractSet, Dict, List, Sequence, Tuple

from ..family import FamilyBuilder, by_member
from ..model import Entry, Loop
from ..shaping import PIPS_PER_BEAT, Vector, scale_axes
from .sampling import Key, eased_path, periodic_spline

# (beat within the loop, pose); 2-D poses leave z at 0
Pose = Tuple[float, Vector]
# member -> (key poses, peaks x, y, z)
PoseTable = Dict[str, Tuple[Sequence[Pose], Vector]]


def flat(beat: float, x: float, y: float) -> Pose:
    """A pose in the plane."""
    return (beat, (x, y, 0.0))


def deep(beat: float, x: float, y: float, z: float) -> Pose:
    """A pose in depth."""
    return (beat, (x, y, z))


def pose_keys(poses: Sequence[Pose]) -> List[Key]:
    return [Key(PIPS_PER_BEAT * beat, (float(p[0]), float(p[1]), float(p[2]))) for beat, p in poses]


def through_poses(table: PoseTable, cornered: AbstractSet[str] = frozenset()) -> FamilyBuilder:
    """An authored builder: each member a periodic spline through its poses, scaled to its peaks.

    The `cornered` members instead move straight from pose to pose, easing to rest in each, so that
    every pose is a corner of their path.
    """

    def build(entry: Entry) -> Loop:
        poses, peaks = table[entry.member]
        keys = pose_keys(poses)
        if entry.member in cornered:
            return scale_axes(eased_path(keys, entry.period_pips), peaks)
        return scale_axes(periodic_spline(keys, entry.period_pips), peaks)

    return by_member({member: build for member in table})
