"""A picture of a rig as SVG: for each head, the path its pan and tilt take over one loop of what
it plays (or its recording), in the head's own degrees, on its whole travel.

A panel spans the head's pan travel across and its tilt travel up; the part it may use (within its
limits) is shaded. The path is drawn from the loop's first pip (a ring) and darkens as the loop goes
on; pips where the head cannot reach its point, or turns faster than its top speed, are marked, and
listed beneath the panels.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence
from html import escape
from typing import Any

import numpy as np

WIDTH = 760
MARGIN = 24
COLUMNS = 2
PANEL_GAP = 20
PANEL_HEIGHT = 230
PANEL_PADDING = 30
TITLE_SIZE = 20
TEXT_SIZE = 12
LABEL_SIZE = 10
LINE_HEIGHT = 17
START_RADIUS = 4.5
MARK_RADIUS = 2.5
# The path is drawn in this many pieces, each a shade darker than the one before.
SHADES = 16

TRAVEL_COLOUR = "#f1f2f5"
REACH_COLOUR = "#dfe7f3"
FRAME_COLOUR = "#aab2bf"
EARLY_COLOUR = (150, 178, 222)
LATE_COLOUR = (31, 59, 115)
OUT_OF_REACH_COLOUR = "#d1495b"
TOO_FAST_COLOUR = "#ff8a3d"
TEXT_COLOUR = "#333"


@dataclasses.dataclass(frozen=True)
class HeadPath:
    """One head's pan and tilt (degrees) at each pip drawn, its whole travel and the part within
    its limits (lowest, highest), the pips (as rows) where it misses its point or turns too fast."""

    title: str
    pan: np.ndarray
    tilt: np.ndarray
    pan_travel: tuple[float, float]
    tilt_travel: tuple[float, float]
    pan_reach: tuple[float, float]
    tilt_reach: tuple[float, float]
    out_of_reach: Sequence[int] = ()
    too_fast: Sequence[int] = ()


def _num(value: float) -> str:
    return f"{value:.2f}".rstrip("0").rstrip(".") if value != 0 else "0"


def _text(x: float, y: float, content: str, size: float, extra: str = "") -> str:
    return (f'<text x="{_num(x)}" y="{_num(y)}" font-size="{_num(size)}" fill="{TEXT_COLOUR}"{extra}>'
            f'{escape(content)}</text>')


def _shade(share: float) -> str:
    r, g, b = (round(e + (late - e) * share) for e, late in zip(EARLY_COLOUR, LATE_COLOUR))
    return f"#{r:02x}{g:02x}{b:02x}"


def _panel(head: HeadPath, left: float, top: float, width: float) -> list[str]:
    (pan_low, pan_high), (tilt_low, tilt_high) = head.pan_travel, head.tilt_travel
    inner_left, inner_top = left + PANEL_PADDING, top + LINE_HEIGHT + 4
    inner_width, inner_height = width - 2 * PANEL_PADDING, PANEL_HEIGHT - LINE_HEIGHT - PANEL_PADDING

    def x(pan: Any) -> np.ndarray:
        return np.asarray(inner_left + (np.asarray(pan) - pan_low) / (pan_high - pan_low) * inner_width)

    def y(tilt: Any) -> np.ndarray:
        return np.asarray(inner_top + (tilt_high - np.asarray(tilt)) / (tilt_high - tilt_low) * inner_height)

    parts = ['<g class="head">', _text(left, top + TEXT_SIZE, head.title, TEXT_SIZE, ' font-weight="bold"'),
             f'<rect x="{_num(inner_left)}" y="{_num(inner_top)}" width="{_num(inner_width)}" '
             f'height="{_num(inner_height)}" fill="{TRAVEL_COLOUR}" stroke="{FRAME_COLOUR}"/>']
    reach_left, reach_right = sorted((float(x(head.pan_reach[0])), float(x(head.pan_reach[1]))))
    reach_top, reach_bottom = sorted((float(y(head.tilt_reach[0])), float(y(head.tilt_reach[1]))))
    parts.append(f'<rect class="reach" x="{_num(reach_left)}" y="{_num(reach_top)}" width="{_num(reach_right - reach_left)}" '
                 f'height="{_num(reach_bottom - reach_top)}" fill="{REACH_COLOUR}"/>')
    for pan in sorted({pan_low, 0.0, pan_high} if pan_low < 0 < pan_high else {pan_low, pan_high}):
        parts.append(_text(float(x(pan)), inner_top + inner_height + LABEL_SIZE + 3, f"{pan:g}°", LABEL_SIZE,
                           ' text-anchor="middle"'))
    for tilt in sorted({tilt_low, 0.0, tilt_high} if tilt_low < 0 < tilt_high else {tilt_low, tilt_high}):
        parts.append(_text(inner_left - 3, float(y(tilt)) + LABEL_SIZE / 3, f"{tilt:g}°", LABEL_SIZE,
                           ' text-anchor="end"'))
    parts.append(_text(inner_left + inner_width, inner_top + inner_height + 2 * LABEL_SIZE + 6, "pan →", LABEL_SIZE,
                       ' text-anchor="end"'))
    xs, ys = x(head.pan), y(head.tilt)
    count = len(xs)
    for shade in range(SHADES):
        first, last = shade * count // SHADES, min(count, (shade + 1) * count // SHADES + 1)
        if last - first < 2:
            continue
        points = " ".join(f"{_num(a)},{_num(b)}" for a, b in zip(xs[first:last], ys[first:last]))
        parts.append(f'<polyline points="{points}" fill="none" stroke="{_shade(shade / (SHADES - 1))}" '
                     f'stroke-width="1.6" stroke-linejoin="round"/>')
    for rows, colour, kind in ((head.out_of_reach, OUT_OF_REACH_COLOUR, "out-of-reach"),
                               (head.too_fast, TOO_FAST_COLOUR, "too-fast")):
        for row in rows:
            parts.append(f'<circle class="{kind}" cx="{_num(xs[row])}" cy="{_num(ys[row])}" r="{MARK_RADIUS}" fill="{colour}"/>')
    parts.append(f'<circle class="start" cx="{_num(xs[0])}" cy="{_num(ys[0])}" r="{START_RADIUS}" fill="none" '
                 f'stroke="{_shade(0.0)}" stroke-width="1.5"/>')
    parts.append("</g>")
    return parts


def render(title: str, heads: Sequence[HeadPath], notes: Sequence[str]) -> str:
    """The SVG of the heads' panels under `title`, with `notes` (one a line) beneath them."""
    width = (WIDTH - 2 * MARGIN - (COLUMNS - 1) * PANEL_GAP) / COLUMNS
    rows = (len(heads) + COLUMNS - 1) // COLUMNS
    panels_top = MARGIN + TITLE_SIZE + LINE_HEIGHT
    notes_top = panels_top + rows * (PANEL_HEIGHT + PANEL_GAP)
    height = notes_top + len(notes) * LINE_HEIGHT + MARGIN
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{_num(height)}" '
             f'viewBox="0 0 {WIDTH} {_num(height)}" font-family="sans-serif">',
             '<rect width="100%" height="100%" fill="#fbfbfc"/>',
             _text(MARGIN, MARGIN + TITLE_SIZE, title, TITLE_SIZE, ' font-weight="bold"'),
             _text(MARGIN, MARGIN + TITLE_SIZE + LINE_HEIGHT - 2,
                   "pan across and tilt up, in each head's own degrees, over one loop; shaded: within its limits; "
                   "ring: the loop's first pip", TEXT_SIZE)]
    for index, head in enumerate(heads):
        row, column = divmod(index, COLUMNS)
        parts += _panel(head, MARGIN + column * (width + PANEL_GAP), panels_top + row * (PANEL_HEIGHT + PANEL_GAP), width)
    for index, note in enumerate(notes):
        parts.append(_text(MARGIN, notes_top + (index + 1) * LINE_HEIGHT - 4, note, TEXT_SIZE))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"
