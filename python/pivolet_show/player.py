"""Plays a rig on its outputs, each at its own frame rate, frame by frame at absolute deadlines.

Frame k of an output is due at origin + k / fps on the monotonic clock, and carries the pips of
that instant (never a step added to the last frame's). A frame is worked out ahead while there is
time, and sent at its deadline. A frame sent more than half a period after its deadline counts as
late; one whose deadline has passed when the next one is due is never sent (a late output catches
up with the present frame instead of queueing the past) and counts as skipped. So an output never
sends faster than its frame rate, except for one late frame followed by an on-time one.
"""

from __future__ import annotations

import dataclasses
import time
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import Any, Protocol

from pivolet_show.clock import PipReading, TempoClock
from pivolet_show.rig import FixtureState, Rig

NANOSECONDS = 10**9
# A frame is worked out ahead only if it will very likely be done this long before the next deadline.
AHEAD_MARGIN_NS = 300_000
# The longest single wait, so that a request to stop is seen soon even at a low frame rate.
LONGEST_WAIT_NS = 100_000_000
STATUS_INTERVAL_NS = 250_000_000


class Output(Protocol):
    label: str
    fps: Fraction
    numbers: tuple[int, ...]

    def prepare(self, states: Sequence[FixtureState], unix_ns: int) -> Any: ...
    def send(self, prepared: Any) -> None: ...
    def close(self) -> None: ...


@dataclasses.dataclass
class OutputCounts:
    """What happened to one output's frames."""

    label: str
    sent: int = 0
    late: int = 0
    skipped: int = 0
    failed: int = 0
    lateness_ns: list[int] = dataclasses.field(default_factory=list)
    compute_ns: list[int] = dataclasses.field(default_factory=list)


@dataclasses.dataclass
class _Schedule:
    output: Output
    counts: OutputCounts
    origin_ns: int
    index: int = 0
    # The frame worked out ahead: its index, the clock version it was read at, and its payload.
    ready: tuple[int, int, Any] | None = None
    cost_ns: int = 0

    def deadline(self, index: int) -> int:
        fps = self.output.fps
        return self.origin_ns + index * NANOSECONDS * fps.denominator // fps.numerator

    def last_index_due(self, at_ns: int) -> int:
        """The index of the last frame due at `at_ns` or before."""
        fps = self.output.fps
        return (at_ns - self.origin_ns) * fps.numerator // (NANOSECONDS * fps.denominator)

    @property
    def half_period_ns(self) -> int:
        fps = self.output.fps
        return NANOSECONDS * fps.denominator // (2 * fps.numerator)


def _sleep_until(deadline_ns: int, now: Callable[[], int]) -> None:
    remaining = deadline_ns - now()
    if remaining > 0:
        time.sleep(remaining / NANOSECONDS)


class Player:
    """Plays `rig` on `outputs` by `clock`.

    `now` and `sleep_until` are the monotonic clock and the way to wait for an instant (a test
    passes fake ones); `unix_offset_ns` turns a monotonic instant into Unix time for timetags.
    `status(reading, counts)` is called about four times a second; `keep_timings` keeps every
    frame's lateness and computing time in the counts.
    """

    def __init__(self, clock: TempoClock, rig: Rig, outputs: Sequence[Output], *,
                 now: Callable[[], int] = time.monotonic_ns,
                 sleep_until: Callable[[int, Callable[[], int]], None] = _sleep_until,
                 unix_offset_ns: int | None = None,
                 status: Callable[[PipReading, list[OutputCounts]], None] | None = None,
                 keep_timings: bool = False):
        self.clock = clock
        self.rig = rig
        self._now = now
        self._sleep_until = sleep_until
        self._unix_offset_ns = time.time_ns() - time.monotonic_ns() if unix_offset_ns is None else unix_offset_ns
        self._status = status
        self._keep_timings = keep_timings
        self._end_ns: int | None = None
        self._stopping = False
        self._schedules = [_Schedule(output, OutputCounts(output.label), clock.origin_ns) for output in outputs]

    @property
    def counts(self) -> list[OutputCounts]:
        return [schedule.counts for schedule in self._schedules]

    def stop(self) -> None:
        """Ends the play after the frame being sent, if any (safe to call from a signal handler)."""
        self._stopping = True

    def run(self, seconds: Fraction | None = None) -> list[OutputCounts]:
        """Plays until `seconds` after the clock's origin (every frame due before then is sent), for
        ever, or until `stop`; a KeyboardInterrupt ends the play as cleanly as running out of time."""
        end_ns = None if seconds is None else self.clock.origin_ns + int(seconds * NANOSECONDS)
        self._end_ns = end_ns
        next_status_ns = self.clock.origin_ns
        try:
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
                    next_status_ns = self._now() + STATUS_INTERVAL_NS
                    self._status(self.clock.reading_at(self._now()), self.counts)
        except KeyboardInterrupt:
            pass
        return self.counts

    def _wait_until(self, deadline_ns: int) -> bool:
        """Waits for the deadline in steps short enough to notice `stop`; False if asked to stop."""
        while not self._stopping:
            now = self._now()
            if now >= deadline_ns:
                return True
            self._sleep_until(min(deadline_ns, now + LONGEST_WAIT_NS), self._now)
        return False

    def _prepare(self, schedule: _Schedule, index: int) -> Any:
        ready = schedule.ready
        if ready is not None and ready[0] == index and ready[1] == self.clock.version:
            return ready[2]
        started = self._now()
        deadline = schedule.deadline(index)
        states = self.rig.states(self.clock.reading_at(deadline), schedule.output.numbers)
        payload = schedule.output.prepare(states, deadline + self._unix_offset_ns)
        schedule.cost_ns = self._now() - started
        if self._keep_timings:
            schedule.counts.compute_ns.append(schedule.cost_ns)
        schedule.ready = (index, self.clock.version, payload)
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
        sent_at = self._now()
        try:
            schedule.output.send(payload)
        except OSError:
            counts.failed += 1
        else:
            counts.sent += 1
        lateness = sent_at - deadline
        if lateness > schedule.half_period_ns:
            counts.late += 1
        if self._keep_timings:
            counts.lateness_ns.append(lateness)
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
        for schedule in self._schedules:
            schedule.output.close()
