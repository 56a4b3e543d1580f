"""What an export holds: one position per pip over a run of pips, and the tempo that times them.

A pattern's export covers a whole number of loops from a start pip; the pip after the last loop
plays the start again. A recording's export covers its recorded pips, once, and ends there. Time
counts from the first exported pip, which is at 0 seconds.
"""

from __future__ import annotations

import dataclasses

import pivolet

from pivolet_show.motion.axes import Point
from pivolet_show.motion.sources import PatternSource, RecordingSource

# Over nine hours at 120 BPM: past that an export is a mistyped loop count, not a file to fill memory with.
LARGEST_EXPORT_PIPS = 2**22
TOO_MANY_PIPS = "an export holds at most {largest} pips, and {loops} loops of {period} pips are {total}"


@dataclasses.dataclass(frozen=True)
class Timeline:
    name: str
    bpm: float
    first_pip: int
    positions: tuple[Point, ...]
    moving_axes: int  # x, y, z in turn: those after the moving ones are 0.0 throughout
    repeats: bool  # the motion goes on at end_pip as it began, as a pattern's loops do

    @property
    def pips(self) -> range:
        return range(self.first_pip, self.end_pip)

    @property
    def end_pip(self) -> int:
        return self.first_pip + len(self.positions)

    def seconds(self, pip: int) -> float:
        """Seconds from the first exported pip to `pip` at the tempo."""
        return (pip - self.first_pip) * 60.0 / (pivolet.PIPS_PER_BEAT * self.bpm)


def pattern_timeline(source: PatternSource, bpm: float, loops: int, start_pip: int) -> Timeline:
    total = loops * source.period_pips
    if total > LARGEST_EXPORT_PIPS:
        raise ValueError(TOO_MANY_PIPS.format(largest=LARGEST_EXPORT_PIPS, loops=loops, period=source.period_pips,
                                              total=total))
    pips = range(start_pip, start_pip + total)
    return Timeline(source.name, bpm, start_pip, tuple(map(source.position, pips)), source.dimensions, True)


def recording_timeline(source: RecordingSource, bpm: float | None = None) -> Timeline:
    """The recorded pips at the recording's own tempo, or at `bpm` when given."""
    pips = range(source.first_pip, source.end_pip)
    return Timeline(source.name, source.recording.bpm if bpm is None else bpm, source.first_pip,
                    tuple(map(source.position, pips)), source.dimensions, False)
