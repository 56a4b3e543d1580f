"""Argument types, defaults and the source argument that several commands share. Nothing here
imports the module or a source, so that building the command line stays quick."""

from __future__ import annotations

import argparse
import math
from pathlib import Path
from typing import TYPE_CHECKING

from pivolet_show.checks import NOT_A_TEMPO, argument_type, tempo

if TYPE_CHECKING:
    from pivolet_show.motion.sources import Source

DEFAULT_OUT = Path("demo-out")
SOURCE_HELP = "a built-in pattern's name, or a pattern file (.json, .csv) or recording file (.csv)"
FILE_SETTINGS_TITLE = "reading a source file"
FILE_SETTINGS_HELP = "Each setting given wins over the file's own."
NO_AXES = "name at least one axis"
LOOPS_BELOW_ONE = "the loops are a whole number of at least 1"


def positive_bpm(text: str) -> float:
    """A tempo in beats per minute for the commands that work in floats: finite and above zero."""
    bpm = float(argument_type(tempo)(text))
    if not math.isfinite(bpm):  # written finite, but beyond every double
        raise argparse.ArgumentTypeError(NOT_A_TEMPO.format(value=text))
    return bpm


def loop_count(text: str) -> int:
    """How many times a loop plays: a whole number, at least one."""
    try:
        loops = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(LOOPS_BELOW_ONE) from None
    if loops < 1:
        raise argparse.ArgumentTypeError(LOOPS_BELOW_ONE)
    return loops


def axis_names(text: str) -> list[str]:
    """Comma-separated axis names of a recording, one for each of x, y and z in turn."""
    names = [name.strip() for name in text.split(",")]
    if not all(names):
        raise argparse.ArgumentTypeError(NO_AXES)
    return names


# The settings of FileSettings, as the command line names them.
FILE_SETTINGS = ("name", "description", "recording_bpm", "beat_zero_seconds", "axes")


def add_source_arguments(parser: argparse.ArgumentParser, default: str | None = None, optional: bool = False) -> None:
    """The SOURCE argument, with the settings that say how to read it when it is a file. It may be
    left out where it has a default, or where the command is `optional` about it (then None)."""
    if default is not None:
        parser.add_argument("source", metavar="SOURCE", nargs="?", default=default,
                            help=f"{SOURCE_HELP} (default: {default})")
    elif optional:
        parser.add_argument("source", metavar="SOURCE", nargs="?", help=SOURCE_HELP)
    else:
        parser.add_argument("source", metavar="SOURCE", help=SOURCE_HELP)
    group = parser.add_argument_group(FILE_SETTINGS_TITLE, FILE_SETTINGS_HELP)
    group.add_argument("--name", help="the name of the file's pattern or recording (default: the file's own, "
                                      "else the file name without its extension)")
    group.add_argument("--description", help="the description of the file's pattern (default: the file's own, else empty)")
    group.add_argument("--recording-bpm", type=float, metavar="BPM",
                       help="the tempo of a recording file; a CSV file with a tempo holds a recording")
    group.add_argument("--beat-zero-seconds", type=float, metavar="SECONDS",
                       help="the time of a recording's beat zero (default: the file's own, else 0)")
    group.add_argument("--axes", type=axis_names, metavar="A,B,C",
                       help="the recording's axes played on x, y and z (default: its first three)")


def source_of(arguments: argparse.Namespace) -> Source:
    """The source that the command line names; ValueError with its message where it cannot be had."""
    from pivolet_show.motion.sources import resolve_source
    from pivolet_show.motion.user_files import FileSettings

    settings = FileSettings(arguments.name, arguments.description, arguments.recording_bpm, arguments.beat_zero_seconds)
    return resolve_source(arguments.source, settings, arguments.axes)


def open_source(arguments: argparse.Namespace) -> Source:
    """The source that the command line names; a source that cannot be had ends the program with its
    message and exit status 2."""
    parser: argparse.ArgumentParser = arguments.parser
    try:
        return source_of(arguments)
    except ValueError as error:
        parser.error(str(error))
