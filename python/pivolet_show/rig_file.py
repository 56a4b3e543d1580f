"""Rig files: a show described in TOML (read with tomli) or JSON, by the file's suffix.

    bpm = 128
    fps = 60

    [sources]
    sweep = "beat_house_classic_surge"

    [[groups]]
    source = "sweep"          # a name from [sources], or a source as the command line names one
    fixtures = 8              # a count, or a list of tables, one per fixture, with its own settings
    order = "spread"          # "in_step", "spread" or "mirror"
    spread = 32               # pips, or "even"
    universe = 1
    rotate = 45

    [osc]
    target = "127.0.0.1:9000"

    [sacn]
    host = "127.0.0.1"

Every key is checked, unknown ones included, and a problem is reported with the file and the place
in it (`groups[2].fixtures[1].address`).
"""

from __future__ import annotations

import json
from collections.abc import Callable
from pathlib import Path
from typing import Any

import tomli

from pivolet_show.dmx import (
    DEFAULT_PAN_TRAVEL, DEFAULT_TILT_TRAVEL, AxisRange, DmxProfile, start_address, universe_number, whole_number,
)
from pivolet_show.network import port_number, split_host_and_port
from pivolet_show.osc_packing import check_prefix
from pivolet_show.rig import MOST_FIXTURES, Fixture, FixtureOrder, group_fixtures
from pivolet_show.sacn_output import E131_PORT
from pivolet_show.show_plan import OscPlan, PatchRequest, SacnPlan, ShowPlan, frame_rate, playing_seconds, tempo
from pivolet_show.sources import RecordingSource, Source, recording_source, resolve_source
from pivolet_show.transform import Transform

UNREADABLE = "{path}: cannot read the rig file ({reason})"
MALFORMED = "{path}: not a valid {kind} rig file ({reason})"
UNKNOWN_SUFFIX = "{path}: a rig file is .toml or .json"
PROBLEM_AT = "{path}: {where}: {problem}"
UNKNOWN_KEYS = "unknown key {keys} (known keys: {known})"
WRONG_TYPE = "expected {kind}, not {value!r}"
MISSING = "missing: expected {kind}"
NOT_A_TABLE = "expected a table of settings"
NO_GROUPS = "a rig file needs at least one entry in [[groups]]"
UNKNOWN_SOURCE = "no source named {name!r}: {reason}"
AXES_NEED_A_RECORDING = "axes choose the axes of a recording; {name} is a pattern"
NO_SACN_HOST = "the sACN output needs a host, or multicast = true"
HOST_AND_MULTICAST = "the sACN output sends either to a host or by multicast, not both"
NOT_A_SELECTION = "fixtures are chosen by number or by ranges such as '1-64', not {value!r}"
NOT_A_PRIORITY = "a priority is a whole number from 0 to 200, not {value!r}"
NOT_A_SOURCE_NAME = "a source name is text of at most 63 bytes, not {value!r}"
NOT_A_DATAGRAM_SIZE = "a datagram size is a whole number of bytes from 64 to 65507, not {value!r}"
NOT_A_BAR = "a bar holds a whole number of beats from 1 to 64, not {value!r}"

FIXTURE_KEYS = ("universe", "address", "layout", "pan_travel", "tilt_travel", "pan_range", "tilt_range",
                "pan_limits", "tilt_limits", "dimmer", "swap", "invert", "scale", "rotate", "offset", "phase")
GROUP_KEYS = ("source", "fixtures", "order", "spread") + FIXTURE_KEYS
TOP_KEYS = ("bpm", "fps", "start_pip", "seconds", "interpolate", "beats_per_bar", "sources", "groups", "osc", "sacn")
OSC_KEYS = ("target", "prefix", "max_datagram", "fps", "fixtures", "source_port")
SACN_KEYS = ("host", "multicast", "port", "priority", "source_name", "fps", "fixtures", "source_port", "sync_universe")
SOURCE_KEYS = ("source", "axes")
LARGEST_UDP_PAYLOAD = 65507
SMALLEST_DATAGRAM = 64
MOST_BEATS_PER_BAR = 64


def _is_number(value: Any) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def fixture_selection(value: Any) -> tuple[int, ...]:
    """Fixture numbers from a list of numbers and 'A-B' ranges, in the order given."""
    if not isinstance(value, list) or not value:
        raise ValueError(NOT_A_SELECTION.format(value=value))
    numbers: list[int] = []
    for item in value:
        if isinstance(item, int) and not isinstance(item, bool) and item >= 1:
            numbers.append(item)
            continue
        first, dash, last = item.partition("-") if isinstance(item, str) else ("", "", "")
        if not (dash and first.isdigit() and last.isdigit() and 1 <= int(first) <= int(last)):
            raise ValueError(NOT_A_SELECTION.format(value=item))
        numbers.extend(range(int(first), int(last) + 1))
    return tuple(numbers)


