"""Live sACN (E1.31) output: the chosen fixtures' channels, one DMX data packet per universe per
frame, then a synchronization packet, at the output's frame rate (44 a second at most).

The packets are the `sacn` package's own (`sacn.messages`: its data, sync and stream-terminated
packets), laid out once per universe as rows of one array; preparing a frame writes the fixtures'
channels straight into the rows' slots (the DMX frame assembly every DMX output shares), and
sending fills in each universe's sequence number and writes the ready bytes to this module's own
socket. Two such arrays take turns, so that the frame last sent stays whole while the next is
prepared: it is the one the stream-terminated packets carry. The socket binds an ephemeral
source port by default (a receiver on the same machine can have port 5568), sends to the port it
is given, and never broadcasts: universe discovery is off.

The synchronization packet goes to the sync universe: in multicast mode to that universe's group,
in unicast mode to the same host as the data, so a receiver that synchronises universes gets it
where it gets the data, and one that does not ignores it. When the output closes, every universe
that was sent gets three stream-terminated packets carrying its last frame.
"""

from __future__ import annotations

import argparse
import dataclasses
import random
import socket
from collections.abc import Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, Any, Protocol

from pivolet_show.checks import argument_type, latency_ms, whole_number
from pivolet_show.show.dmx.patch import UniverseNumbering
from pivolet_show.show.dmx.refresh import dmx_frame_rate, frames_per_second
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.file_table import Table, fixture_selection, flag, text
from pivolet_show.show.network import bound_udp_socket, port_number, resolve, split_host_and_port
from pivolet_show.show.outputs.protocol import sent_first_to
if TYPE_CHECKING:
    from pivolet_show.show.rig import FixtureFrame
    from pivolet_show.show.dmx.patch import Patch
    from pivolet_show.show.plan import ShowPlan

LABEL = "sACN"
KEYS = ("host", "multicast", "port", "priority", "source_name", "fps", "fixtures", "source_port", "sync_universe",
        "latency_ms")
UNIVERSES = UniverseNumbering(1, 63999, LABEL)
E131_PORT = 5568
DEFAULT_PRIORITY = 100
DEFAULT_SOURCE_NAME = "pivolet"
DEFAULT_SYNC_UNIVERSE = 63999
MULTICAST_TTL = 8
SYNC_MULTICAST_TTL = 255
CID_BYTES = 16
TERMINATED_PACKETS = 3
# Where a data packet holds its sequence number and its first slot (after the DMX start code), and
# where a synchronization packet holds its sequence number.
DATA_SEQUENCE = 111
DATA_SLOTS = 126
SYNC_SEQUENCE = 44

NO_SACN_HOST = "the sACN output needs a host, or multicast = true"
HOST_AND_MULTICAST = "the sACN output sends either to a host or by multicast, not both"
NOT_A_PRIORITY = "a priority is a whole number from 0 to 200, not {value!r}"
NOT_A_SOURCE_NAME = "a source name is text of at most 63 bytes, not {value!r}"
SACN_IS_IPV4 = "sACN is sent over IPv4 here, and {host!r} is an IPv6 address"


def multicast_group(universe: int) -> str:
    """The IPv4 multicast group of a universe: 239.255 and the universe's two bytes."""
    return f"239.255.{universe >> 8}.{universe & 0xFF}"


def source_name(value: Any) -> str:
    if not isinstance(value, str) or len(value.encode("utf-8")) > 63:
        raise ValueError(NOT_A_SOURCE_NAME.format(value=value))
    return value


def new_cid() -> tuple[int, ...]:
    """A source's identifier, drawn anew for each output as the `sacn` package draws one."""
    return tuple(int(random.random() * 255) for _ in range(CID_BYTES))


class DatagramSocket(Protocol):
    """The little of a UDP socket the output uses; a test passes a double."""

    def sendto(self, data: bytes | bytearray | memoryview, address: tuple[str, int], /) -> int: ...
    def setsockopt(self, level: int, option: int, value: int, /) -> None: ...
    def close(self) -> None: ...


