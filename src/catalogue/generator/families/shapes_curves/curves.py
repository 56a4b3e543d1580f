"""Closed plane and space curves: `path_orbit_dwell`, the `polar` scallops, the `contour` ovals and the
`ribbon` spines."""

from __future__ import annotations

import math
from typing import Dict, Tuple

from ...model import Entry, Loop
from .sampling import PI, TAU, Vector, by_member, phase_loop, raised_cosine, scale_axes, signed_power

# ----------------------------------------------------------------------------------------- path

ORBIT_DWELL_PEAKS = (0.8, 0.56, 0.0)


def _orbit_dwell(u: float) -> Vector:
    # φ = 2πu − sin 2πu has speed 2π(1 − cos 2πu): zero at the loop boundary, fastest half a loop later
    angle = TAU * u - math.sin(TAU * u)
    return (math.cos(angle), math.sin(angle), 0.0)


PATH_SHAPES = {"orbit_dwell": lambda e: scale_axes(phase_loop(e.period_pips, _orbit_dwell), ORBIT_DWELL_PEAKS)}

# ---------------------------------------------------------------------------------------- polar

SCALLOP_DEPTH = 0.24  # below 1, so the radius 1 + depth·cos(…) never reaches the centre
SCALLOP_X_PEAK = 0.82
SCALLOP_BEND_SHARPNESS = 4

# member -> (lobe count, phase bend in radians, angle the bend is centred on, y peak)
SCALLOPS: Dict[str, Tuple[int, float, float, float]] = {
    "scallop_2": (2, 0.9, 0.7, 0.441),
    "scallop_3": (3, 1.1, 2.1, 0.62),
    "scallop_4": (4, 1.2, 4.0, 0.5),
    "scallop_5": (5, 1.0, 5.3, 0.7),
    "scallop_6": (6, 1.3, 1.2, 0.56),
    "scallop_7": (7, 1.15, 3.1, 0.76),
    "scallop_8": (8, 1.25, 4.6, 0.47),
    "scallop_9": (9, 1.05, 0.3, 0.8),
}


def _scallop(entry: Entry) -> Loop:
    lobes, bend, centre, y_peak = SCALLOPS[entry.member]

    def shape(u: float) -> Vector:
        angle = TAU * u
        # the bend shifts the lobe phase only near `centre`, so one lobe leans and the others stay even
        lobe_phase = lobes * angle + bend * raised_cosine(angle, centre, SCALLOP_BEND_SHARPNESS)
        radius = 1.0 + SCALLOP_DEPTH * math.cos(lobe_phase)
        return (radius * math.cos(angle), radius * math.sin(angle), 0.0)

    return scale_axes(phase_loop(entry.period_pips, shape), (SCALLOP_X_PEAK, y_peak, 0.0))


# -------------------------------------------------------------------------------------- contour

CONTOUR_X_PEAK = 0.82
RIPPLE_SHARPNESS = 6

# member -> (edge exponent, ripple count, ripple depth, ripple centre angle, bow, y peak, z peak)
CONTOURS: Dict[str, Tuple[float, int, float, float, float, float, float]] = {
    "shaped_01": (0.6, 7, 0.08, 0.8, 0.25, 0.54, 0.0),
    "shaped_02": (1.6, 5, 0.1, 2.4, -0.2, 0.572, 0.0),
    "shaped_03": (0.8, 9, 0.06, 4.1, 0.3, 0.556, 0.0),
    "shaped_04": (2.0, 6, 0.12, 5.5, -0.15, 0.603, 0.0),
    "shaped_05": (0.5, 11, 0.05, 1.6, 0.35, 0.548, 0.0),
    "shaped_06": (1.3, 8, 0.09, 3.3, -0.3, 0.588, 0.0),
    "shaped_07": (0.7, 10, 0.07, 0.2, 0.2, 0.564, 0.0),
    "shaped_08": (2.4, 5, 0.11, 4.8, -0.25, 0.595, 0.0),
    "shaped_09": (0.65, 6, 0.09, 2.0, 0.28, 0.58, 0.06),
    "shaped_10": (1.8, 9, 0.07, 3.9, -0.18, 0.545, 0.148),
    "shaped_11": (0.9, 7, 0.1, 5.9, 0.22, 0.6, 0.09),
    "shaped_12": (1.4, 12, 0.05, 1.1, -0.32, 0.56, 0.12),
    "shaped_13": (0.55, 8, 0.08, 3.0, 0.33, 0.576, 0.075),
    "shaped_14": (2.2, 6, 0.1, 4.4, -0.22, 0.552, 0.135),
    "shaped_15": (0.75, 10, 0.06, 0.5, 0.18, 0.59, 0.1),
    "shaped_16": (1.2, 5, 0.12, 2.8, -0.28, 0.568, 0.11),
}


