"""A Link peer that leads the session through a script, for the tests and the benchmark; run it only
inside a loopback namespace (Link multicasts on every interface).

    python link_peer.py SECONDS [--tempo 120] [--beat 1.5] [--tempos 130,110 --every 2]
                                [--start-at S] [--stop-at S] [--quantum 4]

It waits (within SECONDS) for another peer, since a session's tempo and phase are merged when peers
meet, and then places the session: --tempo, and --beat at that instant. Every --every seconds after
that it moves to the next of --tempos; --start-at and --stop-at start the transport on the next bar
line and stop it, that many seconds after the placement. Each change is printed as a JSON line with
the instant it took effect on Link's clock (`at_us`), the session's beat there and its tempo, so
that the session's beat at any instant can be worked out from the lines. Ends by itself.
"""

import argparse
import json
import math
import sys
import time

import link


def say(**fields):
    print(json.dumps(fields), flush=True)


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("seconds", type=float)
    parser.add_argument("--tempo", type=float, default=120.0)
    parser.add_argument("--beat", type=float, default=0.0)
    parser.add_argument("--tempos", type=lambda text: [float(each) for each in text.split(",")], default=[])
    parser.add_argument("--every", type=float, default=2.0)
    parser.add_argument("--start-at", type=float)
    parser.add_argument("--stop-at", type=float)
    parser.add_argument("--quantum", type=float, default=4.0)
    arguments = parser.parse_args(argv)
    quantum = arguments.quantum
    session = link.Link(arguments.tempo)
    clock = session.clock()
    session.startStopSyncEnabled = arguments.start_at is not None
    session.enabled = True
    end = time.monotonic() + arguments.seconds
    try:
        while session.numPeers() == 0:
            if time.monotonic() > end:
                say(event="alone")
                return 1
            time.sleep(0.005)
        now = clock.micros()
        state = session.captureAppSessionState()
        state.setTempo(arguments.tempo, now)
        state.forceBeatAtTime(arguments.beat, now, quantum)
        if arguments.start_at is not None:
            state.setIsPlaying(False, now)
        session.commitAppSessionState(state)
        placed = now
        say(event="placed", at_us=now, beat=arguments.beat, tempo=arguments.tempo)
        steps = [(placed + round(arguments.every * 1e6 * (k + 1)), "tempo", tempo)
                 for k, tempo in enumerate(arguments.tempos)]
        if arguments.start_at is not None:
            steps.append((placed + round(arguments.start_at * 1e6), "start", None))
        if arguments.stop_at is not None:
            steps.append((placed + round(arguments.stop_at * 1e6), "stop", None))
        steps.sort(key=lambda step: step[0])
        while steps and time.monotonic() < end:
            now = clock.micros()
            if now < steps[0][0]:
                time.sleep(min(0.001, (steps[0][0] - now) / 1e6))
                continue
            _, kind, tempo = steps.pop(0)
            state = session.captureAppSessionState()
            beat = state.beatAtTime(now, quantum)
            if kind == "tempo":
                state.setTempo(tempo, now)
                say(event="tempo", at_us=now, beat=beat, tempo=tempo)
            elif kind == "start":
                bar_us = round(state.timeAtBeat(math.ceil(beat / quantum) * quantum, quantum))
                state.setIsPlaying(True, bar_us)
                say(event="start", at_us=now, start_us=bar_us, beat=beat, tempo=state.tempo())
            else:
                state.setIsPlaying(False, now)
                say(event="stop", at_us=now, beat=beat, tempo=state.tempo())
            session.commitAppSessionState(state)
        while time.monotonic() < end:
            time.sleep(0.01)
        return 0
    finally:
        session.enabled = False
        del session


if __name__ == "__main__":
    sys.exit(main())
