#!/usr/bin/env bash
# Installs from Debian, in one apt-get run, whichever of the test suite's outside readers is missing:
# headless Chromium and its WebDriver, which the browser tests of the picture and the gallery drive,
# and assimp's command-line importer, which reads exported glTF files back as a 3-D tool would.
set -euo pipefail

missing=()
[ -x /usr/bin/chromium ] || missing+=(chromium)
[ -x /usr/bin/chromedriver ] || missing+=(chromium-driver)
[ -x /usr/bin/assimp ] || missing+=(assimp-utils)
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
sudo_if_needed=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_if_needed=(sudo)
fi
echo "==> Installing ${missing[*]} from Debian (apt-get, as root) for the browser and export tests"
export DEBIAN_FRONTEND=noninteractive
"${sudo_if_needed[@]}" apt-get update -qq
"${sudo_if_needed[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
