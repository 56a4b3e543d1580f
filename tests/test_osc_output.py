"""OSC output: the packed bytes against python-osc's builders, and a real python-osc server that
receives a short play and checks every message against the module."""

import json
import struct
import time
from fractions import Fraction

import numpy as np
import pytest
from pythonosc.dispatcher import Dispatcher
from pythonosc.osc_bundle import OscBundle
from pythonosc.osc_bundle_builder import OscBundleBuilder
from pythonosc.osc_message_builder import OscMessageBuilder
from pythonosc.osc_server import BlockingOSCUDPServer
from pythonosc.parsing import osc_types

import pivolet
from pivolet_show.motion.sources import builtin_source
from pivolet_show.show.clock import PipReading
from pivolet_show.show.fixtures import FixtureOrder, group_fixtures
from pivolet_show.show.rig import Rig
from show_commands import play_process as play
from show_commands import summary_counts
from pivolet_show.show.outputs.osc_packing import (
    DATAGRAM_TOO_SMALL, NOT_A_PREFIX, NTP_UNIX_OFFSET_SECONDS, OscFramePacker, check_prefix, ntp_timetag,
)

SECOND = 10**9


def built(address, *arguments):
    """A message built by python-osc from (value, type tag) pairs."""
    builder = OscMessageBuilder(address)
    for value, tag in arguments:
        builder.add_arg(value, tag)
    return builder.build()


def python_osc_bundles(prefix, numbers, unix_seconds, values, max_datagram, form="fixtures", clock=None):
    """The same frame built with python-osc: its messages in order, a new bundle whenever the next
    message would make the datagram larger than `max_datagram`."""
    messages = [] if clock is None else [built(f"{prefix}/clock", *zip(clock, "iiff"))]
    for number, (pip, x, y, z) in zip(numbers, values):
        if form == "values":
            messages += [built(f"{prefix}/{number}/{axis}", ((value + 1) / 2, "f")) for axis, value in zip("xyz", (x, y, z))]
        else:
            messages.append(built(f"{prefix}/{number}", (pip, "i"), (x, "f"), (y, "f"), (z, "f")))
    groups, size = [[]], 16
    for message in messages:
        if size + 4 + message.size > max_datagram:
            groups, size = groups + [[]], 16
        groups[-1].append(message)
        size += 4 + message.size
    datagrams = []
    for group in groups:
        bundle = OscBundleBuilder(unix_seconds)
        for message in group:
            bundle.add_content(message)
        datagrams.append(bundle.build().dgram)
    return datagrams


def frame_values(count, seed):
    return [((seed + 37 * k) * 7919 % 100000 - 50000, (k % 7) / 7 - 0.5, -(k % 5) / 5, 1.0 - 2.0 * (k % 3) / 3)
            for k in range(count)]


@pytest.mark.parametrize("prefix, count, max_datagram, bundles", [
    ("/pivolet", 1, 1472, 1),
    ("/pivolet", 8, 1472, 1),
    ("/pivolet", 36, 1472, 1),     # 16 + 36 * 40 = 1456 bytes
    ("/pivolet", 37, 1472, 2),
    ("/pivolet", 64, 1472, 2),
    ("/show/stage_left", 512, 1472, 19),  # messages of 48 bytes, 52 from fixture 100 on
    ("/p", 20, 200, 4),
    ("/pivolet", 512, 65507, 1),
])
def test_packed_frames_are_python_oscs_bytes(prefix, count, max_datagram, bundles):
    numbers = list(range(1, count + 1))
    # An instant whose timetag a float holds exactly, so that python-osc's float path gives the same bits.
    unix_seconds, unix_ns = 1_700_000_000.25, 1_700_000_000 * SECOND + SECOND // 4
    packer = OscFramePacker(numbers, prefix, max_datagram)
    for seed in (1, 2):
        values = frame_values(count, seed)
        pips = np.array([pip for pip, *_ in values], dtype=np.int32)
        positions = np.array([position for _, *position in values], dtype=np.float64)
        packed = [bytes(datagram) for datagram in packer.pack(ntp_timetag(unix_ns), pips, positions)]
        assert packed == python_osc_bundles(prefix, numbers, unix_seconds, values, max_datagram)
        assert len(packed) == packer.bundle_count == bundles
        assert all(len(datagram) <= max_datagram for datagram in packed)


