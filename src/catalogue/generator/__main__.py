"""Command line of the catalogue generator: generate every family, check the result, write the products.

    python3 -m generator --out DIR [--jobs N]
    python3 -m generator --only FAMILY[,FAMILY] [--jobs N]

`--only` generates and checks the named families without writing anything, for work on a family.
"""

from __future__ import annotations

import argparse
import sys
import time
from pathlib import Path
from typing import List, Optional

from .assemble import GenerationError, chosen_entries, generate_blocks, selected_families
from .checks import CatalogueCheckError, check_catalogue
from .writers import OutputError, products, write_products

DEFAULT_JOBS = 2
PROGRAM = "generator"
OUT_REQUIRED = "--out DIR is required unless --only names the families to check"
TOO_FEW_JOBS = "--jobs must be at least 1"
FAILED = "{program}: error: {message}"
CHECKED = "{program}: checked {entries} entries ({samples} samples) of {families} families in {seconds:.1f} s"
WROTE = "{program}: wrote {entries} entries ({samples} samples) into {directory} in {seconds:.1f} s"


def parse_arguments(argv: Optional[List[str]]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(prog=f"python3 -m {PROGRAM}", description="Generates the built-in catalogue.")
    parser.add_argument("--out", type=Path, help="directory that receives the generated table, index and samples")
    parser.add_argument("--jobs", type=int, default=DEFAULT_JOBS, help="worker processes (default %(default)s)")
    parser.add_argument("--only", type=lambda text: [word for word in text.split(",") if word],
                        help="comma-separated families to generate and check without writing")
    arguments = parser.parse_args(argv)
    if arguments.out is None and not arguments.only:
        parser.error(OUT_REQUIRED)
    if arguments.jobs < 1:
        parser.error(TOO_FEW_JOBS)
    return arguments


def run(arguments: argparse.Namespace) -> str:
    """Generates, checks and (for a full run) writes; returns the summary line."""
    started = time.perf_counter()
    partial = bool(arguments.only)
    families = selected_families(arguments.only)
    entries = chosen_entries(families)
    blocks = generate_blocks(families, arguments.jobs)
    check_catalogue(entries, blocks, whole_store=not partial)
    sample_count = sum(entry.period_pips for entry in entries)
    if partial:
        return CHECKED.format(program=PROGRAM, entries=len(entries), samples=sample_count, families=len(families),
                              seconds=time.perf_counter() - started)
    write_products(arguments.out, products(entries, blocks))
    return WROTE.format(program=PROGRAM, entries=len(entries), samples=sample_count, directory=arguments.out,
                        seconds=time.perf_counter() - started)


def main(argv: Optional[List[str]] = None) -> int:
    arguments = parse_arguments(argv)
    try:
        print(run(arguments))
    except (GenerationError, CatalogueCheckError, OutputError) as error:
        print(FAILED.format(program=PROGRAM, message=error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
