"""The status `play` shows while it plays, and the summary it leaves when it stops: on a terminal one
line rewritten in place four times a second, elsewhere (a log, a service) one line a second. The
line says which cue plays and which waits for its boundary, what is held or blacked out, and the
last control command refused (until one is performed). Each input that has something to say (a
sync source's session, the control port's counts) adds its few words to the line, and a line of
its own to the summary."""

from __future__ import annotations

from collections.abc import Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, TextIO

from pivolet_show.show.clock import PipReading, TempoClock

if TYPE_CHECKING:
    from pivolet_show.show.control import Control
    from pivolet_show.show.inputs.protocol import Input
    from pivolet_show.show.player import OutputCounts
    from pivolet_show.show.timeline import ShowState

TERMINAL_INTERVAL_NS = 250_000_000
LOG_INTERVAL_NS = 1_000_000_000


def tempo_text(bpm: Fraction) -> str:
    """A tempo as a person writes it: 128, 127.3, 99.925 (to three decimals at most)."""
    return f"{float(round(bpm, 3)):g}" if bpm.denominator != 1 else str(bpm.numerator)


def show_text(state: ShowState, pip: int, beats_per_bar: int) -> str:
    """The cue playing at `pip` and the one waiting (with the bar and beat of its boundary), and
    what is held or blacked out."""
    words = []
    playing, waiting = state.playing(pip), state.waiting(pip)
    if playing is not None:
        words.append(f"cue {playing.number} {playing.name}")
    if waiting is not None:
        bar, beat = PipReading(waiting.pip, 0.0).bar_and_beat(beats_per_bar)
        words.append(f"next {waiting.number} {waiting.name} at {bar}.{beat}")
    held = [group.name for group in state.groups if group.held]
    if held:
        words.append("holding " + ", ".join(held))
    if state.blackout:
        words.append("blackout")
    return "  ".join(words)


def status_text(reading: PipReading, clock: TempoClock, counts: list[OutputCounts],
                inputs: Sequence[Input] = (), control: Control | None = None) -> str:
    bar, beat = reading.bar_and_beat(clock.beats_per_bar)
    late = sum(each.late + each.skipped for each in counts)
    text = f"pip {reading.pip}  bar {bar}.{beat}  {tempo_text(clock.bpm)} BPM  late {late}"
    failed = sum(each.failed for each in counts)
    if failed:
        text += f"  failed {failed}"
    if not clock.anchor.running:
        text += "  held"
    if control is not None:
        said = show_text(control.timeline.state, reading.pip, clock.beats_per_bar)
        text += f"  {said}" if said else ""
        text += f"  refused: {control.last_refusal}" if control.last_refusal else ""
    for each in inputs:
        said = each.status()
        if said:
            text += f"  {each.label} {said}"
    return text


def summary_text(counts: OutputCounts) -> str:
    text = f"{counts.label}: {counts.sent} frames sent, {counts.late} late, {counts.skipped} skipped"
    if counts.failed:
        text += f", {counts.failed} failed to send"
    if counts.closing_failed:
        text += f", {counts.closing_failed} closing packets failed to send"
    return text


class StatusLine:
    """Writes the status to `stream`: in place on a terminal, a line at a time otherwise (shown every
    `interval_ns`), or nothing at all when `quiet`."""

    def __init__(self, stream: TextIO, clock: TempoClock, *, quiet: bool = False):
        self._stream = stream
        self._clock = clock
        self._quiet = quiet
        self._live = not quiet and stream.isatty()
        self.interval_ns = TERMINAL_INTERVAL_NS if self._live else LOG_INTERVAL_NS
        self._width = 0
        self._inputs: list[Input] = []
        self._control: Control | None = None

    def watch_control(self, control: Control) -> None:
        """Shows the show's cues and the last refusal of `control` on the line."""
        self._control = control

    def watch(self, opened: Input) -> None:
        """Shows what `opened` has to say on the line and in the summary."""
        self._inputs.append(opened)

    def _write(self, text: str) -> None:
        """Writes `text` and flushes it; a stream that can no longer be written (a terminal that has
        hung up) silences the status from then on rather than stopping the play."""
        try:
            self._stream.write(text)
            self._stream.flush()
        except OSError:
            self._quiet = True

    def show(self, reading: PipReading, counts: list[OutputCounts]) -> None:
        if self._quiet:
            return
        text = status_text(reading, self._clock, counts, self._inputs, self._control)
        if self._live:
            self._write("\r" + text.ljust(self._width))
            self._width = len(text)
        else:
            self._write(text + "\n")

    def _end_line(self) -> str:
        """What ends the line being rewritten, if there is one."""
        ending = "\n" if self._width else ""
        self._width = 0
        return ending

    def note(self, text: str) -> None:
        """A message said once, on a line of its own."""
        if not self._quiet:
            self._write(self._end_line() + text + "\n")

    def finish(self, reading: PipReading, counts: list[OutputCounts]) -> None:
        if self._quiet:
            return
        if self._live:
            self.show(reading, counts)
        lines = [summary_text(each) for each in counts]
        lines += [f"{opened.label}: {said}" for opened in self._inputs if (said := opened.status())]
        if not self._quiet:
            self._write(self._end_line() + "".join(line + "\n" for line in lines))
