#!/usr/bin/env bash
# Installs the build tree into a prefix whose path has a space in it, checks
# the installed tree (check_tree.sh), and that the programs' --help and
# --version print and end without touching anything:
#   install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/install root/usr"

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" ||
    { cat "$tmp/install.log" >&2; exit 1; }
"$here/check_tree.sh" "$prefix" "$version"

failures=0
fail() { echo "install_test: $*" >&2; failures=$((failures + 1)); }

# drapewell with --help or --version among any other arguments prints and
# ends: it opens no display, takes no lock and reads or writes no settings,
# not even beside itself (bin/ is writable here).
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/runtime"
chmod 700 "$tmp/runtime"
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" \
        XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=offscreen \
        timeout 20 "$prefix/bin/drapewell" "$@"
}
out=$(run --version) || fail "drapewell --version exits with $?"
[ "$out" = "Drapewell $version" ] || fail "drapewell --version: $out"
out=$(run --ignored -x --version) || fail "drapewell -x --version exits with $?"
[ "$out" = "Drapewell $version" ] || fail "drapewell --version after other arguments: $out"
out=$(run --help) || fail "drapewell --help exits with $?"
grep -q "^usage: drapewell" <<<"$out" || fail "drapewell --help: no usage line"
grep -q -- "--version" <<<"$out" || fail "drapewell --help does not name --version"
left=$(find "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/runtime" -mindepth 1)
[ -z "$left" ] || fail "--help/--version left files behind: $left"
[ ! -e "$prefix/bin/Drapewell.ini" ] || fail "--help/--version wrote Drapewell.ini beside the program"

[ "$failures" -eq 0 ] || exit 1
echo "install_test: passed"
