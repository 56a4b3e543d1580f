"""The player on a fake monotonic clock: frames at exact deadlines with the pips of those instants,
late frames sent once and counted, skipped frames never queued, rate limits, frames worked out
again when the clock or the rig changed, changes from other threads applied between frames, and a
stop that wakes the wait."""

import io
import threading
from fractions import Fraction

import pytest

import pivolet
from fake_time import SECOND, START, FakeTime
from pivolet_show.motion.sources import builtin_source
from pivolet_show.show.clock import TempoClock
from pivolet_show.show.cues import GroupCue
from pivolet_show.show.player import Player
from pivolet_show.show.fixtures import FixtureOrder, group_fixtures
from pivolet_show.show.rig import FixtureState, Rig
from pivolet_show.show.status import StatusLine, status_text


class ListOutput:
    """An output that keeps what it is asked to send, and can take time to send it."""

    label = "list"
    latency_ns = 0

    def __init__(self, time, fps, numbers=(1,), send_ns=lambda frame: 0, on_send=None):
        self.time, self.fps, self.numbers = time, Fraction(fps), tuple(numbers)
        self.send_ns, self.on_send = send_ns, on_send
        self.sent = []  # (instant sent, unix instant of the frame, fixture states)
        self.closed = False

    def prepare(self, frame, unix_ns):
        states = [FixtureState(number, pip, tuple(position))
                  for number, pip, position in zip(frame.numbers, frame.pips.tolist(), frame.positions.tolist())]
        return unix_ns, states

    def send(self, prepared):
        self.sent.append((self.time.ns, *prepared))
        if self.on_send is not None:
            self.on_send(len(self.sent))
        self.time.ns += self.send_ns(len(self.sent))

    def close(self):
        self.closed = True
        return 0


@pytest.fixture
def player_for():
    """Makes players on a fake clock, and closes them after the test."""
    made = []

    def make(time, outputs, bpm="127.3", fixtures=1, spread=0, **options):
        clock = TempoClock(bpm, start_pip=40, origin_ns=START, now=time)
        rig = Rig(group_fixtures(builtin_source("path_torus_knot"), fixtures, order=FixtureOrder.SPREAD, spread=spread))
        made.append(Player(clock, rig, outputs, now=time, wait=time.wait, unix_offset_ns=7, **options))
        return clock, made[-1]

    yield make
    for player in made:
        player.close()


def test_every_frame_goes_out_at_its_deadline_with_that_instants_pips(player_for):
    time = FakeTime()
    output = ListOutput(time, "59.94", numbers=(2, 1))
    clock, player = player_for(time, [output], fixtures=2, spread=10)
    (counts,) = player.run(Fraction(3))
    assert len(output.sent) == counts.sent == 180  # frames 0 to 179 are due before 3 s: 179 / 59.94 < 3
    assert (counts.late, counts.skipped, counts.failed) == (0, 0, 0)
    for k, (sent_at, unix_ns, states) in enumerate(output.sent):
        deadline = START + k * SECOND * 100 // 5994
        assert sent_at == deadline and unix_ns == deadline + 7
        pip = 40 + (Fraction(deadline - START, 60 * SECOND) * Fraction("127.3") * 64).__floor__()
        assert [(state.number, state.pip) for state in states] == [(2, pip - 10), (1, pip)]
        assert states[1].position == pivolet.sample("path_torus_knot", pip).as_tuple()


