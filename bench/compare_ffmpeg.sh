#!/usr/bin/env bash
# Times the engine's conversions against the ffmpeg tool with the same encoders and
# settings, on a ten-minute stereo file, alternating the two, and prints the median
# times and the ratio engine/ffmpeg of each job.
#   bench/compare_ffmpeg.sh [BUILD_FOLDER] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
runs="${2:-5}"
engine="$build/bench/engine-convert"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

music="aevalsrc=0.4*sin(2*PI*440*t)+0.2*(random(0)-0.5)|0.4*sin(2*PI*660*t)+0.2*(random(1)-0.5):s=44100:d=600"
ffmpeg -v error -f lavfi -i "$music" -c:a pcm_s16le "$work/in.wav"
ffmpeg -v error -i "$work/in.wav" -c:a libmp3lame -b:a 128k "$work/in.mp3"

seconds() { # command...
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-10s %10s %10s %8s\n' job engine_s ffmpeg_s ratio
run_job() { # name, engine kind, input, ffmpeg output options, extension
  local name="$1" kind="$2" input="$3" options="$4" ext="$5" e=() f=()
  for ((i = 0; i < runs; i++)); do
    e+=("$(seconds "$engine" "$kind" "$input" "$work/engine.$ext")")
    # shellcheck disable=SC2086
    f+=("$(seconds ffmpeg -v error -y -i "$input" $options "$work/ffmpeg.$ext")")
  done
  local em fm
  em=$(printf '%s\n' "${e[@]}" | median)
  fm=$(printf '%s\n' "${f[@]}" | median)
  printf '%-10s %10.3f %10.3f %8.2f\n' "$name" "$em" "$fm" "$(awk -v a="$em" -v b="$fm" 'BEGIN { print a / b }')"
}
run_job "wav>mp3" mp3 "$work/in.wav" "-c:a libmp3lame -b:a 128k -compression_level 5" mp3
run_job "wav>ogg" ogg "$work/in.wav" "-c:a libvorbis -q:a 6" ogg
run_job "wav>wma" wma "$work/in.wav" "-c:a wmav2 -b:a 128k" wma
run_job "mp3>wav" wav "$work/in.mp3" "-c:a pcm_s16le" wav
