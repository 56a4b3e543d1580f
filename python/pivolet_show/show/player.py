"""Plays a rig on its outputs, each at its own frame rate, frame by frame at absolute deadlines, and
reads its inputs between frames.

Frame k of an output is due at start + k / fps on the monotonic clock, and carries the pips of
that instant plus the output's latency (never a step added to the last frame's), so that a device
that shows what it gets some milliseconds late shows it on the beat. A frame is worked out ahead
while there is time, and sent at its deadline. A frame whose sending is done more than half a
period after its deadline counts as late; one whose deadline has passed when the next one is due is
never sent (a late output catches up with the present frame instead of queueing the past) and
counts as skipped. So an output never sends faster than its frame rate, except for one late frame
followed by an on-time one.

The player waits for its deadlines in a selector over its inputs' sockets and a wake-up socket, so
an input is read, and a change asked for from another thread (`call_soon`) is applied, between
frames, on the player's own thread: the show's state has one writer. An input that asks to be
polled (a sync source reading its session) is polled at its interval in the same way, and an
action asked for at an instant (`call_at`, as a replay asks for its logged commands) runs at that
instant, before any frame due then is sent. A frame
worked out ahead is kept with the clock's anchor and the rig's version it was worked out from, and
worked out again if either has changed by the time it is due.
"""

from __future__ import annotations

import collections
import contextlib
import dataclasses
import heapq
import itertools
import selectors
import socket
import time
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import Any

from pivolet_show.show.clock import Anchor, PipReading, TempoClock
from pivolet_show.show.inputs.protocol import Input
from pivolet_show.show.outputs.protocol import Output
from pivolet_show.show.rig import FixtureFrame, Rig

NANOSECONDS = 10**9
# A frame is worked out ahead only if it will very likely be done this long before the next deadline.
AHEAD_MARGIN_NS = 300_000
STATUS_INTERVAL_NS = 250_000_000
WAKE_BYTE = b"\x00"
MOST_WAKE_BYTES = 4096

Wait = Callable[[selectors.BaseSelector, int], list[tuple[selectors.SelectorKey, int]]]
# Told of every frame sent: the output, the frame's index, what its fixtures played, the output's counts.
FrameWatcher = Callable[[Output, int, FixtureFrame, "OutputCounts"], None]


def wait_on(selector: selectors.BaseSelector, deadline_ns: int) -> list[tuple[selectors.SelectorKey, int]]:
    """Waits until `deadline_ns` on the monotonic clock, or less if a socket of `selector` becomes
    readable. The time left is read at the last moment, so that nothing done before the wait
    delays the wake-up."""
    return selector.select(max(0, deadline_ns - time.monotonic_ns()) / NANOSECONDS)


@dataclasses.dataclass
class OutputCounts:
    """What happened to one output's frames."""

    label: str
    sent: int = 0
    late: int = 0
    skipped: int = 0
    failed: int = 0
    last_failure: str = ""  # why the last frame that failed could not be sent
    closing_failed: int = 0  # packets that end the output's streams and could not be sent
    lateness_ns: list[int] = dataclasses.field(default_factory=list)
    compute_ns: list[int] = dataclasses.field(default_factory=list)


@dataclasses.dataclass(frozen=True)
class _Ready:
    """A frame worked out ahead, with what it was worked out from."""

    index: int
    anchor: Anchor
    rig_version: int
    payload: Any
    frame: FixtureFrame


@dataclasses.dataclass
class _Schedule:
    output: Output
    counts: OutputCounts
    start_ns: int
    latency_ns: int = 0
    index: int = 0
    ready: _Ready | None = None
    cost_ns: int = 0

    def deadline(self, index: int) -> int:
        fps = self.output.fps
        return self.start_ns + index * NANOSECONDS * fps.denominator // fps.numerator

    def last_index_due(self, at_ns: int) -> int:
        """The index of the last frame due at `at_ns` or before."""
        fps = self.output.fps
        return (at_ns - self.start_ns) * fps.numerator // (NANOSECONDS * fps.denominator)

    @property
    def half_period_ns(self) -> int:
        fps = self.output.fps
        return NANOSECONDS * fps.denominator // (2 * fps.numerator)


