#!/usr/bin/env bash
# Installs what is missing, builds, and starts Movrel, optionally on ARCHIVE.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
movrel_install_packages
movrel_build build
if [ -x build/app/movrel ]; then
  exec build/app/movrel "$@"
fi
# Until the window is built, list the archive.
if [ $# -gt 0 ]; then
  exec build/cli/movrel-cli list "$*"
fi
echo "usage: ./run.sh ARCHIVE"
