#!/usr/bin/env bash
# Times the desktop program's join of a set of about 200 parts (the real window on the
# offscreen platform, from the click on the join button until it is idle) against
# `kivora-cli join` of the same set, in a tmpfs folder; prints both and the target
# (window <= 3 x command line + 1.5 s).
# Usage: bench/gui_join_vs_cli.sh [BUILD_DIR] [SIZE_MB] [RUNS]
set -euo pipefail

build=${1:-build}
size_mb=${2:-100}
runs=${3:-3}
build=$(cd "$build" && pwd)
cli="$build/app/kivora-cli"
gui="$build/bench/kivora_gui_join_bench"
for exe in "$cli" "$gui"; do
  [ -x "$exe" ] || { echo "no $exe (build first)" >&2; exit 2; }
done

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"
# About 200 parts.
part_kb=$((size_mb * 1024 / 200))
mkdir "$tmp/set"
"$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random > /dev/null 2>&1
parts=$(ls "$tmp/set" | grep -c '\.png$')

# Best of $runs wall-clock seconds of a join into a fresh output folder.
best() {
  local best_s="" t0 t1 s
  for _ in $(seq "$runs"); do
    rm -rf "$tmp/out" && mkdir "$tmp/out"
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s.%N)
    cmp -s "$tmp/source.bin" "$tmp/out/source.bin" || { echo "join of $* failed" >&2; exit 1; }
    s=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best_s" ] || [ "$(echo "$s < $best_s" | bc -l)" = 1 ]; then best_s=$s; fi
  done
  echo "$best_s"
}

cli_s=$(best "$cli" join "$tmp/set/source.kvr" -o "$tmp/out")
# The window's time includes starting the program and the window.
gui_s=$(best "$gui" "$tmp/set/source.kvr" "$tmp/out")
target=$(echo "3 * $cli_s + 1.5" | bc -l)
printf 'join of %d MB in %d parts\n' "$size_mb" "$parts"
printf '  kivora-cli join: %.3f s\n' "$cli_s"
printf '  window join:     %.3f s (target <= %.3f s)\n' "$gui_s" "$target"
if [ "$(echo "$gui_s <= $target" | bc -l)" = 1 ]; then echo "  within target"; else echo "  OVER TARGET"; exit 1; fi
