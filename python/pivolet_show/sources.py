"""The motion that the show tool draws, plays and exports: a looping pattern or a recording, each
answering the position at any pip with the module's own values.

A pattern loops, so every pip has a position. A recording covers a span of pips only; outside it the
position holds at the nearest end, and `covers` tells a caller when that happens.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Callable, Sequence
from typing import Union

import pivolet

from pivolet_show.patterns import Loop, Point, find_row

AXIS_NAMES = ("x", "y", "z")

TOO_MANY_AXES = "a recording plays on at most three axes (x, y, z), not {count}"
UNKNOWN_AXIS = "recording {recording} has no axis named {axis}; its axes are: {axes}"


@dataclasses.dataclass(frozen=True)
class PatternSource:
    """A looping pattern, built-in or user: a period of pips and a position at every pip."""

    name: str
    description: str
    period_pips: int
    dimensions: int
    sample: Callable[[int], pivolet.Offset3] = dataclasses.field(repr=False, compare=False)

    def position(self, pip: int) -> Point:
        # Every pattern answers pip p as it answers p mod its period, so any integer is a valid pip,
        # also beyond the module's 32-bit range.
        return self.sample(pip % self.period_pips).as_tuple()

    def loop(self) -> Loop:
        """One loop from pip 0, as the drawing and the gallery take it."""
        points = tuple(self.position(pip) for pip in range(self.period_pips))
        return Loop(self.name, self.description, self.period_pips, self.dimensions, points)


@dataclasses.dataclass(frozen=True)
class RecordingSource:
    """A recording played on x, y and z: each output axis takes one of the recording's axes (by index)
    or none, which stays at 0.0."""

    recording: pivolet.SampledRecording
    axes: tuple[int | None, int | None, int | None]

    @property
    def name(self) -> str:
        return self.recording.name

    @property
    def first_pip(self) -> int:
        return self.recording.start_pip

    @property
    def end_pip(self) -> int:
        """The pip after the last recorded one."""
        return self.recording.start_pip + self.recording.sample_count

    def covers(self, pip: int) -> bool:
        return self.first_pip <= pip < self.end_pip

    def position(self, pip: int) -> Point:
        """The recorded position at `pip`, held at the first or last row outside the recording."""
        held = min(max(pip, self.first_pip), self.end_pip - 1)
        row = self.recording.sample(held)
        x, y, z = (0.0 if axis is None else row[axis] for axis in self.axes)
        return (x, y, z)


Source = Union[PatternSource, RecordingSource]


def builtin_source(name: str) -> PatternSource:
    """A built-in pattern by its exact name; KeyError for a name the module does not know."""
    row = find_row(name)
    return PatternSource(row["name"], row["description"], row["period_pips"], row["dimensions"],
                         lambda pip: pivolet.sample(name, pip))


def pattern_source(pattern: pivolet.SampledPattern) -> PatternSource:
    """A user pattern, with the dimension count that the module derives for it and lists in a library
    (an exact copy of a built-in is listed as that built-in, whose count is the same)."""
    listing = pivolet.PatternLibrary([pattern]).catalogue()
    dimensions = next(row["dimensions"] for row in reversed(listing) if row["name"] == pattern.name)
    return PatternSource(pattern.name, pattern.description, pattern.period_pips, dimensions, pattern.sample)


def recording_source(recording: pivolet.SampledRecording, axes: Sequence[str] | None = None) -> RecordingSource:
    """A recording on x, y, z: its first three axes in order, or the axes named in `axes` (one name
    per output axis, at most three)."""
    names = recording.dimensions
    if axes is None:
        chosen = list(range(min(len(names), len(AXIS_NAMES))))
    else:
        if len(axes) > len(AXIS_NAMES):
            raise ValueError(TOO_MANY_AXES.format(count=len(axes)))
        chosen = []
        for axis in axes:
            if axis not in names:
                raise ValueError(UNKNOWN_AXIS.format(recording=recording.name, axis=axis, axes=", ".join(names)))
            chosen.append(names.index(axis))
    padded = chosen + [None] * (len(AXIS_NAMES) - len(chosen))
    return RecordingSource(recording, (padded[0], padded[1], padded[2]))


def resolve_source(text: str) -> Source:
    """What a command line names as its source: a built-in pattern's name; KeyError otherwise."""
    return builtin_source(text)
