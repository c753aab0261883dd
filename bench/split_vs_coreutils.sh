#!/usr/bin/env bash
# Times `kivora-cli split` of one file in a tmpfs folder, plain and disguised, against
# coreutils `split -b` on the same file; `kivora-cli join` of the disguised set against
# `cat` of its parts; `kivora-cli test` of that set; and a plain split into 1 KB parts of
# a smaller file against `split -b 1024`. Every command runs RUNS times in the same run
# (alternating with its reference, so a load that comes and goes hits both); the median,
# min and max of the wall time are printed with the median CPU time (user + system), the
# ratio of the wall medians and its target, and the ratio of the CPU medians: on a loaded
# machine the CPU ratio is the one to read.
# Usage: bench/split_vs_coreutils.sh [BUILD_DIR] [SIZE_MB] [RUNS] [SMALL_MB]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-5}
small_mb=${4:-20}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"
head -c "$((small_mb * 1024 * 1024))" "$tmp/source.bin" > "$tmp/small.bin"

# "wall cpu" seconds of one command run in a fresh output folder: the elapsed time, and
# the user and system time of the command and its threads and children.
seconds() {
  rm -rf "$tmp/out" && mkdir "$tmp/out"
  local TIMEFORMAT='%3R %3U %3S' took real user sys
  took=$({ time "$@" > /dev/null 2>&1 || echo failed; } 2>&1)
  [[ $took != *failed* ]] || { echo "failed: $*" >&2; exit 1; }
  read -r real user sys <<< "$took"
  echo "$real $(echo "$user + $sys" | bc -l)"
}

# "median min max" of the numbers in column COLUMN (1: wall, 2: cpu) of stdin.
stats() {
  awk -v c="${1:-1}" '{ print $c }' | sort -g |
    awk '{ v[NR] = $1 } END { printf "%.3f %.3f %.3f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# Runs the reference and the measured command alternately; prints the reference's wall
# and cpu stats lines, then the command's.
pair() {
  local ref_cmd=$1 cmd=$2 ref_times="" times=""
  for _ in $(seq "$runs"); do
    ref_times+="$(eval "seconds $ref_cmd")"$'\n'
    times+="$(eval "seconds $cmd")"$'\n'
  done
  printf '%s' "$ref_times" | stats 1
  printf '%s' "$ref_times" | stats 2
  printf '%s' "$times" | stats 1
  printf '%s' "$times" | stats 2
}

# row LABEL "wall median min max" "cpu median min max" [RATIO TARGET CPU_RATIO]
row() {
  read -r med lo hi <<< "$2"
  local cpu
  cpu=$(cut -d' ' -f1 <<< "$3")
  if [ $# -gt 3 ]; then
    local mark="ok"
    [ "$(echo "$4 <= $5" | bc -l)" = 1 ] || mark="OVER"
    printf '%-34s %7.3f s  (min %.3f, max %.3f)  cpu %.3f s  ratio %.2f  target <= %.2f  %s  cpu ratio %.2f\n' \
      "$1" "$med" "$lo" "$hi" "$cpu" "$4" "$5" "$mark" "$6"
  else
    printf '%-34s %7.3f s  (min %.3f, max %.3f)  cpu %.3f s\n' "$1" "$med" "$lo" "$hi" "$cpu"
  fi
}

# One comparison: row LABEL and REF_LABEL from the four lines pair printed, with TARGET.
rows() {
  local ref_label=$1 label=$2 target=$3
  shift 3
  row "$ref_label" "$1" "$2"
  row "$label" "$3" "$4" "$(ratio "$3" "$1")" "$target" "$(ratio "$4" "$2")"
}

ratio() { echo "$(echo "$1" | cut -d' ' -f1) / $(echo "$2" | cut -d' ' -f1)" | bc -l; }

q() { printf '%q' "$1"; }
src=$(q "$tmp/source.bin")
small=$(q "$tmp/small.bin")
out=$(q "$tmp/out")
set_dir=$(q "$tmp/set")
k=$(q "$cli")
part_kb=500

mapfile -t plain < <(pair "split -b ${part_kb}K $src $out/part" \
  "$k split $src -o $out -s $part_kb --no-random --plain")
mapfile -t disguised < <(pair "split -b ${part_kb}K $src $out/part" \
  "$k split $src -o $out -s $part_kb --no-random")

# The disguised set once more, kept for the join and test timings.
rm -rf "$tmp/set" && mkdir "$tmp/set"
"$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random > /dev/null 2>&1
mapfile -t join < <(pair "sh -c 'cat $set_dir/source*.png > $out/cat.bin'" \
  "$k join $set_dir/source.kvr -o $out")
rm -rf "$tmp/out" && mkdir "$tmp/out"
"$cli" join "$tmp/set/source.kvr" -o "$tmp/out" > /dev/null 2>&1
cmp -s "$tmp/out/source.bin" "$tmp/source.bin" || { echo "joined file differs from the source" >&2; exit 1; }
test_times=""
for _ in $(seq "$runs"); do test_times+="$(seconds "$cli" test "$tmp/set/source.kvr")"$'\n'; done
test_stats=$(printf '%s' "$test_times" | stats 1)

mapfile -t tiny < <(pair "split -b 1024 $small $out/part" \
  "$k split $small -o $out -s 1 --no-random --plain")

printf 'nproc %s, load %s; file: %d MB in %s, parts of %d KB; median of %d runs\n' \
  "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)" "$size_mb" "$tmp" "$part_kb" "$runs"
rows "split -b ${part_kb}K" "kivora-cli split --plain" 1.00 "${plain[@]}"
rows "split -b ${part_kb}K (second series)" "kivora-cli split (disguised)" 1.15 "${disguised[@]}"
rows "cat of the parts" "kivora-cli join (disguised set)" 1.00 "${join[@]}"
read -r tmed tlo thi <<< "$test_stats"
gbs() { echo "$size_mb / 1024 / $1" | bc -l; }
printf '%-34s %7.3f s  (min %.3f, max %.3f)  %.2f GB/s (%.2f..%.2f)  target >= 6  %s\n' \
  "kivora-cli test" "$tmed" "$tlo" "$thi" "$(gbs "$tmed")" "$(gbs "$thi")" "$(gbs "$tlo")" \
  "$([ "$(echo "$(gbs "$tmed") >= 6" | bc -l)" = 1 ] && echo ok || echo UNDER)"
printf 'file: %d MB, parts of 1 KB\n' "$small_mb"
rows "split -b 1024" "kivora-cli split -s 1 --plain" 1.20 "${tiny[@]}"
