#!/usr/bin/env bash
# Times `kivora-cli split` of one file in a tmpfs folder, disguised with the compatible
# password and encrypted with the same password, and the join of both sets, all in the
# same run. The one-time key derivation of an encrypted set (a split of a 1-byte file)
# is timed apart and taken off the encrypted split's and join's times for the ratios.
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
head -c 1 /dev/urandom > "$tmp/tiny.bin"
key=$(best "$cli" split "$tmp/tiny.bin" -o "$tmp/out" --encrypt)
disguised=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random)
encrypted=$(best "$cli" split "$tmp/source.bin" -o "$tmp/out" -s "$part_kb" --no-random --encrypt)

# Both sets once more, kept for the test and join timings.
for kind in disguised encrypted; do
  rm -rf "$tmp/$kind" && mkdir "$tmp/$kind"
  extra=()
  [ "$kind" = encrypted ] && extra=(--encrypt)
  "$cli" split "$tmp/source.bin" -o "$tmp/$kind" -s "$part_kb" --no-random "${extra[@]}" > /dev/null 2>&1
done
test_s=$(best "$cli" test "$tmp/encrypted/source.kvr" -p "$KIVORA_PASSWORD")
join_d=$(best "$cli" join "$tmp/disguised/source.kvr" -o "$tmp/out")
join_e=$(best "$cli" join "$tmp/encrypted/source.kvr" -o "$tmp/out")
cmp -s "$tmp/out/source.bin" "$tmp/source.bin" || { echo "joined file differs from the source" >&2; exit 1; }

ratio() { echo "($1 - $key) / $2" | bc -l; }
printf 'file: %d MB in %s, parts of %d KB, best of %d runs\n' "$size_mb" "$tmp" "$part_kb" "$runs"
printf '%-44s %8.3f s\n' "key derivation (split of a 1-byte file)" "$key"
printf '%-44s %8.3f s\n' "kivora-cli split (disguised, password)" "$disguised"
printf '%-44s %8.3f s   without the key %.2f x (target <= 1.50)\n' "kivora-cli split --encrypt" \
  "$encrypted" "$(ratio "$encrypted" "$disguised")"
printf '%-44s %8.3f s\n' "kivora-cli join (disguised set)" "$join_d"
printf '%-44s %8.3f s   without the key %.2f x (target <= 1.50)\n' "kivora-cli join (encrypted set)" \
  "$join_e" "$(ratio "$join_e" "$join_d")"
printf '%-44s %8.3f s\n' "kivora-cli test -p (every chunk opened)" "$test_s"
