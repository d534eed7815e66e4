#!/bin/bash
# Writes the screenshots of docs/screenshots: each window in a light palette, the main
# window and the cutter in a dark one, and the cutter at 1.5 times the size zoomed in on
# its waveform; every run under its own Xvfb server.
#   tools/make_screenshots.sh [BUILD_FOLDER]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
out="$here/docs/screenshots"
mkdir -p "$out"
shoot() { xvfb-run -a -s "-screen 0 1600x1200x24" env QT_QPA_PLATFORM=xcb "$@"; }
shoot "$build/tools/screenshots" "$out" light
shoot "$build/tools/screenshots" "$out" dark
mkdir -p "$out/scaled"
shoot env QT_SCALE_FACTOR=1.5 "$build/tools/screenshots" "$out/scaled" light
mv "$out/scaled/cutter-zoomed.png" "$out/cutter-1.5x-zoomed.png"
rm -rf "$out/scaled"
ls -l "$out"
