"""sACN output read back on the loopback: by the `sacn` package's own packet parser on a plain socket
(every packet, in order) and by its receiver (what a lighting node sees)."""

import random
import threading
from fractions import Fraction

import numpy as np
import pytest
from sacn import sACNreceiver
from sacn.messages.data_packet import DataPacket
from sacn.messages.root_layer import VECTOR_ROOT_E131_DATA, VECTOR_ROOT_E131_EXTENDED
from sacn.messages.sync_packet import SyncPacket

import pivolet
from browser_session import wait_for
from show_commands import play_process as play
from pivolet_show.show.dmx.patch import Patch
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.outputs.sacn import SacnOutput
from pivolet_show.show.rig import FixtureFrame
from show_commands import receive_until_stopped, run_show, summary_counts

NAME = "beat_house_classic_surge"
DATA, SYNC = bytes(VECTOR_ROOT_E131_DATA), bytes(VECTOR_ROOT_E131_EXTENDED)


def pan_tilt(dmx, first_channel):
    coarse = dmx[first_channel - 1:first_channel + 3]
    return coarse[0] << 8 | coarse[1], coarse[2] << 8 | coarse[3]


def sixteen_bit(value):
    return round((value + 1) / 2 * 65535)


def test_eight_fixtures_on_a_universe_at_44_frames_a_second_then_terminated(receiver_socket):
    port = receiver_socket.getsockname()[1]
    bpm, spread, start = 128, 32, 500
    process = play(NAME, "--bpm", str(bpm), "--fps", "60", "--seconds", "1.5", "--start-pip", str(start),
                   "--sacn", f"127.0.0.1:{port}", "--universe", "3", "--fixtures", "8", "--spread", str(spread))
    received = receive_until_stopped(receiver_socket, process, seconds=15)
    _, errors = process.communicate(timeout=10)
    assert process.returncode == 0
    sent, skipped = summary_counts(errors, "sACN")

    data = [(arrived, DataPacket.make_data_packet(raw)) for arrived, _, raw in received if raw[18:22] == DATA]
    syncs = [SyncPacket.make_sync_packet(raw) for _, _, raw in received if raw[18:22] == SYNC]
    frames, terminated = data[:-3], [packet for _, packet in data[-3:]]
    # 1.5 s at 44 frames a second (60 asked for; a frame skipped on a busy machine is counted),
    # the stream then ended three times over.
    assert len(frames) == sent and sent + skipped == 66
    assert all(packet.option_StreamTerminated for packet in terminated)
    assert not any(packet.option_StreamTerminated for _, packet in frames)
    assert {(p.universe, p.priority, p.sourceName) for _, p in frames} == {(3, 100, "pivolet")}
    assert len(syncs) == len(frames) and {sync.syncAddr for sync in syncs} == {63999}
    assert [p.sequence for _, p in data] == [k % 256 for k in range(len(data))]
    # Never more than 44 frames in any second.
    arrivals = [arrived for arrived, _ in frames]
    assert all(later - earlier > 0.9 for earlier, later in zip(arrivals, arrivals[44:]))
    # The sender's source port is one the system picked, so a receiver here may own 5568.
    assert {source[1] for _, source, _ in received} != {5568}

    # Frame k shows the pips of k / 44 seconds: every fixture's 16-bit pan and tilt, from channel 1 on.
    def expected_frame(k):
        pip = start + k * bpm * 64 // (60 * 44)
        channels = []
        for fixture in range(8):
            x, y, _ = pivolet.sample(NAME, pip - fixture * spread).as_tuple()
            pan, tilt = sixteen_bit(x), sixteen_bit(y)
            channels += [pan >> 8, pan & 255, tilt >> 8, tilt & 255]
        return tuple(channels) + (0,) * (512 - 32)

    shown = []
    for _, packet in frames:
        k = next(k for k in range(shown[-1] + 1 if shown else 0, 66) if packet.dmxData == expected_frame(k))
        shown.append(k)
    assert len(shown) == sent and shown[-1] < 66 and len(set(shown)) == len(shown)


RIG = """
bpm = 0.001          # the pips stay where they start for the whole play
start_pip = 64
fps = 30

[[groups]]
source = "circle"
universe = 2
address = 101
fixtures = [
  {{ }},
  {{ invert = "x", layout = ["tilt", "tilt_fine", "pan", "pan_fine", "dimmer"], dimmer = 0.5 }},
]

[[groups]]
source = "bounce"
universe = 5
address = 11
pan_range = 270
fixtures = 2
spread = 16

[sacn]
host = "127.0.0.1"
port = {port}
priority = 150
source_name = "stage left"
"""


