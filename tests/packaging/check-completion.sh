#!/usr/bin/env bash
# Checks the installed bash completion of vendra-cli against the installed program: it offers
# exactly the program's commands and options, the options of the command on the line, files
# where files go, and nothing for values that are not files.
# Usage: check-completion.sh COMPLETION_FILE VENDRA_CLI
set -uo pipefail
completion=$1
cli=$2
here=$(dirname "$(realpath "$0")")

# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
source "$completion"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# What the completion offers for a command line whose last word is being typed, sorted, one line.
offered() {
  # A word "=" stands for "--option=value", which bash splits into three words.
  local line="vendra-cli $*"
  local COMP_WORDS=(vendra-cli "$@") COMP_CWORD=$# COMP_LINE=${line// = /=} COMPREPLY=()
  local COMP_POINT=${#COMP_LINE}
  _vendra_cli vendra-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort -u | tr '\n' ' '
}

expect() {
  local want=$1
  shift
  local got
  got=$(offered "$@")
  [ "$got" = "$want" ] || fail "vendra-cli $*<TAB> offers '$got', expected '$want'"
}

help=$("$cli" --help)
commands=$(printf '%s\n' "$help" | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' | sort | tr '\n' ' ')
[ -n "$commands" ] || fail "no commands in vendra-cli --help"
expect "$commands" ""

# Together the commands' completions offer exactly the options the program knows.
program_options=$("$here/help-options.sh" "$cli" | tr '\n' ' ')
completed_options=$(for command in $commands; do offered "$command" --; done | tr ' ' '\n' | grep . | sort -u | tr '\n' ' ')
[ "$completed_options" = "$program_options" ] ||
  fail "the completion offers options '$completed_options', vendra-cli knows '$program_options'"

# A command's own options only with that command, wherever the common options stand.
[[ " $(offered upload --) " == *" --to "* ]] || fail "upload does not offer --to"
[[ " $(offered --server host.example --user me upload --pa) " == *" --parallel "* ]] ||
  fail "upload after options does not offer --parallel"
[[ " $(offered login --) " != *" --to "* ]] || fail "login offers --to"
[[ " $(offered --) " != *" --save-password "* ]] || fail "no command yet, but --save-password offered"
expect "--save-password " profile --sa

# Values: files for --ca-cert and for the paths of upload, nothing for numbers and names.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/photos"
touch "$tmp/server.pem" "$tmp/photos/a.jpg"
cd "$tmp" || exit 1
expect "photos server.pem " --ca-cert ""
expect "server.pem " --ca-cert s
expect "server.pem " --ca-cert = s
expect "" --port ""
expect "" --parallel ""
expect "" upload --to ""
expect "photos server.pem " upload --to Holidays ""
expect "photos/a.jpg " --server h upload --to Holidays photos/
expect "" login ""

exit $((failures > 0))
