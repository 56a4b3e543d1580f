"""The benchmark suite: what each call and operation of pivolet costs, beside the floor it cannot beat.

Run through ./scripts/bench.sh, which installs the module and builds the floor first. Prints one
table and writes the same figures to bench/out/results.json.
"""

from __future__ import annotations

import argparse
import datetime
import os
import platform
import sys
from pathlib import Path

BENCH_DIR = Path(__file__).resolve().parent
REPO_ROOT = BENCH_DIR.parent
OUT_DIR = BENCH_DIR / "out"
FLOOR_BUILD_DIR = OUT_DIR / "floor-build"
RESULTS_PATH = OUT_DIR / "results.json"

SECTIONS = ("per-call", "whole", "process", "build")
FLOOR_MISSING = f"the floor module is not built in {FLOOR_BUILD_DIR}: run ./scripts/bench.sh, which builds it"

import report  # noqa: E402


def import_floor():
    sys.path.insert(0, str(FLOOR_BUILD_DIR))
    try:
        import bench_floor
    except ImportError as error:
        raise SystemExit(FLOOR_MISSING) from error
    finally:
        sys.path.pop(0)
    return bench_floor


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=21, help="rounds of every per-call and light comparison")
    parser.add_argument("--heavy-repeats", type=int, default=7, help="rounds of the large constructions")
    parser.add_argument("--import-runs", type=int, default=21, help="fresh interpreters per imported module")
    parser.add_argument("--probe-runs", type=int, default=5, help="fresh interpreters of the other probes")
    parser.add_argument("--quick", action="store_true", help="few rounds: a rough table for development")
    parser.add_argument("--skip-build-times", action="store_true", help="leave out the clean and incremental builds")
    parser.add_argument("--build-jobs", type=int, default=None, help="parallel jobs of the timed builds")
    parser.add_argument(
        "--sections", nargs="+", choices=SECTIONS, default=list(SECTIONS), help="which groups of figures to take"
    )
    parser.add_argument("--out", type=Path, default=RESULTS_PATH, help="where to write the JSON")
    arguments = parser.parse_args(argv)
    if arguments.skip_build_times and "build" in arguments.sections:
        arguments.sections.remove("build")
    if arguments.quick:
        arguments.repeats, arguments.heavy_repeats = 5, 3
        arguments.import_runs, arguments.probe_runs = 5, 2
    return arguments


def processor_model() -> str:
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor()


def load_averages() -> list[float]:
    return list(os.getloadavg())


def context(arguments, module, floor) -> dict:
    import pybind11

    return {
        "started": datetime.datetime.now().isoformat(timespec="seconds"),
        "python": sys.version,
        "machine": platform.machine(),
        "processor": processor_model(),
        "cpu_count": os.cpu_count(),
        "module": module.__file__,
        "floor": floor.__file__,
        "floor_pybind11": pybind11.__version__,
        "repeats": arguments.repeats,
        "heavy_repeats": arguments.heavy_repeats,
        "import_runs": arguments.import_runs,
        "probe_runs": arguments.probe_runs,
        "load_average_at_start": load_averages(),
    }


def progress(message: str) -> None:
    print(message, file=sys.stderr, flush=True)


def main(argv=None) -> int:
    arguments = parse_arguments(argv)
    # Imported once the arguments are read, so that --help works before the module is built.
    import build_times
    import inputs
    import per_call
    import pivolet
    import process_probes
    import whole_operations

    floor = import_floor()
    run_context = context(arguments, pivolet, floor)

    sections = set(arguments.sections)
    figures = []
    if sections & {"per-call", "whole"}:
        progress("building the inputs")
        pattern_inputs = inputs.user_pattern_inputs()
    if "per-call" in sections:
        progress("per-call figures")
        library = whole_operations.build_library(pivolet, pattern_inputs)
        figures += per_call.run(pivolet, floor, library, arguments.repeats, progress)
        del library
    if "whole" in sections:
        progress("whole-operation figures")
        figures += whole_operations.run(pivolet, pattern_inputs, arguments.repeats, arguments.heavy_repeats, progress)
    if "process" in sections:
        progress("fresh-process figures")
        figures += process_probes.run(pivolet, arguments.import_runs, arguments.probe_runs)
    if "build" in sections:
        progress("build times (a clean build takes a while; --skip-build-times leaves them out)")
        figures += build_times.run(REPO_ROOT, OUT_DIR, arguments.build_jobs)

    run_context["load_average_at_end"] = load_averages()
    report.write_json(arguments.out, figures, run_context)
    print(report.render_table(figures))
    print()
    print(report.summary(figures))
    print(f"load average at start {run_context['load_average_at_start']}, at end {run_context['load_average_at_end']}")
    print(f"written to {arguments.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
