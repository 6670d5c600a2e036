#!/usr/bin/env bash
# Installs what is needed, builds, generates the sample working folder (when
# the generator changed) and starts the viewer in it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release
cd build/sample
exec ../orvalo-view "$@"
