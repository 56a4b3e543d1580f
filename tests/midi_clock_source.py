"""A MIDI clock for the tests, in a process of its own: plays a fixed script of Start, ticks at two
tempos, Stop, Continue and a Song Position Pointer, and prints each message it sent as a JSON line
with the instant it sent it (time.monotonic_ns, which every process on the machine shares).

    python midi_clock_source.py --connect FRAGMENT   # to the one input port whose name holds it
    python midi_clock_source.py --virtual NAME       # from a port of its own, once something connects

Run with MIDO_BACKEND naming the system's MIDI API; ends by itself.
"""

import argparse
import json
import subprocess
import sys
import time

import mido

CLIENT = "pivolet-test-clock"
TICKS_PER_BEAT = 24
CONNECTION_SECONDS = 10


def tick_seconds(bpm):
    return 60 / bpm / TICKS_PER_BEAT


def script():
    """(seconds after the step before, message): a sequencer's Start with its first tick, then a
    tick every 1/24 beat; a Stop comes when the next tick would."""
    steps = [(0.0, mido.Message("start")), (0.0, mido.Message("clock"))]
    steps += [(tick_seconds(120), mido.Message("clock"))] * 47
    steps += [(tick_seconds(180), mido.Message("clock"))] * 48
    steps += [(tick_seconds(180), mido.Message("stop")), (0.4, mido.Message("continue")), (0.0, mido.Message("clock"))]
    steps += [(tick_seconds(120), mido.Message("clock"))] * 23
    steps += [(tick_seconds(120), mido.Message("stop")), (0.4, mido.Message("songpos", pos=32)),
              (0.4, mido.Message("continue")), (0.0, mido.Message("clock"))]
    steps += [(tick_seconds(120), mido.Message("clock"))] * 23
    steps += [(tick_seconds(120), mido.Message("stop"))]
    return steps


def connected(port_name):
    """Whether a JACK port is connected to anything (`jack_lsp -c` indents its connections)."""
    listed = subprocess.run(["jack_lsp", "-c", port_name], capture_output=True, text=True, timeout=10).stdout
    return any(line.startswith((" ", "\t")) for line in listed.splitlines())


def main(argv=None):
    parser = argparse.ArgumentParser()
    chosen = parser.add_mutually_exclusive_group(required=True)
    chosen.add_argument("--connect", metavar="FRAGMENT")
    chosen.add_argument("--virtual", metavar="NAME")
    arguments = parser.parse_args(argv)
    backend = mido.Backend()
    if arguments.connect:
        (name,) = [name for name in backend.get_output_names() if arguments.connect in name]
        port = backend.open_output(name)
    else:
        port = backend.open_output(arguments.virtual, client_name=CLIENT)
        print(json.dumps({"ready": port.name}), flush=True)
        end = time.monotonic() + CONNECTION_SECONDS
        while not connected(f"{CLIENT}:{arguments.virtual}") and time.monotonic() < end:
            time.sleep(0.05)
    with port:
        time.sleep(0.3)  # JACK connects between its cycles
        deadline = time.monotonic()
        for delay, message in script():
            deadline += delay  # absolute deadlines: a late wake-up does not shift the rest
            pause = deadline - time.monotonic()
            if pause > 0:
                time.sleep(pause)
            port.send(message)
            print(json.dumps({"t_ns": time.monotonic_ns(), "bytes": message.bytes()}), flush=True)
        time.sleep(0.3)  # the last messages leave with the next cycle
    return 0


if __name__ == "__main__":
    sys.exit(main())
