"""Live OSC output: each frame of the chosen fixtures as bundles sent over UDP to one receiver.

The protocol's plan comes from an `[osc]` table of a show file (target, prefix, format, clock,
max_datagram, fps, fixtures, source_port, latency_ms) or from `--osc HOST:PORT`, `--osc-prefix` and
`--osc-format`; see `osc_packing` for the bytes.
"""

from __future__ import annotations

import argparse
import dataclasses
import socket
from collections.abc import Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, Any

import pivolet

from pivolet_show.checks import argument_type, frame_rate, latency_ms, suggestion, whole_number
from pivolet_show.show.file_table import Table, fixture_selection, flag, text
from pivolet_show.show.network import bound_udp_socket, port_number, resolve, split_host_and_port
from pivolet_show.show.outputs.osc_packing import (
    DEFAULT_MAX_DATAGRAM, DEFAULT_PREFIX, FIXTURES_FORMAT, FORMATS, OscFramePacker, check_prefix, ntp_timetag,
)

if TYPE_CHECKING:
    from pivolet_show.show.rig import FixtureFrame
    from pivolet_show.show.dmx.patch import UniverseNumbering
    from pivolet_show.show.plan import ShowPlan

LABEL = "OSC"
KEYS = ("target", "prefix", "format", "clock", "max_datagram", "fps", "fixtures", "source_port", "latency_ms")
LARGEST_UDP_PAYLOAD = 65507
SMALLEST_DATAGRAM = 64

NOT_A_DATAGRAM_SIZE = "a datagram size is a whole number of bytes from 64 to 65507, not {value!r}"
FLAG_WITHOUT_OSC = "{flag} needs an OSC output (--osc HOST:PORT)"
NOT_A_FORMAT = "an OSC format is 'fixtures' (a message per fixture) or 'values' (a message per value), not {value!r}"


def osc_format(value: object) -> str:
    if value not in FORMATS:
        close = suggestion(value, FORMATS) if isinstance(value, str) else ""
        raise ValueError(NOT_A_FORMAT.format(value=value) + close)
    return str(value)


@dataclasses.dataclass(frozen=True)
class OscPlan:
    host: str
    port: int
    prefix: str = DEFAULT_PREFIX
    form: str = FIXTURES_FORMAT
    clock: bool = False  # each frame also says the bar, the beat, the phase within the bar and the tempo
    max_datagram: int = DEFAULT_MAX_DATAGRAM
    fps: Fraction | None = None  # None: the show's frame rate
    fixtures: tuple[int, ...] | None = None  # None: every fixture
    source_port: int = 0
    latency_ms: Fraction | None = None  # None: the show's


class OscOutput:
    """Sends the fixtures numbered in `numbers` to `address` (a resolved socket address of `family`)."""

    label: str = LABEL

    def __init__(self, family: int, address: tuple[Any, ...], numbers: Sequence[int], fps: Fraction, *,
                 prefix: str, max_datagram: int, source_port: int = 0, latency_ns: int = 0,
                 form: str = FIXTURES_FORMAT, clock: bool = False, beats_per_bar: int = 4):
        self.numbers = tuple(numbers)
        self.fps = fps
        self.latency_ns = latency_ns
        self._address = address
        self._packer = OscFramePacker(self.numbers, prefix, max_datagram, form=form, clock=clock)
        self._bar_pips = pivolet.PIPS_PER_BEAT * beats_per_bar
        self._beats_per_bar = beats_per_bar
        self._socket: socket.socket | None = bound_udp_socket(family, source_port, LABEL)

    def prepare(self, frame: FixtureFrame, unix_ns: int) -> list[memoryview]:
        reading = frame.reading
        bar, beat = reading.bar_and_beat(self._beats_per_bar)
        phase = (reading.pip % self._bar_pips + reading.fraction) / self._bar_pips
        return self._packer.pack(ntp_timetag(unix_ns), frame.pips, frame.positions,
                                 (bar, beat, phase, float(frame.bpm)))

    def send(self, datagrams: list[memoryview]) -> None:
        assert self._socket is not None
        for datagram in datagrams:
            self._socket.sendto(datagram, self._address)

    def close(self) -> int:
        """OSC has no end of stream: only the socket closes."""
        if self._socket is not None:
            self._socket.close()
            self._socket = None
        return 0


def osc_target(value: str) -> tuple[str, int]:
    return split_host_and_port(value, "--osc")


class OscProtocol:
    name: str = "osc"
    label: str = LABEL
    keys: tuple[str, ...] = KEYS
    plan_type: type = OscPlan
    universes: UniverseNumbering | None = None

    def universes_for(self, plan: OscPlan) -> UniverseNumbering | None:
        return None

    def read(self, table: Table) -> OscPlan:
        target = table.required("target", "HOST:PORT", lambda value: split_host_and_port(text(value), "the OSC target"))
        return OscPlan(
            target[0], target[1],
            prefix=table.get("prefix", lambda value: check_prefix(text(value)), OscPlan.prefix),
            form=table.get("format", osc_format, OscPlan.form),
            clock=table.get("clock", flag, False),
            max_datagram=table.get("max_datagram", lambda value: whole_number(
                value, SMALLEST_DATAGRAM, LARGEST_UDP_PAYLOAD, NOT_A_DATAGRAM_SIZE), OscPlan.max_datagram),
            fps=table.get("fps", frame_rate),
            fixtures=table.get("fixtures", fixture_selection),
            source_port=table.get("source_port", lambda value: port_number(value, "a source port", 0), 0),
            latency_ms=table.get("latency_ms", latency_ms),
        )

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--osc", metavar="HOST:PORT", type=argument_type(osc_target), help="send OSC bundles here")
        parser.add_argument("--osc-prefix", metavar="PREFIX", type=argument_type(check_prefix),
                            help=f"the OSC address prefix (default: {DEFAULT_PREFIX})")
        parser.add_argument("--osc-format", metavar="FORMAT", type=argument_type(osc_format),
                            help="'fixtures': a message per fixture with its pip and x, y, z (the default); "
                                 "'values': a message per value, <prefix>/<fixture>/x and so on, from 0 to 1")

    def plans_from_flags(self, arguments: argparse.Namespace, plans: tuple[OscPlan, ...]) -> tuple[OscPlan, ...]:
        """--osc sends the first OSC output to another target (or makes one); --osc-prefix and
        --osc-format give the first its prefix and format."""
        first, rest = (plans[0], plans[1:]) if plans else (None, ())
        if arguments.osc is not None:
            host, port = arguments.osc
            first = OscPlan(host, port) if first is None else dataclasses.replace(first, host=host, port=port)
        for flag_name, field in (("--osc-prefix", "prefix"), ("--osc-format", "form")):
            given = getattr(arguments, flag_name[2:].replace("-", "_"))
            if given is not None:
                if first is None:
                    raise ValueError(FLAG_WITHOUT_OSC.format(flag=flag_name))
                first = dataclasses.replace(first, **{field: given})
        return plans if first is None else (first, *rest)

    def open(self, plan: OscPlan, show: ShowPlan) -> OscOutput:
        numbers = show.chosen(plan.fixtures, "the OSC output", f"{self.name}.fixtures")
        family, address = resolve(plan.host, plan.port, "the OSC output")
        return OscOutput(family, address, numbers, plan.fps or show.fps, prefix=plan.prefix,
                         max_datagram=plan.max_datagram, source_port=plan.source_port,
                         latency_ns=show.latency_ns(plan.latency_ms), form=plan.form, clock=plan.clock,
                         beats_per_bar=show.beats_per_bar)


PROTOCOL = OscProtocol()
