#!/usr/bin/env bash
# Uploads one file (1 GiB by default) to a fresh vendra-server with vendra-cli and with curl -F, and
# compares wall time, CPU time and vendra-cli's peak memory.
#
# Both tools are measured the same way, from start to finish of a whole session: curl signs in
# (CheckVersion, Login), looks the album up, uploads and signs out, each step a curl process of its
# own; vendra-cli does the same work in one process. After one warm-up run of each (not counted),
# the tools take turns for RUNS pairs, each pair in the opposite order from the one before. Every
# stored copy is checked for its size and removed, and the disk settled, before the next run, so
# that no run pays for writing back another's data. The ratios are the medians of the pairs' ratios,
# which keeps a burst of load from elsewhere on the machine out of the result. The result compares
# vendra-cli's whole session with curl's upload step alone (curl has signed in before); the ratios
# of the two whole sessions are printed above it. The peak memory is the
# largest of all vendra-cli runs; a last vendra-cli run with a file a quarter of the size shows that
# it does not grow with the file. The last line is the result:
#   cli/curl time ratio: X, cli/curl CPU ratio: Z, cli peak RSS MiB: Y
#
#   benchmarks/cli-upload.sh [path/to/vendra-server] [path/to/vendra-cli] [size, default 1G] [runs, default 5]
#   cmake --build build --target bench-cli-upload
set -euo pipefail

server=${1:-build/src/server/vendra-server}
cli=${2:-build/src/cli/vendra-cli}
size=${3:-1G}
runs=${4:-5}
work=$(mktemp -d /tmp/vendra-bench-cli.XXXXXX)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/reference-server.sh"
trap 'stop_server; rm -rf "$work"' EXIT

# The demo account, with room for every run: the server counts what was uploaded, not what is left.
start_server --demo
stop_server
"$server" --data "$work/data" user set demo --quota 1T >/dev/null
start_server --auto-approve --max-transfer-size 4G

fallocate -l "$size" "$work/upload.bin" 2>/dev/null || truncate -s "$size" "$work/upload.bin"
bytes=$(stat -c %s "$work/upload.bin")
# Read once so that both tools start from the page cache.
cat "$work/upload.bin" >/dev/null

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
  VENDRA_PASSWORD=demo measure "$cli" --server 127.0.0.1 --port "$port" --http --user demo \
    upload --to Holidays "$1"
  check_and_clear "$2"
}

median() { # of the numbers on standard input
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

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

# A quarter of the size: the peak memory must stay where it is. An empty file: what a session
# costs besides the transfer.
small_bytes=$((bytes / 4))
truncate -s "$small_bytes" "$work/upload.bin"
read -r _ _ small_kib <<<"$(run_cli "$work/upload.bin" "$small_bytes")"
truncate -s 0 "$work/upload.bin"
read -r empty_wall empty_cpu _ <<<"$(run_cli "$work/upload.bin" 0)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

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
awk -v k="$small_kib" -v b="$small_bytes" 'BEGIN { printf "vendra-cli peak RSS with %d bytes: %.1f MiB\n", b, k / 1024 }'
awk -v t="$time_ratio" -v c="$cpu_ratio" -v k="$cli_kib" 'BEGIN {
  printf "cli/curl time ratio: %.2f, cli/curl CPU ratio: %.2f, cli peak RSS MiB: %.1f\n", t, c, k / 1024
}'
