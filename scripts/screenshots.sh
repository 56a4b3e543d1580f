#!/usr/bin/env bash
# Builds the module and the gallery into demo-out/gallery, then takes the README's screenshots of it
# (docs/gallery.png and docs/viewer.png) and of the show console (docs/console.png) with headless
# Chromium, and redraws docs/demo.svg (fitted to its loop).
"$(dirname "$0")/test-deps.sh"
source "$(dirname "$0")/venv.sh"
install_pivolet
install_tools screenshot-tools selenium
cd "$repo_root"
stage "Building the gallery into demo-out/gallery"
python -m pivolet_show gallery --out demo-out/gallery
stage "Taking the screenshots"
python scripts/screenshots.py demo-out/gallery
stage "Drawing docs/demo.svg"
python -m pivolet_show draw --fit --out demo-out
cp demo-out/beat_house_classic_surge.svg docs/demo.svg
