"""Where each head of a rig turns over what it plays, in its own degrees, and what a programmer
should know before the heads are hung: the pips where a head that aims cannot reach its point, and
where a head is asked to turn faster than its top speed.

A head's track covers one loop of its source from the loop's first pip (a recording: its recorded
pips), as the rig plays it at whole pips; each row also has the clock's pip where the head first
plays it (its own pip plus its phase, within the loop), which is the pip a report names.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence

import numpy as np

from pivolet_show.motion.sources import PatternSource, RecordingSource
from pivolet_show.show.dmx.profile import AxisRange
from pivolet_show.show.group_aim import transformed
from pivolet_show.show.head_speed import too_fast
from pivolet_show.show.plan import ShowPlan
from pivolet_show.show.rig import Rig

OUT_OF_REACH = ("fixture {number} cannot reach its point at pip {pip}: it holds at the nearest aim it reaches "
                "(its pan reaches {pan[0]:g} to {pan[1]:g} degrees, its tilt {tilt[0]:g} to {tilt[1]:g})")


@dataclasses.dataclass(frozen=True)
class HeadTrack:
    """One head's pan and tilt in degrees at each row of what it plays, with the clock's pip of
    each row, its travel and reach (lowest, highest), and the rows whose point it cannot reach."""

    number: int
    head: str
    pan: np.ndarray
    tilt: np.ndarray
    pips: np.ndarray
    looping: bool
    pan_travel: tuple[float, float]
    tilt_travel: tuple[float, float]
    pan_reach: tuple[float, float]
    tilt_reach: tuple[float, float]
    out_of_reach: np.ndarray


def degrees_of(axis: AxisRange, values: np.ndarray) -> np.ndarray:
    """The angles the motion's values (in [-1, 1]) turn a head's axis to, as its DMX values do."""
    scale, lowest, highest = axis.coefficients()
    first, last = axis.ends
    return (first + last) / 2 + np.minimum(np.maximum(values * scale, lowest), highest) * (last - first) / 2


def head_tracks(plan: ShowPlan, rig: Rig) -> list[HeadTrack]:
    """The track of every fixture of the rig, in fixture order."""
    tracks = []
    for fixture, request in zip(rig.fixtures, plan.patch_requests):
        profile = request.profile
        table = rig.table(fixture.source)
        looping = isinstance(fixture.source, PatternSource)
        rows = np.arange(len(table))
        if isinstance(fixture.source, RecordingSource):
            pips = fixture.source.first_pip + rows + fixture.phase
        else:
            pips = (rows + fixture.phase) % len(table)
        if fixture.aim is not None:
            group_aim, heads = rig.aims(fixture.source)
            column = heads[fixture.number]
            pan, tilt = group_aim.pan[:, column], group_aim.tilt[:, column]
            missed = np.flatnonzero(~group_aim.reached[:, column])
        else:
            matrix = None if fixture.transform.is_identity else fixture.transform.matrix()
            positions = transformed(table, matrix)
            pan, tilt = degrees_of(profile.pan, positions[:, 0]), degrees_of(profile.tilt, positions[:, 1])
            missed = np.zeros(0, dtype=np.int64)
        tracks.append(HeadTrack(fixture.number, request.head, pan, tilt, pips, looping,
                                tuple(sorted(profile.pan.ends)), tuple(sorted(profile.tilt.ends)),  # type: ignore[arg-type]
                                profile.pan.reach, profile.tilt.reach, missed))
    return tracks


def too_fast_rows(plan: ShowPlan, track: HeadTrack) -> dict[str, tuple[int, str]]:
    """Per axis the head turns too fast on, the row where it does so fastest, and what to say."""
    found = {}
    tops = plan.patch_requests[track.number - 1].top_speeds
    for axis, degrees, top in (("pan", track.pan, tops[0]), ("tilt", track.tilt, tops[1])):
        for each in too_fast([track.number], axis, degrees[:, None], [top], plan.bpm, track.looping, track.pips[:, None]):
            found[axis] = (int(np.flatnonzero(track.pips == each.pip)[0]), str(each))
    return found


def head_notes(plan: ShowPlan, tracks: Sequence[HeadTrack]) -> list[str]:
    """What to say about the heads, one line each: points out of reach, turns too fast."""
    notes = []
    for track in tracks:
        if len(track.out_of_reach):
            notes.append(OUT_OF_REACH.format(number=track.number, pip=int(track.pips[track.out_of_reach].min()),
                                             pan=track.pan_reach, tilt=track.tilt_reach))
        notes += [text for _, text in too_fast_rows(plan, track).values()]
    return notes


def needs_report(plan: ShowPlan) -> bool:
    """Whether any head aims or has a top speed, so that there can be something to report."""
    return any(fixture.aim is not None for fixture in plan.fixtures) or any(
        speed is not None for request in plan.patch_requests for speed in request.top_speeds)
