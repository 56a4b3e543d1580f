"""Draws one built-in pattern as SVG and plays it as WAV, or builds the gallery of every built-in.

    python -m pivolet_demo [NAME] [--out DIR] [--bpm BPM]
    python -m pivolet_demo gallery [--out DIR]
"""

from __future__ import annotations

import argparse
import sys
from pathlib import Path

from pivolet_demo import svg_picture, wav_render
from pivolet_demo.gallery import build_site
from pivolet_demo.patterns import UNKNOWN_PATTERN, load_loop

DEFAULT_PATTERN = "beat_house_classic_surge"
DEFAULT_BPM = 120.0
DEFAULT_OUT = Path("demo-out")
GALLERY_COMMAND = "gallery"


def _positive_bpm(text: str) -> float:
    value = float(text)
    if not 0.0 < value < float("inf"):
        raise argparse.ArgumentTypeError(wav_render.NON_POSITIVE_TEMPO)
    return value


def run_demo(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(prog="python -m pivolet_demo", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("name", nargs="?", default=DEFAULT_PATTERN,
                        help=f"a built-in pattern name (default: {DEFAULT_PATTERN}); '{GALLERY_COMMAND}' builds the gallery")
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT, help=f"output folder (default: {DEFAULT_OUT}/)")
    parser.add_argument("--bpm", type=_positive_bpm, default=DEFAULT_BPM, help=f"tempo of the WAV (default: {DEFAULT_BPM:g})")
    args = parser.parse_args(argv)
    try:
        loop = load_loop(args.name)
    except KeyError:
        parser.error(UNKNOWN_PATTERN + args.name)
    args.out.mkdir(parents=True, exist_ok=True)
    svg_path = args.out / f"{loop.name}.svg"
    wav_path = args.out / f"{loop.name}.wav"
    svg_path.write_text(svg_picture.render(loop), encoding="utf-8")
    wav_render.write_wav(loop, args.bpm, wav_path)
    print(svg_path)
    print(wav_path)
    return 0


def run_gallery(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(prog=f"python -m pivolet_demo {GALLERY_COMMAND}",
                                     description="Builds a static site showing every built-in pattern.")
    default_out = DEFAULT_OUT / GALLERY_COMMAND
    parser.add_argument("--out", type=Path, default=default_out, help=f"output folder (default: {default_out}/)")
    args = parser.parse_args(argv)
    index = build_site(args.out)
    print(index)
    return 0


def main(argv: list[str] | None = None) -> int:
    arguments = sys.argv[1:] if argv is None else argv
    if arguments[:1] == [GALLERY_COMMAND]:
        return run_gallery(arguments[1:])
    return run_demo(arguments)


if __name__ == "__main__":
    sys.exit(main())
