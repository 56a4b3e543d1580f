# Sourced by the other scripts: finds CPython 3.10, creates (or reuses) the project's virtual
# environment in .venv with the tools the module's build needs, activates it, and offers
# install_pivolet and install_tools. A script that keeps a build of its own in another environment
# sets venv_dir before sourcing this file.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
venv_dir="${venv_dir:-$repo_root/.venv}"

# What the module's build needs, installed into the venv once so that every build sees the same
# tool paths and the persistent build folder stays valid from one install to the next.
build_requirements=("scikit-build-core>=0.10" "pybind11>=3,<4" "cmake>=3.20" "ninja")
# What the test suite needs beyond the module and the Python standard library.
test_requirements=("pytest>=7" selenium mypy hypothesis "stupidArtnet>=1.6,<1.7")

# One line when a stage starts, so that no long stretch passes in silence.
stage() {
    echo "==> $*"
}

find_python310() {
    if [ -n "${PIVOLET_PYTHON:-}" ]; then
        echo "$PIVOLET_PYTHON"
        return 0
    fi
    local root candidate found=""
    if command -v pyenv >/dev/null 2>&1; then
        root=$(pyenv root)
        for candidate in "$root"/versions/3.10.*/bin/python3.10; do
            [ -x "$candidate" ] && found="$candidate"
        done
    fi
    if [ -z "$found" ]; then
        for candidate in /usr/bin/python3.10 /usr/local/bin/python3.10; do
            [ -x "$candidate" ] && found="$candidate"
        done
    fi
    if [ -z "$found" ]; then
        echo "error: CPython 3.10 not found (install it with pyenv, or set PIVOLET_PYTHON)" >&2
        return 1
    fi
    echo "$found"
}

if [ ! -x "$venv_dir/bin/python" ] || ! "$venv_dir/bin/python" -c 'import sys; sys.exit(sys.version_info[:2] != (3, 10))'; then
    python310=$(find_python310)
    stage "Creating the virtual environment $venv_dir with $python310"
    rm -rf "$venv_dir"
    "$python310" -m venv "$venv_dir"
    "$venv_dir/bin/python" -m pip install --quiet --upgrade pip
fi
# shellcheck disable=SC1091
source "$venv_dir/bin/activate"

# Installs Python packages into the venv unless the same list was installed before; the list is
# remembered under a name of its own, so a second run with nothing new asks pip nothing.
install_tools() {
    local name=$1
    shift
    local stamp="$venv_dir/.installed-$name"
    local wanted
    wanted=$(printf '%s\n' "$@")
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
        return 0
    fi
    stage "Installing $name: $*"
    python -m pip install --quiet "$@"
    printf '%s\n' "$wanted" >"$stamp"
}

install_tools build-tools "${build_requirements[@]}"

# Builds and installs the module (and the show package) into the venv; extra arguments go to pip.
# Without build isolation the build folder build/module keeps the generated catalogue and every
# object, so only what changed is rebuilt.
install_pivolet() {
    stage "Building the module and the catalogue into $venv_dir (the first build takes a few minutes)"
    python -m pip install --quiet --no-build-isolation "$repo_root" "$@"
}
