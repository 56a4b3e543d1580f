"""Control-curve families: the shaped `lfo` loops, the windowed `ease_elastic`, the vertical `env`
envelopes and the stepped `seq` sequences."""

from __future__ import annotations

import math
from typing import Callable, Dict, List, Sequence, Tuple

from ...model import Entry, Loop
from ...shaping import Gesture, gesture_sum
from .sampling import (
    PI,
    TAU,
    Key,
    Vector,
    by_member,
    cosine_ease,
    eased_path,
    on_x,
    periodic_spline,
    phase_loop,
    scale_axes,
)
from .seeded import drift_loop

BEAT_PIPS = 64


def _fraction_keys(period: int, keys: Sequence[Tuple[float, Vector]]) -> List[Key]:
    """Keys written at fractions of the loop, turned into pip times."""
    return [Key(fraction * period, point) for fraction, point in keys]


# ---------------------------------------------------------------------------------------------- lfo


def _surge(u: float) -> Vector:
    # three quarters of the loop sweep up, the last quarter recovers; both ends rest, so there is no reset step
    if u < 0.75:
        return on_x(-1.0 + 2.0 * cosine_ease(u / 0.75))
    return on_x(1.0 - 2.0 * cosine_ease((u - 0.75) / 0.25))


SOFT_GATE_KEYS = ((0.0, on_x(-1.0)), (0.38, on_x(-1.0)), (0.5, on_x(1.0)), (0.88, on_x(1.0)))

# five rises of one step each, a hold on top, then one long smooth return to the bottom
GLIDE_STAIR_KEYS = (
    (0.0, on_x(-1.0)), (0.06, on_x(-1.0)),
    (0.13, on_x(-0.6)), (0.19, on_x(-0.6)),
    (0.26, on_x(-0.2)), (0.32, on_x(-0.2)),
    (0.39, on_x(0.2)), (0.45, on_x(0.2)),
    (0.52, on_x(0.6)), (0.58, on_x(0.6)),
    (0.65, on_x(1.0)), (0.75, on_x(1.0)),
)

PULSE_HOLD_KEYS = (
    (0.0, on_x(0.0)), (0.1, on_x(1.0)), (0.42, on_x(1.0)), (0.56, on_x(-0.42)), (0.7, on_x(0.0)),
)

# the rise is long and slow, the fall quick, then two smaller shocks either side of rest
REVERSE_SWELL_KEYS = (
    (0.0, (0.0, 0.0, 0.0)),
    (0.28, (0.18, 0.3, 0.0)),
    (0.55, (1.0, 1.0, 0.0)),
    (0.64, (0.05, -0.35, 0.0)),
    (0.72, (-0.34, 0.2, 0.0)),
    (0.8, (0.0, -0.12, 0.0)),
    (0.86, (0.13, 0.06, 0.0)),
    (0.93, (0.0, 0.0, 0.0)),
)

DOUBLE_PUMP_GESTURES = (
    Gesture(40.0, (0.0, 1.0, 0.0), half_width=40.0),
    Gesture(116.0, (0.0, 0.62, 0.0), half_width=36.0),
)

TWIN_SWELL_GESTURES = (
    Gesture(128.0, (0.0, 1.0, 0.0), half_width=128.0),
    Gesture(384.0, (0.0, 0.6, 0.0), half_width=128.0),
    Gesture(232.0, (1.0, 0.0, 0.0), half_width=80.0),
    Gesture(488.0, (-0.7, 0.0, 0.0), half_width=80.0),
)

SWEEP_RATCHET_GESTURES = (
    Gesture(300.0, (0.0, 1.0, 0.0), half_width=26.0),
    Gesture(362.0, (0.0, 0.62, 0.0), half_width=26.0),
    Gesture(424.0, (0.0, 0.38, 0.0), half_width=26.0),
)

MORPH_CYCLES = 4
MORPH_TRIANGLE_RISE = 0.12  # the skewed triangle climbs in 12 % of its cycle and falls through the rest
PENDULUM_SATURATION = 2.5
SEEDED_DRIFT_LANES = (("x", 8), ("y", 11))


