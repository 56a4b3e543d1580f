#!/usr/bin/env bash
# Installs from Debian the 3-D file importer (assimp's command-line tool) that the export tests read
# glTF files back with, as a 3-D tool would, when it is missing.
set -euo pipefail

if [ -x /usr/bin/assimp ]; then
    exit 0
fi
exec "$(dirname "$0")/apt-install.sh" "for the export tests" assimp-utils
