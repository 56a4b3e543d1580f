"""Following Ableton Link: a 60 s play following a Link peer that changes the session's tempo every
10 s, all inside a network namespace of its own. For each frame sent, the phase error is the
distance between the pip the frame carries and the session's beat times 64 at the instant the frame
was sent, in pips; printed as p50, p99 and max beside the target (p99 at most 0.5 pip), for the exact
pip the clock reads at the frame's deadline, and for the whole pip sent (rounded down, so up to one
pip more).

    python bench/bench_link_follow.py [--seconds 60] [--every 10] [--fps 100] [--realtime]

Run as root (or where `unshare --net` works); the script runs itself again inside the namespace.
"""

import argparse
import math
import os
import socket
import statistics
import sys
import threading
import time
from fractions import Fraction

import link_room

TARGET_P99_PIPS = 0.5
TEMPOS = (128, 115, 140, 100, 124, 132, 96, 120)
START_TEMPO = 120
SETTLE_SECONDS = 1.0
REALTIME_PRIORITY = 10


class RecordedOutput:
    """An output that records, for every frame it sends, the instant it sent it (on Link's clock)
    and the exact and whole pip the frame carries."""

    def __init__(self, output, clock, unix_offset_ns):
        self._output, self._clock, self._unix_offset_ns = output, clock, unix_offset_ns
        self.label, self.fps, self.numbers, self.latency_ns = output.label, output.fps, output.numbers, output.latency_ns
        self.frames = []

    def prepare(self, states, unix_ns):
        return unix_ns, states[0].pip, self._output.prepare(states, unix_ns)

    def send(self, prepared):
        unix_ns, pip, payload = prepared
        # Link's clock is the raw monotonic clock: the offset is read next to the instant it converts.
        sent_ns = time.monotonic_ns()
        link_us = (sent_ns + time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) - time.monotonic_ns()) // 1000
        self._output.send(payload)
        exact = self._clock.anchor.exact_pip_at(unix_ns - self._unix_offset_ns)
        self.frames.append((link_us, exact, pip))

    def close(self):
        self._output.close()


def drain(udp, stop):
    udp.settimeout(0.2)
    while not stop.is_set():
        try:
            udp.recv(65536)
        except (TimeoutError, OSError):
            pass


def percentiles(values):
    ordered = sorted(values)
    return statistics.median(ordered), ordered[min(len(ordered) - 1, int(0.99 * len(ordered)))], ordered[-1]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--every", type=float, default=10.0, help="seconds between the peer's tempo changes")
    parser.add_argument("--fps", type=int, default=100)
    parser.add_argument("--realtime", action="store_true", help="run at real-time priority (SCHED_FIFO 10)")
    arguments = parser.parse_args(argv)
    link_room.run_inside_namespace()
    if arguments.realtime:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(REALTIME_PRIORITY))

    from pivolet_show.motion.sources import builtin_source
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.fixtures import group_fixtures
    from pivolet_show.show.inputs.link_session import LinkSession
    from pivolet_show.show.outputs import open_outputs
    from pivolet_show.show.outputs.osc import OscPlan
    from pivolet_show.show.player import Player
    from pivolet_show.show.plan import PatchRequest, ShowPlan
    from pivolet_show.show.rig import Rig

    changes = max(0, math.ceil(arguments.seconds / arguments.every) - 1)  # those within the play
    tempos = ",".join(str(TEMPOS[k % len(TEMPOS)]) for k in range(changes))
    peer = link_room.start_peer(arguments.seconds + 10, "--tempo", str(START_TEMPO), "--beat", "0.5",
                                "--tempos", tempos, "--every", str(arguments.every))
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind(("127.0.0.1", 0))
    stop = threading.Event()
    draining = threading.Thread(target=drain, args=(receiver, stop))
    draining.start()
    plan = ShowPlan(tuple(group_fixtures(builtin_source("bounce"), 1)), (PatchRequest(),), bpm=Fraction(START_TEMPO),
                    fps=Fraction(arguments.fps), outputs=(OscPlan("127.0.0.1", receiver.getsockname()[1]),))
    clock = TempoClock(plan.bpm, origin_ns=time.monotonic_ns() + 50_000_000)
    unix_offset_ns = time.time_ns() - time.monotonic_ns()
    (osc,) = open_outputs(plan)
    recorded = RecordedOutput(osc, clock, unix_offset_ns)
    player = Player(clock, Rig(plan.fixtures), [recorded], unix_offset_ns=unix_offset_ns, keep_timings=True)
    player.add_input(LinkSession(clock, plan.beats_per_bar, False))
    try:
        (counts,) = player.run(Fraction(arguments.seconds))
    finally:
        player.close()
        stop.set()
        draining.join(5)
        receiver.close()
    events = link_room.peer_events(peer, 30)
    placed = next(event for event in events if event["event"] == "placed")
    exact_errors, whole_errors = [], []
    for link_us, exact, pip in recorded.frames:
        if link_us < placed["at_us"] + SETTLE_SECONDS * 1e6:
            continue
        beat_pips = 64 * link_room.session_beat(events, link_us)
        exact_errors.append(abs((float(exact) - beat_pips + 128) % 256 - 128))
        whole_errors.append(abs((pip - beat_pips + 128) % 256 - 128))
    late = [ns / 1e6 for ns in counts.lateness_ns]
    print(f"Python {sys.version.split()[0]}, {os.cpu_count()} cores, load average "
          f"{', '.join(f'{value:.1f}' for value in os.getloadavg())}, "
          f"{'real-time' if arguments.realtime else 'normal'} priority")
    print(f"{arguments.seconds:g} s at {arguments.fps} frames a second following a Link peer: tempo {START_TEMPO}, "
          f"then {tempos} BPM, one every {arguments.every:g} s ({len(exact_errors)} frames measured, "
          f"{counts.late} late, {counts.skipped} skipped; lateness p99 {percentiles(late)[1]:.3f} ms)")
    for name, errors in (("exact pip at the deadline", exact_errors), ("whole pip sent", whole_errors)):
        p50, p99, most = percentiles(errors)
        verdict = "meets" if p99 <= TARGET_P99_PIPS else "misses"
        target = f" ({verdict} the target p99 <= {TARGET_P99_PIPS})" if name.startswith("exact") else ""
        print(f"  phase error, {name}: p50 {p50:.3f}, p99 {p99:.3f}, max {most:.3f} pips{target}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
