"""`play --sync link` against a real Link peer in another process, inside a loopback namespace: the
pips the player sends over OSC keep to the session's beat (bars on the quantum), follow a tempo change
made by the peer, and, with start/stop sync, hold until the bar line where the transport starts and
hold again when it stops; a stop signal ends such a play cleanly.

The session's beat at any instant comes from the peer's own account of each change it made. A frame
is compared with the beat at the instant its timetag names, the instant its pips are for (turned
from Unix time to Link's clock, the system's raw monotonic clock); frames of instants within a
settling time of a change are left out, since the change is still on its way to the player then."""

import json
import signal
import subprocess
import sys
import time
from pathlib import Path

import pytest

from loopback_namespace import loopback_namespace  # noqa: F401 (a fixture)
from show_commands import received_pips, stopped_once_open

PEER = str(Path(__file__).with_name("link_peer.py"))
SECONDS = 6
SETTLE_US = 100_000
# Generous bounds for a shared machine: the error is about half a pip (the pip is rounded down).
MOST_PHASE_ERROR = 3.0


def link_micros(bundle) -> int:
    """The instant of `bundle`'s timetag on Link's clock."""
    offset_ns = time.time_ns() - time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)
    return (round(bundle.timestamp * 1e9) - offset_ns) // 1000


def play_with_peer(namespace, peer_arguments, play_arguments=()):
    """Runs the peer and the player together; the peer's events, and each frame as (its instant, pip)."""
    udp = namespace.udp_socket()
    udp.settimeout(0.2)
    port = udp.getsockname()[1]
    peer = subprocess.Popen(namespace.command(sys.executable, PEER, str(SECONDS), *peer_arguments),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    player = subprocess.Popen(namespace.command(
        sys.executable, "-m", "pivolet_show", "play", "bounce", "--sync", "link", "--osc", f"127.0.0.1:{port}",
        "--fps", "100", "--seconds", str(SECONDS - 1), "--quiet", *play_arguments),
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        frames = received_pips(udp, player, SECONDS + 5, link_micros)
        played = player.communicate(timeout=20)
        led = peer.communicate(timeout=20)
    finally:
        for process in (peer, player):
            if process.poll() is None:
                process.kill()
                process.wait(10)
        udp.close()
    assert player.returncode == 0, played[1]
    assert peer.returncode == 0, led
    return [json.loads(line) for line in led[0].splitlines()], frames


def beat_at(events, at_us):
    """The session's beat at `at_us`, from the last change the peer made before it."""
    last = [event for event in events if event["event"] in ("placed", "tempo") and event["at_us"] <= at_us][-1]
    return last["beat"] + (at_us - last["at_us"]) * last["tempo"] / 60e6


def phase_errors(events, frames, start_us, end_us):
    """Each frame's distance in pips from the session's beat, within a bar of four beats."""
    changes = [event["at_us"] for event in events if "at_us" in event]
    errors = []
    for at_us, pip in frames:
        if start_us <= at_us <= end_us and not any(0 <= at_us - change < SETTLE_US for change in changes):
            errors.append((pip - 64 * beat_at(events, at_us) + 128) % 256 - 128)
    return errors


def test_the_pips_keep_to_the_session_beat_and_follow_its_tempo(loopback_namespace):
    events, frames = play_with_peer(loopback_namespace, ["--tempo", "120", "--beat", "1.5", "--tempos", "140",
                                                         "--every", "2"])
    placed, changed = events[0], events[1]
    assert (placed["event"], changed["event"], changed["tempo"]) == ("placed", "tempo", 140)
    errors = phase_errors(events, frames, placed["at_us"], frames[-1][0])
    assert len(errors) > 200 and max(map(abs, errors)) <= MOST_PHASE_ERROR
    # No jump at the change: the pips never go back, and after it they run at 140 BPM.
    pips = [pip for at_us, pip in frames if at_us >= placed["at_us"] + SETTLE_US]
    assert pips == sorted(pips)
    after = [(at_us, pip) for at_us, pip in frames if at_us >= changed["at_us"] + SETTLE_US]
    (first_us, first), (last_us, last) = after[0], after[-1]
    assert (last - first) / (last_us - first_us) * 60e6 / 64 == pytest.approx(140, rel=0.02)


def test_with_start_stop_sync_the_show_starts_on_the_bar_and_holds_while_stopped(loopback_namespace):
    # Beat 0 at the placement: the start asked a second later (beat 2) waits for the bar line at beat 4.
    events, frames = play_with_peer(loopback_namespace, ["--tempo", "120", "--start-at", "1", "--stop-at", "3.5"],
                                    ["--link-start-stop"])
    placed, start, stop = events
    assert (start["event"], stop["event"]) == ("start", "stop")
    margin = 20_000

    def pips_between(first_us, last_us):
        return [pip for at_us, pip in frames if first_us <= at_us < last_us]

    stopped_first = set(pips_between(placed["at_us"] + SETTLE_US, start["at_us"]))
    waiting = set(pips_between(start["at_us"] + SETTLE_US, start["start_us"] - margin))
    # Held while stopped; once the start is known, held on the bar line where it starts.
    assert len(stopped_first) == 1 and len(waiting) == 1
    (held,) = waiting
    assert held % 256 == 0 and held == round(64 * beat_at(events, start["start_us"]))
    running = [(at_us, pip) for at_us, pip in frames if start["start_us"] + margin <= at_us < stop["at_us"]]
    assert running[0][1] > held and running[-1][1] > running[0][1] + 150
    errors = phase_errors(events, running, start["start_us"] + margin, stop["at_us"])
    assert errors and max(map(abs, errors)) <= MOST_PHASE_ERROR
    stopped = set(pips_between(stop["at_us"] + SETTLE_US, frames[-1][0] + 1))
    assert len(stopped) == 1 and abs(stopped.pop() - 64 * beat_at(events, stop["at_us"])) <= MOST_PHASE_ERROR


def test_a_stop_signal_ends_a_play_that_follows_link_cleanly(loopback_namespace):
    player = subprocess.Popen(loopback_namespace.command(sys.executable, "-m", "pivolet_show", "play", "bounce",
                                                         "--sync", "link"),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    errors = stopped_once_open(player, signal.SIGTERM)
    assert player.returncode == 128 + signal.SIGTERM and "Traceback" not in errors, errors
    assert errors.splitlines()[-1].startswith("Link: 0 peers, 120 BPM, phase ")
