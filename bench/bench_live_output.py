"""Live output under load: a rig of 512 fixtures over four sACN universes at 44 frames a second,
together with OSC for 64 of them at 240 frames a second, all sent to 127.0.0.1, where a separate
process drains both sockets. Prints each output's frame lateness (p50, p99, max; taken when a
frame's sending is done, a skipped frame counting as a missed deadline) and a frame's computing
cost as a share of its period, against the targets; then, unless told not to, the largest OSC rig
that still meets the targets at 240 Hz beside the same sACN load.

    python bench/bench_live_output.py [--seconds 30] [--search-seconds 8] [--no-search] [--realtime] [--sync link] [--cues] [--console]
    python bench/bench_live_output.py --against /tmp/reference/python [--rounds 2] [--seconds 20]
    python bench/bench_live_output.py --console-against [--rounds 2] [--seconds 20]
    python bench/bench_live_output.py --scale [--search-seconds 8] [--realtime] [--sync link]

With --scale it plays sACN alone, at 44 frames a second, for rigs of 4 to 256 full universes
(fixtures of four channels, 128 to a universe), and prints a table of each rig's computing share,
lateness and cost per fixture, and the largest rig that meets the targets.

With --against DIR (the `python` folder of another checkout) the main run is played in fresh
processes, alternating between this checkout and the other (run through the other checkout's own
copy of this script, so that it plays with its own player), and each figure is printed per round
for both, with the median ratio of this checkout's to the other's.

With --realtime the benchmark (and its receiver) runs at real-time priority (SCHED_FIFO 10, as
`chrt -f 10` would set; root or CAP_SYS_NICE needed), as a show machine would run `play`, so that
other work on a shared machine does not delay the frames.

With --cues the fixtures play in eight groups, each fading over a whole bar from the cue it played
to the next, a cue launched every bar (one of them at twice the speed, off the show's phase), so
every frame blends two motions of every group, and a third during a launch.

With --console the show console is open, its page in headless Chromium (the test suite's browser:
/usr/bin/chromium with chromedriver) drawing every frame it is sent, so the console's thread serves
the page beside the player's. With --console-against the main run is played in alternating fresh
processes without and with the console, and the figures printed as with --against (the ratio is
with the console to without).

With --sync link the show follows Ableton Link, as `play --sync link` does, while a Link peer changes
the session's tempo every 5 s; everything then runs inside a network namespace of its own (the
script runs itself again inside one: root, or wherever `unshare --net` works).
"""

import argparse
import math
import multiprocessing
import os
import re
import select
import socket
import statistics
import subprocess
import sys
import time
from fractions import Fraction
from pathlib import Path

import link_room

LATENESS_TARGET_MS = 2.0
SHARE_TARGET = 0.25
SACN_FIXTURES = 512  # 128 fixtures of 4 channels fill a universe: four universes
OSC_FPS = 240
SACN_FPS = 44
SOURCE = "beat_house_classic_surge"
SEARCH_SIZES = (64, 128, 192, 256, 384, 512, 768, 1024)
FIXTURES_PER_UNIVERSE = 128
SCALE_UNIVERSES = (4, 8, 16, 32, 64, 96, 128, 192, 256)
DRAIN_GRACE_SECONDS = 5
REALTIME_PRIORITY = 10
SYNC_TEMPOS = "126,118,132,110,124,130,116,128"
SYNC_EVERY_SECONDS = 5
CUE_GROUPS = 8
OTHER_SOURCE = "beat_four_floor_orbit"


