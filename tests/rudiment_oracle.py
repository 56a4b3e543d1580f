"""An independent evaluation of the fifteen rudiments, written from their formulas in plain Python.

CPython's float arithmetic rounds once per operation and never fuses a multiply-add, and `math.sin`
and `math.cos` are the C library's, so evaluating the formulas here in their written order gives
exactly the doubles the module must return.
"""

from __future__ import annotations

import math
from typing import Callable, Dict, List, Tuple

Position = Tuple[float, float, float]

TWO_PI = 6.283185307179586
PI = 3.141592653589793
HALF_PI = 1.5707963267948966
FOUR_PI = 12.566370614359172


def wrap(p: int, period: int) -> int:
    return p % period  # Python's % is the floored modulo


def smoothstep(w: float) -> float:
    return (3.0 - (w + w)) * (w * w)


def bounce(p: int) -> Position:
    q = wrap(p, 64)
    return (1.0 - (abs(q * 0.015625 - 0.5) * 4.0), 0.0, 0.0)


def sway(p: int) -> Position:
    q = wrap(p, 128)
    return (math.sin((q * 0.0078125) * TWO_PI), 0.0, 0.0)


def circle(p: int) -> Position:
    q = wrap(p, 64)
    a = ((q * 0.015625) * TWO_PI) - HALF_PI
    return (math.cos(a), math.sin(a), 0.0)


def figure_eight(p: int) -> Position:
    q = wrap(p, 128)
    a = (q * 0.0078125) * TWO_PI
    return (math.sin(a), math.sin(a + a), 0.0)


STEP_TOUCH_LEGS = [(-1.0, 0.0), (0.0, 1.0), (1.0, 0.0), (0.0, -1.0)]


def step_touch(p: int) -> Position:
    q = wrap(p, 128)
    start, end = STEP_TOUCH_LEGS[q // 32]
    w = (q % 32) * 0.03125
    s = smoothstep(w)
    return ((s * (end - start)) + start, -(math.sin(w * PI) * 0.35), 0.0)


BOX_CORNERS = [((-1.0, -1.0), (1.0, -1.0)), ((1.0, -1.0), (1.0, 1.0)), ((1.0, 1.0), (-1.0, 1.0)), ((-1.0, 1.0), (-1.0, -1.0))]


def box_step(p: int) -> Position:
    q = wrap(p, 256)
    (xs, ys), (xe, ye) = BOX_CORNERS[q // 64]
    s = smoothstep((q % 64) * 0.015625)
    return (((xe - xs) * s) + xs, ((ye - ys) * s) + ys, 0.0)


def helix(p: int) -> Position:
    c = wrap(p, 256) * 0.00390625
    a = c * FOUR_PI
    return (math.cos(a), math.sin(a), math.sin(c * TWO_PI))


KEYFRAMES = [
    (0, 0, 0), (23, 2, -1), (33, 13, -8), (49, 5, -4), (87, -3, 2), (100, -14, 9), (118, -5, 5),
    (154, 1, 0), (169, 12, 10), (187, 4, 5), (215, -2, -2), (228, -10, -9), (243, -3, -3), (256, 0, 0),
]


def _background_table() -> List[Position]:
    keys = [(at, n / 14.0, m / 10.0) for at, n, m in KEYFRAMES]
    table = []
    for j in range(256):
        i = next(i for i in range(13) if keys[i + 1][0] >= j)
        (p0, x0, y0), (p1, x1, y1) = keys[i], keys[i + 1]
        s = smoothstep(float(j - p0) / float(p1 - p0))
        table.append((((x1 - x0) * s) + x0, ((y1 - y0) * s) + y0, 0.0))
    return table


BACKGROUND = _background_table()


def tamsel_background(p: int) -> Position:
    return BACKGROUND[wrap(p, 256)]


R, L = 1, -1
STROKES: Dict[str, Tuple[int, List[Tuple[int, int, float, int]]]] = {
    "single_stroke_roll": (64, [(8 * i, R if i % 2 == 0 else L, 0.92, 8) for i in range(8)]),
    "double_stroke_roll": (64, [(8 * i, R if (i // 2) % 2 == 0 else L, 0.88 if i % 2 == 0 else 0.72, 8) for i in range(8)]),
    "multiple_bounce_roll": (64, [(0, R, 0.92, 6), (6, R, 0.68, 6), (12, R, 0.48, 6), (18, R, 0.32, 6),
                                  (32, L, 0.92, 6), (38, L, 0.68, 6), (44, L, 0.48, 6), (50, L, 0.32, 6)]),
    "single_paradiddle": (128, [(8 * i, {"R": R, "L": L}[hand], 1.0 if i % 4 == 0 else 0.72, 8)
                                for i, hand in enumerate("RLRRLRLLRLRRLRLL")]),
    "flam": (64, [(0, L, 0.34, 10), (5, R, 0.9, 14), (32, R, 0.34, 10), (37, L, 0.9, 14)]),
    "drag": (64, [(0, L, 0.28, 8), (5, L, 0.32, 8), (10, R, 0.88, 14), (32, R, 0.28, 8), (37, R, 0.32, 8), (42, L, 0.88, 14)]),
    "five_stroke_roll": (128, [(0, R, 0.72, 9), (8, R, 0.62, 9), (16, L, 0.72, 9), (24, L, 0.62, 9), (36, R, 1.0, 14),
                               (64, L, 0.72, 9), (72, L, 0.62, 9), (80, R, 0.72, 9), (88, R, 0.62, 9), (100, L, 1.0, 14)]),
}


def strokes(name: str) -> Callable[[int], Position]:
    period, table = STROKES[name]

    def evaluate(p: int) -> Position:
        sum_x = 0.0
        sum_y = 0.0
        for offset, sign, amplitude, length in table:
            rel = wrap(wrap(p, period) - offset, period)
            e = 0.0
            if rel < length:
                s = math.sin((float(rel) / float(length)) * PI)
                e = (s * amplitude) * s
            sum_x = sum_x + (float(sign) * e)
            sum_y = sum_y - (e * 0.72)
        clamp = lambda v: 1.0 if v > 1.0 else (-1.0 if v < -1.0 else v)  # noqa: E731
        return (clamp(sum_x), clamp(sum_y), 0.0)

    return evaluate


# name -> (period_pips, dimensions, oracle), in the module's registration order
RUDIMENTS: Dict[str, Tuple[int, int, Callable[[int], Position]]] = {
    "bounce": (64, 1, bounce),
    "sway": (128, 1, sway),
    "circle": (64, 2, circle),
    "figure_eight": (128, 2, figure_eight),
    "step_touch": (128, 2, step_touch),
    "box_step": (256, 2, box_step),
    "helix": (256, 3, helix),
    "tamsel_background": (256, 2, tamsel_background),
    **{name: (STROKES[name][0], 2, strokes(name)) for name in STROKES},
}
