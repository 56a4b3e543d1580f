"""How `play` ends: on a stop signal, every sACN universe's stream terminated three times and the
exit status 128 + the signal, also when its terminal hangs up; a stop before the show starts,
quietly; an output that could not send one frame, exit status 1 and why; a closing packet that
fails, counted, the others still sent."""

import fcntl
import os
import pty
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import termios
import time
from fractions import Fraction

import numpy as np
import pytest
from sacn.messages.data_packet import DataPacket
from sacn.messages.root_layer import VECTOR_ROOT_E131_DATA

from pivolet_show.show.dmx.patch import Patch
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.outputs.sacn import SacnOutput
from pivolet_show.show.rig import FixtureFrame
from show_commands import play_process, receive_until_stopped, summary_counts

PROGRAM = "python -m pivolet_show play"
DATA = bytes(VECTOR_ROOT_E131_DATA)


def data_packets(udp, process, seconds, most=5000):
    """The sACN data packets received until the process has ended and the socket is quiet."""
    return [DataPacket.make_data_packet(raw) for _, _, raw in receive_until_stopped(udp, process, seconds, most)
            if raw[18:22] == DATA]


def catches(pid, number):
    """Whether the process has a handler of its own for the signal `number` (from /proc)."""
    with open(f"/proc/{pid}/status") as status:
        caught = next(line for line in status if line.startswith("SigCgt:")).split()[1]
    return bool(int(caught, 16) >> (number - 1) & 1)


@pytest.mark.parametrize("stop", [signal.SIGINT, signal.SIGTERM, signal.SIGHUP])
def test_a_stop_signal_terminates_every_universes_stream_and_exits_with_128_plus_the_signal(receiver_socket, stop):
    port = receiver_socket.getsockname()[1]
    # 130 fixtures of four channels fill universe 9 and begin universe 10.
    process = play_process("sway", "--sacn", f"127.0.0.1:{port}", "--fps", "20", "--universe", "9", "--fixtures", "130")
    packets = data_packets(receiver_socket, process, seconds=10, most=4)
    process.send_signal(stop)
    packets += data_packets(receiver_socket, process, seconds=10)
    _, errors = process.communicate(timeout=10)
    assert process.returncode == 128 + stop and "Traceback" not in errors
    frames, ends = packets[:-6], packets[-6:]
    assert not any(packet.option_StreamTerminated for packet in frames)
    assert all(packet.option_StreamTerminated for packet in ends)
    assert sorted(packet.universe for packet in ends) == [9, 9, 9, 10, 10, 10]
    assert summary_counts(errors, "sACN")[0] == len(frames) // 2 >= 2


def test_a_play_whose_terminal_hangs_up_ends_its_streams_and_exits_with_129(receiver_socket):
    # The terminal is the play's own, with the play in its foreground (so its keys are read), and
    # takes the status line; hanging it up sends SIGHUP to the play, its session's leader.
    leader, follower = pty.openpty()
    port = receiver_socket.getsockname()[1]
    process = subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", "sway", "--sacn", f"127.0.0.1:{port}",
                                "--fps", "20"], stdin=follower, stdout=follower, stderr=follower,
                               start_new_session=True, preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
    os.close(follower)
    shown = b""
    deadline = time.monotonic() + 20
    while b"keys: " not in shown and time.monotonic() < deadline and select.select([leader], [], [], 1)[0]:
        shown += os.read(leader, 4096)
    packets = data_packets(receiver_socket, process, seconds=10, most=2)
    os.close(leader)
    packets += data_packets(receiver_socket, process, seconds=10)
    assert process.wait(timeout=10) == 129 and b"keys: " in shown
    assert [packet.option_StreamTerminated for packet in packets[-4:]] == [False, True, True, True]


def test_a_stop_signal_before_the_show_starts_ends_it_without_a_traceback(tmp_path):
    rig = tmp_path / "rig.toml"
    rig.write_text('[[groups]]\nsource = "bounce"\nfixtures = 2\n' * 3000)
    process = play_process("--rig", rig)
    deadline = time.monotonic() + 30
    # Sent as soon as `play` has taken over the stop signals, which it does before anything else.
    while not catches(process.pid, signal.SIGHUP) and time.monotonic() < deadline and process.poll() is None:
        time.sleep(0.001)
    process.send_signal(signal.SIGINT)
    _, errors = process.communicate(timeout=30)
    assert process.returncode == 130 and "Traceback" not in errors


@pytest.mark.skipif(shutil.which("unshare") is None, reason="needs unshare from util-linux")
def test_an_output_that_sends_not_one_frame_exits_with_1_and_says_why():
    # In a network namespace of its own whose loopback is down, every send fails.
    finished = subprocess.run(["unshare", "--net", sys.executable, "-m", "pivolet_show", "play", "bounce",
                               "--osc", "127.0.0.1:9000", "--sacn", "127.0.0.1", "--seconds", "0.3"],
                              capture_output=True, text=True, timeout=60)
    assert finished.returncode == 1, finished.stderr
    lines = finished.stderr.splitlines()
    for label in ("OSC", "sACN"):
        (error,) = [line for line in lines if line.startswith(f"{PROGRAM}: error: {label}:")]
        assert re.fullmatch(rf"{PROGRAM}: error: {label}: not one frame could be sent; all \d+ failed "
                            r"\(Network is unreachable\)", error)
    (summary,) = [line for line in lines if line.startswith("sACN: ")]
    assert summary.endswith(" failed to send, 3 closing packets failed to send")


class FlakySocket:
    """A socket double that keeps what it sends, and once told to, fails every other send."""

    def __init__(self):
        self.sent, self.sends, self.flaky = [], 0, False

    def sendto(self, data, address):
        self.sends += 1
        if self.flaky and self.sends % 2:
            raise OSError(101, "Network is unreachable")
        self.sent.append(bytes(data))
        return len(data)

    def setsockopt(self, level, option, value):
        pass

    def close(self):
        pass


def test_closing_packets_that_fail_are_counted_and_the_others_still_go_out():
    udp = FlakySocket()
    random.seed(3)
    output = SacnOutput("127.0.0.1", (1, 2), [Patch(1, 1), Patch(2, 1)], [DmxProfile()] * 2, Fraction(44), udp=udp)
    frame = FixtureFrame((1, 2), np.zeros(2, dtype=np.int32), np.array([(0.5, -0.5, 0.0), (-1.0, 1.0, 0.0)]))
    output.send(output.prepare(frame, 0))
    udp.flaky = True
    assert output.close() == 3
    ends = [DataPacket.make_data_packet(raw) for raw in udp.sent[3:]]
    # Universe 1's second and universe 2's first and third failed; the sequence runs on past them.
    assert [(packet.universe, packet.sequence) for packet in ends] == [(1, 1), (1, 3), (2, 2)]
    assert all(packet.option_StreamTerminated for packet in ends)
    assert ends[0].dmxData[:4] == (0xBF, 0xFF, 0x40, 0x00)
