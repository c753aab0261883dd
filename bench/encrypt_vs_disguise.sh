#!/usr/bin/env bash
# Times `kivora-cli split` of one file in a tmpfs folder, disguised with the compatible
# password and encrypted with the same password, and the test and join of the
# encrypted set, all in the same run; prints the ratio of the two splits.
# Usage: bench/encrypt_vs_disguise.sh [BUILD_DIR] [SIZE_MB] [RUNS]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-3}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }

tmp=$(mktemp -d /dev/shm/kivora-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"
export KIVORA_PASSWORD=benchmark-password

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
disguised=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random)
encrypted=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random --encrypt)

# The encrypted set once more, kept for the test and join timings.
rm -rf "$tmp/set" && mkdir "$tmp/set"
"$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random --encrypt > /dev/null 2>&1
test_s=$(best "$cli" test "$tmp/set/source.kvr")
join_s=$(best "$cli" join "$tmp/set/source.kvr" -o "$tmp/out")
cmp -s "$tmp/out/source.bin" "$tmp/source.bin" || { echo "joined file differs from the source" >&2; exit 1; }

printf 'file: %d MB in %s, parts of %d KB, best of %d runs\n' "$size_mb" "$tmp" "$part_kb" "$runs"
printf '%-36s %8.3f s\n' "kivora-cli split (disguised, password)" "$disguised"
printf '%-36s %8.3f s   ratio %.2f (target <= 1.50)\n' "kivora-cli split --encrypt" "$encrypted" "$(echo "$encrypted / $disguised" | bc -l)"
printf '%-36s %8.3f s\n' "kivora-cli test (encrypted set)" "$test_s"
printf '%-36s %8.3f s\n' "kivora-cli join (encrypted set)" "$join_s"
