"""The show's control commands through their ways in: every OSC address sent with python-osc to a real
control port while a player plays on the fake clock, refusals answered to the sender, a flood of
random datagrams during a real play that changes nothing, and the keys of a terminal (a real
pseudo-terminal) with the terminal set back as it was however the play ends."""

import fcntl
import json
import os
import pty
import random
import re
import select
import signal
import socket
import subprocess
import sys
import termios
import time
from fractions import Fraction

import pytest
from pythonosc.osc_bundle import OscBundle
from pythonosc.osc_message import OscMessage
from pythonosc.udp_client import SimpleUDPClient

from fake_time import SECOND, START, FakeTime
from pivolet_show.motion.sources import builtin_source
from pivolet_show.show.clock import TempoClock
from pivolet_show.show.control import Control
from pivolet_show.show.fixtures import group_fixtures
from pivolet_show.show.inputs.osc_control import OscControl
from pivolet_show.show.player import Player
from pivolet_show.show.rig import Rig
from show_commands import ended, play_process, received_pips, summary_counts
from test_player import ListOutput

# (instant after the start, address, arguments): at 60 BPM, 64 pips a second, from pip 0.
SCRIPT = [
    (2 * SECOND // 10, "/pivolet/tempo", 120.0),        # pip 12.8, then 128 pips a second
    (5 * SECOND // 10, "/pivolet/seek", 1000),          # was 51.2
    (7 * SECOND // 10, "/pivolet/phase", "bar"),        # 1025.6: on to the next bar, 1280
    (9 * SECOND // 10, "/pivolet/nudge", -5.5),         # 1305.6: back to 1300.1
    (11 * SECOND // 10, "/pivolet/tap", []),            # 1325.7: the nearest beat, 1344
    (15 * SECOND // 10, "/pivolet/tap", []),            # 1395.2: 1408, and 150 BPM from the two taps
    (19 * SECOND // 10, "/pivolet/tap", []),            # 1472 exactly: still 150 BPM, 160 pips a second
    (20 * SECOND // 10, "/pivolet/tempo", -5.0),        # refused
    (20 * SECOND // 10, "/pivolet/phase", "quarter"),   # refused
    (20 * SECOND // 10, "/pivolet/cue", 1),             # unknown
]
PIPS = {2: 12, 3: 25, 5: 1000, 6: 1012, 7: 1280, 8: 1292, 9: 1300, 10: 1312, 11: 1344, 15: 1408, 16: 1424, 19: 1472,
        20: 1488, 21: 1504}
REPLIES = [
    "the tempo must be a finite positive number of beats per minute, not -5.0",
    "a phase resets to the next 'beat' or 'bar', not 'quarter'",
    "no cue 1: the show has no cues",
]


class ScriptedTime(FakeTime):
    """The fake clock; as a wait reaches each instant of the script, its message goes to the port first."""

    def __init__(self, script, port, listening):
        super().__init__()
        self.script, self.listening = list(script), listening
        self.client = SimpleUDPClient("127.0.0.1", port)

    def wait(self, selector, deadline_ns):
        self.ns = max(self.ns, deadline_ns)
        while self.script and START + self.script[0][0] <= self.ns:
            _, address, arguments = self.script.pop(0)
            self.client.send_message(address, arguments)
            select.select([self.listening], [], [], 5)
        return selector.select(0)


def test_every_address_moves_the_clock_as_it_says_and_refusals_are_answered():
    clock = TempoClock(60, origin_ns=START, now=FakeTime())
    rig = Rig(group_fixtures(builtin_source("bounce"), 1))
    control = OscControl(socket.AF_INET, ("127.0.0.1", 0), Control(clock, rig))
    time = ScriptedTime(SCRIPT, control.address[1], control.sockets[0])
    control._now = clock._now = time
    output = ListOutput(time, 10)
    player = Player(clock, rig, [output], now=time, wait=time.wait, unix_offset_ns=0)
    player.add_input(control)
    try:
        player.run(Fraction(22, 10))
        errors, tempos = [], []
        time.client._sock.settimeout(5)
        # After each command performed, the state of the show; after each refused, the reason.
        for _ in range(len(SCRIPT)):
            datagram = time.client._sock.recv(65536)
            if OscBundle.dgram_is_bundle(datagram):
                states = {message.address: message.params for message in OscBundle(datagram)}
                tempos.append(states["/pivolet/state/tempo"][0])
            else:
                errors.append(OscMessage(datagram))
    finally:
        player.close()
        time.client._sock.close()
    pips = [states[0].pip for _, _, states in output.sent]
    assert {index: pips[index] for index in PIPS} == PIPS
    assert clock.bpm == 150 and (control.performed, control.ignored) == (7, 3)
    assert [(reply.address, reply.params) for reply in errors] == [("/pivolet/error", [text]) for text in REPLIES]
    assert tempos == [120.0] * 5 + [150.0] * 2


def test_with_a_sync_source_leading_the_clock_commands_that_move_it_are_refused():
    clock = TempoClock(60, now=FakeTime())
    control = Control(clock, Rig(group_fixtures(builtin_source("bounce"), 1)))
    control.leader = "Link"
    anchor = clock.anchor
    with pytest.raises(ValueError) as raised:
        control.perform("tap", (), START)
    assert str(raised.value) == "the clock follows Link: /pivolet/tap does not move it" and clock.anchor is anchor


def test_a_flood_of_random_datagrams_changes_nothing_and_is_counted():
    listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    listener.bind(("127.0.0.1", 0))
    listener.settimeout(0.5)
    player = play_process("bounce", "--bpm", "120", "--fps", "50", "--seconds", "4", "--control", "0",
                          "--osc", f"127.0.0.1:{listener.getsockname()[1]}")
    noise = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    frames = []
    try:
        port = int(re.search(r"OSC control on 127\.0\.0\.1:(\d+):", player.stderr.readline())[1])
        generator = random.Random(20)
        # 10,000 datagrams of 1 to 200 random bytes over about two seconds, in bursts between frames.
        for burst in range(500):
            for _ in range(20):
                noise.sendto(generator.randbytes(generator.randint(1, 200)), ("127.0.0.1", port))
            time.sleep(0.004)
            while select.select([listener], [], [], 0)[0]:
                frames.append(OscBundle(listener.recv(65536)))
        end = time.monotonic() + 10
        while time.monotonic() < end and len(frames) < 1000:
            try:
                frames.append(OscBundle(listener.recv(65536)))
            except TimeoutError:
                if player.poll() is not None:
                    break
        _, errors = player.communicate(timeout=20)
    finally:
        ended(player)
        noise.close()
        listener.close()
    assert player.returncode == 0, errors
    sent, skipped = summary_counts(errors, "OSC")
    assert sent + skipped == 200 and skipped <= 10
    assert errors.splitlines()[-1] == "OSC control: 0 done, 10000 ignored"
    # Every frame carries the pip of its own instant at 120 BPM, rounded down: the clock never moved.
    offsets = [bundle.content(0).params[0] - bundle.timestamp * 128 for bundle in frames]
    assert len(frames) >= 190 and max(offsets) - min(offsets) < 1.001


STORM_SHOW = """
[[groups]]
name = "wash"
source = "circle"
fixtures = 2

[[cues]]
name = "one"
groups.wash = { source = "bounce" }

[[cues]]
name = "two"
groups.wash = { source = "sway", fade = 1 }
"""
# Commands each refused for its own reason: unknown cues, groups, commands and sources, and bad arguments.
STORM = [("/pivolet/cue", ["nope"]), ("/pivolet/cue", [99]), ("/pivolet/cue", [0]), ("/pivolet/cue", [1.5]),
         ("/pivolet/cue", []), ("/pivolet/cue", [1, 2]), ("/pivolet/group/nope/size", [0.5]),
         ("/pivolet/group/wash/size", ["big"]), ("/pivolet/group/wash/size", [9.0]), ("/pivolet/group/wash/speed", [0.0]),
         ("/pivolet/group/wash/source", ["no_such_pattern"]), ("/pivolet/group/wash/source", [3]),
         ("/pivolet/group/wash/zoom", [1]), ("/pivolet/hold", [2]), ("/pivolet/blackout", ["on"]), ("/pivolet/cues", [1])]


def test_a_storm_of_refused_commands_leaves_the_show_playing_and_is_logged(tmp_path, receiver_socket):
    (tmp_path / "show.toml").write_text(STORM_SHOW)
    player = play_process("--rig", tmp_path / "show.toml", "--fps", "50", "--seconds", "4", "--control", "0",
                          "--log", tmp_path / "take.jsonl", "--osc", f"127.0.0.1:{receiver_socket.getsockname()[1]}")
    client = None
    generator = random.Random(21)
    try:
        port = int(re.search(r"OSC control on 127\.0\.0\.1:(\d+):", player.stderr.readline())[1])
        client = SimpleUDPClient("127.0.0.1", port)
        # 3000 refused commands and 30 cue launches over about two seconds, between frames.
        for burst in range(300):
            for _ in range(10):
                client.send_message(*generator.choice(STORM))
            if burst % 10 == 0:
                client.send_message("/pivolet/cue", generator.choice([1, 2, "one", "two"]))
            time.sleep(0.006)
        frames = received_pips(receiver_socket, player, 15, lambda bundle: bundle.timestamp)
        _, errors = player.communicate(timeout=20)
    finally:
        ended(player)
        if client is not None:
            client._sock.close()
    assert player.returncode == 0, errors
    sent, skipped = summary_counts(errors, "OSC")
    assert sent + skipped == 200 and skipped <= 10 and len(frames) >= 150
    assert errors.splitlines()[-1] == "OSC control: 30 done, 3000 ignored"
    lines = [json.loads(line) for line in (tmp_path / "take.jsonl").read_text().splitlines()[1:]]
    assert len(lines) == 3030 and sum("refused" in line for line in lines) == 3000
    # Each cue lands on a bar line (four beats), at or after the pip it arrived at.
    launched = [line for line in lines if "refused" not in line]
    assert all(line["pip"] % 256 == 0 and line["pip"] >= Fraction(line["arrived"]) for line in launched)


def terminal_play(*arguments):
    """`play` on a new pseudo-terminal as its standard input and controlling terminal; the
    terminal's side, and its settings."""
    leader, follower = pty.openpty()
    before = termios.tcgetattr(follower)
    # The terminal is the play's own, with the play in its foreground, as in a shell.
    process = subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", "bounce", *arguments],
                               stdin=follower, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               start_new_session=True, preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
    return process, leader, follower, before


@pytest.mark.parametrize("stop", [None, signal.SIGINT, signal.SIGTERM, signal.SIGHUP])
def test_keys_tap_and_place_the_bar_and_the_terminal_is_set_back(stop):
    process, leader, follower, before = terminal_play("--bpm", "60", "--seconds", "3" if stop is None else "30")
    try:
        assert process.stderr.readline().startswith("keys: 1 to 9 launch cues, space taps the tempo")
        # The keys arrive unechoed, one at a time, while playing.
        assert termios.tcgetattr(follower)[3] & (termios.ECHO | termios.ICANON) == 0
        for _ in range(4):
            os.write(leader, b" ")
            time.sleep(0.4)  # 150 BPM
        os.write(leader, b"bx+")
        time.sleep(0.3)
        if stop is not None:
            process.send_signal(stop)
        _, errors = process.communicate(timeout=20)
        after = termios.tcgetattr(follower)
    finally:
        if process.poll() is None:
            process.kill()
            process.communicate()
        os.close(leader)
        os.close(follower)
    assert process.returncode == (0 if stop is None else 128 + stop), errors
    assert after == before
    tempo = float(re.findall(r"  ([\d.]+) BPM", errors)[-1])
    assert 140 < tempo < 160


def test_a_play_outside_the_terminals_foreground_leaves_the_terminal_alone():
    leader, follower = pty.openpty()
    before = termios.tcgetattr(follower)
    try:
        process = subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", "bounce", "--seconds", "1"],
                                   stdin=follower, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        first = process.stderr.readline()
        during = termios.tcgetattr(follower)
        _, errors = process.communicate(timeout=20)
    finally:
        os.close(leader)
        os.close(follower)
    assert process.returncode == 0 and not first.startswith("keys:") and during == before
