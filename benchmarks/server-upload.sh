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
server_pid=
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid"
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$server" --data "$work/data" --demo --listen 127.0.0.1:0 --max-transfer-size 4G \
  >"$work/stdout" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$work/stdout" 2>/dev/null && break
  sleep 0.1
done
url=$(sed -n 's/^listening on //p' "$work/stdout")
[ -n "$url" ] || { echo "the server did not start" >&2; cat "$work/server.log" >&2; exit 1; }

soap() { # method, parameters as XML
  curl -sf -b "$work/cookies" -c "$work/cookies" -H 'Content-Type: text/xml; charset=utf-8' -H "SOAPAction: $1" \
    --data-binary "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body><m:$1 xmlns:m=\"urn:bench\">$2</m:$1></SOAP-ENV:Body></SOAP-ENV:Envelope>" \
    "$url/soap/soap_server_uploadtool.hvxr?client=10"
}
soap CheckVersion '<strVersion xsi:type="xsd:string">10.LINUX.1.0.0</strVersion>' >/dev/null
soap Login '<strUsername xsi:type="xsd:string">demo</strUsername><strPassword xsi:type="xsd:string">demo</strPassword>' \
  | grep -q '<ActionResponse xsi:type="xsd:string">OK</ActionResponse>'
album=$(soap GetTopLevelAlbums '' | grep -o '<m_nAlbumID xsi:type="xsd:int">[0-9]*' | head -1 | grep -o '[0-9]*$')

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
