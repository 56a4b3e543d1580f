"""Figures that need a fresh interpreter: import time and resident memory, the first listing, memory
after reading every catalogue sample, and the size of the built extension.

Each probe is a small program run with `python -c` in a new process; it prints integers on one line.
The probes of the modules compared are run in rotating order, so that noise spreads over all.
"""

from __future__ import annotations

import os
import statistics
import subprocess
import sys
from typing import Sequence

from figures import IMPORT_EXTRA_MIB_LIMIT, IMPORT_EXTRA_MS_LIMIT, Figure, Target

SECTION = "process"
MIB = 1 << 20
SAMPLE_BYTES = 3 * 8
COMPARED_IMPORTS = ("math", "json", "pivolet")
REFERENCE_IMPORT = "math"

# Everything the probe needs is imported before it measures, and it prints without json, which is
# one of the modules measured.
_MEASURE_HELPERS = """
import resource, time
PAGE = resource.getpagesize()
def resident():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE
def faults():
    return resource.getrusage(resource.RUSAGE_SELF).ru_minflt
"""

IMPORT_PROBE = _MEASURE_HELPERS + """
r0, f0, t0 = resident(), faults(), time.perf_counter_ns()
import {module}
t1, f1, r1 = time.perf_counter_ns(), faults(), resident()
print(t1 - t0, r1 - r0, f1 - f0, r1)
"""

LISTING_PROBE = _MEASURE_HELPERS + """
import pivolet
t0 = time.perf_counter_ns()
pivolet.catalogue()
t1 = time.perf_counter_ns()
pivolet.catalogue()
t2 = time.perf_counter_ns()
print(t1 - t0, t2 - t1)
"""

# The names and periods are read before the first resident figure, so that the loop itself only
# pages in the samples.
ALL_SAMPLES_PROBE = _MEASURE_HELPERS + """
import pivolet
rows = [(row["name"], row["period_pips"]) for row in pivolet.catalogue()[15:]]
sample = pivolet.sample
r0 = resident()
for name, period in rows:
    for pip in range(period):
        sample(name, pip)
r1 = resident()
print(r0, r1)
"""


def probe_environment(module) -> dict[str, str]:
    """The environment of the probes: the benchmark's own, with the module's folder importable."""
    environment = dict(os.environ)
    folder = os.path.dirname(os.path.abspath(module.__file__))
    existing = environment.get("PYTHONPATH")
    environment["PYTHONPATH"] = folder if not existing else folder + os.pathsep + existing
    return environment


def run_probe(source: str, environment: dict[str, str]) -> list[int]:
    completed = subprocess.run(
        [sys.executable, "-c", source], env=environment, capture_output=True, text=True, check=True
    )
    return [int(word) for word in completed.stdout.split()]


def rotated(items: Sequence[str], shift: int) -> list[str]:
    shift %= len(items)
    return list(items[shift:]) + list(items[:shift])


def import_figures(environment: dict[str, str], runs: int) -> list[Figure]:
    results: dict[str, list[list[int]]] = {name: [] for name in COMPARED_IMPORTS}
    for run_index in range(runs):
        for name in rotated(COMPARED_IMPORTS, run_index):
            results[name].append(run_probe(IMPORT_PROBE.format(module=name), environment))

    def median_of(name: str, column: int) -> float:
        return statistics.median(row[column] for row in results[name])

    def median_extra(name: str, column: int) -> float:
        pairs = zip(results[name], results[REFERENCE_IMPORT])
        return statistics.median(row[column] - reference[column] for row, reference in pairs)

    figures = []
    for name in COMPARED_IMPORTS:
        figures.append(
            Figure(
                SECTION,
                f"import {name}",
                median_of(name, 0) * 1e-6,
                "ms",
                note=(
                    f"resident +{median_of(name, 1) / MIB:.2f} MiB, {median_of(name, 2):.0f} page faults, "
                    f"{median_of(name, 3) / MIB:.1f} MiB resident after"
                ),
                extra={"resident_growth_bytes": median_of(name, 1), "minor_faults": median_of(name, 2)},
            )
        )
    figures.append(
        Figure(
            SECTION,
            "import pivolet, time beyond import math",
            median_extra("pivolet", 0) * 1e-6,
            "ms",
            reference_label="import math, same process kind",
            target=Target(IMPORT_EXTRA_MS_LIMIT),
            note=f"median of {runs} paired fresh interpreters",
        )
    )
    figures.append(
        Figure(
            SECTION,
            "import pivolet, resident memory beyond import math",
            median_extra("pivolet", 1) / MIB,
            "MiB",
            reference_label="import math, same process kind",
            target=Target(IMPORT_EXTRA_MIB_LIMIT),
            note=f"{median_extra('pivolet', 2):.0f} more page faults than import math",
        )
    )
    return figures


def listing_figures(environment: dict[str, str], runs: int) -> list[Figure]:
    results = [run_probe(LISTING_PROBE, environment) for _ in range(runs)]
    first = statistics.median(row[0] for row in results) * 1e-6
    second = statistics.median(row[1] for row in results) * 1e-6
    return [
        Figure(
            SECTION,
            "first catalogue() call in a fresh process",
            first,
            "ms",
            note=f"the listing is built on first use; the second call takes {second:.3f} ms",
        )
    ]


def sample_memory_figures(module, environment: dict[str, str], runs: int) -> list[Figure]:
    results = [run_probe(ALL_SAMPLES_PROBE, environment) for _ in range(runs)]
    before = statistics.median(row[0] for row in results)
    after = statistics.median(row[1] for row in results)
    store_bytes = SAMPLE_BYTES * sum(row["period_pips"] for row in module.catalogue()[15:])
    return [
        Figure(
            SECTION,
            "resident memory after reading every catalogue sample once",
            after / MIB,
            "MiB",
            note=f"+{(after - before) / MIB:.1f} MiB over the same process before; the sample store is {store_bytes / MIB:.1f} MiB",
            extra={"resident_before_bytes": before, "resident_after_bytes": after, "sample_store_bytes": store_bytes},
        )
    ]


def extension_size_figures(module) -> list[Figure]:
    size = os.path.getsize(module.__file__)
    return [Figure(SECTION, "size of the built extension", size / MIB, "MiB", note=os.path.basename(module.__file__))]


def run(module, import_runs: int, other_runs: int) -> list[Figure]:
    environment = probe_environment(module)
    return (
        import_figures(environment, import_runs)
        + listing_figures(environment, other_runs)
        + sample_memory_figures(module, environment, other_runs)
        + extension_size_figures(module)
    )
