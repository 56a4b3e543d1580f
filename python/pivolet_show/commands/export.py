"""Writes a pattern's or a recording's motion to a file other tools read, then prints its path.

    python -m pivolet_show export SOURCE --out FILE [--format F] [--loops N] [--bpm B] [--start-pip P]
    python -m pivolet_show export SHOW --replay LOG --out take.csv --from-pip A --to-pip B

The format follows the file's extension (.mid, .csv, .gltf, .glb) unless --format names it. A
pattern's export covers N loops from the start pip, at the tempo (default 120 BPM). A recording's
export covers its recorded pips, once, at its own tempo unless --bpm gives another; loops and a start
pip do not apply to it. With --replay, SHOW is a show file and LOG a show log of its performance:
the performance is rendered from pip A up to pip B (not included) as a recording CSV, one column per
fixture axis (f1_x, f1_y, f1_z, f2_x, ...), at the show's tempo. The file is written whole or not at all.
"""

from __future__ import annotations

import argparse
from collections.abc import Callable
from pathlib import Path
from typing import TYPE_CHECKING

from pivolet_show.checks import DEFAULT_BPM
from pivolet_show.commands.arguments import add_source_arguments, loop_count, open_source, positive_bpm
from pivolet_show.export import csv_table, midi

if TYPE_CHECKING:
    from pivolet_show.export.timeline import Timeline

DEFAULT_LOOPS = 1
DEFAULT_START_PIP = 0


def _gltf(timeline: Timeline, binary: bool) -> bytes:
    from pivolet_show.export import gltf  # its library is imported only to write glTF

    return gltf.render_glb(timeline) if binary else gltf.render_gltf(timeline)


RENDERERS: dict[str, Callable[[Timeline, midi.MidiSettings], bytes]] = {
    "midi": midi.render,
    "csv": lambda timeline, _: csv_table.render(timeline),
    "gltf": lambda timeline, _: _gltf(timeline, binary=False),
    "glb": lambda timeline, _: _gltf(timeline, binary=True),
}
FORMAT_OF_SUFFIX = {".mid": "midi", ".midi": "midi", ".csv": "csv", ".gltf": "gltf", ".glb": "glb"}

UNKNOWN_FORMAT = "cannot tell the format of {path} from its extension: name one with --format ({formats})"
NOT_FOR_RECORDINGS = "only a pattern takes {options}: the export of a recording covers its recorded pips, once"
NOT_FOR_FORMAT = "only a MIDI file takes {options}, and {path} is written as {format}"
NOT_CONTROLLERS = "three controller numbers for x, y and z, such as 1,2,3"
RENDER_NEEDS = "a performance's render needs --from-pip and --to-pip"
ONLY_FOR_RENDER = "only a performance's render (--replay LOG) takes {options}"
RENDER_IS_CSV = "a performance's render is a recording CSV: --out names a .csv file, not {path}"
NOT_FOR_RENDER = "a performance's render is a recording CSV, and takes none of {options}"
RENDER_OPTIONS = {"format": "--format", "loops": "--loops", "bpm": "--bpm", "start_pip": "--start-pip",
                  "ticks_per_beat": "--ticks-per-beat", "channel": "--channel", "cc": "--cc",
                  "fourteen_bit": "--fourteen-bit"}
CANNOT_WRITE = "cannot write {path}: {reason}"


