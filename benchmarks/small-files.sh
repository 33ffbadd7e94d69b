#!/usr/bin/env bash
# Uploads 1,000 files of 10 KB over HTTPS to a fresh vendra-server, with vendra-cli (four uploads at
# once) and with curl in one process (--parallel --parallel-max 4, one -K config, connections
# reused), and compares the files per second. vendra-cli's whole session is timed; curl's upload
# alone, after it has signed in. After a warm-up of each, the tools take turns for RUNS rounds; the
# medians are compared. Every round's stored files are counted and removed before the next (the
# server still lists them, so vendra-cli is told not to skip what is listed). The last
# line is the result:
#   1000 small files over https: cli files/s: A, curl files/s: B, ratio: R
#
#   benchmarks/small-files.sh [path/to/vendra-server] [path/to/vendra-cli] [files, default 1000] [runs, default 3]
#   cmake --build build --target bench-small-files
set -euo pipefail

server=${1:-build/src/server/vendra-server}
cli=${2:-build/src/cli/vendra-cli}
count=${3:-1000}
runs=${4:-3}
work=$(mktemp -d /tmp/vendra-bench-small.XXXXXX)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/reference-server.sh"
use_private_home "$work"
trap 'stop_server; [ -n "${VENDRA_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT

start_server --demo --tls
stop_server
"$server" --data "$work/data" user set demo --quota 1T >/dev/null
start_server --auto-approve --tls

mkdir -p "$work/files"
for i in $(seq -w 1 "$count"); do
  head -c 10240 /dev/urandom >"$work/files/f$i.bin"
done
mapfile -t files < <(find "$work/files" -type f | sort)

album=$(sign_in_demo "$work/cookies")
: >"$work/curl.cfg"
for file in "${files[@]}"; do
  [ -s "$work/curl.cfg" ] && echo next >>"$work/curl.cfg"
  cat >>"$work/curl.cfg" <<EOT
url = "$url/soapfileupload.hvxr?album=$album"
form = "file=@$file"
cacert = "$VENDRA_BENCH_CACERT"
cookie = "$work/cookies"
silent
fail
output = "/dev/null"
EOT
done

check_and_clear() {
  local stored
  stored=$(find "$work/data/albums" -name 'f*.bin' -size 10240c | wc -l)
  [ "$stored" = "$count" ] || { echo "stored: $stored files, expected $count" >&2; exit 1; }
  find "$work/data/albums" -name 'f*.bin' -delete
  sync
}

seconds() { # command...: prints the wall time it took
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/last.out" 2>"$work/last.err" || { echo "failed: $1" >&2; cat "$work/last.err" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

run_curl() {
  seconds curl --silent --parallel --parallel-max 4 -K "$work/curl.cfg"
  check_and_clear
}
run_cli() {
  VENDRA_PASSWORD=demo seconds "$cli" --server 127.0.0.1 --port "$port" --https \
    --ca-cert "$VENDRA_BENCH_CACERT" --user demo upload --parallel 4 --no-skip-existing --to Holidays \
    "${files[@]}"
  check_and_clear
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
run_curl >/dev/null
run_cli >/dev/null
: >"$work/rounds"
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    c=$(run_curl)
    v=$(run_cli)
  else
    v=$(run_cli)
    c=$(run_curl)
  fi
  echo "$c $v" >>"$work/rounds"
  echo "round $i: curl $c s, vendra-cli $v s"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
curl_s=$(awk '{ print $1 }' "$work/rounds" | median)
cli_s=$(awk '{ print $2 }' "$work/rounds" | median)
awk -v n="$count" -v c="$curl_s" -v v="$cli_s" 'BEGIN {
  printf "%d small files over https: cli files/s: %.0f, curl files/s: %.0f, ratio: %.2f\n", n, n / v, n / c, c / v
}'
