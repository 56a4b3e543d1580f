"""The commands that change a running show, in one table, whatever brings them.

Each command has a name, the arguments it takes with the check of each, and what it does to the
show. Its OSC control address is `/pivolet/NAME`, or for a command about one group
`/pivolet/group/<group>/NAME`; the path after `/pivolet/` (`tempo`, `group/wash/size`) names a
command wherever it comes from. The OSC port and the keyboard, and any other way in, hand a path
and arguments to `Control.perform`, on the player's thread (the show's one writer), so a command is
checked and means the same whichever way it came. A refusal is a ValueError whose message says why;
nothing of the show has changed then.

The clock's commands act at once. A cue, a group's source, size or speed take effect on the next
boundary of the show's launch (`launch`), holds and blackouts on the next pip that no output has
sent; either way never on a pip already sent. Every command performed or refused is numbered in
the order of the performance and handed, with the pip it took effect at, to the show log if there
is one; a replay hands a logged command back with that pip, or with the clock's placing.
"""

from __future__ import annotations

import dataclasses
import math
import time
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, Any

import pivolet

from pivolet_show.checks import INT32, exact_fraction, is_number, suggestion, tempo, whole_number
from pivolet_show.show import cues
from pivolet_show.show.clock import Anchor
from pivolet_show.show.cues import GroupCue, find_cue
from pivolet_show.show.launch import boundary, earliest_pip
from pivolet_show.show.show_log import ControlEvent
from pivolet_show.show.tap_tempo import TapTempo

if TYPE_CHECKING:
    from pivolet_show.motion.sources import Source
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.rig import Rig
    from pivolet_show.show.timeline import Timeline

ADDRESS_PREFIX = "/pivolet/"
GROUP_SCOPE = "group"
PHASE_UNITS = ("beat", "bar")
# A nudge moves the phase by less than a bar of the longest kind either way.
MOST_NUDGE_PIPS = 64 * 64

UNKNOWN_COMMAND = "no control command {name!r} (known: {known})"
UNKNOWN_GROUP = "no group {name!r} (groups: {known})"
WRONG_COUNT = "{name} takes {count} argument{s} ({kinds}), not {given}"
NOT_A_NUMBER = "{what} is a finite number, not {value!r}"
NOT_A_SEEK = "a seek goes to a whole pip in the 32-bit range, not {value!r}"
NOT_A_UNIT = "a phase resets to the next 'beat' or 'bar', not {value!r}"
NOT_A_NUDGE = "a nudge moves the phase by a finite number of pips from -4096 to 4096, not {value!r}"
NOT_A_CUE = "a cue is named by its number from 1 or by its name, not {value!r}"
NOT_A_SWITCH = "a switch is 1 (on) or 0 (off), not {value!r}"
NOT_A_SOURCE = "a source is named by text, not {value!r}"
CLOCK_LED = "the clock follows {leader}: {name} does not move it"


def finite(value: Any, what: str) -> float | int:
    if not is_number(value) or not math.isfinite(value):
        raise ValueError(NOT_A_NUMBER.format(what=what, value=value))
    return value  # type: ignore[no-any-return]


def command_tempo(value: Any) -> Fraction:
    return tempo(finite(value, "a tempo"))


def command_pip(value: Any) -> int:
    return whole_number(value, INT32.start, INT32.stop - 1, NOT_A_SEEK)


def command_unit(value: Any) -> str:
    if value not in PHASE_UNITS:
        close = suggestion(value, PHASE_UNITS) if isinstance(value, str) else ""
        raise ValueError(NOT_A_UNIT.format(value=value) + close)
    return str(value)


def command_nudge(value: Any) -> Fraction:
    if not is_number(value) or not math.isfinite(value) or abs(value) > MOST_NUDGE_PIPS:
        raise ValueError(NOT_A_NUDGE.format(value=value))
    return exact_fraction(value)


