"""Art-Net output: packets byte for byte as stupidArtnet packs them, and read back by OLA's olad,
an Art-Net node written apart from this project."""

import socket
from fractions import Fraction

import numpy as np
import pytest
from stupidArtnet import StupidArtnet

import pivolet
from artnet_node import in_namespace, needs_olad, olad
from pivolet_show.show.dmx.patch import Patch
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.outputs import open_outputs
from pivolet_show.show.outputs.artnet import ArtnetOutput
from pivolet_show.show.rig import FixtureFrame
from pivolet_show.show.show_file import load_rig_file
from show_commands import play_process, receive_until_stopped, summary_counts

POSITIONS = [(0.25, -0.5, 0.0), (-1.0, 1.0, 0.0), (0.6, 0.1, 0.0), (0.0, 0.0, 0.0)]


def pan_tilt_slots(position):
    """The four slots of a head in the default layout: 16-bit pan then tilt, coarse first."""
    pan, tilt = (round((value + 1) / 2 * 65535) for value in position[:2])
    return [pan >> 8, pan & 0xFF, tilt >> 8, tilt & 0xFF]


def stupid_artnet_packet(address, slots, sequence):
    """The ArtDmx packet stupidArtnet packs for a port address, slots and sequence number."""
    net, sub_net, universe = address >> 8, address >> 4 & 0xF, address & 0xF
    sender = StupidArtnet("127.0.0.1", universe, len(slots), even_packet_size=True)
    try:
        sender.is_simplified = False
        sender.set_net(net)
        sender.set_subnet(sub_net)
        sender.sequence = sequence
        sender.make_artdmx_header()
        sender.set(bytearray(slots) + bytes(sender.packet_size - len(slots)))
        return bytes(sender.packet_header + sender.buffer)
    finally:
        sender.close()


def frame(positions):
    return FixtureFrame(tuple(range(1, len(positions) + 1)), np.zeros(len(positions), dtype=np.int32), np.array(positions))


def output(patches, host="127.0.0.1", port=6454, **options):
    return ArtnetOutput(host, range(1, len(patches) + 1), patches, [DmxProfile()] * len(patches), Fraction(44),
                        port=port, **options)


@pytest.fixture
def receiver():
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
    udp.bind(("127.0.0.1", 0))
    udp.settimeout(2)
    yield udp
    udp.close()


def sent(receiver, patch, frames, **options):
    """The datagrams of `frames` frames of one head at `patch`, as the receiver got them."""
    sender = output([patch], port=receiver.getsockname()[1], **options)
    try:
        for _ in range(frames):
            sender.send(sender.prepare(frame(POSITIONS[:1]), 0))
        return [receiver.recv(1024) for _ in range(frames)]
    finally:
        sender.close()


@pytest.mark.parametrize("universe, address, offset", [(0, 1, 0), (1, 2, 0), (0x359, 509, 0), (32767, 100, 0),
                                                       (1, 3, -1), (32768, 1, -1)])
def test_packets_are_art_dmx_as_stupid_artnet_packs_them(receiver, universe, address, offset):
    received = sent(receiver, Patch(universe, address), 3, universe_offset=offset)
    # Slots up to the head's last, an even count: a head at 2 (slots 2-5) sends 6.
    slots = [0] * (address - 1) + pan_tilt_slots(POSITIONS[0])
    assert received == [stupid_artnet_packet(universe + offset, slots, sequence) for sequence in (1, 2, 3)]


def test_sequence_numbers_run_from_1_to_255_and_round_again(receiver):
    assert [packet[12] for packet in sent(receiver, Patch(1, 1), 600)] == [k % 255 + 1 for k in range(600)]


@needs_olad
def test_olad_receives_every_universe_at_its_port_address_and_length():
    # Port 0 of the node hears universe 9 of net 3, sub-net 5 (port address 0x359), port 1 universe 2.
    with olad(net=3, sub_net=5, ports={0: 9, 1: 2}) as node:
        patches = [Patch(0x359, 1), Patch(0x359, 5), Patch(0x359, 9), Patch(0x352, 100), Patch(0x362, 1)]
        sender = in_namespace(node.pid, output, patches)
        try:
            sender.send(sender.prepare(frame(POSITIONS + POSITIONS[:1]), 0))
            first = node.wait_for(9, lambda slots: len(slots) == 12)
            second = node.wait_for(2, lambda slots: len(slots) == 104)
        finally:
            sender.close()
    assert first == pan_tilt_slots(POSITIONS[0]) + pan_tilt_slots(POSITIONS[1]) + pan_tilt_slots(POSITIONS[2])
    assert second == [0] * 99 + pan_tilt_slots(POSITIONS[3]) + [0]


def test_play_sends_at_most_44_frames_a_second_in_sequence(receiver_socket):
    bpm, start = 128, 300
    process = play_process("beat_house_classic_surge", "--bpm", str(bpm), "--fps", "60", "--seconds", "1.5",
                           "--start-pip", str(start), "--fixtures", "3", "--universe", "7",
                           "--artnet", f"127.0.0.1:{receiver_socket.getsockname()[1]}")
    received = receive_until_stopped(receiver_socket, process, seconds=15)
    _, errors = process.communicate(timeout=10)
    assert process.returncode == 0, errors
    sent, skipped = summary_counts(errors, "Art-Net")
    assert len(received) == sent and sent + skipped == 66
    arrivals = [arrived for arrived, _, _ in received]
    assert all(later - earlier > 0.9 for earlier, later in zip(arrivals, arrivals[44:]))

    def packet(k, sequence):
        """Frame k (at k / 44 seconds) of the three heads, as stupidArtnet packs it."""
        pip = start + k * bpm * 64 // (60 * 44)
        slots = sum((pan_tilt_slots(pivolet.sample("beat_house_classic_surge", pip).as_tuple()) for _ in range(3)), [])
        return stupid_artnet_packet(7, slots, sequence)

    shown = []
    for sequence, (_, _, raw) in enumerate(received, start=1):
        shown.append(next(k for k in range(shown[-1] + 1 if shown else 0, 66) if raw == packet(k, sequence)))
    assert len(shown) == sent


@pytest.mark.parametrize("table, allowed", [("", 0), ("broadcast = true\n", 1)])
def test_the_socket_may_broadcast_only_when_the_show_file_asks(tmp_path, table, allowed):
    # Read and opened, never sent: whether the socket may send to a broadcast address at all.
    path = tmp_path / "rig.toml"
    path.write_text(f'[[groups]]\nsource = "bounce"\n[artnet]\nhost = "127.0.0.1"\n{table}')
    (output,) = open_outputs(load_rig_file(path))
    try:
        assert output._udp.getsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST) == allowed
    finally:
        output.close()
