"""What an output protocol offers the show, and what an opened output offers the player.

A protocol is one object, registered in `pivolet_show.show.outputs.OUTPUTS`: its name (the key of
its table in a show file and the stem of its flags), the keys that table may hold and the reader
that turns the table into the protocol's plan, its command-line flags and how they make or change
its plans, and the opening of a plan into an `Output` with its sockets bound.
"""

from __future__ import annotations

import argparse
import dataclasses
from collections.abc import Callable
from fractions import Fraction
from typing import TYPE_CHECKING, Any, Protocol

if TYPE_CHECKING:
    from pivolet_show.show.rig import FixtureFrame
    from pivolet_show.show.dmx.patch import UniverseNumbering
    from pivolet_show.show.file_table import Table
    from pivolet_show.show.plan import ShowPlan


class Output(Protocol):
    """An opened output: `prepare` works a frame out from what its fixtures play (and the frame's
    instant in Unix nanoseconds) into ready bytes, all the packing done, so that `send` at the
    frame's deadline only writes them to its socket. What the fixtures play is what they play
    `latency_ns` after the deadline."""

    label: str
    fps: Fraction
    numbers: tuple[int, ...]
    latency_ns: int

    def prepare(self, frame: FixtureFrame, unix_ns: int) -> Any: ...
    def send(self, prepared: Any) -> None: ...

    def close(self) -> int:
        """Ends the output's streams (if its protocol has a way to) and closes its sockets; the
        number of closing packets that could not be sent. Never raises for a failed send."""


class OutputProtocol(Protocol):
    name: str
    label: str
    keys: tuple[str, ...]
    plan_type: type
    # The universes the protocol numbers, for one that carries DMX; None for one that does not.
    universes: UniverseNumbering | None

    def universes_for(self, plan: Any) -> UniverseNumbering | None:
        """The universes of the show that the output `plan` describes carries (None: no DMX)."""

    def read(self, table: Table) -> Any:
        """The plan that a show file's table of this protocol describes."""

    def add_flags(self, parser: argparse.ArgumentParser) -> None: ...

    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[Any, ...]) -> tuple[Any, ...]:
        """This protocol's plans once the flags given are applied to `plans` (those of a show file, if
        any); ValueError saying what is wrong with the flags."""

    def open(self, plan: Any, show: ShowPlan) -> Output:
        """The output `plan` describes within `show`, ready to send; ValueError if it cannot be had."""


def sent_first_to(plans: tuple[Any, ...], destination: tuple[str, int] | None,
                  make: Callable[[str, int], Any]) -> tuple[Any, ...]:
    """The plans once a flag's HOST:PORT (if given) sends the first of them there, or makes one
    with `make(host, port)` where there is none."""
    if destination is None:
        return plans
    host, port = destination
    first = make(host, port) if not plans else dataclasses.replace(plans[0], host=host, port=port)
    return (first, *plans[1:])
