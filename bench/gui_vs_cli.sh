#!/usr/bin/env bash
# Times the desktop program's split, test, join, re-split and repair (the real window on
# the offscreen platform, from the click on the operation's button until the window is
# idle again) against `kivora-cli` doing the same, on sets of 200 parts and of 32,000
# parts in a tmpfs folder. Prints one row per operation: the command line's and the
# window's best time, the target (window <= 3 x command line + 1.5 s), the longest stall
# of the window's event loop (it repaints at least 10 times a second while that stays
# under 100 ms) and how long a click on 放棄 took to take effect.
# Usage: bench/gui_vs_cli.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build}
runs=${2:-3}
build=$(cd "$build" && pwd)
cli="$build/app/kivora-cli"
gui="$build/bench/kivora_gui_bench"
for exe in "$cli" "$gui"; do
  [ -x "$exe" ] || { echo "no $exe (build first)" >&2; exit 2; }
done

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
over=0

# seconds COMMAND...: wall-clock seconds of one run, output discarded.
seconds() {
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

# row NAME PREPARE CLI-ARGS... -- GUI-ARGS...: PREPARE runs before every run of either.
row() {
  local name=$1 prepare=$2; shift 2
  local cli_args=() gui_args=()
  while [ "$1" != -- ]; do cli_args+=("$1"); shift; done
  shift
  gui_args=("$@")
  local cli_best="" gui_best="" stall=0 out s
  for _ in $(seq "$runs"); do
    $prepare
    cli_best=$(min "$cli_best" "$(seconds "$cli" "${cli_args[@]}")")
    $prepare
    out=$("$gui" "${gui_args[@]}" 2> /dev/null)
    s=${out%% *}
    gui_best=$(min "$gui_best" "$s")
    stall=$(echo "$out" | awk -v m="$stall" '{ print ($2 > m) ? $2 : m }')
  done
  # One more run, aborted a fifth of the way in.
  $prepare
  local abort_ms
  abort_ms=$("$gui" --abort-after "$(echo "$gui_best / 5" | bc -l)" "${gui_args[@]}" 2> /dev/null |
    awk '{ print $3 }')
  local target
  target=$(echo "3 * $cli_best + 1.5" | bc -l)
  local verdict="ok"
  if [ "$(echo "$gui_best > $target" | bc -l)" = 1 ] || [ "$stall" -ge 100 ]; then
    verdict="OVER"
    over=1
  fi
  printf '%-8s %9.3f %9.3f %9.3f %8d %8.0f  %s\n' "$name" "$cli_best" "$gui_best" "$target" \
    "$stall" "$abort_ms" "$verdict"
}

for layout in "200 500" "32000 1"; do
  read -r parts part_kb <<< "$layout"
  dir="$tmp/$parts"
  mkdir -p "$dir/set" "$dir/rset" "$dir/out" "$dir/split"
  head -c "$((parts * part_kb * 1024))" /dev/urandom > "$dir/src.bin"
  "$cli" split "$dir/src.bin" -o "$dir/set" -s "$part_kb" --no-random > /dev/null
  "$cli" split "$dir/src.bin" -o "$dir/rset" -s "$part_kb" --no-random --recovery 1 > /dev/null
  fresh_split() { rm -rf "$dir/split" && mkdir "$dir/split"; }
  fresh_out() { rm -rf "$dir/out" && mkdir "$dir/out"; }
  lose_part() { find "$dir/rset" -regex '.*/src0*5\.png' -delete; }
  nothing() { :; }
  printf '\n%d parts of %d KB          cli (s)  window (s) target (s) stall (ms) abort (ms)\n' \
    "$parts" "$part_kb"
  row split fresh_split split "$dir/src.bin" -o "$dir/split" -s "$part_kb" --no-random -- \
    split "$dir/src.bin" "$dir/split" "$part_kb"
  row test nothing test "$dir/set/src.kvr" -- test "$dir/set/src.kvr"
  row join fresh_out join "$dir/set/src.kvr" -o "$dir/out" -- join "$dir/set/src.kvr" "$dir/out"
  row resplit nothing resplit "$dir/set/src.kvr" "$dir/src.bin" -- \
    resplit "$dir/set/src.kvr" "$dir/src.bin"
  row repair lose_part repair "$dir/rset/src.kvr" -- repair "$dir/rset/src.kvr"
done
exit "$over"
