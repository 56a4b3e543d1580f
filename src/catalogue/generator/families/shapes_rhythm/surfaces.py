"""Paths given by closed formulas in the loop angle: `surface`, `braid`, `arm` and `packet`.

Every frequency is a whole number of turns per loop, so each loop is periodic by construction.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Dict

from ...model import Entry, Loop
from ...shaping import PI, TAU, Vector, theta
from .fitting import fitted_family, member_parameters

# --- surface: a path over a sphere-like surface whose radius breathes --------------------------------

# Latitude swing (radians) and radius variation for the two kinds of member.
SURFACE_LATITUDE = {"low": 0.42, "wide": 1.05}
SURFACE_RADIUS_SWELL = {"low": 0.12, "wide": 0.2}
SURFACE_LONGITUDE_COUPLING = 0.3  # how much the latitude rhythm hurries and holds back the longitude
SURFACE_FLATTENING = 0.78  # the surface is an oblate body, narrower on y


def surface_point(a: int, b: int, kind: str, angle: float) -> Vector:
    """a turns of longitude against b swings of latitude, on a surface whose radius swells (a + b) times."""
    latitude = SURFACE_LATITUDE[kind] * math.sin(b * angle)
    longitude = a * angle + SURFACE_LONGITUDE_COUPLING * math.sin(b * angle)
    radius = 1.0 + SURFACE_RADIUS_SWELL[kind] * math.cos((a + b) * angle)
    ring = radius * math.cos(latitude)
    return (ring * math.cos(longitude), SURFACE_FLATTENING * ring * math.sin(longitude), radius * math.sin(latitude))


def surface_loop(entry: Entry) -> Loop:
    a, b = entry.numbers()
    kind = entry.member.split("_")[-1]
    return [surface_point(a, b, kind, theta(s, entry.period_pips)) for s in range(entry.period_pips)]


# --- braid: a tube around an offset elliptical centreline ---------------------------------------------

BRAID_OFFSET = 0.18  # the centreline's centre sits off the origin on x
BRAID_ELLIPSE = 0.62  # centreline height against its width
BRAID_TUBE = 0.36
BRAID_TUBE_THINNING = 0.025  # per cross-section roll: more rolls, a thinner tube
BRAID_RIPPLE = 0.1
BRAID_RIPPLE_PHASE = 0.6


def braid_point(a: int, b: int, angle: float) -> Vector:
    """The centreline goes round a times while the cross-section rolls b times around it.

    The tube offset points outward from the centreline's centre and forward in depth; a second
    ripple at twice the roll rate adds to the depth alone.
    """
    around = a * angle
    roll = b * angle
    tube = BRAID_TUBE - BRAID_TUBE_THINNING * b
    radial = tube * math.cos(roll)
    return (
        BRAID_OFFSET + math.cos(around) + radial * math.cos(around),
        BRAID_ELLIPSE * math.sin(around) + radial * math.sin(around),
        tube * math.sin(roll) + BRAID_RIPPLE * math.sin(2.0 * roll + BRAID_RIPPLE_PHASE),
    )


def braid_loop(entry: Entry) -> Loop:
    a, b = entry.numbers()
    return [braid_point(a, b, theta(s, entry.period_pips)) for s in range(entry.period_pips)]


# --- arm: the tip of two driven links -----------------------------------------------------------------


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
    "coupled_16": ArmDrive(0.5, 0.5, -H, 0.75, -0.55, 0.75, 1, 2.8, 0.28),
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


# --- packet: windowed oscillation packets with a shaped side motion -----------------------------------

PACKET_SHARE = 0.72  # of each packet's slot; the rest of the slot is still
PACKET_CYCLES = 3  # carrier cycles in one packet
PACKET_SIDE = 0.35  # side motion against the carrier's swing
PACKET_DEPTH = 0.55
CASCADE_FADE = 0.45  # how much smaller the last packet of a cascade is than the first
CASCADE_DROP = 1.6  # how far the side level falls from the first packet of a cascade to the last


def packet_shape(kind: str, j: int, n: int, u: float) -> Vector:
    """Packet j of n at local time u: a carrier on x under a smooth window, and the kind's side motion.

    The window sin²(πu) brings every packet in and out at rest.
    """
    window = math.sin(PI * u) ** 2
    alternate = 1.0 if j % 2 == 0 else -1.0
    if kind == "cascading":
        # Each packet is smaller, faster, and sits lower than the one before, from high on one
        # side to not quite as low on the other, so that no packet rides the centre line.
        step = j / (n - 1)
        size = 1.0 - CASCADE_FADE * step
        carrier = math.sin(TAU * (PACKET_CYCLES - 1 + j) * u)
        return (size * window * carrier, PACKET_SIDE * window * (1.0 - CASCADE_DROP * step), 0.0)
    carrier = math.sin(TAU * PACKET_CYCLES * u)
    if kind == "crossing":
        # The side motion crosses from one side to the other within each packet, alternately.
        return (window * carrier, alternate * PACKET_SIDE * math.sin(TAU * u) * math.sin(PI * u), 0.0)
    if kind == "depth":
        # The carrier turns in the x-z plane: each packet is a small spiral out of and back to the centre.
        depth = PACKET_DEPTH * window * math.cos(TAU * PACKET_CYCLES * u)
        return (window * carrier, alternate * PACKET_SIDE * window, depth)
    return (window * carrier, alternate * PACKET_SIDE * window, 0.0)


def packet_point(kind: str, n: int, s: int, period: int) -> Vector:
    slot = period / n
    j = int(s // slot)
    lead = slot * (1.0 - PACKET_SHARE) * 0.5
    u = (s - j * slot - lead) / (slot * PACKET_SHARE)
    if u <= 0.0 or u >= 1.0:
        return (0.0, 0.0, 0.0)
    return packet_shape(kind, j, n, u)


def packet_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (n,) = entry.numbers()
    return [packet_point(kind, n, s, entry.period_pips) for s in range(entry.period_pips)]


FAMILIES = {
    "surface": fitted_family(surface_loop),
    "braid": fitted_family(braid_loop),
    "arm": fitted_family(arm_loop),
    "packet": fitted_family(packet_loop),
}
