#!/usr/bin/env bash
# Installs headless Chromium and its WebDriver from Debian when either is missing; the browser tests
# of the demo and the gallery drive them.
set -euo pipefail

if [ -x /usr/bin/chromium ] && [ -x /usr/bin/chromedriver ]; then
    exit 0
fi
exec "$(dirname "$0")/apt-install.sh" "for the browser tests" chromium chromium-driver
