#!/usr/bin/env bash
# Sets up a Debian 12 machine for Zelvo MP3 Zovozu Darozu and builds it.
#   scripts/setup.sh run    install the dependencies, build in Release, start the program
#   scripts/setup.sh test   install the dependencies, build, run the whole test suite headless
# Works as root and as a normal user with sudo rights; running it again is harmless.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-}"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(
  build-essential cmake pkg-config clang clang-format
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libmp3lame-dev libsoundtouch-dev libsdl2-dev libkissfft-dev
  libsimpleini-dev libtag1-dev libcli11-dev libuchardet-dev libebur128-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg xdg-utils dbus-daemon dbus-bin desktop-file-utils appstream help2man lintian man-db libqt6svg6
  qt6-l10n-tools qt6-tools-dev xvfb xauth
  openbox xdotool imagemagick espeak-ng python3 qt6ct playerctl loudgain
)

install_dependencies() {
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

build() { # build folder, build type, extra cmake options...
  local dir="$1" type="$2"
  shift 2
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@"
  cmake --build "$dir" -j "$jobs"
}

check_format() {
  echo "== Checking the formatting of the sources"
  (cd "$here" && git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    | xargs -r clang-format --dry-run --Werror)
}

case "$mode" in
  run)
    install_dependencies
    build "$here/build-release" Release
    exec "$here/build-release/src/app/zelvo-mp3"
    ;;
  test)
    install_dependencies
    export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
    check_format
    echo "== The whole program with AddressSanitizer and UndefinedBehaviorSanitizer: every test (windows"
    echo "   and flows included) but the package's, and the fuzzers"
    CC=clang CXX=clang++ build "$here/build-sanitize" Debug -DZELVO_CORE_ONLY=OFF -DZELVO_SANITIZE=ON
    sanitized=0
    (cd "$here/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure -j "$jobs" -E '^package_contents$') || sanitized=$?
    echo "== The whole program and all its tests"
    build "$here/build" RelWithDebInfo
    status=0
    (cd "$here/build" && ctest --output-on-failure -j "$jobs") || status=$?
    [ "$sanitized" -eq 0 ] || { echo "The sanitizer build's tests failed."; exit 1; }
    exit "$status"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
