"""Smooth closed lanes through SHA-256 indexed control values, and the `noise` family built from them.

A control value is read from the digest of a label "<entry name>/<lane>/<index>", so every loop can be
recomputed from its name alone: there is no random generator and no state carried between members.
"""

from __future__ import annotations

import math
from typing import Dict, List, Sequence, Tuple

from ...model import Entry, Loop
from .sampling import TAU, Key, by_member, even_knot_times, hashed_unit, periodic_spline, scale_axes

NOISE_RADIUS_DEPTH = 0.35  # how far the orbit members' radius strays from the unit circle
NOISE_PHASE_DEPTH = 0.5  # radians of phase drift on the orbit members
RIPPLE_DEPTH = 0.22  # radial depth of the ripple members' hashed ripples


def control_label(name: str, lane: str, index: int) -> str:
    return f"{name}/{lane}/{index}"


def control_values(name: str, lane: str, count: int) -> List[float]:
    """The lane's hashed values, less their mean so that the lane drifts about the centre."""
    values = [hashed_unit(control_label(name, lane, i)) for i in range(count)]
    mean = 0.0
    for value in values:
        mean += value
    mean = mean / count
    return [value - mean for value in values]


def smooth_lane(name: str, lane: str, count: int, period: int) -> List[float]:
    """A closed cubic lane passing through each control value at evenly spread whole-pip times."""
    values = control_values(name, lane, count)
    keys = [Key(float(time), (value, 0.0, 0.0)) for time, value in zip(even_knot_times(count, period), values)]
    return [sample[0] for sample in periodic_spline(keys, period)]


def drift_loop(name: str, lanes: Sequence[Tuple[str, int]], period: int) -> Loop:
    """Up to three independent smooth lanes, one per axis in the order given; missing axes stay 0."""
    columns = [smooth_lane(name, lane, count, period) for lane, count in lanes]
    while len(columns) < 3:
        columns.append([0.0] * period)
    return list(zip(columns[0], columns[1], columns[2]))


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


FAMILIES = {"noise": by_member({member: _noise_member for member in NOISE_MEMBERS})}