def drain(addresses, seconds, counts):
    """Receives on both sockets until `seconds` have passed, counting datagrams."""
    sockets = []
    for index, address in enumerate(addresses):
        udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
        udp.bind(address)
        sockets.append(udp)
    counts.put([udp.getsockname()[1] for udp in sockets])
    received = [0] * len(sockets)
    end = time.monotonic() + seconds
    while (left := end - time.monotonic()) > 0:
        ready, _, _ = select.select(sockets, [], [], min(left, 0.1))
        for udp in ready:
            udp.recv(65536)
            received[sockets.index(udp)] += 1
    counts.put(received)


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def cue_plan(plan, count):
    """The plan with its fixtures in CUE_GROUPS groups and two cues for all of them, each fading over a bar."""
    import dataclasses

    from pivolet_show.motion.sources import builtin_source
    from pivolet_show.show.cues import Cue, GroupCue
    from pivolet_show.show.plan import GroupPlan

    size = count // CUE_GROUPS
    groups = tuple(GroupPlan(str(index + 1), index * size + 1, size, spread=3, own_phases=(None,) * size)
                   for index in range(CUE_GROUPS))
    bar = 64 * plan.beats_per_bar
    one = GroupCue(builtin_source(SOURCE), fade_pips=bar)
    other = GroupCue(builtin_source(OTHER_SOURCE), speed=Fraction(2), restart=False, fade_pips=bar)
    cues = (Cue("one", tuple((group.name, one) for group in groups)),
            Cue("other", tuple((group.name, other) for group in groups)))
    return dataclasses.replace(plan, groups=groups, cues=cues)


