"""A show file performed on the fake clock, as `play` performs it: its frames sent over OSC to a real
receiver on the loopback, and control messages sent by python-osc to the show's real control port,
each when the clock reaches its pip; or a show log replayed. Every datagram the receiver got is kept
in order, with each frame's fixtures read back by python-osc.

The show files here play at 120 BPM and 128 frames a second: one frame per pip, frame k due exactly
when the clock reads pip k (from the start pip 0), so a message sent "at pip k" arrives while the
player waits for frame k, before that frame is sent.
"""

from __future__ import annotations

import contextlib
import dataclasses
import select
import socket
from fractions import Fraction
from pathlib import Path

from pythonosc.osc_bundle import OscBundle
from pythonosc.udp_client import SimpleUDPClient

from fake_time import SECOND, START, FakeTime
from pivolet_show.cli import build_parser
from pivolet_show.commands.play import build_plan
from pivolet_show.show.clock import TempoClock
from pivolet_show.show.control import Control
from pivolet_show.show.inputs.osc_control import OscControl
from pivolet_show.show.launch import launch_pips
from pivolet_show.show.outputs import open_outputs
from pivolet_show.show.player import Player
from pivolet_show.show.replay import Replay
from pivolet_show.show.rig import Rig
from pivolet_show.show.show_file import source_finder
from pivolet_show.show.show_log import ShowLog

PIPS_PER_SECOND = 128  # at 120 BPM
UNIX_OFFSET_NS = 1_700_000_000 * SECOND


def at_pip(pip: Fraction | int) -> int:
    """The instant the clock reads `pip`, while no command has moved it."""
    return START + int(Fraction(pip) * SECOND / PIPS_PER_SECOND)


@dataclasses.dataclass
class Performance:
    datagrams: list[bytes]
    notes: list[str]
    control: Control
    sacn_datagrams: list[bytes] = dataclasses.field(default_factory=list)

    def frames(self) -> list[dict[int, tuple[int, float, float, float]]]:
        """Each frame's fixtures: number -> (pip, x, y, z), as python-osc reads them."""
        return [{int(message.address.rsplit("/", 1)[1]): tuple(message.params) for message in OscBundle(datagram)}
                for datagram in self.datagrams]


class ScriptedTime(FakeTime):
    """The fake clock; as a wait reaches each scripted instant, its message goes to the control port
    and the port's socket is known to be readable before the player looks at it."""

    def __init__(self, script, receivers):
        super().__init__()
        self.script, self.receivers, self.client, self.port = list(script), receivers, None, None
        self.datagrams: list[list[bytes]] = [[] for _ in receivers]

    def wait(self, selector, deadline_ns):
        self.ns = max(self.ns, deadline_ns)
        while self.script and self.script[0][0] <= self.ns:
            _, address, arguments = self.script.pop(0)
            self.client.send_message(address, arguments)
            select.select([self.port], [], [], 5)
        self.drain()
        return selector.select(0)

    def drain(self):
        for receiver, kept in zip(self.receivers, self.datagrams):
            while select.select([receiver], [], [], 0)[0]:
                kept.append(receiver.recv(65536))


def perform(show: str, tmp_path: Path, script=(), *, seconds: Fraction, log: Path | None = None,
            replay=None, name: str = "show.toml", sacn: bool = False) -> Performance:
    """Plays the show file text `show`, sending each (instant, address, arguments) of `script` to its
    control port, writing the show log to `log` if given, and replaying the events `replay` if given;
    with `sacn`, also to a receiver of sACN."""
    path = tmp_path / name
    path.write_text(show)
    with contextlib.ExitStack() as closing:
        receivers = []
        for _ in range(2 if sacn else 1):
            receivers.append(closing.enter_context(socket.socket(socket.AF_INET, socket.SOCK_DGRAM)))
            receivers[-1].setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
            receivers[-1].bind(("127.0.0.1", 0))
        ports = [receiver.getsockname()[1] for receiver in receivers]
        line = ["play", "--rig", str(path), "--osc", f"127.0.0.1:{ports[0]}"]
        line += ["--sacn", f"127.0.0.1:{ports[1]}"] if sacn else []
        plan = build_plan(build_parser(line).parse_args(line))
        time = ScriptedTime(sorted(script, key=lambda entry: entry[0]), receivers)
        notes: list[str] = []
        written = None
        if log is not None:
            written = ShowLog(log)
            closing.callback(written.close)
        outputs = open_outputs(plan)
        clock = TempoClock(plan.bpm, plan.start_pip, origin_ns=START, beats_per_bar=plan.beats_per_bar, now=time)
        rig = Rig.of_plan(plan, note=notes.append)
        control = Control(clock, rig, lookahead_ns=max(output.latency_ns for output in outputs),
                          launch_pips=launch_pips(plan.launch, plan.beats_per_bar), sources=source_finder(plan),
                          log=None if written is None else written.write, wall_ns=time)
        player = Player(clock, rig, outputs, now=time, wait=time.wait, unix_offset_ns=UNIX_OFFSET_NS)
        closing.callback(player.close)
        port = OscControl(socket.AF_INET, ("127.0.0.1", 0), control, now=time)
        player.add_input(port)
        time.client, time.port = SimpleUDPClient("127.0.0.1", port.address[1]), port.sockets[0]
        closing.callback(time.client._sock.close)
        if replay is not None:
            Replay(replay, control, player.call_at, notes.append).start()
        player.run(seconds)
        time.drain()
    return Performance(time.datagrams[0], notes, control, time.datagrams[1] if sacn else [])
