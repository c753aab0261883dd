#!/usr/bin/env bash
# Times `kivora-cli fetch LIST` against `aria2c -i` and `curl` fetching a set of about
# SIZE_MB in PARTS parts over loopback from two mirrors: nginx on 127.0.0.1 serving
# two folders (hard links of one set) on two ports, started here with its configuration,
# logs and temporary files in the benchmark's temporary folder. aria2, curl --parallel and
# kivora-cli --jobs 4 run 4 transfers at once (at most 2 to one server); kivora-cli
# --jobs 1 runs one at a time, as curl does without --parallel. Each runs into a fresh
# folder, RUNS times, alternating (a load that comes and goes hits each); the best and
# median wall time and the median CPU time (user and system) are printed, with the ratio
# of the medians to aria2's (4 at once) or to curl's (one at a time). aria2 and curl only download; kivora-cli also
# proves every part's CRC-32 and publishes the set by its commit. The machine may be
# shared: compare within a run, not between runs.
# Usage: bench/fetch_vs_aria2.sh [BUILD_DIR] [SIZE_MB] [PARTS] [RUNS] [TMP_PARENT]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
parts=${3:-200}
runs=${4:-3}
parent=${5:-/dev/shm}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }
for tool in nginx aria2c curl; do
  command -v "$tool" > /dev/null || [ -x "/usr/sbin/$tool" ] || { echo "no $tool" >&2; exit 2; }
done
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

tmp=$(mktemp -d "$parent/kivora-fetch-bench.XXXXXX")
nginx_pid=""
cleanup() {
  # A server killed here exits with a signal's status: that ends no cleanup under set -e.
  [ -n "$nginx_pid" ] && { kill "$nginx_pid"; wait "$nginx_pid"; } 2> /dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir "$tmp/a" "$tmp/nginx"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"
part_kb=$(((size_mb * 1024 + parts - 1) / parts))
"$cli" split "$tmp/source.bin" -o "$tmp/a" -s "$part_kb" --plain --no-random > /dev/null 2>&1
cp -al "$tmp/a" "$tmp/b"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port_a=$(free_port)
port_b=$(free_port)
user=""
[ "$(id -u)" -eq 0 ] && user="user root;"
cat > "$tmp/nginx/nginx.conf" << CONF
$user
master_process off;
pid $tmp/nginx/nginx.pid;
error_log $tmp/nginx/error.log;
events { worker_connections 256; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $tmp/nginx/body; proxy_temp_path $tmp/nginx/proxy;
  fastcgi_temp_path $tmp/nginx/fastcgi; uwsgi_temp_path $tmp/nginx/uwsgi;
  scgi_temp_path $tmp/nginx/scgi;
  server { listen 127.0.0.1:$port_a; root $tmp/a; }
  server { listen 127.0.0.1:$port_b; root $tmp/b; }
}
CONF
"$nginx_bin" -p "$tmp/nginx" -e "$tmp/nginx/error.log" -c "$tmp/nginx/nginx.conf" \
  -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 100); do
  curl -sf -o /dev/null "http://127.0.0.1:$port_a/source.kvr" && break
  sleep 0.1
done

