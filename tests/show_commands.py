"""Runs the show tool's command line as `python -m pivolet_show` would: inside the test process, or,
where a separate process is the point (a signal, or a receiver that must not share the player's
interpreter), as a process of its own; and reads the summary `play` leaves."""

from __future__ import annotations

import contextlib
import dataclasses
import io
import re
import socket
import subprocess
import sys
import time
from collections.abc import Callable

from pivolet_show import cli


@dataclasses.dataclass(frozen=True)
class Finished:
    status: int
    out: str
    err: str

    @property
    def error(self) -> str:
        """The one error line that argparse prints after the usage."""
        return self.err.strip().splitlines()[-1].split(": error: ", 1)[1]


def run_show(*arguments: object) -> Finished:
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        try:
            status = cli.main([str(argument) for argument in arguments])
        except SystemExit as stop:
            status = int(stop.code or 0)
    return Finished(status, out.getvalue(), err.getvalue())


def play_process(*arguments: object) -> subprocess.Popen:
    """`play` with `arguments` in a process of its own, its output kept as text."""
    return subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", *map(str, arguments)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def ended(process: subprocess.Popen) -> None:
    """Kills `process` if it is still running, and waits for it."""
    if process.poll() is None:
        process.kill()
        process.communicate()


def stopped_once_open(process: subprocess.Popen, number: int, ready: Callable[[], None] = lambda: None) -> str:
    """Sends the signal `number` to `play` in a process of its own once its inputs are open (it says its
    first line then) and `ready()` has returned; its standard error, once it has ended (killed if it
    has not after 20 s)."""
    try:
        process.stderr.readline()
        ready()
        process.send_signal(number)
        return process.communicate(timeout=20)[1]
    finally:
        ended(process)


def receive_until_stopped(udp, process, seconds, most=2000):
    """(arrival, source address, bytes) of every datagram until the process has ended and the socket
    (whose reads time out) is quiet, within `seconds` and `most` datagrams."""
    received = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and len(received) < most:
        try:
            data, source = udp.recvfrom(2048)
        except socket.timeout:
            if process.poll() is not None:
                break
            continue
        received.append((time.monotonic(), source, data))
    return received


def summary_counts(errors: str, label: str) -> tuple[int, int]:
    """Frames sent and skipped, from the summary line `play` prints for an output."""
    (line,) = [line for line in errors.splitlines() if line.startswith(label + ":")]
    match = re.fullmatch(label + r": (\d+) frames sent, \d+ late, (\d+) skipped", line)
    assert match, line
    return int(match[1]), int(match[2])


def received_pips(udp, player: subprocess.Popen, seconds: float, stamp, most: int = 5_000) -> list[tuple[int, int]]:
    """(stamp(bundle), the first message's pip) of each OSC bundle that `udp` (with a timeout set)
    receives while `player` plays, for at most `seconds` and `most` bundles."""
    from pythonosc.osc_bundle import OscBundle

    frames = []
    end = time.monotonic() + seconds
    while time.monotonic() < end and len(frames) < most:
        try:
            datagram = udp.recv(65536)
        except TimeoutError:
            if player.poll() is not None:
                break
            continue
        bundle = OscBundle(datagram)
        frames.append((stamp(bundle), bundle.content(0).params[0]))
    return frames
