#!/usr/bin/env bash
# Builds the module into the project's venv, builds the benchmark's floor module (bench/floor) into
# bench/out/floor-build, and runs the benchmark suite, which prints one table and writes the same
# figures to bench/out/results.json. Arguments go to the suite: --skip-build-times leaves out the
# clean and incremental build times, --quick takes few rounds, --help lists the rest.
source "$(dirname "$0")/venv.sh"
install_pivolet
# The floor is built with the same pybind11 series as the module, from the venv.
python -m pip install --quiet "pybind11>=3,<4"
cd "$repo_root"
floor_build=bench/out/floor-build
cmake -S bench/floor -B "$floor_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPython_EXECUTABLE="$(command -v python)" -Dpybind11_DIR="$(python -m pybind11 --cmakedir)" >/dev/null
cmake --build "$floor_build" >/dev/null
python bench/suite.py "$@"
