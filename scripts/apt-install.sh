#!/usr/bin/env bash
# Installs Debian packages with apt-get, as root or through sudo: apt-install.sh WHY PACKAGE...
set -euo pipefail

why=$1
shift
sudo_if_needed=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_if_needed=(sudo)
fi
echo "==> Installing $* from Debian (apt-get, as root) $why"
export DEBIAN_FRONTEND=noninteractive
"${sudo_if_needed[@]}" apt-get update -qq
"${sudo_if_needed[@]}" apt-get install -y -qq "$@" >/dev/null
