"""The README's rig of eight real heads aiming at one figure, played briefly against real receivers:
an sACN socket read with the sacn package's parser and OLA's olad as the Art-Net node, both in a
network namespace of their own, where the show file's default ports are free."""

import socket
import subprocess
import sys
from pathlib import Path

import pytest
from sacn.messages.data_packet import DataPacket
from sacn.messages.root_layer import VECTOR_ROOT_E131_DATA

from artnet_node import in_namespace, needs_olad, olad
from show_commands import receive_until_stopped

ROOT = Path(__file__).parent.parent
SHOW = ROOT / "docs" / "aimed-rig.toml"
LIBRARY = Path("/usr/share/qlcplus/fixtures")
# Each head's slots that the motion does not drive, as the show file sets them (0 elsewhere): the
# Robe's shutter, cyan, magenta and yellow, the MAC 500's shutter and colour wheel.
ROBE = {29: 255, 8: 0, 9: 200, 10: 40}
MAC = {0: 30, 2: 48}
DRIVEN = {"robe": (0, 1, 2, 3, 30, 31), "mac": (10, 11, 12, 13, 1)}


def test_the_readme_shows_the_show_file():
    assert SHOW.read_text() in (ROOT / "README.md").read_text()


def head_slots(data, start, footprint, fixed, driven):
    """A head's slots apart from those the motion drives, and the values expected there."""
    own = list(data[start:start + footprint])
    expected = [fixed.get(slot, 0) for slot in range(footprint)]
    return [own[k] for k in range(footprint) if k not in driven], [expected[k] for k in range(footprint) if k not in driven]


@needs_olad
@pytest.mark.skipif(not LIBRARY.is_dir(), reason="qlcplus-data is not installed (scripts/test-deps.sh installs it)")
def test_eight_real_heads_reach_sacn_and_artnet_receivers():
    with olad(net=0, sub_net=0, ports={0: 1, 1: 2}) as node:
        receiver = in_namespace(node.pid, socket.socket, socket.AF_INET, socket.SOCK_DGRAM)
        try:
            receiver.bind(("127.0.0.1", 5568))
            receiver.settimeout(0.1)
            play = subprocess.Popen(["nsenter", f"--net=/proc/{node.pid}/ns/net", sys.executable, "-m", "pivolet_show",
                                     "play", "--rig", str(SHOW), "--seconds", "1", "--quiet"],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            packets = [DataPacket.make_data_packet(raw) for _, _, raw in receive_until_stopped(receiver, play, seconds=30)
                       if raw[18:22] == bytes(VECTOR_ROOT_E131_DATA)]
            _, errors = play.communicate(timeout=10)
            artnet = {universe: node.wait_for(universe, lambda slots: len(slots) > 0) for universe in (1, 2)}
        finally:
            receiver.close()
    assert play.returncode == 0, errors
    last = {packet.universe: packet.dmxData for packet in packets}
    assert sorted(last) == [1, 2] and len(packets) > 40
    # Every channel of every head over sACN: four Robes of 32 slots from channel 1 of universe 1, four
    # MAC 500s of 16 from channel 1 of universe 2; the dimmers full, pan and tilt moving.
    for universe, footprint, fixed, driven in ((1, 32, ROBE, DRIVEN["robe"]), (2, 16, MAC, DRIVEN["mac"])):
        for head in range(4):
            seen, expected = head_slots(last[universe], head * footprint, footprint, fixed, driven)
            assert seen == expected
    assert [last[1][32 * head + 30] for head in range(4)] == [255] * 4 and [last[2][16 * head + 1] for head in range(4)] == [255] * 4
    pans = {(packet.dmxData[0], packet.dmxData[1]) for packet in packets if packet.universe == 1}
    assert len(pans) > 10
    # Art-Net carries the same universes as port addresses 1 and 2, each as long as its heads.
    assert [len(artnet[1]), len(artnet[2])] == [128, 64]
    for universe, footprint, fixed, driven in ((1, 32, ROBE, DRIVEN["robe"]), (2, 16, MAC, DRIVEN["mac"])):
        for head in range(4):
            seen, expected = head_slots(artnet[universe], head * footprint, footprint, fixed, driven)
            assert seen == expected
