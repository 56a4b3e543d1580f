"""Show files (the `--rig` files of `play`): a show described in TOML (read with tomli) or JSON, by
the file's suffix.

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
    latency_ms = 12           # this output's own; `latency_ms` at the top is the show's

    [sync]
    source = "link"           # or "midi", "midi:PORT"

    [control]
    port = 9001

Each output and input protocol reads a table named after it (`[osc]`, or an array `[[osc]]` for
several), with keys of its own. Every key is checked, unknown ones included, and a problem is
reported with the file and the place in it (`groups[2].fixtures[1].address`).
"""

from __future__ import annotations

import json
from collections.abc import Callable
from pathlib import Path
from typing import Any

from pivolet_show.checks import beats_per_bar, frame_rate, latency_ms, playing_seconds, tempo
from pivolet_show.motion.sources import RecordingSource, Source, recording_source, resolve_source
from pivolet_show.show.dmx.patch import start_address
from pivolet_show.show.dmx.profile import DEFAULT_PAN_TRAVEL, DEFAULT_TILT_TRAVEL, AxisRange, DmxProfile
from pivolet_show.show.file_table import Table, flag, names, number, pair, pips, text, triple
from pivolet_show.show.inputs import INPUTS
from pivolet_show.show.outputs import OUTPUTS, dmx_universes
from pivolet_show.show.plan import PatchRequest, ShowPlan
from pivolet_show.show.rig import MOST_FIXTURES, Fixture, FixtureOrder, group_fixtures
from pivolet_show.show.transform import Transform

UNREADABLE = "{path}: cannot read the rig file ({reason})"
MALFORMED = "{path}: not a valid {kind} rig file ({reason})"
UNKNOWN_SUFFIX = "{path}: a rig file is .toml or .json"
PROBLEM_AT = "{path}: {where}: {problem}"
NO_GROUPS = "a rig file needs at least one entry in [[groups]]"
UNKNOWN_SOURCE = "no source named {name!r}: {reason}"
AXES_NEED_A_RECORDING = "axes choose the axes of a recording; {name} is a pattern"

FIXTURE_KEYS = ("universe", "address", "layout", "pan_travel", "tilt_travel", "pan_range", "tilt_range",
                "pan_limits", "tilt_limits", "dimmer", "swap", "invert", "scale", "rotate", "offset", "phase")
GROUP_KEYS = ("source", "fixtures", "order", "spread") + FIXTURE_KEYS
PROTOCOLS = OUTPUTS + INPUTS
TOP_KEYS = ("bpm", "fps", "start_pip", "seconds", "interpolate", "beats_per_bar", "latency_ms", "sources",
            "groups") + tuple(
    protocol.name for protocol in PROTOCOLS)
SOURCE_KEYS = ("source", "axes")


