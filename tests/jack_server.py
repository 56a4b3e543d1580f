"""A JACK server with the dummy driver, for real MIDI ports on machines without ALSA: started in a
mount namespace of its own whose /dev/shm is a fresh tmpfs, so that it shares nothing with any
other JACK server on the machine (the machine-wide registry of /dev/shm holds only eight servers,
and one that dies uncleanly keeps its place there); everything the server leaves goes with the
namespace. Its clients run in the same namespace through `nsenter`.

Without jackd the MIDI tests are skipped outside CI (CI=true fails them instead)."""

from __future__ import annotations

import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

SERVER = "pivolet-test"
READY_SECONDS = 10
STOP_SECONDS = 15
MISSING = "MIDI tests need jackd (Debian's jackd2) and a mount namespace of their own: {reason}"
# What the sanitizer run preloads into the interpreter stays out of the server and its tools.
PRELOADED = ("LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS", "PYTHONMALLOC")
SERVER_COMMAND = ("mount -t tmpfs -o size=256m tmpfs /dev/shm && exec jackd --no-realtime "
                  "-d dummy -r 48000 -p 256 -C 0 -P 0")


def client_environment(base: dict[str, str] | None = None) -> dict[str, str]:
    """The environment of a client of the test server, mido's JACK backend chosen."""
    environment = dict(os.environ if base is None else base)
    environment.update(JACK_DEFAULT_SERVER=SERVER, JACK_NO_AUDIO_RESERVATION="1", JACK_NO_START_SERVER="1",
                       MIDO_BACKEND="mido.backends.rtmidi/UNIX_JACK")
    return environment


def tool_environment() -> dict[str, str]:
    return {key: value for key, value in client_environment().items() if key not in PRELOADED}


class PrivateJack:
    def __init__(self, log: Path):
        self._log = log.open("wb")
        self._server = subprocess.Popen(["unshare", "--mount", "--propagation", "private", "--", "sh", "-c", SERVER_COMMAND],
                                        env=tool_environment(), stdin=subprocess.DEVNULL, stdout=self._log,
                                        stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.monotonic() + READY_SECONDS
        while self.tool("jack_lsp").returncode != 0:
            if self._server.poll() is not None or time.monotonic() > deadline:
                self.close()
                raise RuntimeError(f"jackd did not start: {log.read_text(errors='replace')[-500:]}")
            time.sleep(0.02)

    def command(self, *arguments: str) -> list[str]:
        """`arguments` run as a client of the server."""
        return ["nsenter", f"--mount=/proc/{self._server.pid}/ns/mnt", "--", *arguments]

    def tool(self, *arguments: str) -> subprocess.CompletedProcess:
        return subprocess.run(self.command(*arguments), env=tool_environment(), capture_output=True, text=True,
                              timeout=10)

    def wait_for_port(self, name: str, seconds: float = 10) -> None:
        deadline = time.monotonic() + seconds
        while name not in self.tool("jack_lsp").stdout.splitlines():
            if time.monotonic() > deadline:
                raise TimeoutError(f"no JACK port {name!r}")
            time.sleep(0.05)

    def close(self) -> None:
        # SIGTERM lets jackd close its clients; it can take seconds when a client leaves at that moment.
        self._server.terminate()
        try:
            self._server.wait(STOP_SECONDS)
        except subprocess.TimeoutExpired:
            self._server.kill()
            self._server.wait(STOP_SECONDS)
        self._log.close()


def unavailable_reason() -> str | None:
    for tool in ("jackd", "jack_lsp", "unshare", "nsenter"):
        if shutil.which(tool) is None:
            return MISSING.format(reason=f"{tool} is not installed")
    probe = subprocess.run(["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
                            "mount -t tmpfs tmpfs /dev/shm"], capture_output=True, text=True, timeout=10)
    if probe.returncode != 0:
        return MISSING.format(reason=probe.stderr.strip() or f"exit status {probe.returncode}")
    return None


@pytest.fixture(scope="module")
def jack(tmp_path_factory):
    reason = unavailable_reason()
    if reason is not None:
        if os.environ.get("CI") == "true":
            pytest.fail(reason)
        pytest.skip(reason)
    server = PrivateJack(tmp_path_factory.mktemp("jackd") / "jackd.log")
    yield server
    server.close()
