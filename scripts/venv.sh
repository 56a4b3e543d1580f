# Sourced by the other scripts: finds CPython 3.10 and creates (or reuses) the project's virtual
# environment in .venv, with the build tools the module needs, and activates it.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
venv_dir="$repo_root/.venv"

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
    echo "Creating $venv_dir with $python310"
    rm -rf "$venv_dir"
    "$python310" -m venv "$venv_dir"
    "$venv_dir/bin/python" -m pip install --quiet --upgrade pip
fi
# shellcheck disable=SC1091
source "$venv_dir/bin/activate"
# CMake and Ninja inside the venv serve both the module's build and ctest.
python -m pip install --quiet "cmake>=3.20" ninja

# Builds and installs the module (and the demo package) into the venv; extra arguments go to pip.
install_pivolet() {
    python -m pip install --quiet "$repo_root" "$@"
}
