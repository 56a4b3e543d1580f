"""Show files (the `--rig` files of `play`): a show described in TOML (read with tomli) or JSON, by
the file's suffix.

    bpm = 128
    fps = 60

    [sources]
    sweep = "beat_house_classic_surge"

    launch = "bar"            # when a cue takes effect: "now", "beat", "bar" or a number of bars

    [[groups]]
    name = "wash"             # in control addresses and cues; default "1", "2", ... in order
    source = "sweep"          # a name from [sources], or a source as the command line names one
    fixtures = 8              # a count, or a list of tables, one per fixture, with its own settings
    order = "spread"          # "in_step", "spread" or "mirror"
    spread = 32               # pips, or "even"
    universe = 1
    rotate = 45

    [[cues]]                  # the first cue plays from the start
    name = "verse"
    groups.wash = { source = "circle", size = 0.6 }

    [[cues]]
    name = "drop"
    groups.wash = { source = "sweep", fade = 2, speed = 2 }

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
reported with the file and the place in it (`groups[2].fixtures[1].address`), on one line.

Nothing large is built from a file before it is known to fit: its size and nesting are checked
before it is parsed (`file_limits`), and its groups, fixtures (summed over the groups) and sources
and cues are counted before any of them is built. Groups that name the same source share it, so a built-in
loop is read once however many groups play it.
"""

from __future__ import annotations

import dataclasses
import json
import os
from collections.abc import Callable
from pathlib import Path
from typing import Any

from pivolet_show.checks import beats_per_bar, finite_number, frame_rate, latency_ms, playing_seconds, tempo
from pivolet_show.motion.sources import RecordingSource, Source, recording_source, resolve_source
from pivolet_show.show.dmx.patch import start_address
from pivolet_show.show.cue_table import group_names, read_cues, spread
from pivolet_show.show.cues import Cue
from pivolet_show.show.dmx.head_profile import HeadSettings, head_profile
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.file_limits import MOST_SHOW_FILE_BYTES, check_nesting, check_size
from pivolet_show.show.file_table import WRONG_TYPE, Table, flag, names, number, pair, pips, problem_at, text, triple
from pivolet_show.show.fixture_types import FixtureType, load_fixture_type
from pivolet_show.show.fixtures import (
    MOST_FIXTURES, NO_FIXTURES, TOO_MANY_FIXTURES, Fixture, FixtureOrder, group_fixtures, phase_offsets,
)
from pivolet_show.show.inputs import INPUTS
from pivolet_show.show.launch import DEFAULT_LAUNCH, launch
from pivolet_show.show.outputs import OUTPUTS, dmx_universes
from pivolet_show.show.placement import Placement, Stage
from pivolet_show.show.placement import position as aim_position
from pivolet_show.show.placement import yaw as aim_yaw
from pivolet_show.show.plan import GroupPlan, PatchRequest, ShowPlan
from pivolet_show.show.transform import Transform

UNREADABLE = "{path}: cannot read the rig file ({reason})"
MALFORMED = "{path}: not a valid {kind} rig file ({reason})"
UNKNOWN_SUFFIX = "{path}: a rig file is .toml or .json"
WHOLE_FILE = "{path}: {problem}"
NO_GROUPS = "a rig file needs at least one entry in [[groups]]"
TOO_MANY_GROUPS = "a rig file holds at most {most} groups, not {count}"
TOO_MANY_SOURCES = "a rig file names at most {most} sources, not {count}"
UNKNOWN_SOURCE = "no source named {name!r}: {reason}"
NEITHER_BUILTIN_NOR_FILE = "neither a built-in pattern's name nor a file"
NO_GROUP_SOURCE = "missing: expected text (a group plays a source unless the first cue names one for it)"
AXES_NEED_A_RECORDING = "axes choose the axes of a recording; {name} is a pattern"
FIXTURES_KIND = "a whole number of fixtures or a list of tables, one per fixture"
MODE_WITHOUT_TYPE = "mode chooses a mode of a fixture type: name the type's file with type"
NOT_VALUES = "set is a table of channel names (or slot numbers) and DMX values, not {value!r}"
NOT_A_SPEED = "a top speed is a finite number of degrees a second above 0, not {value!r}"
STAGE_WITHOUT_AIM = "stage is the box an aiming group's motion maps onto: set aim = true"
AIM_WITHOUT_STAGE = "a group that aims needs its stage = [[x0, x1], [y0, y1], [z0, z1]] in metres"
AIM_WITHOUT_POSITION = "a head of a group that aims needs its position = [x, y, z] in metres"

