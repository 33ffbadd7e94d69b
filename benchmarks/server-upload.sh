#!/usr/bin/env bash
# Uploads a 1 GiB file with curl to a fresh vendra-server and reports the throughput and the
# server's peak resident memory, which must stay far below the file size (target: under 64 MiB).
#
#   benchmarks/server-upload.sh [path/to/vendra-server] [size, default 1G]
#   cmake --build build --target bench-server-upload
set -euo pipefail

server=${1:-build/src/server/vendra-server}
size=${2:-1G}
work=$(mktemp -d /tmp/vendra-bench.XXXXXX)
source "$(dirname "${BASH_SOURCE[0]}")/reference-server.sh"
trap 'stop_server; rm -rf "$work"' EXIT

start_server --demo --max-transfer-size 4G
album=$(sign_in_demo "$work/cookies")

# Zeros from a preallocated (or sparse) file: the disk that is measured is the server's.
fallocate -l "$size" "$work/upload.bin" 2>/dev/null || truncate -s "$size" "$work/upload.bin"
bytes=$(stat -c %s "$work/upload.bin")

seconds=$(curl -s -b "$work/cookies" -F "file=@$work/upload.bin" -w '%{time_total}' -o "$work/reply.xml" \
  "$url/soapfileupload.hvxr?album=$album")
grep -q 'actionresult="ok"' "$work/reply.xml" || { echo "upload failed: $(cat "$work/reply.xml")" >&2; exit 1; }
stored=$(find "$work/data/albums" -name upload.bin -printf '%s')
[ "$stored" = "$bytes" ] || { echo "stored $stored bytes of $bytes" >&2; exit 1; }

peak_kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$server_pid/status")
mib_per_s=$(awk -v b="$bytes" -v s="$seconds" 'BEGIN {printf "%.1f", b / 1048576 / s}')
peak_mib=$(awk -v k="$peak_kib" 'BEGIN {printf "%.1f", k / 1024}')
echo "uploaded $bytes bytes in ${seconds}s"
echo "server upload MiB/s: $mib_per_s, server peak RSS MiB: $peak_mib"