class _Table:
    """A table of the rig file, read key by key with checks that name the place of a problem."""

    def __init__(self, data: Any, where: str, known: tuple[str, ...] | None, fail: Callable[[str, str], ValueError]):
        """`known` lists the keys the table may hold; None lets it hold any (names of its own)."""
        self._fail = fail
        self.where = where
        if not isinstance(data, dict):
            raise fail(where or "the file", NOT_A_TABLE)
        unknown = sorted(set(data) - set(known)) if known is not None else []
        if unknown:
            raise fail(where or "the file", UNKNOWN_KEYS.format(keys=", ".join(unknown), known=", ".join(known or ())))
        self.data = data

    def place(self, key: str) -> str:
        return f"{self.where}.{key}" if self.where else key

    def get(self, key: str, convert: Callable[[Any], Any], default: Any = None) -> Any:
        if key not in self.data:
            return default
        try:
            return convert(self.data[key])
        except ValueError as error:
            raise self._fail(self.place(key), str(error)) from None

    def required(self, key: str, kind: str, convert: Callable[[Any], Any]) -> Any:
        if key not in self.data:
            raise self._fail(self.place(key), MISSING.format(kind=kind))
        return self.get(key, convert)

    def typed(self, key: str, kind: str, check: Callable[[Any], bool], default: Any = None) -> Any:
        def checked(value: Any) -> Any:
            if not check(value):
                raise ValueError(WRONG_TYPE.format(kind=kind, value=value))
            return value
        return self.get(key, checked, default)

    def table(self, key: str, known: tuple[str, ...] | None) -> _Table | None:
        if key not in self.data:
            return None
        return _Table(self.data[key], self.place(key), known, self._fail)


def _number(value: Any) -> float:
    if not _is_number(value):
        raise ValueError(WRONG_TYPE.format(kind="a number", value=value))
    return float(value)


def _pips(value: Any) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise ValueError(WRONG_TYPE.format(kind="a whole number of pips", value=value))
    return value


def _pair(value: Any) -> tuple[float, float]:
    if not (isinstance(value, list) and len(value) == 2 and all(_is_number(item) for item in value)):
        raise ValueError(WRONG_TYPE.format(kind="a list of two numbers", value=value))
    return float(value[0]), float(value[1])


def _names(value: Any) -> tuple[str, ...]:
    if not (isinstance(value, list) and all(isinstance(item, str) for item in value)):
        raise ValueError(WRONG_TYPE.format(kind="a list of channel names", value=value))
    return tuple(value)


def _triple(value: Any, unset: float) -> tuple[float, float, float]:
    """A list of two or three numbers for x, y and z; z is `unset` when left out. A scale may also
    be one number for all three axes."""
    if _is_number(value) and unset == 1.0:
        return (float(value),) * 3
    if isinstance(value, list) and len(value) in (2, 3) and all(_is_number(item) for item in value):
        x, y, z = [float(item) for item in value] + [unset] * (3 - len(value))
        return x, y, z
    kind = "a number or a list of two or three numbers" if unset == 1.0 else "a list of two or three numbers"
    raise ValueError(WRONG_TYPE.format(kind=kind, value=value))


def _text(value: Any) -> str:
    if not isinstance(value, str):
        raise ValueError(WRONG_TYPE.format(kind="text", value=value))
    return value


