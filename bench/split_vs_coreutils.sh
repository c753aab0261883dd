#!/usr/bin/env bash
# Times `kivora-cli split` of one file in a tmpfs folder, plain and disguised, against
# coreutils `split -b` on the same file, and `kivora-cli test` and `join` of the
# disguised set against `cat` of its parts, all in the same run; prints the ratios.
# Usage: bench/split_vs_coreutils.sh [BUILD_DIR] [SIZE_MB] [RUNS]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-3}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"

# Best of $runs wall-clock seconds of a command run in a fresh output folder.
best() {
  local best_s="" t0 t1 s
  for _ in $(seq "$runs"); do
    rm -rf "$tmp/out" && mkdir "$tmp/out"
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s.%N)
    s=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best_s" ] || [ "$(echo "$s < $best_s" | bc -l)" = 1 ]; then best_s=$s; fi
  done
  echo "$best_s"
}

part_kb=500
coreutils=$(best split -b "${part_kb}K" "$tmp/source.bin" "$tmp/out/part")
plain=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random --plain)
disguised=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random)

# The disguised set once more, kept for the test and join timings.
rm -rf "$tmp/set" && mkdir "$tmp/set"
"$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random > /dev/null 2>&1
cat_s=$(best sh -c "cat '$tmp'/set/source*.png > '$tmp/out/cat.bin'")
test_s=$(best "$cli" test "$tmp/set/source.kvr")
join_s=$(best "$cli" join "$tmp/set/source.kvr" -o "$tmp/out")
cmp -s "$tmp/out/source.bin" "$tmp/source.bin" || { echo "joined file differs from the source" >&2; exit 1; }

printf 'file: %d MB in %s, parts of %d KB, best of %d runs\n' "$size_mb" "$tmp" "$part_kb" "$runs"
printf '%-28s %8.3f s\n' "split -b" "$coreutils"
printf '%-28s %8.3f s   ratio %.2f (target <= 1.30)\n' "kivora-cli split --plain" "$plain" "$(echo "$plain / $coreutils" | bc -l)"
printf '%-28s %8.3f s   ratio %.2f (target <= 1.60)\n' "kivora-cli split (disguised)" "$disguised" "$(echo "$disguised / $coreutils" | bc -l)"
printf '%-28s %8.3f s\n' "cat of the parts" "$cat_s"
printf '%-28s %8.3f s   ratio %.2f (target <= 1.30)\n' "kivora-cli join" "$join_s" "$(echo "$join_s / $cat_s" | bc -l)"
printf '%-28s %8.3f s   %.2f GB/s (target >= 2)\n' "kivora-cli test" "$test_s" "$(echo "$size_mb / 1024 / $test_s" | bc -l)"
