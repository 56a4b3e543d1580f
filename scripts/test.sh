#!/usr/bin/env bash
# Builds the module with its native tests into the project's venv, then runs the native tests
# (ctest) and the Python test suite (pytest). Arguments go to pytest.
"$(dirname "$0")/test-deps.sh"
source "$(dirname "$0")/venv.sh"
install_pivolet -Ccmake.define.PIVOLET_BUILD_TESTS=ON
install_tools test-tools "${test_requirements[@]}"
cd "$repo_root"
stage "Running the native tests (ctest)"
ctest --test-dir build/module --output-on-failure
stage "Running the Python tests (pytest)"
python -m pytest "$@"