MOST_GROUPS = 4096
MOST_SOURCES = 1024

FIXTURE_KEYS = ("universe", "address", "type", "mode", "set", "layout", "footprint", "pan_travel", "tilt_travel",
                "pan_range", "tilt_range", "pan_limits", "tilt_limits", "pan_speed", "tilt_speed", "dimmer", "swap",
                "invert", "scale", "rotate", "offset", "phase", "position", "yaw")
GROUP_KEYS = ("name", "source", "fixtures", "order", "spread", "aim", "stage") + FIXTURE_KEYS
PROTOCOLS = OUTPUTS + INPUTS
TOP_KEYS = ("bpm", "fps", "start_pip", "seconds", "interpolate", "beats_per_bar", "latency_ms", "launch", "sources",
            "groups", "cues") + tuple(
    protocol.name for protocol in PROTOCOLS)
SOURCE_KEYS = ("source", "axes")


class RigFileReader:
    def __init__(self, path: Path):
        self.path = path
        # Every group or source that names the same thing shares one source, read once.
        self._types: dict[tuple[Path, str | None], FixtureType] = {}
        self._resolved: dict[str, Source] = {}

    def fail(self, where: str, problem: str) -> ValueError:
        return problem_at(self.path, where, problem)

    def load(self) -> dict[str, Any]:
        """The file's data, once its size and nesting are known to be within bounds."""
        suffix = self.path.suffix.lower()
        if suffix not in (".toml", ".json"):
            raise ValueError(UNKNOWN_SUFFIX.format(path=self.path))
        import tomli  # only a show file pays for it
        try:
            with self.path.open("rb") as opened:
                data = opened.read(MOST_SHOW_FILE_BYTES + 1)
                size = max(len(data), os.fstat(opened.fileno()).st_size)
        except OSError as error:
            raise ValueError(UNREADABLE.format(path=self.path, reason=error.strerror or error)) from None
        try:
            check_size(size)
            decoded = data.decode("utf-8")
            check_nesting(decoded, toml=suffix == ".toml")
        except UnicodeDecodeError as error:
            raise ValueError(MALFORMED.format(path=self.path, kind=suffix[1:].upper(), reason=error)) from None
        except ValueError as error:
            raise ValueError(WHOLE_FILE.format(path=self.path, problem=error)) from None
        try:
            loaded: dict[str, Any] = tomli.loads(decoded) if suffix == ".toml" else json.loads(decoded)
            return loaded
        # A parser's own limits (nesting, the digits of a number) end in RecursionError or ValueError.
        except (ValueError, RecursionError) as error:
            raise ValueError(MALFORMED.format(path=self.path, kind=suffix[1:].upper(), reason=error)) from None

    def plan(self) -> ShowPlan:
        top = Table(self.load(), "", TOP_KEYS, self.fail)
        groups = self._groups(top)
        sources = self._sources(top.table("sources", None))
        named = group_names([group for group, _ in groups])
        cues = read_cues(top, named, lambda name, where: self._named_source(name, sources, where))
        first_cue = dict(cues[0].groups) if cues else {}
        fixtures: list[Fixture] = []
        requests: list[PatchRequest] = []
        plans: list[GroupPlan] = []
        for (group, count), name in zip(groups, named):
            first = first_cue.get(name)
            made, asked, plan = self._group(group, name, count, sources, len(fixtures) + 1,
                                            None if first is None else first.source)
            fixtures += made
            requests += asked
            plans.append(plan)
        self._check_cues(cues, plans, fixtures)
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
            groups=tuple(plans), cues=cues, launch=top.get("launch", launch, DEFAULT_LAUNCH),
            path=self.path, sources=tuple(sources.items()),
        )

    def _check_cues(self, cues: tuple[Cue, ...], groups: list[GroupPlan], fixtures: list[Fixture]) -> None:
        """Refuses a cue whose spread and order cannot lay out its group, where it names its source
        or the group plays its own from the show file."""
        by_name = {group.name: group for group in groups}
        for index, cue in enumerate(cues, start=1):
            for name, asked in cue.groups:
                group = by_name[name]
                source = asked.source if asked.source is not None else fixtures[group.first_number - 1].source
                if asked.home:
                    continue
                try:
                    phase_offsets(asked.order or group.order, group.count,
                                  group.spread if asked.spread is None else asked.spread, source)
                except ValueError as error:
                    raise self.fail(f"cues[{index}].groups.{name}", str(error)) from None

    def _named_source(self, named: str, sources: dict[str, Source], where: str) -> Source:
        return sources[named] if named in sources else self._source(named, None, where)

    def _groups(self, top: Table) -> list[tuple[Table, int]]:
        """Each group's table with its count of fixtures, all counted (and the counts limited)
        before any group is built."""
        groups = top.data.get("groups")
        if not isinstance(groups, list) or not groups:
            raise self.fail("groups", NO_GROUPS)
        if len(groups) > MOST_GROUPS:
            raise self.fail("groups", TOO_MANY_GROUPS.format(most=MOST_GROUPS, count=len(groups)))
        tables = [Table(data, f"groups[{index}]", GROUP_KEYS, self.fail) for index, data in enumerate(groups, start=1)]
        counts = [self._fixture_count(group) for group in tables]
        total = 0
        for group, count in zip(tables, counts):
            total += count
            if total > MOST_FIXTURES:
                raise group.fail("fixtures", TOO_MANY_FIXTURES.format(most=MOST_FIXTURES, count=sum(counts)))
        return list(zip(tables, counts))

    @staticmethod
    def _fixture_count(group: Table) -> int:
        listed = group.data.get("fixtures", 1)
        if isinstance(listed, list):
            count = len(listed)
        elif isinstance(listed, int) and not isinstance(listed, bool):
            count = listed
        else:
            raise group.fail("fixtures", WRONG_TYPE.format(kind=FIXTURES_KIND, value=listed))
        if count < 1:
            raise group.fail("fixtures", NO_FIXTURES.format(count=listed))
        return count

    @staticmethod
    def _protocol_plans(top: Table, protocols: tuple[Any, ...]) -> tuple[Any, ...]:
        """The plans of the tables of `protocols` (or of the one setting of a protocol set by a value,
        such as `console = "HOST:PORT"`), in the order of the registry."""
        return tuple(plan for protocol in protocols for plan in (
            protocol.read_setting(top) if hasattr(protocol, "read_setting")
            else [protocol.read(table) for table in top.tables(protocol.name, protocol.keys)]))

    def _resolve(self, named: str, where: str) -> Source:
        if named not in self._resolved:
            try:
                self._resolved[named] = source_beside(named, self.path)
            except ValueError as error:
                raise self.fail(where, str(error)) from None
        return self._resolved[named]

    def _source(self, named: str, axes: list[str] | None, where: str) -> Source:
        source = self._resolve(named, where)
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
        if len(table.data) > MOST_SOURCES:
            raise self.fail(table.where, TOO_MANY_SOURCES.format(most=MOST_SOURCES, count=len(table.data)))
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

    def _group(self, group: Table, name: str, count: int, sources: dict[str, Source], first_number: int,
               first_cue_source: Source | None) -> tuple[list[Fixture], list[PatchRequest], GroupPlan]:
        if "source" in group.data or first_cue_source is None:
            if "source" not in group.data:
                raise group.fail("source", NO_GROUP_SOURCE)
            source = self._named_source(group.required("source", "text", text), sources, group.place("source"))
        else:
            source = first_cue_source
        listed = group.data.get("fixtures", 1)
        # A fixture's own settings come first; the group's serve every fixture that has none. A
        # group given a count has one set of settings, worked out once and shared by its fixtures.
        if isinstance(listed, list):
            entries = [Table(entry, f"{group.place('fixtures')}[{k}]", FIXTURE_KEYS, self.fail)
                       for k, entry in enumerate(listed, start=1)]
            layers = [[entry, group] for entry in entries]
        else:
            entries, layers = [], [[group]]
        order_default = FixtureOrder.SPREAD if "spread" in group.data else FixtureOrder.IN_STEP
        order = group.get("order", lambda value: FixtureOrder.named(text(value)), order_default)
        transforms = [self._checked(layer, Transform, **self._transform_settings(layer)) for layer in layers]
        phases = [self._setting(layer, "phase", pips, None) for layer in layers]
        stage = self._stage(group)
        heads = [self._head(layer, stage) for layer in layers]
        if not entries:
            transforms, phases, heads = transforms * count, phases * count, heads * count
        spread_given = group.get("spread", spread, 0)
        fixtures = self._checked([group], group_fixtures, source, count, first_number=first_number, order=order,
                                 spread=spread_given, transforms=transforms, phases=phases,
                                 aims=[head.placement for head in heads])
        plan = GroupPlan(name, first_number, count, spread_given, order, tuple(phases))
        # The group's universe and address place its first fixture; the others follow it.
        first = dataclasses.replace(heads[0].request, universe=group.get("universe", dmx_universes().check),
                                    address=group.get("address", start_address), where=group.where)
        if not entries:
            return fixtures, [first] + [dataclasses.replace(heads[0].request, where=group.where)] * (count - 1), plan
        requests = []
        for k, (entry, head) in enumerate(zip(entries, heads)):
            requests.append(dataclasses.replace(
                head.request,
                universe=self._setting([entry], "universe", dmx_universes().check, first.universe if k == 0 else None),
                address=self._setting([entry], "address", start_address, first.address if k == 0 else None),
                where=entry.where))
        return fixtures, requests, plan

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

    def _stage(self, group: Table) -> Stage | None:
        """The stage of a group that aims (None for one that does not)."""
        aims = group.get("aim", flag, False)
        if "stage" in group.data and not aims:
            raise group.fail("stage", STAGE_WITHOUT_AIM)
        if aims and "stage" not in group.data:
            raise group.fail("aim", AIM_WITHOUT_STAGE)
        stage: Stage | None = group.get("stage", Stage.from_lists)
        return stage

    def _fixture_type(self, layer: list[Table]) -> FixtureType | None:
        named = self._setting(layer, "type", text, None)
        mode = self._setting(layer, "mode", text, None)
        if named is None:
            if mode is not None:
                raise self.fail(next(table for table in layer if "mode" in table.data).place("mode"), MODE_WITHOUT_TYPE)
            return None
        # A fixture type's file is found beside the show file, unless its path is absolute.
        path = self.path.parent / named
        key = (path, mode)
        if key not in self._types:
            try:
                self._types[key] = load_fixture_type(path, mode)
            except ValueError as error:
                raise self.fail(next(table for table in layer if "type" in table.data).place("type"), str(error)) from None
        return self._types[key]

    def _head(self, layer: list[Table], stage: Stage | None) -> _Head:
        """A head's DMX profile, its patch request without its place, and where it hangs if it aims."""
        fixture_type = self._fixture_type(layer)
        values: dict[str, object] = {}
        for table in reversed(layer):  # the group's values first, a fixture's own over them
            values.update(table.get("set", channel_values, {}))
        settings = HeadSettings(
            fixture_type, layout=self._setting(layer, "layout", names, None),
            footprint=self._setting(layer, "footprint", lambda value: value, None),
            pan_travel=self._setting(layer, "pan_travel", number, None),
            tilt_travel=self._setting(layer, "tilt_travel", number, None),
            pan_range=self._setting(layer, "pan_range", number, None),
            tilt_range=self._setting(layer, "tilt_range", number, None),
            pan_limits=self._setting(layer, "pan_limits", pair, None),
            tilt_limits=self._setting(layer, "tilt_limits", pair, None),
            dimmer=self._setting(layer, "dimmer", lambda value: value, None),
            values=values, aimed=stage is not None)
        profile: DmxProfile = self._checked(layer, head_profile, settings)
        known = (None, None) if fixture_type is None else fixture_type.top_speeds()
        speeds = (self._setting(layer, "pan_speed", top_speed, known[0]),
                  self._setting(layer, "tilt_speed", top_speed, known[1]))
        placement = None
        if stage is not None:
            position = self._setting(layer, "position", aim_position, None)
            if position is None:
                raise self.fail(layer[0].where, AIM_WITHOUT_POSITION)
            placement = Placement(stage, position, self._setting(layer, "yaw", aim_yaw, 0.0),
                                  profile.pan.reach, profile.tilt.reach)
        head = "" if fixture_type is None else fixture_type.label
        return _Head(PatchRequest(profile=profile, head=head, top_speeds=speeds), placement)


