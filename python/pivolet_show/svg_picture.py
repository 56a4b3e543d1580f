"""A picture of one loop as SVG: the path in oblique projection, with depth, beats, start and direction."""

from __future__ import annotations

import math
import textwrap
from html import escape

import pivolet

from pivolet_show import projection
from pivolet_show.patterns import Loop

WIDTH = 760
MARGIN = 24
TITLE_SIZE = 22
TEXT_SIZE = 13
LINE_HEIGHT = 18
DESCRIPTION_WRAP = 100
PANEL_HEIGHT = 500
TIMELINE_HEIGHT = 145

PATH_COLOUR = "#5a6b86"
FAR_COLOUR = (31, 59, 115)
NEAR_COLOUR = (255, 138, 61)
AXIS_COLOURS = {"x": "#d1495b", "y": "#2e933c", "z": "#3066be"}
MAX_DEPTH_DOTS = 160
ARROW_COUNT = 5
ARROW_SIZE = 9.0
TICK_HALF_LENGTH = 7.0

PANEL_PADDING = 28
AXES_KEY_LENGTH = 30.0


def _mix(near: float) -> str:
    r, g, b = (round(f + (n - f) * near) for f, n in zip(FAR_COLOUR, NEAR_COLOUR))
    return f"#{r:02x}{g:02x}{b:02x}"


def _num(value: float) -> str:
    return f"{value:.2f}".rstrip("0").rstrip(".") if value != 0 else "0"


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
    labels = {"x": "x", "y": "y", "z": "z far"}
    for axis, direction in ends.items():
        u, v = projection.project(*direction)
        length = math.hypot(u, v)
        end_x, end_y = origin_x + AXES_KEY_LENGTH * u / length, origin_y - AXES_KEY_LENGTH * v / length
        colour = AXIS_COLOURS[axis]
        parts.append(f'<line x1="{_num(origin_x)}" y1="{_num(origin_y)}" x2="{_num(end_x)}" y2="{_num(end_y)}" stroke="{colour}"/>')
        parts.append(f'<circle cx="{_num(end_x)}" cy="{_num(end_y)}" r="2" fill="{colour}"/>')
        parts.append(f'<text x="{_num(end_x + 4)}" y="{_num(end_y - 3)}" fill="{colour}">{labels[axis]}</text>')
    parts.append("</g>")
    return parts


def _ranges(loop: Loop) -> str:
    spans = []
    for index, axis in enumerate("xyz"):
        values = [point[index] for point in loop.points]
        spans.append(f"{axis} {min(values):.2f} … {max(values):.2f}")
    return ", ".join(spans)


def _depth_dots(loop: Loop, screen: list[tuple[float, float]], fit: projection.Fit) -> list[str]:
    step = max(1, math.ceil(loop.period_pips / MAX_DEPTH_DOTS))
    pips = sorted(range(0, loop.period_pips, step), key=lambda pip: loop.points[pip][2])  # far first, near on top
    parts = ['<g id="depth-dots">']
    for pip in pips:
        near = fit.nearness(loop.points[pip][2])
        x, y = screen[pip]
        parts.append(f'<circle cx="{_num(x)}" cy="{_num(y)}" r="{_num(1.5 + 4.0 * near)}" fill="{_mix(near)}" fill-opacity="{_num(0.45 + 0.55 * near)}"/>')
    parts.append("</g>")
    return parts


def _beat_ticks(loop: Loop, screen: list[tuple[float, float]]) -> list[str]:
    parts = ['<g id="beat-ticks" stroke="#222" stroke-width="2">']
    labels: list[tuple[float, float, list[int]]] = []  # beats that land on one spot share a label
    for beat, pip in enumerate(range(0, loop.period_pips, pivolet.PIPS_PER_BEAT)):
        x, y = screen[pip]
        direction = _tangent(screen, pip)
        nx, ny = (-direction[1], direction[0]) if direction else (0.0, 1.0)
        parts.append(
            f'<line x1="{_num(x - nx * TICK_HALF_LENGTH)}" y1="{_num(y - ny * TICK_HALF_LENGTH)}" '
            f'x2="{_num(x + nx * TICK_HALF_LENGTH)}" y2="{_num(y + ny * TICK_HALF_LENGTH)}"/>'
        )
        label_x, label_y = x + nx * 2.4 * TICK_HALF_LENGTH, y + ny * 2.4 * TICK_HALF_LENGTH
        for known_x, known_y, beats in labels:
            if math.hypot(known_x - label_x, known_y - label_y) < 2 * TICK_HALF_LENGTH:
                beats.append(beat + 1)
                break
        else:
            labels.append((label_x, label_y, [beat + 1]))
    for x, y, beats in labels:
        text = ",".join(map(str, beats))
        parts.append(f'<text x="{_num(x)}" y="{_num(y + 4)}" stroke="none" fill="#222" font-size="10" text-anchor="middle">{text}</text>')
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


