#!/usr/bin/env bash
# One upload session with curl, as a user would run it: sign in as the demo account, upload one
# file into the first top-level album, sign out; each step a curl process of its own and the cookie
# jar new each time. The upload step alone is also timed into JAR.upload (wall, user, system): it
# is what vendra-cli is measured against.
#
#   benchmarks/curl-session.sh URL FILE JAR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/reference-server.sh"

url=$1 file=$2 jar=$3
rm -f "$jar"
album=$(sign_in_demo "$jar")
mapfile -t tls < <(curl_tls)
reply=$(/usr/bin/time -f '%e %U %S' -a -o "$jar.upload" curl -sf "${tls[@]}" -b "$jar" -F "file=@$file" \
  "$url/soapfileupload.hvxr?album=$album")
grep -q 'actionresult="ok"' <<<"$reply" || { echo "curl upload failed: $reply" >&2; exit 1; }
soap "$jar" Logout '' >/dev/null
