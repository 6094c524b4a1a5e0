#!/bin/sh
# The layering check itself: a small tree with one fault of each kind must
# fail with each named, and the same tree without them must pass.
set -eu
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/image" "$tree/codecs" "$tree/app" "$tree/platform/base"
printf '#include "platform/base/paths.h"\n#include <vector>\n' > "$tree/image/ok.cpp"
printf '#include "image/ok.h"\n' > "$tree/codecs/ok.cpp"
printf '#include <QWidget>\n#include "codecs/ok.h"\n' > "$tree/app/ok.cpp"
python3 "$check" "$tree" > /dev/null || { echo "a clean tree was refused"; exit 1; }

printf '#include <QImage>\n' > "$tree/image/qt.cpp"
printf '#include "app/window.h"\n' > "$tree/codecs/up.cpp"
printf '#include <X11/Xlib.h>\n' > "$tree/codecs/x.cpp"
mkdir -p "$tree/stray" && printf '\n' > "$tree/stray/new.cpp"
if out=$(python3 "$check" "$tree"); then
    echo "faults were not found"; exit 1
fi
for expected in "image is Qt-free but includes <QImage>" "codecs may not include app/window.h" \
                "only platform/ includes <X11/Xlib.h>" "stray/new.cpp: not in any library folder"; do
    echo "$out" | grep -qF "$expected" || { echo "missing: $expected"; echo "$out"; exit 1; }
done
echo "layering check: 1 passed, 0 failed"