def command_cue(value: Any) -> int | str:
    asked = cues.whole_cue_number(value)
    if isinstance(asked, bool) or not isinstance(asked, (int, str)):
        raise ValueError(NOT_A_CUE.format(value=value))
    return asked


def command_switch(value: Any) -> bool:
    """On or off, as a button sends it: 1 or 0, 1.0 or 0.0, or OSC's true and false."""
    if not (isinstance(value, bool) or is_number(value)) or value not in (0, 1):
        raise ValueError(NOT_A_SWITCH.format(value=value))
    return bool(value)


def command_source(value: Any) -> str:
    if not isinstance(value, str) or not value:
        raise ValueError(NOT_A_SOURCE.format(value=value))
    return value


@dataclasses.dataclass(frozen=True)
class Argument:
    """One argument of a command: what it is called in help and refusals, its OSC type tag, and its check."""

    name: str
    osc_type: str
    check: Callable[[Any], Any]


@dataclasses.dataclass(frozen=True)
class Request:
    """A command being performed: when it arrived, the group it names (for a group's command), the
    pip it must take effect at (a replay's; None: its own boundary) and its number in the show."""

    at_ns: int
    group: str | None
    pip: int | None
    number: int


@dataclasses.dataclass(frozen=True)
class ControlCommand:
    """`act` performs the command and returns the pip it takes effect at (None for the clock's
    commands, which act at once); `scope` is GROUP_SCOPE for a command about one group."""

    name: str
    arguments: tuple[Argument, ...]
    act: Callable[[Control, Request, tuple[Any, ...]], int | None]
    help: str
    moves_clock: bool = True
    scope: str | None = None

    @property
    def key(self) -> str:
        """The command's path with `<name>` for the group: `tempo`, `group/<name>/size`."""
        return f"{self.scope}/<name>/{self.name}" if self.scope else self.name

    @property
    def address(self) -> str:
        return ADDRESS_PREFIX + self.key

    @property
    def signature(self) -> str:
        return " ".join([self.address, *(argument.osc_type for argument in self.arguments)])


def _tempo(control: Control, request: Request, values: tuple[Any, ...]) -> None:
    control.clock.set_tempo(values[0], request.at_ns)
    return None


def _tap(control: Control, request: Request, values: tuple[Any, ...]) -> None:
    """The tempo of the taps so far, and the tap's instant on the nearest beat."""
    bpm = control.taps.tap(request.at_ns)
    anchor = control.clock.anchor
    beat = round(anchor.exact_pip_at(request.at_ns) / pivolet.PIPS_PER_BEAT) * pivolet.PIPS_PER_BEAT
    control.clock.place(anchor.moved(request.at_ns, pip=Fraction(beat), bpm=bpm))
    return None


def _seek(control: Control, request: Request, values: tuple[Any, ...]) -> None:
    control.clock.seek(values[0], request.at_ns)
    return None


def _phase(control: Control, request: Request, values: tuple[Any, ...]) -> None:
    control.clock.reset_phase(values[0], request.at_ns)
    return None


def _nudge(control: Control, request: Request, values: tuple[Any, ...]) -> None:
    control.clock.nudge(values[0], request.at_ns)
    return None


def _cue(control: Control, request: Request, values: tuple[Any, ...]) -> int:
    index = find_cue(control.timeline.cues, values[0])
    pip = control.launch_pip(request)
    control.timeline.launch_cue(index, pip, request.number)
    return pip


def _source(control: Control, request: Request, values: tuple[Any, ...]) -> int:
    source = control.source(values[0])
    pip = control.launch_pip(request)
    control.timeline.launch(request.group, GroupCue(source, size=None, speed=None), pip,  # type: ignore[arg-type]
                            request.number)
    return pip


def _master(kind: str) -> Callable[[Control, Request, tuple[Any, ...]], int]:
    def act(control: Control, request: Request, values: tuple[Any, ...]) -> int:
        pip = control.launch_pip(request)
        control.timeline.change(request.group, kind, values[0], pip, request.number)  # type: ignore[arg-type]
        return pip
    return act


