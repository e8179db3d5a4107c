#!/usr/bin/env bash
# Runs every benchmark of a build tree and prints its figures; it judges nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shopt -s nullglob
for b in "$dir"/bench/*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "-- $(basename "$b")"
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$b"
done
