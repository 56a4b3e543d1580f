"""Plays a pattern, a recording or a whole rig live, locked to a tempo, over OSC, sACN and Art-Net.

Nothing is sent unless an output is named (--osc, --sacn, --artnet, or the outputs of a rig
file); without one the clock runs and the status line shows where it is. A recording plays at its
own tempo unless --bpm gives another. A rig file describes fixtures, groups, sources, outputs and
tempo; the flags given beside it replace its tempo, frame rate, playing time, start pip,
interpolation, latency, output destinations and inputs. --fixture-type gives the fixtures of the
command line the channels, starting values and travel of a GDTF or QLC+ fixture type.

The clock may follow the room: Ableton Link (--sync link) or a MIDI clock (--sync midi[:PORT]);
OSC control messages (--control [HOST:]PORT) and, in a terminal, keys launch a rig file's cues, set
the tempo, tap it, seek, reset the phase and nudge it. --latency-ms sends each frame with the pips
of that much later. --log FILE writes every control command to a show log; --replay FILE plays a
show log's commands again at the pips they took effect at.
"""

from __future__ import annotations

import argparse
import dataclasses
import sys
import time
from pathlib import Path
from typing import TYPE_CHECKING, Any

from pivolet_show.checks import argument_type, frame_rate, latency_ms, playing_seconds, tempo
from pivolet_show.commands.arguments import FILE_SETTINGS, add_source_arguments, source_of
from pivolet_show.show.dmx.patch import NOT_A_UNIVERSE
from pivolet_show.show.fixtures import EVEN_SPREAD, MOST_FIXTURES, FixtureOrder
from pivolet_show.show.inputs import INPUTS
from pivolet_show.show.outputs import OUTPUTS, dmx_universes
from pivolet_show.stop_signals import Interrupted, StopSignals

if TYPE_CHECKING:
    from pivolet_show.show.plan import ShowPlan

# The first frame is due this long after the command is ready, so that it is worked out in time.
START_LEAD_NS = 20_000_000

NO_SOURCE = "name a pattern or recording to play, or give a rig file with --rig"
NAME_AND_RIG = "name a source or give a rig file, not both: the rig file names its sources"
FLAG_AND_RIG = "{flag} describes the one group a command line plays; with --rig, the rig file describes the groups"
NOT_A_START_PIP = "the start pip must be a whole number, not {value!r}"
NOT_A_FIXTURE_COUNT = "the number of fixtures must be a whole number from 1 to {most}, not {{value!r}}"
NOT_A_SPREAD = "the spread must be a whole number of pips or 'even', not {value!r}"
NO_OUTPUT = "no output named ({flags}, or a rig file's): nothing is sent, and the clock runs for the status line"
MODE_WITHOUT_TYPE = "--mode chooses a mode of the fixture type that --fixture-type names"
NOTHING_SENT = "{label}: not one frame could be sent; all {failed} failed ({reason})"

GROUP_FLAGS = ("universe", "fixtures", "spread", "order", "fixture_type", "mode")
SHOW_FLAGS = ("bpm", "fps", "seconds", "start_pip", "interpolate", "latency_ms")
NOTHING_SENT_EXIT = 1


def _whole(text: str, message: str, low: int | None = None, high: int | None = None) -> int:
    """`text` as a whole number, from `low` to `high` where given; ValueError with `message` otherwise."""
    try:
        value = int(text)
    except ValueError:
        raise ValueError(message.format(value=text)) from None
    if (low is not None and value < low) or (high is not None and value > high):
        raise ValueError(message.format(value=text))
    return value


def start_pip(text: str) -> int:
    return _whole(text, NOT_A_START_PIP)


def fixture_count(text: str) -> int:
    return _whole(text, NOT_A_FIXTURE_COUNT.format(most=MOST_FIXTURES), 1, MOST_FIXTURES)


def spread(text: str) -> int | str:
    return EVEN_SPREAD if text == EVEN_SPREAD else _whole(text, NOT_A_SPREAD)


def universe(text: str) -> int:
    numbering = dmx_universes()
    return numbering.check(_whole(text, NOT_A_UNIVERSE.format(first=numbering.first, last=numbering.last)))


