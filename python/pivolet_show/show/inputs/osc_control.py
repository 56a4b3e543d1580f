"""The OSC control port: the show's control commands as OSC messages over UDP, `/pivolet/NAME` (or
`/pivolet/group/<group>/NAME`) with the command's arguments (see `pivolet_show.show.control`).

The port binds 127.0.0.1 unless a host is given (`--control [HOST:]PORT`, or a `[control]` table
with `host` and `port`; port 0 lets the system pick one, which `play` says). Its socket is read by
the player between frames, a few datagrams at a time, so that a flood of them cannot hold a frame
back. Datagrams are parsed by python-osc and routed by its dispatcher, bundles included (a bundle's
timetag is not waited for: a command takes effect when it is read). A datagram that is not OSC, a
message to an unknown address, or one whose arguments a command refuses is counted and ignored;
for the last two the sender gets `/pivolet/error` with the reason, and the show's control hears of
the refusal (for its log and the status line). After every command performed, the sender gets the
state of the show's cues and groups (`state_messages`), as control surfaces expect.

A datagram goes to python-osc's parser only if it is a message or bundle whose type tags the parser
knows (`is_plain_osc`): for anything else the parser would log a warning, which a flood of junk
would turn into a flood of lines on standard error.
"""

from __future__ import annotations

import argparse
import dataclasses
import socket
import time
from collections.abc import Callable
from typing import TYPE_CHECKING, Any

from pivolet_show.checks import argument_type
from pivolet_show.show.control import ADDRESS_PREFIX, COMMANDS, GROUP_SCOPE
from pivolet_show.show.file_table import Table, text
from pivolet_show.show.network import listening_address, port_number, resolve

if TYPE_CHECKING:
    from pivolet_show.show.control import Control
    from pivolet_show.show.inputs.protocol import Controls
    from pivolet_show.show.plan import ShowPlan
    from pivolet_show.show.timeline import ShowState

LABEL = "OSC control"
TRANSPORT = "osc"
KEYS = ("host", "port")
DEFAULT_HOST = "127.0.0.1"
ERROR_ADDRESS = ADDRESS_PREFIX + "error"
STATE_PREFIX = ADDRESS_PREFIX + "state/"
# The state goes back in bundles of at most this many bytes, each one datagram.
STATE_BUNDLE_BYTES = 1400
# A read takes at most this many datagrams, then lets the player see to its next frame.
MOST_DATAGRAMS_PER_READ = 32
# The type tags python-osc parses; it logs a warning for any other.
KNOWN_TYPE_TAGS = frozenset("ihfdsbrmtTFN[]")
BUNDLE_HEAD = b"#bundle\x00"
# A bundle's head and timetag, then each element as a 32-bit size and the element.
BUNDLE_ELEMENTS = 16
SIZE_BYTES = 4
MOST_BUNDLE_DEPTH = 8
RECEIVE_BUFFER_BYTES = 1 << 20
LARGEST_DATAGRAM = 65536

NOT_A_CONTROL_ADDRESS = "--control takes [HOST:]PORT with a port from 0 to 65535, not {value!r}"
CANNOT_LISTEN = "OSC control: cannot listen on {host}:{port} ({reason})"
LISTENING = "OSC control on {host}:{port}: {addresses}"


@dataclasses.dataclass(frozen=True)
class ControlPlan:
    host: str = DEFAULT_HOST
    port: int = 0


def control_address(value: str) -> tuple[str, int]:
    return listening_address(value, NOT_A_CONTROL_ADDRESS)


