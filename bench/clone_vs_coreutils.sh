#!/usr/bin/env bash
# Times a plain set by reference on loop-mounted btrfs and XFS images: reading the source
# once (`cat` to /dev/null), `cat` of the parts,
# `kivora-cli join` and `kivora-cli test` of the set, `split -b` and `kivora-cli split
# --plain` of its source, with parts of a fixed size that is a multiple of the block size.
# Prints the median, min and max of RUNS runs (each command alternating with its
# reference) and the new data blocks each command took: the file system's free space
# before and after, once synced, as a share of the source's size. Needs root, loop devices,
# mkfs.btrfs and mkfs.xfs; the images live in a temporary folder under /tmp and are
# unmounted and removed at the end, also on failure.
# FILE_SYSTEMS (default "btrfs xfs") may name ext4 too, where nothing clones: a build
# compared with an older one there shows what the cloning costs where it cannot help.
# Usage: bench/clone_vs_coreutils.sh [BUILD_DIR] [RUNS] [BTRFS_MB] [XFS_MB] [PART_KB]
#        [FILE_SYSTEMS]
set -euo pipefail

build=${1:-build}
runs=${2:-5}
btrfs_mb=${3:-1024}
xfs_mb=${4:-1024}
part_kb=${5:-20000}
file_systems=${6:-btrfs xfs}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "needs root (mount -o loop)" >&2; exit 2; }

tmp=$(mktemp -d /tmp/kivora-clone-bench.XXXXXX)
cleanup() {
  for m in "$tmp"/mnt-*; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done
  rm -rf "$tmp"
}
trap cleanup EXIT

free_bytes() { sync; stat -f -c '%f * %S' "$1" | bc; }

# Free bytes once they stop changing: XFS frees the blocks of removed files in the
# background, after `sync` has returned.
settled_free_bytes() {
  local last now
  now=$(free_bytes "$1")
  until [ "$now" = "${last:-}" ]; do
    last=$now
    sleep 0.3
    now=$(free_bytes "$1")
  done
  echo "$now"
}

# Wall-clock seconds of one command; the folder $fs/out is emptied first.
seconds() {
  rm -rf "$fs/out" && mkdir "$fs/out" && sync
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}

stats() {
  sort -g | awk '{ v[NR] = $1 } END { printf "%.3f %.3f %.3f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# New data blocks of one run of a command, as a percentage of the source's size.
new_blocks() {
  rm -rf "$fs/out" && mkdir "$fs/out"
  local before after
  before=$(settled_free_bytes "$fs")
  "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  after=$(settled_free_bytes "$fs")
  echo "100 * ($before - $after) / $source_bytes" | bc -l
}

row() {
  read -r med lo hi <<< "$2"
  printf '  %-28s %7.3f s  (min %.3f, max %.3f)  new blocks %6.2f %%\n' "$1" "$med" "$lo" "$hi" "$3"
}

bench_fs() {
  local kind=$1 mb=$2
  fs="$tmp/mnt-$kind"
  mkdir "$fs"
  truncate -s "$((mb * 4 + 400))M" "$tmp/$kind.img"
  "mkfs.$kind" -q "$tmp/$kind.img" > /dev/null
  mount -o loop "$tmp/$kind.img" "$fs"
  source_bytes=$((mb * 1024 * 1024))
  head -c "$source_bytes" /dev/urandom > "$fs/source.bin"
  "$cli" split "$fs/source.bin" -o "$fs/set" --mkdir -s "$part_kb" --no-random --plain -q

  local q_set q_src q_out
  q_set=$(printf '%q' "$fs/set") q_src=$(printf '%q' "$fs/source.bin") q_out=$(printf '%q' "$fs/out")
  declare -A cmd=(
    [read]="sh -c 'cat $q_src > /dev/null'"
    [cat]="sh -c 'cat $q_set/source*.png > $q_out/cat.bin'"
    [join]="$cli join $q_set/source.kvr -o $q_out -q"
    [test]="$cli test $q_set/source.kvr -q"
    [split]="split -b ${part_kb}K $q_src $q_out/part"
    [kivora]="$cli split $q_src -o $q_out -s $part_kb --no-random --plain -q"
  )
  declare -A times=()
  for _ in $(seq "$runs"); do
    for c in read cat join test split kivora; do times[$c]+="$(eval "seconds ${cmd[$c]}")"$'\n'; done
  done
  eval "$cli join $q_set/source.kvr -o $q_out -q"
  cmp -s "$fs/out/source.bin" "$fs/source.bin" || { echo "joined file differs" >&2; exit 1; }

  printf '%s, %d MB source, parts of %d KB, median of %d runs (nproc %s, load %s)\n' \
    "$kind" "$mb" "$part_kb" "$runs" "$(nproc)" "$(cut -d' ' -f1 /proc/loadavg)"
  local label
  declare -A labels=([read]="reading the source once" [cat]="cat of the parts" [join]="kivora-cli join" [test]="kivora-cli test"
    [split]="split -b ${part_kb}K" [kivora]="kivora-cli split --plain")
  for c in read cat join test split kivora; do
    label=${labels[$c]}
    row "$label" "$(printf '%s' "${times[$c]}" | stats)" "$(eval "new_blocks ${cmd[$c]}")"
  done
  umount "$fs"
  rm -f "$tmp/$kind.img"
}

for kind in $file_systems; do
  case $kind in
    btrfs) bench_fs btrfs "$btrfs_mb" ;;
    *) bench_fs "$kind" "$xfs_mb" ;;
  esac
done
