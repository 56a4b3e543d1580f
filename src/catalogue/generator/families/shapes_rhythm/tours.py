"""Paths that travel between authored places: `tour`, `scan`, `reach` and `dwell`.

Each is a chain of timed segments (see timeline.py) that starts where it ends, so every loop is
continuous across its seam; moves leave and arrive at rest, which is what eases their corners.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from fractions import Fraction
from typing import Dict, List, Tuple

from ...model import Entry, Loop
from ...shaping import PI, TAU, Vector, smoothstep
from .fitting import fitted_family, member_parameters
from .timeline import Segment, SegmentPath, add, arched_move, eased_move, hold, lerp, settling_move, timed_loop

ORIGIN: Vector = (0.0, 0.0, 0.0)

# --- tour: a star-polygon walk over the vertices of a noncircular outline --------------------------

# The outline is an egg-like closed curve, wider than tall, so no two edges of a tour look alike.
TOUR_OUTLINE_OVAL = 0.17  # cos 2a term of the outline radius
TOUR_OUTLINE_LOBE = 0.09  # sin(3a + 0.5) term, which breaks the left-right symmetry
TOUR_OUTLINE_HEIGHT = 0.6
TOUR_DEPTH_PHASE = 0.7
# Durations, in units of one vertex-to-vertex travel.
TOUR_LONG_DWELL = 0.55
TOUR_SHORT_DWELL = 0.2


def tour_vertex(j: int, n: int, with_depth: bool) -> Vector:
    """Vertex j of n on the outline, the first at the top; in depth it rises and falls around the outline."""
    a = PI / 2.0 + TAU * j / n
    radius = 1.0 + TOUR_OUTLINE_OVAL * math.cos(2.0 * a) - TOUR_OUTLINE_LOBE * math.sin(3.0 * a + 0.5)
    z = math.sin(2.0 * a + TOUR_DEPTH_PHASE) if with_depth else 0.0
    return (radius * math.cos(a), TOUR_OUTLINE_HEIGHT * radius * math.sin(a), z)


def tour_order(n: int, k: int) -> List[int]:
    """The vertices in visiting order: each step skips ahead k places, as the star polygon {n/k} is drawn."""
    return [(m * k) % n for m in range(n)]


def tour_segments(n: int, k: int, with_depth: bool) -> List[Segment]:
    order = tour_order(n, k)
    segments: List[Segment] = []
    for m, vertex in enumerate(order):
        here = tour_vertex(vertex, n, with_depth)
        there = tour_vertex(order[(m + 1) % n], n, with_depth)
        dwell = TOUR_LONG_DWELL if m % 2 == 0 else TOUR_SHORT_DWELL
        segments.append(Segment(dwell, hold(here)))
        segments.append(Segment(1.0, eased_move(here, there)))
    return segments


def tour_loop(entry: Entry) -> Loop:
    n, k = entry.numbers()
    return timed_loop(tour_segments(n, k, entry.dimensions == 3), entry.period_pips)


# --- scan: a serpentine sweep of rows, then a way back around the outside ----------------------------

SCAN_ROW_DURATION = 3.0
SCAN_TURN_DURATION = 1.0
SCAN_RETURN_DURATION = 3.5
SCAN_TURN_SWING = 0.12  # how far a turn swings out beyond the row ends
SCAN_RETURN_SWING = 0.18  # how far the return swings out beyond the field's corners
SCAN_BOW = 0.22
SCAN_TILT = 0.2
SCAN_ROW_SAG_IN_DEPTH = 0.25


def scan_point(kind: str, row: int, rows: int, x: float) -> Vector:
    """The point at x on a row; rows run from the top (row 0) to the bottom of a field [-1, 1]²."""
    level = 1.0 - 2.0 * row / (rows - 1)
    if kind == "bowed":
        return (x, level + SCAN_BOW * (1.0 - x * x), 0.0)
    if kind == "tilted":
        return (x, level + SCAN_TILT * x, 0.0)
    if kind == "depth":
        # Each row lies further back than the one above it and sags towards the viewer in its middle.
        return (x, level, -1.0 + 2.0 * row / (rows - 1) + SCAN_ROW_SAG_IN_DEPTH * (1.0 - x * x))
    return (x, level, 0.0)


def scan_row(kind: str, row: int, rows: int) -> SegmentPath:
    """Even rows sweep left to right, odd rows right to left."""
    start, end = (-1.0, 1.0) if row % 2 == 0 else (1.0, -1.0)
    return lambda u: scan_point(kind, row, rows, start + (end - start) * smoothstep(u))


def scan_turn(kind: str, row: int, rows: int) -> SegmentPath:
    """Down from the end of one row to the start of the next, swinging briefly out past the side."""
    side = 1.0 if row % 2 == 0 else -1.0
    top = scan_point(kind, row, rows, side)
    bottom = scan_point(kind, row + 1, rows, side)
    return lambda u: add(lerp(top, bottom, smoothstep(u)), (side * SCAN_TURN_SWING * math.sin(PI * u), 0.0, 0.0))


def field_radius(kind: str, rows: int) -> float:
    """The largest distance from the field's centre to any row, sampled across each row."""
    return max(
        math.hypot(point[0], point[1])
        for point in (scan_point(kind, row, rows, -1.0 + i / 8.0) for row in range(rows) for i in range(17))
    )


