"""Plays a pattern, a recording or a whole rig live, locked to a tempo, over OSC and sACN.

Nothing is sent unless an output is named (--osc, --sacn, or the outputs of a rig file); without one
the clock runs and the status line shows where it is. A rig file describes fixtures, groups,
sources, outputs and tempo; the flags given beside it replace its tempo, frame rate, playing time,
start pip, interpolation and output destinations.
"""

from __future__ import annotations

import argparse
import dataclasses
import signal
import sys
import time
from collections.abc import Callable
from pathlib import Path
from typing import Any

from pivolet_show.arguments import FILE_SETTINGS, add_source_arguments, source_of
from pivolet_show.clock import TempoClock
from pivolet_show.dmx import NOT_A_UNIVERSE, universe_number
from pivolet_show.network import split_host_and_port
from pivolet_show.osc_packing import check_prefix
from pivolet_show.player import Player
from pivolet_show.rig import EVEN_SPREAD, MOST_FIXTURES, FixtureOrder, Rig, group_fixtures
from pivolet_show.rig_file import load_rig_file
from pivolet_show.sacn_output import E131_PORT
from pivolet_show.show_plan import (
    OscPlan, PatchRequest, SacnPlan, ShowPlan, frame_rate, open_outputs, playing_seconds, tempo,
)
from pivolet_show.status import StatusLine

HELP = "play a pattern or a rig live over OSC and sACN, locked to a tempo"
# The first frame is due this long after the command is ready, so that it is worked out in time.
START_LEAD_NS = 20_000_000

NO_SOURCE = "name a pattern or recording to play, or give a rig file with --rig"
NAME_AND_RIG = "name a source or give a rig file, not both: the rig file names its sources"
FLAG_AND_RIG = "{flag} describes the one group a command line plays; with --rig, the rig file describes the groups"
NOT_A_START_PIP = "the start pip must be a whole number, not {value!r}"
NOT_A_FIXTURE_COUNT = "the number of fixtures must be a whole number from 1 to {most}, not {value!r}"
NOT_A_SPREAD = "the spread must be a whole number of pips or 'even', not {value!r}"

PREFIX_WITHOUT_OSC = "--osc-prefix needs an OSC output (--osc HOST:PORT)"

GROUP_FLAGS = ("universe", "fixtures", "spread", "order")
STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM)


def _argument(convert: Callable[[str], Any]) -> Callable[[str], Any]:
    """An argparse type that reports a conversion's own message."""
    def converted(text: str) -> Any:
        try:
            return convert(text)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None
    converted.__name__ = convert.__name__
    return converted


def _whole(text: str, message: str, low: int | None = None, high: int | None = None, **fields: Any) -> int:
    try:
        value = int(text)
    except ValueError:
        raise ValueError(message.format(value=text, **fields)) from None
    if (low is not None and value < low) or (high is not None and value > high):
        raise ValueError(message.format(value=text, **fields))
    return value


def start_pip(text: str) -> int:
    return _whole(text, NOT_A_START_PIP)


def fixture_count(text: str) -> int:
    return _whole(text, NOT_A_FIXTURE_COUNT, 1, MOST_FIXTURES, most=MOST_FIXTURES)


def spread(text: str) -> int | str:
    return EVEN_SPREAD if text == EVEN_SPREAD else _whole(text, NOT_A_SPREAD)


def universe(text: str) -> int:
    return universe_number(_whole(text, NOT_A_UNIVERSE))


def osc_target(text: str) -> tuple[str, int]:
    return split_host_and_port(text, "--osc")


def sacn_target(text: str) -> tuple[str, int]:
    return split_host_and_port(text, "--sacn", E131_PORT)


