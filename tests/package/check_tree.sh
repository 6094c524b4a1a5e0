#!/usr/bin/env bash
# Checks an installed Drapewell tree:
#   check_tree.sh PREFIX VERSION
# PREFIX is where bin/ and share/ are (an install prefix, or usr/ of an
# unpacked package); VERSION the project's version. The desktop entry and
# the metainfo must validate, the icon named by both must exist at every
# size it claims, both programs must run from there, the man pages must
# render without warnings, and the tool must read an installed sample.
set -euo pipefail
prefix=$1
version=$2
share=$prefix/share
failures=0
fail() { echo "check_tree: $*" >&2; failures=$((failures + 1)); }
need() { [ -e "$1" ] || fail "missing: ${1#"$prefix"/}"; }

need "$prefix/bin/drapewell"
need "$prefix/bin/drapewell-tool"
desktop=$share/applications/Drapewell.desktop
metainfo=$share/metainfo/invalid.drapewell.Drapewell.metainfo.xml
need "$desktop"
need "$metainfo"
need "$share/man/man1/drapewell.1"
need "$share/man/man1/drapewell-tool.1"
need "$share/icons/hicolor/scalable/apps/drapewell.svg"
service=$share/dbus-1/services/invalid.drapewell.Drapewell.service
need "$service"
[ "$failures" -eq 0 ] || exit 1

# Only what is installed runs: no build tree on the library path.
tool=$prefix/bin/drapewell-tool

# Hints (such as "DesktopSettings could also be Settings") are not failures.
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop entry does not validate: $out"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "metainfo does not validate"

# The entry starts a program that is installed, by the name on the PATH.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not in bin/"
# The bus service file names the application id and starts the installed
# program (by the full path the build was configured for).
grep -qx 'Name=invalid.drapewell.Drapewell' "$service" || fail "the bus service file names another name"
grep -Eqx 'Exec=/.*/bin/drapewell' "$service" || fail "the bus service file starts $(sed -n 's/^Exec=//p' "$service")"
# The entry, the metainfo and the theme agree on the icon's name.
icon=$(sed -n 's/^Icon=//p' "$desktop")
grep -q "<icon type=\"stock\">$icon</icon>" "$metainfo" || fail "metainfo names another icon than $icon"
grep -q "<launchable type=\"desktop-id\">Drapewell.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch Drapewell.desktop"
# Each fixed-size icon is a picture of the size its directory says.
sizes=0
for dir in "$share"/icons/hicolor/*x*/apps; do
    size=${dir%/apps}
    size=${size##*/}
    png=$dir/$icon.png
    [ -f "$png" ] || { fail "no $icon.png in $size"; continue; }
    info=$("$tool" info "$png") || { fail "$png does not read"; continue; }
    grep -qx "width: ${size%x*}" <<<"$info" && grep -qx "height: ${size#*x}" <<<"$info" ||
        fail "$png is not $size"
    sizes=$((sizes + 1))
done
[ "$sizes" -ge 4 ] || fail "the icon comes in $sizes fixed sizes, expected several"

# One version everywhere: the programs, the metainfo's newest release, the man pages.
[ "$("$prefix/bin/drapewell" --version)" = "Drapewell $version" ] ||
    fail "drapewell --version: $("$prefix/bin/drapewell" --version)"
"$tool" --version | grep -q " $version\$" || fail "drapewell-tool --version: $("$tool" --version)"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
for page in drapewell drapewell-tool; do
    file=$share/man/man1/$page.1
    grep -q "\"Drapewell $version\"" "$file" || fail "$page.1 is not for version $version"
    warnings=$(MANWIDTH=80 man -l --warnings "$file" 2>&1 >/dev/null) || fail "$page.1 does not render"
    [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
    text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
    grep -q "^NAME" <<<"$text" || fail "$page.1 renders no NAME"
    # A request that lost its line start is printed as text instead of obeyed.
    stray=$(grep -E '\.(br|TP|PP|SH|B|I|BR|BI|IR|RB)( |$)' <<<"$text" || true)
    [ -z "$stray" ] || fail "$page.1 shows requests as text: $stray"
done

# The sample pictures are installed and readable by the installed tool.
samples=("$share"/drapewell/samples/*.jpg)
[ -f "${samples[0]}" ] || fail "no sample pictures"
for sample in "${samples[@]}"; do
    "$tool" info "$sample" | grep -qx "type: JPEG" || fail "${sample##*/} does not read as JPEG"
done

[ "$failures" -eq 0 ] || exit 1
echo "check_tree: $prefix is complete"
