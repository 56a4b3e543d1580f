"""A logged performance rendered offline, pip by pip, with no sockets and no waiting: what the show
played at each pip of a span, as a recording whose axes are the fixtures' x, y and z (`f1_x`,
`f1_y`, `f1_z`, `f2_x`, ...), in the recording CSV the tool reads back.

The render follows the performance as the log tells it: from the show's start pip, each logged
command is performed again at the pip it arrived at (as a replay performs it), and every pip the
clock passes on the way is worked out by the same rig as a live frame, as whole pips (the module's
exact values). A pip the performance played more than once (after a jump back) keeps what it showed
the last time; a pip it never played (skipped by a jump ahead) shows what the show plays there once
every logged command is performed.
"""

from __future__ import annotations

import math
from collections.abc import Sequence
from fractions import Fraction

from pivolet_show.motion.axes import AXES
from pivolet_show.show.clock import PipReading, TempoClock
from pivolet_show.show.control import Control
from pivolet_show.show.plan import ShowPlan
from pivolet_show.show.replay import TRANSPORT
from pivolet_show.show.rig import Rig
from pivolet_show.show.show_log import ControlEvent

LARGEST_RENDER_PIPS = 2**22

EMPTY_SPAN = "the span from pip {first} to pip {end} holds no pip: --to-pip comes after --from-pip"
TOO_MANY_PIPS = "a render holds at most {largest} pips, not {count}"


def render_performance(plan: ShowPlan, events: Sequence[ControlEvent], first_pip: int,
                       end_pip: int) -> dict[int, list[float]]:
    """Each pip from `first_pip` up to `end_pip` (not included), with every fixture's x, y and z in
    fixture order."""
    if end_pip <= first_pip:
        raise ValueError(EMPTY_SPAN.format(first=first_pip, end=end_pip))
    if end_pip - first_pip > LARGEST_RENDER_PIPS:
        raise ValueError(TOO_MANY_PIPS.format(largest=LARGEST_RENDER_PIPS, count=end_pip - first_pip))
    rig = Rig.of_plan(plan)
    now = [0]
    clock = TempoClock(plan.bpm, plan.start_pip, origin_ns=0, beats_per_bar=plan.beats_per_bar, now=lambda: now[0])
    control = Control(clock, rig)
    rows: dict[int, list[float]] = {}

    def play(first: int, end: int) -> None:
        for pip in range(max(first, first_pip), min(end, end_pip)):
            rows[pip] = [value for state in rig.states(PipReading(pip, 0.0)) for value in state.position]

    visiting = plan.start_pip  # the next pip the clock reaches
    for event in events:
        if event.refused is not None:
            continue
        play(visiting, math.ceil(event.arrived))
        visiting = max(visiting, math.ceil(event.arrived))
        at_ns = clock.ns_at_pip(event.arrived)
        now[0] = max(now[0], now[0] if at_ns is None else at_ns)
        arrived = clock.exact_pip_at(now[0])
        try:
            control.perform(event.command, event.values, now[0], TRANSPORT, replayed=event)
        except ValueError:
            continue  # refused now as in a replay (a command for another show's cues): the render goes on
        if clock.exact_pip_at(now[0]) != arrived:
            visiting = math.floor(clock.exact_pip_at(now[0]))  # the clock jumped
    play(visiting, end_pip)
    play_missing = [pip for pip in range(first_pip, end_pip) if pip not in rows]
    for pip in play_missing:
        rows[pip] = [value for state in rig.states(PipReading(pip, 0.0)) for value in state.position]
    return rows


def recording_csv(rows: dict[int, list[float]], fixture_count: int, bpm: Fraction) -> bytes:
    """The rows as a recording file: its tempo and first pip on a comment line, a pip column, then
    one column per fixture axis, numbers in Python's shortest round-trip text."""
    first = min(rows)
    header = ["pip"] + [f"f{number}_{axis}" for number in range(1, fixture_count + 1) for axis in AXES]
    lines = [f"# bpm={float(bpm)!r} start_pip={first}", ",".join(header)]
    lines += [",".join([str(pip), *map(repr, rows[pip])]) for pip in sorted(rows)]
    return ("\n".join(lines) + "\n").encode("ascii")
