"""The `ease` family: easing curves assembled into closed outward-and-return loops on x.

Three members are easing curves of the D3 ease module and follow exact rules; the elastic member is
an authored windowed oscillation.
"""

from __future__ import annotations

import math
from typing import Callable, Mapping

from ..builders.sampling import on_x, phase_loop
from ..family import Character, Family, Member, by_member
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector, scale_axes

D3_LOOP = "An attributed D3 easing curve, assembled into a closed outward-and-return loop."

MEMBERS = (
    Member("rebound", 256, 1, D3_LOOP),
    Member("anticipate", 256, 1, D3_LOOP),
    Member("overshoot", 256, 1, D3_LOOP),
    Member("elastic", 256, 1, "Original windowed, decaying oscillation; not a copied D3 curve. Peak scaled to .8."),
)

PEAKS = Peaks.of("0.65-0.8", "0", "0")


# ---------------------------------------------------------------------------------------------
# Easing loops: out along an easing curve over the first half, a smoothstep back over the second.

BACK_CONSTANT = 1.70158
BOUNCE_CONSTANT = 7.5625


def bounce_out(t: float) -> float:
    b = BOUNCE_CONSTANT
    if t < 4 / 11:
        return b * t ** 2
    if t < 8 / 11:
        return b * (t - 6 / 11) ** 2 + 0.75
    if t < 10 / 11:
        return b * (t - 9 / 11) ** 2 + 0.9375
    return b * (t - 21 / 22) ** 2 + 0.984375


def back_in(t: float) -> float:
    k = BACK_CONSTANT
    return t ** 2 * ((k + 1) * t - k)


def back_out(t: float) -> float:
    k = BACK_CONSTANT
    return (t - 1) ** 2 * ((k + 1) * (t - 1) + k) + 1


EASINGS: Mapping[str, Callable[[float], float]] = {
    "rebound": bounce_out,
    "anticipate": back_in,
    "overshoot": back_out,
}


def easing_loop(entry: Entry) -> Loop:
    ease = EASINGS[entry.member]
    period = entry.period_pips
    loop: Loop = []
    for s in range(period):
        if s < period / 2:
            t = s / (period / 2)
            x = -0.65 + 1.3 * ease(t)
        else:
            u = (s - period / 2) / (period / 2)
            x = 0.65 - 1.3 * (3 * u ** 2 - 2 * u ** 3)
        loop.append((x, 0.0, 0.0))
    return loop


# ---------------------------------------------------------------------------------------------
# The elastic loop.

ELASTIC_CYCLES = 6
ELASTIC_DECAY = 3.5
ELASTIC_PEAK = 0.8


def _elastic(u: float) -> Vector:
    # a sin² window opens and closes the loop at rest; the exponential makes each swing smaller than the last
    window = math.sin(PI * u)
    return on_x(window * window * math.exp(-ELASTIC_DECAY * u) * math.sin(TAU * ELASTIC_CYCLES * u))


EASE_SHAPES = {"elastic": lambda e: scale_axes(phase_loop(e.period_pips, _elastic), (ELASTIC_PEAK, 0.0, 0.0))}


CHARACTER = Character()

FAMILY = Family(
    "ease",
    MEMBERS,
    PEAKS,
    exact={member: easing_loop for member in EASINGS},
    authored=by_member(EASE_SHAPES),
    character=CHARACTER,
)
