"""OSC bundles of fixture messages, packed from a layout worked out once.

A frame is one bundle whose timetag is the frame's scheduled time. In the `fixtures` format (the
default) it holds one message per fixture: address `<prefix>/<fixture number>`, type tags `,ifff`,
then the fixture's pip as a big-endian int32 and x, y, z as big-endian float32. In the `values`
format it holds one message per value, as media servers map them: `<prefix>/<fixture number>/x`
(then `/y`, `/z`), type tag `,f`, the value moved from [-1, 1] to [0, 1], (v + 1) / 2. With the
clock, the first message is `<prefix>/clock` with type tags `,iiff`: the bar and the beat (from 1),
the phase within the bar (0 to 1) and the tempo. A frame too large for one datagram is split into
several bundles with the same timetag, each as full as the datagram size allows.

The bytes are those python-osc's builders make for the same frame, but a frame costs a few array
operations instead of a builder per message: the addresses, sizes and type tags never change from
frame to frame, so they are written once into one buffer holding every bundle, and each frame
overwrites only the timetags and the numbers, all of its messages' numbers in one indexed
assignment. numpy converts float64 to float32 by rounding to nearest, ties to even, as `struct` does.
"""

from __future__ import annotations

import struct
from collections.abc import Sequence
from typing import TYPE_CHECKING

from pivolet_show.motion.axes import AXES

if TYPE_CHECKING:
    import numpy as np

BUNDLE_TAG = b"#bundle\x00"
TYPE_TAGS = b",ifff\x00\x00\x00"
HEADER_SIZE = len(BUNDLE_TAG) + 8  # the tag, then the 64-bit timetag
# Seconds from the NTP epoch (1900) to the Unix epoch (1970), which OSC timetags count from.
NTP_UNIX_OFFSET_SECONDS = 2208988800
NANOSECONDS = 10**9
DEFAULT_PREFIX = "/pivolet"
DEFAULT_MAX_DATAGRAM = 1472  # the UDP payload of one 1500-byte Ethernet frame

FIXTURES_FORMAT = "fixtures"
VALUES_FORMAT = "values"
FORMATS = (FIXTURES_FORMAT, VALUES_FORMAT)
VALUE_TYPE_TAGS = b",f\x00\x00"
CLOCK_TYPE_TAGS = b",iiff\x00\x00\x00"
CLOCK_ADDRESS = "clock"

TIMETAG = struct.Struct(">Q")
# A fixture message's arguments: the pip as a big-endian int32, then x, y and z as big-endian float32.
ARGUMENT_FIELDS = [("pip", ">i4"), ("x", ">f4"), ("y", ">f4"), ("z", ">f4")]
ARGUMENTS_SIZE = 16
VALUE = ">f4"
VALUE_SIZE = 4
CLOCK = struct.Struct(">iiff")  # bar, beat, phase within the bar, tempo

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


class OscFramePacker:
    """Packs frames of the fixtures numbered in `numbers`, in that order, in `form` (FORMATS), with
    the clock's message first if `clock`."""

    def __init__(self, numbers: Sequence[int], prefix: str = DEFAULT_PREFIX, max_datagram: int = DEFAULT_MAX_DATAGRAM,
                 *, form: str = FIXTURES_FORMAT, clock: bool = False):
        import numpy as np  # only a packer that is made pays for it: the flags need none

        check_prefix(prefix)
        self.numbers = tuple(numbers)
        self._values = form == VALUES_FORMAT
        self._clock = clock
        # Each message's address and type tags, and the size of its arguments.
        elements = [(padded_string(f"{prefix}/{CLOCK_ADDRESS}") + CLOCK_TYPE_TAGS, CLOCK.size)] if clock else []
        if self._values:
            elements += [(padded_string(f"{prefix}/{number}/{axis}") + VALUE_TYPE_TAGS, VALUE_SIZE)
                         for number in self.numbers for axis in AXES]
        else:
            elements += [(padded_string(f"{prefix}/{number}") + TYPE_TAGS, ARGUMENTS_SIZE) for number in self.numbers]
        # Each bundle's bytes, and per message in it, the offset of the message's arguments.
        bundles: list[tuple[bytearray, list[int]]] = []
        buffer, offsets = bytearray(BUNDLE_TAG + bytes(8)), list[int]()
        for element, arguments_size in elements:
            size = len(element) + arguments_size
            needed = HEADER_SIZE + 4 + size
            if needed > max_datagram:
                raise ValueError(DATAGRAM_TOO_SMALL.format(size=max_datagram, needed=needed))
            if len(buffer) + 4 + size > max_datagram:
                bundles.append((buffer, offsets))
                buffer, offsets = bytearray(BUNDLE_TAG + bytes(8)), []
            buffer += struct.pack(">i", size) + element
            offsets.append(len(buffer))
            buffer += bytes(arguments_size)
        if offsets or not bundles:
            bundles.append((buffer, offsets))
        starts = np.cumsum([0] + [len(bundle) for bundle, _ in bundles])
        self._buffer = np.frombuffer(b"".join(bundle for bundle, _ in bundles), dtype=np.uint8).copy()
        self._datagrams = [self._buffer[start:end].data for start, end in zip(starts[:-1], starts[1:])]
        arguments = [int(start) + offset for start, (_, offsets) in zip(starts, bundles) for offset in offsets]
        self._clock_offset = arguments.pop(0) if clock else 0
        size = VALUE_SIZE if self._values else ARGUMENTS_SIZE
        self._argument_targets = np.array(arguments, dtype=np.intp)[:, None] + np.arange(size)
        self._arguments = (np.empty(3 * len(self.numbers), dtype=VALUE) if self._values
                           else np.empty(len(self.numbers), dtype=ARGUMENT_FIELDS))

    @property
    def bundle_count(self) -> int:
        return len(self._datagrams)

    def pack(self, timetag: int, pips: np.ndarray, positions: np.ndarray,
             clock: tuple[int, int, float, float] = (1, 1, 0.0, 0.0)) -> list[memoryview]:
        """The frame's datagrams for one pip (int32) and one position (x, y, z) per fixture, in
        `numbers` order, and the clock's bar, beat, phase and tempo (sent with the clock only).

        The datagrams are views of this packer's own buffer, overwritten by the next call: send them
        before packing again."""
        arguments = self._arguments
        if self._values:
            arguments[:] = ((positions + 1.0) / 2.0).ravel()
            self._buffer[self._argument_targets] = arguments.view("u1").reshape(-1, VALUE_SIZE)
        else:
            arguments["pip"] = pips
            arguments["x"], arguments["y"], arguments["z"] = positions[:, 0], positions[:, 1], positions[:, 2]
            self._buffer[self._argument_targets] = arguments.view("u1").reshape(-1, ARGUMENTS_SIZE)
        if self._clock:
            CLOCK.pack_into(self._datagrams[0], self._clock_offset, *clock)
        for datagram in self._datagrams:
            TIMETAG.pack_into(datagram, len(BUNDLE_TAG), timetag)
        return self._datagrams
