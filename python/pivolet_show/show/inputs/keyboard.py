"""Keys for the show's control commands, when `play` runs in a terminal: 1 to 9 launch the cues of
those numbers, space taps the tempo, `b` makes now the start of a bar, `+` and `-` nudge the phase
by one pip.

The terminal is put in cbreak mode (each key arrives as it is pressed, and is not echoed; Ctrl-C
still interrupts) while the keyboard is open, and set back as it was when it closes, which the
player does on every way a play ends (a terminal that has hung up has nothing left to set back).
Only a play in the terminal's foreground takes its keys: one started in the background would be
stopped by the terminal for reading it or changing its settings.
"""

from __future__ import annotations

import os
import signal
import termios
import time
import tty
from collections.abc import Callable
from typing import Any, TextIO

from pivolet_show.show.control import Control

LABEL = "keyboard"
TRANSPORT = "keys"
# Each key and the control command it performs, with the command's arguments.
KEYS: dict[str, tuple[str, tuple[Any, ...]]] = {
    **{str(number): ("cue", (number,)) for number in range(1, 10)},
    " ": ("tap", ()),
    "b": ("phase", ("bar",)),
    "+": ("nudge", (1,)),
    "-": ("nudge", (-1,)),
}
HELP = ("keys: 1 to 9 launch cues, space taps the tempo, b makes now a bar line, + and - nudge the phase by a pip, "
        "Ctrl-C stops")
MOST_BYTES_PER_READ = 64


def in_the_foreground(stream: TextIO) -> bool:
    """Whether `stream` is a terminal that has this process in its foreground."""
    try:
        return stream.isatty() and os.tcgetpgrp(stream.fileno()) == os.getpgrp()
    except OSError:
        return False


def _set_attributes(fd: int, attributes: list[Any]) -> None:
    """Sets the terminal's attributes even from the background (as after Ctrl-Z and `bg`), where the
    terminal would otherwise stop the process for it."""
    blocked = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTTOU})
    try:
        termios.tcsetattr(fd, termios.TCSADRAIN, attributes)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, blocked)


class Keyboard:
    """Reads keys from the terminal `stream` and performs their commands on `control`; a refusal is
    said once through `note`."""

    label = LABEL
    interval_ns: int | None = None

    def __init__(self, stream: TextIO, control: Control, note: Callable[[str], None], *,
                 now: Callable[[], int] = time.monotonic_ns):
        self._fd = stream.fileno()
        self._control = control
        self._note = note
        self._now = now
        self._told: set[str] = set()
        self.pressed = 0
        self._saved: list[Any] | None = termios.tcgetattr(self._fd)
        tty.setcbreak(self._fd, termios.TCSANOW)
        self.sockets = (self._fd,)

    def read(self, readable: Any) -> None:
        try:
            data = os.read(self._fd, MOST_BYTES_PER_READ)
        except OSError:
            data = b""
        if not data:
            raise EOFError  # the terminal has gone: nothing more to read from it
        for key in data.decode("utf-8", "replace"):
            if key not in KEYS:
                continue
            name, values = KEYS[key]
            try:
                self._control.perform(name, values, self._now(), TRANSPORT)
            except ValueError as error:
                if str(error) not in self._told:
                    self._told.add(str(error))
                    self._note(str(error))
            else:
                self.pressed += 1

    def poll(self, now_ns: int) -> None:
        pass

    def status(self) -> str:
        return ""

    def close(self) -> None:
        if self._saved is not None:
            saved, self._saved = self._saved, None
            try:
                _set_attributes(self._fd, saved)
            except termios.error:
                pass  # the terminal has hung up (a SIGHUP's usual cause): nothing is left to set back