class RigFileReader:
    def __init__(self, path: Path):
        self.path = path

    def fail(self, where: str, problem: str) -> ValueError:
        return ValueError(PROBLEM_AT.format(path=self.path, where=where, problem=problem))

    def load(self) -> dict[str, Any]:
        suffix = self.path.suffix.lower()
        if suffix not in (".toml", ".json"):
            raise ValueError(UNKNOWN_SUFFIX.format(path=self.path))
        try:
            data = self.path.read_bytes()
        except OSError as error:
            raise ValueError(UNREADABLE.format(path=self.path, reason=error.strerror or error)) from None
        try:
            text = data.decode("utf-8")
            loaded: dict[str, Any] = tomli.loads(text) if suffix == ".toml" else json.loads(text)
            return loaded
        except (tomli.TOMLDecodeError, json.JSONDecodeError, UnicodeDecodeError) as error:
            raise ValueError(MALFORMED.format(path=self.path, kind=suffix[1:].upper(), reason=error)) from None

    def plan(self) -> ShowPlan:
        top = _Table(self.load(), "", TOP_KEYS, self.fail)
        sources = self._sources(top.table("sources", None))
        groups = top.data.get("groups")
        if not isinstance(groups, list) or not groups:
            raise self.fail("groups", NO_GROUPS)
        fixtures: list[Fixture] = []
        requests: list[PatchRequest] = []
        for index, data in enumerate(groups, start=1):
            group = _Table(data, f"groups[{index}]", GROUP_KEYS, self.fail)
            made, asked = self._group(group, sources, len(fixtures) + 1)
            fixtures += made
            requests += asked
        return ShowPlan(
            tuple(fixtures), tuple(requests),
            bpm=top.get("bpm", tempo, ShowPlan.bpm),
            fps=top.get("fps", frame_rate, ShowPlan.fps),
            start_pip=top.typed("start_pip", "a whole number of pips",
                                lambda value: isinstance(value, int) and not isinstance(value, bool), 0),
            beats_per_bar=top.get("beats_per_bar", lambda value: whole_number(value, 1, MOST_BEATS_PER_BAR, NOT_A_BAR), 4),
            interpolate=top.typed("interpolate", "true or false", lambda value: isinstance(value, bool), False),
            seconds=top.get("seconds", playing_seconds),
            osc=self._osc(top.table("osc", OSC_KEYS)),
            sacn=self._sacn(top.table("sacn", SACN_KEYS)),
        )

    def _source(self, text: str, axes: list[str] | None, where: str) -> Source:
        # A file named in a rig file is found beside it.
        candidate = self.path.parent / text
        try:
            beside = candidate.is_file()
        except (OSError, ValueError):
            beside = False
        try:
            source = resolve_source(str(candidate) if beside else text)
        except (KeyError, ValueError) as error:
            raise self.fail(where, UNKNOWN_SOURCE.format(name=text, reason=error.args[0] if error.args else error)) from None
        if axes is None:
            return source
        if not isinstance(source, RecordingSource):
            raise self.fail(where, AXES_NEED_A_RECORDING.format(name=text))
        try:
            return recording_source(source.recording, axes)
        except ValueError as error:
            raise self.fail(where, str(error)) from None

    def _sources(self, table: _Table | None) -> dict[str, Source]:
        if table is None:
            return {}
        sources = {}
        for name, value in table.data.items():
            if isinstance(value, str):
                sources[name] = self._source(value, None, table.place(name))
                continue
            entry = _Table(value, table.place(name), SOURCE_KEYS, self.fail)
            text = entry.required("source", "text", _text)
            axes = entry.typed("axes", "a list of axis names",
                               lambda value: isinstance(value, list) and all(isinstance(item, str) for item in value))
            sources[name] = self._source(text, axes, entry.place("source"))
        return sources

    def _group(self, group: _Table, sources: dict[str, Source],
               first_number: int) -> tuple[list[Fixture], list[PatchRequest]]:
        text = group.required("source", "text", _text)
        source = sources[text] if text in sources else self._source(text, None, group.place("source"))
        listed = group.data.get("fixtures", 1)
        if isinstance(listed, list):
            entries = [_Table(entry, f"{group.place('fixtures')}[{k}]", FIXTURE_KEYS, self.fail)
                       for k, entry in enumerate(listed, start=1)]
            layers = [[entry, group] for entry in entries]
        else:
            entries = []
            counted = isinstance(listed, int) and not isinstance(listed, bool) and 0 < listed <= MOST_FIXTURES
            layers = [[group]] * listed if counted else []
        order_default = FixtureOrder.SPREAD if "spread" in group.data else FixtureOrder.IN_STEP
        order = group.get("order", lambda value: FixtureOrder.named(_text(value)), order_default)
        # A fixture's own settings come first; the group's serve every fixture that has none.
        transforms = [self._checked(layer, Transform, **self._transform_settings(layer)) for layer in layers]
        phases = [self._setting(layer, "phase", _pips, None) for layer in layers]
        fixtures = self._checked([group], group_fixtures, source, len(layers) if entries else listed,
                                 first_number=first_number, order=order, spread=group.data.get("spread", 0),
                                 transforms=transforms or None, phases=phases or None)
        requests = []
        for k, layer in enumerate(layers):
            # The group's universe and address place its first fixture; the others follow it.
            own = layer[:-1] if entries else []
            requests.append(PatchRequest(
                universe=self._setting(own, "universe", universe_number,
                                       group.get("universe", universe_number) if k == 0 else None),
                address=self._setting(own, "address", start_address,
                                      group.get("address", start_address) if k == 0 else None),
                profile=self._profile(layer)))
        return fixtures, requests

    @staticmethod
    def _setting(layer: list[_Table], key: str, convert: Callable[[Any], Any], default: Any) -> Any:
        for table in layer:
            if key in table.data:
                return table.get(key, convert)
        return default

    def _checked(self, layer: list[_Table], build: Callable[..., Any], *arguments: Any, **settings: Any) -> Any:
        """`build(...)`, with a ValueError reported at the innermost table of `layer`: the checks
        that weigh several settings together name the setting in their message."""
        try:
            return build(*arguments, **settings)
        except ValueError as error:
            raise self.fail(layer[0].where, str(error)) from None

    def _transform_settings(self, layer: list[_Table]) -> dict[str, Any]:
        return {
            "swap": self._setting(layer, "swap", _text, ""),
            "invert": self._setting(layer, "invert", _text, ""),
            "scale": self._setting(layer, "scale", lambda value: _triple(value, 1.0), (1.0, 1.0, 1.0)),
            "rotate": self._setting(layer, "rotate", _number, 0.0),
            "offset": self._setting(layer, "offset", lambda value: _triple(value, 0.0), (0.0, 0.0, 0.0)),
        }

    def _profile(self, layer: list[_Table]) -> DmxProfile:
        def axis(name: str, travel: float) -> AxisRange:
            axis_range: AxisRange = self._checked(layer, AxisRange, name,
                                 self._setting(layer, f"{name}_travel", _number, travel),
                                 self._setting(layer, f"{name}_range", _number, None),
                                 self._setting(layer, f"{name}_limits", _pair, None))
            return axis_range
        dimmer = self._setting(layer, "dimmer", lambda value: value, None)
        layout = self._setting(layer, "layout", _names, None)
        if layout is None:
            layout = DmxProfile.layout + (("dimmer",) if dimmer is not None else ())
        profile: DmxProfile = self._checked(layer, DmxProfile, layout, axis("pan", DEFAULT_PAN_TRAVEL),
                             axis("tilt", DEFAULT_TILT_TRAVEL), 1.0 if dimmer is None else dimmer)
        return profile

    def _osc(self, table: _Table | None) -> OscPlan | None:
        if table is None:
            return None
        target = table.required("target", "HOST:PORT", lambda value: split_host_and_port(_text(value), "the OSC target"))
        return OscPlan(
            target[0], target[1],
            prefix=table.get("prefix", lambda value: check_prefix(_text(value)), OscPlan.prefix),
            max_datagram=table.get("max_datagram",
                                   lambda value: whole_number(value, SMALLEST_DATAGRAM, LARGEST_UDP_PAYLOAD, NOT_A_DATAGRAM_SIZE),
                                   OscPlan.max_datagram),
            fps=table.get("fps", frame_rate),
            fixtures=table.get("fixtures", fixture_selection),
            source_port=table.get("source_port", lambda value: port_number(value, "a source port", 0), 0),
        )

    def _sacn(self, table: _Table | None) -> SacnPlan | None:
        if table is None:
            return None
        host = table.get("host", _text)
        multicast = table.typed("multicast", "true or false", lambda value: isinstance(value, bool), False)
        if host is None and not multicast:
            raise self.fail(table.place("host"), NO_SACN_HOST)
        if host is not None and multicast:
            raise self.fail(table.place("multicast"), HOST_AND_MULTICAST)
        return SacnPlan(
            host,
            port=table.get("port", lambda value: port_number(value, "the sACN port"), E131_PORT),
            priority=table.get("priority", lambda value: whole_number(value, 0, 200, NOT_A_PRIORITY), SacnPlan.priority),
            source_name=table.get("source_name", source_name, SacnPlan.source_name),
            fps=table.get("fps", frame_rate),
            fixtures=table.get("fixtures", fixture_selection),
            source_port=table.get("source_port", lambda value: port_number(value, "a source port", 0), 0),
            sync_universe=table.get("sync_universe", universe_number, SacnPlan.sync_universe),
        )


def source_name(value: Any) -> str:
    if not isinstance(value, str) or len(value.encode("utf-8")) > 63:
        raise ValueError(NOT_A_SOURCE_NAME.format(value=value))
    return value


def load_rig_file(path: Path) -> ShowPlan:
    """The show a rig file describes; ValueError naming the file and the place of any problem."""
    return RigFileReader(path).plan()
