"""Members whose loops follow a fixed rule: closed formulas of the angle, easing loops and gesture sums.

Every formula is evaluated exactly as it is written, left to right: `k * th` for k·θ, `TAU * s / P`
for θ, event times such as `P * i / m`. The stored values are these raw values rounded to 12
decimals, so an operation done in another order could move a value across a rounding boundary.
"""

from __future__ import annotations

import math
from typing import Callable, Dict, List, Mapping, Sequence, Tuple

from ..model import Entry, Loop
from ..shaping import TAU, Gesture, gesture_sum, normalise, theta

Point = Tuple[float, float, float]
AngleFormula = Callable[[float], Point]

NORMAL_PEAK = 0.82
WIDE_NORMALISING_POINTS = 2048
EIGHTH_NOTE_PIPS = 32
BEAT_PIPS = 64


def closed_loop(formula: AngleFormula, period: int) -> Loop:
    """The formula sampled at θ = 2π·s/P for every pip s of the loop."""
    return [formula(theta(s, period)) for s in range(period)]


def normalised_on(formula: AngleFormula, period: int, points: int) -> Loop:
    """The loop scaled by the one factor that brings the largest raw value over `points` angles to 0.82."""
    largest = 0.0
    for i in range(points):
        for value in formula(TAU * i / points):
            largest = max(largest, abs(value))
    factor = NORMAL_PEAK / largest
    return [(x * factor, y * factor, z * factor) for x, y, z in closed_loop(formula, period)]


# ---------------------------------------------------------------------------------------------
# Closed formulas of single members.

def lfo_breathe(th: float) -> Point:
    return (0.8 * math.sin(th), 0.0, 0.0)


def lfo_flower(th: float) -> Point:
    return (
        0.56 * math.cos(th) - 0.28 * math.cos(2 * th),
        0.56 * math.sin(th) + 0.28 * math.sin(2 * th),
        0.0,
    )


def lfo_triplet_wobble(th: float) -> Point:
    return (math.sin(12 * th) * (0.5525 - 0.255 * math.cos(th)), 0.22 * math.sin(th), 0.0)


def lfo_breathing_orbit(th: float) -> Point:
    return (
        0.67 * math.cos(th) + 0.11 * math.cos(3 * th),
        0.39 * math.sin(th) + 0.09 * math.sin(3 * th),
        0.0,
    )


def path_lissajous_2_3(th: float) -> Point:
    return (0.78 * math.sin(2 * th), 0.68 * math.sin(3 * th), 0.0)


def path_bowed_diamond(th: float) -> Point:
    return (0.8 * math.cos(th) ** 3, 0.8 * math.sin(th) ** 3, 0.0)


def path_torus_knot(th: float) -> Point:
    w = 0.54 + 0.22 * math.cos(3 * th)
    return (w * math.cos(2 * th), w * math.sin(2 * th), 0.36 * math.sin(3 * th))


def path_woven_3d(th: float) -> Point:
    return (0.72 * math.sin(2 * th), 0.64 * math.sin(3 * th), 0.48 * math.sin(5 * th))


def path_crank_slider(th: float) -> Point:
    # Crank radius 1 and rod length 3: the slider sits at cos θ + √(9 − sin²θ), centred by −3.
    return (0.78 * (math.cos(th) + math.sqrt(9 - math.sin(th) ** 2) - 3), 0.3 * math.sin(th), 0.0)


def wave_pinched(th: float) -> Point:
    return (0.82 * math.sin(th) ** 3, 0.0, 0.0)


def mech_scotch_yoke(th: float) -> Point:
    return (0.82 * math.cos(th), 0.287 * math.sin(th) + 0.1476 * math.sin(3 * th), 0.0)


def mech_paddle(th: float) -> Point:
    return (math.cos(th) + 0.23 * math.cos(4 * th), math.sin(th) + 0.23 * math.sin(4 * th), 0.0)


def mech_wobble_plate(th: float) -> Point:
    return (0.82 * math.cos(th), 0.287 * math.sin(th), 0.41 * math.sin(2 * th + 0.3))


def mech_piston_balance(th: float) -> Point:
    return (0.82 * math.cos(th), 0.41 * math.sin(2 * th), 0.205 * math.sin(th))


def angle_rule(formula: AngleFormula) -> Callable[[Entry], Loop]:
    return lambda entry: closed_loop(formula, entry.period_pips)