def _timeline(loop: Loop, top: float) -> list[str]:
    """x, y and z against the pip, so that motion along one axis reads as clearly as a loop does."""
    left, right = MARGIN + 20, WIDTH - MARGIN
    half = (TIMELINE_HEIGHT - 30) / 2
    middle = top + 10 + half
    peak = max(max(abs(value) for value in point) for point in loop.points) or 1.0

    def at(pip: float, value: float) -> str:
        return f"{_num(left + (right - left) * pip / loop.period_pips)},{_num(middle - value / peak * half)}"

    parts = [f'<g id="timeline" font-size="11">', f'<rect x="{left}" y="{_num(middle - half)}" width="{right - left}" height="{_num(2 * half)}" fill="#f6f7f9" stroke="#d8dce2"/>']
    for pip in range(0, loop.period_pips + 1, pivolet.PIPS_PER_BEAT):
        x = left + (right - left) * pip / loop.period_pips
        parts.append(f'<line x1="{_num(x)}" y1="{_num(middle - half)}" x2="{_num(x)}" y2="{_num(middle + half)}" stroke="#d8dce2"/>')
    for index, axis in enumerate("xyz"):
        points = " ".join(at(pip, loop.at(pip)[index]) for pip in range(loop.period_pips + 1))
        parts.append(f'<polyline points="{points}" fill="none" stroke="{AXIS_COLOURS[axis]}" stroke-width="1.3"/>')
        parts.append(f'<text x="{left - 16}" y="{_num(middle - half + 12 + 14 * index)}" fill="{AXIS_COLOURS[axis]}">{axis}</text>')
    parts.append(f'<text x="{left}" y="{_num(middle + half + 15)}" fill="#555">pip 0</text>')
    parts.append(f'<text x="{right}" y="{_num(middle + half + 15)}" fill="#555" text-anchor="end">pip {loop.period_pips}</text>')
    parts.append(f'<text x="{(left + right) / 2}" y="{_num(middle + half + 15)}" fill="#555" text-anchor="middle">'
                 f'x, y and z against the pip, full height ±{peak:.2f}</text>')
    parts.append("</g>")
    return parts


def render(loop: Loop) -> str:
    description_lines = textwrap.wrap(loop.description, DESCRIPTION_WRAP) or [""]
    info = (
        f"{loop.period_pips} pips ({loop.beats:g} beats), {loop.dimensions} dimension"
        f"{'s' if loop.dimensions != 1 else ''} · ticks mark beats · nearer points are larger and brighter"
    )
    info_y = MARGIN + TITLE_SIZE + LINE_HEIGHT * (len(description_lines) + 1)
    panel_top = info_y + LINE_HEIGHT + 8
    fit = projection.Fit(loop.points, MARGIN + PANEL_PADDING, panel_top + PANEL_PADDING,
                         WIDTH - 2 * (MARGIN + PANEL_PADDING), PANEL_HEIGHT - 2 * PANEL_PADDING)
    timeline_top = panel_top + PANEL_HEIGHT + 10
    height = timeline_top + TIMELINE_HEIGHT
    screen = [fit.point(point) for point in loop.points]
    path = "M" + " L".join(f"{_num(x)} {_num(y)}" for x, y in screen) + " Z"

    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{_num(height)}" viewBox="0 0 {WIDTH} {_num(height)}" '
        'font-family="Helvetica, Arial, sans-serif">',
        f"<title>{escape(loop.name)}</title>",
        f"<desc>{escape(loop.description)}</desc>",
        f'<rect width="{WIDTH}" height="{_num(height)}" fill="#ffffff"/>',
        f'<text x="{MARGIN}" y="{MARGIN + TITLE_SIZE}" font-size="{TITLE_SIZE}" font-weight="bold" fill="#111">{escape(loop.name)}</text>',
    ]
    for index, line in enumerate(description_lines):
        parts.append(f'<text x="{MARGIN}" y="{MARGIN + TITLE_SIZE + LINE_HEIGHT * (index + 1)}" font-size="{TEXT_SIZE}" fill="#333">{escape(line)}</text>')
    parts.append(f'<text x="{MARGIN}" y="{info_y}" font-size="{TEXT_SIZE - 1}" fill="#777">{escape(info)}</text>')
    parts.append(f'<text x="{MARGIN}" y="{info_y + LINE_HEIGHT}" font-size="{TEXT_SIZE - 1}" fill="#777">'
                 f'{escape("zoomed to the loop: " + _ranges(loop))}</text>')
    parts.append(f'<rect id="panel" x="{MARGIN}" y="{_num(panel_top)}" width="{WIDTH - 2 * MARGIN}" height="{PANEL_HEIGHT}" '
                 'fill="#fbfbfc" stroke="#d8dce2"/>')
    parts += _axes_key(WIDTH - MARGIN - 70, panel_top + PANEL_HEIGHT - 14)
    parts.append(f'<path id="loop-path" d="{path}" fill="none" stroke="{PATH_COLOUR}" stroke-width="1.5" stroke-linejoin="round"/>')
    parts += _depth_dots(loop, screen, fit)
    parts += _beat_ticks(loop, screen)
    parts += _direction_arrows(screen)
    parts += _start_marker(screen)
    parts += _timeline(loop, timeline_top)
    parts.append("</svg>")
    return "\n".join(parts) + "\n"
