"""Build-time figures: a clean configure and build of the module in a new temporary folder, then an
incremental rebuild after one binding source changes.

The sources are copied into the temporary folder first, so that touching a file never disturbs the
working tree or anyone else's build of it. The configure options are those that scikit-build-core
gives the project's CMakeLists for `pip install .`: Ninja, a Release build, the project's name and
version, and the running interpreter.
"""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Optional

from figures import Figure

SECTION = "build"
PROJECT_NAME = "pivolet"
PROJECT_VERSION = "0.1.0"
COPIED_PATHS = ("CMakeLists.txt", "cmake", "src")
TOUCHED_SOURCE = Path("src/module/bind_builtins.cpp")


def pybind11_cmake_dir() -> str:
    import pybind11

    return pybind11.get_cmake_dir()


def configure_command(source: Path, build: Path) -> list[str]:
    return [
        "cmake",
        "-S",
        str(source),
        "-B",
        str(build),
        "-G",
        "Ninja",
        "-DCMAKE_BUILD_TYPE=Release",
        f"-DSKBUILD_PROJECT_NAME={PROJECT_NAME}",
        f"-DSKBUILD_PROJECT_VERSION={PROJECT_VERSION}",
        f"-DPython_EXECUTABLE={sys.executable}",
        f"-Dpybind11_DIR={pybind11_cmake_dir()}",
    ]


def build_command(build: Path, jobs: Optional[int]) -> list[str]:
    command = ["cmake", "--build", str(build)]
    if jobs is not None:
        command += ["--parallel", str(jobs)]
    return command


def timed(command: list[str], log: Path) -> float:
    start = time.perf_counter()
    with open(log, "ab") as output:
        subprocess.run(command, stdout=output, stderr=subprocess.STDOUT, check=True)
    return time.perf_counter() - start


def copy_sources(repo_root: Path, destination: Path) -> None:
    for relative in COPIED_PATHS:
        origin = repo_root / relative
        if origin.is_dir():
            shutil.copytree(origin, destination / relative, ignore=shutil.ignore_patterns("__pycache__"))
        else:
            shutil.copy2(origin, destination / relative)


def run(repo_root: Path, out_dir: Path, jobs: Optional[int]) -> list[Figure]:
    log = out_dir / "build-times.log"
    log.unlink(missing_ok=True)
    jobs_note = f"{jobs} parallel jobs" if jobs is not None else "Ninja's default parallelism"
    with tempfile.TemporaryDirectory(prefix="pivolet-build-time-") as scratch:
        source = Path(scratch) / "source"
        build = Path(scratch) / "build"
        source.mkdir()
        copy_sources(repo_root, source)
        configure = timed(configure_command(source, build), log)
        clean = timed(build_command(build, jobs), log)
        touched = source / TOUCHED_SOURCE
        os.utime(touched)
        incremental = timed(build_command(build, jobs), log)
    return [
        Figure(SECTION, "clean configure", configure, "s", note="fresh temporary build folder"),
        Figure(SECTION, "clean build", clean, "s", note=f"catalogue generation included; {jobs_note}"),
        Figure(SECTION, "clean configure + build", configure + clean, "s"),
        Figure(SECTION, f"incremental build after touching {TOUCHED_SOURCE.name}", incremental, "s", note=jobs_note),
    ]