def add_arguments(parser: argparse.ArgumentParser) -> None:
    add_source_arguments(parser, optional=True)
    parser.add_argument("--bpm", type=argument_type(tempo),
                        help="tempo in beats per minute (default: a recording's own, else 120)")
    parser.add_argument("--fps", type=argument_type(frame_rate),
                        help="frames a second (default: 60; sACN sends at most 44)")
    parser.add_argument("--seconds", type=argument_type(playing_seconds), help="stop after this long (default: until Ctrl-C)")
    parser.add_argument("--start-pip", type=argument_type(start_pip), help="the pip the clock starts at (default: 0)")
    parser.add_argument("--interpolate", action="store_true", default=None,
                        help="move between pips in proportion to the time (default: whole pips, the exact values)")
    parser.add_argument("--latency-ms", metavar="MS", type=argument_type(latency_ms),
                        help="send each frame with the pips of this many milliseconds later, for devices that "
                             "show what they get late (default: 0; an output's own latency_ms in a rig file wins)")
    for protocol in OUTPUTS + INPUTS:
        protocol.add_flags(parser)
    parser.add_argument("--universe", type=argument_type(universe),
                        help="the first fixture's DMX universe (default: the first every DMX output carries: 1 for "
                             "sACN, 0 for Art-Net alone)")
    parser.add_argument("--fixture-type", metavar="FILE", type=Path,
                        help="the fixtures' type, from a GDTF (.gdtf) or QLC+ (.qxf) file: their channels, "
                             "starting values and travel")
    parser.add_argument("--mode", metavar="NAME", help="the DMX mode of the fixture type (needed if it has several)")
    parser.add_argument("--fixtures", type=argument_type(fixture_count), help="how many fixtures play the pattern (default: 1)")
    parser.add_argument("--spread", type=argument_type(spread),
                        help="pips each fixture plays behind the one before it, or 'even' to share the loop's "
                             "shortest repeat (default: 0)")
    parser.add_argument("--order", type=argument_type(FixtureOrder.named),
                        help="in_step, spread or mirror (default: spread when --spread is given, else in_step)")
    parser.add_argument("--rig", metavar="FILE", type=Path, help="a rig file (.toml or .json) describing the show")
    parser.add_argument("--log", metavar="FILE", type=Path,
                        help="write every control command, refusals too, to this show log (JSON lines)")
    parser.add_argument("--replay", metavar="FILE", type=Path,
                        help="perform a show log's commands again, each at the pip it took effect at")
    parser.add_argument("--quiet", action="store_true", help="print nothing while playing")


def _command_line_plan(arguments: argparse.Namespace) -> ShowPlan:
    from pivolet_show.checks import exact_fraction
    from pivolet_show.motion.sources import RecordingSource
    from pivolet_show.show.fixtures import group_fixtures
    from pivolet_show.show.plan import GroupPlan, PatchRequest, ShowPlan

    if arguments.source is None:
        raise ValueError(NO_SOURCE)
    source = source_of(arguments)
    count = arguments.fixtures or 1
    given_spread = arguments.spread if arguments.spread is not None else 0
    order = arguments.order or (FixtureOrder.SPREAD if arguments.spread is not None else FixtureOrder.IN_STEP)
    fixtures = group_fixtures(source, count, order=order, spread=given_spread)
    request = PatchRequest()
    if arguments.fixture_type is not None:
        from pivolet_show.show.dmx.head_profile import HeadSettings, head_profile
        from pivolet_show.show.fixture_types import load_fixture_type

        fixture_type = load_fixture_type(arguments.fixture_type, arguments.mode)
        request = PatchRequest(profile=head_profile(HeadSettings(fixture_type)), head=fixture_type.label,
                               top_speeds=fixture_type.top_speeds())
    elif arguments.mode is not None:
        raise ValueError(MODE_WITHOUT_TYPE)
    group = GroupPlan("1", 1, count, given_spread, order, (None,) * count)
    plan = ShowPlan(tuple(fixtures), (request,) * count, first_universe=arguments.universe, groups=(group,))
    if isinstance(source, RecordingSource):
        # As draw and export do, a recording plays at the tempo it was made at.
        plan = dataclasses.replace(plan, bpm=exact_fraction(source.recording.bpm))
    return plan


def _with_flags(plans: tuple[Any, ...], protocols: tuple[Any, ...], arguments: argparse.Namespace) -> tuple[Any, ...]:
    """The plans once each protocol's flags are applied to its own, in the order of the registry."""
    return tuple(plan for protocol in protocols for plan in protocol.plans_from_flags(
        arguments, tuple(plan for plan in plans if isinstance(plan, protocol.plan_type))))


def build_plan(arguments: argparse.Namespace) -> ShowPlan:
    """The show the arguments describe; ValueError saying what is wrong otherwise."""
    if arguments.rig is None:
        plan = _command_line_plan(arguments)
    else:
        from pivolet_show.show.show_file import load_rig_file

        if arguments.source is not None:
            raise ValueError(NAME_AND_RIG)
        for flag in GROUP_FLAGS + FILE_SETTINGS:
            if getattr(arguments, flag) is not None:
                raise ValueError(FLAG_AND_RIG.format(flag="--" + flag.replace("_", "-")))
        plan = load_rig_file(arguments.rig)
    changes: dict[str, Any] = {key: getattr(arguments, key) for key in SHOW_FLAGS if getattr(arguments, key) is not None}
    return dataclasses.replace(plan, **changes, outputs=_with_flags(plan.outputs, OUTPUTS, arguments),
                               inputs=_with_flags(plan.inputs, INPUTS, arguments))