def skewed_triangle(p: float, rise: float) -> float:
    """A triangle wave of phase p that starts at 0, peaks at `rise`, bottoms at 1 − `rise` and closes at 1."""
    q = p - math.floor(p)
    if q < rise:
        return q / rise
    if q < 1.0 - rise:
        return 1.0 - 2.0 * (q - rise) / (1.0 - 2.0 * rise)
    return -1.0 + (q - (1.0 - rise)) / rise


def _morph(u: float) -> Vector:
    # the blend is a sine at the loop boundary and the skewed triangle at its middle
    blend = 0.5 - 0.5 * math.cos(TAU * u)
    carrier = MORPH_CYCLES * u
    x = (1.0 - blend) * math.sin(TAU * carrier) + blend * skewed_triangle(carrier, MORPH_TRIANGLE_RISE)
    y = (1.0 - blend) * math.cos(TAU * carrier) + blend * skewed_triangle(carrier + 0.25, MORPH_TRIANGLE_RISE)
    return (x, y, 0.0)


def _pendulum_dwell(u: float) -> Vector:
    # released from one side: tanh saturation holds the bob near each turn, and it rises on the arc there
    swing = math.tanh(PENDULUM_SATURATION * math.cos(TAU * u)) / math.tanh(PENDULUM_SATURATION)
    return (swing, swing * swing, 0.0)


def _sweep_ratchet(entry: Entry) -> Loop:
    ratchets = gesture_sum(SWEEP_RATCHET_GESTURES, entry.period_pips)
    loop: Loop = []
    for s, (_, y, _) in enumerate(ratchets):
        u = s / entry.period_pips
        # a slow sweep right over the first 55 %, then an unhurried glide back under the ratchets
        x = -1.0 + 2.0 * cosine_ease(u / 0.55) if u < 0.55 else 1.0 - 2.0 * cosine_ease((u - 0.55) / 0.45)
        loop.append((x, y, 0.0))
    return loop


LFO_SHAPES = {
    "surge": lambda e: phase_loop(e.period_pips, _surge),
    "soft_gate": lambda e: eased_path(_fraction_keys(e.period_pips, SOFT_GATE_KEYS), e.period_pips),
    "double_pump": lambda e: gesture_sum(DOUBLE_PUMP_GESTURES, e.period_pips),
    "glide_stair": lambda e: eased_path(_fraction_keys(e.period_pips, GLIDE_STAIR_KEYS), e.period_pips),
    "morph": lambda e: phase_loop(e.period_pips, _morph),
    "twin_swell": lambda e: gesture_sum(TWIN_SWELL_GESTURES, e.period_pips),
    "pulse_hold": lambda e: eased_path(_fraction_keys(e.period_pips, PULSE_HOLD_KEYS), e.period_pips),
    "sweep_ratchet": _sweep_ratchet,
    "seeded_drift": lambda e: drift_loop(e.name, SEEDED_DRIFT_LANES, e.period_pips),
    "pendulum_dwell": lambda e: phase_loop(e.period_pips, _pendulum_dwell),
    "reverse_swell": lambda e: periodic_spline(_fraction_keys(e.period_pips, REVERSE_SWELL_KEYS), e.period_pips),
}

# Peaks per member; lfo_flower's exact 0.84 on x closes the family's range, lfo_double_pump's y its top.
LFO_PEAKS: Dict[str, Vector] = {
    "surge": (0.8, 0.0, 0.0),
    "soft_gate": (0.78, 0.0, 0.0),
    "double_pump": (0.0, 0.85, 0.0),
    "glide_stair": (0.82, 0.0, 0.0),
    "morph": (0.8, 0.45, 0.0),
    "twin_swell": (0.36, 0.8, 0.0),
    "pulse_hold": (0.8, 0.0, 0.0),
    "sweep_ratchet": (0.78, 0.72, 0.0),
    "seeded_drift": (0.7, 0.62, 0.0),
    "pendulum_dwell": (0.82, 0.3, 0.0),
    "reverse_swell": (0.8, 0.4, 0.0),
}


def _lfo_member(entry: Entry) -> Loop:
    return scale_axes(LFO_SHAPES[entry.member](entry), LFO_PEAKS[entry.member])


# --------------------------------------------------------------------------------------------- ease

