#!/usr/bin/env bash
# Times the program's own jobs, run through zelvo-mp3-batch, against the ffmpeg tool
# with the same encoders and settings, alternating the two, and prints the median time
# of each, the ratio batch/ffmpeg and the peak memory of both.
#   bench/compare_ffmpeg.sh [BUILD_FOLDER] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
runs="${2:-3}"
batch="$build/src/batch/zelvo-mp3-batch"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" "$work/out"
# The settings of the ffmpeg side: LAME's quality 5 (the options' default is 0, the slowest).
printf '[OutputFormat]\nMP3EncoderQuality=5\n' > "$work/settings.ini"

# Tagged as music is: both tools carry the tags over to what they write.
music() { # seconds, file
  ffmpeg -v error -f lavfi \
    -i "aevalsrc=0.4*sin(2*PI*440*t)+0.2*(random(0)-0.5)|0.4*sin(2*PI*660*t)+0.2*(random(1)-0.5):s=44100:d=$1" \
    -metadata title="A Song" -metadata artist="An Artist" -metadata album="An Album" -metadata date=2024 \
    -metadata track=3 -metadata genre=Jazz -c:a pcm_s16le "$2"
}
music 600 "$work/in.wav"
music 3600 "$work/long.wav"
ffmpeg -v error -i "$work/in.wav" -c:a libmp3lame -b:a 128k "$work/in.mp3"
ffmpeg -v error -i "$work/in.wav" -c:a libvorbis -q:a 6 "$work/in.ogg"
ffmpeg -v error -i "$work/in.wav" -c:a wmav2 -b:a 128k "$work/in.wma"
ffmpeg -v error -i "$work/long.wav" -c:a libmp3lame -b:a 128k "$work/long.mp3"
for i in 1 2 3 4 5 6; do cp "$work/in.mp3" "$work/part$i.mp3"; done

# Seconds and peak memory (MB) of a command.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2>&1
  awk '{ printf "%s %.1f\n", $1, $2 / 1024 }' "$work/time.txt"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-16s %9s %9s %7s %10s %10s\n' job batch_s ffmpeg_s ratio batch_MB ffmpeg_MB
job() { # name, batch arguments, ffmpeg arguments
  local name="$1" b="$2" f="$3" bt=() ft=() bm=0 fm=0
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    # shellcheck disable=SC2086
    read -r s m < <(measure "$batch" --settings "$work/settings.ini" --rate 44100 --channels 2 $b --out "$work/out" --overwrite)
    bt+=("$s"); bm=$(awk -v a="$bm" -v b="$m" 'BEGIN { print (b > a) ? b : a }')
    # shellcheck disable=SC2086
    read -r s m < <(measure ffmpeg -v error -y $f)
    ft+=("$s"); fm=$(awk -v a="$fm" -v b="$m" 'BEGIN { print (b > a) ? b : a }')
  done
  local bmed fmed
  bmed=$(printf '%s\n' "${bt[@]}" | median)
  fmed=$(printf '%s\n' "${ft[@]}" | median)
  printf '%-16s %9.2f %9.2f %7.2f %10s %10s\n' "$name" "$bmed" "$fmed" "$(awk -v a="$bmed" -v b="$fmed" 'BEGIN { print a / b }')" "$bm" "$fm"
}
w="$work"
job "wav>mp3" "--mp3-bitrate 128 convert --to mp3 $w/in.wav" "-i $w/in.wav -c:a libmp3lame -b:a 128k -compression_level 5 $w/f.mp3"
job "wav>ogg" "--ogg-quality 6 convert --to ogg $w/in.wav" "-i $w/in.wav -c:a libvorbis -q:a 6 $w/f.ogg"
job "wav>wma" "--wma-profile 15 convert --to wma $w/in.wav" "-i $w/in.wav -c:a wmav2 -b:a 128k $w/f.wma"
job "wav>flac" "--flac-level 5 convert --to flac $w/in.wav" "-i $w/in.wav -c:a flac -compression_level 5 $w/f.flac"
job "mp3>wav" "convert --to wav $w/in.mp3" "-i $w/in.mp3 -c:a pcm_s16le $w/f.wav"
job "ogg>wav" "convert --to wav $w/in.ogg" "-i $w/in.ogg -c:a pcm_s16le $w/f.wav"
job "wma>wav" "convert --to wav $w/in.wma" "-i $w/in.wma -c:a pcm_s16le $w/f.wav"
job "cut 60m mp3" "--mp3-bitrate 128 cut $w/long.mp3 --at 20:00 --at 40:00" \
  "-i $w/long.mp3 -f segment -segment_times 1200,2400 -c:a libmp3lame -b:a 128k -compression_level 5 $w/seg%d.mp3"
