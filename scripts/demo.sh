#!/usr/bin/env bash
# Builds the module into the project's venv and runs the demo; arguments go to the demo.
source "$(dirname "$0")/venv.sh"
install_pivolet
cd "$repo_root"
python -m pivolet_demo "$@"
