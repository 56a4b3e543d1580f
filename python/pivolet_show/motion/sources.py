"""The motion that the show tool draws, plays and exports: a looping pattern or a recording, each
answering the position at any pip with the module's own values.

A pattern loops, so every pip has a position. A recording covers a span of pips only; outside it the
position holds at the nearest end, and `covers` tells a caller when that happens.

A command line names its source as a built-in's name or as the path of a pattern or recording file
(see `motion.user_files`); `resolve_source` turns either into a source.
"""

from __future__ import annotations

import dataclasses
import functools
from collections.abc import Callable, Sequence
from pathlib import Path
from typing import Union

import pivolet

from pivolet_show.motion import user_files
from pivolet_show.motion.axes import AXES, Point
from pivolet_show.motion.catalogue import find_row, unknown_pattern
from pivolet_show.motion.loops import Loop, shortest_repeat

TOO_MANY_AXES = "a recording plays on at most three axes (x, y, z), not {count}"
UNKNOWN_AXIS = "recording {recording} has no axis named {axis}; its axes are: {axes}"
AXES_OF_A_PATTERN = "axes are chosen for a recording, and {source} is a pattern"
SETTINGS_OF_A_BUILTIN = "{name} is a built-in pattern, not a file to read with a name, description or tempo"
NO_SETTINGS = user_files.FileSettings()
RECORDING_DESCRIPTION = "recording of {count} pips from pip {start} at {bpm:g} BPM, axes {axes} on x, y, z"


@dataclasses.dataclass(frozen=True)
class PatternSource:
    """A looping pattern, built-in or user: a period of pips and a position at every pip."""

    name: str
    description: str
    period_pips: int
    dimensions: int
    sample: Callable[[int], pivolet.Offset3] = dataclasses.field(repr=False, compare=False)

    def covers(self, pip: int) -> bool:
        """A loop has a position at every pip."""
        return True

    def position(self, pip: int) -> Point:
        # Every pattern answers pip p as it answers p mod its period, so any integer is a valid pip,
        # also beyond the module's 32-bit range.
        return self.sample(pip % self.period_pips).as_tuple()

    @functools.cached_property
    def repeat_pips(self) -> int:
        """The loop's shortest repeat: the smallest divisor of the period after which the positions
        come round again (128 for a loop of 512 pips that plays one figure four times)."""
        return shortest_repeat(self.loop().points)

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
    def dimensions(self) -> int:
        """How many of x, y and z play an axis of the recording; those after them stay at 0.0."""
        return sum(axis is not None for axis in self.axes)

    @property
    def description(self) -> str:
        names = self.recording.dimensions
        played = ", ".join(names[axis] for axis in self.axes if axis is not None) or "none"
        return RECORDING_DESCRIPTION.format(count=self.recording.sample_count, start=self.first_pip,
                                            bpm=self.recording.bpm, axes=played)

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

    def loop(self) -> Loop:
        """The whole recording as one pass, its first row at pip 0, as the drawing takes it."""
        points = tuple(self.position(pip) for pip in range(self.first_pip, self.end_pip))
        return Loop(self.name, self.description, len(points), max(self.dimensions, 1), points)


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
        chosen = list(range(min(len(names), len(AXES))))
    else:
        if len(axes) > len(AXES):
            raise ValueError(TOO_MANY_AXES.format(count=len(axes)))
        chosen = []
        for axis in axes:
            if axis not in names:
                raise ValueError(UNKNOWN_AXIS.format(recording=recording.name, axis=axis, axes=", ".join(names)))
            chosen.append(names.index(axis))
    padded = chosen + [None] * (len(AXES) - len(chosen))
    return RecordingSource(recording, (padded[0], padded[1], padded[2]))


def _builtin_or_none(text: str) -> PatternSource | None:
    try:
        return builtin_source(text)
    except KeyError:
        return None


def resolve_source(text: str, settings: user_files.FileSettings = NO_SETTINGS,
                   axes: Sequence[str] | None = None) -> Source:
    """What a command line names as its source: a built-in pattern by name, or the pattern or
    recording in the file at that path, read with `settings` (and played on `axes`, for a recording).
    ValueError with one message for anything that cannot be had: an unknown name, a file that cannot
    be read or that the module refuses (naming file and line), a setting that does not apply."""
    source: Source | None = _builtin_or_none(text)
    if source is None:
        source = _file_source(text, settings, axes)
    elif settings != NO_SETTINGS:
        raise ValueError(SETTINGS_OF_A_BUILTIN.format(name=text))
    if axes is not None and isinstance(source, PatternSource):
        raise ValueError(AXES_OF_A_PATTERN.format(source=text))
    return source


def _file_source(text: str, settings: user_files.FileSettings, axes: Sequence[str] | None) -> Source:
    path = Path(text)
    try:
        exists = path.exists()
    except (OSError, ValueError):  # a name too long for a path, or one holding a NUL
        exists = False
    # Built-in names hold no dot and no slash; anything else that names no file is a misspelt name.
    if not (exists or path.suffix or "/" in text):
        raise ValueError(unknown_pattern(text))
    motion = user_files.load(path, settings)
    try:
        if isinstance(motion, pivolet.SampledRecording):
            return recording_source(motion, axes)
        # Refused when the pattern takes a built-in's name without being an exact copy of it.
        return pattern_source(motion)
    except ValueError as error:
        raise ValueError(f"{path}: {error}") from None
