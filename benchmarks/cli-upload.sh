#!/usr/bin/env bash
# Uploads one file (1 GiB by default) to a fresh vendra-server with vendra-cli and with curl -F, and
# compares wall time, CPU time and vendra-cli's peak memory; over plain HTTP, then over HTTPS (the
# server's own certificate, trusted with --ca-cert by vendra-cli and --cacert by curl).
#
# Both tools are measured the same way, from start to finish of a whole session: curl signs in
# (CheckVersion, Login), looks the album up, uploads and signs out, each step a curl process of its
# own; vendra-cli does the same work in one process. After one warm-up run of each (not counted),
# the tools take turns for RUNS pairs, each pair in the opposite order from the one before. Every
# stored copy is checked for its size and removed, and the disk settled, before the next run, so
# that no run pays for writing back another's data. The ratios are the medians of the pairs' ratios,
# which keeps a burst of load from elsewhere on the machine out of the result; nine pairs, because on
# a virtual machine one 1 GiB run can take a third longer than the next for reasons of the host. The
# result compares vendra-cli's whole session with curl's upload step alone (curl has signed in
# before); the ratios of the two whole sessions are printed above it. The peak memory is the largest
# of all vendra-cli runs; two more vendra-cli runs, with 64 MiB and with 2 GiB, show that it does not
# grow with the file. The last two lines are the results, one per scheme:
#   http: cli/curl time ratio: X, cli/curl CPU ratio: Z, cli peak RSS MiB: Y
#   https: cli/curl time ratio: X, cli/curl CPU ratio: Z, cli peak RSS MiB: Y
#
#   benchmarks/cli-upload.sh [path/to/vendra-server] [path/to/vendra-cli] [size, default 1G] [runs, default 9]
#   cmake --build build --target bench-cli-upload
set -euo pipefail

server=${1:-build/src/server/vendra-server}
cli=${2:-build/src/cli/vendra-cli}
size=${3:-1G}
runs=${4:-9}
top=$(mktemp -d /tmp/vendra-bench-cli.XXXXXX)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/reference-server.sh"
use_private_home "$top"
trap 'stop_server; rm -rf "$top"' EXIT

fallocate -l "$size" "$top/upload.bin" 2>/dev/null || truncate -s "$size" "$top/upload.bin"
bytes=$(stat -c %s "$top/upload.bin")

