"""What building the gallery site costs: its build time beside a floor that every build pays, and
its size on disk.

The floor samples every built-in from the module and writes its data script, which any gallery
must do; the ratio of the whole build to the floor is what the drawings add, and it holds from one
machine to another far better than seconds do. Times are the process's processor time, so that
waiting for a shared processor does not count. Rounds alternate between the build and the floor,
and the medians are printed beside the figures taken before the time lanes and motion figures were
added, with the target of growing by no more than a quarter.

    python bench/gallery_site.py [--rounds N]
"""

from __future__ import annotations

import argparse
import os
import statistics
import tempfile
import time
from pathlib import Path

# Taken on the site without time lanes or motion figures: the median ratio of two runs of nine
# rounds on a shared two-core machine (1.29 and 1.26), and the bytes of its files.
BEFORE_RATIO = 1.27
BEFORE_BYTES = 33_217_331
GROWTH_LIMIT = 1.25


def build_seconds(out: Path) -> float:
    from pivolet_show.gallery import build_site

    start = time.process_time()
    build_site(out)
    return time.process_time() - start


def floor_seconds(out: Path) -> float:
    from pivolet_show.gallery import pattern_data
    from pivolet_show.patterns import builtin_rows, sample_loop

    start = time.process_time()
    out.mkdir(parents=True, exist_ok=True)
    for row in builtin_rows():
        loop = sample_loop(row)
        (out / pattern_data.file_name(loop.name)).write_text(pattern_data.script(loop), encoding="ascii")
    return time.process_time() - start


def site_bytes(site: Path) -> tuple[int, int, int]:
    """Bytes of all files, bytes of the blocks they take on disk, and bytes of the index page."""
    content = blocks = 0
    for path in site.rglob("*"):
        if path.is_file():
            status = path.stat()
            content += status.st_size
            blocks += status.st_blocks * 512
    return content, blocks, (site / "index.html").stat().st_size


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7, help="rounds of the build and of the floor")
    arguments = parser.parse_args()

    builds, floors, ratios = [], [], []
    with tempfile.TemporaryDirectory(prefix="pivolet-gallery-bench-") as scratch:
        for round_index in range(arguments.rounds):
            site, floor = Path(scratch) / f"site-{round_index}", Path(scratch) / f"floor-{round_index}"
            build, base = build_seconds(site), floor_seconds(floor)
            builds.append(build)
            floors.append(base)
            ratios.append(build / base)
        content, blocks, index = site_bytes(site)

    ratio = statistics.median(ratios)
    print(f"processors: {os.cpu_count()}, rounds: {arguments.rounds}")
    print(f"build          {statistics.median(builds):7.2f} s   (median)")
    print(f"floor          {statistics.median(floors):7.2f} s   (sampling every built-in and writing its data)")
    print(f"build / floor  {ratio:7.2f}     before {BEFORE_RATIO:.2f}, now {ratio / BEFORE_RATIO:.2f} times that"
          f"   target <= {GROWTH_LIMIT:.2f}")
    print(f"site           {content / 1e6:7.1f} MB  before {BEFORE_BYTES / 1e6:.1f} MB, now {content / BEFORE_BYTES:.2f} times that"
          f"   target <= {GROWTH_LIMIT:.2f}")
    print(f"on disk        {blocks / 1e6:7.1f} MB  (whole blocks)")
    print(f"index.html     {index / 1e6:7.1f} MB")


if __name__ == "__main__":
    main()