def outer_return(end: Vector, start: Vector, field: float, counter_clockwise: bool) -> SegmentPath:
    """From the end of the scan back to its start around the outside of the field.

    It turns about the field's centre, blending the radii of the two corners it joins, and swings
    out far enough at its middle to clear the field's farthest row by SCAN_RETURN_SWING, so it never
    crosses the rows; depth blends back to the start's.
    """
    end_radius = math.hypot(end[0], end[1])
    start_radius = math.hypot(start[0], start[1])
    swing = SCAN_RETURN_SWING + max(0.0, field - min(end_radius, start_radius))
    end_angle = math.atan2(end[1], end[0])
    turn = math.atan2(start[1], start[0]) - end_angle
    if counter_clockwise:
        while turn <= 0.0:
            turn += TAU
    else:
        while turn >= 0.0:
            turn -= TAU

    def path(u: float) -> Vector:
        w = smoothstep(u)
        radius = end_radius + (start_radius - end_radius) * w + swing * math.sin(PI * u)
        angle = end_angle + turn * w
        return (radius * math.cos(angle), radius * math.sin(angle), end[2] + (start[2] - end[2]) * w)

    return path


def scan_segments(kind: str, rows: int) -> List[Segment]:
    segments: List[Segment] = []
    for row in range(rows):
        segments.append(Segment(SCAN_ROW_DURATION, scan_row(kind, row, rows)))
        if row + 1 < rows:
            segments.append(Segment(SCAN_TURN_DURATION, scan_turn(kind, row, rows)))
    ends_right = rows % 2 == 1
    end = scan_point(kind, rows - 1, rows, 1.0 if ends_right else -1.0)
    start = scan_point(kind, 0, rows, -1.0)
    # Ending on the right, the way back climbs the right side and crosses the top; ending on the
    # left, it climbs the left side.
    segments.append(Segment(SCAN_RETURN_DURATION, outer_return(end, start, field_radius(kind, rows), counter_clockwise=ends_right)))
    return segments


def scan_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (rows,) = entry.numbers()
    return timed_loop(scan_segments(kind, rows), entry.period_pips)


# --- reach: shaped excursions out of a shared centre and back -----------------------------------------

REACH_SHARE = 0.82  # of each reach's slot; the rest is spent resting at the centre
REACH_LONG = 1.0
REACH_SHORT = 0.78  # every other reach is shorter
REACH_TURN = 0.3  # angle of the first reach away from straight up
SCOOP_WIDTH = 0.3
HOOK_CURL = 0.42
LIFT_SWAY = 0.08
RECOIL_PULL = 0.45
RECOIL_SHARE = 0.28  # share of the reach spent drawing back before it goes out
RECOIL_ASIDE = 0.2