@pytest.mark.parametrize("form, clock, count, max_datagram", [
    ("values", None, 1, 1472), ("values", None, 64, 1472), ("values", (3, 2, 0.3046875, 127.3), 20, 200),
    ("fixtures", (1, 4, 0.99609375, 60.0), 37, 1472), ("fixtures", (-2, 1, 0.0, 128.0), 1, 64),
])
def test_the_values_format_and_the_clock_are_python_oscs_bytes(form, clock, count, max_datagram):
    numbers = list(range(1, count + 1))
    unix_seconds, unix_ns = 1_700_000_000.25, 1_700_000_000 * SECOND + SECOND // 4
    packer = OscFramePacker(numbers, "/pivolet", max_datagram, form=form, clock=clock is not None)
    values = frame_values(count, 3)
    pips = np.array([pip for pip, *_ in values], dtype=np.int32)
    positions = np.array([position for _, *position in values], dtype=np.float64)
    packed = [bytes(datagram) for datagram in packer.pack(ntp_timetag(unix_ns), pips, positions, clock or (1, 1, 0.0, 0.0))]
    assert packed == python_osc_bundles("/pivolet", numbers, unix_seconds, values, max_datagram, form, clock)


@pytest.mark.parametrize("unix_ns", [1_700_000_000_123_456_789, 1_800_000_000_999_999_999, 86_400 * SECOND + 1])
def test_the_timetag_is_the_instant_python_osc_reads(unix_ns):
    tag = ntp_timetag(unix_ns)
    assert tag >> 32 == unix_ns // SECOND + NTP_UNIX_OFFSET_SECONDS
    # The fraction is the nanoseconds rounded down to 1/2**32 s, about 0.23 ns.
    assert 0 <= unix_ns % SECOND / SECOND - (tag & 0xFFFFFFFF) / 2**32 < 2**-32
    read, _ = osc_types.get_date(struct.pack(">Q", tag), 0)
    assert read == pytest.approx(unix_ns / SECOND, abs=1e-6)


@pytest.mark.parametrize("pip, wrapped", [(0, 0), (2**31 - 1, 2**31 - 1), (2**31, -2**31), (-2**31 - 1, 2**31 - 1),
                                         (2**40 + 5, 5), (-(2**70) - 3, -3)])
def test_pips_beyond_32_bits_wrap_like_a_counter(pip, wrapped):
    # The second fixture plays 2**31 - 1 pips behind the first.
    rig = Rig(group_fixtures(builtin_source("bounce"), 2, order=FixtureOrder.SPREAD, spread=2**31 - 1))
    pips = rig.frame(PipReading(pip, 0.0)).pips
    assert pips.dtype == np.int32
    assert pips.tolist() == [wrapped, (wrapped - 2**31 + 1 + 2**31) % 2**32 - 2**31]


@pytest.mark.parametrize("prefix", ["pivolet", "/pivolet/", "/a b", "/x*", "/caf\u00e9", "/a#b", ""])
def test_addresses_osc_reserves_are_refused(prefix):
    with pytest.raises(ValueError) as raised:
        check_prefix(prefix)
    assert str(raised.value) == NOT_A_PREFIX.format(value=prefix)


def test_a_datagram_too_small_for_one_message_is_refused():
    with pytest.raises(ValueError) as raised:
        OscFramePacker([1], "/pivolet", 50)
    assert str(raised.value) == DATAGRAM_TOO_SMALL.format(size=50, needed=56)


