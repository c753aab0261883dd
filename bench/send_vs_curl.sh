#!/usr/bin/env bash
# Times `kivora-cli send` against `curl -T` and `rclone copy` sending a set of about
# SIZE_MB in PARTS parts over loopback to two WebDAV hosts: nginx on 127.0.0.1 with two
# roots (PUT, MKCOL, MOVE) on two ports, started here with its configuration and logs in
# the benchmark's temporary folder. rclone cannot write to nginx (it lists a folder with
# PROPFIND, which nginx's WebDAV lacks), so the three tools are also timed against two
# `rclone serve webdav` hosts, the same for each. Every file goes to both hosts, 4 transfers at once for
# every tool; the hosts' folders are emptied before each run, and the tools alternate run
# by run. kivora-cli also asks each host first, uploads under a hidden name, proves the
# length there, renames, takes CRC-32 and SHA-256 as it reads and writes the lists; curl
# and rclone only upload. Wall, CPU (user + system) and peak memory, median of RUNS.
# The machine may be shared: compare within a run, not between runs.
# Usage: bench/send_vs_curl.sh [BUILD_DIR] [SIZE_MB] [PARTS] [RUNS] [TMP_PARENT]
set -euo pipefail

build=${1:-build}
size_mb=${2:-1024}
parts=${3:-200}
runs=${4:-3}
parent=${5:-/dev/shm}
cli="$(cd "$build" && pwd)/app/kivora-cli"
[ -x "$cli" ] || { echo "no kivora-cli in $build/app (build first)" >&2; exit 2; }
for tool in nginx curl rclone; do
  command -v "$tool" > /dev/null || [ -x "/usr/sbin/$tool" ] || { echo "no $tool" >&2; exit 2; }
done
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

tmp=$(mktemp -d "$parent/kivora-send-bench.XXXXXX")
nginx_pid="" rclone_pids=""
cleanup() {
  # A server killed here exits with a signal's status: that ends no cleanup under set -e.
  [ -n "$nginx_pid" ] && { kill "$nginx_pid"; wait "$nginx_pid"; } 2> /dev/null || true
  for pid in $rclone_pids; do { kill "$pid"; wait "$pid"; } 2> /dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir "$tmp/set" "$tmp/a" "$tmp/b" "$tmp/c" "$tmp/d" "$tmp/nginx"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$tmp/source.bin"
part_kb=$(((size_mb * 1024 + parts - 1) / parts))
"$cli" split "$tmp/source.bin" -o "$tmp/set" -s "$part_kb" --plain --no-random > /dev/null 2>&1
rm "$tmp/source.bin"

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
  client_max_body_size 0;
  client_body_temp_path $tmp/nginx/body; proxy_temp_path $tmp/nginx/proxy;
  fastcgi_temp_path $tmp/nginx/fastcgi; uwsgi_temp_path $tmp/nginx/uwsgi;
  scgi_temp_path $tmp/nginx/scgi;
  server { listen 127.0.0.1:$port_a; root $tmp/a; dav_methods PUT DELETE MKCOL MOVE; }
  server { listen 127.0.0.1:$port_b; root $tmp/b; dav_methods PUT DELETE MKCOL MOVE; }
}
CONF
"$nginx_bin" -p "$tmp/nginx" -e "$tmp/nginx/error.log" -c "$tmp/nginx/nginx.conf" \
  -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port_a/" && break
  sleep 0.1
done

port_c=$(free_port)
port_d=$(free_port)
for pair in "$port_c c" "$port_d d"; do
  set -- $pair
  # No listing is kept: the hosts are emptied between runs behind its back.
  rclone serve webdav --dir-cache-time 0s --addr "127.0.0.1:$1" "$tmp/$2" > /dev/null 2>&1 &
  rclone_pids+=" $!"
done
for port in "$port_c" "$port_d"; do
  for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && break
    sleep 0.1
  done
done