def _hold(control: Control, request: Request, values: tuple[Any, ...]) -> int:
    pip = control.next_pip(request)
    groups = list(control.timeline.groups) if request.group is None else [request.group]
    control.timeline.hold(groups, values[0], pip, request.number)
    return pip


def _blackout(control: Control, request: Request, values: tuple[Any, ...]) -> int:
    pip = control.next_pip(request)
    control.timeline.blackout(values[0], pip, request.number)
    return pip


# The control address space, in the order the help and the README list it.
COMMANDS: tuple[ControlCommand, ...] = (
    ControlCommand("tempo", (Argument("bpm", "f", command_tempo),), _tempo,
                   "play at this tempo from now on, with no jump"),
    ControlCommand("tap", (), _tap,
                   "tap tempo: the tempo of the last taps, at most 2 s apart; each tap is a beat"),
    ControlCommand("seek", (Argument("pip", "i", command_pip),), _seek, "go to this pip"),
    ControlCommand("phase", (Argument("unit", "s", command_unit),), _phase,
                   "make now the start of the next 'beat' or 'bar'"),
    ControlCommand("nudge", (Argument("pips", "f", command_nudge),), _nudge,
                   "move the phase by this many pips (ahead when positive)"),
    ControlCommand("cue", (Argument("cue", "i|s", command_cue),), _cue,
                   "launch the cue of this number (from 1) or name, on the next boundary", moves_clock=False),
    ControlCommand("hold", (Argument("on", "i", command_switch),), _hold,
                   "1 holds every group where it is, 0 lets them play on (on the next pip)", moves_clock=False),
    ControlCommand("blackout", (Argument("on", "i", command_switch),), _blackout,
                   "1 sets every dimmer to 0, 0 brings them back (on the next pip)", moves_clock=False),
    ControlCommand("size", (Argument("size", "f", cues.size),), _master("size"),
                   "scale the group's motion about the centre, from 0 to 4, on the next boundary",
                   moves_clock=False, scope=GROUP_SCOPE),
    ControlCommand("speed", (Argument("ratio", "f|s", cues.speed),), _master("ratio"),
                   "play the group at this ratio of the show's pips (1/64 to 64, such as 0.5 or '1/2'), "
                   "on the next boundary", moves_clock=False, scope=GROUP_SCOPE),
    ControlCommand("source", (Argument("source", "s", command_source),), _source,
                   "launch this source (any the command line could name) on the group, on the next boundary",
                   moves_clock=False, scope=GROUP_SCOPE),
    ControlCommand("hold", (Argument("on", "i", command_switch),), _hold,
                   "1 holds the group where it is, 0 lets it play on (on the next pip)",
                   moves_clock=False, scope=GROUP_SCOPE),
)
BY_KEY = {command.key: command for command in COMMANDS}


