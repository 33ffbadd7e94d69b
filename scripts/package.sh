#!/usr/bin/env bash
# Builds (incrementally, like scripts/build.sh) and makes the Debian package in build/; prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
build_dir=${VENDRA_BUILD_DIR:-build}
cd "$build_dir"
cpack -G DEB >cpack.log || { cat cpack.log >&2; exit 1; }
sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' cpack.log
