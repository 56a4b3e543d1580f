"""Live sACN (E1.31) output: the chosen fixtures' channels, one DMX frame per universe per frame.

The `sacn` package's sender keeps the universes, their priority, destination, sequence numbers and
packets. It is driven here without its own sending thread: each frame is flushed at the player's
deadline, so every universe goes out together, at the output's frame rate (44 a second at most). The socket
is this module's own (the package's extension point for that), so that it binds an ephemeral
source port by default (a receiver on the same machine can have port 5568), sends to the port it
is given, and never broadcasts: universe discovery is off.

A flush ends with an E1.31 synchronization packet on the sync universe. In multicast mode it goes
to that universe's group; in unicast mode to the same host as the data, so a receiver that
synchronises universes gets it where it gets the data, and one that does not ignores it.
"""

from __future__ import annotations

import socket
from collections.abc import Sequence
from fractions import Fraction

import sacn  # type: ignore[import-untyped]
from sacn.messages.root_layer import RootLayer  # type: ignore[import-untyped]
from sacn.sending.sender_socket_base import SenderSocketBase  # type: ignore[import-untyped]

from pivolet_show.dmx import CHANNELS_PER_UNIVERSE, DmxProfile, Patch
from pivolet_show.network import bound_udp_socket
from pivolet_show.rig import FixtureState

LABEL = "sACN"
E131_PORT = 5568
MOST_FRAMES_PER_SECOND = 44  # DMX's own refresh ceiling, per universe
DEFAULT_PRIORITY = 100
DEFAULT_SOURCE_NAME = "pivolet"
DEFAULT_SYNC_UNIVERSE = 63999
MULTICAST_TTL = 8

NO_BROADCAST = "universe discovery is off, so nothing is broadcast"


class DeadlineSocket(SenderSocketBase):  # type: ignore[misc]
    """The sender's socket, without a thread: packets go out when the player flushes a frame."""

    def __init__(self, udp: socket.socket, port: int, unicast_host: str | None):
        super().__init__(listener=None)
        self._udp = udp
        self._port = port
        self._unicast_host = unicast_host

    def start(self) -> None:
        pass

    def stop(self) -> None:
        self._udp.close()

    def send_unicast(self, data: RootLayer, destination: str) -> None:
        self._udp.sendto(bytes(data.getBytes()), (destination, self._port))

    def send_multicast(self, data: RootLayer, destination: str, ttl: int) -> None:
        if self._unicast_host is not None:
            # Only the synchronization packet comes here in unicast mode.
            self.send_unicast(data, self._unicast_host)
            return
        self._udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, ttl)
        self._udp.sendto(bytes(data.getBytes()), (destination, self._port))

    def send_broadcast(self, data: RootLayer) -> None:
        raise RuntimeError(NO_BROADCAST)


class SacnOutput:
    """Sends the fixtures numbered in `numbers`, each patched by `patches` with its `profiles`, to
    `host` (an IPv4 address) or, when `host` is None, to each universe's multicast group."""

    label = LABEL

    def __init__(self, host: str | None, numbers: Sequence[int], patches: Sequence[Patch],
                 profiles: Sequence[DmxProfile], fps: Fraction, *, port: int = E131_PORT, source_port: int = 0,
                 priority: int = DEFAULT_PRIORITY, source_name: str = DEFAULT_SOURCE_NAME,
                 sync_universe: int = DEFAULT_SYNC_UNIVERSE):
        self.numbers = tuple(numbers)
        self.fps = fps
        self.universes = sorted({patch.universe for patch in patches})
        index_of = {universe: index for index, universe in enumerate(self.universes)}
        # Per fixture: its universe's index, the index of its first channel there, and its writer.
        self._slots = [(index_of[patch.universe], patch.address - 1, profile.writer())
                       for patch, profile in zip(patches, profiles)]
        udp = bound_udp_socket(socket.AF_INET, source_port, LABEL)
        self._sender: sacn.sACNsender | None = sacn.sACNsender(
            source_name=source_name, universeDiscovery=False, sync_universe=sync_universe,
            socket=DeadlineSocket(udp, port, host))
        self._sender.manual_flush = True
        self._streaming = False
        for universe in self.universes:
            self._sender.activate_output(universe)
            output = self._sender[universe]
            output.priority = priority
            output.multicast = host is None
            output.ttl = MULTICAST_TTL
            if host is not None:
                output.destination = host

    def prepare(self, states: Sequence[FixtureState], unix_ns: int) -> list[bytearray]:
        frames = [bytearray(CHANNELS_PER_UNIVERSE) for _ in self.universes]
        for (index, start, write), state in zip(self._slots, states):
            write(frames[index], start, state.position)
        return frames

    def send(self, frames: list[bytearray]) -> None:
        assert self._sender is not None
        for universe, frame in zip(self.universes, frames):
            self._sender[universe].dmx_data = frame
        self._streaming = True
        self._sender.flush()

    def close(self) -> None:
        """Ends every universe's stream with the stream-terminated packets (if a stream was begun),
        then closes the socket."""
        if self._sender is None:
            return
        sender, self._sender = self._sender, None
        try:
            if self._streaming:
                for universe in self.universes:
                    sender.deactivate_output(universe)
        finally:
            sender.stop()
