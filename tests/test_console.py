"""The show console: `play --console` in a process of its own, its page in headless Chromium, and
real receivers of its outputs on the loopback."""

import asyncio
import json
import subprocess
import sys
import threading
import time
import uuid
from fractions import Fraction

import pytest
from pythonosc.osc_bundle import OscBundle
from sacn.messages.data_packet import DataPacket
from sacn.messages.root_layer import VECTOR_ROOT_E131_DATA
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

from browser_session import console_errors, wait_for
from loopback_namespace import loopback_namespace  # noqa: F401 (a fixture)
from show_commands import ended, play_process, receive_until_stopped, run_show
from pivolet_show.show.console.access import TOKEN_NEEDED, check_binding, console_address

DATA = bytes(VECTOR_ROOT_E131_DATA)
TOKEN = "a-token-of-twenty-chars"
GIG = """
bpm = 120
fps = 128
launch = "bar"

[[groups]]
name = "wash"
source = "circle"
fixtures = 8
spread = "even"

[[groups]]
name = "spots"
source = "path_lissajous_2_3"
fixtures = 4

[[cues]]
name = "still"
groups.wash = { home = true }

[[cues]]
name = "turn"
groups.wash = { source = "circle" }
"""


def console_url(player, most_lines=20):
    """The address `play` says its console is on (its standard error's first lines)."""
    for _ in range(most_lines):
        line = player.stderr.readline()
        if line.startswith("console on "):
            return line.split()[2]
    raise AssertionError("play did not say where its console is")


def receiving(udp, player, seconds):
    """Every datagram `udp` gets while `player` plays, gathered on a thread: (thread, list)."""
    received = []
    thread = threading.Thread(target=lambda: received.extend(receive_until_stopped(udp, player, seconds, most=20_000)))
    thread.start()
    return thread, received


def drawn(browser):
    """The ordinal of the frame the page drew last, among those its output sent, and the values it drew,
    read at once."""
    sent, values = browser.execute_script("const drawn = document.getElementById('rig').dataset;"
                                          "return [drawn.sent, drawn.values];")
    return int(sent or 0), json.loads(values)


def test_the_rig_drawn_is_what_the_sacn_receiver_got_for_that_frame_and_the_show_outlives_its_page(
        browser, receiver_socket, tmp_path):
    # A source name of its own tells this play's packets from any other sender's on the machine.
    name = uuid.uuid4().hex
    show = tmp_path / "gig.toml"
    show.write_text(GIG + f'[sacn]\nhost = "127.0.0.1"\nport = {receiver_socket.getsockname()[1]}\nsource_name = "{name}"\n')
    player = play_process("--rig", show, "--console", "0", "--seconds", "10")
    try:
        thread, received = receiving(receiver_socket, player, 30)
        browser.get(console_url(player))
        samples = []
        for _ in range(4):
            last = samples[-1][0] if samples else 0
            samples.append(wait_for(lambda: (sample := drawn(browser))[0] > last and sample, "a new frame drawn"))
        assert console_errors(browser) == []
        browser.get("about:blank")  # the page closes; the show plays on to its end
        thread.join()
        player.communicate(timeout=20)
        assert player.returncode == 0
    finally:
        ended(player)
    packets = [packet for packet in (DataPacket.make_data_packet(raw) for _, _, raw in received if raw[18:22] == DATA)
               if packet.sourceName == name]
    closed_at = len(packets)
    assert samples[-1][0] + 44 < closed_at, "frames went on after the page closed"
    for sent, values in samples:
        dmx = packets[sent - 1].dmxData
        assert len(values) == 12
        for k, (x, y, _) in enumerate(values):
            pan, tilt = dmx[4 * k] << 8 | dmx[4 * k + 1], dmx[4 * k + 2] << 8 | dmx[4 * k + 3]
            assert abs(pan - (x + 1) / 2 * 65535) <= 0.5 and abs(tilt - (y + 1) / 2 * 65535) <= 0.5, (sent, k)
    assert any(x != 0 for _, values in samples for x, _, _ in values[8:]), "the spots move"


def osc_frames(received, prefix):
    """Each OSC frame whose addresses start with `prefix`, as (send instant in seconds, the show's pip,
    [(x, y) per fixture])."""
    frames = []
    for _, _, raw in received:
        bundle = OscBundle(raw) if OscBundle.dgram_is_bundle(raw) else None
        messages = [bundle.content(k) for k in range(bundle.num_contents)] if bundle else []
        if messages and messages[0].address.startswith(prefix + "/"):
            frames.append((bundle.timestamp, messages[0].params[0], [tuple(m.params[1:3]) for m in messages]))
    return frames


