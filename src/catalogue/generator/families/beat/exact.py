"""The two four-to-the-floor studies that follow a closed gesture rule instead of being fitted.

One event per kick of the bare pulse, each an asymmetric bump that rises over 6.4 pips and falls
over 29.44: the bounce lifts on y alone, the step moves to alternate sides and dips.
"""

from __future__ import annotations

from typing import Callable, Dict

from ...model import Loop
from ...shaping import Gesture, gesture_sum

PULSE_PERIOD = 256
KICK_TIMES = (0, 64, 128, 192)
KICK_RISE = 6.4
KICK_FALL = 29.44


def four_floor_bounce() -> Loop:
    return gesture_sum([Gesture(t, (0.0, 0.55, 0.0), rise=KICK_RISE, fall=KICK_FALL) for t in KICK_TIMES], PULSE_PERIOD)


def four_floor_step() -> Loop:
    sides = (1.0, -1.0, 1.0, -1.0)
    return gesture_sum(
        [Gesture(t, (0.42 * side, -0.22, 0.0), rise=KICK_RISE, fall=KICK_FALL) for t, side in zip(KICK_TIMES, sides)],
        PULSE_PERIOD,
    )


EXACT_STUDIES: Dict[str, Callable[[], Loop]] = {
    "beat_four_floor_bounce": four_floor_bounce,
    "beat_four_floor_step": four_floor_step,
}
