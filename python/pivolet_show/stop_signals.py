"""The signals that end a command early: Ctrl-C's SIGINT, a polite kill's SIGTERM, and the SIGHUP of
a closed terminal or a service manager.

Caught from the moment a command starts: until it hands over a way to stop (a player, between
frames), a signal abandons whatever is under way by raising `Interrupted`; from then on it only
asks that way to stop, so that the command ends cleanly, its outputs closed as at any other end.
Either way the command exits with 128 + the signal's number, as shells expect of a program that a
signal stopped. While a command imports what it needs, a signal is only noted, and acted on once the
imports are done: an exception raised in the middle of an extension module's set-up may come out
as another error altogether.
"""

from __future__ import annotations

import contextlib
import signal
from collections.abc import Callable, Iterator
from types import FrameType, TracebackType

STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
SIGNALLED_EXIT_BASE = 128


def signalled_exit(number: int) -> int:
    """The exit status of a program that a signal stopped."""
    return SIGNALLED_EXIT_BASE + number


class Interrupted(BaseException):
    """A stop signal arrived before there was anything to stop between frames. A BaseException, as
    KeyboardInterrupt is, so that no handler of ordinary errors swallows it."""


class StopSignals:
    """While entered, catches the stop signals and remembers the first that arrived."""

    def __init__(self, signals: tuple[int, ...] = STOP_SIGNALS):
        self._signals = signals
        self._previous: dict[int, object] = {}
        self._stop: Callable[[], None] | None = None
        self._holding = False
        self.received: int | None = None

    def __enter__(self) -> StopSignals:
        for number in self._signals:
            self._previous[number] = signal.signal(number, self._handle)
        return self

    def __exit__(self, kind: type[BaseException] | None, error: BaseException | None,
                 traceback: TracebackType | None) -> None:
        for number, handler in self._previous.items():
            signal.signal(number, handler)  # type: ignore[arg-type]

    def _handle(self, number: int, frame: FrameType | None) -> None:
        if self.received is None:
            self.received = number
        if self._stop is not None:
            self._stop()
        elif not self._holding:
            raise Interrupted(number)

    @contextlib.contextmanager
    def held(self) -> Iterator[None]:
        """Within, a signal is only noted; on leaving, one that came is acted on."""
        self._holding = True
        try:
            yield
        finally:
            self._holding = False
        if self.received is not None and self._stop is None:
            raise Interrupted(self.received)

    def stop_with(self, stop: Callable[[], None]) -> None:
        """From now on a signal calls `stop` (safe to call from a signal handler) instead of raising;
        a signal that came already is passed on at once."""
        self._stop = stop
        if self.received is not None:
            stop()

    @property
    def exit_status(self) -> int | None:
        """128 + the first signal's number, or None if none came."""
        return None if self.received is None else signalled_exit(self.received)
