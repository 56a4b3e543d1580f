"""Small inline SVG drawings of a loop: its path above, its x, y and z lanes over one loop below.

Loops that trace the same shape at different times (the rhythm studies) part in their lanes; a
loop that moves along one axis only draws that axis against time where the path would be a line.

The path (or the one moving axis) is drawn at true scale or fitted to the loop, as the page
chooses; the small lanes are always fitted to the loop's peak, which the card states, since they
are there to show when things happen, and at true scale a quiet loop's lanes would be flat.
Each zoomable group holds its geometry fitted to the loop and, as a CSS custom property, the
transform that brings it to true scale; the page shows true scale while its root has the class
TRUE_SCALE_CLASS, so the fit toggle is one class change and costs no second drawing.
Coordinates are whole tenths of a pixel (the view box is ten times the drawn size), which keeps
the page small.
"""

from __future__ import annotations

from collections.abc import Iterable

from pivolet_show.motion.axes import AXES
from pivolet_show.motion.loops import Loop
from pivolet_show.picture import projection, time_lanes

WIDTH = 136
SPACE_HEIGHT = 96
SPACE_PADDING = 5
LANES_TOP = 100
LANE_HEIGHT = 14
LANE_GAP = 2
LANE_LEFT = 4
LANE_WIDTH = WIDTH - 2 * LANE_LEFT
LANES_HEIGHT = len(AXES) * LANE_HEIGHT + (len(AXES) - 1) * LANE_GAP
HEIGHT = LANES_TOP + LANES_HEIGHT + 1
MAX_POINTS = 96
# Three pixels a bucket: the lanes keep every spike and stay small.
LANE_BUCKETS = LANE_WIDTH // 3
UNITS_PER_PIXEL = 10

TRUE_SCALE_CLASS = "true-scale"
TRUE_SCALE_PROPERTY = "--true"


def decimated_pips(period_pips: int) -> list[int]:
    count = min(period_pips, MAX_POINTS)
    return [k * period_pips // count for k in range(count)]


def _points(points: Iterable[tuple[float, float]]) -> str:
    """Drawing coordinates, all positive, as whole units; a point on the one before it is left out."""
    # Adding a half and truncating rounds a positive number, faster than round().
    pairs = ["%d,%d" % (x + 0.5, y + 0.5) for x, y in points]
    return " ".join(pair for pair, before in zip(pairs, [""] + pairs) if pair != before)


def _zoomed(content: str, css_class: str, scale_x: float, scale_y: float, dx: float, dy: float) -> str:
    """A group drawn zoomed to the loop, with the matrix that takes a point p of it to true scale:
    (scale_x * p.x + dx, scale_y * p.y + dy), in drawing units."""
    matrix = f"matrix({scale_x:.4g},0,0,{scale_y:.4g},{round(dx)},{round(dy)})"
    return f'<g class="{css_class}" style="{TRUE_SCALE_PROPERTY}:{matrix}">{content}</g>'


def _grid(period_pips: int, top: float, height: float) -> str:
    beats: list[str] = []
    bars: list[str] = []
    top_units, height_units = round(top * UNITS_PER_PIXEL), round(height * UNITS_PER_PIXEL)
    for line in time_lanes.beat_grid(period_pips):
        x = round((LANE_LEFT + LANE_WIDTH * line.pip / period_pips) * UNITS_PER_PIXEL)
        (bars if line.starts_bar else beats).append(f"M{x} {top_units}v{height_units}")
    bars.append(f"M{(LANE_LEFT + LANE_WIDTH) * UNITS_PER_PIXEL} {top_units}v{height_units}")
    return f'<path class="grid" d="{"".join(beats)}"/><path class="bar" d="{"".join(bars)}"/>'


def _lanes(loop: Loop, axes: tuple[int, ...], top: float, height: float, *, zoomable: bool) -> str:
    fit_extent = time_lanes.extent(loop, true_scale=False)
    # Only the vertical scale differs between the fitted and the true lane, about the lane's middle.
    factor = fit_extent / time_lanes.extent(loop, true_scale=True)
    parts = []
    for row, axis in enumerate(axes):
        lane = time_lanes.Lane(LANE_LEFT * UNITS_PER_PIXEL, (top + row * (height + LANE_GAP)) * UNITS_PER_PIXEL,
                               LANE_WIDTH * UNITS_PER_PIXEL, height * UNITS_PER_PIXEL, loop.period_pips, fit_extent)
        left, middle = lane.left, lane.middle
        per_pip, per_unit = lane.width / loop.period_pips, lane.height / 2 / fit_extent
        points = _points((left + per_pip * pip, middle - per_unit * value)
                         for pip, value in time_lanes.envelope(loop.columns[axis], LANE_BUCKETS))
        polyline = f'<polyline points="{points}"/>'
        if zoomable:
            parts.append(_zoomed(polyline, f"lane {AXES[axis]}", 1.0, factor, 0.0, middle * (1 - factor)))
        else:
            parts.append(f'<g class="lane {AXES[axis]}">{polyline}</g>')
    return "".join(parts)


def _path(loop: Loop) -> str:
    area = (SPACE_PADDING * UNITS_PER_PIXEL, SPACE_PADDING * UNITS_PER_PIXEL,
            (WIDTH - 2 * SPACE_PADDING) * UNITS_PER_PIXEL, (SPACE_HEIGHT - 2 * SPACE_PADDING) * UNITS_PER_PIXEL)
    bounds = projection.Bounds.of(*loop.columns)
    fit = projection.Fit(bounds, *area, true_scale=False)
    true = projection.Fit(bounds, *area, true_scale=True)
    screen = [fit.point(loop.points[pip]) for pip in decimated_pips(loop.period_pips) + [0]]
    points = _points(screen)
    start_x, start_y = screen[0]
    content = f'<polyline points="{points}"/><path class="start" d="M{round(start_x)} {round(start_y)}h0"/>'
    factor, dx, dy = true.relative_to(fit)
    return _zoomed(content, "space", factor, factor, dx, dy)


def render(loop: Loop) -> str:
    moving = loop.moving_axes()
    if len(moving) == 1:
        # A path along one axis would be a bare line: that axis against time tells more.
        space_height = SPACE_HEIGHT - 2 * SPACE_PADDING
        space = (_grid(loop.period_pips, SPACE_PADDING, space_height)
                 + _lanes(loop, moving, SPACE_PADDING, space_height, zoomable=True))
    else:
        space = _path(loop)
    return (
        f'<svg class="thumb" viewBox="0 0 {WIDTH * UNITS_PER_PIXEL} {HEIGHT * UNITS_PER_PIXEL}" '
        f'width="{WIDTH}" height="{HEIGHT}" aria-hidden="true">'
        f"{space}{_grid(loop.period_pips, LANES_TOP, LANES_HEIGHT)}"
        f"{_lanes(loop, tuple(range(len(AXES))), LANES_TOP, LANE_HEIGHT, zoomable=False)}"
        "</svg>"
    )
