"""The `beat` family: sixty-eight drum scores, each turned into sixteen kinds of motion.

The scores live in `scores`, the motions in `motions`; this module runs every score through every
motion asked for, flattens the two-dimensional studies and fits each motion's studies into its peak
figures. The two studies of the bare four-to-the-floor pulse that follow a closed rule are made by
that rule and left unscaled.
"""

from __future__ import annotations

from typing import Dict, List

from ...model import Entry, Loop
from ...table import beat_style_and_motion, motion_peaks
from .exact import EXACT_STUDIES
from .fitting import fit_motion
from .motions import MOTIONS, Drums, drums_of
from .scores import SCORE_BY_STYLE

PERIOD_MISMATCH = "a score's loop differs from its study's period: "


def _flattened(loop: Loop) -> Loop:
    return [(x, y, 0.0) for x, y, _ in loop]


def generate(entries: List[Entry]) -> List[Loop]:
    """One raw loop per `beat` entry, in the order given."""
    drums: Dict[str, Drums] = {}
    loops: List[Loop] = []
    by_motion: Dict[str, List[int]] = {}
    for position, entry in enumerate(entries):
        style, motion = beat_style_and_motion(entry)
        by_motion.setdefault(motion, []).append(position)
        if entry.name in EXACT_STUDIES:
            loops.append(EXACT_STUDIES[entry.name]())
            continue
        score = SCORE_BY_STYLE[style]
        if score.period != entry.period_pips:
            raise ValueError(PERIOD_MISMATCH + entry.name)
        if style not in drums:
            drums[style] = drums_of(score)
        loop = MOTIONS[motion](drums[style])
        loops.append(_flattened(loop) if entry.dimensions == 2 else loop)
    for motion, positions in by_motion.items():
        fitted = fit_motion(
            motion,
            [loops[i] for i in positions],
            [entries[i].name in EXACT_STUDIES for i in positions],
            [entries[i].dimensions == 2 for i in positions],
            motion_peaks(motion),
        )
        for i, loop in zip(positions, fitted):
            loops[i] = loop
    return loops


FAMILIES = {"beat": generate}
