#!/usr/bin/env bash
# Writes a help2man include file with the help of each zelvo-mp3-batch subcommand.
#   packaging/batch-subcommands.sh PROGRAM OUTPUT
set -euo pipefail
program="$1"
output="$2"
{
  echo "[SUBCOMMANDS]"
  for command in info convert cut join; do
    echo ".SS $command"
    echo ".nf"
    "$program" "$command" --help 2>/dev/null | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
    echo ".fi"
  done
} > "$output.tmp"
mv "$output.tmp" "$output"
