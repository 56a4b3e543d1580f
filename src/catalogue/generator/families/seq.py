"""The `seq` family: programmed position sequences of eight held steps with softened glides between
them, in even or lilting (long-short) segment durations."""

from __future__ import annotations

import functools
from typing import Dict, List, Tuple

from ..builders.sampling import Key, eased_path
from ..family import Character, Family, MemberBuilder, by_member, member_names, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import scale_axes

MEMBERS = templated_members(
    words(
        "up_down_even up_down_lilt pendulum_even pendulum_lilt octave_even octave_lilt unequal_even"
        " unequal_lilt question_even question_lilt answer_even answer_lilt ratchet_even ratchet_lilt"
        " stairs_even stairs_lilt"
    ),
    period=512,
    dimensions=2,
    description="A programmed position sequence with {last} segment durations and softened transitions.",
)

PEAKS = Peaks.of("0.82", "0.249-0.287", "0")


STEP_COUNT = 8
LILT_WEIGHTS = (2, 1)  # long-short pairs, two to one like a triplet swing
# Each step glides into the next over the last 40 % of an even step's duration, long or short step
# alike, so that the short steps of a lilt keep the even steps' unhurried glides.
GLIDE_SHARE = 0.4


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

SEQ_X_PEAK = PEAKS.x.highest()
SEQ_Y_LOW = PEAKS.y.lowest()
SEQ_Y_HIGH = PEAKS.y.highest()


def segment_durations(member: str, period: int) -> List[float]:
    """Pip durations of the steps: all equal for `…_even`, long-short pairs for `…_lilt`."""
    if member.endswith("_even"):
        return [period / STEP_COUNT] * STEP_COUNT
    pair = LILT_WEIGHTS[0] + LILT_WEIGHTS[1]
    return [period * LILT_WEIGHTS[i % 2] / (pair * STEP_COUNT / 2) for i in range(STEP_COUNT)]


def seq_keys(member: str, period: int) -> List[Key]:
    """A hold at each programmed position, then a softened glide into the next one."""
    steps = SEQ_STEPS[member.rsplit("_", 1)[0]]
    glide = GLIDE_SHARE * period / STEP_COUNT
    keys: List[Key] = []
    start = 0.0
    for (x, y), duration in zip(steps, segment_durations(member, period)):
        point = (float(x), float(y), 0.0)
        keys.append(Key(start, point))
        keys.append(Key(start + duration - glide, point))
        start += duration
    return keys


def _seq_member(entry: Entry, y_peak: float) -> Loop:
    return scale_axes(eased_path(seq_keys(entry.member, entry.period_pips), entry.period_pips), (SEQ_X_PEAK, y_peak, 0.0))


def _seq_builders() -> Dict[str, MemberBuilder]:
    members = [member.name for member in MEMBERS]
    builders: Dict[str, MemberBuilder] = {}
    for position, member in enumerate(members):
        # the vertical lane's peak is spread evenly over the sixteen members in table order
        y_peak = SEQ_Y_LOW + (SEQ_Y_HIGH - SEQ_Y_LOW) * position / (len(members) - 1)
        builders[member] = functools.partial(_seq_member, y_peak=y_peak)
    return builders


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("seq", MEMBERS, PEAKS, authored=by_member(_seq_builders()), character=CHARACTER)
