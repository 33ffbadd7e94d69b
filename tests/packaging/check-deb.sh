#!/usr/bin/env bash
# Makes the Debian package from a finished build folder (once) and checks it as a distribution
# would: lintian, then the unpacked tree: each program runs from it, the desktop entry, the
# AppStream metainfo, the icons, the manual pages, the bash completion and the server's user
# service.
# Usage: check-deb.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d "${TMPDIR:-/tmp}/vendra-deb.XXXXXX")
server_pid=
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $*"; }
programs=(vendra-uploader vendra-cli vendra-server)

step "cpack -G DEB"
(cd "$build_dir" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected one package, got: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
echo "$(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

step "control fields"
dpkg-deb --field "$deb"
version=$(dpkg-deb --field "$deb" Version)
depends=$(dpkg-deb --field "$deb" Depends)
# dpkg-shlibdeps found the shared libraries the programs link.
for library in libc6 libqt6core6 libqt6widgets6 libqt6network6 libsqlite3-0 libssl3 libsecret-1-0; do
  [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
    fail "Depends lacks $library: $depends"
done
[[ $(dpkg-deb --field "$deb" Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "no proper Maintainer"
[ "$(dpkg-deb --field "$deb" Section)" = net ] || fail "Section is not net"
[ "$(dpkg-deb --field "$deb" Description | wc -l)" -gt 5 ] || fail "no long Description"

step "lintian"
lintian --info --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian found errors or warnings"
cat "$work/lintian.log"

step "unpack"
root=$work/root
dpkg -x "$deb" "$root"
(cd "$root" && find . -type f -o -type l | sort)

step "installed programs"
for program in "${programs[@]}"; do
  binary=$root/usr/bin/$program
  [ -x "$binary" ] || { fail "$program is not installed"; continue; }
  # The private library is found relative to the program, not through the build tree.
  if ldd "$binary" | grep -q 'not found'; then
    fail "$program misses libraries: $(ldd "$binary" | grep 'not found')"
  fi
  if ldd "$binary" | grep -q libvendracore && ! ldd "$binary" | grep libvendracore | grep -qF "$root/"; then
    fail "$program does not take libvendracore from its own tree"
  fi
  output=$(env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen "$binary" --version 2>&1) ||
    fail "$program --version failed: $output"
  echo "$program --version: $output"
  [[ $output == *"$version"* ]] || fail "$program --version does not say $version"
done

# The installed server and command line work together over HTTPS with the server's own
# certificate (TLS goes through Qt's plugin, found by the installed program).
step "installed vendra-cli against installed vendra-server --tls"
mkdir -p "$work/home/config" "$work/server"
"$root/usr/bin/vendra-server" --data "$work/server" --listen 127.0.0.1:0 --tls --demo \
  >"$work/server.out" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$work/server.out" && break
  sleep 0.1
done
port=$(sed -n 's/^listening on https:\/\/127.0.0.1:\([0-9]*\)$/\1/p' "$work/server.out")
if [ -z "$port" ]; then
  fail "installed vendra-server did not start: $(cat "$work/server.log")"
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" || true
else
  albums=$(XDG_CONFIG_HOME=$work/home/config VENDRA_PASSWORD=demo "$root/usr/bin/vendra-cli" \
    --server 127.0.0.1 --port "$port" --user demo --ca-cert "$work/server/tls/cert.pem" albums 2>&1) ||
    fail "installed vendra-cli albums failed: $albums"
  [ "$(printf '%s\n' "$albums" | sort | tr '\n' ' ')" = "Family Holidays Holidays/2019 " ] ||
    fail "installed vendra-cli listed: $albums"
  kill "$server_pid"
  wait "$server_pid" || fail "vendra-server did not stop cleanly on SIGTERM"
fi
server_pid=

step "desktop entry"
desktop=$root/usr/share/applications/vendra-uploader.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "the desktop entry runs $exec_name, which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")

step "icons"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
png=$root/usr/share/icons/hicolor/128x128/apps/$icon.png
file "$png"
file "$png" | grep -q 'PNG image data, 128 x 128' || fail "no 128 px PNG icon $icon"

step "AppStream metainfo"
metainfo_files=("$root"/usr/share/metainfo/*.metainfo.xml)
metainfo=${metainfo_files[0]}
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo file not named after its id $id"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$root/usr/share/applications/$launchable" ] || fail "launchable $launchable is not installed"
grep -q "<icon type=\"stock\">$icon</icon>" "$metainfo" || fail "metainfo icon is not $icon"
grep -q '<content_rating type="oars-1.1"' "$metainfo" || fail "no content rating"
newest=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "newest release in the metainfo is $newest, the package is $version"
shots=$(grep -o '<image>[^<]*</image>' "$metainfo" | sed 's:<image>\(.*\)</image>:\1:')
[ -n "$shots" ] || fail "no screenshots"
for shot in $shots; do
  [ -f "$source_dir/docs/screenshots/$(basename "$shot")" ] || fail "screenshot $shot is not in docs/screenshots"
done

step "manual pages"
for program in "${programs[@]}"; do
  page=$root/usr/share/man/man1/$program.1.gz
  [ -f "$page" ] || { fail "no manual page for $program"; continue; }
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/page.err" ||
    fail "man -l $program failed"
  [ -s "$work/page.err" ] && fail "man -l $program warns: $(cat "$work/page.err")"
  head -n 3 "$work/page.txt"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do
    grep -q "^$section\$" "$work/page.txt" || fail "the page of $program has no $section"
  done
  # Every option the program lists in --help is described (wide, so no option is hyphenated).
  LC_ALL=C MANWIDTH=1000 man -l "$page" 2>/dev/null >"$work/page-wide.txt"
  for option in $("$here/help-options.sh" "$root/usr/bin/$program"); do
    grep -qF -- "$option" "$work/page-wide.txt" || fail "the page of $program does not describe $option"
  done
done

step "bash completion"
completion=$root/usr/share/bash-completion/completions/vendra-cli
[ -f "$completion" ] || fail "no bash completion for vendra-cli"
bash "$here/check-completion.sh" "$completion" "$root/usr/bin/vendra-cli" || fail "bash completion"

step "user service"
unit=$root/usr/lib/systemd/user/vendra-server.service
cat "$unit"
program=$(sed -n 's/^ExecStart=\([^ ]*\) .*/\1/p' "$unit")
[ "$program" = /usr/bin/vendra-server ] || fail "the service starts $program"
grep -q '^ExecStart=.* --data %h/.local/share/vendra-server' "$unit" || fail "the service keeps its data elsewhere"
# systemd-analyze checks the unit's syntax and that its program runs; the program is looked for at
# its installed path, so a copy of the unit names the unpacked one.
sed "s|$program|$root$program|" "$unit" >"$work/vendra-server.service"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user --man=no verify "$work/vendra-server.service" \
  >"$work/verify.log" 2>&1 || fail "systemd-analyze verify failed"
[ -s "$work/verify.log" ] && fail "systemd-analyze verify: $(cat "$work/verify.log")"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package checks passed: $(basename "$deb")"