@dataclasses.dataclass(frozen=True)
class SacnPlan:
    host: str | None  # None: multicast, one group per universe
    port: int = E131_PORT
    priority: int = DEFAULT_PRIORITY
    source_name: str = DEFAULT_SOURCE_NAME
    fps: Fraction | None = None  # None: the show's frame rate, at most 44
    fixtures: tuple[int, ...] | None = None
    source_port: int = 0
    sync_universe: int = DEFAULT_SYNC_UNIVERSE
    latency_ms: Fraction | None = None  # None: the show's


class SacnOutput:
    """Sends the fixtures numbered in `numbers`, each patched by `patches` with its `profiles`, to
    `host` (an IPv4 address) or, when `host` is None, to each universe's multicast group, through
    `udp` (by default a socket of its own bound to `source_port`)."""

    label = LABEL

    def __init__(self, host: str | None, numbers: Sequence[int], patches: Sequence[Patch],
                 profiles: Sequence[DmxProfile], fps: Fraction, *, port: int = E131_PORT, source_port: int = 0,
                 priority: int = DEFAULT_PRIORITY, source_name: str = DEFAULT_SOURCE_NAME,
                 sync_universe: int = DEFAULT_SYNC_UNIVERSE, udp: DatagramSocket | None = None,
                 latency_ns: int = 0):
        from sacn.messages.data_packet import DataPacket  # type: ignore[import-untyped]
        from sacn.messages.sync_packet import SyncPacket  # type: ignore[import-untyped]

        # Only an output that opens pays for numpy and the frame assembly: the flags need neither.
        import numpy as np

        from pivolet_show.show.dmx.frame import DmxFrameLayout

        self.numbers = tuple(numbers)
        self.fps = fps
        self.latency_ns = latency_ns
        self._layout = DmxFrameLayout(patches, profiles)
        self.universes = self._layout.universes
        self._multicast = host is None
        cid = new_cid()

        def data_packet(universe: int, **options: Any) -> bytes:
            return bytes(DataPacket(cid=cid, sourceName=source_name, universe=universe, priority=priority, **options).getBytes())

        frames = np.stack([np.frombuffer(data_packet(universe, sync_universe=sync_universe), dtype=np.uint8)
                           for universe in self.universes])
        self._frames = (frames, frames.copy())
        self._rows = tuple([row.data for row in each] for each in self._frames)
        self._terminations = [data_packet(universe, streamTerminated=True) for universe in self.universes]
        self._sync = bytearray(SyncPacket(cid=cid, syncAddr=sync_universe).getBytes())
        self._destinations = [((multicast_group(universe) if host is None else host), port) for universe in self.universes]
        self._sync_destination = (multicast_group(sync_universe) if host is None else host, port)
        self._sequences = [0] * len(self.universes)
        self._sync_sequence = 0
        self._last_sent: int | None = None  # which of the two arrays went out last
        self._udp: DatagramSocket | None = bound_udp_socket(socket.AF_INET, source_port, LABEL) if udp is None else udp

    def prepare(self, frame: FixtureFrame, unix_ns: int) -> int:
        """Writes the frame's channels into the array that did not go out last; that array's index."""
        turn = 1 if self._last_sent == 0 else 0
        self._layout.write(frame.positions, self._frames[turn], DATA_SLOTS, frame.aims, frame.dark)
        return turn

    def _send(self, packet: memoryview | bytearray, index: int, ttl: int) -> None:
        assert self._udp is not None
        sequence = self._sequences[index]
        packet[DATA_SEQUENCE] = sequence
        self._sequences[index] = (sequence + 1) & 0xFF
        if self._multicast:
            self._udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, ttl)
        self._udp.sendto(packet, self._destinations[index])

    def send(self, turn: int) -> None:
        """Sends every universe's packet of the prepared frame, then the sync packet; a packet that
        fails does not keep the others from going out, and the first failure is raised after."""
        assert self._udp is not None
        self._last_sent = turn
        failure: OSError | None = None
        for index, row in enumerate(self._rows[turn]):
            try:
                self._send(row, index, MULTICAST_TTL)
            except OSError as error:
                failure = failure or error
        sync = self._sync
        sync[SYNC_SEQUENCE] = self._sync_sequence
        self._sync_sequence = (self._sync_sequence + 1) & 0xFF
        try:
            if self._multicast:
                self._udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, SYNC_MULTICAST_TTL)
            self._udp.sendto(sync, self._sync_destination)
        except OSError as error:
            failure = failure or error
        if failure is not None:
            raise failure

    def close(self) -> int:
        """Ends every universe's stream with the stream-terminated packets (if a stream was begun),
        then closes the socket; the number of those packets that failed to send."""
        if self._udp is None:
            return 0
        failed = 0
        try:
            if self._last_sent is not None:
                last = self._frames[self._last_sent]
                for index, template in enumerate(self._terminations):
                    terminated = bytearray(template)
                    terminated[DATA_SLOTS:] = last[index, DATA_SLOTS:].tobytes()
                    for _ in range(TERMINATED_PACKETS):
                        try:
                            self._send(terminated, index, MULTICAST_TTL)
                        except OSError:
                            failed += 1
        finally:
            udp, self._udp = self._udp, None
            udp.close()
        return failed