def normalised_rule(formula: AngleFormula) -> Callable[[Entry], Loop]:
    return lambda entry: normalise(closed_loop(formula, entry.period_pips), NORMAL_PEAK)


# ---------------------------------------------------------------------------------------------
# Formula families: the numbers in a member's name are the formula's parameters.

def rose(k: int) -> AngleFormula:
    """An odd k draws k petals over a half turn of ψ, an even k draws k petals over a full turn."""
    n = k if k % 2 == 1 else k // 2
    odd = k % 2 == 1

    def formula(th: float) -> Point:
        psi = th / 2 if odd else th
        return (0.82 * math.cos(n * psi) * math.cos(psi), 0.82 * math.cos(n * psi) * math.sin(psi), 0.0)

    return formula


def rose_loop(entry: Entry) -> Loop:
    return closed_loop(rose(entry.numbers()[-1]), entry.period_pips)


def weave(entry: Entry) -> Loop:
    a, b = entry.numbers()
    return normalise(closed_loop(lambda th: (math.sin(a * th + 0.37), 0.8125 * math.sin(b * th), 0.0), entry.period_pips))


# Pen distance d of the rolling-circle traces by (R, r), shared by the inside and outside member.
SPIRO_PEN_DISTANCES: Mapping[Tuple[int, int], float] = {
    (3, 1): 0.45, (4, 1): 0.6, (5, 2): 1.5, (5, 1): 0.55,
    (7, 2): 1.3, (7, 3): 2.1, (8, 3): 1.8, (9, 4): 3.2,
}


def spiro_inside(R: int, r: int, d: float) -> AngleFormula:
    return lambda th: (
        (R - r) * math.cos(r * th) + d * math.cos((R - r) * th),
        (R - r) * math.sin(r * th) - d * math.sin((R - r) * th),
        0.0,
    )


def spiro_outside(R: int, r: int, d: float) -> AngleFormula:
    return lambda th: (
        (R + r) * math.cos(r * th) - d * math.cos((R + r) * th),
        (R + r) * math.sin(r * th) - d * math.sin((R + r) * th),
        0.0,
    )


SPIRO_KINDS: Mapping[str, Callable[[int, int, float], AngleFormula]] = {"inside": spiro_inside, "outside": spiro_outside}


def spiro(entry: Entry) -> Loop:
    R, r = entry.numbers()
    kind = SPIRO_KINDS[entry.member.split("_")[0]]
    return normalise(closed_loop(kind(R, r, SPIRO_PEN_DISTANCES[(R, r)]), entry.period_pips))


def space_torus(p: int, q: int) -> AngleFormula:
    def formula(th: float) -> Point:
        w = 2.9 + math.cos(q * th)
        return (w * math.cos(p * th), w * math.sin(p * th), 2.1 * math.sin(q * th))

    return formula


def space_weave(a: int, b: int, c: int) -> AngleFormula:
    return lambda th: (0.82 * math.sin(a * th), 0.656 * math.sin(b * th + 0.4), 0.574 * math.cos(c * th + 0.7))


def space(entry: Entry) -> Loop:
    if entry.member.startswith("torus_"):
        return normalise(closed_loop(space_torus(*entry.numbers()), entry.period_pips))
    return closed_loop(space_weave(*entry.numbers()), entry.period_pips)


# Ripple depth c of `orbit_harmonic_01` to `_16`.
ORBIT_RIPPLE_DEPTHS = (0.18, 0.22, 0.25, 0.28, 0.25, 0.2, 0.15, 0.13, 0.34, 0.31, 0.29, 0.26, 0.23, 0.2, 0.17, 0.14)


def orbit(entry: Entry) -> Loop:
    (m,) = entry.numbers()
    q = ((m - 1) % 8) + 2
    c = ORBIT_RIPPLE_DEPTHS[m - 1]
    phi = 0 if m <= 8 else 0.5 + 0.3 * (m - 9)

    def formula(th: float) -> Point:
        return (
            math.cos(th) + c * math.cos(q * th + phi),
            0.72 * math.sin(th) - c * math.sin((q + 1) * th - phi),
            0.0,
        )

    return normalise(closed_loop(formula, entry.period_pips))


