"""The `noise` family: closed paths through SHA-256 indexed control points, drifting, orbiting,
rippling or moving in depth; every loop can be recomputed from its name alone."""

from __future__ import annotations

import math
from typing import Dict, Tuple

from ..builders.seeded import drift_loop, smooth_lane
from ..family import Character, Family, by_member, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, scale_axes

MEMBERS = templated_members(
    words(
        "drift_5 drift_7 drift_9 drift_11 orbit_6 orbit_8 orbit_10 orbit_12"
        " ripple_5 ripple_7 ripple_9 ripple_11 depth_6 depth_8 depth_10 depth_12"
    ),
    period=1024,
    dimensions=2,
    description="Indexed SHA-256 control points in a closed {first} path. No mutable random state.",
    other_dimensions=3,
    others=words("depth_6 depth_8 depth_10 depth_12"),
)

PEAKS = Peaks.of("0.58-0.82", "0.652-0.82", "0-0.516")

NOISE_RADIUS_DEPTH = 0.35  # how far the orbit members' radius strays from the unit circle
NOISE_PHASE_DEPTH = 0.5  # radians of phase drift on the orbit members
RIPPLE_DEPTH = 0.35  # radial depth of the ripple members' hashed ripples


def _orbit(entry: Entry, points: int) -> Loop:
    radius = smooth_lane(entry.name, "radius", points, entry.period_pips)
    phase = smooth_lane(entry.name, "phase", points, entry.period_pips)
    loop: Loop = []
    for s in range(entry.period_pips):
        r = 1.0 + NOISE_RADIUS_DEPTH * radius[s]
        angle = TAU * s / entry.period_pips + NOISE_PHASE_DEPTH * phase[s]
        loop.append((r * math.cos(angle), r * math.sin(angle), 0.0))
    return loop


def _ripple(entry: Entry, ripples: int) -> Loop:
    """An ellipse carrying `ripples` radial ripples, each of a hashed height."""
    heights = smooth_lane(entry.name, "height", ripples, entry.period_pips)
    loop: Loop = []
    for s in range(entry.period_pips):
        angle = TAU * s / entry.period_pips
        r = 1.0 + RIPPLE_DEPTH * heights[s] * math.sin(ripples * angle)
        loop.append((r * math.cos(angle), r * math.sin(angle), 0.0))
    return loop


# member -> (shape kind, count, peak targets x, y, z); the count is the number in the member's name.
NOISE_MEMBERS: Dict[str, Tuple[str, int, Tuple[float, float, float]]] = {
    "drift_5": ("drift", 5, (0.82, 0.74, 0.0)),
    "drift_7": ("drift", 7, (0.7, 0.82, 0.0)),
    "drift_9": ("drift", 9, (0.64, 0.7, 0.0)),
    "drift_11": ("drift", 11, (0.76, 0.66, 0.0)),
    "orbit_6": ("orbit", 6, (0.82, 0.78, 0.0)),
    "orbit_8": ("orbit", 8, (0.78, 0.8, 0.0)),
    "orbit_10": ("orbit", 10, (0.74, 0.72, 0.0)),
    "orbit_12": ("orbit", 12, (0.8, 0.76, 0.0)),
    "ripple_5": ("ripple", 5, (0.8, 0.652, 0.0)),
    "ripple_7": ("ripple", 7, (0.72, 0.69, 0.0)),
    "ripple_9": ("ripple", 9, (0.68, 0.75, 0.0)),
    "ripple_11": ("ripple", 11, (0.62, 0.7, 0.0)),
    "depth_6": ("depth", 6, (0.58, 0.68, 0.42)),
    "depth_8": ("depth", 8, (0.66, 0.72, 0.516)),
    "depth_10": ("depth", 10, (0.6, 0.8, 0.46)),
    "depth_12": ("depth", 12, (0.7, 0.66, 0.38)),
}


def noise_raw(entry: Entry) -> Loop:
    """The member's loop before peak scaling."""
    kind, count, _ = NOISE_MEMBERS[entry.member]
    if kind == "drift":
        return drift_loop(entry.name, (("x", count), ("y", count)), entry.period_pips)
    if kind == "depth":
        return drift_loop(entry.name, (("x", count), ("y", count), ("z", count)), entry.period_pips)
    if kind == "orbit":
        return _orbit(entry, count)
    return _ripple(entry, count)


def _noise_member(entry: Entry) -> Loop:
    return scale_axes(noise_raw(entry), NOISE_MEMBERS[entry.member][2])


CHARACTER = Character()

FAMILY = Family(
    "noise", MEMBERS, PEAKS, authored=by_member({member: _noise_member for member in NOISE_MEMBERS}), character=CHARACTER
)
