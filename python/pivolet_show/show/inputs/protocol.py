"""What an input protocol offers the show, and what an opened input offers the player.

A protocol has the same shape as an output protocol (name, show-file keys and reader, flags, and
its opening); its opening is also given the show's `Controls`: the clock and the rig, the `Control`
that performs the show's control commands, `call_soon(action)`, which is how an input that runs a
thread of its own hands a change to the player's thread, and `note(text)` for a line said once.
The opened input is then added to the player (`Player.add_input`). An opened `Input` lists the
sockets (or other readable files) the player waits on; when one is readable the player calls
`read(readable)` between frames, on its own thread, where the input may change the clock and the
rig directly (EOFError from `read` says the readable has ended: the player stops watching it). An
input with an `interval_ns` is also polled (`poll(now_ns)`) that often, between frames, on the same
thread. An input checks everything it reads and never lets a bad message stop the play; its
`status()` is a few words for the status line and the summary ('' for none).
"""

from __future__ import annotations

import argparse
import dataclasses
from collections.abc import Callable
from typing import TYPE_CHECKING, Any, Protocol

if TYPE_CHECKING:
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.control import Control
    from pivolet_show.show.file_table import Table
    from pivolet_show.show.plan import ShowPlan
    from pivolet_show.show.player import Player
    from pivolet_show.show.rig import Rig


@dataclasses.dataclass(frozen=True)
class Controls:
    """What an input reaches of the running show."""

    clock: TempoClock
    rig: Rig
    control: Control
    call_soon: Callable[[Callable[[], None]], None]
    note: Callable[[str], None]
    player: Player | None = None  # for an input that follows the frames sent (the console)


class Input(Protocol):
    label: str
    sockets: tuple[Any, ...]
    interval_ns: int | None

    def read(self, readable: Any) -> None: ...
    def poll(self, now_ns: int) -> None: ...
    def status(self) -> str: ...
    def close(self) -> None: ...


class InputProtocol(Protocol):
    name: str
    label: str
    keys: tuple[str, ...]
    plan_type: type

    def read(self, table: Table) -> Any: ...
    def add_flags(self, parser: argparse.ArgumentParser) -> None: ...
    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[Any, ...]) -> tuple[Any, ...]: ...
    def open(self, plan: Any, show: ShowPlan, controls: Controls) -> Input: ...
