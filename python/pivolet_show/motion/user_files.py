"""The user's own patterns and recordings, read from files.

- A pattern file is JSON, `{"name": ..., "description": ..., "samples": [[x, y, z], ...]}`, or CSV
  with the columns x, y and z, one row per pip. Beside them a CSV may hold the columns pip, beat and
  seconds, as the tool's own CSV export does: a pip column places each row at its pip of the loop,
  beat and seconds are derived from the pip and not read.
- A recording file is CSV whose header names the recording's axes, one row per pip. What makes a
  CSV a recording is its tempo, on a leading comment line such as `# bpm=124 beat_zero_seconds=0.5`
  (the settings are name, bpm, beat_zero_seconds and start_pip) or given by the caller. A pip column
  gives the first row's pip; otherwise start_pip does, or the recording starts at pip 0.

Settings given by the caller win over the file's own; a name given nowhere is the file name's stem.
The module judges every name, count and value, with its own message; when it refuses, this module
says in which file and, where the refused thing stands on one, on which line.
"""

from __future__ import annotations

import csv
import dataclasses
import functools
import io
import json
import math
from collections.abc import Callable, Iterable, Iterator, Sequence
from pathlib import Path
from typing import TypeVar, Union

import pivolet

from pivolet_show.checks import INT32, is_number
from pivolet_show.motion.axes import AXES, Point

UserMotion = Union[pivolet.SampledPattern, pivolet.SampledRecording]

PIP_COLUMN = "pip"
# Columns that tell the time of a row rather than a position; the export writes them.
TIME_COLUMNS = (PIP_COLUMN, "beat", "seconds")
COMMENT = "#"
SETTING_NAMES = ("name", "bpm", "beat_zero_seconds", "start_pip")
JSON_KEYS = ("name", "description", "samples")

CANNOT_READ = "cannot read the file: {reason}"
NOT_UTF8 = "not UTF-8 text"
UNKNOWN_FILE_TYPE = "a pattern file ends in .json or .csv, a recording file in .csv"
NO_HEADER = "no header line naming the columns"
UNKNOWN_SETTING = "unknown setting {word!r}; the settings are " + ", ".join(SETTING_NAMES)
REPEATED_SETTING = "{name} is set twice"
SETTING_NOT_NUMBER = "{name}={value} is not a number"
SETTING_NOT_PIP = "start_pip={text} is not a whole pip"
PATTERN_COLUMNS = ("a pattern file has the columns x, y and z (pip, beat and seconds may stand beside them), "
                   "not {columns}; a recording file says its tempo on a '# bpm=...' line")
REPEATED_COLUMN = "the column {column} appears twice"
ROW_LENGTH = "{found} values where the header names {wanted} columns"
NOT_NUMBER = "{text!r} is not a number"
NOT_PIP = "{text!r} is not a whole pip"
PIP_OUT_OF_RANGE = "pip {pip} lies outside the module's pips, -2147483648 to 2147483647"
PIPS_NOT_CONSECUTIVE = "pip {pip} where pip {expected} was due: the pips count up by one from row to row"
PIP_DISAGREES = "the first row is pip {pip}, but start_pip={start_pip}"
NOT_AN_OBJECT = "a pattern file holds one JSON object with the keys name, description and samples"
UNKNOWN_KEY = "unknown key {key!r}; a pattern file has the keys name, description and samples"
NOT_TEXT = "{key} must be text"
NO_SAMPLES = "samples must be a list of points [x, y, z]"
NOT_A_POINT = "a point is a list of three numbers [x, y, z]"
NOT_FOR_PATTERNS = "{settings} describe a recording, and this file holds a pattern"
NOT_FOR_RECORDINGS = "a recording has no description"


@dataclasses.dataclass(frozen=True)
class FileSettings:
    """What the caller says about a file; each setting given wins over the file's own."""

    name: str | None = None
    description: str | None = None
    bpm: float | None = None
    beat_zero_seconds: float | None = None

    def recording_settings(self) -> list[str]:
        given = {"bpm": self.bpm, "beat_zero_seconds": self.beat_zero_seconds}
        return [name for name, value in given.items() if value is not None]


def _refusal(place: str, message: str) -> ValueError:
    return ValueError(f"{place}: {message}")