def controllers(text: str) -> tuple[int, int, int]:
    try:
        x, y, z = (int(number) for number in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError(NOT_CONTROLLERS) from None
    return x, y, z


def add_arguments(parser: argparse.ArgumentParser) -> None:
    add_source_arguments(parser)
    parser.add_argument("--out", type=Path, required=True, metavar="FILE", help="the file to write")
    parser.add_argument("--format", choices=sorted(RENDERERS), help="the format (default: by the extension of --out)")
    parser.add_argument("--loops", type=loop_count, help=f"a pattern's loops to export (default: {DEFAULT_LOOPS})")
    parser.add_argument("--bpm", type=positive_bpm,
                        help=f"the tempo (default: a recording's own, else {DEFAULT_BPM:g})")
    parser.add_argument("--start-pip", type=int, metavar="PIP",
                        help=f"the pip of a pattern that the export starts at (default: {DEFAULT_START_PIP})")
    performance = parser.add_argument_group("a performance (SOURCE is a show file)")
    performance.add_argument("--replay", type=Path, metavar="LOG", help="render the performance a show log holds")
    performance.add_argument("--from-pip", type=int, metavar="A", help="the first pip of the render")
    performance.add_argument("--to-pip", type=int, metavar="B", help="the pip the render ends before")
    group = parser.add_argument_group("MIDI files")
    group.add_argument("--ticks-per-beat", type=int, metavar="TICKS",
                       help=f"a multiple of 64 (default: {midi.DEFAULT_TICKS_PER_BEAT}, 15 ticks a pip)")
    group.add_argument("--channel", type=int, help=f"the channel, 1 to 16 (default: {midi.DEFAULT_CHANNEL})")
    group.add_argument("--cc", type=controllers, metavar="X,Y,Z",
                       help="the controllers of x, y and z (default: " + ",".join(map(str, midi.DEFAULT_CONTROLLERS)) + ")")
    group.add_argument("--fourteen-bit", action="store_true", default=None,
                       help="send 14-bit values: the upper part on each controller n, the lower on n + 32")


def _given(arguments: argparse.Namespace, options: dict[str, str]) -> list[str]:
    return [flag for attribute, flag in options.items() if getattr(arguments, attribute) is not None]


def _format(arguments: argparse.Namespace) -> str:
    if arguments.format is not None:
        return str(arguments.format)
    found = FORMAT_OF_SUFFIX.get(arguments.out.suffix.lower())
    if found is None:
        parser: argparse.ArgumentParser = arguments.parser
        parser.error(UNKNOWN_FORMAT.format(path=arguments.out, formats=", ".join(sorted(RENDERERS))))
    return found


def _midi_settings(arguments: argparse.Namespace, chosen: str) -> midi.MidiSettings:
    midi_options = _given(arguments, {"ticks_per_beat": "--ticks-per-beat", "channel": "--channel",
                                      "cc": "--cc", "fourteen_bit": "--fourteen-bit"})
    if midi_options and chosen != "midi":
        arguments.parser.error(NOT_FOR_FORMAT.format(options=" and ".join(midi_options), path=arguments.out, format=chosen))
    defaults = midi.MidiSettings()
    settings = midi.MidiSettings(
        defaults.ticks_per_beat if arguments.ticks_per_beat is None else arguments.ticks_per_beat,
        defaults.channel if arguments.channel is None else arguments.channel,
        defaults.controllers if arguments.cc is None else arguments.cc,
        bool(arguments.fourteen_bit))
    try:
        settings.check()
    except ValueError as error:
        arguments.parser.error(str(error))
    return settings


def _timeline(arguments: argparse.Namespace) -> Timeline:
    from pivolet_show.export.timeline import pattern_timeline, recording_timeline
    from pivolet_show.motion.sources import RecordingSource

    source = open_source(arguments)
    if isinstance(source, RecordingSource):
        pattern_options = _given(arguments, {"loops": "--loops", "start_pip": "--start-pip"})
        if pattern_options:
            arguments.parser.error(NOT_FOR_RECORDINGS.format(options=" and ".join(pattern_options)))
        return recording_timeline(source, arguments.bpm)
    try:
        return pattern_timeline(source, float(DEFAULT_BPM) if arguments.bpm is None else arguments.bpm,
                                DEFAULT_LOOPS if arguments.loops is None else arguments.loops,
                                DEFAULT_START_PIP if arguments.start_pip is None else arguments.start_pip)
    except ValueError as error:
        parser: argparse.ArgumentParser = arguments.parser
        parser.error(str(error))


def _performance(arguments: argparse.Namespace) -> bytes:
    """The performance of the show file SOURCE that the log --replay holds, rendered as a recording CSV."""
    from pivolet_show.show.performance_render import recording_csv, render_performance
    from pivolet_show.show.show_file import load_rig_file
    from pivolet_show.show.show_log import read_log

    parser: argparse.ArgumentParser = arguments.parser
    others = _given(arguments, RENDER_OPTIONS)
    if others:
        parser.error(NOT_FOR_RENDER.format(options=" and ".join(others)))
    if arguments.from_pip is None or arguments.to_pip is None:
        parser.error(RENDER_NEEDS)
    if arguments.out.suffix.lower() != ".csv":
        parser.error(RENDER_IS_CSV.format(path=arguments.out))
    try:
        plan = load_rig_file(Path(arguments.source))
        rows = render_performance(plan, read_log(arguments.replay), arguments.from_pip, arguments.to_pip)
    except ValueError as error:
        parser.error(str(error))
    return recording_csv(rows, len(plan.fixtures), plan.bpm)


def run(arguments: argparse.Namespace) -> int:
    from pivolet_show.atomic_file import write_atomically

    out: Path = arguments.out
    if arguments.replay is not None:
        data = _performance(arguments)
    else:
        render_options = _given(arguments, {"from_pip": "--from-pip", "to_pip": "--to-pip"})
        if render_options:
            arguments.parser.error(ONLY_FOR_RENDER.format(options=" and ".join(render_options)))
        chosen = _format(arguments)
        settings = _midi_settings(arguments, chosen)
        timeline = _timeline(arguments)
        try:
            data = RENDERERS[chosen](timeline, settings)
        except ValueError as error:
            arguments.parser.error(str(error))
    try:
        out.parent.mkdir(parents=True, exist_ok=True)
        write_atomically(out, data)
    except OSError as error:
        arguments.parser.error(CANNOT_WRITE.format(path=out, reason=error.strerror or error))
    print(out)
    return 0
