#!/usr/bin/env bash
# Compares `movrel-cli add` with Info-ZIP zip, 7-Zip and bsdtar on the
# corpora silesia and srctree: wall time (best of RUNS) and archive size at
# each level, side by side. Every archive is tested with `unzip -t` before
# its time counts.
#
#   bench/compare_add.sh [BUILD_DIR]     (default: build)
#   RUNS=3 CORPUS=/tmp/corpus OUT=/tmp/movrel-compare-add bench/compare_add.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cli=${MOVREL_CLI:-$here/$build/cli/movrel-cli}
runs=${RUNS:-3}
corpus=${CORPUS:-/tmp/corpus}
out=${OUT:-/tmp/movrel-compare-add}

[ -x "$cli" ] || { echo "no movrel-cli at $cli (build first, or set MOVREL_CLI)" >&2; exit 1; }
if [ ! -d "$corpus/silesia" ] || [ ! -d "$corpus/srctree" ]; then
  "$here/../shared/corpus/prepare.sh" "$corpus"
fi
seven=$(command -v 7z || command -v 7zz || true)
mkdir -p "$out"

# best wall time of $runs runs of "$@" (which writes $archive), in seconds
best_time() {
  local best="" t
  for _ in $(seq "$runs"); do
    rm -f "$archive"
    /usr/bin/time -f "%e" -o "$out/.time" "$@" >/dev/null 2>&1 || true
    t=$(tail -1 "$out/.time")
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

row() {  # corpus tool level command...
  local name=$1 tool=$2 level=$3; shift 3
  archive="$out/$name-$tool-$level.zip"
  local t
  t=$(cd "$corpus" && best_time "$@")
  if [ ! -f "$archive" ] || ! unzip -tqq "$archive" >/dev/null 2>&1; then
    printf "| %s | %s | %s | failed | - |\n" "$name" "$tool" "$level"
    return
  fi
  printf "| %s | %s | %s | %s | %s |\n" "$name" "$tool" "$level" "$t" "$(stat -c %s "$archive")"
}

echo "Runs: best of $runs; $(nproc) cores; $(date -u +%Y-%m-%d)"
echo
echo "| corpus | program | level | time (s) | size (bytes) |"
echo "|---|---|---|---|---|"
for name in silesia srctree; do
  for level in 1 6 9; do
    row "$name" movrel "$level" sh -c "\"$cli\" add -q -r -$level \"\$0\" $name" "$out/$name-movrel-$level.zip"
    row "$name" zip "$level" sh -c "zip -q -r -$level \"\$0\" $name" "$out/$name-zip-$level.zip"
  done
  if [ -n "$seven" ]; then
    for level in 1 5 9; do
      row "$name" 7z "$level" sh -c "\"$seven\" a -tzip -mx=$level \"\$0\" $name" "$out/$name-7z-$level.zip"
    done
  fi
  row "$name" bsdtar default sh -c "bsdtar -a -cf \"\$0\" $name" "$out/$name-bsdtar-default.zip"
  for level in 1 9; do
    row "$name" bsdtar "$level" sh -c "bsdtar --options zip:compression-level=$level -a -cf \"\$0\" $name" \
      "$out/$name-bsdtar-$level.zip"
  done
done
