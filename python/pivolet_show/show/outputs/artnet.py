"""Live Art-Net output: the chosen fixtures' channels, one ArtDmx packet per universe per frame, at
the output's frame rate (44 a second at most, DMX's own refresh).

A fixture's universe is a port address here, plus the output's `universe_offset` (0 unless the
show file says otherwise): with both sACN and Art-Net, universe 1 is sACN universe 1 and Art-Net
port address 1 (net 0, sub-net 0, universe 1); a node that counts Art-Net's 0:0:0 as its universe
1 wants `universe_offset = -1`. A packet carries its universe's slots up to the highest one a
fixture takes, rounded up to an even count (see `artnet_packing`); the slots beyond are not sent.

Packets go unicast to one host; only `broadcast = true` in a show file lets the socket send to a
broadcast address. The socket binds a port the system picks unless `source_port` says otherwise.
"""

from __future__ import annotations

import argparse
import dataclasses
import socket
from collections.abc import Sequence
from fractions import Fraction
from typing import TYPE_CHECKING

from pivolet_show.checks import argument_type, latency_ms, whole_number
from pivolet_show.show.dmx.patch import UniverseNumbering
from pivolet_show.show.dmx.refresh import dmx_frame_rate, frames_per_second
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.file_table import Table, fixture_selection, flag, text
from pivolet_show.show.network import bound_udp_socket, port_number, resolve, split_host_and_port
from pivolet_show.show.outputs.artnet_packing import (HEADER_BYTES, HIGHEST_PORT_ADDRESS, SEQUENCE_AT, art_dmx,
                                                      data_length, next_sequence)
from pivolet_show.show.outputs.protocol import sent_first_to

if TYPE_CHECKING:
    from pivolet_show.show.rig import FixtureFrame
    from pivolet_show.show.dmx.patch import Patch
    from pivolet_show.show.plan import ShowPlan

LABEL = "Art-Net"
KEYS = ("host", "port", "broadcast", "fps", "fixtures", "source_port", "universe_offset", "latency_ms")
UNIVERSES = UniverseNumbering(0, HIGHEST_PORT_ADDRESS, LABEL)
ARTNET_PORT = 6454

NOT_AN_OFFSET = "a universe offset is a whole number from -32767 to 32767, not {value!r}"


def numbering(universe_offset: int) -> UniverseNumbering:
    """The universes of a show that port addresses 0 to 32767 carry, less `universe_offset`."""
    return UniverseNumbering(max(0, -universe_offset), HIGHEST_PORT_ADDRESS - universe_offset, LABEL)


@dataclasses.dataclass(frozen=True)
class ArtnetPlan:
    host: str
    port: int = ARTNET_PORT
    broadcast: bool = False
    fps: Fraction | None = None  # None: the show's frame rate, at most 44
    fixtures: tuple[int, ...] | None = None
    source_port: int = 0
    universe_offset: int = 0
    latency_ms: Fraction | None = None  # None: the show's


