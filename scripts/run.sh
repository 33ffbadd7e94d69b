#!/usr/bin/env bash
# Sets everything up and runs the reference media server with the demo account, on a data folder
# kept in the repository (.demo-data, git-ignored). Until the desktop program exists, this is what
# there is to run: point vendra-cli (or curl) at it. Stop it with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
build_dir=${VENDRA_BUILD_DIR:-build}
data_dir=${VENDRA_DEMO_DATA:-$PWD/.demo-data}
listen=${VENDRA_DEMO_LISTEN:-127.0.0.1:8080}
mkdir -p "$data_dir"

cat <<EOT

vendra-server, the reference media server, with the demo account
  address:   http://$listen  (SOAP at /soap/soap_server_uploadtool.hvxr)
  sign in:   user "demo", password "demo" (every right, 10 GiB, albums Holidays, Holidays/2019, Family)
  data:      $data_dir (albums under albums/demo/, delete the folder to start afresh)

Try it from another terminal with vendra-cli, the uploader's engine on the command line:
  export VENDRA_PASSWORD=demo
  $build_dir/src/cli/vendra-cli --server ${listen%:*} --port ${listen##*:} --http --user demo albums
  $build_dir/src/cli/vendra-cli --server ${listen%:*} --port ${listen##*:} --http --user demo upload --to Family some-folder
Web pages: the links come with GetPendingFilesButtonDetails and GetMyPicturesButtonDetails.
More: $build_dir/src/server/vendra-server --help

EOT
exec "$build_dir/src/server/vendra-server" --data "$data_dir" --listen "$listen" --demo
