#!/usr/bin/env bash
# Builds the .deb in the build folder, unpacks it into a clean folder and checks that it
# holds the two programs, the desktop entry, its icon, the user guide, the licences, the
# manual pages and the changelog; the binaries are stripped and hardened, and lintian
# reports no errors or warnings.
set -euo pipefail
build="$1"
cd "$build"
cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
deb="$(ls -t zelvo-mp3_*.deb | head -n 1)"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for file in usr/bin/zelvo-mp3 usr/bin/zelvo-mp3-batch usr/share/applications/zelvo-mp3.desktop \
            usr/share/icons/hicolor/scalable/apps/zelvo-mp3.svg usr/share/zelvo-mp3/ZMP3CJHelp.html \
            usr/share/doc/zelvo-mp3/LICENSES.txt usr/share/metainfo/zelvo-mp3.metainfo.xml \
            usr/share/doc/zelvo-mp3/copyright usr/share/doc/zelvo-mp3/changelog.gz \
            usr/share/man/man1/zelvo-mp3.1.gz usr/share/man/man1/zelvo-mp3-batch.1.gz; do
  [ -e "$root/$file" ] || { echo "missing from $deb: $file"; exit 1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libavcodec libmp3lame0 libsdl2; do
  echo "$depends" | grep -q "$library" || { echo "$deb does not depend on $library: $depends"; exit 1; }
done
"$root/usr/bin/zelvo-mp3-batch" --help > /dev/null
desktop-file-validate "$root/usr/share/applications/zelvo-mp3.desktop"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/zelvo-mp3.metainfo.xml"
for page in zelvo-mp3 zelvo-mp3-batch; do
  text="$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1)"
  for word in NAME SYNOPSIS --help --version; do
    echo "$text" | grep -q -- "$word" || { echo "the manual page of $page lacks $word:"; echo "$text"; exit 1; }
  done
done
grep -q -- "--every" <<< "$(zcat "$root/usr/share/man/man1/zelvo-mp3-batch.1.gz")" ||
  { echo "the manual page of zelvo-mp3-batch lacks the cut subcommand's options"; exit 1; }
changelog="$(zcat "$root/usr/share/doc/zelvo-mp3/changelog.gz")"
grep -q "^zelvo-mp3 ($(dpkg-deb -f "$deb" Version))" <<< "${changelog%%$'\n'*}" ||
  { echo "the changelog does not start with this version"; exit 1; }
grep -q "TagLib" "$root/usr/share/doc/zelvo-mp3/LICENSES.txt"
grep -q "GPL-3.0-or-later" "$root/usr/share/doc/zelvo-mp3/copyright"
for program in zelvo-mp3 zelvo-mp3-batch; do
  binary="$root/usr/bin/$program"
  # (whole outputs are read first: grep -q would stop its writer under pipefail)
  sections="$(readelf -S -W "$binary")"
  dynamic="$(readelf -d -l -W "$binary")"
  symbols="$(nm -D "$binary")"
  ! grep -q "\.debug_" <<< "$sections" || { echo "$program is not stripped"; exit 1; }
  grep -q "BIND_NOW" <<< "$dynamic" || { echo "$program is linked without -z now"; exit 1; }
  grep -q "GNU_RELRO" <<< "$dynamic" || { echo "$program is linked without -z relro"; exit 1; }
  grep -q "__stack_chk_fail" <<< "$symbols" || { echo "$program lacks the stack protector"; exit 1; }
  grep -q "_chk@" <<< "$symbols" || { echo "$program has no fortified calls"; exit 1; }
done
if command -v lintian > /dev/null; then
  lintian --fail-on error,warning --tag-display-limit 0 "$deb"
else
  echo "lintian is not installed: not checked"
fi
echo "$deb holds the programs, the desktop entry, the icon, the guide, the licences and the manual pages"
