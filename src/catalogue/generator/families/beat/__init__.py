"""The `beat` family: sixty-eight drum scores, each turned into sixteen kinds of motion.

The scores live in `scores`, one per dance-music style with its headline, period and note, and the
motions in `motions`, each with its subtitle, closing sentence and peak figures. This module crosses
them into the family's members in table order and makes their loops: every score runs through every
motion asked for, the two-dimensional studies are flattened and each motion's studies are fitted
into its peak figures. The two studies of the bare four-to-the-floor pulse follow an exact rule
instead and are left unscaled.
"""

from __future__ import annotations

from typing import Dict, List, Tuple

from ...family import Character, Family, Member, PeakGroup
from ...model import Entry, Loop, Peaks
from ...shaping import Gesture, gesture_sum
from .character import distinct_groups, features, smooth_members
from .fitting import fit_motion
from .motions import MOTION_BY_KEY, MOTIONS, Drums, Motion, drums_of, study_loop
from .scores import SCORE_BY_STYLE, SCORES, Score

EM_DASH = "\N{EM DASH}"
UNKNOWN_MOTION = "a style names a two-dimensional motion that is not in the motion table: "


def description(style: Score, motion: Motion) -> str:
    """Headline, an em dash, the motion's subtitle, then the closing sentence (possibly empty)."""
    return f"{style.headline} {EM_DASH} {motion.subtitle_for(style)}. {motion.closing_for(style)}"


def study_order() -> List[Tuple[Score, Motion]]:
    """Every style crossed with every motion, in table order.

    The styles with a note list their note-led studies together, style after style, before the rest
    of their studies; the styles without a note list all their studies together.
    """
    noted = [style for style in SCORES if style.note is not None]
    unnoted = [style for style in SCORES if style.note is None]
    note_led = [motion for motion in MOTIONS if motion.note_led]
    others = [motion for motion in MOTIONS if not motion.note_led]
    return (
        [(style, motion) for style in noted for motion in note_led]
        + [(style, motion) for style in noted for motion in others]
        + [(style, motion) for style in unnoted for motion in MOTIONS]
    )


def study(style: Score, motion: Motion) -> Member:
    for key in style.two_dimensional_motions:
        if key not in MOTION_BY_KEY:
            raise ValueError(UNKNOWN_MOTION + f"{style.style} {key}")
    dimensions = 2 if motion.key in style.two_dimensional_motions else 3
    return Member(f"{style.style}_{motion.key}", style.period_pips, dimensions, description(style, motion))


MEMBERS = tuple(study(style, motion) for style, motion in study_order())

PEAKS = Peaks.of("0-0.856", "0.052-0.92", "0-0.92")


def style_and_motion(member: str) -> Tuple[str, str]:
    """The style key and the motion key of a study; the motion key is always the last word."""
    style_key, motion_key = member.rsplit("_", 1)
    return style_key, motion_key


# Each motion's studies reach figures of their own.
MOTION_GROUPS = tuple(
    PeakGroup(
        f"beat motion {motion.key}",
        motion.peaks,
        frozenset(member.name for member in MEMBERS if style_and_motion(member.name)[1] == motion.key),
    )
    for motion in MOTIONS
)


# ---------------------------------------------------------------------------------------------
# The exact rule of the bare pulse: one event per kick, each an asymmetric bump that rises over 6.4
# pips and falls over 29.44. The bounce lifts on y alone, the step moves to alternate sides and dips.

KICK_TIMES = (0, 64, 128, 192)
KICK_RISE = 6.4
KICK_FALL = 29.44


def four_floor_bounce(entry: Entry) -> Loop:
    return gesture_sum(
        [Gesture(t, (0.0, 0.55, 0.0), rise=KICK_RISE, fall=KICK_FALL) for t in KICK_TIMES], entry.period_pips
    )


def four_floor_step(entry: Entry) -> Loop:
    sides = (1.0, -1.0, 1.0, -1.0)
    return gesture_sum(
        [Gesture(t, (0.42 * side, -0.22, 0.0), rise=KICK_RISE, fall=KICK_FALL) for t, side in zip(KICK_TIMES, sides)],
        entry.period_pips,
    )


# ---------------------------------------------------------------------------------------------
# The authored studies.

def generate(entries: List[Entry]) -> List[Loop]:
    """One raw loop per `beat` entry, in the order given, each fitted with its motion's other studies."""
    drums: Dict[str, Drums] = {}
    loops: List[Loop] = []
    by_motion: Dict[str, List[int]] = {}
    for position, entry in enumerate(entries):
        style, motion = style_and_motion(entry.member)
        by_motion.setdefault(motion, []).append(position)
        if style not in drums:
            drums[style] = drums_of(SCORE_BY_STYLE[style])
        loops.append(study_loop(MOTION_BY_KEY[motion], drums[style], entry.dimensions))
    for motion, positions in by_motion.items():
        fitted = fit_motion([entries[i] for i in positions], [loops[i] for i in positions], MOTION_BY_KEY[motion].peaks)
        for i, loop in zip(positions, fitted):
            loops[i] = loop
    return loops


FAMILY = Family(
    "beat",
    MEMBERS,
    PEAKS,
    exact={"four_floor_bounce": four_floor_bounce, "four_floor_step": four_floor_step},
    authored=generate,
    member_groups=MOTION_GROUPS,
    # The studies are apart within each motion, as the character's groups say, not across the family.
    character=Character(apart=False, distinct_groups=distinct_groups(), features=features(), smooth=smooth_members()),
)