def test_cues_taps_and_sizes_from_the_page_reach_the_output_and_the_log(browser, receiver_socket, tmp_path):
    show, log = tmp_path / "gig.toml", tmp_path / "tonight.jsonl"
    show.write_text(GIG)
    port = receiver_socket.getsockname()[1]
    prefix = "/" + uuid.uuid4().hex  # tells this play's frames from any other sender's on the machine
    player = play_process("--rig", show, "--osc", f"127.0.0.1:{port}", "--osc-prefix", prefix, "--console", "0",
                          "--log", log, "--seconds", "12")
    try:
        thread, received = receiving(receiver_socket, player, 40)
        browser.get(console_url(player))
        cue = wait_for(lambda: browser.find_elements(By.CSS_SELECTOR, "#cues button[data-cue='2']"), "the cue buttons")[0]
        cue.click()
        wait_for(lambda: "waiting" in cue.get_attribute("class"), "the cue marked as waiting")
        wait_for(lambda: "playing" in cue.get_attribute("class"), "the cue marked as playing")
        tap = browser.find_element(By.ID, "tap")
        for _ in range(4):
            tap.click()
            browser.execute_script("return new Promise((done) => setTimeout(done, 300))")
        size = browser.find_element(By.CSS_SELECTOR, "#groups tr[data-group='wash'] input")
        size.send_keys(Keys.CONTROL, "a")
        size.send_keys("0.5", Keys.TAB)
        Select(browser.find_element(By.CSS_SELECTOR, "#groups tr[data-group='spots'] select")).select_by_value("1/2")
        lines = wait_for(lambda: (lines := log.read_text().splitlines()[1:]) and len(lines) == 7 and lines, "the log")
        resize = json.loads(lines[5])["pip"]
        wait_for(lambda: int(browser.find_element(By.ID, "rig").get_attribute("data-pip")) > resize + 128,
                 "the new size drawn")
        thread.join()
        player.communicate(timeout=20)
        assert player.returncode == 0
    finally:
        ended(player)
    events = [json.loads(line) for line in log.read_text().splitlines()[1:]]
    assert {event["transport"] for event in events} == {"console"}
    assert [event["command"] for event in events] == ["cue"] + ["tap"] * 4 + ["group/wash/size", "group/spots/speed"]
    assert "refused" not in str(events)
    launch, resize = events[0]["pip"], events[5]["pip"]
    assert launch % 256 == 0 and resize % 256 == 0
    frames = osc_frames(received, prefix)
    # What a group plays is a function of the pip (a tap may take the clock back a little, to its beat).
    home = [all(point == (0.0, 0.0) for point in positions[:8]) for _, pip, positions in frames]
    assert home == [pip < launch for _, pip, _ in frames] and any(home) and not all(home)
    tempo = Fraction(events[4]["clock"]["bpm"])
    assert tempo != 120
    steady = [frame for frame in frames if frame[1] >= events[4]["pip"] + 64]
    (start, first, _), (end, last, _) = steady[0], steady[-1]
    assert abs((last - first) - float(tempo) * 64 / 60 * (end - start)) <= 1
    smaller = [value for _, pip, positions in frames if pip >= resize for point in positions[:8] for value in point]
    assert 0.4 < max(map(abs, smaller)) <= 0.5 + 1e-6


def knock(url, origin=None, token=None, socket=False):
    """The HTTP status of a request for `url` (a WebSocket's handshake with `socket`)."""
    import aiohttp

    async def ask():
        headers = {} if origin is None else {"Origin": origin}
        address = url + ("ws" if socket else "") + ("" if token is None else f"?token={token}")
        async with aiohttp.ClientSession() as session:
            if not socket:
                async with session.get(address, headers=headers) as response:
                    return response.status
            try:
                async with session.ws_connect(address, headers=headers):
                    return 101
            except aiohttp.WSServerHandshakeError as refused:
                return refused.status
    return asyncio.run(ask())


@pytest.mark.parametrize("token", [None, TOKEN])
def test_a_page_of_another_origin_is_refused_and_a_token_guards_every_request(token):
    arguments = ("circle", "--console", "0", "--seconds", "30") + (("--console-token", token) if token else ())
    player = play_process(*arguments)
    try:
        url = console_url(player)
        own = url.rstrip("/")
        assert knock(url, origin="http://attacker.example", token=token, socket=True) == 403
        assert knock(url, origin=own.replace("127.0.0.1", "localhost"), token=token, socket=True) == 403
        assert knock(url, origin=own, token=token, socket=True) == 101
        assert knock(url + "console.js", token=token) == 200
        if token:
            for path, socket in (("", False), ("console.css", False), ("", True)):
                assert knock(url + path, origin=own, socket=socket) == 403
                assert knock(url + path, origin=own, token=TOKEN.upper(), socket=socket) == 403
        assert player.poll() is None
    finally:
        ended(player)


@pytest.mark.parametrize("host, needs_token", [
    ("127.0.0.1", False), ("127.0.0.2", False), ("127.255.255.254", False), ("::1", False), ("localhost", False),
    ("0.0.0.0", True), ("::", True), ("192.0.2.7", True), ("10.0.0.1", True), ("fe80::1", True),
    ("stage.example", True), ("128.0.0.1", True),
])
def test_a_console_beyond_the_loopback_needs_a_token(host, needs_token):
    # The hosts are only judged here: nothing is bound.
    if needs_token:
        with pytest.raises(ValueError, match="--console-token"):
            check_binding(host, None)
    else:
        check_binding(host, None)
    check_binding(host, TOKEN)