class Player:
    """Plays `rig` on `outputs` by `clock`, reading the inputs added to it between frames.

    The show starts at `start_ns` (by default the instant of the clock's anchor when the player is
    made); later tempo changes, seeks and resets move the clock, never the frames' deadlines.
    `now` is the monotonic clock and `wait(selector, deadline_ns)` the way to wait on the selector
    until an instant of that clock (a test passes fake ones); `unix_offset_ns` turns a monotonic instant into Unix time for
    timetags. `status(reading, counts)` is called every `status_interval_ns`; `keep_timings` keeps
    every frame's lateness and computing time in the counts.
    """

    def __init__(self, clock: TempoClock, rig: Rig, outputs: Sequence[Output], *, start_ns: int | None = None, now: Callable[[], int] = time.monotonic_ns, wait: Wait = wait_on,
                 unix_offset_ns: int | None = None,
                 status: Callable[[PipReading, list[OutputCounts]], None] | None = None,
                 status_interval_ns: int = STATUS_INTERVAL_NS, keep_timings: bool = False):
        self.clock = clock
        self.rig = rig
        self.start_ns = clock.anchor.at_ns if start_ns is None else start_ns
        self._now = now
        self._wait = wait
        self._unix_offset_ns = time.time_ns() - time.monotonic_ns() if unix_offset_ns is None else unix_offset_ns
        self._status = status
        self._status_interval_ns = status_interval_ns
        self._keep_timings = keep_timings
        self._end_ns: int | None = None
        self._stopping = False
        self._schedules = [_Schedule(output, OutputCounts(output.label), self.start_ns, output.latency_ns)
                           for output in outputs]
        self._inputs: list[Input] = []
        self._watchers: list[FrameWatcher] = []
        # [instant of the next poll, input], for the inputs that are polled.
        self._polls: list[list[Any]] = []
        self._actions: collections.deque[Callable[[], None]] = collections.deque()
        # (instant, order asked, action) of the actions asked for at an instant, soonest first.
        self._timed: list[tuple[int, int, Callable[[], None]]] = []
        self._timed_order = itertools.count()
        self._wake_reader, self._wake_writer = socket.socketpair()
        for end in (self._wake_reader, self._wake_writer):
            end.setblocking(False)
        # A select()-based selector waits to the microsecond; epoll and poll round up to milliseconds.
        self._selector = selectors.SelectSelector()
        self._selector.register(self._wake_reader, selectors.EVENT_READ, None)

    @property
    def counts(self) -> list[OutputCounts]:
        return [schedule.counts for schedule in self._schedules]

    @property
    def outputs(self) -> list[Output]:
        return [schedule.output for schedule in self._schedules]

    @property
    def inputs(self) -> list[Input]:
        return list(self._inputs)

    def watch_frames(self, watcher: FrameWatcher) -> None:
        """Tells `watcher`, on the player's thread, of every frame sent, right after it is sent: it
        must be quick, since the next frame waits for it."""
        self._watchers.append(watcher)

    def add_input(self, opened: Input) -> None:
        """Reads `opened` between frames whenever one of its sockets is readable, and polls it at
        its interval if it has one (the first time before the next frame); closed with the player."""
        self._inputs.append(opened)
        for readable in opened.sockets:
            self._selector.register(readable, selectors.EVENT_READ, opened)
        if opened.interval_ns is not None:
            self._polls.append([self._now(), opened])

    def call_soon(self, action: Callable[[], None]) -> None:
        """Runs `action` on the player's thread before the next frame is sent (or at once, if the
        player is waiting). Safe to call from any thread; actions run in the order they came."""
        self._actions.append(action)
        self._wake()

    def call_at(self, at_ns: int, action: Callable[[], None]) -> None:
        """Runs `action` on the player's thread at `at_ns` on the monotonic clock (at once if that has
        passed), before any frame due at that instant or later is sent. Called on the player's thread."""
        heapq.heappush(self._timed, (at_ns, next(self._timed_order), action))

    def stop(self) -> None:
        """Ends the play after the frame being sent, if any (safe to call from a signal handler or
        another thread)."""
        self._stopping = True
        self._wake()

    def _wake(self) -> None:
        try:
            self._wake_writer.send(WAKE_BYTE)
        except (BlockingIOError, OSError):
            pass  # a full buffer (already woken) or a player that was closed

    def run(self, seconds: Fraction | None = None) -> list[OutputCounts]:
        """Plays until `seconds` after the start (every frame due before then is sent), for ever,
        or until `stop`; a KeyboardInterrupt ends the play as cleanly as running out of time."""
        end_ns = None if seconds is None else self.start_ns + int(seconds * NANOSECONDS)
        self._end_ns = end_ns
        next_status_ns = self.start_ns
        try:
            self._run_actions()
            # The first frame of each output also lays out its tables and buffers: all of them are
            # worked out now, ahead of the first deadline, rather than in between frames due.
            for schedule in self._schedules:
                self._prepare(schedule, schedule.index)
            while not self._stopping:
                pending = [schedule for schedule in self._schedules
                           if end_ns is None or schedule.deadline(schedule.index) < end_ns]
                if pending:
                    schedule = min(pending, key=lambda each: each.deadline(each.index))
                    self._prepare(schedule, schedule.index)
                    if not self._wait_until(schedule.deadline(schedule.index)):
                        break
                    self._send_due(schedule)
                    self._prepare_ahead(pending, end_ns)
                elif self._schedules or (end_ns is not None and self._now() >= end_ns):
                    break
                elif not self._wait_until(next_status_ns if end_ns is None else min(next_status_ns, end_ns)):
                    # With no output the clock still runs, for the status line.
                    break
                if self._status is not None and self._now() >= next_status_ns:
                    next_status_ns = self._now() + self._status_interval_ns
                    self._status(self.clock.reading_at(self._now()), self.counts)
        except KeyboardInterrupt:
            pass
        return self.counts

    def _wait_until(self, deadline_ns: int) -> bool:
        """Waits for the deadline, reading inputs and running actions as they come; False if asked
        to stop."""
        while not self._stopping:
            now = self._now()
            timed = self._timed
            while timed and timed[0][0] <= now:
                heapq.heappop(timed)[2]()
            if now >= deadline_ns:
                return True
            wake_ns = deadline_ns if not timed else min(deadline_ns, timed[0][0])
            for due in self._polls:
                if due[0] <= now:
                    due[1].poll(now)
                    # A poll that fell behind is not repeated to catch up.
                    due[0] += due[1].interval_ns
                    if due[0] <= now:
                        due[0] = now + due[1].interval_ns
                wake_ns = min(wake_ns, due[0])
            for key, _ in self._wait(self._selector, wake_ns):
                if key.data is None:
                    self._drain_wake_ups()
                else:
                    try:
                        key.data.read(key.fileobj)
                    except EOFError:
                        self._selector.unregister(key.fileobj)
            if self._actions:
                self._run_actions()
        return False

    def _drain_wake_ups(self) -> None:
        try:
            self._wake_reader.recv(MOST_WAKE_BYTES)
        except BlockingIOError:
            pass

    def _run_actions(self) -> None:
        actions = self._actions
        while actions:
            actions.popleft()()

    def _prepare(self, schedule: _Schedule, index: int) -> Any:
        ready = schedule.ready
        anchor = self.clock.anchor
        version = self.rig.version
        if ready is not None and ready.index == index and ready.anchor is anchor and ready.rig_version == version:
            return ready.payload
        started = self._now()
        deadline = schedule.deadline(index)
        frame = self.rig.frame(anchor.reading_at(deadline + schedule.latency_ns), schedule.output.numbers, anchor.bpm)
        payload = schedule.output.prepare(frame, deadline + self._unix_offset_ns)
        schedule.cost_ns = self._now() - started
        if self._keep_timings:
            schedule.counts.compute_ns.append(schedule.cost_ns)
        schedule.ready = _Ready(index, anchor, version, payload, frame)
        return payload

    def _send_due(self, schedule: _Schedule) -> None:
        counts = schedule.counts
        now = self._now()
        index = max(schedule.index, schedule.last_index_due(now))
        if index > schedule.index:
            counts.skipped += index - schedule.index
            schedule.index = index
        deadline = schedule.deadline(index)
        if self._end_ns is not None and deadline >= self._end_ns:
            return
        payload = self._prepare(schedule, index)
        sent = False
        try:
            schedule.output.send(payload)
        except OSError as error:
            counts.failed += 1
            counts.last_failure = error.strerror or str(error)
        else:
            counts.sent += 1
            sent = True
        lateness = self._now() - deadline
        if lateness > schedule.half_period_ns:
            counts.late += 1
        if self._keep_timings:
            counts.lateness_ns.append(lateness)
        if sent and self._watchers:
            frame = schedule.ready.frame  # type: ignore[union-attr]  # worked out by _prepare above
            for watcher in self._watchers:
                watcher(schedule.output, index, frame, counts)
        schedule.index = index + 1
        schedule.ready = None

    def _prepare_ahead(self, pending: list[_Schedule], end_ns: int | None) -> None:
        """Works out the next frames, soonest first, as far as each fits before the soonest deadline."""
        by_deadline = sorted(pending, key=lambda each: each.deadline(each.index))
        soonest = by_deadline[0].deadline(by_deadline[0].index)
        for position, schedule in enumerate(by_deadline):
            if end_ns is not None and schedule.deadline(schedule.index) >= end_ns:
                continue
            if position > 0 and self._now() + schedule.cost_ns + AHEAD_MARGIN_NS > soonest:
                break
            self._prepare(schedule, schedule.index)

    def close(self) -> None:
        """Closes the outputs (each ending its streams), the inputs and the player's own sockets:
        every one of them, even if closing another failed."""
        with contextlib.ExitStack() as closing:
            for end in (self._wake_writer, self._wake_reader, self._selector):
                closing.callback(end.close)
            for each in self._inputs:
                closing.callback(each.close)
            for schedule in reversed(self._schedules):
                closing.callback(self._close_output, schedule)

    @staticmethod
    def _close_output(schedule: _Schedule) -> None:
        schedule.counts.closing_failed += schedule.output.close()
