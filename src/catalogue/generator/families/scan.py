"""The `scan` family: a serpentine sweep of rows, then a way back around the outside of the field
to the starting point.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math
from typing import List

from ..builders.fitting import fitted_family
from ..builders.timeline import Segment, SegmentPath, add, arch, lerp, timed_loop
from ..family import Character, Family, member_names, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, Vector, smoothstep

MEMBERS = templated_members(
    words(
        "flat_3 bowed_3 tilted_3 depth_3 flat_4 bowed_4 tilted_4 depth_4"
        " flat_5 bowed_5 tilted_5 depth_5 flat_6 bowed_6 tilted_6 depth_6"
    ),
    period=1024,
    dimensions=2,
    description="An eased serpentine scan and an explicit outer return to the starting point.",
    other_dimensions=3,
    others=words("depth_3 depth_4 depth_5 depth_6"),
)

PEAKS = Peaks.of("0.82", "0.82", "0-0.31")


SCAN_ROW_DURATION = 3.0
SCAN_TURN_DURATION = 1.0
SCAN_RETURN_DURATION = 3.5
SCAN_TURN_SWING = 0.12  # how far a turn swings out beyond the row ends
SCAN_RETURN_SWING = 0.18  # how far the return swings out beyond the field's corners
SCAN_BOW = 0.45
SCAN_TILT = 0.4
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
    return lambda u: add(lerp(top, bottom, smoothstep(u)), (side * SCAN_TURN_SWING * arch(u), 0.0, 0.0))


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
        # Radius and angle pass from corner to corner on an ease of the ease, which lingers at each
        # end longer than the swing does, so the way back leaves and arrives straight from outside.
        blend = smoothstep(w)
        radius = end_radius + (start_radius - end_radius) * blend + swing * arch(u)
        angle = end_angle + turn * blend
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


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("scan", MEMBERS, PEAKS, authored=fitted_family(scan_loop, PEAKS), character=CHARACTER)
