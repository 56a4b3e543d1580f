"""The tempo clock on a fake monotonic clock: exact pips over hours, tempo changes without a jump,
phase resets onto the beat, seeking, and whole readings while another thread changes the tempo."""

import threading
import time
from fractions import Fraction

import pytest

from fake_time import SECOND, FakeTime
from pivolet_show.checks import NOT_A_TEMPO, exact_fraction
from pivolet_show.show.clock import UNKNOWN_UNIT, Anchor, PipReading, TempoClock

HOUR = 3600 * SECOND



def pips_exactly(bpm, elapsed_ns, start=0):
    """The pip by the definition: start + elapsed minutes * bpm * 64, rounded down."""
    return start + (Fraction(elapsed_ns, 60 * SECOND) * bpm * 64).__floor__()


@pytest.mark.parametrize("bpm", ["127.3", "120", "174.99", "33.333", "1e-3"])
def test_hours_of_frames_land_exactly_where_the_tempo_puts_them(bpm):
    fake = FakeTime()
    clock = TempoClock(bpm, start_pip=-77, now=fake)
    frame_ns = SECOND // 60 + 1  # a frame length that shares nothing with the tempo
    # Every frame read afresh from the clock, for twelve simulated hours, sampled every 997 frames.
    for frame in range(0, 12 * 3600 * 60, 997):
        elapsed = frame * frame_ns
        assert clock.pip_at(fake.ns + elapsed) == pips_exactly(Fraction(bpm), elapsed, -77)
    # 127.3 BPM for one hour is exactly 488832 pips: no drift at all.
    if bpm == "127.3":
        assert clock.pip_at(fake.ns + HOUR) == -77 + 488832
        assert clock.reading_at(fake.ns + HOUR).fraction == 0.0


def test_a_float_tempo_is_the_number_that_was_written():
    assert exact_fraction(127.3) == Fraction(1273, 10)
    assert TempoClock(127.3, now=FakeTime()).bpm == Fraction(1273, 10)