class ArtnetOutput:
    """Sends the fixtures numbered in `numbers`, each patched by `patches` with its `profiles`, to
    `host` (an IPv4 address), universe u at port address u + `universe_offset`.

    The universes' packets are rows of one array, each as long as the longest; a row is sent up to
    its own length."""

    label = LABEL

    def __init__(self, host: str, numbers: Sequence[int], patches: Sequence[Patch], profiles: Sequence[DmxProfile],
                 fps: Fraction, *, port: int = ARTNET_PORT, source_port: int = 0, broadcast: bool = False,
                 universe_offset: int = 0, latency_ns: int = 0):
        # Only an output that opens pays for numpy and the frame assembly: the flags need neither.
        import numpy as np

        from pivolet_show.show.dmx.frame import DmxFrameLayout

        self.numbers = tuple(numbers)
        self.fps = fps
        self.latency_ns = latency_ns
        self._layout = DmxFrameLayout(patches, profiles)
        self.universes = self._layout.universes
        lengths = [HEADER_BYTES + data_length(highest) for highest in self._layout.highest_slots()]
        self._packets = np.zeros((len(self.universes), max(lengths, default=HEADER_BYTES)), dtype=np.uint8)
        for row, (universe, length) in enumerate(zip(self.universes, lengths)):
            self._packets[row, :length] = np.frombuffer(art_dmx(universe + universe_offset, length - HEADER_BYTES),
                                                        dtype=np.uint8)
        self._rows = [memoryview(row)[:length] for row, length in zip(self._packets, lengths)]
        self._sequences = [0] * len(self.universes)
        self._destination = (host, port)
        self._udp: socket.socket | None = bound_udp_socket(socket.AF_INET, source_port, LABEL)
        if broadcast:
            self._udp.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)

    def prepare(self, frame: FixtureFrame, unix_ns: int) -> None:
        """Writes the frame's channels into the packets (the frame before has gone out by now)."""
        self._layout.write(frame.positions, self._packets, HEADER_BYTES, frame.aims, frame.dark)

    def send(self, prepared: None) -> None:
        """Sends every universe's packet; a packet that fails does not keep the others from going
        out, and the first failure is raised after."""
        assert self._udp is not None
        failure: OSError | None = None
        for index, row in enumerate(self._rows):
            sequence = self._sequences[index] = next_sequence(self._sequences[index])
            row[SEQUENCE_AT] = sequence
            try:
                self._udp.sendto(row, self._destination)
            except OSError as error:
                failure = failure or error
        if failure is not None:
            raise failure

    def close(self) -> int:
        """Art-Net has no end of stream: only the socket closes."""
        if self._udp is not None:
            self._udp.close()
            self._udp = None
        return 0



def artnet_target(value: str) -> tuple[str, int]:
    return split_host_and_port(value, "--artnet", ARTNET_PORT)


class ArtnetProtocol:
    name: str = "artnet"
    label: str = LABEL
    keys: tuple[str, ...] = KEYS
    plan_type: type = ArtnetPlan
    universes: UniverseNumbering | None = UNIVERSES

    def universes_for(self, plan: ArtnetPlan) -> UniverseNumbering | None:
        return numbering(plan.universe_offset)

    def read(self, table: Table) -> ArtnetPlan:
        return ArtnetPlan(
            table.required("host", "text", text),
            port=table.get("port", lambda value: port_number(value, "the Art-Net port"), ARTNET_PORT),
            broadcast=table.get("broadcast", flag, False),
            fps=table.get("fps", lambda value: dmx_frame_rate(value, LABEL)),
            fixtures=table.get("fixtures", fixture_selection),
            source_port=table.get("source_port", lambda value: port_number(value, "a source port", 0), 0),
            universe_offset=table.get("universe_offset", lambda value: whole_number(
                value, -HIGHEST_PORT_ADDRESS, HIGHEST_PORT_ADDRESS, NOT_AN_OFFSET), 0),
            latency_ms=table.get("latency_ms", latency_ms),
        )

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--artnet", metavar="HOST[:PORT]", type=argument_type(artnet_target),
                            help=f"send Art-Net (ArtDmx) unicast to this host (port {ARTNET_PORT} unless given)")

    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[ArtnetPlan, ...]) -> tuple[ArtnetPlan, ...]:
        """--artnet sends the first Art-Net output to another host (or makes one)."""
        return sent_first_to(plans, arguments.artnet, ArtnetPlan)

    def open(self, plan: ArtnetPlan, show: ShowPlan) -> ArtnetOutput:
        numbers = show.chosen(plan.fixtures, "the Art-Net output", f"{self.name}.fixtures")
        patches = show.patches(numbers, numbering(plan.universe_offset))
        fps = frames_per_second(plan.fps, show.fps)
        _, (host, _) = resolve(plan.host, plan.port, "the Art-Net output", socket.AF_INET)
        return ArtnetOutput(host, numbers, patches, show.profiles(numbers), fps, port=plan.port,
                            source_port=plan.source_port, broadcast=plan.broadcast,
                            universe_offset=plan.universe_offset, latency_ns=show.latency_ns(plan.latency_ms))


PROTOCOL = ArtnetProtocol()
