"""Builds a static site showing every built-in pattern, and prints the path of its index page."""

from __future__ import annotations

import argparse
from pathlib import Path

from pivolet_show.arguments import DEFAULT_OUT
from pivolet_show.gallery import build_site

HELP = "build the gallery site of every built-in"
DEFAULT_GALLERY_OUT = DEFAULT_OUT / "gallery"


def add_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--out", type=Path, default=DEFAULT_GALLERY_OUT,
                        help=f"output folder (default: {DEFAULT_GALLERY_OUT}/)")


def run(arguments: argparse.Namespace) -> int:
    print(build_site(arguments.out))
    return 0
