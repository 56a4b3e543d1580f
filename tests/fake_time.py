"""The one fake monotonic clock of the tests: integer nanoseconds that move only when a test moves
them, or when a player waits on it (a wait then takes no real time and reads what is ready)."""

from __future__ import annotations

import selectors

SECOND = 10**9
START = 1_000 * SECOND


class FakeTime:
    def __init__(self, ns: int = START):
        self.ns = ns

    def __call__(self) -> int:
        return self.ns

    def wait(self, selector: selectors.BaseSelector, deadline_ns: int) -> list:
        """A player's wait: the clock jumps to the deadline, and the sockets ready by then are read."""
        self.ns = max(self.ns, deadline_ns)
        return selector.select(0)