class RecordingDispatcher(Dispatcher):
    """A python-osc dispatcher that also keeps every datagram with the time it arrived."""

    def __init__(self):
        super().__init__()
        self.datagrams = []
        self.messages = 0
        self.set_default_handler(self._count)

    def _count(self, address, *arguments):
        self.messages += 1

    def call_handlers_for_packet(self, data, client_address):
        self.datagrams.append((time.time(), data))
        return super().call_handlers_for_packet(data, client_address)


@pytest.fixture
def osc_server():
    dispatcher = RecordingDispatcher()
    server = BlockingOSCUDPServer(("127.0.0.1", 0), dispatcher)
    server.timeout = 0.1
    yield server, dispatcher
    server.server_close()


def receive_while(server, process, most_datagrams, seconds):
    """Serves requests until the process ends (and the socket is drained), for a bounded time and count."""
    dispatcher = server.dispatcher
    deadline = time.monotonic() + seconds
    quiet_rounds = 0
    while time.monotonic() < deadline and len(dispatcher.datagrams) < most_datagrams and quiet_rounds < 3:
        before = len(dispatcher.datagrams)
        server.handle_request()
        if process.poll() is not None and len(dispatcher.datagrams) == before:
            quiet_rounds += 1


def test_a_two_second_play_reaches_a_python_osc_server_exactly(osc_server):
    server, dispatcher = osc_server
    port = server.server_address[1]
    bpm, fps, fixtures, spread, start = Fraction("127.3"), 50, 3, 40, 1000
    name = "beat_house_classic_surge"
    process = play(name, "--bpm", str(bpm), "--fps", str(fps), "--seconds", "2", "--osc", f"127.0.0.1:{port}",
                   "--fixtures", str(fixtures), "--spread", str(spread), "--start-pip", str(start))
    receive_while(server, process, most_datagrams=200, seconds=15)
    _, errors = process.communicate(timeout=10)
    assert process.returncode == 0
    sent, skipped = summary_counts(errors, "OSC")

    bundles = [(arrived, OscBundle(data)) for arrived, data in dispatcher.datagrams]
    # Every frame of two seconds (one skipped on a busy machine is counted, never sent late twice).
    assert len(bundles) == sent and sent + skipped == 2 * fps
    assert dispatcher.messages == sent * fixtures
    first_tag = bundles[0][1].timestamp
    clock_pips, frames = [], []
    for arrived, bundle in bundles:
        messages = list(bundle)
        assert [message.address for message in messages] == [f"/pivolet/{n}" for n in range(1, fixtures + 1)]
        # The timetag is the frame's deadline: a whole number of frames after the first (to python-osc's float).
        k = round((bundle.timestamp - first_tag) * fps)
        assert bundle.timestamp - first_tag == pytest.approx(k / fps, abs=1e-6)
        frames.append(k)
        # A bundle never arrives before its time, and not much after.
        assert -0.002 < arrived - bundle.timestamp < 0.5
        pips = []
        for n, message in enumerate(messages):
            pip, x, y, z = message.params
            assert isinstance(pip, int) and all(isinstance(value, float) for value in (x, y, z))
            expected = pivolet.sample(name, pip).as_tuple()
            assert (x, y, z) == tuple(struct.unpack(">3f", struct.pack(">3f", *expected)))
            pips.append(pip)
        assert [pips[0] - pip for pip in pips] == [n * spread for n in range(fixtures)]
        clock_pips.append(pips[0])
    # The pips follow the clock: frame k shows the pip at k / fps seconds after the start.
    assert frames == sorted(set(frames)) and frames[-1] < 2 * fps
    assert clock_pips == [start + int(Fraction(k, fps) * bpm / 60 * 64) for k in frames]


