"""How motion drives the synth, shared by the WAV renderer and the gallery's in-browser synth.

x pans (equal-power), y sets the pitch, z sets the brightness (low-pass cut-off) and the level,
nearer being brighter and louder. A soft click marks every beat.
"""

from __future__ import annotations

import math

from pivolet_show.picture.projection import nearness

BASE_FREQUENCY_HZ = 220.0
PITCH_RANGE_OCTAVES = 1.0  # y = -1 .. 1 spans an octave below to an octave above the base
CUTOFF_LOWEST_HZ = 350.0
CUTOFF_RANGE_OCTAVES = 4.5  # far (z = -1) is dull, near (z = 1) bright
FILTER_Q = 0.7071  # a Butterworth low-pass: no resonant peak
LEVEL_FAR = 0.18
LEVEL_NEAR = 0.42

CLICK_FREQUENCY_HZ = 1760.0
CLICK_LOOP_START_FREQUENCY_HZ = 2640.0  # the beat that starts a loop clicks higher
CLICK_LEVEL = 0.2
CLICK_DECAY_SECONDS = 0.008
CLICK_LENGTH_SECONDS = 0.05


def frequency(y: float) -> float:
    return BASE_FREQUENCY_HZ * math.pow(2.0, y * PITCH_RANGE_OCTAVES)


def cutoff(z: float) -> float:
    return CUTOFF_LOWEST_HZ * math.pow(2.0, nearness(z) * CUTOFF_RANGE_OCTAVES)


def level(z: float) -> float:
    return LEVEL_FAR + (LEVEL_NEAR - LEVEL_FAR) * nearness(z)


def pan_gains(x: float) -> tuple[float, float]:
    """Left and right gains of an equal-power pan, the law a browser's stereo panner uses."""
    angle = (min(1.0, max(-1.0, x)) + 1.0) / 2.0 * math.pi / 2.0
    return math.cos(angle), math.sin(angle)


def settings() -> dict[str, float]:
    """The constants a browser needs to play the same mapping."""
    return {
        "baseFrequencyHz": BASE_FREQUENCY_HZ,
        "pitchRangeOctaves": PITCH_RANGE_OCTAVES,
        "cutoffLowestHz": CUTOFF_LOWEST_HZ,
        "cutoffRangeOctaves": CUTOFF_RANGE_OCTAVES,
        "filterQ": FILTER_Q,
        "levelFar": LEVEL_FAR,
        "levelNear": LEVEL_NEAR,
        "clickFrequencyHz": CLICK_FREQUENCY_HZ,
        "clickLoopStartFrequencyHz": CLICK_LOOP_START_FREQUENCY_HZ,
        "clickLevel": CLICK_LEVEL,
        "clickDecaySeconds": CLICK_DECAY_SECONDS,
        "clickLengthSeconds": CLICK_LENGTH_SECONDS,
    }