def test_a_late_frame_is_sent_once_and_the_missed_ones_are_skipped(player_for):
    time = FakeTime()
    period = SECOND // 100
    # Sending frame 4 (the fifth sent) takes 3.7 periods, so it is done late: frames 5 and 6 are
    # never sent, frame 7 goes out 0.7 of a period late, and frame 8 is on time again.
    output = ListOutput(time, 100, send_ns=lambda sent: period * 37 // 10 if sent == 5 else 0)
    _, player = player_for(time, [output])
    (counts,) = player.run(Fraction(1, 10))
    sent_at = [sent for sent, _, _ in output.sent]
    assert [(unix_ns - 7 - START) // period for _, unix_ns, _ in output.sent] == [0, 1, 2, 3, 4, 7, 8, 9]
    assert sent_at[5] == START + 4 * period + period * 37 // 10
    assert sent_at[6] == START + 8 * period
    assert (counts.sent, counts.late, counts.skipped) == (8, 2, 2)


def test_outputs_keep_their_own_rates_side_by_side(player_for):
    time = FakeTime()
    fast, slow = ListOutput(time, 240), ListOutput(time, 44)
    _, player = player_for(time, [fast, slow])
    fast_counts, slow_counts = player.run(Fraction(1))
    assert (fast_counts.sent, slow_counts.sent) == (240, 44)
    assert [sent_at for sent_at, _, _ in slow.sent] == [START + k * SECOND // 44 for k in range(44)]


class ChangingTime(FakeTime):
    """Calls `change` once, while the player waits for the frame due at `instant`, after it was worked out."""

    def __init__(self, instant, change):
        super().__init__()
        self.instant, self.change = instant, change

    def wait(self, selector, deadline_ns):
        events = super().wait(selector, deadline_ns)
        if self.ns == self.instant and self.change is not None:
            self.change, change = None, self.change
            change()
        return events


def test_a_frame_worked_out_ahead_is_redone_when_the_clock_changes(player_for):
    time = ChangingTime(START + 3 * SECOND // 10, lambda: clock.seek(10_000, at_ns=START + 5 * SECOND // 20))
    output = ListOutput(time, 10)
    clock, player = player_for(time, [output], bpm=60)
    player.run(Fraction(1, 2))
    pips = [states[0].pip for _, _, states in output.sent]
    # 60 BPM is 6.4 pips a frame at 10 frames a second; the seek came half a frame before frame 3.
    assert pips == [40, 46, 52, 10_003, 10_009]


def in_phase(source):
    return GroupCue(builtin_source(source), restart=False)


def test_a_frame_worked_out_ahead_is_redone_when_a_group_plays_something_else(player_for):
    # From pip 0 on, as far as the frames not yet sent are concerned.
    time = ChangingTime(START + 2 * SECOND // 10, lambda: player.rig.timeline.launch("1", in_phase("bounce"), 0, 1))
    output = ListOutput(time, 10, numbers=(1, 2))
    _, player = player_for(time, [output], bpm=60, fixtures=2)
    player.run(Fraction(1, 2))
    second = [states[1].position for _, _, states in output.sent]
    pips = [states[1].pip for _, _, states in output.sent]
    assert second[:2] == [pivolet.sample("path_torus_knot", pip).as_tuple() for pip in pips[:2]]
    assert second[2:] == [pivolet.bounce(pip).as_tuple() for pip in pips[2:]]


def test_a_change_from_another_thread_is_applied_on_the_players_thread_between_frames():
    asked, applied = threading.Event(), []

    def on_send(sent):
        if sent == 3:
            asked.set()
        if applied and sent >= applied[0][1] + 2:
            player.stop()

    output = ListOutput(FakeTime(), 200, on_send=on_send)
    rig = Rig(group_fixtures(builtin_source("path_torus_knot"), 1))
    player = Player(TempoClock(60), rig, [output])

    def change():
        applied.append((threading.get_ident(), len(output.sent)))
        rig.timeline.launch("1", in_phase("bounce"), 0, 1)

    asker = threading.Thread(target=lambda: asked.wait(10) and player.call_soon(change))
    asker.start()
    try:
        player.run(Fraction(10))
    finally:
        asker.join(10)
        player.close()
    ((thread, first_after),) = applied
    assert thread == threading.get_ident() and len(output.sent) == first_after + 2
    for index, (_, _, (state,)) in enumerate(output.sent):
        source = "bounce" if index >= first_after else "path_torus_knot"
        assert state.position == pivolet.sample(source, state.pip).as_tuple()


def test_ctrl_c_ends_the_play_quietly(player_for):
    time = FakeTime()

    def interrupt(sent):
        if sent == 4:
            raise KeyboardInterrupt

    output = ListOutput(time, 30, on_send=interrupt)
    _, player = player_for(time, [output])
    (counts,) = player.run()
    assert len(output.sent) == 4
    player.close()
    assert output.closed


def test_a_stop_from_another_thread_wakes_the_wait_at_once():
    # One frame every ten seconds: the stop, asked just after the first, must not wait for the second.
    output = ListOutput(FakeTime(), Fraction(1, 10), on_send=lambda sent: sent == 1 and sent_one.set())
    sent_one = threading.Event()
    clock = TempoClock(60)
    player = Player(clock, Rig(group_fixtures(builtin_source("bounce"), 1)), [output])
    stopper = threading.Thread(target=lambda: sent_one.wait(10) and player.stop())
    stopper.start()
    finished = threading.Event()
    runner = threading.Thread(target=lambda: (player.run(), finished.set()))
    runner.start()
    try:
        assert finished.wait(5)
    finally:
        player.stop()
        runner.join(15)
        stopper.join(10)
        player.close()
    assert len(output.sent) == 1 and output.closed


class Terminal(io.StringIO):
    def isatty(self):
        return True


def test_the_status_line_is_rewritten_in_place_on_a_terminal(player_for):
    time = FakeTime()
    output = ListOutput(time, 10)
    terminal = Terminal()
    clock, player = player_for(time, [output], bpm=120)
    status = StatusLine(terminal, clock)
    player._status = status.show
    (counts,) = player.run(Fraction(1))
    status.note("take covers pips 0 to 9 only")
    status.finish(clock.reading_at(time.ns), player.counts)
    text = terminal.getvalue()
    lines = text.split("\n")
    # Four updates a second in place on one line, a note on a line of its own, the summary last.
    assert lines[0].count("\r") == 4 and lines[0].startswith("\rpip 40  bar 1.1  120 BPM  late 0")
    assert lines[1] == "take covers pips 0 to 9 only"
    assert lines[2].startswith("\rpip 155  bar 1.3  120 BPM  late 0")
    assert lines[3:] == ["list: 10 frames sent, 0 late, 0 skipped", ""]


def test_with_no_output_the_clock_still_runs_for_the_status_line(player_for):
    time = FakeTime()
    shown = []
    clock, player = player_for(time, [], bpm=60, status=lambda reading, counts: shown.append((time.ns, reading.pip)))
    assert player.run(Fraction(1)) == []
    assert shown == [(START + k * SECOND // 4, 40 + 16 * k) for k in range(5)] and time.ns == START + SECOND


def test_off_a_terminal_one_status_line_a_second_and_nothing_when_quiet(player_for):
    time = FakeTime()
    log, quiet = io.StringIO(), Terminal()
    for stream, options in ((log, {}), (quiet, {"quiet": True})):
        output = ListOutput(time, 10)
        clock, player = player_for(time, [output], bpm="99.925")
        status = StatusLine(stream, clock, **options)
        player._status, player._status_interval_ns = status.show, status.interval_ns
        player.run(Fraction(3))
        status.finish(clock.reading_at(time.ns), player.counts)
    # At 0, 1 and 2 seconds: 99.925 BPM is 106.59 pips a second, from pip 40.
    assert log.getvalue().splitlines() == [f"pip {pip}  bar 1.{beat}  99.925 BPM  late 0" for pip, beat in
                                           ((40, 1), (146, 3), (253, 4))] + ["list: 30 frames sent, 0 late, 0 skipped"]
    assert quiet.getvalue() == ""
    assert status_text(clock.reading_at(START + 60 * SECOND), clock, []) == "pip 6435  bar 26.1  99.925 BPM  late 0"


@pytest.mark.parametrize("latency_ns", [25_000_000, 12_345_678, 1_000_000_000])
def test_a_frame_carries_the_pips_of_its_deadline_plus_the_outputs_latency(player_for, latency_ns):
    time = FakeTime()
    late, prompt = ListOutput(time, 50), ListOutput(time, 50)
    late.latency_ns = latency_ns
    _, player = player_for(time, [late, prompt])
    player.run(Fraction(1))
    assert len(late.sent) == len(prompt.sent) == 50
    for (sent_at, unix_ns, (state,)), (prompt_at, prompt_unix_ns, _) in zip(late.sent, prompt.sent):
        # Sent at the same deadline with the same timetag, carrying the pip of that much later.
        assert (sent_at, unix_ns) == (prompt_at, prompt_unix_ns)
        assert state.pip == 40 + (Fraction(sent_at + latency_ns - START, 60 * SECOND) * Fraction("127.3") * 64).__floor__()