job "copy-cut 60m" "cut --copy $w/long.mp3 --at 20:00 --at 40:00" \
  "-i $w/long.mp3 -f segment -segment_times 1200,2400 -c copy $w/seg%d.mp3"
job "join 6x10m" "--mp3-bitrate 128 join $w/part1.mp3 $w/part2.mp3 $w/part3.mp3 $w/part4.mp3 $w/part5.mp3 $w/part6.mp3 --to mp3" \
  "-i concat:$w/part1.mp3|$w/part2.mp3|$w/part3.mp3|$w/part4.mp3|$w/part5.mp3|$w/part6.mp3 -c:a libmp3lame -b:a 128k -compression_level 5 $w/joined.mp3"
printf 'file %s\n' "$w"/part{1,2,3,4,5,6}.mp3 > "$w/parts.txt"
job "copy-join 6x10m" "join --copy $w/part1.mp3 $w/part2.mp3 $w/part3.mp3 $w/part4.mp3 $w/part5.mp3 $w/part6.mp3 --to mp3" \
  "-f concat -safe 0 -i $w/parts.txt -c copy $w/joined.mp3"
job "silence 60m" "cut $w/long.mp3 --silence --list-only" "-i $w/long.mp3 -af silencedetect=n=-40dB:d=1 -f null -"

# The batch tool against other programs than ffmpeg (a shell command; mp3splt from the
# Debian package of that name).
versus() { # name, batch arguments, peer's name, peer's command
  local name="$1" b="$2" peer="$3" command="$4" bt=() pt=() s m
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    # shellcheck disable=SC2086
    read -r s m < <(measure "$batch" --settings "$work/settings.ini" $b)
    bt+=("$s")
    rm -rf "$work/out" && mkdir -p "$work/out"
    read -r s m < <(measure sh -c "$command")
    pt+=("$s")
  done
  local bmed pmed
  bmed=$(printf '%s\n' "${bt[@]}" | median)
  pmed=$(printf '%s\n' "${pt[@]}" | median)
  printf '%-16s %9.2f %9.2f %7.2f   against %s\n' "$name" "$bmed" "$pmed" \
    "$(awk -v a="$bmed" -v b="$pmed" 'BEGIN { print a / b }')" "$peer"
}
# Half an hour with fifteen silences of 2 s (tone bursts of 2 minutes).
ffmpeg -v error -f lavfi -i "aevalsrc=0.4*sin(2*PI*440*t)*gt(mod(t\,120)\,2)|0.4*sin(2*PI*660*t)*gt(mod(t\,120)\,2):s=44100:d=1800" \
  -c:a libmp3lame -b:a 128k "$w/bursts.mp3"
o="--out $w/out --overwrite"
versus "copy-cut wma" "--wma-profile 15 cut --copy $w/in.wma --at 3:20 --at 6:40 $o" "ffmpeg -c copy" \
  "ffmpeg -v error -i $w/in.wma -f segment -segment_times 200,400 -c copy $w/out/seg%d.wma"
versus "copy-cut ogg" "cut --copy $w/in.ogg --at 3:20 --at 6:40 $o" "ffmpeg -c copy" \
  "ffmpeg -v error -i $w/in.ogg -f segment -segment_times 200,400 -c copy $w/out/seg%d.ogg"
