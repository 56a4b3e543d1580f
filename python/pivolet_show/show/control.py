"""The commands that change a running show, in one table, whatever brings them.

Each command has a name (the OSC control port's address is `/pivolet/NAME`), the arguments it takes
with the check of each, and what it does to the show. The OSC port and the keyboard, and any other
way in, hand a command's name and arguments to `Control.perform`, on the player's thread (the show's
one writer), so a command is checked and means the same whichever way it came. A refusal is a
ValueError whose message says why; nothing of the show has changed then.
"""

from __future__ import annotations

import dataclasses
import math
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, Any

import pivolet

from pivolet_show.checks import INT32, exact_fraction, is_number, suggestion, tempo, whole_number
from pivolet_show.show.tap_tempo import TapTempo

if TYPE_CHECKING:
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.rig import Rig

ADDRESS_PREFIX = "/pivolet/"
PHASE_UNITS = ("beat", "bar")
# A nudge moves the phase by less than a bar of the longest kind either way.
MOST_NUDGE_PIPS = 64 * 64

UNKNOWN_COMMAND = "no control command {name!r} (known: {known})"
WRONG_COUNT = "{name} takes {count} argument{s} ({kinds}), not {given}"
NOT_A_NUMBER = "{what} is a finite number, not {value!r}"
NOT_A_SEEK = "a seek goes to a whole pip in the 32-bit range, not {value!r}"
NOT_A_UNIT = "a phase resets to the next 'beat' or 'bar', not {value!r}"
NOT_A_NUDGE = "a nudge moves the phase by a finite number of pips from -4096 to 4096, not {value!r}"
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


@dataclasses.dataclass(frozen=True)
class Argument:
    """One argument of a command: what it is called in help and refusals, its OSC type tag, and its check."""

    name: str
    osc_type: str
    check: Callable[[Any], Any]


@dataclasses.dataclass(frozen=True)
class ControlCommand:
    name: str
    arguments: tuple[Argument, ...]
    act: Callable[[Control, int, tuple[Any, ...]], None]
    help: str
    moves_clock: bool = True

    @property
    def address(self) -> str:
        return ADDRESS_PREFIX + self.name

    @property
    def signature(self) -> str:
        return " ".join([self.address, *(argument.osc_type for argument in self.arguments)])


def _tempo(control: Control, at_ns: int, values: tuple[Any, ...]) -> None:
    control.clock.set_tempo(values[0], at_ns)


def _tap(control: Control, at_ns: int, values: tuple[Any, ...]) -> None:
    """The tempo of the taps so far, and the tap's instant on the nearest beat."""
    bpm = control.taps.tap(at_ns)
    anchor = control.clock.anchor
    beat = round(anchor.exact_pip_at(at_ns) / pivolet.PIPS_PER_BEAT) * pivolet.PIPS_PER_BEAT
    control.clock.place(anchor.moved(at_ns, pip=Fraction(beat), bpm=bpm))


def _seek(control: Control, at_ns: int, values: tuple[Any, ...]) -> None:
    control.clock.seek(values[0], at_ns)


def _phase(control: Control, at_ns: int, values: tuple[Any, ...]) -> None:
    control.clock.reset_phase(values[0], at_ns)


def _nudge(control: Control, at_ns: int, values: tuple[Any, ...]) -> None:
    control.clock.nudge(values[0], at_ns)


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
)
BY_NAME = {command.name: command for command in COMMANDS}


class Control:
    """Performs commands on the show: its clock, its rig, and what the commands remember (the taps).

    `leader` names the sync source that leads the clock, if one does: then the commands that would
    move the clock are refused, since the source would place it again at its next reading.
    """

    def __init__(self, clock: TempoClock, rig: Rig):
        self.clock = clock
        self.rig = rig
        self.taps = TapTempo()
        self.leader: str | None = None

    def perform(self, name: str, values: Sequence[Any], at_ns: int) -> ControlCommand:
        """Checks the command `name` with `values` and applies it as of `at_ns`; ValueError saying
        why it was refused, with nothing changed."""
        command = BY_NAME.get(name)
        if command is None:
            known = ", ".join(BY_NAME)
            raise ValueError(UNKNOWN_COMMAND.format(name=name, known=known) + suggestion(str(name), BY_NAME))
        if len(values) != len(command.arguments):
            kinds = ", ".join(f"{argument.name} {argument.osc_type}" for argument in command.arguments) or "none"
            count = len(command.arguments)
            raise ValueError(WRONG_COUNT.format(name=command.address, count=count, s="" if count == 1 else "s",
                                                kinds=kinds, given=len(values)))
        checked = tuple(argument.check(value) for argument, value in zip(command.arguments, values))
        if command.moves_clock and self.leader is not None:
            raise ValueError(CLOCK_LED.format(leader=self.leader, name=command.address))
        command.act(self, at_ns, checked)
        return command
