"""The `tour` family: star-polygon walks over the vertices of a noncircular outline, dwelling at
each vertex for alternating lengths and easing round the corners.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math
from typing import List

from ..builders.fitting import fitted_family
from ..builders.timeline import Segment, eased_move, hold, timed_loop
from ..family import Character, Family, member_names, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector

MEMBERS = templated_members(
    words("5_2 7_2 7_3 8_3 9_2 9_4 10_3 11_2 11_3 11_4 12_5 13_2 13_3 13_4 13_5 14_3"),
    period=1024,
    dimensions=2,
    description="A noncircular vertex tour with eased corners and alternating dwell lengths.",
    other_dimensions=3,
    others=words("11_3 11_4 12_5 13_2 13_3 13_4 13_5 14_3"),
)

PEAKS = Peaks.of("0.82", "0.38-0.524", "0-0.191")


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


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("tour", MEMBERS, PEAKS, authored=fitted_family(tour_loop, PEAKS), character=CHARACTER)