def test_the_address_prefix_is_configurable(osc_server):
    server, dispatcher = osc_server
    process = play("bounce", "--fps", "20", "--seconds", "0.2", "--osc", f"127.0.0.1:{server.server_address[1]}",
                   "--osc-prefix", "/stage/heads", "--quiet")
    receive_while(server, process, most_datagrams=20, seconds=10)
    assert process.communicate(timeout=10) == ("", "") and process.returncode == 0
    addresses = {message.address for _, data in dispatcher.datagrams for message in OscBundle(data)}
    assert len(dispatcher.datagrams) == 4 and addresses == {"/stage/heads/1"}


def test_a_frame_too_large_for_a_datagram_goes_out_as_bundles_of_one_timetag(osc_server):
    server, dispatcher = osc_server
    process = play("circle", "--fps", "10", "--seconds", "0.3", "--osc", f"127.0.0.1:{server.server_address[1]}",
                   "--fixtures", "100", "--spread", "even", "--quiet")
    receive_while(server, process, most_datagrams=30, seconds=10)
    assert process.communicate(timeout=10) == ("", "") and process.returncode == 0
    bundles = [OscBundle(data) for _, data in dispatcher.datagrams]
    # 100 messages of 40 bytes (44 from /pivolet/100) in bundles of at most 1472 bytes: 36, 36, 28.
    assert [bundle.num_contents for bundle in bundles] == [36, 36, 28] * 3
    for frame in range(3):
        assert len({bundle.timestamp for bundle in bundles[3 * frame:3 * frame + 3]}) == 1
    numbers = [int(message.address.rsplit("/", 1)[1]) for bundle in bundles[:3] for message in bundle]
    assert numbers == list(range(1, 101))


def test_files_play_like_builtins_a_recording_holding_still_past_its_end(osc_server, tmp_path):
    server, dispatcher = osc_server
    recording = tmp_path / "take_one.csv"
    rows = [(round(0.01 * pip, 2), -0.5, 0.25) for pip in range(40)]
    recording.write_text("# bpm=120\npan,tilt,iris\n" + "".join(f"{a},{b},{c}\n" for a, b, c in rows))
    process = play(str(recording), "--axes", "tilt,pan", "--fps", "20", "--seconds", "1", "--bpm", "120",
                   "--osc", f"127.0.0.1:{server.server_address[1]}")
    receive_while(server, process, most_datagrams=40, seconds=10)
    _, errors = process.communicate(timeout=10)
    assert process.returncode == 0, errors
    messages = [message for _, data in dispatcher.datagrams for message in OscBundle(data)]
    assert len(messages) >= 15
    for message in messages:
        pip, x, y, z = message.params
        held = rows[min(pip, len(rows) - 1)]
        assert (x, y, z) == struct.unpack(">3f", struct.pack(">3f", held[1], held[0], 0.0))
    # 120 BPM is 128 pips a second, so the play passes the recording's 40 pips and says so once.
    assert max(message.params[0] for message in messages) >= len(rows)
    assert sum("take_one" in line for line in errors.splitlines()) == 1


def test_a_pattern_file_plays_its_own_samples(osc_server, tmp_path):
    server, dispatcher = osc_server
    samples = [[0.5, 0.0, 0.0], [0.0, 0.5, 0.0], [-0.5, 0.0, 0.25]]
    pattern = tmp_path / "mine.json"
    pattern.write_text(json.dumps({"name": "mine", "description": "my own", "samples": samples}))
    process = play(str(pattern), "--fps", "20", "--seconds", "0.5", "--osc", f"127.0.0.1:{server.server_address[1]}",
                   "--quiet")
    receive_while(server, process, most_datagrams=20, seconds=10)
    assert process.communicate(timeout=10) == ("", "") and process.returncode == 0
    messages = [message for _, data in dispatcher.datagrams for message in OscBundle(data)]
    assert messages
    for message in messages:
        pip, *position = message.params
        assert tuple(position) == struct.unpack(">3f", struct.pack(">3f", *samples[pip % 3]))
