"""OLA's olad as the Art-Net node the tests send to: an Art-Net receiver written apart from this
project, started in a network namespace of its own that holds nothing but its loopback (olad binds
every address and would look for nodes on a real network), run as nobody (it refuses root).

Its Art-Net plugin alone is on, at 127.0.0.1 with its loopback use allowed, at one net and
sub-net; its input ports are patched to OLA universes up front, and what a universe last received
is read over olad's HTTP `/get_dmx`. The test reaches into the namespace from threads that join it
(`in_namespace`): a socket stays in the namespace it was made in, so an output made there sends
there from any thread.
"""

from __future__ import annotations

import contextlib
import ctypes
import json
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time
from collections.abc import Callable, Iterator
from typing import Any

import pytest

CLONE_NEWNET = 0x40000000
ARTNET_PLUGIN = 2  # olad's number for its Art-Net plugin
OTHER_PLUGINS = ("dummy e131 espnet ftdidmx gpio karate kinet milinst opendmx openpixelcontrol osc pathport "
                 "renard sandnet shownet spi stageprofi uartdmx usbdmx usbserial").split()
HTTP_PORT = 9090
START_SECONDS = 10.0
THREAD_SECONDS = 10.0

needs_olad = pytest.mark.skipif(shutil.which("olad") is None or os.geteuid() != 0,
                                reason="olad (scripts/test-deps.sh installs it) and root, for a network namespace")


def in_namespace(pid: int, call: Callable[..., Any], *arguments: Any) -> Any:
    """`call(*arguments)` on a thread that has joined the network namespace of process `pid`."""
    box: dict[str, Any] = {}

    def joined() -> None:
        try:
            descriptor = os.open(f"/proc/{pid}/ns/net", os.O_RDONLY)
            try:
                if ctypes.CDLL(None, use_errno=True).setns(descriptor, CLONE_NEWNET) != 0:
                    raise OSError(ctypes.get_errno(), "setns failed")
            finally:
                os.close(descriptor)
            box["result"] = call(*arguments)
        except BaseException as error:  # handed to the caller's thread
            box["error"] = error

    thread = threading.Thread(target=joined)
    thread.start()
    thread.join(THREAD_SECONDS)
    if "error" in box:
        raise box["error"]
    return box.get("result")


def _get_dmx(universe: int) -> list[int]:
    # A raw request: urllib would honour proxy settings of the environment.
    with socket.create_connection(("127.0.0.1", HTTP_PORT), timeout=2) as connection:
        connection.sendall(f"GET /get_dmx?u={universe} HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n".encode())
        answer = b""
        while chunk := connection.recv(65536):
            answer += chunk
    return list(json.loads(answer.split(b"\r\n\r\n", 1)[1])["dmx"])


class Node:
    """A running olad: `pid` owns the namespace; `dmx(universe)` is what the OLA universe last
    received (its length is the packet's)."""

    def __init__(self, pid: int):
        self.pid = pid

    def dmx(self, universe: int) -> list[int]:
        return list(in_namespace(self.pid, _get_dmx, universe))

    def wait_for(self, universe: int, check: Callable[[list[int]], bool], seconds: float = 3.0) -> list[int]:
        """The universe's slots once `check` holds for them, or as they are when `seconds` ran out."""
        deadline = time.monotonic() + seconds
        while not check(values := self.dmx(universe)) and time.monotonic() < deadline:
            time.sleep(0.02)
        return values


@contextlib.contextmanager
def olad(net: int, sub_net: int, ports: dict[int, int]) -> Iterator[Node]:
    """olad with Art-Net input port p (0 to 3) patched to OLA universe `ports[p]`. The port listens
    to universe `ports[p] % 16` of the node's net and sub-net (olad takes the universe's low four
    bits from the OLA universe)."""
    folder = tempfile.mkdtemp(prefix="olad-")
    files = {f"ola-{plugin}.conf": "enabled = false\n" for plugin in OTHER_PLUGINS}
    files["ola-artnet.conf"] = (f"enabled = true\nip = 127.0.0.1\nuse_loopback = true\nnet = {net}\n"
                                f"subnet = {sub_net}\noutput_ports = 0\n")
    files["ola-port.conf"] = "".join(f"{ARTNET_PLUGIN}-1-I-{port} = {universe}\n" for port, universe in ports.items())
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as file:
            file.write(text)
    for name in (".", *files):
        shutil.chown(os.path.join(folder, name), "nobody", "nogroup")
    log = open(os.path.join(folder, "olad.log"), "w")
    command = ("ip link set lo up && exec setpriv --reuid=nobody --regid=nogroup --clear-groups "
               f"olad -c {folder} -l 2 --no-register-with-dns-sd -p {HTTP_PORT}")
    # sh execs olad, so this process is olad, in the namespace unshare made.
    process = subprocess.Popen(["unshare", "--net", "sh", "-c", command], stdout=log, stderr=log)
    node = Node(process.pid)
    try:
        deadline = time.monotonic() + START_SECONDS
        while True:
            try:
                node.dmx(next(iter(ports.values())))
                break
            except OSError:
                if time.monotonic() > deadline or process.poll() is not None:
                    raise TimeoutError(f"olad did not start: {open(log.name).read()}") from None
                time.sleep(0.05)
        yield node
    finally:
        process.terminate()
        process.wait(timeout=5)
        log.close()
        shutil.rmtree(folder, ignore_errors=True)
