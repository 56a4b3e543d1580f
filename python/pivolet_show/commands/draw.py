"""Draws one loop of a pattern as SVG and plays four loops of it as WAV, then prints both paths."""

from __future__ import annotations

import argparse
from pathlib import Path

from pivolet_show import svg_picture, wav_render
from pivolet_show.arguments import DEFAULT_OUT, positive_bpm
from pivolet_show.patterns import UNKNOWN_PATTERN, load_loop

HELP = "draw a pattern as SVG and play it as WAV"
DEFAULT_PATTERN = "beat_house_classic_surge"
DEFAULT_BPM = 120.0


def add_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("name", nargs="?", default=DEFAULT_PATTERN,
                        help=f"a built-in pattern name (default: {DEFAULT_PATTERN})")
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT, help=f"output folder (default: {DEFAULT_OUT}/)")
    parser.add_argument("--bpm", type=positive_bpm, default=DEFAULT_BPM,
                        help=f"tempo of the WAV (default: {DEFAULT_BPM:g})")


def run(arguments: argparse.Namespace) -> int:
    try:
        loop = load_loop(arguments.name)
    except KeyError:
        arguments.parser.error(UNKNOWN_PATTERN + arguments.name)
    arguments.out.mkdir(parents=True, exist_ok=True)
    svg_path = arguments.out / f"{loop.name}.svg"
    wav_path = arguments.out / f"{loop.name}.wav"
    svg_path.write_text(svg_picture.render(loop), encoding="utf-8")
    wav_render.write_wav(loop, arguments.bpm, wav_path)
    print(svg_path)
    print(wav_path)
    return 0
