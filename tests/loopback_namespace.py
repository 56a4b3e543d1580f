"""A network namespace with nothing in it but its own loopback, for software that multicasts or binds
every interface (Ableton Link): a holder process made with `unshare --net` keeps it alive, processes
join it through `nsenter`, and the test's own sockets are made inside it by a short thread that
enters it (setns changes only the calling thread's namespace; the socket stays in it).

In CI (CI=true) a namespace that cannot be made fails the test; elsewhere the test is skipped and
says why."""

from __future__ import annotations

import ctypes
import os
import shutil
import socket
import subprocess
import threading

import pytest

CLONE_NEWNET = 0x40000000
LIFETIME_SECONDS = 300
UNAVAILABLE = "cannot create a network namespace for the Link peers: {reason}"


def unavailable_reason() -> str | None:
    """None when a loopback namespace can be made here, else why not."""
    for tool in ("unshare", "nsenter", "ip"):
        if shutil.which(tool) is None:
            return UNAVAILABLE.format(reason=f"{tool} is not installed")
    probe = subprocess.run(["unshare", "--net", "--", "ip", "link", "set", "lo", "up"],
                           capture_output=True, text=True, timeout=10)
    if probe.returncode != 0:
        return UNAVAILABLE.format(reason=probe.stderr.strip() or f"exit status {probe.returncode}")
    return None


def need_namespace() -> None:
    reason = unavailable_reason()
    if reason is not None:
        if os.environ.get("CI") == "true":
            pytest.fail(reason)
        pytest.skip(reason)


class LoopbackNamespace:
    def __init__(self) -> None:
        self._holder = subprocess.Popen(
            ["unshare", "--net", "--", "sh", "-c", f"ip link set lo up && echo ready && exec sleep {LIFETIME_SECONDS}"],
            stdout=subprocess.PIPE, text=True)
        assert self._holder.stdout is not None
        if self._holder.stdout.readline().strip() != "ready":
            self.close()
            raise RuntimeError("the namespace's holder did not start")
        self.path = f"/proc/{self._holder.pid}/ns/net"

    def command(self, *arguments: str) -> list[str]:
        """`arguments` run inside the namespace."""
        return ["nsenter", f"--net={self.path}", "--", *arguments]

    def udp_socket(self) -> socket.socket:
        """A UDP socket bound to an ephemeral port of the namespace's loopback."""
        made: dict[str, object] = {}

        def inside() -> None:
            libc = ctypes.CDLL(None, use_errno=True)
            descriptor = os.open(self.path, os.O_RDONLY)
            try:
                if libc.setns(descriptor, CLONE_NEWNET) != 0:
                    made["error"] = OSError(ctypes.get_errno(), "setns")
                    return
            finally:
                os.close(descriptor)
            udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
            udp.bind(("127.0.0.1", 0))
            made["socket"] = udp

        thread = threading.Thread(target=inside)
        thread.start()
        thread.join(10)
        if "error" in made:
            raise made["error"]  # type: ignore[misc]
        return made["socket"]  # type: ignore[return-value]

    def close(self) -> None:
        self._holder.kill()
        self._holder.wait(timeout=10)
        self._holder.stdout.close()  # type: ignore[union-attr]


@pytest.fixture
def loopback_namespace():
    need_namespace()
    namespace = LoopbackNamespace()
    yield namespace
    namespace.close()
