# Sourced by the benchmark scripts: a fresh vendra-server on a free loopback port, and SOAP calls
# to it with curl. For start_server the caller sets `server` (the executable) and `work` (its
# temporary folder); soap and sign_in_demo need only `url`. With HTTPS (start_server --tls), curl
# trusts the server's own certificate through VENDRA_BENCH_CACERT, which start_server sets.

# vendra-cli keeps its settings and upload journal under the home folder: each benchmark gives it a
# throw-away one, so that a run neither reads what earlier runs left nor writes into the user's.
use_private_home() { # folder
  export HOME=$1/home XDG_CONFIG_HOME=$1/home/.config XDG_STATE_HOME=$1/home/.local/state
  export XDG_CACHE_HOME=$1/home/.cache XDG_DATA_HOME=$1/home/.local/share
  mkdir -p "$HOME"
}

server_pid=
stop_server() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid"
    wait "$server_pid" 2>/dev/null || true
  fi
  server_pid=
}

# Starts the server on $work/data with the options given; sets url and port.
start_server() {
  "$server" --data "$work/data" --listen 127.0.0.1:0 "$@" >"$work/stdout" 2>"$work/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q '^listening on ' "$work/stdout" 2>/dev/null && break
    sleep 0.1
  done
  url=$(sed -n 's/^listening on //p' "$work/stdout")
  [ -n "$url" ] || { echo "the server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
  port=${url##*:}
  export VENDRA_BENCH_CACERT=
  [ -f "$work/data/tls/cert.pem" ] && export VENDRA_BENCH_CACERT=$work/data/tls/cert.pem
  return 0
}

# curl's options for the server: its certificate trusted over HTTPS.
curl_tls() {
  if [[ $url == https:* ]]; then
    printf '%s\n' --cacert "$VENDRA_BENCH_CACERT"
  fi
}

# One SOAP call; prints the reply.
soap() { # cookie jar, method, parameters as XML
  mapfile -t tls < <(curl_tls)
  curl -sf "${tls[@]}" -b "$1" -c "$1" -H 'Content-Type: text/xml; charset=utf-8' -H "SOAPAction: $2" \
    --data-binary "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body><m:$2 xmlns:m=\"urn:bench\">$3</m:$2></SOAP-ENV:Body></SOAP-ENV:Envelope>" \
    "$url/soap/soap_server_uploadtool.hvxr?client=10"
}

# Signs in as the demo account, as a client does; prints the id of the first top-level album.
sign_in_demo() { # cookie jar
  soap "$1" CheckVersion '<strVersion xsi:type="xsd:string">10.LINUX.1.0.0</strVersion>' >/dev/null
  soap "$1" Login '<strUsername xsi:type="xsd:string">demo</strUsername><strPassword xsi:type="xsd:string">demo</strPassword>' |
    grep -q '<ActionResponse xsi:type="xsd:string">OK</ActionResponse>'
  soap "$1" GetTopLevelAlbums '' | grep -o '<m_nAlbumID xsi:type="xsd:int">[0-9]*' | head -1 | grep -o '[0-9]*$'
}
