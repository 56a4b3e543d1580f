"""What the console shows, copied from the running show without slowing it.

The player hands each frame of the followed output to `Snapshots.frame_sent` on its own thread,
right after sending it: the frame is the very one the output packed (the fixtures' pips and
positions at the reading it went out for), kept by reference, since every frame is a fresh array
that nothing changes afterwards. Heads that aim send the pan and tilt of their aim beside the point
they aim at. It goes into one slot, replaced whole: the newest frame wins, and
nothing queues. The console's thread samples the slot (`message`) a few tens of times a second and
reads the rest from values the show replaces whole (the clock's anchor, the timeline's state) or
counts it only reads, so the player does no more for the console than keep a reference.

The followed output is the one that sends the most fixtures (the first of those), so the page
shows the rig as its widest output sends it; `followed` names it.
"""

from __future__ import annotations

import base64
import json
import time
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, Any, NamedTuple

import pivolet

from pivolet_show.show.status import tempo_text

if TYPE_CHECKING:
    from pivolet_show.show.control import Control
    from pivolet_show.show.inputs.protocol import Input
    from pivolet_show.show.outputs.protocol import Output
    from pivolet_show.show.player import OutputCounts
    from pivolet_show.show.rig import FixtureFrame, Rig


class SentFrame(NamedTuple):
    """A frame of the followed output: its index, how many of the output's frames were sent with it,
    and what its fixtures played."""

    index: int
    sent: int
    frame: FixtureFrame


def _doubles(values: Any) -> str:
    """An array as little-endian doubles, row by row, in base64: the exact values sent, without the
    cost of writing thousands of numbers as text."""
    return base64.b64encode(values.astype("<f8", copy=False).tobytes()).decode("ascii")


class Snapshots:
    """Copies of the show for the console: `frame_sent` on the player's thread, the rest on the
    console's."""

    def __init__(self, control: Control, rig: Rig, outputs: Sequence[Output], counts: Sequence[OutputCounts],
                 inputs: Callable[[], Sequence[Input]], now: Callable[[], int] = time.monotonic_ns):
        self._control = control
        self._clock = control.clock
        self._rig = rig
        self._outputs = tuple(outputs)
        self._counts = tuple(counts)
        self._inputs = inputs
        self._now = now
        widest = max(self._outputs, key=lambda output: len(output.numbers), default=None)
        self.followed = widest
        self.latest: SentFrame | None = None
        self._sampled: SentFrame | None = None

    def frame_sent(self, output: Output, index: int, frame: FixtureFrame, counts: OutputCounts) -> None:
        """Called by the player, on its thread, for every frame sent: keeps the followed output's."""
        if output is self.followed:
            self.latest = SentFrame(index, counts.sent, frame)

    def layout(self) -> dict[str, Any]:
        """What does not change while the show plays: its groups with their fixtures, its cues, the
        output followed and the control commands, sent once to each page as it connects."""
        from pivolet_show.show.control import COMMANDS

        followed = self.followed
        drawn = list(followed.numbers) if followed is not None else []
        place = {number: k for k, number in enumerate(drawn)}
        groups = [{"name": group.name, "fixtures": [place[number] for number in group.numbers if number in place],
                   "numbers": [number for number in group.numbers if number in place]}
                  for group in self._rig.groups]
        return {
            "type": "layout",
            "groups": groups,
            "cues": list(self._control.timeline.state.cue_names),
            "followed": followed.label if followed is not None else "",
            "pips_per_beat": pivolet.PIPS_PER_BEAT,
            "beats_per_bar": self._clock.beats_per_bar,
            "commands": [command.key for command in COMMANDS],
        }

    def message(self) -> str:
        """The show as it is now, as one JSON text; the frame only if a new one was sent since the last."""
        now = self._now()
        clock, control = self._clock, self._control
        anchor = clock.anchor
        reading = anchor.reading_at(now)
        state = control.timeline.state
        playing, waiting = state.playing(reading.pip), state.waiting(reading.pip)
        bar, beat = reading.bar_and_beat(clock.beats_per_bar)
        message: dict[str, Any] = {
            "type": "show",
            "pip": reading.pip,
            "bar": bar,
            "beat": beat,
            "bpm": float(anchor.bpm),
            "tempo": tempo_text(Fraction(anchor.bpm)),
            "running": anchor.running,
            "sync": control.leader or "",
            "inputs": [[opened.label, opened.status()] for opened in self._inputs()],
            "outputs": [{"label": output.label, "fps": float(output.fps), "latency_ms": output.latency_ns / 1e6,
                         "sent": counts.sent, "late": counts.late, "skipped": counts.skipped, "failed": counts.failed}
                        for output, counts in zip(self._outputs, self._counts)],
            "playing": [playing.number, playing.name] if playing else None,
            "waiting": [waiting.number, waiting.name, waiting.pip] if waiting else None,
            "groups": [{"name": group.name, "source": group.source, "size": group.size, "speed": float(group.speed),
                        "held": group.held} for group in state.groups],
            "blackout": state.blackout,
            "refused": control.last_refusal,
        }
        latest = self.latest
        if latest is not None and latest is not self._sampled:
            self._sampled = latest
            frame = latest.frame
            message["frame"] = {"index": latest.index, "sent": latest.sent, "pip": frame.reading.pip,
                                "count": len(frame.numbers), "dark": bool(frame.dark),
                                "positions": _doubles(frame.positions)}
            if frame.aims is not None:
                message["frame"]["aims"] = _doubles(frame.aims)
        return json.dumps(message, separators=(",", ":"))