def reach_profile(kind: str, u: float) -> Tuple[float, float, float]:
    """Out, across and up at local time u of one reach, relative to its length.

    Every profile starts and ends at 0 with zero speed, so each reach departs from the centre and
    settles back into it.
    """
    out = math.sin(PI * u) ** 2
    if kind == "scoop":
        # Out on one side and back on the other: a teardrop.
        return (out, SCOOP_WIDTH * math.sin(TAU * u) * math.sin(PI * u), 0.0)
    if kind == "hook":
        # Sideways only near the far end, which curls the tip of the reach over.
        return (out, HOOK_CURL * math.sin(PI * u) ** 6, 0.0)
    if kind == "lift":
        return (out, LIFT_SWAY * math.sin(TAU * u), math.sin(PI * u) ** 3)
    # recoil: a short draw-back, against the reach and a little aside, before it goes out.
    pull = math.sin(PI * u / RECOIL_SHARE) ** 2 if u < RECOIL_SHARE else 0.0
    return (out - RECOIL_PULL * pull, RECOIL_ASIDE * pull, 0.0)


def reach_path(kind: str, k: int, n: int) -> SegmentPath:
    angle = PI / 2.0 - REACH_TURN - TAU * k / n
    length = REACH_LONG if k % 2 == 0 else REACH_SHORT
    along = (math.cos(angle), math.sin(angle))
    across = (-along[1], along[0])
    height = 1.0 if k % 2 == 0 else 0.65

    def path(u: float) -> Vector:
        out, side, up = reach_profile(kind, u)
        return (
            length * (out * along[0] + side * across[0]),
            length * (out * along[1] + side * across[1]),
            length * height * up,
        )

    return path


def reach_segments(kind: str, n: int) -> List[Segment]:
    segments: List[Segment] = []
    for k in range(n):
        segments.append(Segment(REACH_SHARE, reach_path(kind, k, n)))
        segments.append(Segment(1.0 - REACH_SHARE, hold(ORIGIN)))
    return segments


def reach_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (n,) = entry.numbers()
    return timed_loop(reach_segments(kind, n), entry.period_pips)


# --- dwell: two unequal lift-and-hold gestures, a transfer and a settling return ---------------------


@dataclass(frozen=True)
class DwellPhrase:
    """One authored phrase; durations are in beats and add up to the 16 beats of the loop."""

    rest: Vector  # where the phrase starts and settles
    first: Vector  # the first lift's held position
    second: Vector  # the second lift's held position
    lift: Fraction
    first_hold: Fraction
    transfer: Fraction
    second_lift: Fraction
    second_hold: Fraction
    settle: Fraction

    def durations(self) -> Tuple[Fraction, ...]:
        return (self.lift, self.first_hold, self.transfer, self.second_lift, self.second_hold, self.settle)


