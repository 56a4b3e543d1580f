"""OSC bundles of fixture messages, packed from a layout worked out once.

A frame is one bundle whose timetag is the frame's scheduled time, holding one message per fixture:
address `<prefix>/<fixture number>`, type tags `,ifff`, then the fixture's pip as a big-endian int32
and x, y, z as big-endian float32. A frame too large for one datagram is split into several bundles
with the same timetag, each as full as the datagram size allows.

The bytes are those python-osc's builders make for the same frame, but a frame costs a handful of
`pack_into` calls instead of a builder per message: the addresses, sizes and type tags never change
from frame to frame, so they are written once into a buffer per bundle, and each frame overwrites
only the timetag and the numbers.
"""

from __future__ import annotations

import struct
from collections.abc import Sequence

from pivolet_show.checks import INT32

BUNDLE_TAG = b"#bundle\x00"
TYPE_TAGS = b",ifff\x00\x00\x00"
HEADER_SIZE = len(BUNDLE_TAG) + 8  # the tag, then the 64-bit timetag
# Seconds from the NTP epoch (1900) to the Unix epoch (1970), which OSC timetags count from.
NTP_UNIX_OFFSET_SECONDS = 2208988800
NANOSECONDS = 10**9
DEFAULT_PREFIX = "/pivolet"
DEFAULT_MAX_DATAGRAM = 1472  # the UDP payload of one 1500-byte Ethernet frame

INT32_LOWEST, INT32_COUNT = INT32.start, len(INT32)

TIMETAG = struct.Struct(">Q")
ARGUMENTS = struct.Struct(">ifff")

NOT_A_PREFIX = ("an OSC address prefix is printable ASCII that starts with '/', does not end with '/' and holds none "
                "of space # * , ? [ ] {{ }}, not {value!r}")
DATAGRAM_TOO_SMALL = "an OSC datagram of {size} bytes cannot hold one message of {needed} bytes in a bundle"
# Characters OSC reserves in addresses (pattern matching, bundle tag, type tags) and ASCII space.
RESERVED_IN_ADDRESSES = set(" #*,?[]{}")


def check_prefix(prefix: str) -> str:
    if (not prefix.startswith("/") or prefix.endswith("/") or not prefix.isascii() or not prefix.isprintable()
            or RESERVED_IN_ADDRESSES & set(prefix)):
        raise ValueError(NOT_A_PREFIX.format(value=prefix))
    return prefix


def padded_string(text: str) -> bytes:
    """An OSC string: ASCII, at least one NUL, padded to a multiple of four bytes."""
    data = text.encode("ascii") + b"\x00"
    return data + b"\x00" * (-len(data) % 4)


def ntp_timetag(unix_ns: int) -> int:
    """An OSC timetag (NTP: 32 bits of seconds since 1900, 32 bits of fraction) for an instant in
    nanoseconds since the Unix epoch, rounded down to the timetag's resolution."""
    return ((unix_ns + NTP_UNIX_OFFSET_SECONDS * NANOSECONDS) << 32) // NANOSECONDS


def as_int32(pip: int) -> int:
    """A pip as the signed 32-bit integer OSC carries, wrapped like a 32-bit counter beyond its range."""
    return (pip - INT32_LOWEST) % INT32_COUNT + INT32_LOWEST


class OscFramePacker:
    """Packs frames of the fixtures numbered in `numbers`, in that order."""

    def __init__(self, numbers: Sequence[int], prefix: str = DEFAULT_PREFIX, max_datagram: int = DEFAULT_MAX_DATAGRAM):
        check_prefix(prefix)
        self.numbers = tuple(numbers)
        # For each bundle: its buffer and, per message in it, the offset of the message's arguments.
        self._layout: list[tuple[bytearray, list[int]]] = []
        elements = [padded_string(f"{prefix}/{number}") + TYPE_TAGS for number in self.numbers]
        buffer, offsets = bytearray(BUNDLE_TAG + bytes(8)), list[int]()
        for element in elements:
            size = len(element) + ARGUMENTS.size
            needed = HEADER_SIZE + 4 + size
            if needed > max_datagram:
                raise ValueError(DATAGRAM_TOO_SMALL.format(size=max_datagram, needed=needed))
            if len(buffer) + 4 + size > max_datagram:
                self._layout.append((buffer, offsets))
                buffer, offsets = bytearray(BUNDLE_TAG + bytes(8)), []
            buffer += struct.pack(">i", size) + element
            offsets.append(len(buffer))
            buffer += bytes(ARGUMENTS.size)
        if offsets or not self._layout:
            self._layout.append((buffer, offsets))

    @property
    def bundle_count(self) -> int:
        return len(self._layout)

    def pack(self, timetag: int, values: Sequence[tuple[int, float, float, float]]) -> list[bytearray]:
        """The frame's datagrams for `values`, one (pip, x, y, z) per fixture in `numbers` order.

        The datagrams are this packer's own buffers, overwritten by the next call: send them before
        packing again."""
        pack_arguments = ARGUMENTS.pack_into
        pack_timetag = TIMETAG.pack_into
        items = iter(values)
        for buffer, offsets in self._layout:
            pack_timetag(buffer, 8, timetag)
            for offset in offsets:
                pip, x, y, z = next(items)
                pack_arguments(buffer, offset, as_int32(pip), x, y, z)
        return [buffer for buffer, _ in self._layout]
