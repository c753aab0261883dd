#!/usr/bin/env bash
# Times `tar c` of a folder piped into `kivora-cli split - --plain --no-random` against
# the same `tar c` piped into coreutils `split -b`, in a tmpfs folder. The folder holds
# FILES files of random bytes, SIZE_MB in all. Every command runs RUNS times in the same
# run, alternating with its reference so that a load that comes and goes hits both; the
# median, min and max are printed with the ratio of the medians. The first parts are
# compared with split's, and the set is joined back and compared with the tar stream.
# Then the join row (bench/join_pipe_vs_cat.sh with the same sizes; SPLIT_ONLY=1 leaves it out).
# Usage: bench/pipe_vs_coreutils.sh [BUILD_DIR] [SIZE_MB] [RUNS] [PART_KB] [FILES]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-5}
part_kb=${4:-4000}
files=${5:-16}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }

tmp=$(mktemp -d /dev/shm/kivora-pipe-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/photos"
for i in $(seq "$files"); do
  head -c "$((size_mb * 1024 * 1024 / files))" /dev/urandom > "$tmp/photos/photo$i.raw"
done
# One tar stream to compare the joined file with (the same tar of the same folder).
tar c -C "$tmp" photos > "$tmp/photos.tar"

# Wall-clock seconds of one pipeline (a shell command) run in a fresh output folder.
seconds() {
  rm -rf "$tmp/out" && mkdir "$tmp/out"
  local t0 t1
  t0=$(date +%s.%N)
  bash -o pipefail -c "$1" > /dev/null 2>&1 || { echo "failed: $1" >&2; exit 1; }
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}

# "median min max" of the numbers on stdin.
stats() {
  sort -g | awk '{ v[NR] = $1 } END { printf "%.3f %.3f %.3f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# Runs the reference and the measured pipeline alternately; prints both stats lines.
pair() {
  local ref_times="" times=""
  for _ in $(seq "$runs"); do
    ref_times+="$(seconds "$1")"$'\n'
    times+="$(seconds "$2")"$'\n'
  done
  printf '%s' "$ref_times" | stats
  printf '%s' "$times" | stats
}

# row LABEL "median min max" [RATIO]
row() {
  read -r med lo hi <<< "$2"
  printf '%-44s %7.3f s  (min %.3f, max %.3f)' "$1" "$med" "$lo" "$hi"
  [ $# -gt 2 ] && printf '  ratio %.2f' "$3"
  printf '\n'
}

ratio() { echo "$(echo "$1" | cut -d' ' -f1) / $(echo "$2" | cut -d' ' -f1)" | bc -l; }

q() { printf '%q' "$1"; }
tar_cmd="tar c -C $(q "$tmp") photos"
out=$(q "$tmp/out")
k=$(q "$cli")

mapfile -t split_rows < <(pair "$tar_cmd | split -b ${part_kb}K - $out/photos.tar." \
  "$tar_cmd | $k split - -n photos --source-name photos.tar -o $out -s $part_kb --plain --no-random")

# The set once more, kept to check it against split's parts and to join it back.
rm -rf "$tmp/set" "$tmp/ref" && mkdir "$tmp/set" "$tmp/ref"
bash -o pipefail -c "$tar_cmd | $k split - -n photos --source-name photos.tar -o $(q "$tmp/set") \
  -s $part_kb --plain --no-random" > /dev/null 2>&1
bash -o pipefail -c "$tar_cmd | split -b ${part_kb}K - $(q "$tmp/ref")/photos.tar."
cmp -s "$tmp/set/photos00000.png" "$tmp/ref/photos.tar.aa" ||
  { echo "the first part differs from split's" >&2; exit 1; }
"$cli" join "$tmp/set/photos.kvr" -o "$tmp/set" > /dev/null 2>&1
cmp -s "$tmp/set/photos.tar" "$tmp/photos.tar" ||
  { echo "the joined file differs from the tar stream" >&2; exit 1; }

printf 'nproc %s; tar of %d files, %d MB in %s, parts of %d KB; median of %d runs\n' \
  "$(nproc)" "$files" "$size_mb" "$tmp" "$part_kb" "$runs"
row "tar c | split -b ${part_kb}K -" "${split_rows[0]}"
row "tar c | kivora-cli split - --plain" "${split_rows[1]}" \
  "$(ratio "${split_rows[1]}" "${split_rows[0]}")"
# Join: the joined stream into `tar x` against `cat` of the parts into `tar x`.
[ -n "${SPLIT_ONLY:-}" ] || "$(dirname "$0")/join_pipe_vs_cat.sh" "$build" "$size_mb" "$runs" "$part_kb"
