#!/usr/bin/env bash
# Times `kivora-cli fetch LIST` against `aria2c -i` and `curl --parallel` fetching a set of
# about SIZE_MB in PARTS parts over loopback from two mirrors: nginx on 127.0.0.1 serving
# two folders (hard links of one set) on two ports, started here with its configuration,
# logs and temporary files in the benchmark's temporary folder. Each tool runs with 4
# transfers at once and at most 2 to one server, into a fresh folder, RUNS times,
# alternating (a load that comes and goes hits each); the best and the median are printed
# with the ratio of the bests to aria2's. aria2 and curl only download; kivora-cli also
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
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2> /dev/null && wait "$nginx_pid" 2> /dev/null
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

# Seconds of one run of the shell command $1 into a fresh folder $tmp/out.
seconds() {
  rm -rf "$tmp/out" && mkdir "$tmp/out"
  local TIMEFORMAT=%R
  { time bash -c "cd $(printf '%q' "$tmp/out") && $1" > /dev/null 2>&1; } 2>&1 ||
    { echo "failed: $1" >&2; exit 1; }
}
stats() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f %.3f\n", v[1], v[int((NR + 1) / 2)] }'; }

q() { printf '%q' "$1"; }
kivora_cmd="$(q "$cli") fetch $(q "$tmp/list.txt") -o . --jobs 4"
aria2_cmd="aria2c -q -i $(q "$tmp/aria2.txt") -d . -j 4 -x 2 -s 2 --max-connection-per-server=2 --allow-overwrite=true --auto-file-renaming=false"
curl_cmd="curl -sS --fail --parallel --parallel-max 4 -K $(q "$tmp/curl.cfg")"

# Each tool's result is the set, byte for byte.
for cmd in "$kivora_cmd" "$aria2_cmd" "$curl_cmd"; do
  seconds "$cmd" > /dev/null
  diff -r "$tmp/a" "$tmp/out" > /dev/null || { echo "fetched set differs: $cmd" >&2; exit 1; }
done

kivora_times="" aria2_times="" curl_times=""
for _ in $(seq "$runs"); do
  aria2_times+="$(seconds "$aria2_cmd")"$'\n'
  kivora_times+="$(seconds "$kivora_cmd")"$'\n'
  curl_times+="$(seconds "$curl_cmd")"$'\n'
done

row() {
  read -r best med <<< "$2"
  printf '%-36s best %7.3f s  median %7.3f s%s\n' "$1" "$best" "$med" "${3:-}"
}
aria2_stats=$(printf '%s' "$aria2_times" | stats)
printf 'nproc %s, load %s; %d MB in %d parts (+ definition) under %s; %d runs\n' "$(nproc)" \
  "$(cut -d' ' -f1-3 /proc/loadavg)" "$size_mb" "$(ls "$tmp/a" | grep -c png)" "$parent" "$runs"
row "aria2c -i (2 mirrors)" "$aria2_stats"
for tool in kivora curl; do
  times_var=${tool}_times
  tool_stats=$(printf '%s' "${!times_var}" | stats)
  ratio=$(echo "${tool_stats%% *} / ${aria2_stats%% *}" | bc -l)
  label="kivora-cli fetch (2 mirrors, proved)"
  [ "$tool" = curl ] && label="curl --parallel (1 mirror a file)"
  row "$label" "$tool_stats" "$(printf '  ratio %.2f' "$ratio")"
done
