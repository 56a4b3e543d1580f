"""Lists the built-in patterns: name, period in beats, dimensions and description, one a line, in
catalogue order. FILTER keeps the names that hold it; --family keeps one family."""

from __future__ import annotations

import argparse
import sys


UNKNOWN_FAMILY = "unknown family: {name}"
NOTHING_FOUND = "no built-in pattern's name holds {text!r}"


def add_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("filter", metavar="FILTER", nargs="?", help="part of a name, such as house or euclid_5")
    parser.add_argument("--family", metavar="F", help="only the patterns of this family, such as beat or rudiments")


def run(arguments: argparse.Namespace) -> int:
    from pivolet_show.checks import suggestion
    from pivolet_show.motion.catalogue import builtin_names, builtin_rows, family_of
    from pivolet_show.motion.loops import beats_in
    from pivolet_show.picture.labels import counted

    rows = builtin_rows()
    if arguments.family is not None:
        families = dict.fromkeys(family_of(row["name"]) for row in rows)
        if arguments.family not in families:
            arguments.parser.error(UNKNOWN_FAMILY.format(name=arguments.family) + suggestion(arguments.family, families))
        rows = [row for row in rows if family_of(row["name"]) == arguments.family]
    if arguments.filter is not None:
        rows = [row for row in rows if arguments.filter in row["name"]]
        if not rows:
            print(NOTHING_FOUND.format(text=arguments.filter) + suggestion(arguments.filter, builtin_names()),
                  file=sys.stderr)
            return 1
    name_width = max((len(row["name"]) for row in rows), default=0)
    periods = [counted(beats_in(row["period_pips"]), "beat") for row in rows]
    period_width = max(map(len, periods), default=0)
    for row, period in zip(rows, periods):
        print(f"{row['name']:<{name_width}}  {period:>{period_width}}  {row['dimensions']}D  {row['description']}")
    return 0
