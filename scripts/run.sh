#!/usr/bin/env bash
# Sets everything up and opens the desktop program signed in to the reference media server with
# its demo account. The server keeps its data in .demo-data and the program its settings, password
# and logs in .demo-profile (both git-ignored), so your own settings stay untouched. Closing the
# program stops the server.
#
# Without a keyring the sign-in window opens filled in and the password is printed here. Without
# a display the program runs under Xvfb, signs in, saves a screenshot and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/build.sh
build_dir=${VENDRA_BUILD_DIR:-build}
server_bin=$root/$build_dir/src/server/vendra-server
cli_bin=$root/$build_dir/src/cli/vendra-cli
app_bin=$root/$build_dir/src/gui/app/vendra-uploader
data_dir=${VENDRA_DEMO_DATA:-$root/.demo-data}
profile_dir=${VENDRA_DEMO_PROFILE:-$root/.demo-profile}
listen=${VENDRA_DEMO_LISTEN:-127.0.0.1:0}
mkdir -p "$data_dir" "$profile_dir/config" "$profile_dir/state" "$profile_dir/runtime"
chmod 700 "$profile_dir/runtime"

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  headless=1
fi

# The server, until this script ends.
server_log=$profile_dir/server.log
server_out=$profile_dir/server.out
: >"$server_out"
"$server_bin" --data "$data_dir" --listen "$listen" --demo >"$server_out" 2>"$server_log" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^listening on ' "$server_out" && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$server_log" >&2; echo "vendra-server did not start" >&2; exit 1; }
  sleep 0.1
done
url=$(sed -n 's/^listening on //p' "$server_out" | head -n 1)
[ -n "$url" ] || { echo "vendra-server did not say where it listens" >&2; exit 1; }
hostport=${url#*://}
hostport=${hostport%%/*}
host=${hostport%:*}
port=${hostport##*:}

# Runs the program (or another command) with the demo profile's folders instead of the user's.
with_profile() {
  XDG_CONFIG_HOME="$profile_dir/config" XDG_STATE_HOME="$profile_dir/state" "$@"
}

# The demo profile: this server, plain HTTP, user "demo", signed in at start when the password
# could be saved. Written afresh each run, since the port changes.
store_profile() {
  with_profile "$cli_bin" profile --server "$host" --port "$port" --http --user demo >/dev/null
  saved=0
  if echo demo | with_profile "$cli_bin" profile --save-password >/dev/null 2>&1; then
    saved=1
  fi
  ini=$profile_dir/config/Vendra/VendraUploader.ini
  grep -v '^dontshow=' "$ini" >"$ini.new" || true
  mv "$ini.new" "$ini"
  if grep -q '^\[General\]' "$ini"; then
    sed -i "s/^\[General\]\$/[General]\ndontshow=$([ $saved = 1 ] && echo true || echo false)/" "$ini"
  else
    printf '[General]\ndontshow=%s\n' "$([ $saved = 1 ] && echo true || echo false)" >>"$ini"
  fi
}

cat <<EOT

vendra-server, the reference media server, with the demo account
  address:   $url  (data in $data_dir, delete the folder to start afresh)
  sign in:   user "demo", password "demo" (every right, 10 GiB, albums Holidays, Holidays/2019, Family)
  profile:   $profile_dir (the program's settings and logs for this demo; yours stay untouched)
EOT

if [ $headless = 1 ]; then
  # A keyring of its own inside a private session bus, so the program can sign in by itself.
  shot=${VENDRA_DEMO_SCREENSHOT:-$profile_dir/screenshot.png}
  echo
  echo "No display found: running the program under Xvfb; it signs in, saves a screenshot and quits."
  export XDG_RUNTIME_DIR="$profile_dir/runtime"
  export VENDRA_RUN_CLI=$cli_bin VENDRA_RUN_APP=$app_bin VENDRA_RUN_SHOT=$shot
  export VENDRA_RUN_HOST=$host VENDRA_RUN_PORT=$port VENDRA_RUN_PROFILE=$profile_dir
  export -f with_profile store_profile
  export profile_dir cli_bin host port
  dbus-run-session -- bash -c '
    eval "$(printf demo | gnome-keyring-daemon --unlock --components=secrets --daemonize)"
    export GNOME_KEYRING_CONTROL
    sleep 0.3
    store_profile
    with_profile xvfb-run -a -s "-screen 0 1400x900x24" "$VENDRA_RUN_APP" --screenshot "$VENDRA_RUN_SHOT"
  '
  echo "Screenshot: $shot"
  exit 0
fi

store_profile
if [ "$saved" = 1 ]; then
  echo "  The password is saved in your keyring for this address; the program signs in by itself."
else
  echo "  No keyring is running: the sign-in window opens filled in; type the password: demo"
fi
echo "Closing the program stops the server."
echo
with_profile "$app_bin"
