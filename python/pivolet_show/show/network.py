"""Where live output goes: `HOST:PORT` texts, host names resolved once, and UDP sockets bound to a
source port (by default one the system picks, so that nothing else on the machine is disturbed)."""

from __future__ import annotations

import socket
from typing import Any

ANY_PORT = 0
HIGHEST_PORT = 65535
LOOPBACK_HOST = "127.0.0.1"

NOT_HOST_AND_PORT = "{what} must be HOST:PORT with a port from 1 to 65535, not {value!r}"
NOT_A_PORT = "{what} must be a port from {lowest} to 65535, not {value!r}"
UNKNOWN_HOST = "{what}: cannot find the host {host!r} ({reason})"
CANNOT_BIND = "{what}: cannot bind the source port {port} ({reason})"


def port_number(value: object, what: str, lowest: int = 1) -> int:
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int) or not lowest <= value <= HIGHEST_PORT:
        raise ValueError(NOT_A_PORT.format(what=what, lowest=lowest, value=value))
    return value


def split_host_and_port(text: str, what: str, default_port: int | None = None) -> tuple[str, int]:
    """`HOST:PORT` (or `[IPv6]:PORT`) as a host and a port; the port may be left out when there is
    a default."""
    if text.startswith("["):
        host, bracket, rest = text[1:].partition("]")
        separator, port = rest[:1], rest[1:]
        if not bracket or (rest and separator != ":"):
            raise ValueError(NOT_HOST_AND_PORT.format(what=what, value=text))
    else:
        host, separator, port = text.rpartition(":")
        if not separator or ":" in host:
            # No port given (an IPv6 address without brackets has colons of its own).
            host, port = text, ""
    if not port and default_port is not None and host:
        return host, default_port
    if not host or not port.isdigit() or not 1 <= int(port) <= HIGHEST_PORT:
        raise ValueError(NOT_HOST_AND_PORT.format(what=what, value=text))
    return host, int(port)


def listening_address(value: str, message: str) -> tuple[str, int]:
    """`[HOST:]PORT` for a port the show listens on (an IPv6 host in brackets): a port alone listens
    on 127.0.0.1, port 0 on one the system picks; ValueError with `message` (its `value` filled in)."""
    host, separator, port = value.rpartition(":")
    if not separator:
        host, port = LOOPBACK_HOST, value
    host = host.removeprefix("[").removesuffix("]")
    if not host or not port.isdigit() or int(port) > HIGHEST_PORT:
        raise ValueError(message.format(value=value))
    return host, int(port)


def resolve(host: str, port: int, what: str, family: int = socket.AF_UNSPEC) -> tuple[int, tuple[Any, ...]]:
    """The address family and socket address of `host`, looked up once, before anything is sent."""
    try:
        found = socket.getaddrinfo(host, port, family, socket.SOCK_DGRAM)
    except (socket.gaierror, UnicodeError) as error:
        raise ValueError(UNKNOWN_HOST.format(what=what, host=host, reason=error)) from None
    address_family, _, _, _, address = found[0]
    return address_family, address


def bound_udp_socket(family: int, source_port: int, what: str) -> socket.socket:
    """A UDP socket of `family` bound to `source_port` on every interface (0: a port the system picks)."""
    udp = socket.socket(family, socket.SOCK_DGRAM)
    try:
        udp.bind(("::" if family == socket.AF_INET6 else "0.0.0.0", source_port))
    except OSError as error:
        udp.close()
        raise ValueError(CANNOT_BIND.format(what=what, port=source_port, reason=error.strerror or error)) from None
    return udp
