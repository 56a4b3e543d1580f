"""How far, how fast and how sharply a loop moves, measured from its samples.

Positions are in the module's units, [-1, 1] on each axis. A loop repeats, so the step from its
last pip back to its first is motion like any other; a recording is measured as one pass, without it. A step is the distance between the positions
of two neighbouring pips; at a tempo, a pip lasts 60 / (bpm * PIPS_PER_BEAT) seconds, so the largest
step gives the largest speed, and the largest change from one step to the next (the second
difference of the positions) the largest acceleration.

The gallery's page computes the same figures from the same doubles with the same operations in the
same order, so both give identical numbers; keep the two in step.
"""

from __future__ import annotations

import dataclasses
import math

import pivolet

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR as BEATS_PER_BAR
from pivolet_show.motion.axes import AXES
from pivolet_show.motion.loops import Loop, bars_in, beats_in
from pivolet_show.picture.labels import counted

SECONDS_PER_MINUTE = 60.0
# Every figure is shown to this many significant digits, and peaks to this many decimals.
SIGNIFICANT_DIGITS = 3
PEAK_DECIMALS = 3


def pips_per_second(bpm: float) -> float:
    return bpm / SECONDS_PER_MINUTE * pivolet.PIPS_PER_BEAT


def _length(dx: float, dy: float, dz: float) -> float:
    # Written out rather than math.hypot, whose rounding a browser does not share.
    return math.sqrt(dx * dx + dy * dy + dz * dz)


@dataclasses.dataclass(frozen=True)
class MotionFigures:
    """The tempo-free figures of one loop; speeds and accelerations follow at any tempo."""

    period_pips: int
    # Whether the loop repeats: then its seam, from the last pip to the first, counts as a step.
    looping: bool
    # The largest magnitude on each axis.
    peak: tuple[float, float, float]
    # The longest step, in units per pip, and the pip it starts from.
    largest_step: float
    largest_step_pip: int
    # The largest change of step, in units per pip per pip, and the pip where it happens.
    largest_step_change: float
    largest_step_change_pip: int

    def largest_speed(self, bpm: float) -> float:
        """Units per second."""
        return self.largest_step * pips_per_second(bpm)

    def largest_acceleration(self, bpm: float) -> float:
        """Units per second per second."""
        rate = pips_per_second(bpm)
        return self.largest_step_change * rate * rate


def measure(loop: Loop, *, looping: bool = True) -> MotionFigures:
    points = loop.points
    period = len(points)
    steps = []
    for pip in range(period):
        (x0, y0, z0), (x1, y1, z1) = points[pip], points[(pip + 1) % period]
        steps.append((x1 - x0, y1 - y0, z1 - z0))
    # Without the seam, a pass has no step from its last pip and no change of step at either end.
    last_step = period if looping else period - 1
    first_change = 0 if looping else 1

    largest_step, largest_step_pip = 0.0, 0
    largest_change, largest_change_pip = 0.0, 0
    for pip in range(last_step):
        step = steps[pip]
        length = _length(*step)
        if length > largest_step:
            largest_step, largest_step_pip = length, pip
        if pip < first_change:
            continue
        before = steps[pip - 1]
        change = _length(step[0] - before[0], step[1] - before[1], step[2] - before[2])
        if change > largest_change:
            largest_change, largest_change_pip = change, pip
    return MotionFigures(period, looping, loop.peak, largest_step, largest_step_pip,
                         largest_change, largest_change_pip)


def significant(value: float, digits: int = SIGNIFICANT_DIGITS) -> str:
    """A figure to `digits` significant digits, in plain decimals however large or small it is."""
    if value == 0.0:
        return "0"
    decimals = max(0, digits - 1 - math.floor(math.log10(abs(value))))
    return f"{value:.{decimals}f}"


def describe(figures: MotionFigures, bpm: float) -> list[str]:
    """The figures as lines of text, as the picture and the gallery's view show them."""
    peaks = "  ".join(f"{axis} {peak:.{PEAK_DECIMALS}f}" for axis, peak in zip(AXES, figures.peak))
    return [
        f"{'Loop' if figures.looping else 'Length'}: {figures.period_pips} pips = "
        f"{counted(beats_in(figures.period_pips), 'beat')} = "
        f"{counted(bars_in(figures.period_pips), 'bar')} of {BEATS_PER_BAR} beats",
        f"Peak: {peaks}",
        f"Largest step: {significant(figures.largest_step)} per pip (from pip {figures.largest_step_pip})",
        f"At {bpm:g} BPM: largest speed {significant(figures.largest_speed(bpm))} units/s "
        f"(from pip {figures.largest_step_pip}), largest acceleration "
        f"{significant(figures.largest_acceleration(bpm))} units/s² (at pip {figures.largest_step_change_pip})",
    ]
