"""The `env` family: vertical envelopes over an eight-beat phrase, eased from level to level and
resting at 0 where the loop joins."""

from __future__ import annotations

from typing import Dict, Tuple

from ..builders.sampling import Key, eased_path
from ..family import Character, Family, by_member, member_names, templated_members
from ..model import Entry, Loop, Peaks
from ..shaping import PIPS_PER_BEAT, scale_axes

MEMBERS = templated_members(
    (
        ("lift_hold_drop", "Lift, hold, settle"), ("inhale_exhale", "Long inhale, short exhale"),
        ("triple_swell", "Three unequal swells"), ("rising_echo", "Rising echo ladder"),
        ("falling_echo", "Falling echo ladder"), ("anticipation", "Backward anticipation"),
        ("plateau_scoop", "Plateau then scoop"), ("hesitant", "Hesitant reach"),
        ("double_hold", "Two-height hold"), ("swell_recoil", "Deep swell and recoil"),
        ("late_release", "Late release"), ("split_attack", "Split attack"),
        ("suspended", "Suspended answer"), ("valley_peaks", "Valley between peaks"),
        ("four_breaths", "Four breathing accents"), ("return_stair", "Stepped soft recovery"),
    ),
    period=512,
    dimensions=2,
    description="{label} over an eight-beat phrase; smooth, resting joins.",
)

PEAKS = Peaks.of("0", "0.7-0.82", "0")


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
    keys = [Key(PIPS_PER_BEAT * beat, (0.0, float(level), 0.0)) for beat, level in ENV_KEYS[entry.member]]
    return scale_axes(eased_path(keys, entry.period_pips), (0.0, ENV_PEAKS[entry.member], 0.0))


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family(
    "env", MEMBERS, PEAKS, authored=by_member({member: _env_member for member in ENV_KEYS}), character=CHARACTER
)
