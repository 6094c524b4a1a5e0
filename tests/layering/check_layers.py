#!/usr/bin/env python3
"""Fails when a source file includes a library above its own, or when a
Qt-free library includes Qt (or a platform header outside platform/).

Each library folder is listed with the folders it may include and whether it
may include Qt. A folder not listed is an error, so a new library must be
placed here, in the architecture, before it builds anything."""

import pathlib
import re
import sys

# folder: (folders it may include, Qt allowed). Kept in step with the
# target_link_libraries of each folder's CMakeLists.txt; docs/architecture.md
# draws the same graph.
LIBRARIES = {
    "platform/x11": ((), False),
    "platform/base": ((), False),
    "platform/gdi": (("platform/x11",), False),
    "platform/desktop": (("platform/base", "platform/x11"), False),
    "platform/qt": (("platform/base", "platform/gdi"), True),
    "platform/hotkey": (("platform/base", "platform/desktop"), True),
    "image": (("platform/base", "platform/gdi", "platform/x11"), False),
    "codecs": (("image", "platform/base", "platform/gdi"), False),
    "wallpaper": (("codecs", "image", "platform/base", "platform/gdi", "platform/desktop"), False),
    "shell": (("platform/base", "platform/gdi", "platform/qt"), True),
    "rotation": (("platform/base",), False),
    "app": (("wallpaper", "shell", "rotation", "codecs", "image", "platform/base", "platform/gdi",
             "platform/desktop", "platform/qt", "platform/hotkey"), True),
    "tools": (("app", "wallpaper", "shell", "rotation", "codecs", "image", "platform/base",
               "platform/gdi", "platform/desktop", "platform/qt", "platform/x11"), True),
}
# Programs that sit on top of everything: they may include any library.
UNCHECKED = ("tests", "bench", "fuzz", "build", "res", "docs", "scripts", "cmake")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT = re.compile(r"^(Q[A-Z]\w*|Qt\w*/)")
# System interfaces that only platform/ may talk to.
SYSTEM = re.compile(r"^(X11/|xcb/|gio/|glib|dbus/)")


def library_of(path: pathlib.PurePosixPath) -> str | None:
    text = str(path)
    best = None
    for folder in LIBRARIES:
        if text.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best


def check(root: pathlib.Path) -> list[str]:
    problems = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".cpp", ".h") or not file.is_file():
            continue
        rel = pathlib.PurePosixPath(file.relative_to(root).as_posix())
        if rel.parts[0] in UNCHECKED or rel.parts[0].startswith("."):
            continue
        library = library_of(rel)
        if library is None:
            problems.append(f"{rel}: not in any library folder known to the layering check")
            continue
        allowed, qt = LIBRARIES[library]
        for number, line in enumerate(file.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, header = match.groups()
            where = f"{rel}:{number}"
            if kind == "<":
                if not qt and QT.match(header):
                    problems.append(f"{where}: {library} is Qt-free but includes <{header}>")
                if SYSTEM.match(header) and not library.startswith("platform/"):
                    problems.append(f"{where}: only platform/ includes <{header}>")
                continue
            target = library_of(pathlib.PurePosixPath(header))
            if target is None or target == library:
                continue
            if target not in allowed:
                problems.append(f"{where}: {library} may not include {header} ({target})")
    return problems


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    problems = check(root)
    for problem in problems:
        print(problem)
    print(f"layering: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