def test_the_fraction_says_how_far_towards_the_next_pip():
    fake = FakeTime(0)
    clock = TempoClock(60, now=fake)  # 64 pips a second: one pip every 15.625 ms
    assert clock.reading_at(0) == PipReading(0, 0.0)
    assert clock.reading_at(15_625_000 // 4) == PipReading(0, 0.25)
    assert clock.reading_at(15_625_000 * 3 // 2) == PipReading(1, 0.5)
    assert clock.reading_at(-15_625_000 // 2) == PipReading(-1, 0.5)


@pytest.mark.parametrize("first, second", [("128", "140"), ("127.3", "60.5"), ("90", "90")])
def test_a_tempo_change_keeps_the_position_and_changes_the_pace(first, second):
    fake = FakeTime()
    clock = TempoClock(first, now=fake)
    change = fake.ns + 7 * SECOND + 123_457
    before = clock.exact_pip_at(change)
    anchor = clock.anchor
    clock.set_tempo(second, at_ns=change)
    assert clock.anchor is not anchor
    assert clock.exact_pip_at(change) == before
    # One nanosecond either side, the pip moves by the old and the new tempo's step, nothing more.
    per_ns = lambda bpm: Fraction(bpm) * 64 / (60 * SECOND)  # noqa: E731
    assert clock.exact_pip_at(change + 1) - before == per_ns(second)
    assert clock.exact_pip_at(change + 10 * SECOND) == before + per_ns(second) * 10 * SECOND


def test_tempo_changes_back_and_forth_add_no_drift():
    fake = FakeTime(0)
    clock = TempoClock("127.3", now=fake)
    for step in range(1, 1001):
        clock.set_tempo("127.3" if step % 2 else "131.1", at_ns=step * 3 * SECOND)
    # 500 stretches of 3 s at each tempo, then 3 s at 127.3: all of it exact.
    expected = Fraction(500 * 3, 60) * 64 * (Fraction("127.3") + Fraction("131.1")) + Fraction(3, 60) * 64 * Fraction("127.3")
    assert clock.exact_pip_at(1001 * 3 * SECOND) == expected


@pytest.mark.parametrize("unit, length", [("beat", 64), ("bar", 256)])
def test_a_phase_reset_makes_the_instant_the_next_beat_or_bar(unit, length):
    fake = FakeTime()
    clock = TempoClock("127.3", start_pip=10, now=fake)
    fake.ns += 2 * SECOND + 1
    was = clock.exact_pip_at(fake.ns)
    clock.reset_phase(unit)
    landed = clock.reading_at(fake.ns)
    assert landed.fraction == 0.0 and landed.pip % length == 0
    assert 0 < landed.pip - was <= length
    # And from there the beats fall where the tempo puts them.
    beat_ns = Fraction(60 * SECOND, Fraction("127.3"))
    assert clock.exact_pip_at(fake.ns + int(beat_ns * 4)) < landed.pip + 256 <= clock.exact_pip_at(fake.ns + int(beat_ns * 4) + 1)


def test_a_phase_reset_on_the_beat_stays_there():
    fake = FakeTime()
    clock = TempoClock(60, start_pip=128, now=fake)
    clock.reset_phase("beat")
    assert clock.reading_at(fake.ns) == PipReading(128, 0.0)
    with pytest.raises(ValueError, match="'quarter'") as raised:
        clock.reset_phase("quarter")
    assert str(raised.value) == UNKNOWN_UNIT.format(unit="quarter")


def test_bars_and_beats_count_from_one():
    assert PipReading(0, 0.0).bar_and_beat() == (1, 1)
    assert PipReading(255, 0.0).bar_and_beat() == (1, 4)
    assert PipReading(256 * 3 + 64, 0.0).bar_and_beat() == (4, 2)
    assert PipReading(-1, 0.0).bar_and_beat() == (0, 4)
    assert PipReading(192, 0.0).bar_and_beat(beats_per_bar=3) == (2, 1)


def test_seeking_goes_anywhere_and_runs_on_at_the_tempo():
    fake = FakeTime()
    clock = TempoClock(120, now=fake)
    fake.ns += 3 * SECOND
    for target in (10**12, -5, 0, 2**31 + 3):
        clock.seek(target)
        assert clock.reading_at(fake.ns) == PipReading(target, 0.0)
        assert clock.pip_at(fake.ns + SECOND) == target + 128
        assert clock.ns_at_pip(target + 128) == fake.ns + SECOND


@pytest.mark.parametrize("bpm", [0, -120, "nan", "inf", float("inf"), float("nan"), "fast", "1/0"])
def test_a_tempo_must_be_finite_and_positive(bpm):
    with pytest.raises(ValueError) as raised:
        TempoClock(bpm, now=FakeTime())
    assert str(raised.value) == NOT_A_TEMPO.format(value=bpm)
    clock = TempoClock(100, now=FakeTime())
    with pytest.raises(ValueError):
        clock.set_tempo(bpm)
    assert clock.bpm == 100


def test_a_reading_on_another_thread_is_always_of_one_whole_anchor():
    """One thread switches the tempo back and forth at one instant while another reads the pip a
    second later: each reading must be the pip of one tempo or the other, never a mix of both."""
    clock = TempoClock("127.3", start_pip=1000, origin_ns=0, now=FakeTime(0))
    change, read_at = 7 * SECOND, 8 * SECOND
    clock.set_tempo(60, at_ns=change)
    at_sixty = clock.pip_at(read_at)
    clock.set_tempo("127.3", at_ns=change)
    at_first = clock.pip_at(read_at)
    assert at_first != at_sixty
    done = threading.Event()

    def switch():
        for step in range(200_000):
            if done.is_set():
                return
            clock.set_tempo(60 if step % 2 else "127.3", at_ns=change)

    writer = threading.Thread(target=switch)
    writer.start()
    readings, end = [], time.monotonic() + 2
    try:
        while writer.is_alive() and time.monotonic() < end and len(readings) < 1_000_000:
            readings.append(clock.pip_at(read_at))
    finally:
        done.set()
        writer.join(timeout=10)
    assert readings and set(readings) <= {at_first, at_sixty}


AT_131 = 10 * SECOND + 484_375_000  # pip 100 plus 31/64 of a second at 64 pips a second


@pytest.mark.parametrize("options, pips, first_at_131", [
    # 60 BPM: 64 pips a second from pip 100 at the anchor's instant; read 1 s before, at, 0.5 s and 2 s after it.
    ({}, [36, 100, 132, 228], AT_131),
    ({"held": True}, [100, 100, 100, 100], None),
    ({"waiting": True}, [100, 100, 132, 228], AT_131),
    ({"ceiling": Fraction(392, 3)}, [36, 100, 130, 130], None),  # 130.67: the pip of a MIDI tick later
    ({"waiting": True, "ceiling": Fraction(200)}, [100, 100, 132, 200], AT_131),
])
def test_an_anchor_runs_held_waiting_or_under_a_ceiling(options, pips, first_at_131):
    anchor = Anchor(10 * SECOND, Fraction(100), Fraction(60), **options)
    instants = [9 * SECOND, 10 * SECOND, 10 * SECOND + SECOND // 2, 12 * SECOND]
    assert [anchor.pip_at(at) for at in instants] == [anchor.reading_at(at).pip for at in instants] == pips
    assert anchor.ns_at_pip(131) == first_at_131
    if "ceiling" in options:
        assert anchor.exact_pip_at(12 * SECOND) == options["ceiling"]


def test_changes_to_a_held_clock_keep_it_held_and_a_nudge_moves_the_phase_exactly():
    fake = FakeTime(0)
    clock = TempoClock(60, start_pip=64, now=fake)
    clock.place(Anchor(0, Fraction(64), Fraction(60), held=True))
    fake.ns = 5 * SECOND
    clock.set_tempo(120)
    clock.seek(500)
    assert clock.anchor.held and clock.pip_at(9 * SECOND) == 500 and clock.bpm == 120
    clock.place(Anchor(fake.ns, Fraction(500), Fraction(120)))
    clock.nudge(Fraction(-11, 2))
    assert clock.exact_pip_at(fake.ns + SECOND) == Fraction(989, 2) + 128