class RigFileReader:
    def __init__(self, path: Path):
        self.path = path

    def fail(self, where: str, problem: str) -> ValueError:
        return ValueError(PROBLEM_AT.format(path=self.path, where=where, problem=problem))

    def load(self) -> dict[str, Any]:
        suffix = self.path.suffix.lower()
        if suffix not in (".toml", ".json"):
            raise ValueError(UNKNOWN_SUFFIX.format(path=self.path))
        import tomli  # only a show file pays for it
        try:
            data = self.path.read_bytes()
        except OSError as error:
            raise ValueError(UNREADABLE.format(path=self.path, reason=error.strerror or error)) from None
        try:
            decoded = data.decode("utf-8")
            loaded: dict[str, Any] = tomli.loads(decoded) if suffix == ".toml" else json.loads(decoded)
            return loaded
        except (tomli.TOMLDecodeError, json.JSONDecodeError, UnicodeDecodeError) as error:
            raise ValueError(MALFORMED.format(path=self.path, kind=suffix[1:].upper(), reason=error)) from None

    def plan(self) -> ShowPlan:
        top = Table(self.load(), "", TOP_KEYS, self.fail)
        sources = self._sources(top.table("sources", None))
        groups = top.data.get("groups")
        if not isinstance(groups, list) or not groups:
            raise self.fail("groups", NO_GROUPS)
        fixtures: list[Fixture] = []
        requests: list[PatchRequest] = []
        for index, data in enumerate(groups, start=1):
            group = Table(data, f"groups[{index}]", GROUP_KEYS, self.fail)
            made, asked = self._group(group, sources, len(fixtures) + 1)
            fixtures += made
            requests += asked
        return ShowPlan(
            tuple(fixtures), tuple(requests),
            bpm=top.get("bpm", tempo, ShowPlan.bpm),
            fps=top.get("fps", frame_rate, ShowPlan.fps),
            start_pip=top.get("start_pip", pips, 0),
            beats_per_bar=top.get("beats_per_bar", beats_per_bar, ShowPlan.beats_per_bar),
            interpolate=top.get("interpolate", flag, False),
            seconds=top.get("seconds", playing_seconds),
            latency_ms=top.get("latency_ms", latency_ms, ShowPlan.latency_ms),
            outputs=self._protocol_plans(top, OUTPUTS),
            inputs=self._protocol_plans(top, INPUTS),
        )

    @staticmethod
    def _protocol_plans(top: Table, protocols: tuple[Any, ...]) -> tuple[Any, ...]:
        """The plans of the tables of `protocols`, in the order of the registry."""
        return tuple(protocol.read(table) for protocol in protocols for table in top.tables(protocol.name, protocol.keys))

    def _source(self, named: str, axes: list[str] | None, where: str) -> Source:
        # A file named in a rig file is found beside it.
        candidate = self.path.parent / named
        try:
            beside = candidate.is_file()
        except (OSError, ValueError):
            beside = False
        try:
            source = resolve_source(str(candidate) if beside else named)
        except (KeyError, ValueError) as error:
            raise self.fail(where, UNKNOWN_SOURCE.format(name=named, reason=error.args[0] if error.args else error)) from None
        if axes is None:
            return source
        if not isinstance(source, RecordingSource):
            raise self.fail(where, AXES_NEED_A_RECORDING.format(name=named))
        try:
            return recording_source(source.recording, axes)
        except ValueError as error:
            raise self.fail(where, str(error)) from None

    def _sources(self, table: Table | None) -> dict[str, Source]:
        if table is None:
            return {}
        sources = {}
        for name, value in table.data.items():
            if isinstance(value, str):
                sources[name] = self._source(value, None, table.place(name))
                continue
            entry = Table(value, table.place(name), SOURCE_KEYS, self.fail)
            named = entry.required("source", "text", text)
            axes = entry.typed("axes", "a list of axis names",
                               lambda value: isinstance(value, list) and all(isinstance(item, str) for item in value))
            sources[name] = self._source(named, axes, entry.place("source"))
        return sources

    def _group(self, group: Table, sources: dict[str, Source],
               first_number: int) -> tuple[list[Fixture], list[PatchRequest]]:
        named = group.required("source", "text", text)
        source = sources[named] if named in sources else self._source(named, None, group.place("source"))
        listed = group.data.get("fixtures", 1)
        if isinstance(listed, list):
            entries = [Table(entry, f"{group.place('fixtures')}[{k}]", FIXTURE_KEYS, self.fail)
                       for k, entry in enumerate(listed, start=1)]
            layers = [[entry, group] for entry in entries]
        else:
            entries = []
            counted = isinstance(listed, int) and not isinstance(listed, bool) and 0 < listed <= MOST_FIXTURES
            layers = [[group]] * listed if counted else []
        order_default = FixtureOrder.SPREAD if "spread" in group.data else FixtureOrder.IN_STEP
        order = group.get("order", lambda value: FixtureOrder.named(text(value)), order_default)
        # A fixture's own settings come first; the group's serve every fixture that has none.
        transforms = [self._checked(layer, Transform, **self._transform_settings(layer)) for layer in layers]
        phases = [self._setting(layer, "phase", pips, None) for layer in layers]
        fixtures = self._checked([group], group_fixtures, source, len(layers) if entries else listed,
                                 first_number=first_number, order=order, spread=group.data.get("spread", 0),
                                 transforms=transforms or None, phases=phases or None)
        requests = []
        for k, layer in enumerate(layers):
            # The group's universe and address place its first fixture; the others follow it.
            own = layer[:-1] if entries else []
            requests.append(PatchRequest(
                universe=self._setting(own, "universe", dmx_universes().check,
                                       group.get("universe", dmx_universes().check) if k == 0 else None),
                address=self._setting(own, "address", start_address,
                                      group.get("address", start_address) if k == 0 else None),
                profile=self._profile(layer)))
        return fixtures, requests

    @staticmethod
    def _setting(layer: list[Table], key: str, convert: Callable[[Any], Any], default: Any) -> Any:
        for table in layer:
            if key in table.data:
                return table.get(key, convert)
        return default

    def _checked(self, layer: list[Table], build: Callable[..., Any], *arguments: Any, **settings: Any) -> Any:
        """`build(...)`, with a ValueError reported at the innermost table of `layer`: the checks
        that weigh several settings together name the setting in their message."""
        try:
            return build(*arguments, **settings)
        except ValueError as error:
            raise self.fail(layer[0].where, str(error)) from None

    def _transform_settings(self, layer: list[Table]) -> dict[str, Any]:
        return {
            "swap": self._setting(layer, "swap", text, ""),
            "invert": self._setting(layer, "invert", text, ""),
            "scale": self._setting(layer, "scale", lambda value: triple(value, 1.0), (1.0, 1.0, 1.0)),
            "rotate": self._setting(layer, "rotate", number, 0.0),
            "offset": self._setting(layer, "offset", lambda value: triple(value, 0.0), (0.0, 0.0, 0.0)),
        }

    def _profile(self, layer: list[Table]) -> DmxProfile:
        def axis(name: str, travel: float) -> AxisRange:
            axis_range: AxisRange = self._checked(layer, AxisRange, name,
                                 self._setting(layer, f"{name}_travel", number, travel),
                                 self._setting(layer, f"{name}_range", number, None),
                                 self._setting(layer, f"{name}_limits", pair, None))
            return axis_range
        dimmer = self._setting(layer, "dimmer", lambda value: value, None)
        layout = self._setting(layer, "layout", names, None)
        if layout is None:
            layout = DmxProfile.layout + (("dimmer",) if dimmer is not None else ())
        profile: DmxProfile = self._checked(layer, DmxProfile, layout, axis("pan", DEFAULT_PAN_TRAVEL),
                             axis("tilt", DEFAULT_TILT_TRAVEL), 1.0 if dimmer is None else dimmer)
        return profile


def load_rig_file(path: Path) -> ShowPlan:
    """The show a rig file describes; ValueError naming the file and the place of any problem."""
    return RigFileReader(path).plan()