def add_arguments(parser: argparse.ArgumentParser) -> None:
    add_source_arguments(parser, optional=True)
    parser.add_argument("--bpm", type=_argument(tempo), help="tempo in beats per minute (default: 120)")
    parser.add_argument("--fps", type=_argument(frame_rate),
                        help="frames a second (default: 60; sACN sends at most 44)")
    parser.add_argument("--seconds", type=_argument(playing_seconds), help="stop after this long (default: until Ctrl-C)")
    parser.add_argument("--start-pip", type=_argument(start_pip), help="the pip the clock starts at (default: 0)")
    parser.add_argument("--interpolate", action="store_true", default=None,
                        help="move between pips in proportion to the time (default: whole pips, the exact values)")
    parser.add_argument("--osc", metavar="HOST:PORT", type=_argument(osc_target), help="send OSC bundles here")
    parser.add_argument("--osc-prefix", metavar="PREFIX", type=_argument(check_prefix),
                        help="the OSC address prefix (default: /pivolet)")
    parser.add_argument("--sacn", metavar="HOST[:PORT]", type=_argument(sacn_target),
                        help="send sACN (E1.31) unicast to this host (port 5568 unless given)")
    parser.add_argument("--universe", type=_argument(universe), help="the first fixture's sACN universe (default: 1)")
    parser.add_argument("--fixtures", type=_argument(fixture_count), help="how many fixtures play the pattern (default: 1)")
    parser.add_argument("--spread", type=_argument(spread),
                        help="pips each fixture plays behind the one before it, or 'even' to share the loop (default: 0)")
    parser.add_argument("--order", type=_argument(FixtureOrder.named),
                        help="in_step, spread or mirror (default: spread when --spread is given, else in_step)")
    parser.add_argument("--rig", metavar="FILE", type=Path, help="a rig file (.toml or .json) describing the show")
    parser.add_argument("--quiet", action="store_true", help="print nothing while playing")


def _command_line_plan(arguments: argparse.Namespace) -> ShowPlan:
    if arguments.source is None:
        raise ValueError(NO_SOURCE)
    source = source_of(arguments)
    count = arguments.fixtures or 1
    given_spread = arguments.spread if arguments.spread is not None else 0
    order = arguments.order or (FixtureOrder.SPREAD if arguments.spread is not None else FixtureOrder.IN_STEP)
    fixtures = group_fixtures(source, count, order=order, spread=given_spread)
    return ShowPlan(tuple(fixtures), (PatchRequest(),) * count, first_universe=arguments.universe or 1)


def build_plan(arguments: argparse.Namespace) -> ShowPlan:
    """The show the arguments describe; ValueError saying what is wrong otherwise."""
    if arguments.rig is None:
        plan = _command_line_plan(arguments)
    else:
        if arguments.source is not None:
            raise ValueError(NAME_AND_RIG)
        for flag in GROUP_FLAGS + FILE_SETTINGS:
            if getattr(arguments, flag) is not None:
                raise ValueError(FLAG_AND_RIG.format(flag="--" + flag.replace("_", "-")))
        plan = load_rig_file(arguments.rig)
    changes: dict[str, Any] = {key: getattr(arguments, key) for key in ("bpm", "fps", "seconds", "start_pip", "interpolate")
                               if getattr(arguments, key) is not None}
    if arguments.osc is not None:
        host, port = arguments.osc
        changes["osc"] = dataclasses.replace(plan.osc, host=host, port=port) if plan.osc else OscPlan(host, port)
    if arguments.osc_prefix is not None:
        osc = changes.get("osc", plan.osc)
        if osc is None:
            raise ValueError(PREFIX_WITHOUT_OSC)
        changes["osc"] = dataclasses.replace(osc, prefix=arguments.osc_prefix)
    if arguments.sacn is not None:
        host, port = arguments.sacn
        changes["sacn"] = dataclasses.replace(plan.sacn, host=host, port=port) if plan.sacn else SacnPlan(host, port)
    return dataclasses.replace(plan, **changes)


def run(arguments: argparse.Namespace) -> int:
    try:
        plan = build_plan(arguments)
        # A recording's note goes to the status line, made once the clock is.
        rig = Rig(plan.fixtures, interpolate=plan.interpolate, note=lambda text: status.note(text))
        outputs = open_outputs(plan)
    except ValueError as error:
        arguments.parser.error(str(error))
    clock = TempoClock(plan.bpm, plan.start_pip, origin_ns=time.monotonic_ns() + START_LEAD_NS,
                       beats_per_bar=plan.beats_per_bar)
    status = StatusLine(sys.stderr, clock, quiet=arguments.quiet)
    player = Player(clock, rig, outputs, status=status.show)
    # Ctrl-C and a polite kill end the play between frames, never halfway through sending one, and
    # every sACN universe then gets its stream-terminated packets.
    previous = {number: signal.signal(number, lambda *_: player.stop()) for number in STOP_SIGNALS}
    try:
        player.run(plan.seconds)
    finally:
        try:
            player.close()
            status.finish(clock.reading_at(time.monotonic_ns()), player.counts)
        finally:
            for number, handler in previous.items():
                signal.signal(number, handler)
    return 0
