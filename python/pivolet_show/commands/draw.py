"""Draws one loop of a pattern as SVG and plays four loops of it as WAV, then prints both paths.
A recording is drawn and played once, from its first recorded pip to its last.

The picture shows the path at true scale, in the module's [-1, 1] cube, unless --fit zooms it to
the loop; beside it, x, y and z against the pip, and the motion figures at the tempo."""

from __future__ import annotations

import argparse
from pathlib import Path

from pivolet_show.checks import DEFAULT_BPM
from pivolet_show.commands.arguments import DEFAULT_OUT, add_source_arguments, open_source, positive_bpm

DEFAULT_PATTERN = "beat_house_classic_surge"


def add_arguments(parser: argparse.ArgumentParser) -> None:
    add_source_arguments(parser, default=DEFAULT_PATTERN)
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT, help=f"output folder (default: {DEFAULT_OUT}/)")
    parser.add_argument("--bpm", type=positive_bpm,
                        help=f"tempo of the WAV and of the picture's speeds (default: a recording's own, else {DEFAULT_BPM:g})")
    parser.add_argument("--fit", action="store_true",
                        help="zoom the picture to the loop instead of showing the whole [-1, 1] cube")


def run(arguments: argparse.Namespace) -> int:
    from pivolet_show.atomic_file import atomic_output, write_atomically
    from pivolet_show.motion.sources import RecordingSource
    from pivolet_show.picture import svg_picture
    from pivolet_show.sound import wav as wav_render

    source = open_source(arguments)
    loop = source.loop()
    looping = not isinstance(source, RecordingSource)
    if isinstance(source, RecordingSource):
        loops, own_bpm, first_pip = 1, source.recording.bpm, source.first_pip
    else:
        loops, own_bpm, first_pip = wav_render.LOOPS_PLAYED, float(DEFAULT_BPM), 0
    bpm = own_bpm if arguments.bpm is None else arguments.bpm
    arguments.out.mkdir(parents=True, exist_ok=True)
    svg_path = arguments.out / f"{loop.name}.svg"
    wav_path = arguments.out / f"{loop.name}.wav"
    picture = svg_picture.render(loop, bpm, true_scale=not arguments.fit, looping=looping, first_pip=first_pip)
    write_atomically(svg_path, picture.encode("utf-8"))
    with atomic_output(wav_path) as wav:
        wav_render.write_wav(loop, bpm, wav, loops)
    print(svg_path)
    print(wav_path)
    return 0
