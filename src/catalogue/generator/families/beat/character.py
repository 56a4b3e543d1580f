"""What the `beat` studies promise of their motion, as the data that the generator's checks read.

Every style shows in every motion: of the style pairs of a motion, at most a tenth may lie closer
than a quarter of the motion's peak (its largest peak figure over x, y and z). Some pairs must lie
that far apart in every motion, because telling them apart is what the styles are about, and some
scores carry a feature that must move the point by as much on its own: the study without it lies at
least as far away. The motions whose descriptions promise smooth, rounded or gliding motion move
smoothly.
"""

from __future__ import annotations

from dataclasses import replace
from typing import Callable, FrozenSet, Sequence, Tuple

from ...family import DistinctGroup, Feature, WithoutFeature
from ...model import Entry, Loop
from ...shaping import peak
from .motions import MOTION_BY_KEY, MOTIONS, Motion, drums_of, study_loop
from .scores import DRILL_HAT_GRID, SCORE_BY_STYLE, SCORES, TRAP_HAT_GRID, Score

# Of a motion's style pairs, at most this share may lie closer than a quarter of its peak.
CLOSE_SHARE = 0.10

# Style pairs that are never counted: the second is the first with its ghost snares removed.
EXEMPT_PAIRS: Tuple[Tuple[str, str], ...] = (("amen_four_bar", "amen_no_ghosts"),)

# Style pairs that lie apart in every motion, and what tells them apart.
CONTRASTS: Tuple[Tuple[str, str, str], ...] = (
    ("son_clave_32", "son_clave_23", "the clave's two directions"),
    ("techno_drive", "house_classic", "driving techno against house"),
    ("techno_broken", "techno_drive", "broken kicks against four on the floor"),
    ("ukg_two_step", "ukg_four_four", "two-step garage against four-four garage"),
)

# Features of a score that move the point in every motion: the style, the feature and its score
# without it.
FEATURES: Tuple[Tuple[str, str, Callable[[Score], Score]], ...] = (
    ("son_clave_32", "the clave", lambda score: replace(score, perc=())),
    ("son_clave_23", "the clave", lambda score: replace(score, perc=())),
    ("afro_cross", "the three-over-four percussion", lambda score: replace(score, perc=())),
    ("trap_trills", "the hat trills", lambda score: replace(score, hats=TRAP_HAT_GRID)),
    ("drill_rolls", "the triplet hat fill", lambda score: replace(score, hats=DRILL_HAT_GRID)),
)

# The motions whose descriptions promise smooth motion: a glide and its continuous phrase path,
# rounded corners, a continuous seam and smooth excursions.
SMOOTH_MOTIONS: Tuple[str, ...] = ("glide", "box", "spiral", "ricochet")


def close_limit(motion: Motion) -> float:
    """A quarter of the motion's peak: its largest peak figure over x, y and z."""
    return max(motion.peaks.axis(axis).highest() for axis in range(3)) / 4


def study_name(style: str, motion: Motion) -> str:
    return f"{style}_{motion.key}"


def distinct_groups() -> Tuple[DistinctGroup, ...]:
    """For every motion, all its studies, then each contrasting pair on its own."""
    exempt = frozenset(
        frozenset(study_name(style, motion) for style in pair) for motion in MOTIONS for pair in EXEMPT_PAIRS)
    groups = []
    for motion in MOTIONS:
        studies = tuple(study_name(score.style, motion) for score in SCORES)
        groups.append(DistinctGroup(f"beat motion {motion.key}", studies, close_limit(motion), CLOSE_SHARE, exempt))
    for motion in MOTIONS:
        for first, second, reason in CONTRASTS:
            pair = (study_name(first, motion), study_name(second, motion))
            groups.append(DistinctGroup(f"beat motion {motion.key}, {reason}", pair, close_limit(motion)))
    return tuple(groups)


def without_feature(score: Score, bare: Score, motion: Motion) -> WithoutFeature:
    """The study of `bare` scaled on each axis by the factor that fitted the stored study of `score`."""

    def loop_without(entry: Entry, block: Sequence[float]) -> Loop:
        raw = study_loop(motion, drums_of(score), entry.dimensions)
        factors = []
        for axis in range(3):
            stored = max(abs(v) for v in block[axis::3])
            factors.append(stored / peak(raw, axis) if stored else 0.0)
        fx, fy, fz = factors
        return [(x * fx, y * fy, z * fz) for x, y, z in study_loop(motion, drums_of(bare), entry.dimensions)]

    return loop_without


def features() -> Tuple[Feature, ...]:
    """Every feature in every motion."""
    found = []
    for style, feature, bare in FEATURES:
        score = SCORE_BY_STYLE[style]
        for motion in MOTIONS:
            without = without_feature(score, bare(score), motion)
            found.append(Feature(study_name(style, motion), feature, close_limit(motion), without))
    return tuple(found)


def smooth_members() -> FrozenSet[str]:
    return frozenset(study_name(score.style, MOTION_BY_KEY[key]) for key in SMOOTH_MOTIONS for score in SCORES)