def test_a_rig_file_patches_two_universes_that_a_sacn_receiver_reads(tmp_path):
    # A port the system picks, bound by the receiver itself and kept until the end (the receiver
    # offers no other way to learn it).
    receiver = sACNreceiver(bind_address="127.0.0.1", bind_port=0)
    port = receiver._handler.socket._socket.getsockname()[1]
    latest, availability = {}, []
    lock = threading.Lock()

    def keep(packet):
        with lock:
            latest[packet.universe] = packet

    for universe in (2, 5):
        receiver.register_listener("universe", keep, universe=universe)
    receiver.register_listener("availability", lambda universe, changed: availability.append((universe, changed)))
    receiver.start()
    try:
        rig = tmp_path / "rig.toml"
        rig.write_text(RIG.format(port=port))
        finished = run_show("play", "--rig", rig, "--seconds", "0.5")
        # The receiver reads its socket on a thread of its own: wait until it has seen both streams end.
        wait_for(lambda: {(2, "timeout"), (5, "timeout")} <= set(availability), "both universes' streams to end")
    finally:
        receiver.stop()
    assert finished.status == 0, finished.err
    assert sum(summary_counts(finished.err, "sACN")) == 15
    # Each universe became available, and its stream ended (the receiver says so per terminating packet).
    assert set(availability) == {(2, "available"), (2, "timeout"), (5, "available"), (5, "timeout")}
    assert (latest[2].priority, latest[2].sourceName, latest[5].priority) == (150, "stage left", 150)

    x, y, _ = pivolet.circle(64).as_tuple()
    two = latest[2].dmxData
    assert pan_tilt(two, 101) == (sixteen_bit(x), sixteen_bit(y))
    tilt, pan = pan_tilt(two, 105)  # the second head takes tilt first, and has a dimmer
    assert (pan, tilt, two[108]) == (sixteen_bit(-x), sixteen_bit(y), 128)
    assert set(two[:100]) == {0} and set(two[109:]) == {0}
    five = latest[5].dmxData
    for fixture, pip in enumerate((64, 48)):
        bounce, _, _ = pivolet.bounce(pip).as_tuple()
        # 270 of the 540 degrees: the bounce covers the middle half of the pan travel.
        assert pan_tilt(five, 11 + 4 * fixture) == (round((bounce * 0.5 + 1) / 2 * 65535), 32768)


class RecordingSocket:
    """A socket double, as the sacn package's own tests use: it keeps what it is asked to do."""

    def __init__(self):
        self.calls = []

    def sendto(self, data, address):
        self.calls.append(("sendto", bytes(data), address))
        return len(data)

    def setsockopt(self, level, option, value):
        self.calls.append(("ttl", value))

    def close(self):
        self.calls.append(("close",))


def test_multicast_sends_each_universe_to_its_group_and_the_sync_to_the_sync_universes():
    # Nothing leaves the machine: the packets go to a double, and are compared with those of unicast.
    patches, profiles = [Patch(3, 1), Patch(300, 1)], [DmxProfile()] * 2
    doubles = {host: RecordingSocket() for host in (None, "127.0.0.1")}
    for host, udp in doubles.items():
        random.seed(5)
        output = SacnOutput(host, (1, 2), patches, profiles, Fraction(44), port=6000, udp=udp)
        frame = FixtureFrame((1, 2), np.zeros(2, dtype=np.int32), np.array([(0.5, -0.5, 0.0), (-1.0, 1.0, 0.0)]))
        output.send(output.prepare(frame, 0))
        output.close()
    multicast, unicast = doubles[None].calls, doubles["127.0.0.1"].calls
    frame = [("ttl", 8), ("sendto", "239.255.0.3"), ("ttl", 8), ("sendto", "239.255.1.44"),
             ("ttl", 255), ("sendto", "239.255.249.255")]
    terminated = [("ttl", 8), ("sendto", "239.255.0.3")] * 3 + [("ttl", 8), ("sendto", "239.255.1.44")] * 3
    assert [(call[0], call[2][0]) if call[0] == "sendto" else call for call in multicast] == frame + terminated + [("close",)]
    assert {call[2][1] for call in multicast if call[0] == "sendto"} == {6000}
    # The bytes are those of unicast, packet for packet; unicast sets no TTL.
    assert [call[1] for call in multicast if call[0] == "sendto"] == [call[1] for call in unicast if call[0] == "sendto"]
    assert not any(call[0] == "ttl" for call in unicast)
    first = DataPacket.make_data_packet(multicast[1][1])
    assert (first.universe, first.syncAddr, first.sequence, first.dmxData[:4]) == (3, 63999, 0, (0xBF, 0xFF, 0x40, 0x00))
