"""Small inline SVG drawings of a loop, decimated to a fixed number of points."""

from __future__ import annotations

from pivolet_show import projection
from pivolet_show.patterns import Loop

WIDTH = 120
HEIGHT = 96
MAX_POINTS = 96
PADDING = 6


def _num(value: float) -> str:
    return f"{value:.1f}"


def decimated_pips(period_pips: int) -> list[int]:
    count = min(period_pips, MAX_POINTS)
    return [k * period_pips // count for k in range(count)]


def render(loop: Loop) -> str:
    fit = projection.Fit(projection.Bounds.of(*loop.columns), PADDING, PADDING, WIDTH - 2 * PADDING, HEIGHT - 2 * PADDING,
                         true_scale=False)

    def at(pip: int) -> tuple[float, float]:
        return fit.point(loop.at(pip))

    pips = decimated_pips(loop.period_pips) + [0]
    points = " ".join(f"{_num(x)},{_num(y)}" for x, y in map(at, pips))
    start_x, start_y = at(0)
    return (
        f'<svg class="thumb" viewBox="0 0 {WIDTH} {HEIGHT}" width="{WIDTH}" height="{HEIGHT}" aria-hidden="true">'
        f'<polyline points="{points}"/>'
        f'<circle cx="{_num(start_x)}" cy="{_num(start_y)}" r="3"/>'
        "</svg>"
    )