def run(arguments: argparse.Namespace) -> int:
    """Plays the show; the exit status is 0 for a show that ran its time, 128 + the signal for one
    that a signal stopped (cleanly, its streams ended), and 1 if an output could not send a frame."""
    # The stop signals are caught before anything else is done, so that none ends the command
    # halfway through with a traceback.
    with StopSignals() as stop:
        try:
            return _play(arguments, stop)
        except Interrupted:
            return stop.exit_status or 0


def _play(arguments: argparse.Namespace, stop: StopSignals) -> int:
    with stop.held():
        from pivolet_show.show.clock import TempoClock
        from pivolet_show.show.control import Control
        from pivolet_show.show.head_report import head_notes, head_tracks, needs_report
        from pivolet_show.show.inputs import open_inputs
        from pivolet_show.show.inputs.protocol import Controls
        from pivolet_show.show.launch import launch_pips
        from pivolet_show.show.outputs import open_outputs
        from pivolet_show.show.player import Player
        from pivolet_show.show.replay import Replay
        from pivolet_show.show.rig import Rig  # and with it numpy
        from pivolet_show.show.show_file import source_finder
        from pivolet_show.show.show_log import ShowLog, read_log
        from pivolet_show.show.status import StatusLine

    log = None
    try:
        plan = build_plan(arguments)
        # A recording's note goes to the status line, made once the clock is.
        rig = Rig.of_plan(plan, note=lambda text: status.note(text))
        # A log may be replayed into itself: it is read whole before it is written again.
        replayed = None if arguments.replay is None else read_log(arguments.replay)
        log = None if arguments.log is None else ShowLog(arguments.log)
        outputs = open_outputs(plan)
    except ValueError as error:
        if log is not None:
            log.close()
        arguments.parser.error(str(error))
    try:
        # The heads' aims are worked out here, before the clock starts, and so is what to say about them.
        notes = head_notes(plan, head_tracks(plan, rig)) if needs_report(plan) else []
        clock = TempoClock(plan.bpm, plan.start_pip, origin_ns=time.monotonic_ns() + START_LEAD_NS,
                           beats_per_bar=plan.beats_per_bar)
        status = StatusLine(sys.stderr, clock, quiet=arguments.quiet)
        for note in notes:
            status.note(note)
        player = Player(clock, rig, outputs, status=status.show, status_interval_ns=status.interval_ns)
        control = Control(clock, rig, lookahead_ns=max((output.latency_ns for output in outputs), default=0),
                          launch_pips=launch_pips(plan.launch, plan.beats_per_bar), sources=source_finder(plan),
                          log=None if log is None else log.write)
        status.watch_control(control)
    except Interrupted:
        for output in outputs:
            output.close()
        if log is not None:
            log.close()
        raise
    # From here a stop signal ends the play between frames, never halfway through sending one, and
    # every output ends its streams as it closes.
    stop.stop_with(player.stop)
    try:
        try:
            for opened in open_inputs(plan, Controls(clock, rig, control, player.call_soon, status.note, player)):
                player.add_input(opened)
                status.watch(opened)
        except ValueError as error:
            arguments.parser.error(str(error))
        from pivolet_show.show.inputs.keyboard import HELP, Keyboard, in_the_foreground

        if in_the_foreground(sys.stdin):
            player.add_input(Keyboard(sys.stdin, control, status.note))
            status.note(HELP)
        if not outputs:
            status.note(NO_OUTPUT.format(flags=", ".join("--" + protocol.name for protocol in OUTPUTS)))
        if replayed is not None:
            Replay(replayed, control, player.call_at, status.note).start()
        player.run(plan.seconds)
    finally:
        try:
            player.close()
            status.finish(clock.reading_at(time.monotonic_ns()), player.counts)
        finally:
            if log is not None:
                log.close()
    silent = [counts for counts in player.counts if counts.sent == 0 and counts.failed]
    for counts in silent:
        message = NOTHING_SENT.format(label=counts.label, failed=counts.failed, reason=counts.last_failure)
        print(f"{arguments.parser.prog}: error: {message}", file=sys.stderr)
    if silent:
        return NOTHING_SENT_EXIT
    return stop.exit_status or 0
