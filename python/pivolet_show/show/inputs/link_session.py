"""Ableton Link as a sync source, through LinkPython-extern: the show's pip is the Link session's
beat times 64 at every instant, so the bars fall on the session's quantum.

Every few milliseconds, between frames, the session's state is captured (a snapshot: tempo, the
beat at any instant, the transport) and turned into the anchor the clock reads from: the beat at
the present instant and the session's tempo. The pip is never accumulated: a tempo change made by
any peer re-anchors the clock on the session's own timeline, so nothing jumps. The clock keeps its
anchor while the session's agrees with it to a hundredth of a pip, so a frame worked out ahead stays
good while nothing changes.

Link counts on its own clock (microseconds); the player on `time.monotonic_ns`. The offset between
the two is read afresh at every poll, next to its use, since the two may drift apart slowly.

With start/stop sync, the show holds while the session's transport is stopped (at the beat where it
stopped), and when it starts, waits for the first bar line at or after the start, then runs on the
session's beat from there.

No Python callback is registered with Link: its threads would have to take the interpreter's lock
to deliver one, which can deadlock with Link's shutdown. Peers, tempo and transport are polled.
"""

from __future__ import annotations

import math
import time
from fractions import Fraction
from typing import Any

import pivolet

from pivolet_show.show.clock import Anchor, TempoClock
from pivolet_show.show.status import tempo_text

LABEL = "Link"
POLL_INTERVAL_NS = 5_000_000
# The clock keeps its anchor while the session's beat is within this of it.
PIP_TOLERANCE = Fraction(1, 100)
START_TOLERANCE_NS = 10_000


def same_course(current: Anchor, wanted: Anchor) -> bool:
    """Whether `current` reads as `wanted` does, to within the tolerances, from `wanted`'s instant on."""
    if (current.held, current.waiting, current.bpm) != (wanted.held, wanted.waiting, wanted.bpm):
        return False
    if (current.ceiling is None) != (wanted.ceiling is None):
        return False
    if wanted.ceiling is not None and abs(current.ceiling - wanted.ceiling) > PIP_TOLERANCE:  # type: ignore[operator]
        return False
    if wanted.waiting and abs(current.at_ns - wanted.at_ns) > START_TOLERANCE_NS:
        return False
    return abs(current.exact_pip_at(wanted.at_ns) - wanted.pip) <= PIP_TOLERANCE


class LinkSession:
    """Joins the Link session and keeps `clock` on its beat, with bars of `quantum` beats."""

    label = LABEL
    sockets: tuple[Any, ...] = ()
    interval_ns: int | None = POLL_INTERVAL_NS

    def __init__(self, clock: TempoClock, quantum: int, start_stop: bool):
        import link  # only a show that follows Link pays for it

        self._clock = clock
        self.quantum = quantum
        self._start_stop = start_stop
        self._link: Any = link.Link(float(clock.bpm))
        self._link_clock = self._link.clock()
        self._link.startStopSyncEnabled = start_stop
        self._link.enabled = True
        self.peers = 0
        self.tempo = float(clock.bpm)
        self.phase = 0.0
        self.playing = True

    def poll(self, now_ns: int) -> None:
        offset_ns = self._link_clock.micros() * 1000 - time.monotonic_ns()
        link_us = (now_ns + offset_ns) // 1000
        state = self._link.captureAppSessionState()
        self.peers = self._link.numPeers()
        self.tempo = state.tempo()
        self.phase = state.phaseAtTime(link_us, float(self.quantum))
        self.playing = not self._start_stop or state.isPlaying()
        wanted = self.anchor(state, link_us, offset_ns)
        if not same_course(self._clock.anchor, wanted):
            self._clock.place(wanted)

    def anchor(self, state: Any, link_us: int, offset_ns: int) -> Anchor:
        """The anchor that reads the session `state` as of `link_us` on Link's clock."""
        quantum = float(self.quantum)
        bpm = Fraction(state.tempo())

        def pip_at(at_us: int) -> Fraction:
            return Fraction(state.beatAtTime(at_us, quantum)) * pivolet.PIPS_PER_BEAT

        at_ns = link_us * 1000 - offset_ns
        if not self._start_stop:
            return Anchor(at_ns, pip_at(link_us), bpm)
        since_us = state.timeForIsPlaying()
        if state.isPlaying():
            bar_beat = math.ceil(state.beatAtTime(since_us, quantum) / quantum) * self.quantum
            bar_us = round(state.timeAtBeat(float(bar_beat), quantum))
            if bar_us > link_us:
                return Anchor(bar_us * 1000 - offset_ns, Fraction(bar_beat * pivolet.PIPS_PER_BEAT), bpm, waiting=True)
            return Anchor(at_ns, pip_at(link_us), bpm)
        if since_us <= link_us:
            return Anchor(at_ns, pip_at(since_us), bpm, held=True)
        return Anchor(at_ns, pip_at(link_us), bpm, ceiling=pip_at(since_us))

    def read(self, readable: Any) -> None:
        pass

    def status(self) -> str:
        peers = f"{self.peers} peer" + ("" if self.peers == 1 else "s")
        text = f"{peers}, {tempo_text(Fraction(round(self.tempo, 3)))} BPM, phase {self.phase:.2f} of {self.quantum}"
        return text if self.playing else text + ", stopped"

    def close(self) -> None:
        if self._link is not None:
            self._link.enabled = False
            self._link = None