ELASTIC_CYCLES = 6
ELASTIC_DECAY = 3.5
ELASTIC_PEAK = 0.8


def _elastic(u: float) -> Vector:
    # a sin² window opens and closes the loop at rest; the exponential makes each swing smaller than the last
    window = math.sin(PI * u)
    return on_x(window * window * math.exp(-ELASTIC_DECAY * u) * math.sin(TAU * ELASTIC_CYCLES * u))


EASE_SHAPES = {"elastic": lambda e: scale_axes(phase_loop(e.period_pips, _elastic), (ELASTIC_PEAK, 0.0, 0.0))}


# ---------------------------------------------------------------------------------------------- env

# Vertical levels at times in beats; the loop starts and ends at rest at 0.
ENV_KEYS: Dict[str, Tuple[Tuple[float, float], ...]] = {
    "lift_hold_drop": ((0, 0), (1.5, 1), (5, 1), (7, 0)),
    "inhale_exhale": ((0, 0), (5.5, 1), (6.5, 0)),
    "triple_swell": ((0, 0), (1, 0.7), (2, 0.15), (3.5, 1), (4.5, 0.2), (6, 0.5), (7.5, 0)),
    "rising_echo": ((0, 0), (0.5, 0.35), (1.5, 0.1), (2.5, 0.55), (3.5, 0.3), (4.5, 0.8), (5.5, 0.5), (6.5, 1), (7.5, 0)),
    "falling_echo": ((0, 0), (0.75, 1), (1.75, 0.5), (2.75, 0.8), (3.75, 0.3), (4.75, 0.55), (5.75, 0.1), (6.5, 0.35), (7.5, 0)),
    "anticipation": ((0, 0), (1.5, -0.35), (3, 1), (5, 0.9), (7, 0)),
    "plateau_scoop": ((0, 0), (1, 0.85), (4, 0.85), (5.5, -0.4), (7, 0)),
    "hesitant": ((0, 0), (1, 0.4), (2, 0.3), (3, 0.7), (3.5, 0.6), (5, 1), (7, 0)),
    "double_hold": ((0, 0), (1, 0.5), (3, 0.5), (3.75, 1), (5.5, 1), (7, 0)),
    "swell_recoil": ((0, 0), (3, 1), (4.5, -0.45), (6, 0)),
    "late_release": ((0, 0), (1, 1), (6.5, 1), (7.5, 0)),
    "split_attack": ((0, 0), (0.5, 0.55), (1, 0.35), (1.5, 1), (4, 0.6), (6.5, 0)),
    "suspended": ((0, 0), (1, 0.75), (3, 0.75), (4.5, 0.2), (5.5, -0.5), (7, 0)),
    "valley_peaks": ((0, 0), (1.5, 1), (4, 0.25), (6, 0.9), (7.5, 0)),
    "four_breaths": ((0, 0), (0.9, 1), (1.8, 0), (2.7, 0.8), (3.6, 0), (4.5, 0.9), (5.4, 0), (6.3, 0.7), (7.2, 0)),
    "return_stair": ((0, 0), (1, 1), (2.5, 1), (3, 0.75), (4, 0.75), (4.5, 0.5), (5.5, 0.5), (6, 0.25), (7, 0.25), (7.5, 0)),
}

ENV_PEAKS: Dict[str, float] = {
    "lift_hold_drop": 0.82, "inhale_exhale": 0.7, "triple_swell": 0.74, "rising_echo": 0.78,
    "falling_echo": 0.8, "anticipation": 0.72, "plateau_scoop": 0.76, "hesitant": 0.81,
    "double_hold": 0.71, "swell_recoil": 0.79, "late_release": 0.75, "split_attack": 0.73,
    "suspended": 0.77, "valley_peaks": 0.8, "four_breaths": 0.7, "return_stair": 0.82,
}


def _env_member(entry: Entry) -> Loop:
    keys = [Key(BEAT_PIPS * beat, (0.0, float(level), 0.0)) for beat, level in ENV_KEYS[entry.member]]
    return scale_axes(eased_path(keys, entry.period_pips), (0.0, ENV_PEAKS[entry.member], 0.0))


# ---------------------------------------------------------------------------------------------- seq

