"""Draws one loop of a pattern as SVG and plays four loops of it as WAV, then prints both paths.
A recording is drawn and played once, from its first recorded pip to its last.

The picture shows the path at true scale, in the module's [-1, 1] cube, unless --fit zooms it to
the loop; beside it, x, y and z against the pip, and the motion figures at the tempo.

With --rig, draws a rig file's heads instead: each head's pan and tilt over one loop of what it
plays, in its own degrees on its travel, and prints the picture's path and, one a line, the pips
where a head cannot reach its point or is asked to turn faster than its top speed (at the rig's
tempo, or --bpm)."""

from __future__ import annotations

import argparse
from pathlib import Path

from pivolet_show.checks import DEFAULT_BPM
from pivolet_show.commands.arguments import DEFAULT_OUT, add_source_arguments, open_source, positive_bpm

DEFAULT_PATTERN = "beat_house_classic_surge"
SOURCE_AND_RIG = "--rig draws a rig file's heads: name no source and leave out --fit"
HEAD_TITLE = "fixture {number}{head}"
RIG_TITLE = "{name} at {bpm:g} BPM"


def add_arguments(parser: argparse.ArgumentParser) -> None:
    add_source_arguments(parser, default=DEFAULT_PATTERN)
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT, help=f"output folder (default: {DEFAULT_OUT}/)")
    parser.add_argument("--bpm", type=positive_bpm,
                        help=f"tempo of the WAV and of the picture's speeds (default: a recording's own, else {DEFAULT_BPM:g})")
    parser.add_argument("--fit", action="store_true",
                        help="zoom the picture to the loop instead of showing the whole [-1, 1] cube")
    parser.add_argument("--rig", metavar="FILE", type=Path,
                        help="draw the heads of a rig file (.toml or .json) in their own degrees instead")


def draw_rig(arguments: argparse.Namespace) -> int:
    """Draws the heads of the rig file --rig names; prints the picture's path and the notes."""
    import dataclasses

    from pivolet_show.atomic_file import write_atomically
    from pivolet_show.checks import exact_fraction
    from pivolet_show.picture.rig_picture import HeadPath, render
    from pivolet_show.show.head_report import head_notes, head_tracks, too_fast_rows
    from pivolet_show.show.rig import Rig
    from pivolet_show.show.show_file import load_rig_file

    if arguments.source != DEFAULT_PATTERN or arguments.fit:
        arguments.parser.error(SOURCE_AND_RIG)
    try:
        plan = load_rig_file(arguments.rig)
    except ValueError as error:
        arguments.parser.error(str(error))
    if arguments.bpm is not None:
        plan = dataclasses.replace(plan, bpm=exact_fraction(arguments.bpm))
    tracks = head_tracks(plan, Rig(plan.fixtures))
    heads = [HeadPath(HEAD_TITLE.format(number=track.number, head=f": {track.head}" if track.head else ""),
                      track.pan, track.tilt, track.pan_travel, track.tilt_travel, track.pan_reach, track.tilt_reach,
                      track.out_of_reach.tolist(), [row for row, _ in too_fast_rows(plan, track).values()])
             for track in tracks]
    notes = head_notes(plan, tracks)
    arguments.out.mkdir(parents=True, exist_ok=True)
    svg_path = arguments.out / f"{arguments.rig.stem}.svg"
    write_atomically(svg_path, render(RIG_TITLE.format(name=arguments.rig.name, bpm=float(plan.bpm)), heads, notes)
                     .encode("utf-8"))
    print(svg_path)
    for note in notes:
        print(note)
    return 0


def run(arguments: argparse.Namespace) -> int:
    if arguments.rig is not None:
        return draw_rig(arguments)
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
