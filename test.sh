#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# then the engine and CLI again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
movrel_install_packages

export QT_QPA_PLATFORM=offscreen
movrel_build build
movrel_build build-asan -DMOVREL_SANITIZE=ON -DMOVREL_ENGINE_ONLY=ON -DMOVREL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug

status=0
echo "== tests (build) =="
ctest --test-dir build --output-on-failure -j "$(nproc)" || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan) =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" || status=1
exit $status