STEP_COUNT = 8
LILT_WEIGHTS = (2, 1)  # long-short pairs, two to one like a triplet swing
GLIDE_SHARE = 0.4  # each step glides into the next over the last 40 % of its own duration

# Eight programmed (x, y) positions per sequence, held in turn.
SEQ_STEPS: Dict[str, Tuple[Tuple[float, float], ...]] = {
    "up_down": ((-1, 0), (-0.5, 0.4), (0, 0.6), (0.5, 0.8), (1, 1), (0.5, 0.8), (0, 0.6), (-0.5, 0.4)),
    "pendulum": ((-1, 0.5), (1, 0.5), (-0.75, 1), (0.75, 1), (-0.5, 0.5), (0.5, 0.5), (-0.25, 0), (0.25, 0)),
    "octave": ((-0.9, 0), (0.1, 1), (-0.9, 0), (0.1, 1), (-0.4, -0.2), (0.6, 0.8), (-0.4, -0.2), (1, 0.8)),
    "unequal": ((-1, 0.2), (0.3, -0.6), (-0.2, 1), (1, 0), (-0.6, -0.3), (0.6, 0.5), (0.1, -1), (-0.4, 0.4)),
    "question": ((0, 0), (-0.4, 0.2), (0.2, 0.1), (-0.2, 0.3), (0.4, 0.2), (0.1, 0.5), (0.6, 0.7), (1, 1)),
    "answer": ((1, 1), (0.6, 0.7), (0.8, 0.8), (0.2, 0.4), (0.4, 0.5), (-0.2, 0.2), (-0.6, 0.1), (-1, 0)),
    "ratchet": ((-1, -0.5), (-0.4, 1), (-0.7, -0.5), (-0.1, 1), (-0.4, -0.5), (0.2, 1), (-0.1, -0.5), (1, 1)),
    "stairs": ((-1, 0), (-0.7, 0.14), (-0.4, 0.28), (-0.1, 0.42), (0.2, 0.57), (0.5, 0.71), (0.8, 0.85), (1, 1)),
}

SEQ_X_PEAK = 0.82
SEQ_Y_LOW = 0.249
SEQ_Y_HIGH = 0.287


def segment_durations(member: str, period: int) -> List[float]:
    """Pip durations of the steps: all equal for `…_even`, long-short pairs for `…_lilt`."""
    if member.endswith("_even"):
        return [period / STEP_COUNT] * STEP_COUNT
    pair = LILT_WEIGHTS[0] + LILT_WEIGHTS[1]
    return [period * LILT_WEIGHTS[i % 2] / (pair * STEP_COUNT / 2) for i in range(STEP_COUNT)]


def seq_keys(member: str, period: int) -> List[Key]:
    """A hold at each programmed position, then a softened glide into the next one."""
    steps = SEQ_STEPS[member.rsplit("_", 1)[0]]
    keys: List[Key] = []
    start = 0.0
    for (x, y), duration in zip(steps, segment_durations(member, period)):
        point = (float(x), float(y), 0.0)
        keys.append(Key(start, point))
        keys.append(Key(start + duration - GLIDE_SHARE * duration, point))
        start += duration
    return keys


def _seq_member(entry: Entry, y_peak: float) -> Loop:
    return scale_axes(eased_path(seq_keys(entry.member, entry.period_pips), entry.period_pips), (SEQ_X_PEAK, y_peak, 0.0))


def _seq_builders() -> Dict[str, Callable[[Entry], Loop]]:
    members = [f"{stem}_{kind}" for stem in SEQ_STEPS for kind in ("even", "lilt")]
    builders: Dict[str, Callable[[Entry], Loop]] = {}
    for position, member in enumerate(members):
        # the vertical lane's peak is spread evenly over the sixteen members in table order
        y_peak = SEQ_Y_LOW + (SEQ_Y_HIGH - SEQ_Y_LOW) * position / (len(members) - 1)
        builders[member] = lambda e, y_peak=y_peak: _seq_member(e, y_peak)
    return builders


FAMILIES = {
    "lfo": by_member({member: _lfo_member for member in LFO_SHAPES}),
    "ease": by_member(EASE_SHAPES),
    "env": by_member({member: _env_member for member in ENV_KEYS}),
    "seq": by_member(_seq_builders()),
}
