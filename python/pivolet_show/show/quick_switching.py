"""While another thread runs Python beside the player (a MIDI system's callbacks, the console's
server), the player waking for a frame waits for the GIL until that thread is made to let it go:
by default every 5 ms, longer than a frame at 240 Hz. `QuickSwitching` lowers the interpreter's
switch interval while such a thread runs, and puts back what it found."""

from __future__ import annotations

import sys

SWITCH_INTERVAL_SECONDS = 0.0005


class QuickSwitching:
    def __init__(self) -> None:
        self._found: float | None = None

    def start(self) -> None:
        """Lowers the switch interval to SWITCH_INTERVAL_SECONDS (never raises it)."""
        if self._found is None:
            self._found = sys.getswitchinterval()
            sys.setswitchinterval(min(self._found, SWITCH_INTERVAL_SECONDS))

    def stop(self) -> None:
        """Puts back the switch interval `start` found."""
        if self._found is not None:
            sys.setswitchinterval(self._found)
            self._found = None
