"""Builds a static site showing every built-in pattern, and prints the path of its index page.
Pattern files given with --include join it in a group of their own."""

from __future__ import annotations

import argparse
from collections.abc import Sequence
from pathlib import Path

from typing import TYPE_CHECKING

from pivolet_show.commands.arguments import DEFAULT_OUT

if TYPE_CHECKING:
    import pivolet

DEFAULT_GALLERY_OUT = DEFAULT_OUT / "gallery"

NOT_A_PATTERN = "{path} holds a recording, and the gallery shows looping patterns"


def add_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--out", type=Path, default=DEFAULT_GALLERY_OUT,
                        help=f"output folder (default: {DEFAULT_GALLERY_OUT}/)")
    parser.add_argument("--include", type=Path, nargs="+", action="extend", default=[], metavar="FILE",
                        help="pattern files (.json, .csv) to show beside the built-ins")


def _load(path: Path) -> pivolet.SampledPattern:
    import pivolet

    from pivolet_show.motion import user_files

    motion = user_files.load(path)
    if not isinstance(motion, pivolet.SampledPattern):
        raise ValueError(NOT_A_PATTERN.format(path=path))
    return motion


def _library_refusal(paths: Sequence[Path], patterns: Sequence[pivolet.SampledPattern]) -> str | None:
    """The module's refusal of these patterns as one library, naming the file that brings the refused
    pattern: the first whose arrival makes the library refuse with the same message."""
    import pivolet

    try:
        pivolet.PatternLibrary(patterns)
        return None
    except ValueError as refusal:
        message = str(refusal)
    for count, path in enumerate(paths, 1):
        try:
            pivolet.PatternLibrary(patterns[:count])
        except ValueError as error:
            if str(error) == message:
                return f"{path}: {message}"
    return message


def run(arguments: argparse.Namespace) -> int:
    from pivolet_show.gallery import build_site
    from pivolet_show.motion.sources import pattern_source

    paths: list[Path] = arguments.include
    try:
        patterns = [_load(path) for path in paths]
    except ValueError as error:
        arguments.parser.error(str(error))
    refusal = _library_refusal(paths, patterns)
    if refusal is not None:
        arguments.parser.error(refusal)
    print(build_site(arguments.out, [pattern_source(pattern).loop() for pattern in patterns]))
    return 0
