"""The `arm` family: the tip of two kinematically driven links, swung at the shoulder and the elbow.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Dict

from ..builders.fitting import fitted_family, member_parameters
from ..family import Character, Family, numbered, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import PI, Vector, theta

MEMBERS = templated_members(
    numbered("coupled", 16),
    period=1024,
    dimensions=2,
    description="Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.",
    other_dimensions=3,
    others=numbered("coupled", 16)[8:],
)

PEAKS = Peaks.of("0.583-0.82", "0.817-0.82", "0-0.177")


@dataclass(frozen=True)
class ArmDrive:
    """Link lengths and the two joint drives: each joint angle is its mean plus a sine swing.

    The shoulder swings once per loop; the elbow `elbow_rate` times, `elbow_phase` ahead. Members
    that move in depth also yaw the whole arm about the vertical by up to `yaw` radians, twice per loop.
    """

    upper: float
    fore: float
    shoulder_mean: float
    shoulder_swing: float
    elbow_mean: float
    elbow_swing: float
    elbow_rate: int
    elbow_phase: float
    yaw: float = 0.0


H = PI / 2.0
ARM_DRIVES: Dict[str, ArmDrive] = {
    "coupled_01": ArmDrive(0.55, 0.45, H, 0.9, 0.4, 0.5, 1, 0.4),
    "coupled_02": ArmDrive(0.6, 0.4, H, 0.7, -0.3, 0.8, 2, 0.5),
    "coupled_03": ArmDrive(0.5, 0.5, -H, 0.8, 0.6, 0.6, 2, 1.2),
    "coupled_04": ArmDrive(0.65, 0.35, H, 1.0, 0.2, 0.9, 3, 0.3),
    "coupled_05": ArmDrive(0.5, 0.5, -H, 0.6, -0.5, 0.7, 1, 2.0),
    "coupled_06": ArmDrive(0.58, 0.42, H, 0.55, 0.7, 0.5, 3, 0.8),
    "coupled_07": ArmDrive(0.62, 0.38, -H, 0.95, 0.1, 1.0, 2, 2.4),
    "coupled_08": ArmDrive(0.52, 0.48, H, 0.75, -0.6, 0.6, 1, 1.6),
    "coupled_09": ArmDrive(0.55, 0.45, H, 0.85, 0.3, 0.7, 2, 0.2, 0.22),
    "coupled_10": ArmDrive(0.6, 0.4, -H, 0.7, 0.5, 0.6, 1, 0.9, 0.18),
    "coupled_11": ArmDrive(0.5, 0.5, H, 0.6, -0.4, 0.9, 3, 1.4, 0.26),
    "coupled_12": ArmDrive(0.64, 0.36, -H, 1.0, 0.0, 0.8, 2, 0.6, 0.2),
    "coupled_13": ArmDrive(0.57, 0.43, H, 0.65, 0.6, 0.5, 1, 2.2, 0.3),
    "coupled_14": ArmDrive(0.53, 0.47, -H, 0.8, -0.2, 1.0, 3, 0.4, 0.15),
    "coupled_15": ArmDrive(0.6, 0.4, H, 0.9, 0.45, 0.65, 2, 1.8, 0.24),
    "coupled_16": ArmDrive(0.5, 0.5, -H, 0.75, -0.55, 0.75, 2, 2.8, 0.28),
}


def arm_tip(drive: ArmDrive, angle: float, with_depth: bool) -> Vector:
    shoulder = drive.shoulder_mean + drive.shoulder_swing * math.sin(angle)
    elbow = drive.elbow_mean + drive.elbow_swing * math.sin(drive.elbow_rate * angle + drive.elbow_phase)
    x = drive.upper * math.cos(shoulder) + drive.fore * math.cos(shoulder + elbow)
    y = drive.upper * math.sin(shoulder) + drive.fore * math.sin(shoulder + elbow)
    if not with_depth:
        return (x, y, 0.0)
    yaw = drive.yaw * math.sin(2.0 * angle)
    return (x * math.cos(yaw), y, x * math.sin(yaw))


def arm_loop(entry: Entry) -> Loop:
    drive = member_parameters(ARM_DRIVES, entry)
    with_depth = entry.dimensions == 3
    return [arm_tip(drive, theta(s, entry.period_pips), with_depth) for s in range(entry.period_pips)]


CHARACTER = Character()

FAMILY = Family("arm", MEMBERS, PEAKS, authored=fitted_family(arm_loop, PEAKS), character=CHARACTER)