def _line_place(path: Path, line: int) -> str:
    return f"{path}:{line}"


def load(path: Path, settings: FileSettings = FileSettings()) -> UserMotion:
    """The pattern or recording that the file at `path` holds; ValueError with a message that names
    the file, and the line where there is one, for anything that cannot be read or built."""
    suffix = path.suffix.lower()
    if suffix not in (".json", ".csv"):
        raise _refusal(str(path), UNKNOWN_FILE_TYPE)
    text = _read_text(path)
    if suffix == ".json":
        return _json_pattern(path, text, settings)
    return _csv_motion(path, text, settings)


def _read_text(path: Path) -> str:
    try:
        data = path.read_bytes()
    except OSError as error:
        raise _refusal(str(path), CANNOT_READ.format(reason=error.strerror or error)) from None
    try:
        return data.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        line = data.count(b"\n", 0, error.start) + 1
        raise _refusal(_line_place(path, line), NOT_UTF8) from None


# ---- what the module refuses, and where it stands ----

Probe = Callable[[], object]
Built = TypeVar("Built")


def _located(build: Callable[[], Built], probes: Iterable[tuple[str, Probe]], fallback: str) -> Built:
    """`build()`, or on the module's refusal a ValueError carrying the module's message and the place
    of the first probe that the module refuses with that same message (else `fallback`): each probe
    builds a small object of the one suspected part, so the module alone decides what is wrong."""
    try:
        return build()
    except ValueError as refusal:
        message = str(refusal)
        raise _refusal(_first_refused(probes, message) or fallback, message) from None


def _first_refused(probes: Iterable[tuple[str, Probe]], message: str) -> str | None:
    for place, probe in probes:
        try:
            probe()
        except ValueError as refusal:
            if str(refusal) == message:
                return place
    return None


# ---- patterns ----

def _pattern(path: Path, name: str, name_place: str, description: str,
             samples: Sequence[Point], places: Sequence[str]) -> pivolet.SampledPattern:
    def probes() -> Iterator[tuple[str, Probe]]:
        yield name_place, lambda: pivolet.SampledPattern(name, "", [(0.0, 0.0, 0.0)])
        for place, point in zip(places, samples):
            yield place, functools.partial(pivolet.SampledPattern, name, "", [point])

    return _located(lambda: pivolet.SampledPattern(name, description, samples), probes(), str(path))


def _number(value: float) -> float:
    # A JSON integer may exceed every double; it is then as far out of range as an infinity.
    try:
        return float(value)
    except OverflowError:
        return math.inf if value > 0 else -math.inf


def _json_pattern(path: Path, text: str, settings: FileSettings) -> pivolet.SampledPattern:
    place = str(path)
    try:
        document = json.loads(text)
    except json.JSONDecodeError as error:
        raise _refusal(f"{path}:{error.lineno}:{error.colno}", error.msg) from None
    if not isinstance(document, dict):
        raise _refusal(place, NOT_AN_OBJECT)
    for key in document:
        if key not in JSON_KEYS:
            raise _refusal(place, UNKNOWN_KEY.format(key=key))
    for key in ("name", "description"):
        if key in document and not isinstance(document[key], str):
            raise _refusal(place, NOT_TEXT.format(key=key))
    points = document.get("samples")
    if not isinstance(points, list):
        raise _refusal(place, NO_SAMPLES)
    samples: list[Point] = []
    places = [f"{path} (sample {index})" for index in range(len(points))]
    for point_place, point in zip(places, points):
        if not (isinstance(point, list) and len(point) == 3 and all(map(is_number, point))):
            raise _refusal(point_place, NOT_A_POINT)
        x, y, z = map(_number, point)
        samples.append((x, y, z))
    if settings.recording_settings():
        raise _refusal(place, NOT_FOR_PATTERNS.format(settings=", ".join(settings.recording_settings())))
    name = _first_given(settings.name, document.get("name"), path.stem)
    description = _first_given(settings.description, document.get("description"), "")
    return _pattern(path, name, place, description, samples, places)


def _first_given(*choices: str | None) -> str:
    return next(choice for choice in choices if choice is not None)


# ---- CSV ----

