#!/usr/bin/env bash
# Times, in one run on the same set of parts, the recovery parts of kivora-cli against
# par2: `split --recovery 10%` against `par2 create -r10` on the parts the split wrote,
# `repair` of 5 deleted parts against `par2 repair`, and of one byte flipped in each of 30
# parts of one group (scattered damage); and the split with 10 % recovery against the
# split without. The kivora-cli figures are the best of $RUNS wall-clock runs,
# par2 runs once; the folder is in tmpfs (/dev/shm) when it has room, else in /tmp.
# Usage: bench/recovery_vs_par2.sh [BUILD_DIR] [SIZE_MB] [RUNS] [PAR2_THREADS]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
runs=${3:-3}
par2_threads=${4:-}
part_kb=500
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }
command -v par2 > /dev/null || { echo "par2 is not installed" >&2; exit 2; }

# The source, its set, the par2 files and one copy of the set: about 3.5 x SIZE_MB.
need_kb=$((size_mb * 1024 * 7 / 2))
base=/dev/shm
[ "$(df -Pk /dev/shm 2> /dev/null | awk 'NR == 2 { print $4 }')" -gt "$need_kb" ] 2> /dev/null || base=/tmp
tmp=$(mktemp -d "$base/kivora-recovery-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"

# Wall-clock seconds of a command; a failure stops the script with the command's last words.
seconds() {
  local t0 t1
  t0=$(date +%s.%N)
  if ! "$@" > "$tmp/command.log" 2>&1; then
    echo "failed: $1 $2" >&2
    tail -5 "$tmp/command.log" >&2
    return 1
  fi
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
same() { for v in "${victims[@]}"; do cmp -s "$v" "$tmp/copy/$(basename "$v")" || { echo "$1: $v differs" >&2; exit 1; }; done; }

# kivora-cli: best of $runs.
split_plain="" split_recovery="" repair=""
for _ in $(seq "$runs"); do
  rm -rf "$tmp/set" && mkdir "$tmp/set"
  t=$(seconds "$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random) || exit 1
  split_plain=$(min "$split_plain" "$t")
  rm -rf "$tmp/set" && mkdir "$tmp/set"
  t=$(seconds "$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --no-random --recovery 10%) || exit 1
  split_recovery=$(min "$split_recovery" "$t")

  # Five parts gone, spread over the set.
  parts=("$tmp"/set/source[0-9]*.png)
  count=${#parts[@]}
  victims=()
  for k in 0 1 2 3 4; do victims+=("${parts[$((k * count / 5 + 3))]}"); done
  rm -rf "$tmp/copy" && cp -a "$tmp/set" "$tmp/copy"
  rm -f "${victims[@]}"
  t=$(seconds "$cli" repair "$tmp/set/source.kvr") || exit 1
  repair=$(min "$repair" "$t")
  same repair
done

# par2, once (it takes minutes): 10 % redundancy over the same parts, one block per part
# at the least (par2 wants no fewer blocks than files), its files in a folder of their own.
threads=()
[ -n "$par2_threads" ] && threads=("-t$par2_threads")
rm -rf "$tmp/par2" && mkdir "$tmp/par2"
par2_create=$(seconds par2 create -q -q "${threads[@]}" -r10 -b"$count" -B "$tmp/set" \
  "$tmp/par2/set.par2" "${parts[@]}") || exit 1
rm -f "${victims[@]}"
par2_repair=$(seconds par2 repair -q -q "${threads[@]}" -B "$tmp/set" "$tmp/par2/set.par2") || exit 1
same "par2 repair"

# Scattered damage: one byte flipped at a random offset in 30 parts of the first group,
# as bit rot, a bad sector or a flaky download leaves it; kivora-cli repair (best of
# $runs) and par2 repair (once) of the same damage.
scattered=()
for k in $(seq 0 29); do scattered+=("${parts[$((k * 3))]}"); done
flips="$tmp/flips.txt"
python3 - "$flips" "${scattered[@]}" << 'PY'
import os, random, sys
random.seed(26)
with open(sys.argv[1], "w") as out:
    for path in sys.argv[2:]:
        out.write(f"{path}\t{random.randrange(os.path.getsize(path))}\n")
PY
flip() {
  python3 - "$flips" << 'PY'
import sys
for line in open(sys.argv[1]):
    path, offset = line.rstrip("\n").split("\t")
    with open(path, "r+b") as f:
        f.seek(int(offset)); byte = f.read(1); f.seek(int(offset)); f.write(bytes([byte[0] ^ 0x20]))
PY
}
victims=("${scattered[@]}")
repair_scattered=""
for _ in $(seq "$runs"); do
  flip
  t=$(seconds "$cli" repair "$tmp/set/source.kvr") || exit 1
  repair_scattered=$(min "$repair_scattered" "$t")
  same "repair of scattered damage"
done
# par2 with its default 2,000 blocks per set: one block per part cannot repair 30 parts.
rm -rf "$tmp/par2b" && mkdir "$tmp/par2b"
seconds par2 create -q -q "${threads[@]}" -r10 -B "$tmp/set" "$tmp/par2b/set.par2" "${parts[@]}" \
  > /dev/null || exit 1
flip
par2_scattered=$(seconds par2 repair -q -q "${threads[@]}" -B "$tmp/set" "$tmp/par2b/set.par2") || exit 1
same "par2 repair of scattered damage"

recovery_files=$(ls "$tmp"/set/source_rec*.png | wc -l)
printf 'file: %d MB in %s, %d parts of %d KB, %d recovery parts; kivora-cli best of %d runs, par2 once%s\n' \
  "$size_mb" "$base" "$count" "$part_kb" "$recovery_files" "$runs" "${par2_threads:+ with -t$par2_threads}"
printf '%-34s %8.3f s\n' "kivora-cli split" "$split_plain"
printf '%-34s %8.3f s   ratio %.2f to the split without (target <= 1.30)\n' \
  "kivora-cli split --recovery 10%" "$split_recovery" "$(echo "$split_recovery / $split_plain" | bc -l)"
printf '%-34s %8.3f s   kivora-cli %.1fx faster (target >= 10)\n' \
  "par2 create -r10" "$par2_create" "$(echo "$par2_create / $split_recovery" | bc -l)"
printf '%-34s %8.3f s\n' "kivora-cli repair (5 parts)" "$repair"
printf '%-34s %8.3f s   kivora-cli %.1fx faster (target >= 10)\n' \
  "par2 repair (5 parts)" "$par2_repair" "$(echo "$par2_repair / $repair" | bc -l)"
printf '%-34s %8.3f s\n' "kivora-cli repair (30 flipped)" "$repair_scattered"
printf '%-34s %8.3f s   kivora-cli %.1fx faster (target >= 10)\n' \
  "par2 repair (30 flipped, 2000 blk)" "$par2_scattered" "$(echo "$par2_scattered / $repair_scattered" | bc -l)"
