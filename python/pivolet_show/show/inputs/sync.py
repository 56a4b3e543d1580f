"""Sync sources: the one source a show's clock may follow, Ableton Link (`link_session`) or a MIDI
clock (`midi_clock`). While one leads, the control commands that would move the clock are refused.

    [sync]
    source = "link"           # or "midi" (a virtual input port named pivolet), or "midi:PORT"
    link_quantum = 4          # Link: the quantum in beats (default: the show's beats per bar)
    link_start_stop = true    # Link: start on the bar where the session's transport starts, hold while stopped

On the command line: `--sync link|midi|midi:PORT`, `--link-quantum N` and `--link-start-stop`.
"""

from __future__ import annotations

import argparse
import dataclasses
from typing import TYPE_CHECKING, Any

from pivolet_show.checks import MOST_BEATS_PER_BAR, argument_type, suggestion
from pivolet_show.show.file_table import Table, flag, problem_at, text

if TYPE_CHECKING:
    from pivolet_show.show.inputs.protocol import Controls, Input
    from pivolet_show.show.plan import ShowPlan

LABEL = "sync"
KEYS = ("source", "link_quantum", "link_start_stop")
SOURCES = ("link", "midi", "midi:PORT")
MIDI_PREFIX = "midi:"

NOT_A_SOURCE = "a sync source is 'link', 'midi' or 'midi:PORT', not {value!r}"
NOT_A_QUANTUM = "Link's quantum is a whole number of beats from 1 to 64, not {value!r}"
ONE_SOURCE = "a show follows one sync source, not {count}"
LINK_SETTING = "{setting} says how to follow Link: it needs the sync source 'link'"


@dataclasses.dataclass(frozen=True)
class SyncPlan:
    """The plan of a sync source."""


@dataclasses.dataclass(frozen=True)
class LinkPlan(SyncPlan):
    quantum: int | None = None  # None: the show's beats per bar
    start_stop: bool = False


@dataclasses.dataclass(frozen=True)
class MidiClockPlan(SyncPlan):
    port: str | None = None  # None: a virtual input port of our own


def sync_source(value: Any) -> SyncPlan:
    if value == "link":
        return LinkPlan()
    if value == "midi":
        return MidiClockPlan()
    if isinstance(value, str) and value.startswith(MIDI_PREFIX) and len(value) > len(MIDI_PREFIX):
        return MidiClockPlan(value[len(MIDI_PREFIX):])
    close = suggestion(value, ("link", "midi")) if isinstance(value, str) else ""
    raise ValueError(NOT_A_SOURCE.format(value=value) + close)


def link_quantum(value: Any) -> int:
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int) or not 1 <= value <= MOST_BEATS_PER_BAR:
        raise ValueError(NOT_A_QUANTUM.format(value=value))
    return value


class SyncProtocol:
    name: str = "sync"
    label: str = LABEL
    keys: tuple[str, ...] = KEYS
    plan_type: type = SyncPlan

    def read(self, table: Table) -> SyncPlan:
        plan = table.required("source", "text", lambda value: sync_source(text(value)))
        settings = {"quantum": table.get("link_quantum", link_quantum),
                    "start_stop": table.get("link_start_stop", flag)}
        for key, setting in zip(("link_quantum", "link_start_stop"), settings.values()):
            if setting is not None and not isinstance(plan, LinkPlan):
                raise table.fail(key, LINK_SETTING.format(setting=key))
        if isinstance(plan, LinkPlan):
            plan = LinkPlan(settings["quantum"], bool(settings["start_stop"]))
        return plan

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--sync", metavar="SOURCE", type=argument_type(sync_source),
                            help="follow Ableton Link ('link') or a MIDI clock ('midi': a virtual input port named "
                                 "pivolet; 'midi:PORT': the one input port whose name holds PORT)")
        parser.add_argument("--link-quantum", metavar="BEATS", type=argument_type(link_quantum),
                            help="Link's quantum, which bars fall on (default: the show's beats per bar)")
        parser.add_argument("--link-start-stop", action="store_true", default=None,
                            help="follow the Link session's transport: start on its bar line, hold while stopped")

    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[SyncPlan, ...]) -> tuple[SyncPlan, ...]:
        """--sync chooses the source (a Link source keeps the file's settings); --link-quantum and
        --link-start-stop set Link's."""
        if len(plans) > 1:  # only a show file can name several
            raise problem_at(arguments.rig, self.name, ONE_SOURCE.format(count=len(plans)))
        plan = plans[0] if plans else None
        if arguments.sync is not None and not (isinstance(arguments.sync, LinkPlan) and isinstance(plan, LinkPlan)):
            plan = arguments.sync
        for setting, key in (("--link-quantum", "quantum"), ("--link-start-stop", "start_stop")):
            value = getattr(arguments, setting[2:].replace("-", "_"))
            if value is None:
                continue
            if not isinstance(plan, LinkPlan):
                raise ValueError(LINK_SETTING.format(setting=setting))
            plan = dataclasses.replace(plan, **{key: value})
        return () if plan is None else (plan,)

    def open(self, plan: SyncPlan, show: ShowPlan, controls: Controls) -> Input:
        if isinstance(plan, LinkPlan):
            from pivolet_show.show.inputs.link_session import LinkSession

            opened: Input = LinkSession(controls.clock, plan.quantum or show.beats_per_bar, plan.start_stop)
        else:
            assert isinstance(plan, MidiClockPlan)
            from pivolet_show.show.inputs.midi_clock import open_midi_clock

            opened = open_midi_clock(plan.port, controls)
        controls.control.leader = opened.label
        return opened


PROTOCOL = SyncProtocol()
