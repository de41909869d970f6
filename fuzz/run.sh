#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time: run.sh BUILD_DIR [SECONDS]
set -euo pipefail
dir=$1
secs=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
shopt -s nullglob
for t in "$dir"/fuzz/fuzz_*; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus=$(mktemp -d)
  [ -d "$here/corpus/$name" ] && cp "$here/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  echo "fuzzing $name for ${secs}s"
  "$t" -max_total_time="$secs" -max_len=4096 -rss_limit_mb=2048 "$corpus" 2>&1 | tail -3
  rm -rf "$corpus"
done
