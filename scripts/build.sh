#!/usr/bin/env bash
# Installs what is missing, then configures (once) and builds incrementally into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${VENDRA_BUILD_DIR:-build}
export CCACHE_DIR=${CCACHE_DIR:-$PWD/.ccache}
# Paths relative to the checkout, so that clones and worktrees share cached objects.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
# Debug info would otherwise pin every object to the directory it was built in.
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build_dir" -j "$(nproc)"
