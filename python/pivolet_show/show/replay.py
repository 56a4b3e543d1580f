"""A show log played again: each command the log says was performed (refusals left out) is performed
again, in the log's order, when the clock reaches the exact pip at which it first arrived, and takes
effect as it did then: a launch, a hold or a blackout on the pip it took effect at, and a command
that moved the clock by placing the clock where it placed it then, at that tempo. So the show's
timeline and clock go through the same states at the same pips, and every frame shows at a pip
what the performance showed at that pip.

Commands are performed in the order of the log, never sorted by pip: after a seek back, the next
command arrived at a pip already passed once, and waits for the clock to reach it again. While a
sync source leads the clock, the log's clock commands are refused (the source would move the clock
back) and said once; the rest play at their pips of the clock the source leads.
"""

from __future__ import annotations

from collections.abc import Callable, Sequence

from pivolet_show.show.control import Control
from pivolet_show.show.show_log import ControlEvent

TRANSPORT = "replay"
# How often a replay looks again at a clock that holds, for the pip its next command waits for.
HELD_RETRY_NS = 5_000_000

REFUSED_NOW = "the replay's command {seq} ({command}) is refused now: {reason}"


class Replay:
    """Performs `events` on `control`, each at its pip, asking `call_at(at_ns, action)` to wake it
    (the player's `call_at`); `note` says a refusal once."""

    def __init__(self, events: Sequence[ControlEvent], control: Control, call_at: Callable[[int, Callable[[], None]], None],
                 note: Callable[[str], None]):
        self._events = [event for event in events if event.refused is None]
        self._next = 0
        self._control = control
        self._call_at = call_at
        self._note = note
        self._told: set[str] = set()

    @property
    def done(self) -> bool:
        return self._next >= len(self._events)

    def start(self) -> None:
        self._schedule()

    def _schedule(self) -> None:
        if self.done:
            return
        clock = self._control.clock
        at_ns = clock.ns_at_pip(self._events[self._next].arrived)
        self._call_at(clock.now_ns() + HELD_RETRY_NS if at_ns is None else at_ns, self._due)

    def _due(self) -> None:
        clock = self._control.clock
        now = clock.now_ns()
        # The clock may have moved since the instant was worked out (a sync source leading it).
        while not self.done and clock.exact_pip_at(now) >= self._events[self._next].arrived:
            event = self._events[self._next]
            self._next += 1
            try:
                self._control.perform(event.command, event.values, now, TRANSPORT, replayed=event)
            except ValueError as error:
                said = REFUSED_NOW.format(seq=event.seq, command=event.command, reason=error)
                if str(error) not in self._told:
                    self._told.add(str(error))
                    self._note(said)
        self._schedule()