@pytest.mark.parametrize("arguments, message", [
    (("--console", "192.0.2.7:8080"), TOKEN_NEEDED.format(host="192.0.2.7")),
    (("--console", "[::]:0"), TOKEN_NEEDED.format(host="::")),
])
def test_a_console_beyond_the_loopback_without_a_token_stops_play_before_anything_binds(loopback_namespace, arguments,
                                                                                        message):
    # Played in a namespace with nothing but its own loopback, so that a console the check let
    # through could reach nothing beyond it (and would play on, failing the test).
    finished = subprocess.run(loopback_namespace.command(sys.executable, "-m", "pivolet_show", "play", "circle",
                                                         "--seconds", "1", *arguments),
                              capture_output=True, text=True, timeout=60)
    assert finished.returncode == 2 and message in finished.stderr


@pytest.mark.parametrize("arguments, message", [
    (("--console", "0", "--console-token", "short"), "a console token is 16 to 256 characters"),
    (("--console", "0", "--console-token", "x" * 20 + "&"), "with '&'"),
    (("--console-token", TOKEN), "--console-token protects a console"),
    (("--console", "127.0.0.1:70000"), "--console takes [HOST:]PORT"),
])
def test_a_console_that_cannot_be_opened_safely_stops_play_before_anything_binds(arguments, message):
    finished = run_show("play", "circle", "--seconds", "1", *arguments)
    assert finished.status == 2 and message in finished.error


@pytest.mark.parametrize("setting, flags, expected", [
    ('console = "127.0.0.1:0"', (), ("127.0.0.1", 0)),
    ('console = "[::1]:8080"', ("--console", "9000"), ("127.0.0.1", 9000)),
    ("", ("--console", "[::1]:0"), ("::1", 0)),
])
def test_a_show_file_opens_a_console_and_the_flag_moves_it(tmp_path, setting, flags, expected):
    from pivolet_show.cli import build_parser
    from pivolet_show.commands.play import build_plan
    from pivolet_show.show.console.protocol import ConsolePlan

    show = tmp_path / "show.toml"
    show.write_text(setting + '\n[[groups]]\nsource = "circle"\n')
    line = ["play", "--rig", str(show), *flags]
    plans = [plan for plan in build_plan(build_parser(line).parse_args(line)).inputs if isinstance(plan, ConsolePlan)]
    assert [(plan.host, plan.port) for plan in plans] == [expected]
    assert console_address("8080") == ("127.0.0.1", 8080)


def test_garbage_on_the_socket_is_answered_and_counted_and_the_show_plays_on(receiver_socket):
    import aiohttp

    port = receiver_socket.getsockname()[1]
    player = play_process("circle", "--sacn", f"127.0.0.1:{port}", "--console", "0", "--seconds", "8")
    garbage = ["", "{", "[]", "null", '"cue"', '{"command": 3}', '{"command": "cue", "values": 2}',
               '{"command": "cue", "values": [[1]]}', '{"command": "cue", "extra": 1}',
               '{"command": "tempo", "values": [1e999]}', '{"command": "nope"}', '{"command": "cue", "values": [7]}',
               '{"command": "tempo", "values": ["fast"]}', '{"command": "group/none/size", "values": [1]}',
               '{"command": "tempo", "values": [0]}', "\u0000" * 100]

    async def flood(url):
        answers = []
        async with aiohttp.ClientSession() as session:
            async with session.ws_connect(url + "ws") as socket:
                layout = await socket.receive_json(timeout=10)
                for round_ in range(20):
                    for text in garbage:
                        await socket.send_str(text)
                    await socket.send_bytes(b"\xff" * 64)
                    while len(answers) < (round_ + 1) * (len(garbage) + 1):
                        message = await socket.receive_json(timeout=10)
                        if message["type"] != "show":
                            answers.append(message)
                await socket.send_str('{"command": "phase", "values": ["beat"]}')
                while len(answers) <= 20 * (len(garbage) + 1):
                    message = await socket.receive_json(timeout=10)
                    if message["type"] != "show":
                        answers.append(message)
            async with session.ws_connect(url + "ws") as socket:
                await socket.send_str("x" * 5000)
                closing = await socket.receive(timeout=10)
                while closing.type == aiohttp.WSMsgType.TEXT:
                    closing = await socket.receive(timeout=10)
        return layout, answers, closing

    try:
        thread, received = receiving(receiver_socket, player, 30)
        layout, answers, closing = asyncio.run(flood(console_url(player)))
        flooded = time.monotonic()
        thread.join()
        errors = player.communicate(timeout=20)[1]
        status = player.returncode
    finally:
        ended(player)
    assert layout["type"] == "layout" and layout["groups"][0]["name"] == "1"
    assert {answer["type"] for answer in answers[:-1]} == {"error"} and answers[-1]["command"] == "phase"
    assert closing.type in (aiohttp.WSMsgType.CLOSE, aiohttp.WSMsgType.CLOSED)
    assert status == 0
    assert f"console: 1 done, {20 * (len(garbage) + 1) + 1} refused" in errors
    assert any(arrival > flooded for arrival, _, raw in received if raw[18:22] == DATA), "frames after the flood"
