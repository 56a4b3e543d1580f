"""Following a MIDI clock: the follower's pips on the fake clock, exactly, tick by tick; then `play
--sync midi` and `--sync midi:PORT` against a clock source in another process over a private JACK
server's real MIDI ports, the OSC output's pips following Start, two tempos, Stop, Continue and a
Song Position Pointer; a stop signal that ends such a play cleanly; and the refusals when the port or
the MIDI system is not there."""

import json
import signal
import socket
import subprocess
import sys
import time
from fractions import Fraction
from pathlib import Path

import pytest

from fake_time import SECOND, START, FakeTime
from jack_server import client_environment, jack  # noqa: F401 (a fixture)
from pivolet_show.show.clock import TempoClock
from pivolet_show.show.inputs.midi_clock import ClockFollower
from show_commands import received_pips, stopped_once_open

SOURCE = str(Path(__file__).with_name("midi_clock_source.py"))
TICK_AT_120 = 20_833_333  # ns: 1/24 of a beat at 120 BPM, rounded down
PLAY_SECONDS = 8


def test_the_follower_puts_tick_n_at_pip_n_times_8_thirds_and_never_runs_past_the_next():
    time = FakeTime()
    clock = TempoClock(60, start_pip=40, origin_ns=START, now=time)
    follower = ClockFollower(clock)
    assert clock.pip_at(START + SECOND) == 40  # held until the clock starts
    follower.receive("start", 0, START)
    ticks = [START + 10 + k * TICK_AT_120 for k in range(30)]
    for n, at in enumerate(ticks):
        follower.receive("clock", 0, at)
        assert clock.exact_pip_at(at) == Fraction(8 * n, 3)
    assert follower.bpm == Fraction(60 * SECOND * 24, 24 * 24 * TICK_AT_120)  # the span of the last beat's ticks
    # Half a tick on, half a tick's pips further; a tick that is late leaves the pip at the next tick's.
    last = ticks[-1]
    half = TICK_AT_120 // 2
    assert clock.exact_pip_at(last + half) == Fraction(8 * 29, 3) + follower.bpm * 64 * half / (60 * SECOND)
    assert clock.exact_pip_at(last + 5 * TICK_AT_120) == Fraction(8 * 30, 3)
    follower.receive("stop", 0, last + TICK_AT_120 // 2)
    held = clock.exact_pip_at(last + TICK_AT_120 // 2)
    assert clock.exact_pip_at(last + SECOND) == held
    follower.receive("continue", 0, last + SECOND)
    assert clock.exact_pip_at(last + 2 * SECOND) == held  # until the next tick
    follower.receive("clock", 0, last + 2 * SECOND)
    assert clock.exact_pip_at(last + 2 * SECOND) == 80  # tick 30
    follower.receive("stop", 0, last + 3 * SECOND)
    follower.receive("songpos", 32, last + 3 * SECOND)
    assert clock.exact_pip_at(last + 4 * SECOND) == 512
    follower.receive("continue", 0, last + 5 * SECOND)
    follower.receive("clock", 0, last + 5 * SECOND + 1)
    assert clock.exact_pip_at(last + 5 * SECOND + 1) == 512 and clock.anchor.running


def plateaus(frames, shortest=20):
    """The pips the output held for at least `shortest` frames in a row, in order."""
    held, run = [], 1
    for (_, before), (_, pip) in zip(frames, frames[1:]):
        run = run + 1 if pip == before else 1
        if run == shortest:
            held.append(pip)
    return held


def pace(frames, first_ns, last_ns):
    """Pips a second between the frames received from `first_ns` to `last_ns`."""
    chosen = [(at, pip) for at, pip in frames if first_ns <= at <= last_ns]
    return (chosen[-1][1] - chosen[0][1]) / (chosen[-1][0] - chosen[0][0]) * SECOND


@pytest.mark.parametrize("mode", ["virtual", "named"])
def test_the_output_follows_a_midi_clock(jack, mode):  # noqa: F811
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    udp.bind(("127.0.0.1", 0))
    udp.settimeout(0.2)
    environment = client_environment()
    sync = "midi" if mode == "virtual" else "midi:test-clock"
    play = [sys.executable, "-m", "pivolet_show", "play", "bounce", "--sync", sync, "--fps", "100",
            "--seconds", str(PLAY_SECONDS), "--osc", f"127.0.0.1:{udp.getsockname()[1]}"]
    processes = []
    try:
        if mode == "virtual":
            processes.append(subprocess.Popen(jack.command(*play), env=environment, stdout=subprocess.PIPE,
                                              stderr=subprocess.PIPE, text=True))
            jack.wait_for_port("pivolet:pivolet")
            processes.append(subprocess.Popen(jack.command(sys.executable, SOURCE, "--connect", "pivolet:pivolet"),
                                              env=environment, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True))
        else:
            processes.append(subprocess.Popen(jack.command(sys.executable, SOURCE, "--virtual", "clock"),
                                              env=environment, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True))
            assert "ready" in processes[0].stdout.readline()
            processes.append(subprocess.Popen(jack.command(*play), env=environment, stdout=subprocess.PIPE,
                                              stderr=subprocess.PIPE, text=True))
        player, source = processes if mode == "virtual" else processes[::-1]
        frames = received_pips(udp, player, PLAY_SECONDS + 10, lambda bundle: time.monotonic_ns())
        sent = [json.loads(line) for line in source.communicate(timeout=20)[0].splitlines() if "t_ns" in line]
        _, errors = player.communicate(timeout=20)
    finally:
        for process in processes:
            if process.poll() is None:
                process.kill()
                process.communicate()
        udp.close()
    assert player.returncode == 0, errors
    ticks = [message["t_ns"] for message in sent if message["bytes"] == [0xF8]]
    assert len(ticks) == 144
    # Held at the start pip until Start, then at each Stop near the next tick's pip (256 after 96
    # ticks, 320 after 24 more), at 512 from the Song Position Pointer (32 sixteenths), and near 576;
    # a loaded machine's JACK server may drop a few ticks, each 8/3 of a pip.
    first, stopped, continued, moved, last = plateaus(frames)
    assert (first, moved) == (0, 512)
    for held, expected in ((stopped, 256), (continued, 320), (last, 576)):
        assert expected - 4 * 8 / 3 <= held <= expected + 1
    # Between the ticks the pips run at the clock's tempo: 128 pips a second at 120 BPM, 192 at 180.
    assert pace(frames, ticks[12], ticks[47]) == pytest.approx(128, rel=0.15)
    assert pace(frames, ticks[60], ticks[95]) == pytest.approx(192, rel=0.15)


def test_a_stop_signal_ends_a_play_that_follows_a_midi_clock_cleanly(jack):  # noqa: F811
    player = subprocess.Popen(jack.command(sys.executable, "-m", "pivolet_show", "play", "bounce", "--sync", "midi"),
                              env=client_environment(), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    errors = stopped_once_open(player, signal.SIGTERM, lambda: jack.wait_for_port("pivolet:pivolet"))
    assert player.returncode == 128 + signal.SIGTERM and "Traceback" not in errors, errors
    assert errors.splitlines()[-1] == "MIDI clock: waiting for Start, 120 BPM"


@pytest.mark.parametrize("sync, server, message", [
    ("midi:nothing", "pivolet-test", "--sync midi: no MIDI input port's name holds 'nothing' (the ports: none)"),
    ("midi", "pivolet-test-no-such-server", "--sync midi: cannot reach a MIDI system (MidiInJack::initialize: "
                                            "JACK server not running?)"),
])
def test_a_missing_port_or_midi_system_is_refused(jack, sync, server, message):  # noqa: F811
    environment = dict(client_environment(), JACK_DEFAULT_SERVER=server)
    finished = subprocess.run(jack.command(sys.executable, "-m", "pivolet_show", "play", "bounce", "--sync", sync,
                                           "--seconds", "1"), env=environment, capture_output=True, text=True, timeout=30)
    assert finished.returncode == 2
    assert f"python -m pivolet_show play: error: {message}" in finished.stderr.splitlines()
