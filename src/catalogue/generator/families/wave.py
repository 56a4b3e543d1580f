"""The `wave` family: continuous shaped control waves on x, named by their labels; the pinched sine
follows an exact rule, the others are authored shapes of the loop angle."""

from __future__ import annotations

import math
from typing import Callable, Dict

from ..builders.curves import angle_rule
from ..builders.sampling import Key, eased_path, on_x, phase_loop, raised_cosine
from ..family import Character, Family, by_member, member_names, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector, scale_axes, smoothstep

MEMBERS = templated_members(
    (
        ("pinched", "Pinched sine"), ("shouldered", "Shouldered sine"), ("folded", "Folded sine"),
        ("double_fold", "Double-fold wave"), ("rounded_square", "Rounded square"),
        ("soft_rectifier", "Soft rectified swell"), ("skew_warp", "Phase-skew sweep"),
        ("scoop_warp", "Scooped return"), ("shelf_wave", "Shelf and scoop"), ("notched", "Notched crest"),
        ("bottle", "Bottle-neck swell"), ("reed", "Reed flutter"), ("unequal_peaks", "Unequal double crest"),
        ("ripple_return", "Rippled recovery"), ("soft_teeth", "Soft triple teeth"),
        ("warped_fold", "Warped wave fold"),
    ),
    period=512,
    dimensions=1,
    description="{label}; a continuous shaped control wave, mapped to horizontal displacement.",
)

PEAKS = Peaks.of("0.82", "0", "0")
WAVE_PEAK = PEAKS.x.highest()


def pinched(th: float) -> Vector:
    return (0.82 * math.sin(th) ** 3, 0.0, 0.0)


# ---------------------------------------------------------------------------------------------
# The authored shapes: each maps the loop angle θ (one cycle per loop) to an unscaled horizontal value.

SHOULDER_HEIGHT = 0.4  # of the crest
SHOULDER_SHARPNESS = 4.0


def _shouldered(t: float) -> float:
    # a rounded square wave of shoulder height carries a narrow crest (a high odd power of the sine)
    s = math.sin(t)
    shoulder = math.tanh(SHOULDER_SHARPNESS * s) / math.tanh(SHOULDER_SHARPNESS)
    return SHOULDER_HEIGHT * shoulder + (1.0 - SHOULDER_HEIGHT) * s ** 9


FOLD_DEPTH = 2.8  # the crest folds back from 1 to sin(2.8), a third of the way


def _folded(t: float) -> float:
    return math.sin(FOLD_DEPTH * math.sin(t))


def _double_fold(t: float) -> float:
    return math.sin(4.0 * math.sin(t))


def _rounded_square(t: float) -> float:
    return math.tanh(3.5 * math.sin(t))


def _soft_rectifier(t: float) -> float:
    # |sin| with its corners rounded: two swells per loop, rising from a soft floor
    s = math.sin(t)
    return 2.0 * math.sqrt(s * s + 0.01) - 1.0


def _skew_warp(t: float) -> float:
    return math.sin(t + 0.8 * math.sin(t))


def _scoop_warp(t: float) -> float:
    # a quick rise over 30 % of the loop, then a return that falls fast and slows into the bottom
    u = t / TAU
    if u < 0.3:
        return -math.cos(PI * u / 0.3)
    w = (u - 0.3) / 0.7
    return -1.0 + 2.0 * (1.0 - w) * (1.0 - w)


def _notched(t: float) -> float:
    return math.sin(t) - 0.55 * raised_cosine(t, PI / 2.0, 24)


BOTTLE_BODY = 0.7  # share of the loop that the body fills; the neck takes the rest
BOTTLE_SHOULDER = 0.3  # share of the body spent rising to its top, and again falling from it


def _bottle(t: float) -> float:
    # a broad, flat-topped body, then a narrow neck the other way; both leave and return to the
    # centre at rest, so the wave is smooth where they meet
    u = t / TAU
    if u < BOTTLE_BODY:
        w = u / BOTTLE_BODY
        return smoothstep(min(1.0, w / BOTTLE_SHOULDER)) * smoothstep(min(1.0, (1.0 - w) / BOTTLE_SHOULDER))
    v = (u - BOTTLE_BODY) / (1.0 - BOTTLE_BODY)
    return -(math.sin(PI * v) ** 4)


def _reed(t: float) -> float:
    s = math.sin(t)
    return s + 0.16 * math.sin(14.0 * t) * s * s


def _unequal_peaks(t: float) -> float:
    return math.sin(2.0 * t) + 0.45 * math.sin(t)


def _ripple_return(t: float) -> float:
    u = t / TAU
    if u < 0.5:
        return -math.cos(TAU * u)
    w = (u - 0.5) / 0.5
    return math.cos(PI * w) + 0.25 * math.sin(PI * w) * math.sin(6.0 * PI * w)


def _soft_teeth(t: float) -> float:
    # the first four partials of a sawtooth at three cycles per loop
    total = 0.0
    for k in range(1, 5):
        total += (1.0 if k % 2 == 1 else -1.0) * math.sin(3.0 * k * t) / k
    return total


def _warped_fold(t: float) -> float:
    return math.sin(2.6 * math.sin(t + 0.6 * math.sin(t)))


# held at a shelf partway up, then a scooped fall
SHELF_KEYS = ((0.0, -1.0), (0.18, 0.15), (0.34, 0.15), (0.5, 1.0), (0.56, 1.0))


def _shelf_wave(entry: Entry) -> Loop:
    keys = [Key(fraction * entry.period_pips, on_x(level)) for fraction, level in SHELF_KEYS]
    return eased_path(keys, entry.period_pips)


WAVE_SHAPES: Dict[str, Callable[[float], float]] = {
    "shouldered": _shouldered,
    "folded": _folded,
    "double_fold": _double_fold,
    "rounded_square": _rounded_square,
    "soft_rectifier": _soft_rectifier,
    "skew_warp": _skew_warp,
    "scoop_warp": _scoop_warp,
    "notched": _notched,
    "bottle": _bottle,
    "reed": _reed,
    "unequal_peaks": _unequal_peaks,
    "ripple_return": _ripple_return,
    "soft_teeth": _soft_teeth,
    "warped_fold": _warped_fold,
}


def _wave_builder(shape: Callable[[float], float]) -> Callable[[Entry], Loop]:
    return lambda e: scale_axes(phase_loop(e.period_pips, lambda u: on_x(shape(TAU * u))), (WAVE_PEAK, 0.0, 0.0))


def _wave_builders() -> Dict[str, Callable[[Entry], Loop]]:
    builders = {member: _wave_builder(shape) for member, shape in WAVE_SHAPES.items()}
    builders["shelf_wave"] = lambda e: scale_axes(_shelf_wave(e), (WAVE_PEAK, 0.0, 0.0))
    return builders


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family(
    "wave", MEMBERS, PEAKS, exact={"pinched": angle_rule(pinched)}, authored=by_member(_wave_builders()), character=CHARACTER
)
