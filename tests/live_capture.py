"""Plays a show on a fake monotonic clock into real UDP receivers on the loopback and keeps every
datagram each output sent, in order: a play whose bytes can be compared from one version of the
player and its outputs to the next.

The clock starts at a fixed instant, Unix time is that instant plus a fixed offset, and the sACN
source identifier is drawn from a seeded generator, so the same show gives the same bytes on every
run. The receivers are drained whenever the player waits, so no datagram is dropped for want of
buffer space.
"""

from __future__ import annotations

import hashlib
import random
import selectors
import socket
from fractions import Fraction

from fake_time import SECOND, FakeTime
from pivolet_show.cli import build_parser
from pivolet_show.commands.play import build_plan
from pivolet_show.show.clock import TempoClock
from pivolet_show.show.outputs import open_outputs
from pivolet_show.show.player import Player
from pivolet_show.show.rig import Rig

START_NS = 5_000 * SECOND
UNIX_OFFSET_NS = 1_700_000_000 * SECOND + 123_456_789
CID_SEED = 18
MOST_DATAGRAMS = 20_000

# The README's two `play` examples, and a rig file of two groups with both outputs.
README_OSC = ("beat_house_classic_surge", "--bpm", "128", "--fps", "60", "--seconds", "5", "--osc", "{osc}")
README_SACN = ("beat_house_classic_surge", "--bpm", "128", "--fps", "60", "--seconds", "5",
               "--sacn", "{sacn}", "--universe", "1", "--fixtures", "8", "--spread", "32")
TWO_GROUPS = """
bpm = 127.3
fps = 50
start_pip = -40
seconds = 2
interpolate = true

[[groups]]
source = "beat_house_classic_surge"
universe = 2
address = 101
fixtures = 6
order = "mirror"
spread = "even"
rotate = 30
tilt_limits = [-60, 60]

[[groups]]
source = "circle"
universe = 5
fixtures = [
  {{ address = 11 }},
  {{ address = 21, invert = "x", layout = ["tilt", "tilt_fine", "pan", "pan_fine", "dimmer"], dimmer = "z" }},
  {{ address = 31, swap = "xy", scale = 0.5, phase = 16, pan_range = 270 }},
]

[osc]
target = "{osc}"
prefix = "/stage"
fixtures = [9, "1-4"]
fps = 120
max_datagram = 200

[sacn]
host = "127.0.0.1"
port = {sacn_port}
priority = 120
source_name = "front of house"
"""


class Receivers:
    """Two UDP sockets bound on the loopback, one per output, kept for the whole capture."""

    def __init__(self) -> None:
        self.sockets = {}
        for label in ("OSC", "sACN"):
            udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
            udp.bind(("127.0.0.1", 0))
            udp.setblocking(False)
            self.sockets[label] = udp
        self.received: dict[str, list[bytes]] = {label: [] for label in self.sockets}

    def port(self, label: str) -> int:
        return int(self.sockets[label].getsockname()[1])

    def drain(self) -> None:
        for label, udp in self.sockets.items():
            kept = self.received[label]
            while len(kept) < MOST_DATAGRAMS:
                try:
                    kept.append(udp.recv(65536))
                except BlockingIOError:
                    break

    def close(self) -> None:
        for udp in self.sockets.values():
            udp.close()


class CaptureTime(FakeTime):
    """The fake clock, draining the receivers whenever the player waits."""

    def __init__(self, receivers: Receivers) -> None:
        super().__init__(START_NS)
        self.receivers = receivers

    def wait(self, selector: selectors.BaseSelector, deadline_ns: int) -> list:
        self.receivers.drain()
        return super().wait(selector, deadline_ns)


def digest(datagrams: list[bytes]) -> str:
    """One SHA-256 over the datagrams in order, each preceded by its length."""
    hashed = hashlib.sha256()
    for datagram in datagrams:
        hashed.update(len(datagram).to_bytes(4, "big") + datagram)
    return hashed.hexdigest()


def capture(arguments: tuple[str, ...], rig_text: str | None = None, tmp_path=None) -> dict[str, tuple[int, str]]:
    """Plays the `play` command line `arguments` (or the rig file `rig_text`) on the fake clock and
    returns, per output that sent anything, the count of datagrams and their digest."""
    receivers = Receivers()
    try:
        fields = {"osc": f"127.0.0.1:{receivers.port('OSC')}", "sacn": f"127.0.0.1:{receivers.port('sACN')}",
                  "sacn_port": receivers.port("sACN")}
        line = ["play", *(argument.format(**fields) for argument in arguments)]
        if rig_text is not None:
            rig = tmp_path / "rig.toml"
            rig.write_text(rig_text.format(**fields))
            line += ["--rig", str(rig)]
        plan = build_plan(build_parser(line).parse_args(line))
        random.seed(CID_SEED)
        outputs = open_outputs(plan)
        time = CaptureTime(receivers)
        clock = TempoClock(plan.bpm, plan.start_pip, origin_ns=START_NS, beats_per_bar=plan.beats_per_bar, now=time)
        player = Player(clock, Rig.of_plan(plan), outputs, now=time, wait=time.wait,
                        unix_offset_ns=UNIX_OFFSET_NS)
        try:
            player.run(Fraction(plan.seconds))
        finally:
            player.close()
        receivers.drain()
        return {label: (len(datagrams), digest(datagrams)) for label, datagrams in receivers.received.items() if datagrams}
    finally:
        receivers.close()
