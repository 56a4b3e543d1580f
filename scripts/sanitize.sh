#!/usr/bin/env bash
# Builds the module and its native tests with AddressSanitizer, UndefinedBehaviorSanitizer and
# libstdc++'s assertions into build/sanitize and an environment of their own, .venv-sanitize (the
# normal build/module and .venv are left alone), then runs the native tests and every Python test
# but the browser's against that build. Fails when a test fails or a sanitizer reports anything;
# the reports are printed at the end. Arguments go to pytest.
repo_root=$(cd "$(dirname "$0")/.." && pwd)
# The Debian tools the suite reads its output back with (the browser comes with them, unused here).
"$repo_root/scripts/test-deps.sh"
venv_dir="$repo_root/.venv-sanitize"
source "$repo_root/scripts/venv.sh"
build_dir=build/sanitize
install_pivolet -Cbuild-dir="$build_dir" -Ccmake.define.PIVOLET_SANITIZE=ON -Ccmake.define.PIVOLET_BUILD_TESTS=ON
install_tools test-tools "${test_requirements[@]}"
cd "$repo_root"

# Reports go to files, where neither ctest nor pytest can swallow them. Leaks are not looked for:
# the interpreter keeps much of what it allocates until it exits.
reports="$repo_root/$build_dir/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=0:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:log_path=$reports/ubsan"

status=0
stage "Running the native tests (ctest) built with the sanitizers"
ctest --test-dir "$build_dir" --output-on-failure || status=1

# The interpreter is not built with the sanitizers, so their runtime is preloaded ahead of it, with
# libstdc++ beside it so that the runtime finds the C++ exception functions it wraps. Python then
# allocates through malloc, so that the runtime checks its buffers too.
compiler=${CXX:-c++}
preload="$("$compiler" -print-file-name=libasan.so) $("$compiler" -print-file-name=libstdc++.so)"
stage "Running the Python tests (pytest, without the browser tests) against the sanitizer build"
LD_PRELOAD="$preload" PYTHONMALLOC=malloc python -m pytest -m "not browser" "$@" || status=1

if compgen -G "$reports/*" >/dev/null; then
    stage "Sanitizer reports"
    for report in "$reports"/*; do
        echo "--- $report"
        cat "$report"
    done
    status=1
fi
exit "$status"
