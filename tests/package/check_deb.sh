#!/usr/bin/env bash
# Builds the .deb in the build folder, unpacks it into a clean folder and checks that it
# holds the two programs, the desktop entry, its icon, the user guide and the licences.
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
            usr/share/doc/zelvo-mp3/LICENSES.txt usr/share/metainfo/zelvo-mp3.metainfo.xml; do
  [ -e "$root/$file" ] || { echo "missing from $deb: $file"; exit 1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libavcodec libmp3lame0 libsdl2; do
  echo "$depends" | grep -q "$library" || { echo "$deb does not depend on $library: $depends"; exit 1; }
done
"$root/usr/bin/zelvo-mp3-batch" --help > /dev/null
desktop-file-validate "$root/usr/share/applications/zelvo-mp3.desktop"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/zelvo-mp3.metainfo.xml"
echo "$deb holds the programs, the desktop entry, the icon, the guide and the licences"
