"""Who may reach the console: where it listens, the token it asks for beyond this machine, and the
origin a page must come from to open its WebSocket.

The console listens on 127.0.0.1 unless told otherwise. Any address outside 127.0.0.0/8 and ::1
(a host name included: it may resolve to anything) needs a token, and `play` refuses to start
without one, before anything is bound. With a token, every request must carry it, as the query
parameter `token` or the header `X-Pivolet-Token`; tokens are compared in constant time. A WebSocket
whose Origin is another page's is refused, so a page open in the same browser cannot drive the
lights; a client that sends no Origin is no page of a browser.
"""

from __future__ import annotations

import hmac
import ipaddress
import string
from collections.abc import Mapping
from urllib.parse import urlsplit

from pivolet_show.show.network import LOOPBACK_HOST, listening_address

DEFAULT_HOST = LOOPBACK_HOST
TOKEN_PARAMETER = "token"
TOKEN_HEADER = "X-Pivolet-Token"
# A token goes into URLs as it is, so it is made of the characters a URL carries unescaped.
TOKEN_CHARACTERS = frozenset(string.ascii_letters + string.digits + "-._~")
FEWEST_TOKEN_CHARACTERS = 16
MOST_TOKEN_CHARACTERS = 256
LOOPBACK_NAMES = ("localhost",)

NOT_A_CONSOLE_ADDRESS = "--console takes [HOST:]PORT with a port from 0 to 65535, not {value!r}"
NOT_A_TOKEN = ("a console token is 16 to 256 characters from A-Z, a-z, 0-9 and '-._~', "
               "not {length} characters{other}")
TOKEN_NEEDED = ("the console on {host} would be reachable beyond this machine: "
                "give it a token with --console-token TOKEN")
TOKEN_WITHOUT_CONSOLE = "--console-token protects a console: open one with --console or the show file's console"


def console_address(value: str) -> tuple[str, int]:
    return listening_address(value, NOT_A_CONSOLE_ADDRESS)


def console_token(value: str) -> str:
    strange = sorted(set(value) - TOKEN_CHARACTERS)
    if strange or not FEWEST_TOKEN_CHARACTERS <= len(value) <= MOST_TOKEN_CHARACTERS:
        other = f" with {''.join(strange)!r}" if strange else ""
        raise ValueError(NOT_A_TOKEN.format(length=len(value), other=other))
    return value


def is_loopback(host: str) -> bool:
    """Whether `host` is an address of 127.0.0.0/8 or ::1; a name never is, but `localhost`."""
    if host in LOOPBACK_NAMES:
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def check_binding(host: str, token: str | None) -> None:
    """Refuses a console beyond the loopback that has no token (before anything is bound)."""
    if token is None and not is_loopback(host):
        raise ValueError(TOKEN_NEEDED.format(host=host))


def carries_token(query: Mapping[str, str], headers: Mapping[str, str], token: str | None) -> bool:
    """Whether a request carries the console's token (any request does when there is none)."""
    if token is None:
        return True
    given = query.get(TOKEN_PARAMETER, headers.get(TOKEN_HEADER, ""))
    return hmac.compare_digest(given.encode("utf-8", "surrogateescape"), token.encode("utf-8"))


def own_origin(origin: str | None, host_header: str | None, bound_host: str, token: str | None) -> bool:
    """Whether a WebSocket's Origin is the console's own page: the origin the request was sent to
    (its Host), for a console reached at its own address, or on the loopback, or through a token
    (which a page that rebinds a name of its own to this machine does not know)."""
    if origin is None:
        return True
    if not host_header:
        return False
    if origin != f"http://{host_header}":
        return False
    reached = urlsplit(origin).hostname or ""
    return token is not None or reached == bound_host or is_loopback(reached)