def _string_end(data: bytes, start: int) -> int | None:
    """Where the OSC string at `start` ends, with its padding; None if it does not."""
    end = data.find(b"\x00", start)
    return None if end < 0 else (end // 4 + 1) * 4


def is_plain_osc(data: bytes, depth: int = 0) -> bool:
    """Whether `data` is an OSC message whose type tags python-osc knows, or a bundle of such."""
    if data.startswith(BUNDLE_HEAD):
        if depth >= MOST_BUNDLE_DEPTH:
            return False
        index = BUNDLE_ELEMENTS
        while index < len(data):
            size = int.from_bytes(data[index:index + SIZE_BYTES], "big")
            element = data[index + SIZE_BYTES:index + SIZE_BYTES + size]
            if size == 0 or len(element) != size or not is_plain_osc(element, depth + 1):
                return False
            index += SIZE_BYTES + size
        return index == len(data)
    if not data.startswith(b"/"):
        return False
    tags_start = _string_end(data, 0)
    if tags_start is None:
        return False
    if tags_start >= len(data):
        return True
    tags_end = data.find(b"\x00", tags_start)
    tags = data[tags_start:tags_end if tags_end >= 0 else len(data)]
    return tags.startswith(b",") and all(chr(tag) in KNOWN_TYPE_TAGS for tag in tags[1:])


def state_messages(state: ShowState, pip: int, bpm: float) -> list[tuple[str, tuple[Any, ...]]]:
    """The state of the show's cues and groups as OSC messages, at the clock's present `pip`:

    /pivolet/state/cue i s         the cue playing (its number and name; 0 and "" for none)
    /pivolet/state/waiting i s i   the cue waiting for its boundary, and the boundary's pip (0 "" 0: none)
    /pivolet/state/tempo f         beats per minute
    /pivolet/state/blackout i      1 while blacked out
    /pivolet/state/group/<name>/source s, /size f, /speed f, /hold i   each group, as it plays once
                                   every change asked for has taken effect
    """
    playing, waiting = state.playing(pip), state.waiting(pip)
    messages: list[tuple[str, tuple[Any, ...]]] = [
        (STATE_PREFIX + "cue", (playing.number, playing.name) if playing else (0, "")),
        (STATE_PREFIX + "waiting", (waiting.number, waiting.name, waiting.pip) if waiting else (0, "", 0)),
        (STATE_PREFIX + "tempo", (bpm,)),
        (STATE_PREFIX + "blackout", (int(state.blackout),)),
    ]
    for group in state.groups:
        prefix = f"{STATE_PREFIX}{GROUP_SCOPE}/{group.name}/"
        messages += [(prefix + "source", (group.source,)), (prefix + "size", (group.size,)),
                     (prefix + "speed", (float(group.speed),)), (prefix + "hold", (int(group.held),))]
    return messages


def _message(address: str, values: tuple[Any, ...]) -> Any:
    from pythonosc.osc_message_builder import OscMessageBuilder

    builder = OscMessageBuilder(address)
    for value in values:
        builder.add_arg(value)
    return builder.build()


def state_bundles(messages: list[tuple[str, tuple[Any, ...]]]) -> list[bytes]:
    """The messages, in order, in as few bundles (to be acted on at once) of at most
    STATE_BUNDLE_BYTES as they fit."""
    from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder

    bundles, builder, size = [], OscBundleBuilder(IMMEDIATELY), BUNDLE_ELEMENTS
    for address, values in messages:
        message = _message(address, values)
        if size > BUNDLE_ELEMENTS and size + SIZE_BYTES + message.size > STATE_BUNDLE_BYTES:
            bundles.append(builder.build().dgram)
            builder, size = OscBundleBuilder(IMMEDIATELY), BUNDLE_ELEMENTS
        builder.add_content(message)
        size += SIZE_BYTES + message.size
    return bundles + ([builder.build().dgram] if size > BUNDLE_ELEMENTS else [])


class OscControl:
    """Listens on `family`'s `address` and hands every message to `control`, as of `now()`."""

    label = LABEL
    interval_ns: int | None = None

    def __init__(self, family: int, address: tuple[Any, ...], control: Control, *,
                 now: Callable[[], int] = time.monotonic_ns):
        from pythonosc.dispatcher import Dispatcher

        self._control = control
        self._now = now
        self.performed = 0
        self.ignored = 0
        self._socket = socket.socket(family, socket.SOCK_DGRAM)
        try:
            self._socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, RECEIVE_BUFFER_BYTES)
            self._socket.bind(address)
        except OSError as error:
            self._socket.close()
            raise ValueError(CANNOT_LISTEN.format(host=address[0], port=address[1],
                                                  reason=error.strerror or error)) from None
        self._socket.setblocking(False)
        self.sockets = (self._socket,)
        self.address = self._socket.getsockname()
        self._dispatcher = Dispatcher()
        # Each handler keeps the address it serves, so that a pattern performs each address it matches.
        for address, _ in control.addresses():
            self._dispatcher.map(address, self._perform, address)

    def read(self, readable: Any) -> None:
        from pythonosc.osc_packet import OscPacket, ParseError

        for _ in range(MOST_DATAGRAMS_PER_READ):
            try:
                datagram, sender = self._socket.recvfrom(LARGEST_DATAGRAM)
            except (BlockingIOError, InterruptedError):
                return
            except OSError:
                self.ignored += 1  # an error reported for the socket (such as an ICMP refusal)
                continue
            try:
                if not is_plain_osc(datagram):
                    raise ParseError("not OSC")
                messages = OscPacket(datagram).messages
            except (ParseError, UnicodeDecodeError):
                self.ignored += 1
                continue
            for timed in messages:
                self._dispatch(timed.message, sender)

    def _dispatch(self, message: Any, sender: tuple[Any, ...]) -> None:
        # An address that matches none is handed over as it came, for the control to refuse it.
        handlers = list(self._dispatcher.handlers_for_address(message.address))
        if not handlers:
            self._perform(sender, message.address, *message.params)
            return
        for handler in handlers:
            # A pattern such as /pivolet/group/*/size performs the command at each address it matches.
            self._perform(sender, handler.args[0], *message.params)

    def _perform(self, sender: tuple[Any, ...], address: str, *values: Any) -> None:
        path = address[len(ADDRESS_PREFIX):] if address.startswith(ADDRESS_PREFIX) else address
        try:
            self._control.perform(path, values, self._now(), TRANSPORT)
        except ValueError as error:
            self.ignored += 1
            self.reply(sender, ERROR_ADDRESS, str(error))
            return
        self.performed += 1
        clock = self._control.clock
        for bundle in state_bundles(state_messages(self._control.timeline.state, clock.pip_at(self._now()),
                                                   float(clock.bpm))):
            self._send(bundle, sender)

    def reply(self, sender: tuple[Any, ...], address: str, *values: Any) -> None:
        """Sends the message `address` with `values` back to `sender`; a reply that cannot be sent
        is dropped, as UDP would."""
        self._send(_message(address, values).dgram, sender)

    def _send(self, datagram: bytes, sender: tuple[Any, ...]) -> None:
        try:
            self._socket.sendto(datagram, sender)
        except OSError:
            pass

    def poll(self, now_ns: int) -> None:
        pass

    def status(self) -> str:
        return f"{self.performed} done, {self.ignored} ignored" if self.performed or self.ignored else ""

    def close(self) -> None:
        self._socket.close()


