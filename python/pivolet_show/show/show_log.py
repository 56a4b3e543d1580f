"""The show log: every control command a running show was given, whatever brought it, one JSON line
each, in the order they were performed, refusals included (marked); and the reading of a log back,
every line checked, for a replay.

    {"log": "pivolet show log", "format": 1}
    {"seq": 1, "wall": "2026-12-09T12:00:01.250000Z", "transport": "osc", "command": "cue", "values": ["drop"], "arrived": "1027/2", "pip": 768}
    {"seq": 2, "wall": "...", "transport": "keys", "command": "nudge", "values": [1], "arrived": "3001/4", "pip": 750, "clock": {"pip": "3005/4", "bpm": "128"}}
    {"seq": 3, "wall": "...", "transport": "osc", "command": "cue", "values": ["dorp"], "arrived": "801", "refused": "no cue 'dorp': ..."}

`seq` counts from 1; `wall` is the Unix time it arrived, in UTC; `command` is its control address
after `/pivolet/` (`group/wash/size` for a group's); `arrived` is the clock's exact pip when it
arrived, and `pip` the pip it took effect at: a launch's boundary, or for a command that moves the
clock the whole pip it left, with `clock` the exact pip the clock was placed at and its tempo.
Exact pips and tempos are fractions written as text ("1027/2", "128"). A line is written and
flushed as its command is performed, so a show that ends any way at all leaves its log whole.
"""

from __future__ import annotations

import dataclasses
import datetime
import json
import math
from fractions import Fraction
from pathlib import Path
from typing import IO, Any

from pivolet_show.checks import is_number

HEADER = {"log": "pivolet show log", "format": 1}
MOST_LOG_BYTES = 64 << 20
MOST_VALUES = 8
UNIX_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
WALL_FORMAT = "%Y-%m-%dT%H:%M:%S.%fZ"
KEYS = ("seq", "wall", "transport", "command", "values", "arrived", "pip", "clock", "refused")

CANNOT_OPEN = "cannot write the show log {path} ({reason})"
CANNOT_READ = "{path}: cannot read the show log ({reason})"
NOT_A_LOG = "{path}: not a show log (its first line is not {header})"
BAD_LINE = "{path}:{line}: {problem}"
TOO_LARGE = "{path}: a show log holds at most {most} bytes"
NOT_JSON = "not a JSON object ({reason})"
UNKNOWN_KEYS = "unknown key {keys}"
BAD_VALUE = "{key} is not {kind}: {value!r}"
OUT_OF_ORDER = "seq {seq} follows seq {last}: the lines are in the order the commands were performed"


