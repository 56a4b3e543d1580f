"""What an input protocol offers the show, and what an opened input offers the player.

A protocol has the same shape as an output protocol (name, show-file keys and reader, flags, and
its opening); its opening is also given the show's controls: the clock and the rig, and
`call_soon(action)`, which is how an input that runs a thread of its own hands a change to the
player's thread. The opened input is then added to the player (`Player.add_input`). An opened `Input` lists the sockets
the player waits on; when one is readable the player calls `read(socket)` between frames, on its
own thread, where the input may change the clock and the rig directly. An input checks everything
it reads and never lets a bad message stop the play.
"""

from __future__ import annotations

import argparse
import socket
from collections.abc import Callable
from typing import TYPE_CHECKING, Any, Protocol

if TYPE_CHECKING:
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.file_table import Table
    from pivolet_show.show.plan import ShowPlan
    from pivolet_show.show.rig import Rig


class Controls(Protocol):
    """What an input reaches of the running show (the player offers it)."""

    clock: TempoClock
    rig: Rig

    def call_soon(self, action: Callable[[], None]) -> None: ...


class Input(Protocol):
    sockets: tuple[socket.socket, ...]

    def read(self, readable: socket.socket) -> None: ...
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
