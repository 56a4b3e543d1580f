"""What the benchmarks that follow Ableton Link share: a network namespace with nothing in it but its
own loopback (Link multicasts on every interface, so it never runs in the machine's own), the test
suite's Link peer leading the session in it, and the session's beat at any instant from the peer's
account of the changes it made."""

from __future__ import annotations

import json
import os
import subprocess
import sys
from pathlib import Path

PEER = Path(__file__).resolve().parent.parent / "tests" / "link_peer.py"
INSIDE = "PIVOLET_BENCH_IN_NAMESPACE"


def run_inside_namespace() -> None:
    """Runs this script again inside a new loopback namespace, unless it already runs in one; returns
    only in the namespace."""
    if os.environ.get(INSIDE) == "1":
        return
    environment = dict(os.environ, **{INSIDE: "1"})
    command = ["unshare", "--net", "--", "sh", "-c", 'ip link set lo up && exec "$@"', "sh", sys.executable, *sys.argv]
    sys.exit(subprocess.run(command, env=environment).returncode)


def start_peer(seconds: float, *arguments: str) -> subprocess.Popen:
    """The Link peer, leading the session for `seconds` once it sees another peer."""
    return subprocess.Popen([sys.executable, str(PEER), str(seconds), *arguments], stdout=subprocess.PIPE, text=True)


def peer_events(peer: subprocess.Popen, timeout: float) -> list[dict]:
    output, _ = peer.communicate(timeout=timeout)
    return [json.loads(line) for line in output.splitlines()]


def session_beat(events: list[dict], at_us: int) -> float | None:
    """The session's beat at `at_us` on Link's clock, or None before the peer placed it."""
    changes = [event for event in events if event["event"] in ("placed", "tempo") and event["at_us"] <= at_us]
    if not changes:
        return None
    last = changes[-1]
    return float(last["beat"] + (at_us - last["at_us"]) * last["tempo"] / 60e6)
