"""Live OSC output: each frame of the chosen fixtures as bundles sent over UDP to one receiver."""

from __future__ import annotations

import socket
from collections.abc import Sequence
from fractions import Fraction
from typing import Any

from pivolet_show.network import bound_udp_socket
from pivolet_show.osc_packing import OscFramePacker, ntp_timetag
from pivolet_show.rig import FixtureState

LABEL = "OSC"


class OscOutput:
    """Sends the fixtures numbered in `numbers` to `address` (a resolved socket address of `family`)."""

    label = LABEL

    def __init__(self, family: int, address: tuple[Any, ...], numbers: Sequence[int], fps: Fraction, *,
                 prefix: str, max_datagram: int, source_port: int = 0):
        self.numbers = tuple(numbers)
        self.fps = fps
        self._address = address
        self._packer = OscFramePacker(self.numbers, prefix, max_datagram)
        self._socket: socket.socket | None = bound_udp_socket(family, source_port, LABEL)

    def prepare(self, states: Sequence[FixtureState], unix_ns: int) -> list[bytearray]:
        return self._packer.pack(ntp_timetag(unix_ns), [(state.pip, *state.position) for state in states])

    def send(self, datagrams: list[bytearray]) -> None:
        assert self._socket is not None
        for datagram in datagrams:
            self._socket.sendto(datagram, self._address)

    def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
            self._socket = None