# The same set three ways: the file-list page's distributed list (the mirrors' lines
# interleaved), aria2's input (one line a file, its mirrors tab-separated) and a curl
# configuration (each file from the mirror its place in the list gives).
i=0
for path in "$tmp"/a/*; do
  name=$(basename "$path")
  first=$port_a second=$port_b
  if ((i % 2)); then first=$port_b second=$port_a; fi
  printf 'http://127.0.0.1:%s/%s\r\n' "$first" "$name" >> "$tmp/list.txt"
  printf 'http://127.0.0.1:%s/%s\thttp://127.0.0.1:%s/%s\n' "$first" "$name" "$second" \
    "$name" >> "$tmp/aria2.txt"
  printf 'url = "http://127.0.0.1:%s/%s"\noutput = "%s"\n' "$first" "$name" "$name" \
    >> "$tmp/curl.cfg"
  i=$((i + 1))
done
while read -r line; do
  printf '%s\r\n' "${line##*$'\t'}" >> "$tmp/list.txt"
done < "$tmp/aria2.txt"

# Wall and CPU seconds (user + system, of the command and its children) of one run of
# the shell command $1 into a fresh folder $tmp/out.
seconds() {
  rm -rf "$tmp/out" && mkdir "$tmp/out"
  local TIMEFORMAT='%R %U %S'
  local t
  t=$({ time bash -c "cd $(printf '%q' "$tmp/out") && $1" > /dev/null 2>&1; } 2>&1) ||
    { echo "failed: $1" >&2; exit 1; }
  read -r wall user sys <<< "$t"
  echo "$wall $(echo "$user + $sys" | bc -l)"
}
# "best median" of the first column of its input, and the median of the second.
stats() {
  local lines walls cpus
  lines=$(cat)
  walls=$(cut -d' ' -f1 <<< "$lines" | sort -g)
  cpus=$(cut -d' ' -f2 <<< "$lines" | sort -g)
  local n m
  n=$(wc -l <<< "$walls")
  m=$(((n + 1) / 2))
  printf '%.3f %.3f %.3f\n' "$(head -1 <<< "$walls")" "$(sed -n "${m}p" <<< "$walls")" \
    "$(sed -n "${m}p" <<< "$cpus")"
}

q() { printf '%q' "$1"; }
kivora4_cmd="$(q "$cli") fetch $(q "$tmp/list.txt") -o . --jobs 4"
kivora1_cmd="$(q "$cli") fetch $(q "$tmp/list.txt") -o . --jobs 1"
aria2_cmd="aria2c -q -i $(q "$tmp/aria2.txt") -d . -j 4 -x 2 -s 2 --max-connection-per-server=2 --allow-overwrite=true --auto-file-renaming=false"
curl4_cmd="curl -sS --fail --parallel --parallel-max 4 -K $(q "$tmp/curl.cfg")"
curl1_cmd="curl -sS --fail -K $(q "$tmp/curl.cfg")"
tools="aria2 kivora4 curl4 curl1 kivora1"

# Each tool's result is the set, byte for byte.
for tool in $tools; do
  cmd_var=${tool}_cmd
  seconds "${!cmd_var}" > /dev/null
  diff -r "$tmp/a" "$tmp/out" > /dev/null || { echo "fetched set differs: ${!cmd_var}" >&2; exit 1; }
done

declare -A times
for _ in $(seq "$runs"); do
  for tool in $tools; do
    cmd_var=${tool}_cmd
    times[$tool]+="$(seconds "${!cmd_var}")"$'\n'
  done
done

declare -A labels=(
  [aria2]="aria2c -i -j 4 (2 mirrors)"
  [kivora4]="kivora-cli fetch --jobs 4 (proved)"
  [curl4]="curl --parallel-max 4 (1 mirror a file)"
  [curl1]="curl, one file at a time"
  [kivora1]="kivora-cli fetch --jobs 1 (proved)"
)
declare -A against=([kivora4]=aria2 [curl4]=aria2 [kivora1]=curl1)
printf 'nproc %s, load %s; %d MB in %d parts (+ definition) under %s; %d runs\n' "$(nproc)" \
  "$(cut -d' ' -f1-3 /proc/loadavg)" "$size_mb" "$(ls "$tmp/a" | grep -c png)" "$parent" "$runs"
declare -A medians
for tool in $tools; do
  read -r best med cpu <<< "$(printf '%s' "${times[$tool]}" | stats)"
  medians[$tool]=$med
  ratio=""
  if [ -n "${against[$tool]:-}" ]; then
    ratio=$(printf '  %.2fx %s' "$(echo "$med / ${medians[${against[$tool]}]}" | bc -l)" \
      "${against[$tool]}")
  fi
  printf '%-42s best %7.3f s  median %7.3f s  cpu %7.3f s%s\n' "${labels[$tool]}" "$best" \
    "$med" "$cpu" "$ratio"
done
