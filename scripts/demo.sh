#!/usr/bin/env bash
# Builds the module into the project's venv and runs `python -m pivolet_show draw`, which draws one loop
# of a pattern as SVG and plays it as WAV; arguments go to draw.
source "$(dirname "$0")/venv.sh"
install_pivolet
cd "$repo_root"
python -m pivolet_show draw "$@"
