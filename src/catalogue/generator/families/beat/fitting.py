"""Fitting the raw studies of one motion into that motion's peak figures, axis by axis.

Over the studies of a motion the smallest and the largest peak on each axis are fixed figures. Each
axis of each study is scaled on its own: the raw peaks are mapped affinely onto [low, high], so the
calmest score lands on the low figure, the busiest on the high one and the rest keep their order
and their relative spacing. An axis whose low figure is 0 is reached at 0 by studies that do not
move on it at all; the moving ones are scaled in proportion, so none of them collapses to 0.
"""

from __future__ import annotations

from typing import List, Sequence

from ...model import Entry, Loop, Peaks
from ...shaping import peak, scale_axes, spread

AXIS_NAMES = "xyz"
STILL_AXIS = "a study does not move on an axis that its motion needs: "


def motion_axis_targets(raw_peaks: Sequence[float], low: float, high: float) -> List[float]:
    """Target peaks for raw peaks, in the same order.

    Unlike the families fitted by `builders.fitting`, a motion always spans a range, and a raw peak's
    share of it is taken before it is scaled to the range's width.
    """
    top = max(raw_peaks)
    if low == 0.0:
        return [high * raw / top for raw in raw_peaks]
    bottom = min(raw_peaks)
    if top == bottom:
        return [spread(low, high, len(raw_peaks), i) for i in range(len(raw_peaks))]
    return [low + (high - low) * ((raw - bottom) / (top - bottom)) for raw in raw_peaks]


def fit_motion(studies: Sequence[Entry], loops: Sequence[Loop], peaks: Peaks) -> List[Loop]:
    """The loops of one motion's studies, each scaled into `peaks`; a two-dimensional study keeps z at 0."""
    targets = [[0.0, 0.0, 0.0] for _ in loops]
    for axis in range(3):
        figure = peaks.axis(axis)
        members = [i for i in range(len(loops)) if not (axis == 2 and studies[i].dimensions == 2)]
        if not members:
            continue  # only flat studies on this axis: nothing to fit
        raw_peaks = [peak(loops[i], axis) for i in members]
        for i, raw in zip(members, raw_peaks):
            if raw == 0.0:
                raise ValueError(STILL_AXIS + f"{studies[i].name} on {AXIS_NAMES[axis]}")
        for i, target in zip(members, motion_axis_targets(raw_peaks, figure.lowest(), figure.highest())):
            targets[i][axis] = target
    return [scale_axes(loop, targets[i]) for i, loop in enumerate(loops)]