F = Fraction
DWELL_PHRASES: Dict[str, DwellPhrase] = {
    "phrase_01": DwellPhrase((0.0, -0.6, 0.0), (-0.8, 0.75, 0.45), (0.7, 0.4, -0.35), F(3, 2), F(3), F(2), F(3, 2), F(2), F(6)),
    "phrase_02": DwellPhrase((0.1, -0.7, 0.1), (0.75, 0.55, -0.5), (-0.6, 0.85, 0.3), F(2), F(2), F(5, 2), F(1), F(7, 2), F(5)),
    "phrase_03": DwellPhrase((-0.2, -0.5, 0.0), (-0.55, 0.8, -0.3), (0.8, 0.3, 0.5), F(1), F(4), F(2), F(2), F(3, 2), F(11, 2)),
    "phrase_04": DwellPhrase((0.0, -0.8, -0.1), (0.6, 0.7, 0.5), (-0.8, 0.2, -0.4), F(5, 2), F(3, 2), F(3), F(3, 2), F(3), F(9, 2)),
    "phrase_05": DwellPhrase((0.2, -0.6, 0.2), (-0.75, 0.4, -0.45), (0.5, 0.9, 0.35), F(3, 2), F(5, 2), F(3, 2), F(5, 2), F(2), F(6)),
    "phrase_06": DwellPhrase((-0.1, -0.75, 0.0), (0.8, 0.85, 0.2), (-0.7, 0.5, -0.5), F(2), F(3), F(2), F(1), F(5, 2), F(11, 2)),
    "phrase_07": DwellPhrase((0.0, -0.55, 0.15), (-0.65, 0.6, 0.5), (0.75, 0.75, -0.25), F(1), F(2), F(3), F(3, 2), F(4), F(9, 2)),
    "phrase_08": DwellPhrase((0.15, -0.8, -0.1), (0.55, 0.3, -0.5), (-0.8, 0.8, 0.4), F(5, 2), F(1), F(5, 2), F(2), F(3), F(5)),
    "phrase_09": DwellPhrase((-0.15, -0.65, 0.1), (-0.8, 0.5, 0.3), (0.65, 0.85, -0.45), F(3, 2), F(7, 2), F(3, 2), F(3, 2), F(3, 2), F(13, 2)),
    "phrase_10": DwellPhrase((0.0, -0.7, 0.0), (0.7, 0.9, 0.45), (-0.55, 0.35, -0.3), F(2), F(5, 2), F(2), F(2), F(2), F(11, 2)),
    "phrase_11": DwellPhrase((0.1, -0.5, -0.15), (-0.6, 0.3, -0.5), (0.8, 0.65, 0.3), F(1), F(3), F(5, 2), F(3, 2), F(7, 2), F(9, 2)),
    "phrase_12": DwellPhrase((-0.2, -0.8, 0.05), (0.8, 0.45, 0.35), (-0.75, 0.9, -0.4), F(3), F(3, 2), F(2), F(1), F(5, 2), F(6)),
    "phrase_13": DwellPhrase((0.0, -0.6, 0.2), (-0.7, 0.85, -0.2), (0.6, 0.5, 0.5), F(3, 2), F(2), F(3), F(2), F(1), F(13, 2)),
    "phrase_14": DwellPhrase((0.2, -0.75, -0.05), (0.65, 0.6, -0.45), (-0.8, 0.4, 0.45), F(2), F(4), F(3, 2), F(3, 2), F(2), F(5)),
    "phrase_15": DwellPhrase((-0.1, -0.55, 0.0), (-0.8, 0.65, 0.4), (0.7, 0.3, -0.5), F(5, 2), F(2), F(2), F(5, 2), F(5, 2), F(9, 2)),
    "phrase_16": DwellPhrase((0.05, -0.7, 0.1), (0.75, 0.35, 0.5), (-0.65, 0.8, -0.35), F(1), F(5, 2), F(5, 2), F(2), F(3), F(5)),
}
DWELL_PHRASE_BEATS = 16
DWELL_WRONG_LENGTH = "The durations of a dwell phrase must add up to 16 beats: "
DWELL_TRANSFER_SAG = 0.35  # how far below the straight line the transfer dips
DWELL_LIFT_BOW = 0.2
DWELL_OVERSHOOT = 0.16
DWELL_SWINGS = 3


def outward(target: Vector) -> Vector:
    """The sideways bow of a lift: away from the centre, on the side the lift is going to."""
    return (DWELL_LIFT_BOW if target[0] >= 0.0 else -DWELL_LIFT_BOW, 0.0, 0.0)


def dwell_segments(phrase: DwellPhrase) -> List[Segment]:
    # The transfer drops to resting height halfway between the two held positions before the
    # second lift, so the two gestures stay separate.
    low = ((phrase.first[0] + phrase.second[0]) * 0.5, phrase.rest[1], (phrase.first[2] + phrase.second[2]) * 0.5)
    paths: List[SegmentPath] = [
        arched_move(phrase.rest, phrase.first, outward(phrase.first)),
        hold(phrase.first),
        arched_move(phrase.first, low, (0.0, -DWELL_TRANSFER_SAG, 0.0)),
        arched_move(low, phrase.second, outward(phrase.second)),
        hold(phrase.second),
        settling_move(phrase.second, phrase.rest, DWELL_OVERSHOOT, DWELL_SWINGS),
    ]
    return [Segment(float(beats), path) for beats, path in zip(phrase.durations(), paths)]


def dwell_loop(entry: Entry) -> Loop:
    phrase = member_parameters(DWELL_PHRASES, entry)
    if sum(phrase.durations()) != DWELL_PHRASE_BEATS:
        raise ValueError(DWELL_WRONG_LENGTH + entry.name)
    return timed_loop(dwell_segments(phrase), entry.period_pips)


FAMILIES = {
    "tour": fitted_family(tour_loop),
    "scan": fitted_family(scan_loop),
    "reach": fitted_family(reach_loop),
    "dwell": fitted_family(dwell_loop),
}
