#!/usr/bin/env bash
# drapewell-tool's help: the overview, each command's help both ways, the
# man page written from the same entries, and the failures (an unknown
# command, no arguments) on stderr with status 1:
#   tool_help_test.sh DRAPEWELL_TOOL MAN_PAGE
set -euo pipefail
tool=$1
man_page=$2
failures=0
fail() { echo "tool_help_test: $*" >&2; failures=$((failures + 1)); }

for flag in --help -h help; do
    out=$("$tool" "$flag") || fail "$flag exits with $?"
    grep -q "^usage: drapewell-tool COMMAND" <<<"$out" || fail "$flag prints no usage"
done
overview=$("$tool" --help)
"$tool" --version | grep -Eq '^drapewell-tool \(Drapewell\) [0-9]+\.[0-9]+$' ||
    fail "--version: $("$tool" --version)"

# The commands are the overview's indented lines after "Commands:".
mapfile -t commands < <(sed -n '/^Commands:/,/^$/s/^  \([a-z]\+\) .*/\1/p' <<<"$overview")
[ "${#commands[@]}" -ge 3 ] || fail "--help lists ${#commands[@]} commands"
for command in info convert apply; do
    [[ " ${commands[*]} " == *" $command "* ]] || fail "--help does not list $command"
done
# The man page is written from the same entries as the help: every command
# has its entry there, and every option the help names is in it.
man_text=$(MANWIDTH=200 man -l "$man_page" 2>/dev/null) || fail "the man page does not render"
for command in "${commands[@]}"; do
    grep -Eq "^       $command( |$)" <<<"$man_text" || fail "the man page has no entry for $command"
    while read -r option; do
        grep -qw -- "$option" <<<"$man_text" ||
            fail "the man page has no entry for $command $option"
    done < <("$tool" help "$command" | sed -n 's/^  \(--[a-z0-9-]*\).*/\1/p')
    a=$("$tool" help "$command") || fail "help $command exits with $?"
    b=$("$tool" "$command" --help) || fail "$command --help exits with $?"
    c=$("$tool" "$command" some.png --help) || fail "$command FILE --help exits with $?"
    grep -q "^usage: drapewell-tool $command" <<<"$a" || fail "help $command: $a"
    [ "$a" = "$b" ] && [ "$a" = "$c" ] || fail "help $command and $command --help differ"
done
grep -q -- "--resize" <<<"$("$tool" help convert)" || fail "help convert lists no operations"
grep -q -- "--method" <<<"$("$tool" help apply)" || fail "help apply lists no options"

# Failures stay one line on stderr, nothing on stdout, status 1.
check_failure() {
    local out err status=0
    out=$("$tool" "$@" 2>"$tmp_err") || status=$?
    err=$(cat "$tmp_err")
    [ "$status" -eq 1 ] || fail "$* exits with $status"
    [ -z "$out" ] || fail "$* prints on stdout: $out"
    [ "$(wc -l <<<"$err")" -eq 1 ] && [ -n "$err" ] || fail "$* prints not one line on stderr: $err"
}
tmp_err=$(mktemp)
trap 'rm -f "$tmp_err"' EXIT
check_failure
check_failure help nosuch
check_failure nosuch --help
check_failure info
# The one-line usage of a failure names every command.
usage=$("$tool" 2>&1 || true)
for command in "${commands[@]}"; do
    grep -q " $command " <<<"$usage" || fail "the usage line lacks $command: $usage"
done

[ "$failures" -eq 0 ] || exit 1
echo "tool_help_test: passed"