versus "copy-cut 60m" "cut --copy $w/long.mp3 --at 20:00 --at 40:00 $o" cp "cp $w/long.mp3 $w/out/copy.mp3"
if command -v mp3splt > /dev/null; then
  versus "copy-cut 60m" "cut --copy $w/long.mp3 --at 20:00 --at 40:00 $o" mp3splt \
    "mp3splt -q -d $w/out $w/long.mp3 0.00 20.00 40.00 EOF > /dev/null 2>&1"
  versus "silence 30m" "cut --copy $w/bursts.mp3 --silence $o" "mp3splt -s" \
    "cd $w && mp3splt -q -s -p th=-40,min=1 -d $w/out $w/bursts.mp3 > /dev/null 2>&1"
fi
versus "info 60m" "info $w/long.mp3" ffprobe "ffprobe -v error -show_format -show_streams $w/long.mp3"
versus "start-up" "--version" "ffmpeg -version" "ffmpeg -version"

# Many files at once: 16 three-minute WAV files to MP3, the batch tool on every core
# against a serial loop of ffmpeg and against two ffmpeg at a time (xargs -P2).
for i in $(seq 1 16); do ffmpeg -v error -i "$w/in.wav" -t 180 -c:a pcm_s16le "$w/many$i.wav"; done
# shellcheck disable=SC2016 # expanded by the sh -c that runs it
encode_one='ffmpeg -v error -y -i "$1" -c:a libmp3lame -b:a 128k -compression_level 5 "$0/$(basename "$1" .wav).mp3"'
many="--mp3-bitrate 128 --rate 44100 --channels 2 convert --to mp3 $w/many*.wav --out $work/out --overwrite"
versus "16 files serial" "$many" "ffmpeg one by one" "for f in $w/many*.wav; do sh -c '$encode_one' $w/out \"\$f\"; done"
versus "16 files -P2" "$many" "xargs -P2 ffmpeg" "ls $w/many*.wav | xargs -P2 -n1 sh -c '$encode_one' $w/out"
# Loudness of an album of 20 three-minute MP3 files (track and album values): the batch
# tool against loudgain -a (the same meter, libebur128); the ffmpeg column is loudgain's.
for i in $(seq 1 20); do ffmpeg -v error -ss "$((i * 20))" -i "$w/in.mp3" -t 180 -c copy "$w/album$i.mp3"; done
lt=() gt=()
for ((i = 0; i < runs; i++)); do
  read -r s m < <(measure "$batch" loudness --album "$w"/album*.mp3)
  lt+=("$s")
  read -r s m < <(measure loudgain -q -a -O "$w"/album*.mp3)
  gt+=("$s")
done
lmed=$(printf '%s\n' "${lt[@]}" | median)
gmed=$(printf '%s\n' "${gt[@]}" | median)
printf '%-16s %9.2f %9.2f %7.2f\n' "loudness 20x3m" "$lmed" "$gmed" "$(awk -v a="$lmed" -v b="$gmed" 'BEGIN { print a / b }')"

# The cutter's waveform of the 60-minute MP3 (every frame's peaks, on every core), and the
# memory of the cutter with a 10-hour file (the 60-minute one ten times over, copied).
"$build/bench/overview-bench" "$w/long.mp3" 2> /dev/null
printf 'file %s\n' "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" \
  "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" "$w/long.mp3" > "$w/ten.txt"
ffmpeg -v error -f concat -safe 0 -i "$w/ten.txt" -c copy "$w/ten-hours.mp3"
/usr/bin/time -f "%e %M" -o "$work/time.txt" "$build/bench/overview-bench" "$w/ten-hours.mp3" 2> /dev/null
awk '{ printf "10-hour MP3 in the cutter: %.1f s to every peak, peak memory %.1f MB\n", $1, $2 / 1024 }' "$work/time.txt"
