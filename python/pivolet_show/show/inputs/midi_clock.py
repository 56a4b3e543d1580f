"""A MIDI clock as a sync source, read with mido (its backend, python-rtmidi, chooses the system's
MIDI API; mido's MIDO_BACKEND environment variable picks another, such as JACK's).

24 clock ticks make a beat, so tick n is pip n * 8 / 3 exactly. At each tick the clock is anchored
at that tick's pip, at the tempo of the ticks of the last beat (their span, so a single late tick
barely moves it), and under a ceiling one tick's pips further on: between ticks the pip runs at that
tempo but never passes the pip of the next tick, so a clock that slows or stops is never overtaken,
and the pip never goes back when the next tick comes. Start (0xFA) makes the next tick pip 0, Stop
(0xFC) holds the pip where it is, Continue (0xFB) lets the next tick run on from there, and a Song
Position Pointer (0xF2, in sixteenth notes of 16 pips) moves the held pip. Until the first Start or
Continue the clock holds at the show's start pip.

mido calls back on the MIDI system's own thread: there the message is only stamped with the time
of its arrival and handed to the player's thread, which does everything else. That thread must take
the interpreter's lock to run the callback, and a MIDI system such as JACK drops what a client does
not take within its period (a few milliseconds): while the clock is followed, the interpreter makes
a thread that holds the lock hand it over after half a millisecond rather than five. The ports are
listed and opened once: a MIDI system that has gone away is never asked again.
"""

from __future__ import annotations

import collections
import functools
import math
import time
from collections.abc import Callable
from fractions import Fraction
from typing import TYPE_CHECKING, Any

from pivolet_show.show.clock import Anchor, TempoClock
from pivolet_show.show.quick_switching import QuickSwitching
from pivolet_show.show.status import tempo_text

if TYPE_CHECKING:
    from pivolet_show.show.inputs.protocol import Controls

LABEL = "MIDI clock"
VIRTUAL_PORT = "pivolet"
TICKS_PER_BEAT = 24
PIPS_PER_TICK = Fraction(64, TICKS_PER_BEAT)
TICKS_PER_SIXTEENTH = 6
NANOSECONDS_PER_MINUTE = 60 * 10**9
# The tempo is that of the ticks of the last beat, and starts afresh after a pause this long.
LONGEST_TICK_GAP_NS = 10**9
FOLLOWED = frozenset({"clock", "start", "stop", "continue", "songpos"})

NO_MIDI_SYSTEM = "--sync midi: cannot reach a MIDI system ({reason})"
NO_SUCH_PORT = "--sync midi: no MIDI input port's name holds {fragment!r} (the ports: {ports})"
SEVERAL_PORTS = "--sync midi: several MIDI input ports' names hold {fragment!r}: {ports}"


class ClockFollower:
    """Moves `clock` as a MIDI clock's messages say, each given with the instant it arrived."""

    def __init__(self, clock: TempoClock):
        self._clock = clock
        self.bpm = clock.bpm
        self.playing = False
        self.started = False
        anchor = clock.anchor
        self.next_tick = math.ceil(anchor.pip / PIPS_PER_TICK)
        clock.place(Anchor(anchor.at_ns, anchor.pip, anchor.bpm, held=True))
        self._ticks: collections.deque[int] = collections.deque(maxlen=TICKS_PER_BEAT + 1)

    def receive(self, kind: str, position: int, at_ns: int) -> None:
        """A message of mido's `kind` ('clock', 'start', 'stop', 'continue' or 'songpos', with its
        `position` in sixteenths) that arrived at `at_ns`."""
        if kind == "clock":
            self._tick(at_ns)
        elif kind == "start":
            self.playing = self.started = True
            self.next_tick = 0
            self._hold(Fraction(0), at_ns)
        elif kind == "continue":
            self.playing = self.started = True  # the pip stays until the next tick
        elif kind == "stop":
            self.playing = False
            self._hold(self._clock.exact_pip_at(at_ns), at_ns)
        elif kind == "songpos":
            self.next_tick = TICKS_PER_SIXTEENTH * position
            self._hold(self.next_tick * PIPS_PER_TICK, at_ns)

    def _hold(self, pip: Fraction, at_ns: int) -> None:
        self._clock.place(Anchor(at_ns, pip, self.bpm, held=True))

    def _tick(self, at_ns: int) -> None:
        ticks = self._ticks
        if ticks and not 0 <= at_ns - ticks[-1] <= LONGEST_TICK_GAP_NS:
            ticks.clear()
        ticks.append(at_ns)
        if len(ticks) > 1 and ticks[-1] > ticks[0]:
            self.bpm = Fraction(NANOSECONDS_PER_MINUTE * (len(ticks) - 1), TICKS_PER_BEAT * (ticks[-1] - ticks[0]))
        if self.playing:
            pip = self.next_tick * PIPS_PER_TICK
            self.next_tick += 1
            self._clock.place(Anchor(at_ns, pip, self.bpm, ceiling=pip + PIPS_PER_TICK))


class MidiClock:
    """The opened input: `port` (a mido input port, already calling back) feeding `follower`."""

    label = LABEL
    sockets: tuple[Any, ...] = ()
    interval_ns: int | None = None

    def __init__(self, follower: ClockFollower, call_soon: Callable[[Callable[[], None]], None]):
        self.follower = follower
        self._call_soon = call_soon
        self.port: Any = None
        self._switching = QuickSwitching()
        self._switching.start()

    def received(self, message: Any) -> None:
        """mido's callback, on the MIDI system's thread: stamp, and hand over."""
        at_ns = time.monotonic_ns()
        if message.type in FOLLOWED:
            self._call_soon(functools.partial(self.follower.receive, message.type, getattr(message, "pos", 0), at_ns))

    def read(self, readable: Any) -> None:
        pass

    def poll(self, now_ns: int) -> None:
        pass

    def status(self) -> str:
        follower = self.follower
        state = "playing" if follower.playing else "stopped" if follower.started else "waiting for Start"
        return f"{state}, {tempo_text(Fraction(round(follower.bpm, 3)))} BPM"

    def close(self) -> None:
        if self.port is not None:
            self.port.close()
            self.port = None
        self._switching.stop()


def open_midi_clock(port: str | None, controls: Controls) -> MidiClock:
    """Follows the one input port whose name holds `port`, or with None a virtual input port of
    our own; ValueError when there is no MIDI system, or not exactly one such port."""
    opened = MidiClock(ClockFollower(controls.clock), controls.call_soon)
    try:
        return _open_port(opened, port)
    except BaseException:
        opened.close()
        raise


def _open_port(opened: MidiClock, port: str | None) -> MidiClock:
    import mido  # only a show that follows a MIDI clock pays for it

    try:
        backend = mido.Backend()  # reads MIDO_BACKEND now
        if port is None:
            opened.port = backend.open_input(VIRTUAL_PORT, client_name=VIRTUAL_PORT, callback=opened.received)
            return opened
        names = backend.get_input_names()
    except (OSError, ImportError, ValueError) as error:
        raise ValueError(NO_MIDI_SYSTEM.format(reason=error)) from None
    matching = [name for name in names if port in name]
    if len(matching) != 1:
        listed = ", ".join(repr(name) for name in (matching or names)) or "none"
        raise ValueError((SEVERAL_PORTS if matching else NO_SUCH_PORT).format(fragment=port, ports=listed))
    try:
        opened.port = backend.open_input(matching[0], callback=opened.received)
    except (OSError, ValueError) as error:
        raise ValueError(NO_MIDI_SYSTEM.format(reason=error)) from None
    return opened
