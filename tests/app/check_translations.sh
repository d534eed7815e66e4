#!/bin/bash
# The translators' file holds every text of the windows as the sources have them: lupdate
# run over the sources now gives the file as it is kept, and the texts of each window are in it.
set -euo pipefail
lupdate="$1" sources="$2" kept="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$lupdate" -silent -no-obsolete -locations none "$sources/src" -ts "$scratch/now.ts"
# The texts of each context, in any order (lupdate orders them by the files it reads).
texts() { awk '/<name>/ { gsub(/ *<\/?name>/, ""); context = $0 } /<source>/ { print context "\t" $0 }' "$1" | sort; }
if ! diff -u <(texts "$kept") <(texts "$scratch/now.ts") > "$scratch/diff"; then
  head -40 "$scratch/diff"
  echo "translations/zelvo-mp3.ts is not up to date: cmake --build build --target update_translations"
  exit 1
fi
status=0
for text in "Snap to MP3 frames" "Fade in enabled" "Keep the source&apos;s encoding (no re-encoding)" \
            "Find points" "Move &quot;%1&quot; to the Trash?" "Add all audio files in the folder" \
            "Every year: %1 %2" "Frequency:" "Path Select" "Recent files" "&amp;Yes" "Done (copied)"; do
  grep -qF "<source>$text</source>" "$kept" || { echo "missing: $text"; status=1; }
done
exit $status
