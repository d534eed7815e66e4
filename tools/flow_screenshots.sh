#!/usr/bin/env bash
# Makes the README's and the guide's pictures with the flow tests (the real program on Xvfb
# with openbox, driven by real input events) and copies them into docs/screenshots.
#   tools/flow_screenshots.sh [BUILD_FOLDER]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
(cd "$build" && ctest -R '^flow_(player|cutter|joiner|options|dark_scaled)$' --output-on-failure)
for picture in player cutter joiner options player-dark-1.5x cutter-dark-1.5x; do
  cp "$build/flows/$picture.png" "$here/docs/screenshots/$picture.png"
done
echo "pictures copied into $here/docs/screenshots"
