#!/usr/bin/env bash
# Runs the engine's fuzzer for a bounded time over seed files of the four formats.
#   run_fuzzer.sh FUZZER SECONDS [SEED]
# The test suite runs it with seed 1, so that a run repeats the same inputs; a run by hand
# with seed 0 explores new ones.
set -euo pipefail
fuzzer="$1"
seconds="${2:-30}"
seed="${3:-1}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
tone="aevalsrc=0.5*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=22050:d=0.3"
tags=(-metadata title=Title -metadata artist=Artist -metadata album=Album -metadata track=3)
ffmpeg -v error -f lavfi -i "$tone" -c:a pcm_s16le "${tags[@]}" "$work/corpus/a.wav"
ffmpeg -v error -f lavfi -i "$tone" -c:a libmp3lame -b:a 32k "${tags[@]}" "$work/corpus/b.mp3"
ffmpeg -v error -f lavfi -i "$tone" -c:a libvorbis "${tags[@]}" "$work/corpus/c.ogg"
ffmpeg -v error -f lavfi -i "$tone" -c:a wmav2 -b:a 32k "${tags[@]}" "$work/corpus/d.wma"
ffmpeg -v error -f lavfi -i "$tone" -c:a adpcm_ms "$work/corpus/e.wav"
"$fuzzer" -seed="$seed" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$work/corpus"
