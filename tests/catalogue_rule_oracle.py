"""Loops of some catalogue members recomputed from their closed rules, written apart from the
generator so that a test can compare them with what the module serves.

Each rule is evaluated left to right in doubles (k·θ as k times θ, θ = 2π·s/P) and rounded to
12 decimals, with zero stored as +0.0.
"""

from __future__ import annotations

import math
from typing import Callable, Dict, List, Sequence, Tuple

Position = Tuple[float, float, float]
TAU = 2.0 * math.pi


def stored(value: float) -> float:
    value = round(value, 12)
    return 0.0 if value == 0.0 else value


def _store(raw: Sequence[Position]) -> List[Position]:
    return [(stored(x), stored(y), stored(z)) for x, y, z in raw]


def _scaled(raw: Sequence[Position], largest: float) -> List[Position]:
    factor = 0.82 / largest
    return _store([(x * factor, y * factor, z * factor) for x, y, z in raw])


def _normalised(curve: Callable[[float], Position], period: int) -> List[Position]:
    raw = [curve(TAU * s / period) for s in range(period)]
    return _scaled(raw, max(abs(v) for sample in raw for v in sample))


def _normalised_on_2048(curve: Callable[[float], Position], period: int) -> List[Position]:
    largest = max(abs(v) for i in range(2048) for v in curve(TAU * i / 2048))
    return _scaled([curve(TAU * s / period) for s in range(period)], largest)


def lfo_breathe(period: int) -> List[Position]:
    return _store([(0.8 * math.sin(TAU * s / period), 0.0, 0.0) for s in range(period)])


def weave(a: int, b: int, period: int) -> List[Position]:
    return _normalised(lambda th: (math.sin(a * th + 0.37), 0.8125 * math.sin(b * th), 0.0), period)


def rose(k: int, period: int) -> List[Position]:
    n, half = (k, True) if k % 2 else (k // 2, False)

    def at(s: int) -> Position:
        th = TAU * s / period
        psi = th / 2 if half else th
        r = 0.82 * math.cos(n * psi)
        return (r * math.cos(psi), r * math.sin(psi), 0.0)

    return _store([at(s) for s in range(period)])


def space_torus(p: int, q: int, period: int) -> List[Position]:
    def curve(th: float) -> Position:
        w = 2.9 + math.cos(q * th)
        return (w * math.cos(p * th), w * math.sin(p * th), 2.1 * math.sin(q * th))

    return _normalised(curve, period)


SILHOUETTE = {1: (1, 2, 3, 0.2, 0.16), 3: (2, 3, 4, 0.3, 0.18), 16: (4, 7, 11, 0.21, 0.16)}


def silhouette(m: int, period: int) -> List[Position]:
    p, q, r, u, v = SILHOUETTE[m]

    def curve(th: float) -> Position:
        return (
            math.cos(p * th) + u * math.sin(q * th + 0.3) + v * math.cos(r * th),
            0.65 * math.sin(p * th + 0.2) + v * math.sin(q * th) - u * math.cos(r * th + 0.1),
            0.12 * math.sin((p + q) * th) * math.sin(th),
        )

    return _normalised_on_2048(curve, period)


def _bump(s: int, t: float, h: float, period: int) -> float:
    d = s - t
    if d > period / 2:
        d -= period
    elif d < -period / 2:
        d += period
    return 0.5 * (1.0 + math.cos(math.pi * d / h)) if -h < d < h else 0.0


def _gestures(events: Sequence[Tuple[float, Position, float]], period: int) -> List[Position]:
    loop = []
    for s in range(period):
        x = y = z = 0.0
        for t, (ax, ay, az), h in events:
            b = _bump(s, t, h, period)
            if b != 0.0:
                x += ax * b
                y += ay * b
                z += az * b
        loop.append((x, y, z))
    return _store(loop)


def euclid(k: int, n: int) -> List[Position]:
    events = []
    for j in [j for j in range(n) if (j * k) % n < k]:
        if not events:
            events.append((32 * j, (0.75, -0.32, 0.0), 24))
        else:
            sign = -1.0 if len(events) % 2 == 1 else 1.0
            events.append((32 * j, (sign * 0.5625, -0.24, 0.0), 24))
    return _gestures(events, 32 * n)


STICK_WORDS = {"study_01": "RLRRLRLL", "study_07": "RLLLRRRL", "study_16": "RRLRLLLR"}


def stick(member: str) -> List[Position]:
    word = STICK_WORDS[member]
    swapped = word.translate(str.maketrans("RL", "LR"))
    events = []
    for j, hand in enumerate(word + swapped):
        sign = 1.0 if hand == "R" else -1.0
        accent = j % 4 == 0
        events.append((32 * j, (sign * (0.74 if accent else 0.407), -0.34 if accent else -0.187, 0.0), 12))
    return _gestures(events, 512)


# Entry name -> its loop recomputed here.
RULE_LOOPS: Dict[str, Callable[[], List[Position]]] = {
    "lfo_breathe": lambda: lfo_breathe(256),
    "weave_1_3": lambda: weave(1, 3, 1024),
    "weave_5_9": lambda: weave(5, 9, 1024),
    "path_rose_4": lambda: rose(4, 512),
    "path_rose_5": lambda: rose(5, 512),
    "polar_rose_3": lambda: rose(3, 1024),
    "polar_rose_12": lambda: rose(12, 1024),
    "space_torus_2_5": lambda: space_torus(2, 5, 1024),
    "space_torus_5_6": lambda: space_torus(5, 6, 1024),
    "silhouette_harmonic_01": lambda: silhouette(1, 1024),
    "silhouette_harmonic_03": lambda: silhouette(3, 1024),
    "silhouette_harmonic_16": lambda: silhouette(16, 1024),
    "euclid_2_5": lambda: euclid(2, 5),
    "euclid_5_13": lambda: euclid(5, 13),
    "euclid_11_24": lambda: euclid(11, 24),
    "stick_study_01": lambda: stick("study_01"),
    "stick_study_07": lambda: stick("study_07"),
    "stick_study_16": lambda: stick("study_16"),
}