# (p, q, r, u, v) of `silhouette_harmonic_01` to `_16`.
SILHOUETTE_HARMONICS = (
    (1, 2, 3, 0.2, 0.16), (1, 3, 5, 0.35, 0.12), (2, 3, 4, 0.3, 0.18), (2, 5, 7, 0.23, 0.16),
    (1, 4, 7, 0.35, 0.21), (3, 4, 5, 0.28, 0.14), (2, 7, 9, 0.19, 0.12), (3, 5, 8, 0.3, 0.17),
    (1, 2, 5, 0.4, 0.22), (1, 5, 8, 0.27, 0.24), (2, 3, 7, 0.34, 0.2), (3, 7, 10, 0.26, 0.16),
    (2, 4, 9, 0.33, 0.23), (3, 4, 9, 0.29, 0.25), (4, 5, 7, 0.25, 0.21), (4, 7, 11, 0.21, 0.16),
)


def silhouette(entry: Entry) -> Loop:
    (m,) = entry.numbers()
    p, q, r, u, v = SILHOUETTE_HARMONICS[m - 1]

    def formula(th: float) -> Point:
        return (
            math.cos(p * th) + u * math.sin(q * th + 0.3) + v * math.cos(r * th),
            0.65 * math.sin(p * th + 0.2) + v * math.sin(q * th) - u * math.cos(r * th + 0.1),
            0.12 * math.sin((p + q) * th) * math.sin(th),
        )
    # The factor comes from twice as many angles as the loop stores, so the stored peak may fall short.
    return normalised_on(formula, entry.period_pips, WIDE_NORMALISING_POINTS)


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
    "ease_rebound": bounce_out,
    "ease_anticipate": back_in,
    "ease_overshoot": back_out,
}


def easing_loop(entry: Entry) -> Loop:
    ease = EASINGS[entry.name]
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
# Gesture sums.

def sticking_sign(hand: str) -> float:
    """R moves to +x, L to −x."""
    return 1.0 if hand == "R" else -1.0


def alternating_sign(position: int) -> float:
    return 1.0 if position % 2 == 0 else -1.0


def euclid_steps(k: int, n: int) -> List[int]:
    """The steps j of an n-step grid that hold one of k evenly spread onsets."""
    return [j for j in range(n) if (j * k) % n < k]


def euclid(entry: Entry) -> Loop:
    k, n = entry.numbers()
    gestures = []
    for position, j in enumerate(euclid_steps(k, n)):
        # The first onset is the phrase accent; the rest alternate sides starting on the left.
        amplitude = (0.75, -0.32, 0.0) if position == 0 else (-alternating_sign(position - 1) * 0.5625, -0.24, 0.0)
        gestures.append(Gesture(EIGHTH_NOTE_PIPS * j, amplitude, half_width=24))
    return gesture_sum(gestures, entry.period_pips)


def meter(entry: Entry) -> Loop:
    gestures = []
    step = 0
    for group, length in enumerate(entry.numbers()):
        for within in range(length):
            time = EIGHTH_NOTE_PIPS * step
            if within == 0:
                gestures.append(Gesture(time, (alternating_sign(group) * 0.72, -0.33, 0.0), half_width=19.2))
            else:
                gestures.append(Gesture(time, (0.0, -0.1134, 0.0504), half_width=32 / 3))
            step += 1
    return gesture_sum(gestures, entry.period_pips)


def poly(entry: Entry) -> Loop:
    m, n = entry.numbers()
    P = entry.period_pips
    h = 22.4
    gestures = [Gesture(0, (0.0, -0.52, 0.22), half_width=h)]
    gestures += [Gesture(P * i / m, (-0.403, -0.169, 0.0), half_width=h) for i in range(1, m)]
    gestures += [Gesture(P * j / n, (0.403, -0.169, 0.143), half_width=h) for j in range(1, n)]
    return gesture_sum(gestures, P)


# Sticking words of the `stick` studies: strokes 0 to 7, answered by the same word hand-swapped.
STICK_WORDS: Mapping[str, str] = {
    "study_01": "RLRRLRLL", "study_02": "RRLRLLRL", "study_03": "RLLRLRRL", "study_04": "RRLLRLRL",
    "study_05": "RLRLRRLL", "study_06": "RRRLLLRL", "study_07": "RLLLRRRL", "study_08": "RRLRRLLL",
    "study_09": "RLRRLLRL", "study_10": "RRLLRLLR", "study_11": "RLRLLRRL", "study_12": "RRRLRLLL",
    "study_13": "RRRRLRLL", "study_14": "RRLLLRRL", "study_15": "RLRRRLLL", "study_16": "RRLRLLLR",
}
STICK_ACCENTS = (0, 4, 8, 12)


