#!/usr/bin/env bash
# Times `kivora-cli join DEF -o - | tar x -C DIR` against `cat PARTS | tar x -C DIR` on
# a tar of about SIZE_MB in a tmpfs folder, split with --plain --no-random; also the join
# to /dev/null alone, which holds each part while it proves it, against what reading
# each part twice would cost instead (a `test` pass, then `cat` of the parts). Each command runs RUNS times, alternating with the reference (a
# load that comes and goes hits both), timed by bash's `time`; the best and the median
# are printed with the ratio of the bests. The machine may be shared: compare within a
# run, not between runs.
# Usage: bench/join_pipe_vs_cat.sh [BUILD_DIR] [SIZE_MB] [RUNS] [PART_KB]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-5}
part_kb=${4:-32767}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/tree" "$tmp/set"
files=8
for i in $(seq "$files"); do
  head -c "$((size_mb * 1024 * 1024 / files))" /dev/urandom > "$tmp/tree/file$i.bin"
done
tar cf "$tmp/photos.tar" -C "$tmp/tree" .
"$cli" split "$tmp/photos.tar" -o "$tmp/set" -s "$part_kb" --plain --no-random > /dev/null
rm "$tmp/photos.tar"

# Seconds of one run of the shell command $1 into a fresh folder $tmp/out.
seconds() {
  rm -rf "$tmp/out" && mkdir "$tmp/out"
  local TIMEFORMAT=%R
  { time bash -o pipefail -c "$1" > /dev/null 2>&1; } 2>&1 || { echo "failed: $1" >&2; exit 1; }
}

# "best median" of the numbers on stdin.
stats() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f %.3f\n", v[1], v[int((NR + 1) / 2)] }'; }

q() { printf '%q' "$1"; }
k=$(q "$cli")
def=$(q "$tmp/set/photos.kvr")
parts=$(q "$tmp/set")/photos*.png
out=$(q "$tmp/out")
cat_cmd="cat $parts | tar x -C $out"
join_cmd="$k join $def -o - | tar x -C $out"
null_cmd="$k join $def -o - > /dev/null"
twice_cmd="$k test $def && cat $parts > /dev/null"

# The pipe's result is the tree that was packed.
bash -o pipefail -c "rm -rf $out && mkdir $out && $join_cmd" 2> /dev/null
diff -r "$tmp/tree" "$tmp/out" > /dev/null || { echo "joined tree differs" >&2; exit 1; }

cat_times="" join_times="" null_times="" twice_times=""
for _ in $(seq "$runs"); do
  cat_times+="$(seconds "$cat_cmd")"$'\n'
  join_times+="$(seconds "$join_cmd")"$'\n'
  null_times+="$(seconds "$null_cmd")"$'\n'
  twice_times+="$(seconds "$twice_cmd")"$'\n'
done

row() {
  read -r best med <<< "$2"
  printf '%-44s best %7.3f s  median %7.3f s%s\n' "$1" "$best" "$med" "${3:-}"
}
cat_stats=$(printf '%s' "$cat_times" | stats)
join_stats=$(printf '%s' "$join_times" | stats)
ratio=$(echo "${join_stats%% *} / ${cat_stats%% *}" | bc -l)
printf 'nproc %s, load %s; tar of %d MB in %s, %d parts of %d KB; %d runs\n' "$(nproc)" \
  "$(cut -d' ' -f1-3 /proc/loadavg)" "$size_mb" "$tmp" "$(ls "$tmp/set" | grep -c png)" \
  "$part_kb" "$runs"
row "cat parts* | tar x" "$cat_stats"
row "kivora-cli join -o - | tar x" "$join_stats" "$(printf '  ratio %.2f' "$ratio")"
row "kivora-cli join -o - > /dev/null" "$(printf '%s' "$null_times" | stats)"
row "test, then cat parts* > /dev/null" "$(printf '%s' "$twice_times" | stats)"