@dataclasses.dataclass(frozen=True)
class _Setting:
    value: str
    line: int


@dataclasses.dataclass(frozen=True)
class _Table:
    settings: dict[str, _Setting]
    header: list[str]
    header_line: int
    rows: list[tuple[int, list[str]]]  # (line, fields)


def _read_table(path: Path, text: str) -> _Table:
    lines = text.splitlines(keepends=True)
    settings: dict[str, _Setting] = {}
    preamble = 0
    while preamble < len(lines) and (not lines[preamble].strip() or lines[preamble].lstrip().startswith(COMMENT)):
        _read_settings(path, lines[preamble], preamble + 1, settings)
        preamble += 1
    reader = csv.reader(io.StringIO("".join(lines[preamble:]), newline=""), skipinitialspace=True)
    header: list[str] | None = None
    header_line = 0
    rows: list[tuple[int, list[str]]] = []
    for fields in reader:
        line = preamble + reader.line_num
        if not fields:
            continue
        if header is None:
            header, header_line = [field.strip() for field in fields], line
        else:
            rows.append((line, fields))
    if header is None:
        raise _refusal(str(path), NO_HEADER)
    return _Table(settings, header, header_line, rows)


def _read_settings(path: Path, text: str, line: int, settings: dict[str, _Setting]) -> None:
    # Words of the form key=value are settings; other words are free comment.
    for word in text.strip().lstrip(COMMENT).split():
        key, equals, value = word.partition("=")
        if not equals:
            continue
        if key not in SETTING_NAMES:
            raise _refusal(_line_place(path, line), UNKNOWN_SETTING.format(word=word))
        if key in settings:
            raise _refusal(_line_place(path, line), REPEATED_SETTING.format(name=key))
        settings[key] = _Setting(value, line)


def _recording_number(path: Path, table: _Table, name: str, given: float | None) -> tuple[float | None, str]:
    """A number the caller gave, else the file's setting of that name, else None; and its place."""
    setting = table.settings.get(name)
    if given is not None or setting is None:
        return given, str(path)
    place = _line_place(path, setting.line)
    try:
        return float(setting.value), place
    except ValueError:
        raise _refusal(place, SETTING_NOT_NUMBER.format(name=name, value=setting.value)) from None


def _parse_number(path: Path, line: int, text: str) -> float:
    try:
        return float(text)
    except ValueError:
        raise _refusal(_line_place(path, line), NOT_NUMBER.format(text=text)) from None


def _parse_pip(path: Path, line: int, text: str, message: str = NOT_PIP) -> int:
    try:
        pip = int(text)
    except ValueError:
        raise _refusal(_line_place(path, line), message.format(text=text)) from None
    if pip not in INT32:
        raise _refusal(_line_place(path, line), PIP_OUT_OF_RANGE.format(pip=pip))
    return pip


def _pips(path: Path, table: _Table, column: int | None) -> int | None:
    """The pip of the first row, checking that every row's pip follows the one before."""
    if column is None or not table.rows:
        return None
    first: int | None = None
    for index, (line, fields) in enumerate(table.rows):
        pip = _parse_pip(path, line, fields[column] if column < len(fields) else "")
        if first is None:
            first = pip
        elif pip != first + index:
            raise _refusal(_line_place(path, line), PIPS_NOT_CONSECUTIVE.format(pip=pip, expected=first + index))
    return first


def _csv_motion(path: Path, text: str, settings: FileSettings) -> UserMotion:
    table = _read_table(path, text)
    _refuse_repeated(path, table, TIME_COLUMNS)
    if settings.bpm is not None or "bpm" in table.settings:
        return _csv_recording(path, table, settings)
    return _csv_pattern(path, table, settings)


def _refuse_repeated(path: Path, table: _Table, columns: Sequence[str]) -> None:
    for column in columns:
        if table.header.count(column) > 1:
            raise _refusal(_line_place(path, table.header_line), REPEATED_COLUMN.format(column=column))


def _name(path: Path, table: _Table, settings: FileSettings) -> tuple[str, str]:
    """The name and the place it comes from."""
    if settings.name is not None:
        return settings.name, str(path)
    setting = table.settings.get("name")
    if setting is not None:
        return setting.value, _line_place(path, setting.line)
    return path.stem, str(path)


