"""Argument types, defaults and the source argument that several commands share."""

from __future__ import annotations

import argparse
import math
from collections.abc import Callable
from pathlib import Path
from typing import TypeVar

from pivolet_show.sources import Source, resolve_source
from pivolet_show.user_files import FileSettings
from pivolet_show.wav_render import NON_POSITIVE_TEMPO

DEFAULT_OUT = Path("demo-out")
SOURCE_HELP = "a built-in pattern's name, or a pattern file (.json, .csv) or recording file (.csv)"
FILE_SETTINGS_TITLE = "reading a source file"
FILE_SETTINGS_HELP = "Each setting given wins over the file's own."
NO_AXES = "name at least one axis"
LOOPS_BELOW_ONE = "the loops are a whole number of at least 1"


Number = TypeVar("Number", int, float)


def _checked(convert: Callable[[str], Number], accept: Callable[[Number], bool], message: str) -> Callable[[str], Number]:
    """An argument type: the text converted, kept if `accept` takes it, else refused with `message`."""
    def parse(text: str) -> Number:
        try:
            value = convert(text)
        except ValueError:
            raise argparse.ArgumentTypeError(message) from None
        if not accept(value):
            raise argparse.ArgumentTypeError(message)
        return value
    return parse


# A tempo in beats per minute: a finite number above zero.
positive_bpm = _checked(float, lambda value: value > 0.0 and math.isfinite(value), NON_POSITIVE_TEMPO)
# How many times a loop plays: a whole number, at least one.
loop_count = _checked(int, lambda loops: loops >= 1, LOOPS_BELOW_ONE)


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
