#!/usr/bin/env bash
# Installs from Debian whichever of the test suite's outside parts is missing:
# headless Chromium and its WebDriver, which the browser tests of the picture and the gallery drive;
# assimp's command-line importer, which reads exported glTF files back as a 3-D tool would; JACK's
# server (jackd2), whose dummy driver gives the MIDI clock tests real MIDI ports on machines without
# ALSA; the QLC+ fixture library, whose real moving heads the profile tests read; OLA's daemon, the
# Art-Net node that the Art-Net tests send to; and unshare, nsenter and ip, with which the Link and
# Art-Net tests make a network namespace of their own.
set -euo pipefail

missing=()
[ -x /usr/bin/chromium ] || missing+=(chromium)
[ -x /usr/bin/chromedriver ] || missing+=(chromium-driver)
[ -x /usr/bin/assimp ] || missing+=(assimp-utils)
[ -d /usr/share/qlcplus/fixtures ] || missing+=(qlcplus-data)
command -v olad >/dev/null 2>&1 || missing+=(ola)
{ [ -x /usr/bin/unshare ] && [ -x /usr/bin/nsenter ]; } || missing+=(util-linux)
command -v ip >/dev/null 2>&1 || missing+=(iproute2)
# jackd2 recommends a desktop control panel the tests do not need: it is installed without them.
bare=()
[ -x /usr/bin/jackd ] || bare+=(jackd2)
if [ ${#missing[@]} -eq 0 ] && [ ${#bare[@]} -eq 0 ]; then
    exit 0
fi
sudo_if_needed=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_if_needed=(sudo)
fi
echo "==> Installing ${missing[*]} ${bare[*]} from Debian (apt-get, as root) for the browser, export, MIDI, Link, profile and Art-Net tests"
export DEBIAN_FRONTEND=noninteractive
"${sudo_if_needed[@]}" apt-get update -qq
# OLA's package starts its daemon on installing, which would bind every interface and look for
# Art-Net nodes on the network: Debian's policy hook tells it not to, for the install only, where
# the machine has no policy of its own (the tests start their own daemon in a namespace).
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_if_needed[@]}" tee "$policy" >/dev/null
    "${sudo_if_needed[@]}" chmod +x "$policy"
    trap '"${sudo_if_needed[@]}" rm -f "$policy"' EXIT
fi
# Other work on the machine may hold the package lock for a while: wait for it rather than fail.
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo_if_needed[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi
if [ ${#bare[@]} -gt 0 ]; then
    "${sudo_if_needed[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${bare[@]}" >/dev/null
fi