def _csv_pattern(path: Path, table: _Table, settings: FileSettings) -> pivolet.SampledPattern:
    header = table.header
    if any(column not in TIME_COLUMNS + AXES for column in header) or not set(AXES) <= set(header):
        raise _refusal(_line_place(path, table.header_line), PATTERN_COLUMNS.format(columns=", ".join(header)))
    for setting in ("beat_zero_seconds", "start_pip"):
        if setting in table.settings:
            raise _refusal(_line_place(path, table.settings[setting].line), NOT_FOR_PATTERNS.format(settings=setting))
    if settings.recording_settings():
        raise _refusal(str(path), NOT_FOR_PATTERNS.format(settings=", ".join(settings.recording_settings())))
    _refuse_repeated(path, table, AXES)
    axis_columns = [header.index(axis) for axis in AXES]
    samples: list[Point] = []
    for line, fields in table.rows:
        if len(fields) != len(header):
            raise _refusal(_line_place(path, line), ROW_LENGTH.format(found=len(fields), wanted=len(header)))
        x, y, z = (_parse_number(path, line, fields[column]) for column in axis_columns)
        samples.append((x, y, z))
    places = [_line_place(path, line) for line, _ in table.rows]
    first_pip = _pips(path, table, header.index(PIP_COLUMN) if PIP_COLUMN in header else None)
    if first_pip:
        # Row k holds pip first_pip + k, which a loop of n samples plays as sample (first_pip + k) mod n.
        shift = first_pip % len(samples)
        samples = samples[-shift:] + samples[:-shift]
        places = places[-shift:] + places[:-shift]
    name, name_place = _name(path, table, settings)
    description = "" if settings.description is None else settings.description
    return _pattern(path, name, name_place, description, samples, places)


def _csv_recording(path: Path, table: _Table, settings: FileSettings) -> pivolet.SampledRecording:
    if settings.description is not None:
        raise _refusal(str(path), NOT_FOR_RECORDINGS)
    header = table.header
    time_columns = {index for index, column in enumerate(header) if column in TIME_COLUMNS}
    axes = [column for index, column in enumerate(header) if index not in time_columns]
    rows = [[_parse_number(path, line, field) for index, field in enumerate(fields) if index not in time_columns]
            for line, fields in table.rows]
    start_pip = _start_pip(path, table)
    name, name_place = _name(path, table, settings)
    bpm, bpm_place = _recording_number(path, table, "bpm", settings.bpm)
    origin, origin_place = _recording_number(path, table, "beat_zero_seconds", settings.beat_zero_seconds)
    beat_zero_seconds = 0.0 if origin is None else origin
    assert bpm is not None  # a CSV without a tempo is read as a pattern

    def probes() -> Iterator[tuple[str, Probe]]:
        yield name_place, lambda: pivolet.SampledRecording(name, ["a"], [[0.0]], 120.0)
        yield bpm_place, lambda: pivolet.SampledRecording("a", ["a"], [[0.0]], bpm)
        yield origin_place, lambda: pivolet.SampledRecording("a", ["a"], [[0.0]], 120.0, beat_zero_seconds)
        header_place = _line_place(path, table.header_line)
        yield header_place, lambda: pivolet.SampledRecording("a", axes, [[0.0] * len(axes)], 120.0)
        for (line, _), row in zip(table.rows, rows):
            yield _line_place(path, line), functools.partial(pivolet.SampledRecording, "a", axes, [row], 120.0)

    return _located(lambda: pivolet.SampledRecording(name, axes, rows, bpm, beat_zero_seconds, start_pip),
                    probes(), str(path))


def _start_pip(path: Path, table: _Table) -> int:
    setting = table.settings.get("start_pip")
    declared = None if setting is None else _parse_pip(path, setting.line, setting.value, SETTING_NOT_PIP)
    header = table.header
    first = _pips(path, table, header.index(PIP_COLUMN) if PIP_COLUMN in header else None)
    if first is not None and declared is not None and first != declared:
        raise _refusal(_line_place(path, table.rows[0][0]), PIP_DISAGREES.format(pip=first, start_pip=declared))
    return first if first is not None else declared if declared is not None else 0