class Control:
    """Performs commands on the show: its clock, its rig's timeline, and what the commands
    remember (the taps).

    `leader` names the sync source that leads the clock, if one does: then the commands that would
    move the clock are refused, since the source would place it again at its next reading.
    `lookahead_ns` is the largest latency of the show's outputs, `launch_pips` the pips from one
    launch boundary to the next, and `sources(name)` finds a source a control names (by default,
    as the command line would). `log(event)` is told of every command performed or refused.
    """

    def __init__(self, clock: TempoClock, rig: Rig, *, lookahead_ns: int = 0, launch_pips: int = 256,
                 sources: Callable[[str], Source] | None = None, log: Callable[[ControlEvent], None] | None = None,
                 wall_ns: Callable[[], int] = time.time_ns):
        self.clock = clock
        self.rig = rig
        self.timeline: Timeline = rig.timeline
        self.taps = TapTempo()
        self.leader: str | None = None
        self.lookahead_ns = lookahead_ns
        self.launch_pips = launch_pips
        self._sources = sources
        self.log = log
        self._wall_ns = wall_ns
        self.requests = 0
        self.last_refusal = ""

    def next_pip(self, request: Request) -> int:
        """The pip a change asked for now takes effect at: the first no output can have sent."""
        if request.pip is not None:
            return request.pip
        return earliest_pip(self.clock.anchor, request.at_ns, self.lookahead_ns)

    def launch_pip(self, request: Request) -> int:
        """The boundary a launch asked for now takes effect at."""
        if request.pip is not None:
            return request.pip
        return boundary(self.next_pip(request), self.launch_pips)

    def source(self, name: str) -> Source:
        if self._sources is not None:
            return self._sources(name)
        from pivolet_show.motion.sources import resolve_source

        return resolve_source(name)

    def command_at(self, path: str) -> tuple[ControlCommand, str | None]:
        """The command a path names, and the group it names for a group's command."""
        parts = path.split("/")
        if len(parts) == 3 and parts[0] == GROUP_SCOPE:
            command = BY_KEY.get(f"{GROUP_SCOPE}/<name>/{parts[2]}")
            if command is not None:
                if parts[1] not in self.timeline.groups:
                    known = self.timeline.groups
                    raise ValueError(UNKNOWN_GROUP.format(name=parts[1], known=", ".join(known))
                                     + suggestion(parts[1], known))
                return command, parts[1]
        command = BY_KEY.get(path)
        if command is None:
            raise ValueError(UNKNOWN_COMMAND.format(name=path, known=", ".join(BY_KEY)) + suggestion(path, BY_KEY))
        return command, None

    def addresses(self) -> list[tuple[str, ControlCommand]]:
        """Every control address of this show, a group's commands once for each of its groups."""
        found = []
        for command in COMMANDS:
            names = self.timeline.groups if command.scope else [None]
            for group in names:
                found.append((command.address.replace("<name>", group) if group else command.address, command))
        return found

    def perform(self, path: str, values: Sequence[Any], at_ns: int, transport: str = "",
                replayed: ControlEvent | None = None) -> ControlCommand:
        """Checks the command at `path` with `values` and applies it as of `at_ns`, as `replayed`
        says it was applied if it is a logged one; ValueError saying why it was refused, with
        nothing changed."""
        self.requests += 1
        arrived = self.clock.exact_pip_at(at_ns)
        event = ControlEvent(self.requests, self._wall_ns(), transport, str(path), tuple(values), arrived)
        try:
            command, group = self.command_at(str(path))
            if len(values) != len(command.arguments):
                kinds = ", ".join(f"{argument.name} {argument.osc_type}" for argument in command.arguments) or "none"
                count = len(command.arguments)
                raise ValueError(WRONG_COUNT.format(name=command.address, count=count, s="" if count == 1 else "s",
                                                    kinds=kinds, given=len(values)))
            checked = tuple(argument.check(value) for argument, value in zip(command.arguments, values))
            if command.moves_clock and self.leader is not None:
                raise ValueError(CLOCK_LED.format(leader=self.leader, name=command.address))
            if command.moves_clock and replayed is not None and replayed.clock is not None:
                self.clock.place(Anchor(at_ns, *replayed.clock))
                pip = None
            else:
                request = Request(at_ns, group, None if replayed is None else replayed.pip, self.requests)
                pip = command.act(self, request, checked)
        except ValueError as error:
            self.last_refusal = str(error)
            self._log(dataclasses.replace(event, refused=str(error)))
            raise
        if command.moves_clock:
            anchor = self.clock.anchor
            event = dataclasses.replace(event, pip=math.floor(arrived), clock=(anchor.pip, anchor.bpm))
        else:
            event = dataclasses.replace(event, pip=pip)
        self.last_refusal = ""
        self._log(event)
        return command

    def _log(self, event: ControlEvent) -> None:
        if self.log is not None:
            self.log(event)
