#!/usr/bin/env bash
# Remakes docs/mainwindow.png: Movrel's main window listing a real archive,
# rendered without a display (Qt's offscreen platform, QWidget::grab).
#   scripts/screenshot.sh [ARCHIVE [OUTPUT.png [WIDTH HEIGHT]]]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
movrel_install_packages
movrel_build build

archive=${1:-../shared/testdata/zip/sharpcompress/Zip.implode.zip}
output=${2:-docs/mainwindow.png}
size=("${@:3:2}")

# Without a desktop session there is no icon theme: offer the installed
# Adwaita theme, seen through links that leave out its icon cache (a stale
# cache hides icons that are on disk).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -d /usr/share/icons/Adwaita ]; then
  mkdir -p "$work/icons/Adwaita"
  for entry in /usr/share/icons/Adwaita/*; do
    [ "$(basename "$entry")" = icon-theme.cache ] || ln -s "$entry" "$work/icons/Adwaita/"
  done
fi

mkdir -p "$(dirname "$output")"
XDG_DATA_DIRS="$work:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" QT_QPA_PLATFORM=offscreen \
  build/app/movrel-screenshot "$archive" "$output" "${size[@]}"
echo "wrote $output"