# curl's configuration: every file to both hosts, the hosts' uploads interleaved.
for pair in "$port_a $port_b nginx" "$port_c $port_d rclone"; do
  set -- $pair
  for path in "$tmp"/set/*; do
    name=$(basename "$path")
    for port in "$1" "$2"; do
      printf 'upload-file = "%s"\nurl = "http://127.0.0.1:%s/s/%s"\n' "$path" "$port" "$name" \
        >> "$tmp/curl-$3.cfg"
    done
  done
done

q() { printf '%q' "$1"; }
kivora() { echo "$(q "$cli") send $(q "$tmp/set/source.kvr") --to http://127.0.0.1:$1/s/ --to http://127.0.0.1:$2/s/ --jobs 4 --list-dir $(q "$tmp") -q"; }
curl_to() { echo "curl -sS --fail --parallel --parallel-max 4 -K $(q "$tmp/curl-$1.cfg") -o /dev/null"; }
rclone_to() { echo "rclone copy --transfers 2 --checkers 2 $(q "$tmp/set") ':webdav,url=\"http://127.0.0.1:$1/\":s' & rclone copy --transfers 2 --checkers 2 $(q "$tmp/set") ':webdav,url=\"http://127.0.0.1:$2/\":s' & wait"; }
kivora_cmd=$(kivora "$port_a" "$port_b")
curl_cmd=$(curl_to nginx)
kivora_r_cmd=$(kivora "$port_c" "$port_d")
curl_r_cmd=$(curl_to rclone)
rclone_cmd=$(rclone_to "$port_c" "$port_d")
# nginx makes no folder for a PUT: the hosts' folder is there for every tool.
mkdirs() { for h in a b c d; do mkdir -p "$tmp/$h/s"; done; }

# "WALL CPU KB" of one run of the shell command $1 with both hosts emptied first.
measure() {
  rm -rf "$tmp/a/s" "$tmp/b/s" "$tmp/c/s" "$tmp/d/s"
  mkdirs
  /usr/bin/time -f '%e %U %S %M' -o "$tmp/time" bash -c "$1" > /dev/null 2>&1 ||
    { echo "failed: $1" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$tmp/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Each tool's result is the set on both hosts, byte for byte.
for pair in "kivora_cmd a b" "curl_cmd a b" "kivora_r_cmd c d" "curl_r_cmd c d" "rclone_cmd c d"; do
  set -- $pair
  measure "${!1}" > /dev/null
  for host in "$2" "$3"; do
    diff -r "$tmp/set" "$tmp/$host/s" > /dev/null || { echo "sent set differs: ${!1}" >&2; exit 1; }
  done
done

declare -A results
for _ in $(seq "$runs"); do
  for tool in kivora curl kivora_r curl_r rclone; do
    cmd_var=${tool}_cmd
    results[$tool]+="$(measure "${!cmd_var}")"$'\n'
  done
done

printf 'nproc %s, load %s; %d MB in %d parts (+ definition) to 2 WebDAV hosts under %s; %d runs\n' \
  "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)" "$size_mb" "$(ls "$tmp/set" | grep -vc kvr)" "$parent" "$runs"
printf '%-40s %10s %10s %12s\n' "" "wall (s)" "CPU (s)" "peak (MB)"
for tool in kivora curl kivora_r curl_r rclone; do
  [ "$tool" = kivora_r ] && echo "to two rclone serve webdav hosts:"
  [ "$tool" = kivora ] && echo "to two nginx hosts:"
  base=curl
  [[ $tool == *_r || $tool == rclone ]] && base=curl_r
  curl_wall=$(printf '%s' "${results[$base]}" | awk '{ print $1 }' | median)
  wall=$(printf '%s' "${results[$tool]}" | awk '{ print $1 }' | median)
  cpu=$(printf '%s' "${results[$tool]}" | awk '{ print $2 }' | median)
  peak=$(printf '%s' "${results[$tool]}" | awk '{ print $3 }' | median)
  case $tool in
    kivora*) label="kivora-cli send (proved, renamed)" ;;
    curl*) label="curl -T --parallel-max 4" ;;
    rclone) label="rclone copy (2 x --transfers 2)" ;;
  esac
  printf '%-40s %10.2f %10.2f %12.0f   %.2fx curl\n' "$label" "$wall" "$cpu" "$((peak / 1024))" \
    "$(echo "$wall / $curl_wall" | bc -l)"
done
