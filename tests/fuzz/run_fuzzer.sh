#!/usr/bin/env bash
# Runs one of the fuzzers for a bounded time over seed files of its kind of input.
#   run_fuzzer.sh FUZZER SECONDS KIND [SEED]
# KIND: audio (files of the formats the engine reads) or text (CUE sheets, settings,
# command files).
# The test suite runs it with seed 1, so that a run repeats the same inputs; a run by hand
# with seed 0 explores new ones.
set -euo pipefail
fuzzer="$1"
seconds="${2:-30}"
kind="${3:-audio}"
seed="${4:-1}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
if [ "$kind" = audio ]; then
  tone="aevalsrc=0.5*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=22050:d=0.3"
  tags=(-metadata title=Title -metadata artist=Artist -metadata album=Album -metadata track=3)
  ffmpeg -v error -f lavfi -i "$tone" -c:a pcm_s16le "${tags[@]}" "$work/corpus/a.wav"
  ffmpeg -v error -f lavfi -i "$tone" -c:a libmp3lame -b:a 32k "${tags[@]}" "$work/corpus/b.mp3"
  ffmpeg -v error -f lavfi -i "$tone" -c:a libvorbis "${tags[@]}" "$work/corpus/c.ogg"
  ffmpeg -v error -f lavfi -i "$tone" -c:a wmav2 -b:a 32k "${tags[@]}" "$work/corpus/d.wma"
  ffmpeg -v error -f lavfi -i "$tone" -c:a adpcm_ms "$work/corpus/e.wav"
else
  sheet='PERFORMER "Band"\r\nTITLE "Album"\r\nFILE "album.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE "One"\r\n'
  sheet+='    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    PERFORMER "Guest"\r\n    INDEX 00 01:10:00\r\n'
  sheet+='    INDEX 01 01:12:37\r\n    REM ZELVO_MS 72493\r\n'
  printf "$sheet" > "$work/corpus/a.cue"
  printf "$sheet" | iconv -f UTF-8 -t UTF-16 > "$work/corpus/b.cue"
  printf 'FILE "album.wav" WAVE\rTRACK 01 AUDIO\rTITLE "\xD2\xF0\xE5\xEA"\rINDEX 01 00:00:00\r' > "$work/corpus/c.cue"
  printf '[OutputFormat]\nWavFormat=14\nMp3Format=3\n[OutputPath]\nConvert=/tmp/x\n[Hotkey]\nPlay=120\n' \
    > "$work/corpus/d.ini"
  printf 'cut "live set.mp3" --every 5:00 --copy\n# a comment\r\ninfo \x27a b.wav\x27 c\\ d.ogg\njoin x.mp3 y.mp3 --to mp3\n' \
    > "$work/corpus/e.txt"
  printf 'convert a.mp3 --to flac\n' | iconv -f UTF-8 -t UTF-16 > "$work/corpus/f.txt"
fi
"$fuzzer" -seed="$seed" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$work/corpus"
