#!/usr/bin/env bash
# Uploads one file (1 GiB by default) to a fresh vendra-server, with vendra-cli and with curl -F in
# the same run, and compares wall time, CPU time and vendra-cli's peak memory. Each tool runs three
# times, taking turns; the fastest run of each counts. vendra-cli's time includes signing in and out. The last line is the result:
#   cli/curl time ratio: X, cli/curl CPU ratio: Z, cli peak RSS MiB: Y
#
#   benchmarks/cli-upload.sh [path/to/vendra-server] [path/to/vendra-cli] [size, default 1G]
#   cmake --build build --target bench-cli-upload
set -euo pipefail

server=${1:-build/src/server/vendra-server}
cli=${2:-build/src/cli/vendra-cli}
size=${3:-1G}
work=$(mktemp -d /tmp/vendra-bench-cli.XXXXXX)
server_pid=
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid"
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$server" --data "$work/data" --demo --auto-approve --listen 127.0.0.1:0 --max-transfer-size 4G \
  >"$work/stdout" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$work/stdout" 2>/dev/null && break
  sleep 0.1
done
url=$(sed -n 's/^listening on //p' "$work/stdout")
[ -n "$url" ] || { echo "the server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
port=${url##*:}

soap() { # method, parameters as XML
  curl -sf -b "$work/cookies" -c "$work/cookies" -H 'Content-Type: text/xml; charset=utf-8' -H "SOAPAction: $1" \
    --data-binary "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body><m:$1 xmlns:m=\"urn:bench\">$2</m:$1></SOAP-ENV:Body></SOAP-ENV:Envelope>" \
    "$url/soap/soap_server_uploadtool.hvxr?client=10"
}
soap CheckVersion '<strVersion xsi:type="xsd:string">10.LINUX.1.0.0</strVersion>' >/dev/null
soap Login '<strUsername xsi:type="xsd:string">demo</strUsername><strPassword xsi:type="xsd:string">demo</strPassword>' \
  | grep -q '<ActionResponse xsi:type="xsd:string">OK</ActionResponse>'
album=$(soap GetTopLevelAlbums '' | grep -o '<m_nAlbumID xsi:type="xsd:int">[0-9]*' | head -1 | grep -o '[0-9]*$')

fallocate -l "$size" "$work/upload.bin" 2>/dev/null || truncate -s "$size" "$work/upload.bin"
bytes=$(stat -c %s "$work/upload.bin")
# Read once so that both tools start from the page cache.
cat "$work/upload.bin" >/dev/null

# Prints "wall cpu peakKiB" of one command.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/last.out" 2>"$work/last.err" ||
    { echo "failed: $*" >&2; cat "$work/last.out" "$work/last.err" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

best() { # the run with the smaller wall time
  sort -n | head -1
}

# Each stored copy is checked and removed, and the disk settled, before the next run, so that
# neither tool pays for writing back the other's gigabyte. The tools take turns.
check_and_clear() {
  stored=$(find "$work/data/albums" -name 'upload*.bin' -printf '%s\n')
  [ "$stored" = "$bytes" ] || { echo "stored: ${stored:-nothing}, expected $bytes bytes" >&2; exit 1; }
  find "$work/data/albums" -name 'upload*.bin' -delete
  sync
}
sync
: >"$work/curl.runs"
: >"$work/cli.runs"
for _ in 1 2 3; do
  measure curl -sf -b "$work/cookies" -F "file=@$work/upload.bin" -o "$work/reply.xml" \
    "$url/soapfileupload.hvxr?album=$album" >>"$work/curl.runs"
  grep -q 'actionresult="ok"' "$work/reply.xml" || { echo "curl upload failed" >&2; exit 1; }
  check_and_clear
  VENDRA_PASSWORD=demo measure "$cli" --server 127.0.0.1 --port "$port" --http --user demo \
    upload --to Holidays "$work/upload.bin" >>"$work/cli.runs"
  check_and_clear
done
curl_runs=$(best <"$work/curl.runs")
cli_runs=$(best <"$work/cli.runs")

read -r curl_wall curl_cpu _ <<<"$curl_runs"
read -r cli_wall cli_cpu cli_kib <<<"$cli_runs"
echo "file: $bytes bytes"
echo "curl: ${curl_wall} s wall, ${curl_cpu} s CPU"
echo "vendra-cli: ${cli_wall} s wall, ${cli_cpu} s CPU, peak RSS ${cli_kib} KiB"
awk -v cw="$cli_wall" -v uw="$curl_wall" -v cc="$cli_cpu" -v uc="$curl_cpu" -v k="$cli_kib" 'BEGIN {
  printf "cli/curl time ratio: %.2f, cli/curl CPU ratio: %.2f, cli peak RSS MiB: %.1f\n", cw / uw, cc / (uc > 0 ? uc : 0.01), k / 1024
}'
