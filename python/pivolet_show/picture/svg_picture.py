"""A picture of one loop as SVG: its motion figures, its path in oblique projection coloured by depth,
with beats, start and direction, and its x, y and z lanes against the pip with the beat grid.

The path is drawn at true scale (the module's [-1, 1] cube fills the panel) unless it is fitted to
the loop. Where the path crosses itself the nearer strand passes over: segments are drawn from far
to near, each on a pale casing that cuts the strands beneath it.
"""

from __future__ import annotations

import math
import textwrap
from html import escape

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR as BEATS_PER_BAR
from pivolet_show.motion.axes import AXES
from pivolet_show.motion.loops import Loop
from pivolet_show.picture import labels, motion_figures, projection, time_lanes

WIDTH = 760
MARGIN = 24
TITLE_SIZE = 22
TEXT_SIZE = 13
LINE_HEIGHT = 18
DESCRIPTION_WRAP = 100
PANEL_HEIGHT = 500
LANE_HEIGHT = 64
LANE_GAP = 8
LANE_LEFT = MARGIN + 34
LABEL_SIZE = 10

PATH_COLOUR = "#5a6b86"
FAR_COLOUR = (31, 59, 115)
NEAR_COLOUR = (255, 138, 61)
CASING_COLOUR = "#fbfbfc"
CUBE_COLOUR = "#c9ced6"
AXIS_COLOURS = {"x": "#d1495b", "y": "#2e933c", "z": "#3066be"}
# The path's segments are coloured in this many steps from far to near.
DEPTH_LEVELS = 24
ARROW_COUNT = 5
ARROW_SIZE = 9.0
TICK_HALF_LENGTH = 7.0

PANEL_PADDING = 28
AXES_KEY_LENGTH = 30.0
DEPTH_KEY_WIDTH = 120


def _mix(near: float) -> str:
    r, g, b = (round(f + (n - f) * near) for f, n in zip(FAR_COLOUR, NEAR_COLOUR))
    return f"#{r:02x}{g:02x}{b:02x}"


def _num(value: float) -> str:
    return f"{value:.2f}".rstrip("0").rstrip(".") if value != 0 else "0"


def _text(x: float, y: float, content: str, size: float, fill: str, extra: str = "") -> str:
    return f'<text x="{_num(x)}" y="{_num(y)}" font-size="{_num(size)}" fill="{fill}"{extra}>{escape(content)}</text>'