def _contour(entry: Entry) -> Loop:
    exponent, ripples, depth, centre, bow, y_peak, z_peak = CONTOURS[entry.member]
    # a flattened oval (exponent below 1) races through its axis crossings, so its loop starts at a
    # corner; a pinched one (above 1) is slowest at its tips and starts on the x axis
    start = PI / 4.0 if exponent < 1.0 else 0.0

    def shape(u: float) -> Vector:
        angle = TAU * u + start
        edge_x = signed_power(math.cos(angle), exponent)
        edge_y = signed_power(math.sin(angle), exponent)
        window = raised_cosine(angle, centre, RIPPLE_SHARPNESS)
        swell = 1.0 + depth * window * math.sin(ripples * angle)
        # the bow bends the oval's top and bottom edges one way, more on the right than on the left
        bowed_y = edge_y + bow * (edge_x * edge_x - 0.5) * (1.0 + 0.4 * edge_x)
        z = window * math.cos(ripples * angle) if z_peak > 0.0 else 0.0
        return (edge_x * swell, bowed_y * swell, z)

    return scale_axes(phase_loop(entry.period_pips, shape), (CONTOUR_X_PEAK, y_peak, z_peak))


# --------------------------------------------------------------------------------------- ribbon

RIBBON_X_PEAK = 0.82
RIBBON_SPINE_BEND = 0.25
RIBBON_WIDTH = {"slim": 0.12, "deep": 0.28}

# member -> (y peak, z peak); the numbers in the name are the spine turns and the width cycles
RIBBON_PEAKS: Dict[str, Tuple[float, float]] = {
    "1_2_slim": (0.368, 0.057), "1_3_slim": (0.4, 0.065), "1_4_slim": (0.43, 0.073), "1_5_slim": (0.46, 0.081),
    "2_3_slim": (0.49, 0.089), "2_5_slim": (0.52, 0.097), "3_4_slim": (0.55, 0.105), "3_5_slim": (0.58, 0.113),
    "1_2_deep": (0.6, 0.16), "1_3_deep": (0.62, 0.174), "1_4_deep": (0.645, 0.188), "1_5_deep": (0.67, 0.202),
    "2_3_deep": (0.695, 0.216), "2_5_deep": (0.72, 0.23), "3_4_deep": (0.74, 0.244), "3_5_deep": (0.764, 0.258),
}


def _ribbon(entry: Entry) -> Loop:
    turns, cycles = entry.numbers()
    width = RIBBON_WIDTH[entry.member.rsplit("_", 1)[1]]
    y_peak, z_peak = RIBBON_PEAKS[entry.member]

    def shape(u: float) -> Vector:
        angle = TAU * u
        spine = turns * angle
        radius = 1.0 + width * math.sin(cycles * angle)
        x = radius * math.cos(spine)
        y = radius * math.sin(spine) + RIBBON_SPINE_BEND * math.cos(2.0 * spine)
        # depth follows the width wave a little ahead of it, stronger on the upper half of the spine
        z = math.cos(cycles * angle + 0.6) * (1.0 + 0.3 * math.sin(spine))
        return (x, y, z)

    return scale_axes(phase_loop(entry.period_pips, shape), (RIBBON_X_PEAK, y_peak, z_peak))


FAMILIES = {
    "path": by_member(PATH_SHAPES),
    "polar": by_member({member: _scallop for member in SCALLOPS}),
    "contour": by_member({member: _contour for member in CONTOURS}),
    "ribbon": by_member({member: _ribbon for member in RIBBON_PEAKS}),
}
