"""The console as an input of the show: `--console [HOST:]PORT` (or `console = "HOST:PORT"` at the
top of a show file) serves the page on that address, 127.0.0.1 unless a host is given (port 0: one
the system picks, which `play` says); `--console-token TOKEN` is the token a console beyond the
loopback needs. The token is taken from the command line only: a show file travels, a token should not.

The address and token are checked as the plan is made, so a console beyond the loopback without a
token stops `play` (exit status 2) before anything is bound.
"""

from __future__ import annotations

import argparse
import dataclasses
from typing import TYPE_CHECKING

from pivolet_show.checks import argument_type
from pivolet_show.show.console.access import (
    DEFAULT_HOST, TOKEN_WITHOUT_CONSOLE, check_binding, console_address, console_token,
)
from pivolet_show.show.file_table import Table, text

if TYPE_CHECKING:
    from pivolet_show.show.console.server import ConsoleServer
    from pivolet_show.show.inputs.protocol import Controls
    from pivolet_show.show.plan import ShowPlan

LABEL = "console"
CONSOLE_AT = "console on {url}"
CONSOLE_AT_WITH_TOKEN = "console on {url} (with ?token= and the console's token)"


@dataclasses.dataclass(frozen=True)
class ConsolePlan:
    host: str = DEFAULT_HOST
    port: int = 0
    token: str | None = None


class ConsoleProtocol:
    name: str = "console"
    label: str = LABEL
    keys: tuple[str, ...] = ()
    plan_type: type = ConsolePlan

    def read_setting(self, top: Table) -> tuple[ConsolePlan, ...]:
        """A show file's `console = "[HOST:]PORT"`, a setting rather than a table."""
        address = top.get(self.name, lambda value: console_address(text(value)))
        return () if address is None else (ConsolePlan(*address),)

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--console", metavar="[HOST:]PORT", type=argument_type(console_address),
                            help=f"serve the show console (the rig as it goes out, its time, and its controls) "
                                 f"to a browser on this port ({DEFAULT_HOST} unless a host is given; 0: any free port)")
        parser.add_argument("--console-token", metavar="TOKEN", type=argument_type(console_token),
                            help="a token every request to the console must carry (?token=TOKEN); needed for a "
                                 "console beyond the loopback")

    def plans_from_flags(self, arguments: argparse.Namespace,
                         plans: tuple[ConsolePlan, ...]) -> tuple[ConsolePlan, ...]:
        """--console moves the show file's console (or opens one); --console-token protects it."""
        plan = plans[0] if plans else None
        if arguments.console is not None:
            plan = ConsolePlan(*arguments.console)
        token = arguments.console_token
        if plan is None:
            if token is not None:
                raise ValueError(TOKEN_WITHOUT_CONSOLE)
            return ()
        check_binding(plan.host, token)
        # The server's library takes a few hundred milliseconds to import: that is done now, before
        # the clock starts, rather than as the console opens, within the first frames' lead.
        import aiohttp.web  # noqa: F401
        return (dataclasses.replace(plan, token=token),)

    def open(self, plan: ConsolePlan, show: ShowPlan, controls: Controls) -> ConsoleServer:
        from pivolet_show.show.console.server import ConsoleServer
        from pivolet_show.show.console.snapshot import Snapshots

        player = controls.player
        snapshots = Snapshots(controls.control, controls.rig, player.outputs, player.counts, lambda: player.inputs)
        player.watch_frames(snapshots.frame_sent)
        server = ConsoleServer(plan.host, plan.port, plan.token, snapshots, controls.control, controls.call_soon)
        server.start()
        controls.note((CONSOLE_AT if plan.token is None else CONSOLE_AT_WITH_TOKEN).format(url=server.url))
        return server


PROTOCOL = ConsoleProtocol()
