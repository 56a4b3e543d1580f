#!/usr/bin/env bash
# Builds the module with its native tests into the project's venv, then runs the native tests
# (ctest) and the Python test suite (pytest). Arguments go to pytest.
"$(dirname "$0")/browser-deps.sh"
source "$(dirname "$0")/venv.sh"
install_pivolet -Ccmake.define.PIVOLET_BUILD_TESTS=ON
python -m pip install --quiet "pytest>=7" selenium mypy
cd "$repo_root"
ctest --test-dir build/module --output-on-failure
python -m pytest "$@"
