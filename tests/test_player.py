"""The player on a fake monotonic clock: frames at exact deadlines with the pips of those instants,
late frames sent once and counted, skipped frames never queued, rate limits, clean interruption."""

import io
from fractions import Fraction

import pivolet
from pivolet_show.clock import TempoClock
from pivolet_show.player import Player
from pivolet_show.rig import FixtureOrder, Rig, group_fixtures
from pivolet_show.sources import builtin_source
from pivolet_show.status import StatusLine, status_text

SECOND = 10**9
START = 1_000 * SECOND


class FakeTime:
    """A monotonic clock that only moves when the player waits or an output takes time."""

    def __init__(self):
        self.ns = START

    def __call__(self):
        return self.ns

    def sleep_until(self, deadline, now):
        self.ns = max(self.ns, deadline)


class ListOutput:
    """An output that keeps what it is asked to send, and can take time to send it."""

    label = "list"

    def __init__(self, time, fps, numbers=(1,), send_ns=lambda frame: 0, on_send=None):
        self.time, self.fps, self.numbers = time, Fraction(fps), tuple(numbers)
        self.send_ns, self.on_send = send_ns, on_send
        self.sent = []  # (instant sent, unix instant of the frame, fixture states)
        self.closed = False

    def prepare(self, states, unix_ns):
        return unix_ns, states

    def send(self, prepared):
        self.sent.append((self.time.ns, *prepared))
        if self.on_send is not None:
            self.on_send(len(self.sent))
        self.time.ns += self.send_ns(len(self.sent))

    def close(self):
        self.closed = True


def player_for(time, outputs, bpm="127.3", fixtures=1, spread=0, **options):
    clock = TempoClock(bpm, start_pip=40, origin_ns=START, now=time)
    rig = Rig(group_fixtures(builtin_source("path_torus_knot"), fixtures, order=FixtureOrder.SPREAD, spread=spread))
    return clock, Player(clock, rig, outputs, now=time, sleep_until=time.sleep_until, unix_offset_ns=7, **options)


def test_every_frame_goes_out_at_its_deadline_with_that_instants_pips():
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


def test_a_late_frame_is_sent_once_and_the_missed_ones_are_skipped():
    time = FakeTime()
    period = SECOND // 100
    # Sending frame 4 (the fifth sent) takes 3.7 periods: frames 5 and 6 are never sent, frame 7
    # goes out 0.7 of a period late, and frame 8 is on time again.
    output = ListOutput(time, 100, send_ns=lambda sent: period * 37 // 10 if sent == 5 else 0)
    _, player = player_for(time, [output])
    (counts,) = player.run(Fraction(1, 10))
    sent_at = [sent for sent, _, _ in output.sent]
    assert [(unix_ns - 7 - START) // period for _, unix_ns, _ in output.sent] == [0, 1, 2, 3, 4, 7, 8, 9]
    assert sent_at[5] == START + 4 * period + period * 37 // 10
    assert sent_at[6] == START + 8 * period
    assert (counts.sent, counts.late, counts.skipped) == (8, 1, 2)


def test_outputs_keep_their_own_rates_side_by_side():
    time = FakeTime()
    fast, slow = ListOutput(time, 240), ListOutput(time, 44)
    _, player = player_for(time, [fast, slow])
    fast_counts, slow_counts = player.run(Fraction(1))
    assert (fast_counts.sent, slow_counts.sent) == (240, 44)
    assert [sent_at for sent_at, _, _ in slow.sent] == [START + k * SECOND // 44 for k in range(44)]


class SeekingTime(FakeTime):
    """Someone seeks to pip 10000 while the player waits for frame 3, after it was worked out."""

    def sleep_until(self, deadline, now):
        super().sleep_until(deadline, now)
        if deadline == START + 3 * SECOND // 10:
            self.clock.seek(10_000, at_ns=deadline - SECOND // 20)


def test_a_frame_worked_out_ahead_is_redone_when_the_clock_changes():
    time = SeekingTime()
    output = ListOutput(time, 10)
    time.clock, player = player_for(time, [output], bpm=60)
    player.run(Fraction(1, 2))
    pips = [states[0].pip for _, _, states in output.sent]
    # 60 BPM is 6.4 pips a frame at 10 frames a second; the seek came half a frame before frame 3.
    assert pips == [40, 46, 52, 10_003, 10_009]


def test_ctrl_c_ends_the_play_quietly():
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


class StoppingTime(FakeTime):
    """Someone asks the player to stop 1.5 s into the play, while it waits for the frame at 2 s."""

    def sleep_until(self, deadline, now):
        super().sleep_until(deadline, now)
        if self.ns >= START + 3 * SECOND // 2:
            self.player.stop()


def test_a_stop_during_a_wait_ends_the_play_at_once():
    time = StoppingTime()
    output = ListOutput(time, 1)
    _, time.player = player_for(time, [output])
    (counts,) = time.player.run()
    # One frame a second, but the wait was taken in short steps: the stop was seen at 1.5 s.
    assert counts.sent == len(output.sent) == 2 and time.ns == START + 3 * SECOND // 2


class Terminal(io.StringIO):
    def isatty(self):
        return True


def test_the_status_line_is_rewritten_in_place_on_a_terminal():
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


def test_with_no_output_the_clock_still_runs_for_the_status_line():
    time = FakeTime()
    shown = []
    clock, player = player_for(time, [], bpm=60, status=lambda reading, counts: shown.append((time.ns, reading.pip)))
    assert player.run(Fraction(1)) == []
    assert shown == [(START + k * SECOND // 4, 40 + 16 * k) for k in range(5)] and time.ns == START + SECOND


def test_off_a_terminal_and_when_quiet_the_status_stays_out_of_the_way():
    time = FakeTime()
    clock = TempoClock("99.925", origin_ns=START, now=time)
    log, quiet = io.StringIO(), Terminal()
    for stream, options in ((log, {}), (quiet, {"quiet": True})):
        status = StatusLine(stream, clock, **options)
        status.show(clock.reading_at(START), [])
        status.finish(clock.reading_at(START), [])
    assert log.getvalue() == "" and quiet.getvalue() == ""
    assert status_text(clock.reading_at(START + 60 * SECOND), clock, []) == "pip 6395  bar 25.4  99.925 BPM  late 0"