def swap_hands(word: str) -> str:
    return word.translate(str.maketrans("RL", "LR"))


def stick(entry: Entry) -> Loop:
    word = STICK_WORDS[entry.member]
    strokes = word + swap_hands(word)
    gestures = []
    for j, hand in enumerate(strokes):
        sign = sticking_sign(hand)
        amplitude = (sign * 0.74, -0.34, 0.0) if j in STICK_ACCENTS else (sign * 0.407, -0.187, 0.0)
        gestures.append(Gesture(EIGHTH_NOTE_PIPS * j, amplitude, half_width=12))
    return gesture_sum(gestures, entry.period_pips)


def swing(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    a, c = entry.numbers()
    gestures = []
    for b in range(8):
        s = alternating_sign(b)
        beat = BEAT_PIPS * b
        offbeat = BEAT_PIPS * b + BEAT_PIPS * a / c
        if not (kind == "skip" and b in (2, 6)):
            amplitude = (0.585, -0.216, 0.0) if b in (0, 4) else (0.4225 * s, -0.156, 0.0)
            gestures.append(Gesture(beat, amplitude, half_width=12.8))
        if kind in ("push", "skip"):
            gestures.append(Gesture(offbeat, (0.075, -0.15, 0.09), half_width=8))
        elif kind == "answer":
            if b >= 4:
                gestures.append(Gesture(offbeat, (-0.325 * s, -0.12, 0.0), half_width=12.8))
        elif kind == "shuffle":
            gestures.append(Gesture(offbeat, (-0.325 * s, -0.12, 0.0), half_width=12.8))
            if b in (3, 7):
                ghost = BEAT_PIPS * b + 32 * a / c
                gestures.append(Gesture(ghost, (0.0525, -0.105, 0.063), half_width=6.4))
        else:
            raise ValueError(f"{entry.name}: unknown swing kind {kind}")
    return gesture_sum(gestures, entry.period_pips)


# ---------------------------------------------------------------------------------------------
# The `rhythm` studies: each member is its own small score.

def rhythm_euclid_even_steps(entry: Entry) -> Loop:
    """k onsets on an n-step grid spread over the whole loop, sides alternating."""
    k, n = entry.numbers()
    P = entry.period_pips
    gestures = [
        Gesture(j * P / n, (alternating_sign(position) * 0.8, -0.3, 0.0), half_width=12)
        for position, j in enumerate(euclid_steps(k, n))
    ]
    return gesture_sum(gestures, P)


def rhythm_euclid_sixteenths(entry: Entry) -> Loop:
    """A sixteen-step grid of sixteenth notes over four beats, played twice; sides alternate throughout."""
    k, n = entry.numbers()
    gestures = []
    position = 0
    for half in range(2):
        for j in euclid_steps(k, n):
            sign = alternating_sign(position)
            amplitude = (sign * 0.76, -0.3, 0.0) if j % 4 == 0 else (sign * 0.5472, -0.216, 0.0)
            gestures.append(Gesture(256 * half + 16 * j, amplitude, half_width=12))
            position += 1
    return gesture_sum(gestures, entry.period_pips)


def rhythm_three_two(entry: Entry) -> Loop:
    gestures = [Gesture(256 * i / 3, (0.78, 0.0, 0.0), half_width=24) for i in range(3)]
    gestures += [Gesture(t, (0.0, 0.78, 0.0), half_width=24) for t in (0, 128)]
    return gesture_sum(gestures, entry.period_pips)


def rhythm_half_time(entry: Entry) -> Loop:
    gestures = [
        Gesture(0, (0.0, 0.85, 0.0), half_width=16),
        Gesture(96, (0.0, 0.4675, 0.0), half_width=16),
        Gesture(128, (0.85, -0.25, 0.0), half_width=16),
        Gesture(224, (-0.4, -0.1, 0.0), half_width=12),
    ]
    return gesture_sum(gestures, entry.period_pips)


# Lateral hits per four beats of the studies that set them against four vertical hits.
LATERAL_HITS: Mapping[str, int] = {"rhythm_five_four": 5, "rhythm_seven_four": 7}


def rhythm_lateral_against_four(entry: Entry) -> Loop:
    """n lateral hits per four beats against four vertical hits, over two bars."""
    n = LATERAL_HITS[entry.name]
    gestures = [Gesture(256 * i / n, (alternating_sign(i) * 0.72, 0.0, 0.0), half_width=12) for i in range(2 * n)]
    gestures += [Gesture(BEAT_PIPS * j, (0.0, alternating_sign(j) * 0.68, 0.0), half_width=12) for j in range(8)]
    return gesture_sum(gestures, entry.period_pips)


# Group starts, bar length, weights and base amplitude of the two grouped-bar studies.
GROUPED_BARS: Mapping[str, Tuple[Tuple[int, ...], int, Tuple[float, ...], Tuple[float, float]]] = {
    "rhythm_group_332": ((0, 96, 192), 256, (1, 0.72, 0.86), (0.76, -0.38)),
    "rhythm_group_223": ((0, 64, 128), 224, (1, 0.7, 0.85), (0.74, -0.4)),
}


def rhythm_grouped_bars(entry: Entry) -> Loop:
    starts, bar, weights, (base_x, base_y) = GROUPED_BARS[entry.name]
    gestures = []
    for repeat in range(2):
        for position, (start, weight) in enumerate(zip(starts, weights)):
            # +, −, + in the first bar and −, +, − in the second.
            sign = alternating_sign(position + repeat)
            gestures.append(Gesture(bar * repeat + start, (sign * (weight * base_x), weight * base_y, 0.0), half_width=16))
    return gesture_sum(gestures, entry.period_pips)


def rhythm_swung_answer(entry: Entry) -> Loop:
    gestures = []
    for b in range(4):
        sigma = 1.0 if b < 2 else -1.0  # the call on the right, the answer on the left
        gestures.append(Gesture(BEAT_PIPS * b, (0.78 * sigma, -0.3, 0.0), half_width=8))
        gestures.append(Gesture(64 * b + 128 / 3, (0.468 * sigma, -0.18, 0.0), half_width=8))
    return gesture_sum(gestures, entry.period_pips)


def rhythm_three_four_five(entry: Entry) -> Loop:
    gestures = [Gesture(512 * i / 3, (0.7, 0.0, 0.0), half_width=24) for i in range(3)]
    gestures += [Gesture(128 * j, (0.0, -0.7, 0.0), half_width=24) for j in range(4)]
    gestures += [Gesture(512 * k / 5, (0.0, 0.0, 0.55), half_width=24) for k in range(5)]
    return gesture_sum(gestures, entry.period_pips)


RHYTHM_RULES: Mapping[str, Callable[[Entry], Loop]] = {
    "rhythm_euclid_3_8": rhythm_euclid_even_steps,
    "rhythm_euclid_5_12": rhythm_euclid_even_steps,
    "rhythm_three_two": rhythm_three_two,
    "rhythm_half_time": rhythm_half_time,
    "rhythm_five_four": rhythm_lateral_against_four,
    "rhythm_seven_four": rhythm_lateral_against_four,
    "rhythm_euclid_7_16": rhythm_euclid_sixteenths,
    "rhythm_euclid_5_16": rhythm_euclid_sixteenths,
    "rhythm_swung_answer": rhythm_swung_answer,
    "rhythm_group_332": rhythm_grouped_bars,
    "rhythm_group_223": rhythm_grouped_bars,
    "rhythm_three_four_five": rhythm_three_four_five,
}


# ---------------------------------------------------------------------------------------------
# The `rudiment` studies.

# Sticking of the triplet studies and the strokes that are accents.
TRIPLET_STICKINGS: Mapping[str, Tuple[str, Tuple[int, ...]]] = {
    "rudiment_double_paradiddle": ("RLRLRR" "LRLRLL", (0, 6)),
    "rudiment_paradiddle_diddle": ("RLRRLL" "LRLLRR", (0, 6)),
    "rudiment_six_stroke": ("RLLRRL" "LRRLLR", (0, 5, 6, 11)),
}
ACCENT_STROKE = (0.82, -0.42)
PLAIN_STROKE = (0.492, -0.252)


def stroke(sign: float, accent: bool) -> Point:
    x, y = ACCENT_STROKE if accent else PLAIN_STROKE
    return (sign * x, y, 0.0)


def rudiment_triplets(entry: Entry) -> Loop:
    sticking, accents = TRIPLET_STICKINGS[entry.name]
    gestures = [
        Gesture(64 * j / 3, stroke(sticking_sign(hand), j in accents), half_width=28 / 3)
        for j, hand in enumerate(sticking)
    ]
    return gesture_sum(gestures, entry.period_pips)


def rudiment_flam_accent(entry: Entry) -> Loop:
    gestures = [
        Gesture(128 * j / 3, stroke(alternating_sign(j), j in (0, 3)), half_width=16) for j in range(6)
    ]
    # Each accent is led, 8 pips early, by a grace stroke of the other hand.
    gestures.append(Gesture(120, (0.2624, -0.1344, 0.0), half_width=8))
    gestures.append(Gesture(248, (-0.2624, -0.1344, 0.0), half_width=8))
    return gesture_sum(gestures, entry.period_pips)


RUDIMENT_RULES: Mapping[str, Callable[[Entry], Loop]] = {
    "rudiment_double_paradiddle": rudiment_triplets,
    "rudiment_paradiddle_diddle": rudiment_triplets,
    "rudiment_six_stroke": rudiment_triplets,
    "rudiment_flam_accent": rudiment_flam_accent,
}


def lfo_ratchet(entry: Entry) -> Loop:
    gestures = [Gesture(16 * k, (0.8 - 0.144 * k, -0.5 + 0.09 * k, 0.0), half_width=8) for k in range(4)]
    return gesture_sum(gestures, entry.period_pips)


# ---------------------------------------------------------------------------------------------
# The registry exports.

def each_member(rule: Callable[[Entry], Loop]) -> Callable[[List[Entry]], List[Loop]]:
    """A family function that applies one rule to every member."""
    return lambda entries: [rule(entry) for entry in entries]


def by_name(rules: Mapping[str, Callable[[Entry], Loop]]) -> Callable[[List[Entry]], List[Loop]]:
    """A family function that looks up each member's own rule."""
    return lambda entries: [rules[entry.name](entry) for entry in entries]


FAMILIES: Dict[str, Callable[[List[Entry]], List[Loop]]] = {
    "rhythm": by_name(RHYTHM_RULES),
    "rudiment": by_name(RUDIMENT_RULES),
    "orbit": each_member(orbit),
    "weave": each_member(weave),
    "spiro": each_member(spiro),
    "space": each_member(space),
    "euclid": each_member(euclid),
    "poly": each_member(poly),
    "meter": each_member(meter),
    "swing": each_member(swing),
    "stick": each_member(stick),
    "silhouette": each_member(silhouette),
}

POLAR_ROSES: Sequence[str] = tuple(f"polar_rose_{k}" for k in (3, 6, 7, 8, 9, 10, 11, 12))

MEMBER_RULES: Dict[str, Callable[[Entry], Loop]] = {
    "lfo_breathe": angle_rule(lfo_breathe),
    "lfo_ratchet": lfo_ratchet,
    "lfo_flower": angle_rule(lfo_flower),
    "lfo_triplet_wobble": angle_rule(lfo_triplet_wobble),
    "lfo_breathing_orbit": angle_rule(lfo_breathing_orbit),
    "ease_rebound": easing_loop,
    "ease_anticipate": easing_loop,
    "ease_overshoot": easing_loop,
    "path_lissajous_2_3": angle_rule(path_lissajous_2_3),
    "path_rose_4": rose_loop,
    "path_rose_5": rose_loop,
    "path_bowed_diamond": angle_rule(path_bowed_diamond),
    "path_torus_knot": angle_rule(path_torus_knot),
    "path_woven_3d": angle_rule(path_woven_3d),
    "path_crank_slider": angle_rule(path_crank_slider),
    "wave_pinched": angle_rule(wave_pinched),
    **{name: rose_loop for name in POLAR_ROSES},
    "mech_scotch_yoke": angle_rule(mech_scotch_yoke),
    "mech_paddle": normalised_rule(mech_paddle),
    "mech_wobble_plate": angle_rule(mech_wobble_plate),
    "mech_piston_balance": angle_rule(mech_piston_balance),
}
