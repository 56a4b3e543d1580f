"""What building the gallery site costs: its build time and its size, beside another version's.

Each round builds the whole site in a fresh interpreter, once with the installed show package and
once with the reference (`--against DIR`, the `python` folder of another checkout), in alternating
order; a build's time is the processor time of its interpreter, so waiting for a shared processor
does not count. The ratios are medians of the rounds' ratios, held to the target of growing by no
more than a quarter.

    git archive main python | tar -x -C /tmp/reference
    python bench/gallery_site.py --against /tmp/reference/python [--rounds N]

Without --against, only the installed package's figures are printed.
"""

from __future__ import annotations

import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path
from typing import Optional

GROWTH_LIMIT = 1.25
BUILD = "import sys; from pathlib import Path; from pivolet_show.gallery import build_site; build_site(Path(sys.argv[1]))"


def build_seconds(out: Path, package: Optional[Path]) -> float:
    """Processor seconds of a fresh interpreter that builds the site into out."""
    environment = dict(os.environ)
    if package is not None:
        environment["PYTHONPATH"] = os.pathsep.join(filter(None, [str(package), environment.get("PYTHONPATH")]))
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([sys.executable, "-c", BUILD, str(out)], env=environment, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def site_bytes(site: Path) -> tuple[int, int, int]:
    """Bytes of all files, bytes of the blocks they take on disk, and bytes of the index page."""
    content = blocks = 0
    for path in site.rglob("*"):
        if path.is_file():
            status = path.stat()
            content += status.st_size
            blocks += status.st_blocks * 512
    return content, blocks, (site / "index.html").stat().st_size


def _sizes(label: str, sizes: tuple[int, int, int]) -> str:
    content, blocks, index = sizes
    return f"{label:10s} site {content / 1e6:6.1f} MB, on disk {blocks / 1e6:6.1f} MB, index.html {index / 1e6:5.1f} MB"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7, help="rounds of builds")
    parser.add_argument("--against", type=Path, help="folder holding the reference pivolet_show package")
    arguments = parser.parse_args()
    reference = arguments.against.resolve() if arguments.against else None
    versions: dict[str, Optional[Path]] = {"installed": None}
    if reference is not None:
        versions["reference"] = reference

    seconds: dict[str, list[float]] = {label: [] for label in versions}
    with tempfile.TemporaryDirectory(prefix="pivolet-gallery-bench-") as scratch:
        for round_index in range(arguments.rounds):
            order = list(versions.items())
            if round_index % 2:
                order.reverse()
            for label, package in order:
                seconds[label].append(build_seconds(Path(scratch) / f"{label}-{round_index}", package))
        sizes = {label: site_bytes(Path(scratch) / f"{label}-0") for label in versions}

    print(f"processors: {os.cpu_count()}, rounds: {arguments.rounds}, reference: {reference or 'none'}")
    for label in versions:
        print(f"{label:10s} build {statistics.median(seconds[label]):6.2f} s (median processor time)")
    for label in versions:
        print(_sizes(label, sizes[label]))
    if reference is not None:
        time_ratio = statistics.median(a / b for a, b in zip(seconds["installed"], seconds["reference"]))
        size_ratio = sizes["installed"][0] / sizes["reference"][0]
        print(f"build time: {time_ratio:.2f} times the reference's   target <= {GROWTH_LIMIT:.2f}")
        print(f"site size:  {size_ratio:.2f} times the reference's   target <= {GROWTH_LIMIT:.2f}")


if __name__ == "__main__":
    main()
