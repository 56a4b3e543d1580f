"""Prints one loop of a built-in pattern as a table of pips and positions."""

from __future__ import annotations

import argparse
import sys

import pivolet


def main(argv: "list[str] | None" = None) -> int:
    parser = argparse.ArgumentParser(prog="python -m pivolet_demo", description=__doc__)
    parser.add_argument("name", nargs="?", default="helix", help="a built-in pattern name (default: helix)")
    parser.add_argument("--step", type=int, default=8, help="pips between printed rows (default: 8)")
    args = parser.parse_args(argv)

    rows = {row["name"]: row for row in pivolet.catalogue()}
    row = rows.get(args.name)
    if row is None:
        parser.error(f"unknown built-in pattern {args.name!r}")
    print(f"{row['name']}: {row['description']}")
    print(f"period {row['period_pips']} pips ({row['period_pips'] / pivolet.PIPS_PER_BEAT:g} beats), "
          f"{row['dimensions']} dimension(s)")
    print(f"{'pip':>6} {'x':>10} {'y':>10} {'z':>10}")
    for p in range(0, row["period_pips"], max(1, args.step)):
        x, y, z = pivolet.sample(args.name, p).as_tuple()
        print(f"{p:>6} {x:>10.6f} {y:>10.6f} {z:>10.6f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
