#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: builds, then runs ctest inside a private
# D-Bus session with its own unlocked gnome-keyring and a throw-away home folder, so no test can
# touch this machine's real settings, keyring or logs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/build.sh
build_dir=${VENDRA_BUILD_DIR:-build}

sandbox=$(mktemp -d /tmp/vendra-tests.XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/home" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"
export HOME="$sandbox/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_STATE_HOME="$HOME/.local/state" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$sandbox/runtime"
export VENDRA_TEST_SANDBOX="$sandbox"
unset DISPLAY WAYLAND_DISPLAY

cd "$build_dir"
# Not exec: the trap above must still remove the sandbox afterwards.
dbus-run-session -- sh -c '
  eval "$(printf test | gnome-keyring-daemon --unlock --components=secrets --daemonize)"
  export GNOME_KEYRING_CONTROL
  sleep 0.3
  exec ctest --output-on-failure --no-tests=error -j 2 "$@"
' vendra-tests "$@"