def ipv4_host(host: str) -> str:
    """A host that sACN can reach here: a name or an IPv4 address, never an IPv6 one."""
    if ":" in host:
        raise ValueError(SACN_IS_IPV4.format(host=host))
    return host


def sacn_target(value: str) -> tuple[str, int]:
    host, port = split_host_and_port(value, "--sacn", E131_PORT)
    return ipv4_host(host), port



class SacnProtocol:
    name: str = "sacn"
    label: str = LABEL
    keys: tuple[str, ...] = KEYS
    plan_type: type = SacnPlan
    universes: UniverseNumbering | None = UNIVERSES

    def universes_for(self, plan: SacnPlan) -> UniverseNumbering | None:
        return UNIVERSES

    def read(self, table: Table) -> SacnPlan:
        host = table.get("host", lambda value: ipv4_host(text(value)))
        multicast = table.get("multicast", flag, False)
        if host is None and not multicast:
            raise table.fail("host", NO_SACN_HOST)
        if host is not None and multicast:
            raise table.fail("multicast", HOST_AND_MULTICAST)
        return SacnPlan(
            host,
            port=table.get("port", lambda value: port_number(value, "the sACN port"), E131_PORT),
            priority=table.get("priority", lambda value: whole_number(value, 0, 200, NOT_A_PRIORITY), SacnPlan.priority),
            source_name=table.get("source_name", source_name, SacnPlan.source_name),
            fps=table.get("fps", lambda value: dmx_frame_rate(value, LABEL)),
            fixtures=table.get("fixtures", fixture_selection),
            source_port=table.get("source_port", lambda value: port_number(value, "a source port", 0), 0),
            sync_universe=table.get("sync_universe", UNIVERSES.check, SacnPlan.sync_universe),
            latency_ms=table.get("latency_ms", latency_ms),
        )

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--sacn", metavar="HOST[:PORT]", type=argument_type(sacn_target),
                            help=f"send sACN (E1.31) unicast to this host (port {E131_PORT} unless given)")

    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[SacnPlan, ...]) -> tuple[SacnPlan, ...]:
        """--sacn sends the first sACN output to another host (or makes one)."""
        return sent_first_to(plans, arguments.sacn, SacnPlan)

    def open(self, plan: SacnPlan, show: ShowPlan) -> SacnOutput:
        numbers = show.chosen(plan.fixtures, "the sACN output", f"{self.name}.fixtures")
        patches = show.patches(numbers, UNIVERSES)
        fps = frames_per_second(plan.fps, show.fps)
        host = None
        if plan.host is not None:
            _, (host, _) = resolve(plan.host, plan.port, "the sACN output", socket.AF_INET)
        return SacnOutput(host, numbers, patches, show.profiles(numbers), fps, port=plan.port,
                          source_port=plan.source_port, priority=plan.priority, source_name=plan.source_name,
                          sync_universe=plan.sync_universe, latency_ns=show.latency_ns(plan.latency_ms))


PROTOCOL = SacnProtocol()
