"""The command line of the show tool: one subcommand per job, each in its own module under `commands`.

    python -m pivolet_show draw [SOURCE] [--out DIR] [--bpm BPM]
    python -m pivolet_show export SOURCE --out FILE [--format F] [--loops N] [--bpm B] [--start-pip P]
    python -m pivolet_show gallery [--out DIR] [--include FILE ...]
    python -m pivolet_show list [FILTER] [--family F]
    python -m pivolet_show play [SOURCE] [--bpm BPM] [--fps FPS] [--seconds S] [--osc HOST:PORT] [--sacn HOST] ...

A SOURCE is a built-in pattern's name or the path of a pattern or recording file.

A command module offers `add_arguments(parser)` and `run(arguments) -> int` (its docstring is its
help); a bad argument ends the program through `parser.error`, with exit status 2. Only the command
being run is imported, and it imports at its top only what its arguments need, the rest when it
runs, so that the help and a quick command answer at once.
"""

from __future__ import annotations

import argparse
import importlib
import signal
import sys

PROGRAM = "python -m pivolet_show"
# The subcommands in the order the help lists them: the module under `commands` of each, and its line of help.
COMMANDS = {
    "draw": ("draw", "draw a pattern as SVG and play it as WAV"),
    "export": ("export", "export the motion as MIDI automation, a CSV table or a glTF animation"),
    "gallery": ("gallery", "build the gallery site of every built-in, and of your own pattern files"),
    "list": ("listing", "list the built-in patterns, or those whose name holds FILTER"),
    "play": ("play", "play a pattern or a rig live over OSC, sACN and Art-Net, locked to a tempo"),
}


def build_parser(argv: list[str] | None = None) -> argparse.ArgumentParser:
    """The parser of the whole command line; given the arguments, it holds the arguments of the one
    command they name (the first word that is not an option), and imports no other."""
    chosen = None if argv is None else next((word for word in argv if not word.startswith("-")), "")
    parser = argparse.ArgumentParser(prog=PROGRAM, description="The pivolet show tool: draw and hear patterns, export them, browse the gallery, play a show live.")
    subcommands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)
    for name, (module, help_line) in COMMANDS.items():
        if chosen is not None and name != chosen:
            subcommands.add_parser(name, help=help_line)
            continue
        command = importlib.import_module(f"pivolet_show.commands.{module}")
        command_parser = subcommands.add_parser(name, help=help_line, description=command.__doc__,
                                                formatter_class=argparse.RawDescriptionHelpFormatter)
        command.add_arguments(command_parser)
        command_parser.set_defaults(run=command.run, parser=command_parser)
    return parser


def main(argv: list[str] | None = None) -> int:
    try:
        words = sys.argv[1:] if argv is None else argv
        arguments = build_parser(words).parse_args(words)
        return int(arguments.run(arguments))
    except KeyboardInterrupt:
        # Ctrl-C before a command caught it (while the command line was read): an end, not a fault.
        from pivolet_show.stop_signals import signalled_exit

        return signalled_exit(signal.SIGINT)