@dataclasses.dataclass(frozen=True)
class _Head:
    request: PatchRequest
    placement: Placement | None


def channel_values(value: Any) -> dict[str, object]:
    if not isinstance(value, dict):
        raise ValueError(NOT_VALUES.format(value=value))
    return value


def top_speed(value: Any) -> float:
    speed = finite_number(value)
    if speed is None or speed <= 0:
        raise ValueError(NOT_A_SPEED.format(value=value))
    return speed


def source_beside(named: str, path: Path | None) -> Source:
    """The source a show file names: a file beside the show file (at `path`), or anything the
    command line could name; ValueError saying why there is none."""
    try:
        candidate = None if path is None else path.parent / named
        beside = candidate is not None and candidate.is_file()
    except (OSError, ValueError):
        beside = False
    try:
        return resolve_source(str(candidate) if beside else named)
    except (KeyError, ValueError, OSError) as error:
        reason = error.strerror if isinstance(error, OSError) else error.args[0] if error.args else error
        raise ValueError(UNKNOWN_SOURCE.format(name=named, reason=reason)) from None


def source_finder(plan: ShowPlan) -> Callable[[str], Source]:
    """Finds the sources that controls name while the show plays: the show file's [sources] by
    name, a built-in, or a file as the show file would name it; each found once, then kept. A name
    that is none of them is refused at once, without the search for close names that the command
    line makes: a control surface may send many, and the show must not wait for them."""
    from pivolet_show.motion.catalogue import builtin_names

    found = dict(plan.sources)
    builtins = frozenset(builtin_names())
    folder = Path() if plan.path is None else plan.path.parent

    def names_a_file(named: str) -> bool:
        try:
            return (folder / named).is_file() or Path(named).is_file()
        except (OSError, ValueError):
            return False

    def find(named: str) -> Source:
        if named not in found:
            if named not in builtins and not names_a_file(named):
                raise ValueError(UNKNOWN_SOURCE.format(name=named, reason=NEITHER_BUILTIN_NOR_FILE))
            found[named] = source_beside(named, plan.path)
        return found[named]
    return find


def load_rig_file(path: Path) -> ShowPlan:
    """The show a rig file describes; ValueError naming the file and the place of any problem."""
    return RigFileReader(path).plan()