class OscControlProtocol:
    name: str = "control"
    label: str = LABEL
    keys: tuple[str, ...] = KEYS
    plan_type: type = ControlPlan

    def read(self, table: Table) -> ControlPlan:
        return ControlPlan(table.get("host", text, DEFAULT_HOST),
                           table.required("port", "a port", lambda value: port_number(value, "the control port", 0)))

    def add_flags(self, parser: argparse.ArgumentParser) -> None:
        parser.add_argument("--control", metavar="[HOST:]PORT", type=argument_type(control_address),
                            help=f"take OSC control messages ({', '.join(command.address for command in COMMANDS)}) "
                                 f"on this port ({DEFAULT_HOST} unless a host is given; 0: any free port)")

    def plans_from_flags(self, arguments: argparse.Namespace,
                         plans: tuple[ControlPlan, ...]) -> tuple[ControlPlan, ...]:
        """--control moves the first control port (or opens one)."""
        if arguments.control is None:
            return plans
        host, port = arguments.control
        return (ControlPlan(host, port), *plans[1:])

    def open(self, plan: ControlPlan, show: ShowPlan, controls: Controls) -> OscControl:
        family, address = resolve(plan.host, plan.port, LABEL)
        opened = OscControl(family, address, controls.control)
        host, port = opened.address[:2]
        controls.note(LISTENING.format(host=host, port=port, addresses=" ".join(
            command.signature for command in COMMANDS)))
        return opened


PROTOCOL = OscControlProtocol()