def _tangent(screen: list[tuple[float, float]], pip: int) -> tuple[float, float] | None:
    """Unit direction of travel at a pip, looking further along while the point stands still."""
    period = len(screen)
    for reach in range(1, period // 2 + 1):
        (ax, ay), (bx, by) = screen[(pip - reach) % period], screen[(pip + reach) % period]
        dx, dy = bx - ax, by - ay
        length = math.hypot(dx, dy)
        if length > 1e-6:
            return dx / length, dy / length
    return None


def _axes_key(origin_x: float, origin_y: float) -> list[str]:
    """Three short arrows showing how x, y and depth are drawn."""
    parts = ['<g id="axes-key" stroke-width="1.5" font-size="11">']
    ends = {"x": (1.0, 0.0, 0.0), "y": (0.0, 1.0, 0.0), "z": (0.0, 0.0, -1.0)}
    names = {"x": "x", "y": "y", "z": "z far"}
    for axis, direction in ends.items():
        u, v = projection.project(*direction)
        length = math.hypot(u, v)
        end_x, end_y = origin_x + AXES_KEY_LENGTH * u / length, origin_y - AXES_KEY_LENGTH * v / length
        colour = AXIS_COLOURS[axis]
        parts.append(f'<line x1="{_num(origin_x)}" y1="{_num(origin_y)}" x2="{_num(end_x)}" y2="{_num(end_y)}" stroke="{colour}"/>')
        parts.append(f'<circle cx="{_num(end_x)}" cy="{_num(end_y)}" r="2" fill="{colour}"/>')
        parts.append(f'<text x="{_num(end_x + 4)}" y="{_num(end_y - 3)}" fill="{colour}">{names[axis]}</text>')
    parts.append("</g>")
    return parts


def _depth_key(left: float, top: float, fit: projection.Fit) -> list[str]:
    far, near = fit.z_range
    if not near > far:
        return []
    return [
        '<g id="depth-key">',
        '<defs><linearGradient id="depth-gradient">'
        f'<stop offset="0" stop-color="{_mix(0.0)}"/><stop offset="1" stop-color="{_mix(1.0)}"/></linearGradient></defs>',
        f'<rect x="{_num(left)}" y="{_num(top)}" width="{DEPTH_KEY_WIDTH}" height="8" fill="url(#depth-gradient)"/>',
        _text(left, top + 20, f"far z {far:.2f}", LABEL_SIZE, "#555"),
        _text(left + DEPTH_KEY_WIDTH, top + 20, f"near z {near:.2f}", LABEL_SIZE, "#555", ' text-anchor="end"'),
        "</g>",
    ]


def _cube(fit: projection.Fit) -> list[str]:
    parts = [f'<g id="cube" stroke="{CUBE_COLOUR}" stroke-width="1">']
    for a, b in projection.CUBE_EDGES:
        (x1, y1), (x2, y2) = fit.point(a), fit.point(b)
        parts.append(f'<line x1="{_num(x1)}" y1="{_num(y1)}" x2="{_num(x2)}" y2="{_num(y2)}"/>')
    corner_x, corner_y = fit.point((-1.0, 1.0, -1.0))
    parts.append(_text(corner_x, corner_y - 6, "true scale: the [-1, 1] cube", LABEL_SIZE, "#8a929e", ' stroke="none"'))
    parts.append("</g>")
    return parts


def _depth_path(loop: Loop, screen: list[tuple[float, float]], fit: projection.Fit, looping: bool) -> list[str]:
    """Each pip's segment in the colour of its depth, the levels drawn far to near, each level's
    casing beneath it so that nearer strands cut the farther ones they cross."""
    period = loop.period_pips
    levels: list[list[str]] = [[] for _ in range(DEPTH_LEVELS)]
    for pip in range(period if looping else period - 1):
        after = (pip + 1) % period
        near = fit.nearness((loop.points[pip][2] + loop.points[after][2]) / 2)
        (x1, y1), (x2, y2) = screen[pip], screen[after]
        levels[min(DEPTH_LEVELS - 1, int(near * DEPTH_LEVELS))].append(f"M{_num(x1)} {_num(y1)}L{_num(x2)} {_num(y2)}")
    has_depth = fit.z_range[1] > fit.z_range[0]
    parts = ['<g id="depth-path" fill="none" stroke-linejoin="round">']
    for level, segments in enumerate(levels):
        if not segments:
            continue
        near = (level + 0.5) / DEPTH_LEVELS
        width = 1.3 + 2.2 * near
        d = "".join(segments)
        if has_depth:
            parts.append(f'<path d="{d}" stroke="{CASING_COLOUR}" stroke-width="{_num(width + 3)}" stroke-linecap="butt"/>')
        parts.append(f'<path d="{d}" stroke="{_mix(near)}" stroke-width="{_num(width)}" stroke-linecap="round"/>')
    parts.append("</g>")
    return parts


def _beat_ticks(loop: Loop, screen: list[tuple[float, float]], first_pip: int) -> list[str]:
    parts = ['<g id="beat-ticks" stroke="#222" stroke-width="2">']
    candidates = []
    for line in time_lanes.beat_grid(loop.period_pips, first_pip):
        x, y = screen[line.pip]
        direction = _tangent(screen, line.pip)
        nx, ny = (-direction[1], direction[0]) if direction else (0.0, 1.0)
        parts.append(
            f'<line x1="{_num(x - nx * TICK_HALF_LENGTH)}" y1="{_num(y - ny * TICK_HALF_LENGTH)}" '
            f'x2="{_num(x + nx * TICK_HALF_LENGTH)}" y2="{_num(y + ny * TICK_HALF_LENGTH)}"/>'
        )
        reach = 2.4 * TICK_HALF_LENGTH
        candidates.append(labels.BeatLabel(line.beat, line.starts_bar, x + nx * reach, y + ny * reach + 4, LABEL_SIZE))
    for label in labels.thin(candidates):
        parts.append(_text(label.x, label.y, label.text, LABEL_SIZE, "#222", ' stroke="none" text-anchor="middle"'))
    parts.append("</g>")
    return parts


def _arrow_pips(screen: list[tuple[float, float]]) -> list[int]:
    """Pips spread evenly along the drawn length, so that arrows do not pile up where laps repeat."""
    period = len(screen)
    lengths = [math.dist(screen[pip], screen[(pip + 1) % period]) for pip in range(period)]
    total = sum(lengths)
    if total == 0.0:
        return []
    pips, travelled, next_mark = [], 0.0, 0
    for pip, length in enumerate(lengths):
        while next_mark < ARROW_COUNT and travelled >= total * (next_mark + 0.5) / ARROW_COUNT:
            pips.append(pip)
            next_mark += 1
        travelled += length
    return pips


def _direction_arrows(screen: list[tuple[float, float]]) -> list[str]:
    parts = ['<g id="direction-arrows" fill="#222">']
    for pip in _arrow_pips(screen):
        direction = _tangent(screen, pip)
        if direction is None:
            continue
        dx, dy = direction
        x, y = screen[pip]
        tip = (x + dx * ARROW_SIZE, y + dy * ARROW_SIZE)
        left = (x - dy * ARROW_SIZE * 0.55, y + dx * ARROW_SIZE * 0.55)
        right = (x + dy * ARROW_SIZE * 0.55, y - dx * ARROW_SIZE * 0.55)
        points = " ".join(f"{_num(px)},{_num(py)}" for px, py in (tip, left, right))
        parts.append(f'<polygon points="{points}"/>')
    parts.append("</g>")
    return parts


def _start_marker(screen: list[tuple[float, float]]) -> list[str]:
    x, y = screen[0]
    return [
        '<g id="start-marker">',
        f'<circle cx="{_num(x)}" cy="{_num(y)}" r="8" fill="none" stroke="#1b998b" stroke-width="2.5"/>',
        f'<text x="{_num(x + 11)}" y="{_num(y + 18)}" fill="#1b998b" font-size="{TEXT_SIZE}" font-weight="bold">start</text>',
        "</g>",
    ]


def lanes_height() -> float:
    return len(AXES) * LANE_HEIGHT + (len(AXES) - 1) * LANE_GAP + 2 * LINE_HEIGHT


def _time_lanes(loop: Loop, top: float, true_scale: bool, looping: bool, first_pip: int) -> list[str]:
    """x, y and z against the pip over one loop (or one pass), with a line at every beat and a darker
    one at every bar."""
    right = WIDTH - MARGIN
    extent = time_lanes.extent(loop, true_scale=true_scale)
    lanes_top = top + LINE_HEIGHT
    bottom = lanes_top + len(AXES) * LANE_HEIGHT + (len(AXES) - 1) * LANE_GAP
    lanes = [time_lanes.Lane(LANE_LEFT, lanes_top + row * (LANE_HEIGHT + LANE_GAP), right - LANE_LEFT, LANE_HEIGHT,
                             loop.period_pips, extent) for row in range(len(AXES))]
    grid_x = lanes[0].x
    parts = ['<g id="time-lanes" font-size="11">',
             _text(LANE_LEFT, top + 10, f"x, y and z against the pip over {'one loop' if looping else 'the recording'}: a line at every beat, "
                   f"darker at every bar of {BEATS_PER_BAR}; lanes span ±{extent:.2f}", 11, "#555")]
    for lane, axis in zip(lanes, AXES):
        parts.append(f'<rect id="lane-frame-{axis}" x="{_num(lane.left)}" y="{_num(lane.top)}" width="{_num(lane.width)}" height="{LANE_HEIGHT}" '
                     'fill="#f6f7f9" stroke="#d8dce2"/>')
        parts.append(f'<line x1="{_num(lane.left)}" y1="{_num(lane.middle)}" x2="{_num(right)}" y2="{_num(lane.middle)}" '
                     'stroke="#d0d5dc" stroke-dasharray="3 3"/>')
        parts.append(_text(lane.left - 10, lane.middle + 4, axis, 13, AXIS_COLOURS[axis], ' font-weight="bold" text-anchor="end"'))
    candidates = []
    for line in time_lanes.beat_grid(loop.period_pips, first_pip):
        x = grid_x(line.pip)
        colour = "#9aa3af" if line.starts_bar else "#e3e6eb"
        parts.append(f'<line x1="{_num(x)}" y1="{_num(lanes_top)}" x2="{_num(x)}" y2="{_num(bottom)}" stroke="{colour}"/>')
        candidates.append(labels.BeatLabel(line.beat, line.starts_bar, x, bottom + 13, LABEL_SIZE))
    parts.append(f'<line x1="{_num(right)}" y1="{_num(lanes_top)}" x2="{_num(right)}" y2="{_num(bottom)}" stroke="#9aa3af"/>')
    for label in labels.thin(candidates):
        parts.append(_text(label.x, label.y, label.text, LABEL_SIZE, "#555", ' text-anchor="middle"'))
    # A loop's lanes end where they start, at the next loop's first pip; a pass ends at its last pip.
    drawn_pips = loop.period_pips + 1 if looping else loop.period_pips
    for lane, axis, values in zip(lanes, AXES, loop.columns):
        points = " ".join(f"{_num(lane.x(pip))},{_num(lane.y(values[pip % loop.period_pips]))}"
                          for pip in range(drawn_pips))
        parts.append(f'<polyline id="lane-{axis}" points="{points}" fill="none" stroke="{AXIS_COLOURS[axis]}" stroke-width="1.3"/>')
    parts.append("</g>")
    return parts


def _figures(loop: Loop, bpm: float, top: float, looping: bool) -> list[str]:
    lines = motion_figures.describe(motion_figures.measure(loop, looping=looping), bpm)
    parts = ['<g id="motion-figures">']
    for index, line in enumerate(lines):
        parts.append(_text(MARGIN, top + LINE_HEIGHT * index, line, TEXT_SIZE - 1, "#333"))
    parts.append("</g>")
    return parts


def _scale_note(loop: Loop, true_scale: bool) -> str:
    if true_scale:
        return "true scale: the panel holds the module's whole [-1, 1] cube"
    spans = ", ".join(f"{axis} {low:.2f} … {high:.2f}" for axis, (low, high) in zip(AXES, loop.ranges))
    return f"zoomed to the loop: {spans}"


def render(loop: Loop, bpm: float, *, true_scale: bool = True, looping: bool = True, first_pip: int = 0) -> str:
    """The picture of a loop, or with looping false of one pass of a recording whose first position
    is at first_pip, its speeds at bpm."""
    description_lines = textwrap.wrap(loop.description, DESCRIPTION_WRAP) or [""]
    info = (
        f"{labels.counted(loop.period_pips, 'pip')} ({labels.counted(loop.beats, 'beat')}), "
        f"{labels.counted(loop.dimensions, 'dimension')} · ticks mark beats · nearer strands are warmer and wider and pass over farther ones"
    )
    info_y = MARGIN + TITLE_SIZE + LINE_HEIGHT * (len(description_lines) + 1)
    figures_top = info_y + 2 * LINE_HEIGHT + 6
    panel_top = figures_top + 4 * LINE_HEIGHT
    fit = projection.Fit(projection.Bounds.of(*loop.columns), MARGIN + PANEL_PADDING, panel_top + PANEL_PADDING,
                         WIDTH - 2 * (MARGIN + PANEL_PADDING), PANEL_HEIGHT - 2 * PANEL_PADDING, true_scale=true_scale)
    lanes_top = panel_top + PANEL_HEIGHT + 10
    height = lanes_top + lanes_height() + 8
    screen = [fit.point(point) for point in loop.points]
    path = "M" + " L".join(f"{_num(x)} {_num(y)}" for x, y in screen) + (" Z" if looping else "")

    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{_num(height)}" viewBox="0 0 {WIDTH} {_num(height)}" '
        'font-family="Helvetica, Arial, sans-serif">',
        f"<title>{escape(loop.name)}</title>",
        f"<desc>{escape(loop.description)}</desc>",
        f'<rect width="{WIDTH}" height="{_num(height)}" fill="#ffffff"/>',
        f'<text x="{MARGIN}" y="{MARGIN + TITLE_SIZE}" font-size="{TITLE_SIZE}" font-weight="bold" fill="#111">{escape(loop.name)}</text>',
    ]
    for index, line in enumerate(description_lines):
        parts.append(_text(MARGIN, MARGIN + TITLE_SIZE + LINE_HEIGHT * (index + 1), line, TEXT_SIZE, "#333"))
    parts.append(_text(MARGIN, info_y, info, TEXT_SIZE - 1, "#777"))
    parts.append(_text(MARGIN, info_y + LINE_HEIGHT, _scale_note(loop, true_scale), TEXT_SIZE - 1, "#777"))
    parts += _figures(loop, bpm, figures_top, looping)
    parts.append(f'<rect id="panel" x="{MARGIN}" y="{_num(panel_top)}" width="{WIDTH - 2 * MARGIN}" height="{PANEL_HEIGHT}" '
                 'fill="#fbfbfc" stroke="#d8dce2"/>')
    if true_scale:
        parts += _cube(fit)
    parts += _axes_key(WIDTH - MARGIN - 70, panel_top + PANEL_HEIGHT - 14)
    parts += _depth_key(MARGIN + 10, panel_top + PANEL_HEIGHT - 30, fit)
    parts.append(f'<path id="loop-path" d="{path}" fill="none" stroke="{PATH_COLOUR}" stroke-width="1" stroke-linejoin="round"/>')
    parts += _depth_path(loop, screen, fit, looping)
    parts += _beat_ticks(loop, screen, first_pip)
    parts += _direction_arrows(screen)
    parts += _start_marker(screen)
    parts += _time_lanes(loop, lanes_top, true_scale, looping, first_pip)
    parts.append("</svg>")
    return "\n".join(parts) + "\n"
