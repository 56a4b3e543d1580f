"""Building blocks shared by the family generators: angles, bumps, gesture sums and peak scaling.

Every formula is evaluated in the order it is written, left to right, in IEEE doubles, because the
stored loops are the values rounded to 12 decimals and a different order can move a value across a
rounding tie.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Iterable, List, Sequence, Tuple

from .model import Loop, Sample

TAU = 2.0 * math.pi
PI = math.pi

PIPS_PER_BEAT = 64
EIGHTH_NOTE_PIPS = 32

Vector = Tuple[float, float, float]


def theta(s: int, period: int) -> float:
    """The loop angle 2π·s/P of sample s."""
    return TAU * s / period


def round12(value: float) -> float:
    """The double nearest to `value` rounded to 12 decimals; zero is always +0.0."""
    rounded = round(value, 12)
    return 0.0 if rounded == 0.0 else rounded


def loop_distance(s: float, t: float, period: int) -> float:
    """Signed distance in pips from event time t to sample s, measured around the loop the shorter way."""
    d = s - t
    half = period / 2
    if d > half:
        d -= period
    elif d < -half:
        d += period
    return d


def symmetric_bump(d: float, h: float) -> float:
    """0.5·(1 + cos(π·d/h)) for |d| < h, else 0."""
    if -h < d < h:
        return 0.5 * (1.0 + math.cos(PI * d / h))
    return 0.0


def asymmetric_bump(d: float, rise: float, fall: float) -> float:
    """Rises over `rise` pips before the event and falls over `fall` pips after it."""
    if -rise < d <= 0:
        return 0.5 * (1.0 + math.cos(PI * d / rise))
    if 0 < d < fall:
        return 0.5 * (1.0 + math.cos(PI * d / fall))
    return 0.0


@dataclass(frozen=True)
class Gesture:
    """One event of a gesture sum: an amplitude vector times a bump centred on `time` (pips, may be fractional).

    `half_width` gives the symmetric bump; `rise` and `fall` (both set) give the asymmetric one.
    """

    time: float
    amplitude: Vector
    half_width: float = 0.0
    rise: float = 0.0
    fall: float = 0.0

    def bump(self, s: int, period: int) -> float:
        d = loop_distance(s, self.time, period)
        if self.rise > 0.0:
            return asymmetric_bump(d, self.rise, self.fall)
        return symmetric_bump(d, self.half_width)


def gesture_sum(gestures: Sequence[Gesture], period: int) -> Loop:
    """The loop made by summing every gesture at every pip, in the order the gestures are given."""
    loop: Loop = []
    for s in range(period):
        x = y = z = 0.0
        for g in gestures:
            b = g.bump(s, period)
            if b != 0.0:
                ax, ay, az = g.amplitude
                x += ax * b
                y += ay * b
                z += az * b
        loop.append((x, y, z))
    return loop


def peak(loop: Iterable[Sample], axis: int) -> float:
    """Largest absolute value of one axis over a loop."""
    return max(abs(sample[axis]) for sample in loop)


def normalise(loop: Loop, target: float = 0.82) -> Loop:
    """Multiplies all three axes by one factor so that the largest absolute sampled value becomes `target`."""
    largest = max(max(abs(v) for v in sample) for sample in loop)
    factor = target / largest
    return [(x * factor, y * factor, z * factor) for x, y, z in loop]


def scale_axes(loop: Loop, targets: Sequence[float]) -> Loop:
    """Scales each axis on its own so that its largest absolute value becomes targets[axis].

    An axis that is zero throughout stays zero (its target must then be 0).
    """
    factors: List[float] = []
    for axis, target in enumerate(targets):
        largest = peak(loop, axis)
        factors.append(0.0 if largest == 0.0 else target / largest)
    fx, fy, fz = factors
    return [(x * fx, y * fy, z * fz) for x, y, z in loop]


def spread(low: float, high: float, count: int, position: int) -> float:
    """The position-th of `count` values spread evenly from `low` to `high`, both ends included."""
    if count == 1:
        return high
    return low + (high - low) * position / (count - 1)


def smoothstep(w: float) -> float:
    """3w² − 2w³ for w in [0, 1], in the evaluation order (3 − 2w)·w²."""
    return (3.0 - (w + w)) * (w * w)