# Prints "wall cpu peakKiB" of one command (CPU and memory include its child processes).
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/last.out" 2>"$work/last.err" ||
    { echo "failed: $*" >&2; cat "$work/last.out" "$work/last.err" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

# The stored copy is checked and removed, and the disk settled, before the next run.
check_and_clear() { # expected size
  stored=$(find "$work/data/albums" -name 'upload*.bin' -printf '%s\n')
  [ "$stored" = "$1" ] || { echo "stored: ${stored:-nothing}, expected $1 bytes" >&2; exit 1; }
  find "$work/data/albums" -name 'upload*.bin' -delete
  sync
}

run_curl() {
  measure bash "$here/curl-session.sh" "$url" "$work/upload.bin" "$work/cookies"
  check_and_clear "$bytes"
}
run_cli() { # file, expected size
  local scheme=(--http)
  [[ $url == https:* ]] && scheme=(--https --ca-cert "$VENDRA_BENCH_CACERT")
  VENDRA_PASSWORD=demo measure "$cli" --server 127.0.0.1 --port "$port" "${scheme[@]}" --user demo \
    upload --no-skip-existing --to Holidays "$1"
  check_and_clear "$2"
}

median() { # of the numbers on standard input
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The whole comparison over one scheme; leaves its result line in $top/result.SCHEME.
bench_scheme() { # http or https
  local name=$1 tls=()
  [ "$name" = https ] && tls=(--tls)
  work=$top/$name
  mkdir -p "$work"
  # The demo account, with room for every run: the server counts what was uploaded, not what is left.
  start_server --demo "${tls[@]}"
  stop_server
  "$server" --data "$work/data" user set demo --quota 1T >/dev/null
  start_server --auto-approve --max-transfer-size 4G "${tls[@]}"
  ln -sf "$top/upload.bin" "$work/upload.bin"
  # Read once so that both tools start from the page cache.
  cat "$work/upload.bin" >/dev/null

  echo "== $name: $url"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  sync
  run_curl >/dev/null
  run_cli "$work/upload.bin" "$bytes" >/dev/null
  : >"$work/pairs"
  for i in $(seq "$runs"); do
    if [ $((i % 2)) -eq 1 ]; then
      curl_run=$(run_curl)
      cli_run=$(run_cli "$work/upload.bin" "$bytes")
    else
      cli_run=$(run_cli "$work/upload.bin" "$bytes")
      curl_run=$(run_curl)
    fi
    echo "$curl_run $cli_run" >>"$work/pairs"
    read -r cw cc _ lw lc lk <<<"$curl_run $cli_run"
    echo "pair $i: curl ${cw} s wall, ${cc} s CPU; vendra-cli ${lw} s wall, ${lc} s CPU, peak RSS ${lk} KiB"
  done

  # 64 MiB and 2 GiB: the peak memory must stay where it is. An empty file: what a session costs
  # besides the transfer.
  local flat=()
  for sample in 64M 2G; do
    rm -f "$work/upload.bin"
    fallocate -l "$sample" "$work/upload.bin" 2>/dev/null || truncate -s "$sample" "$work/upload.bin"
    local sample_bytes
    sample_bytes=$(stat -c %s "$work/upload.bin")
    read -r _ _ sample_kib <<<"$(run_cli "$work/upload.bin" "$sample_bytes")"
    flat+=("$(awk -v k="$sample_kib" -v s="$sample" 'BEGIN { printf "%s: %.1f MiB", s, k / 1024 }')")
  done
  truncate -s 0 "$work/upload.bin"
  read -r empty_wall empty_cpu _ <<<"$(run_cli "$work/upload.bin" 0)"
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  stop_server

  # Pairs: curl wall, curl CPU, curl KiB, cli wall, cli CPU, cli KiB.
  curl_wall=$(awk '{ print $1 }' "$work/pairs" | median)
  curl_cpu=$(awk '{ print $2 }' "$work/pairs" | median)
  cli_wall=$(awk '{ print $4 }' "$work/pairs" | median)
  cli_cpu=$(awk '{ print $5 }' "$work/pairs" | median)
  cli_kib=$(awk '{ print $6 }' "$work/pairs" | sort -n | tail -1)
  session_time_ratio=$(awk '{ print $4 / $1 }' "$work/pairs" | median)
  session_cpu_ratio=$(awk '{ print $5 / ($2 > 0 ? $2 : 0.01) }' "$work/pairs" | median)
  # The warm-up's upload step is left out, as its session is.
  upload_steps=$(tail -n "$runs" "$work/cookies.upload")
  upload_wall=$(awk '{ print $1 }' <<<"$upload_steps" | median)
  upload_cpu=$(awk '{ print $2 + $3 }' <<<"$upload_steps" | median)
  # The result: vendra-cli's whole session against curl's upload step alone.
  paired_steps=$(paste -d' ' "$work/pairs" <(cat <<<"$upload_steps"))
  time_ratio=$(awk '{ print $4 / $7 }' <<<"$paired_steps" | median)
  cpu_ratio=$(awk '{ c = $8 + $9; print $5 / (c > 0 ? c : 0.01) }' <<<"$paired_steps" | median)
  echo "file: $bytes bytes, $runs pairs"
  echo "curl session (median): ${curl_wall} s wall, ${curl_cpu} s CPU"
  echo "  of which the upload step (median): ${upload_wall} s wall, ${upload_cpu} s CPU"
  echo "vendra-cli session (median): ${cli_wall} s wall, ${cli_cpu} s CPU"
  echo "  a session with an empty file: ${empty_wall} s wall, ${empty_cpu} s CPU"
  printf "vendra-cli session / curl session (medians): time ratio %.2f, CPU ratio %.2f\n" \
    "$session_time_ratio" "$session_cpu_ratio"
  echo "vendra-cli peak RSS by file size: ${flat[*]}"
  awk -v n="$name" -v t="$time_ratio" -v c="$cpu_ratio" -v k="$cli_kib" 'BEGIN {
    printf "%s: cli/curl time ratio: %.2f, cli/curl CPU ratio: %.2f, cli peak RSS MiB: %.1f\n", n, t, c, k / 1024
  }' >"$top/result.$name"
  cat "$top/result.$name"
}

# Read once so that both schemes start from the page cache.
cat "$top/upload.bin" >/dev/null
bench_scheme http
bench_scheme https
echo "== results"
cat "$top/result.http" "$top/result.https"
