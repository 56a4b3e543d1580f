"""The `polar` family: signed-radius roses, which follow the exact rose rule, and positive-radius
scalloped loops with one asymmetrically bent lobe, which are authored."""

from __future__ import annotations

import math
from typing import Dict, Tuple

from ..builders.curves import rose_loop
from ..builders.sampling import phase_loop, raised_cosine
from ..family import Character, Family, by_member, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, Vector, scale_axes

MEMBERS = templated_members(
    words(
        "rose_3 rose_6 rose_7 rose_8 rose_9 rose_10 rose_11 rose_12"
        " scallop_2 scallop_3 scallop_4 scallop_5 scallop_6 scallop_7 scallop_8 scallop_9"
    ),
    period=1024,
    dimensions=2,
    description={
        "rose": "A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.",
        "scallop": "A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.",
    },
)

PEAKS = Peaks.of("0.82", "0.441-0.82", "0")

SCALLOP_DEPTH = 0.24  # below 1, so the radius 1 + depth·cos(…) never reaches the centre
SCALLOP_X_PEAK = PEAKS.x.highest()
SCALLOP_BEND_SHARPNESS = 4


# member -> (lobe count, phase bend in radians, angle the bend is centred on, y peak)
SCALLOPS: Dict[str, Tuple[int, float, float, float]] = {
    "scallop_2": (2, 0.9, 0.7, 0.441),
    "scallop_3": (3, 1.1, 2.1, 0.62),
    "scallop_4": (4, 1.2, 4.0, 0.5),
    "scallop_5": (5, 1.0, 5.3, 0.7),
    "scallop_6": (6, 1.3, 1.2, 0.56),
    "scallop_7": (7, 1.15, 3.1, 0.76),
    "scallop_8": (8, 1.25, 4.6, 0.47),
    "scallop_9": (9, 1.05, 0.3, 0.8),
}


def _scallop(entry: Entry) -> Loop:
    lobes, bend, centre, y_peak = SCALLOPS[entry.member]

    def shape(u: float) -> Vector:
        angle = TAU * u
        # the bend shifts the lobe phase only near `centre`, so one lobe leans and the others stay even
        lobe_phase = lobes * angle + bend * raised_cosine(angle, centre, SCALLOP_BEND_SHARPNESS)
        radius = 1.0 + SCALLOP_DEPTH * math.cos(lobe_phase)
        return (radius * math.cos(angle), radius * math.sin(angle), 0.0)

    return scale_axes(phase_loop(entry.period_pips, shape), (SCALLOP_X_PEAK, y_peak, 0.0))


CHARACTER = Character()

FAMILY = Family(
    "polar",
    MEMBERS,
    PEAKS,
    exact={member.name: rose_loop for member in MEMBERS if member.name.startswith("rose_")},
    authored=by_member({member: _scallop for member in SCALLOPS}),
    character=CHARACTER,
)
