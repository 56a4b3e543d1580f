"""ArtDmx packets: one universe's DMX slots in Art-Net 4's data packet, packed from a layout.

    0   8  ID        "Art-Net" and a zero byte
    8   2  OpCode    0x5000, little-endian
    10  2  ProtVer   14, big-endian
    12  1  Sequence  1 to 255 and round again; 0 would tell the receiver not to reorder
    13  1  Physical  the input port the data came from: 0, as there is none
    14  1  SubUni    the low byte of the port address: sub-net and universe
    15  1  Net       the high seven bits of the port address
    16  2  Length    slots that follow, big-endian, even, from 2 to 512
    18  N  slot 1 to N (no start code)

A port address is 15 bits: net (0 to 127) << 8 | sub-net (0 to 15) << 4 | universe (0 to 15).
Everything but the sequence number and the slots is the same for every frame of a universe, so a
template per universe is packed once and each frame copies it.
"""

from __future__ import annotations

import struct

from pivolet_show.show.dmx.patch import CHANNELS_PER_UNIVERSE

ARTNET_ID = b"Art-Net\x00"
OP_DMX = 0x5000
PROTOCOL_VERSION = 14
HEADER = struct.Struct("<8sH")  # ID and OpCode; the rest is big-endian or single bytes
HEADER_BYTES = 18
SEQUENCE_AT = 12
LOWEST_LENGTH = 2
HIGHEST_PORT_ADDRESS = 0x7FFF
HIGHEST_SEQUENCE = 255


def port_address(net: int, sub_net: int, universe: int) -> int:
    return net << 8 | sub_net << 4 | universe


def net_sub_net_universe(address: int) -> tuple[int, int, int]:
    """A port address as its net, sub-net and universe."""
    return address >> 8, address >> 4 & 0xF, address & 0xF


def data_length(highest_slot: int) -> int:
    """The slots an ArtDmx packet carries to reach slot `highest_slot` (from 1): rounded up to an
    even count, and at least 2."""
    return min(CHANNELS_PER_UNIVERSE, max(LOWEST_LENGTH, highest_slot + highest_slot % 2))


def art_dmx(address: int, length: int) -> bytearray:
    """The ArtDmx packet of the port address `address` with `length` slots, all 0, and sequence 0."""
    packet = bytearray(HEADER.pack(ARTNET_ID, OP_DMX))
    packet += struct.pack(">HBBBBH", PROTOCOL_VERSION, 0, 0, address & 0xFF, address >> 8 & 0x7F, length)
    packet += bytes(length)
    return packet


def next_sequence(sequence: int) -> int:
    """The sequence number after `sequence`: 1 to 255, then 1 again."""
    return sequence % HIGHEST_SEQUENCE + 1