def launch_every_bar(player, control):
    """Asks for the other cue halfway through every bar, so that it comes on the next bar line."""
    clock, bar = control.clock, 64 * control.clock.beats_per_bar
    launched = [0]

    def launch():
        now = clock.now_ns()
        launched[0] += 1
        control.perform("cue", (launched[0] % 2 + 1,), now, "bench")
        halfway = (clock.pip_at(now) // bar + 1) * bar + bar // 2
        player.call_at(clock.ns_at_pip(halfway), launch)
    player.call_at(clock.ns_at_pip(bar // 2), launch)


def open_console(player, clock, rig, outputs):
    """The show console on a port of 127.0.0.1, its page open in headless Chromium and drawing:
    (the console, the browser)."""
    sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests"))
    from browser_session import start_chromium, wait_for

    from pivolet_show.show.console.server import ConsoleServer
    from pivolet_show.show.console.snapshot import Snapshots
    from pivolet_show.show.control import Control

    control = Control(clock, rig, lookahead_ns=max(output.latency_ns for output in outputs))
    snapshots = Snapshots(control, rig, player.outputs, player.counts, lambda: player.inputs)
    player.watch_frames(snapshots.frame_sent)
    console = ConsoleServer("127.0.0.1", 0, None, snapshots, control, player.call_soon)
    console.start()
    player.add_input(console)
    if os.sched_getscheduler(0) == os.SCHED_FIFO:
        # The browser is the audience, not the show: it runs at normal priority, as on a show machine.
        os.sched_setscheduler(0, os.SCHED_FIFO | os.SCHED_RESET_ON_FORK, os.sched_getparam(0))
    browser = start_chromium()
    browser.get(console.url)
    wait_for(lambda: browser.execute_script("return document.getElementById('link').dataset.state") == "open",
             "the console's page")
    return console, browser


def run_show(osc_fixtures, seconds, sync=None, sacn_fixtures=SACN_FIXTURES, cues=False, console=False):
    """Plays the show for `seconds` (following Link if `sync` is "link"; with a cue every bar if
    `cues`; with the console open in a browser if `console`) and returns each output's counts and
    the datagrams received (an output for no fixtures is left out)."""
    from pivolet_show.motion.sources import builtin_source
    from pivolet_show.show.clock import TempoClock
    from pivolet_show.show.outputs import open_outputs
    from pivolet_show.show.outputs.osc import OscPlan
    from pivolet_show.show.outputs.sacn import SacnPlan
    from pivolet_show.show.player import Player
    from pivolet_show.show.plan import PatchRequest, ShowPlan
    from pivolet_show.show.fixtures import FixtureOrder, group_fixtures
    from pivolet_show.show.rig import Rig

    queue = multiprocessing.Queue()
    sizes = [size for size in (osc_fixtures, sacn_fixtures) if size]
    receiver = multiprocessing.Process(target=drain, args=([("127.0.0.1", 0)] * len(sizes),
                                                           seconds + DRAIN_GRACE_SECONDS, queue))
    receiver.start()
    ports = iter(queue.get(timeout=10))
    count = max(sacn_fixtures, osc_fixtures)
    fixtures = group_fixtures(builtin_source(SOURCE), count, order=FixtureOrder.SPREAD, spread=3)
    outputs = []
    if osc_fixtures:
        outputs.append(OscPlan("127.0.0.1", next(ports), fps=Fraction(OSC_FPS), fixtures=tuple(range(1, osc_fixtures + 1))))
    if sacn_fixtures:
        outputs.append(SacnPlan("127.0.0.1", next(ports), fps=Fraction(SACN_FPS), fixtures=tuple(range(1, sacn_fixtures + 1))))
    plan = ShowPlan(tuple(fixtures), (PatchRequest(),) * count, bpm=Fraction(128), fps=Fraction(OSC_FPS),
                    outputs=tuple(outputs))
    if cues:
        plan = cue_plan(plan, count)
    outputs = open_outputs(plan)
    # The console and its browser take a while to open: the clock starts once they have.
    clock = TempoClock(plan.bpm, origin_ns=time.monotonic_ns() + (5_000_000_000 if console else 50_000_000))
    rig = Rig.of_plan(plan)
    player = Player(clock, rig, outputs, keep_timings=True)
    if cues:
        from pivolet_show.show.control import Control

        launch_every_bar(player, Control(clock, rig, lookahead_ns=max(output.latency_ns for output in outputs)))
    if sync == "link":
        from pivolet_show.show.inputs.link_session import LinkSession

        player.add_input(LinkSession(clock, plan.beats_per_bar, False))
    browser = None
    try:
        if console:
            _, browser = open_console(player, clock, rig, outputs)
            drawn = browser.execute_script("return document.getElementById('rig').dataset.drawn")
        counts = player.run(Fraction(seconds))
        if browser is not None:
            drawn = int(browser.execute_script("return document.getElementById('rig').dataset.drawn")) - int(drawn or 0)
            print(f"  the console's page drew {drawn} frames of {counts[-1].label} ({drawn / seconds:.1f} a second)")
    finally:
        player.close()
        if browser is not None:
            browser.quit()
    received = queue.get(timeout=seconds + 2 * DRAIN_GRACE_SECONDS)
    receiver.join()
    return counts, received


def figures(counts, fps):
    """Lateness in ms (a skipped frame missed its deadline for good: infinitely late) and the
    computing share of the period."""
    period_ns = 1e9 / fps
    lateness_ms = [ns / 1e6 for ns in counts.lateness_ns] + [math.inf] * counts.skipped
    shares = [ns / period_ns for ns in counts.compute_ns]
    return {
        "p50": statistics.median(lateness_ms), "p99": percentile(lateness_ms, 0.99), "max": max(lateness_ms),
        "share_p50": statistics.median(shares), "share_p99": percentile(shares, 0.99), "share_max": max(shares),
        "skipped": counts.skipped, "compute_p50_ns": statistics.median(counts.compute_ns),
    }


def meets(figure):
    return figure["p99"] <= LATENESS_TARGET_MS and figure["share_p99"] <= SHARE_TARGET and figure["skipped"] == 0


def report(osc_fixtures, seconds, sync=None, cues=False, console=False):
    counts, received = run_show(osc_fixtures, seconds, sync, cues=cues, console=console)
    rows = []
    for each, fps, fixtures, got in zip(counts, (OSC_FPS, SACN_FPS), (osc_fixtures, SACN_FIXTURES), received):
        figure = figures(each, fps)
        rows.append(figure)
        print(f"  {each.label:<4} {fixtures:>5} fixtures at {fps:>3} fps: {each.sent} frames sent ({got} datagrams "
              f"received), {each.late} late, {each.skipped} skipped, {each.failed} failed")
        print(f"       lateness p50 {figure['p50']:.3f} ms, p99 {figure['p99']:.3f} ms, max {figure['max']:.3f} ms "
              f"(target p99 <= {LATENESS_TARGET_MS} ms, nothing skipped)")
        print(f"       computing share of the period p50 {figure['share_p50']:.1%}, p99 {figure['share_p99']:.1%}, "
              f"max {figure['share_max']:.1%} (target <= {SHARE_TARGET:.0%})")
    return all(meets(figure) for figure in rows)


# The figures of one output, as `report` prints them.
FIGURE_LINES = re.compile(
    r"^  (?P<label>\S+) .*\n\s+lateness p50 (?P<p50>[\d.]+|inf) ms, p99 (?P<p99>[\d.]+|inf) ms, max (?P<max>[\d.]+|inf) ms.*\n"
    r"\s+computing share of the period p50 (?P<share_p50>[\d.]+)%, p99 (?P<share_p99>[\d.]+)%, "
    r"max (?P<share_max>[\d.]+)%", re.MULTILINE)
FIGURES = ("p50", "p99", "max", "share_p50", "share_p99", "share_max")


def fresh_run(script, package, arguments):
    """The figures of each output from the main run of `script` in a fresh interpreter, with the
    show package found in `package` (None: the installed one)."""
    environment = dict(os.environ)
    if package is not None:
        environment["PYTHONPATH"] = os.pathsep.join(filter(None, [str(package), environment.get("PYTHONPATH")]))
    finished = subprocess.run([sys.executable, str(script), *arguments, "--no-search"], env=environment,
                              capture_output=True, text=True, check=True)
    return {match["label"]: {name: float(match[name]) for name in FIGURES}
            for match in FIGURE_LINES.finditer(finished.stdout)}


def compare(reference, rounds, arguments):
    """Alternates fresh runs of this checkout and the reference, and prints every figure of both."""
    alternate({"this checkout": (Path(__file__), None, []),
               "reference": (reference.parent / "bench" / Path(__file__).name, reference, [])}, rounds, arguments)


def alternate(sides, rounds, arguments):
    """Alternates fresh runs of the two sides (name: script, package, arguments of its own), and
    prints every figure of both, with the median ratio of the first side's to the second's."""
    taken = {side: [] for side in sides}
    for round_index in range(rounds):
        order = list(sides) if round_index % 2 == 0 else list(reversed(sides))
        for side in order:
            script, package, own = sides[side]
            taken[side].append(fresh_run(script, package, arguments + own))
            print(f"round {round_index + 1}, {side}: done", flush=True)
    width = 9 * rounds + 2
    first, second = sides
    print(f"\nLateness in ms, computing share of the period in %; the ratio is the median of the rounds' ratios.")
    print(f"{'output':<7}{'figure':<11}{first + ', per round':>{width}}{second + ', per round':>{width}}{'ratio':>8}")
    for label in taken[first][0]:
        for name in FIGURES:
            mine = [run[label][name] for run in taken[first]]
            theirs = [run[label][name] for run in taken[second]]
            ratio = statistics.median(a / b if b else float("inf") for a, b in zip(mine, theirs))
            print(f"{label:<7}{name:<11}{''.join(f'{value:9.3f}' for value in mine):>{width}}"
                  f"{''.join(f'{value:9.3f}' for value in theirs):>{width}}{ratio:>8.2f}")


def scale(seconds, sync=None):
    """sACN alone for rigs of growing size: a table of the figures, and the largest that meets the targets."""
    print(f"sACN alone at {SACN_FPS} fps, {FIXTURES_PER_UNIVERSE} fixtures of four channels a universe, {seconds:g} s a size")
    print("| universes | fixtures | computing share p50 / p99 | lateness p50 / p99 / max (ms) | skipped "
          "| computing per fixture (ns) | meets |")
    print("|---|---|---|---|---|---|---|")
    largest = None
    for universes in SCALE_UNIVERSES:
        fixtures = universes * FIXTURES_PER_UNIVERSE
        (counts,), _ = run_show(0, seconds, sync, sacn_fixtures=fixtures)
        figure = figures(counts, SACN_FPS)
        ok = meets(figure)
        largest = universes if ok else largest
        print(f"| {universes} | {fixtures} | {figure['share_p50']:.1%} / {figure['share_p99']:.1%} "
              f"| {figure['p50']:.3f} / {figure['p99']:.3f} / {figure['max']:.3f} | {figure['skipped']} "
              f"| {figure['compute_p50_ns'] / fixtures:.0f} | {'yes' if ok else 'no'} |", flush=True)
    print(f"\nLargest sACN rig meeting the targets at {SACN_FPS} Hz: "
          + (f"{largest} universes, {largest * FIXTURES_PER_UNIVERSE} fixtures" if largest else "none of those tried"))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=30.0, help="length of the main run (default 30)")
    parser.add_argument("--search-seconds", type=float, default=8.0, help="length of each search run (default 8)")
    parser.add_argument("--no-search", action="store_true", help="skip the search for the largest OSC rig")
    parser.add_argument("--realtime", action="store_true", help="run at real-time priority (SCHED_FIFO 10)")
    parser.add_argument("--against", type=Path, metavar="DIR",
                        help="compare the main run with the show package in DIR, in alternating fresh processes")
    parser.add_argument("--rounds", type=int, default=2, help="rounds of each side with --against or --console-against (default 2)")
    parser.add_argument("--sync", choices=("link",), help="follow Ableton Link, led by a peer that changes its tempo")
    parser.add_argument("--scale", action="store_true", help="the largest sACN rig that meets the targets at 44 Hz")
    parser.add_argument("--cues", action="store_true",
                        help="eight groups, each fading over a bar to the cue launched every bar")
    parser.add_argument("--console", action="store_true", help="the show console open in headless Chromium")
    parser.add_argument("--console-against", action="store_true",
                        help="compare the main run with and without the console, in alternating fresh processes")
    arguments = parser.parse_args(argv)
    if arguments.sync is not None and arguments.against is not None:
        parser.error("--sync and --against do not go together: the other checkout may not follow Link")
    if arguments.against is not None:
        forwarded = (["--seconds", str(arguments.seconds)] + (["--realtime"] if arguments.realtime else [])
                     + (["--cues"] if arguments.cues else []))
        compare(arguments.against.resolve(), arguments.rounds, forwarded)
        return 0
    if arguments.console_against:
        forwarded = (["--seconds", str(arguments.seconds)] + (["--realtime"] if arguments.realtime else [])
                     + (["--cues"] if arguments.cues else []))
        alternate({"console": (Path(__file__), None, ["--console"]), "no console": (Path(__file__), None, [])},
                  arguments.rounds, forwarded)
        return 0
    peer = None
    if arguments.sync == "link":
        link_room.run_inside_namespace()
        if arguments.scale:
            lasting = arguments.search_seconds * len(SCALE_UNIVERSES)
        else:
            lasting = arguments.seconds + (0 if arguments.no_search else arguments.search_seconds * len(SEARCH_SIZES))
        peer = link_room.start_peer(lasting + 30, "--tempos", SYNC_TEMPOS, "--every", str(SYNC_EVERY_SECONDS))
    if arguments.realtime:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(REALTIME_PRIORITY))
    try:
        return play_and_search(arguments)
    finally:
        if peer is not None:
            peer.kill()
            peer.communicate()


def play_and_search(arguments):
    load = ", ".join(f"{value:.1f}" for value in os.getloadavg())
    scheduling = "real-time priority" if arguments.realtime else "normal priority"
    print(f"Python {sys.version.split()[0]}, {multiprocessing.cpu_count()} cores, load average {load}, {scheduling}")
    if arguments.scale:
        scale(arguments.search_seconds, arguments.sync)
        return 0
    following = ", following Link" if arguments.sync else ""
    cueing = f", {CUE_GROUPS} groups fading to a cue launched every bar" if arguments.cues else ""
    watched = ", the console open in headless Chromium" if arguments.console else ""
    print(f"Main run, {arguments.seconds:g} s: sACN for {SACN_FIXTURES} fixtures, OSC for 64{following}{cueing}{watched}")
    ok = report(64, arguments.seconds, arguments.sync, arguments.cues, arguments.console)
    print("  meets the targets" if ok else "  MISSES a target")
    if arguments.no_search:
        return 0
    print(f"\nLargest OSC rig at {OSC_FPS} Hz beside the same sACN load, {arguments.search_seconds:g} s a size:")
    largest = None
    for size in SEARCH_SIZES:
        print(f"OSC for {size} fixtures:")
        if not report(size, arguments.search_seconds, arguments.sync, arguments.cues, arguments.console):
            print("  misses a target")
            break
        largest = size
    print(f"\nLargest OSC rig meeting both targets: {largest if largest else 'none of those tried'} fixtures")
    return 0


if __name__ == "__main__":
    sys.exit(main())
