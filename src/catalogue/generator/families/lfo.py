"""The `lfo` family: single shaped control curves and simple loops.

Five members follow closed rules of the loop angle or a gesture sum; the others are authored shapes,
each scaled to peaks of its own within the family's figures.
"""

from __future__ import annotations

import math
from typing import Dict, List, Sequence, Tuple

from ..builders.curves import angle_rule
from ..builders.sampling import Key, eased_path, on_x, periodic_spline, phase_loop
from ..builders.seeded import drift_loop
from ..family import Character, Family, Member, by_member, words
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Gesture, Vector, gesture_sum, scale_axes

MEMBERS = (
    Member("breathe", 256, 1, "A four-beat, single-axis sine. The quiet reference for judging busier shapes."),
    Member("surge", 256, 1, "A long rounded sweep and short recovery; an independently authored smooth-reset shape."),
    Member("soft_gate", 256, 1, "Short smooth transitions separated by long stationary dwells. No square-wave teleport."),
    Member("double_pump", 256, 2, "Two unequal pumps and a breathing space within four beats."),
    Member("ratchet", 256, 2, "A four-hit decaying burst, then a rest. Every event is peak-aligned."),
    Member("glide_stair", 256, 1, "Five rounded steps traverse the field, then a smooth return."),
    Member("morph", 512, 2, "An eight-beat blend between a sine and skewed triangle; movement changes within the phrase."),
    Member("flower", 512, 2, "Related rotations form an original three-lobed XY loop over eight beats."),
    Member("twin_swell", 512, 2, "Two broad swells of unequal depth, with a gentle lateral answer. Eight beats."),
    Member("pulse_hold", 256, 1, "A smooth outward pulse, sustained plateau, smaller opposite recoil, and rest."),
    Member("sweep_ratchet", 512, 2, "A slow lateral sweep followed by three decaying vertical ratchets; no reset jump."),
    Member("triplet_wobble", 512, 2, "Three rounded oscillations per two beats, breathing in depth over an eight-beat phrase."),
    Member("breathing_orbit", 512, 2, "A closed ellipse expands and contracts twice during its eight-beat revolution."),
    Member("seeded_drift", 1024, 2, "Two independently seeded smooth random lanes; irregular-looking but exactly periodic and seekable."),
    Member("pendulum_dwell", 512, 2, "Rounded saturation slows the pendulum near either side; a shallow arc connects the turns."),
    Member("reverse_swell", 512, 2, "A long anticipatory rise, quick softened return, and two diminishing aftershocks."),
)

PEAKS = Peaks.of("0-0.84", "0-0.85", "0")


# ---------------------------------------------------------------------------------------------
# The exact rules.

def breathe(th: float) -> Vector:
    return (0.8 * math.sin(th), 0.0, 0.0)


def flower(th: float) -> Vector:
    return (
        0.56 * math.cos(th) - 0.28 * math.cos(2 * th),
        0.56 * math.sin(th) + 0.28 * math.sin(2 * th),
        0.0,
    )


def triplet_wobble(th: float) -> Vector:
    return (math.sin(12 * th) * (0.5525 - 0.255 * math.cos(th)), 0.22 * math.sin(th), 0.0)


def breathing_orbit(th: float) -> Vector:
    return (
        0.67 * math.cos(th) + 0.11 * math.cos(3 * th),
        0.39 * math.sin(th) + 0.09 * math.sin(3 * th),
        0.0,
    )


def ratchet(entry: Entry) -> Loop:
    gestures = [Gesture(16 * k, (0.8 - 0.144 * k, -0.5 + 0.09 * k, 0.0), half_width=8) for k in range(4)]
    return gesture_sum(gestures, entry.period_pips)


# ---------------------------------------------------------------------------------------------
# The authored shapes.

def cosine_ease(w: float) -> float:
    """0.5 − 0.5·cos(π·w): a rest-to-rest ease over w in [0, 1]."""
    return 0.5 - 0.5 * math.cos(PI * w)


def _fraction_keys(period: int, keys: Sequence[Tuple[float, Vector]]) -> List[Key]:
    """Keys written at fractions of the loop, turned into pip times."""
    return [Key(fraction * period, point) for fraction, point in keys]


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


# Peaks per member; the flower's exact 0.84 on x closes the family's range, the double pump's y its top.
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


# The members whose descriptions promise smooth, rounded or softened motion.
CHARACTER = Character(smooth=frozenset(words(
    "surge soft_gate glide_stair twin_swell pulse_hold triplet_wobble seeded_drift pendulum_dwell reverse_swell"
)))

FAMILY = Family(
    "lfo",
    MEMBERS,
    PEAKS,
    exact={
        "breathe": angle_rule(breathe),
        "ratchet": ratchet,
        "flower": angle_rule(flower),
        "triplet_wobble": angle_rule(triplet_wobble),
        "breathing_orbit": angle_rule(breathing_orbit),
    },
    authored=by_member({member: _lfo_member for member in LFO_SHAPES}),
    character=CHARACTER,
)