@dataclasses.dataclass(frozen=True)
class ControlEvent:
    seq: int
    wall_ns: int
    transport: str
    command: str
    values: tuple[Any, ...]
    arrived: Fraction
    pip: int | None = None
    clock: tuple[Fraction, Fraction] | None = None  # the pip the clock was placed at, and its tempo
    refused: str | None = None

    def line(self) -> str:
        wall = UNIX_EPOCH + datetime.timedelta(microseconds=self.wall_ns // 1000)
        entry: dict[str, Any] = {
            "seq": self.seq, "wall": wall.strftime(WALL_FORMAT), "transport": self.transport,
            "command": self.command, "values": [_loggable(value) for value in self.values],
            "arrived": str(self.arrived)}
        if self.pip is not None:
            entry["pip"] = self.pip
        if self.clock is not None:
            entry["clock"] = {"pip": str(self.clock[0]), "bpm": str(self.clock[1])}
        if self.refused is not None:
            entry["refused"] = self.refused
        return json.dumps(entry, ensure_ascii=False, allow_nan=False)


def _loggable(value: Any) -> Any:
    """A value as JSON holds it: a refused command may have come with a blob or an infinity,
    which the log keeps as text."""
    if isinstance(value, (str, bool, int)) or (isinstance(value, float) and math.isfinite(value)):
        return value
    return repr(value)


class ShowLog:
    """Writes events to a file opened (and emptied) at once, so a log that cannot be written is
    known before the show starts."""

    def __init__(self, path: Path):
        self.path = path
        try:
            self._file: IO[str] | None = path.open("w", encoding="utf-8")
        except OSError as error:
            raise ValueError(CANNOT_OPEN.format(path=path, reason=error.strerror or error)) from None
        self._write(json.dumps(HEADER))

    def _write(self, line: str) -> None:
        assert self._file is not None
        self._file.write(line + "\n")
        self._file.flush()

    def write(self, event: ControlEvent) -> None:
        if self._file is not None:
            self._write(event.line())

    def close(self) -> None:
        if self._file is not None:
            self._file.close()
            self._file = None


def _fraction(text: Any) -> Fraction | None:
    if not isinstance(text, str):
        return None
    try:
        return Fraction(text)
    except (ValueError, ZeroDivisionError):
        return None


def _wall_ns(text: Any) -> int | None:
    try:
        wall = datetime.datetime.strptime(text, WALL_FORMAT).replace(tzinfo=datetime.timezone.utc)
    except (TypeError, ValueError):
        return None
    return (wall - UNIX_EPOCH) // datetime.timedelta(microseconds=1) * 1000


def _event(entry: Any) -> ControlEvent:
    """The event of one line's JSON; ValueError saying what is wrong with it."""
    if not isinstance(entry, dict):
        raise ValueError(NOT_JSON.format(reason="not an object"))
    unknown = sorted(set(entry) - set(KEYS))
    if unknown:
        raise ValueError(UNKNOWN_KEYS.format(keys=", ".join(unknown)))

    def field(key: str, kind: str, convert: Any, required: bool = True) -> Any:
        if key not in entry and not required:
            return None
        converted = convert(entry.get(key))
        if converted is None:
            raise ValueError(BAD_VALUE.format(key=key, kind=kind, value=entry.get(key)))
        return converted

    def whole(value: Any) -> int | None:
        return value if isinstance(value, int) and not isinstance(value, bool) else None

    def values(value: Any) -> tuple[Any, ...] | None:
        plain = isinstance(value, list) and len(value) <= MOST_VALUES and all(
            isinstance(item, (str, bool)) or is_number(item) for item in value)
        return tuple(value) if plain else None

    def clock(value: Any) -> tuple[Fraction, Fraction] | None:
        if not isinstance(value, dict) or set(value) != {"pip", "bpm"}:
            return None
        pip, bpm = _fraction(value["pip"]), _fraction(value["bpm"])
        return None if pip is None or bpm is None or bpm <= 0 else (pip, bpm)

    def text(value: Any) -> str | None:
        return value if isinstance(value, str) else None

    seq = field("seq", "a whole number", lambda value: value if whole(value) is not None and value >= 1 else None)
    return ControlEvent(seq, field("wall", "a UTC time such as 2026-12-09T12:00:01.250000Z", _wall_ns),
                        field("transport", "text", text), field("command", "text", text),
                        field("values", "a list of numbers and texts", values),
                        field("arrived", "an exact pip such as '1027/2'", _fraction),
                        field("pip", "a whole pip", whole, required=False),
                        field("clock", "a table of an exact pip and tempo", clock, required=False),
                        field("refused", "text", text, required=False))


def read_log(path: Path) -> list[ControlEvent]:
    """The events of the log at `path`, in order; ValueError naming the file and line of the first
    problem."""
    try:
        with path.open("rb") as opened:
            data = opened.read(MOST_LOG_BYTES + 1)
    except OSError as error:
        raise ValueError(CANNOT_READ.format(path=path, reason=error.strerror or error)) from None
    if len(data) > MOST_LOG_BYTES:
        raise ValueError(TOO_LARGE.format(path=path, most=MOST_LOG_BYTES))
    lines = data.decode("utf-8", "replace").splitlines()
    if not lines or lines[0].strip() != json.dumps(HEADER):
        raise ValueError(NOT_A_LOG.format(path=path, header=json.dumps(HEADER)))
    events: list[ControlEvent] = []
    for number, line in enumerate(lines[1:], start=2):
        if not line.strip():
            continue
        try:
            try:
                entry = json.loads(line)
            except (ValueError, RecursionError) as error:
                raise ValueError(NOT_JSON.format(reason=error)) from None
            event = _event(entry)
            if events and event.seq <= events[-1].seq:
                raise ValueError(OUT_OF_ORDER.format(seq=event.seq, last=events[-1].seq))
        except ValueError as error:
            raise ValueError(BAD_LINE.format(path=path, line=number, problem=error)) from None
        events.append(event)
    return events
