#!/usr/bin/env bash
# Sets everything up and runs the program against the reference server with the demo account.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
build_dir=${VENDRA_BUILD_DIR:-build}
data_dir=${VENDRA_DEMO_DATA:-$PWD/.demo-data}
mkdir -p "$data_dir"

echo "The desktop program is not built yet; the pieces that exist so far are in $build_dir."
