#!/usr/bin/env bash
# Installs headless Chromium and its WebDriver from Debian when either is missing; the browser tests
# of the demo and the gallery drive them.
set -euo pipefail

if [ -x /usr/bin/chromium ] && [ -x /usr/bin/chromedriver ]; then
    exit 0
fi
sudo_if_needed=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_if_needed=(sudo)
fi
echo "==> Installing Chromium and ChromeDriver from Debian (apt-get, as root) for the browser tests"
export DEBIAN_FRONTEND=noninteractive
"${sudo_if_needed[@]}" apt-get update -qq
"${sudo_if_needed[@]}" apt-get install -y -qq chromium chromium-driver >/dev/null
