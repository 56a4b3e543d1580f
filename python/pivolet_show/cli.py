"""The command line of the show tool: one subcommand per job, each in its own module under `commands`.

    python -m pivolet_show draw [SOURCE] [--out DIR] [--bpm BPM]
    python -m pivolet_show export SOURCE --out FILE [--format F] [--loops N] [--bpm B] [--start-pip P]
    python -m pivolet_show gallery [--out DIR] [--include FILE ...]
    python -m pivolet_show play [SOURCE] [--bpm BPM] [--fps FPS] [--seconds S] [--osc HOST:PORT] [--sacn HOST] ...

A SOURCE is a built-in pattern's name or the path of a pattern or recording file.

A command module offers HELP (one line), `add_arguments(parser)` and `run(arguments) -> int`; a bad
argument ends the program through `parser.error`, with exit status 2.
"""

from __future__ import annotations

import argparse
from types import ModuleType

from pivolet_show.commands import draw, export, gallery, play

PROGRAM = "python -m pivolet_show"
# The subcommands in the order the help lists them.
COMMANDS: dict[str, ModuleType] = {"draw": draw, "export": export, "gallery": gallery, "play": play}


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=PROGRAM, description="The pivolet show tool: draw and hear patterns, export them, browse the gallery, play a show live.")
    subcommands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)
    for name, command in COMMANDS.items():
        command_parser = subcommands.add_parser(name, help=command.HELP, description=command.__doc__,
                                                formatter_class=argparse.RawDescriptionHelpFormatter)
        command.add_arguments(command_parser)
        command_parser.set_defaults(run=command.run, parser=command_parser)
    return parser


def main(argv: list[str] | None = None) -> int:
    arguments = build_parser().parse_args(argv)
    return int(arguments.run(arguments))
