#!/usr/bin/env python3
"""Checks the files a killed Drapewell left: the settings file, the history
and the staging bitmap are each complete (an old or a new version, never a
part of one), and no more than a few temporary files lie beside them.
    fault_state_check.py SNAPSHOTS PICTURE_DIR MAX_TEMPORARIES
SNAPSHOTS holds a folder for each kill, numbered, as fault_kills.sh takes
them: copies of Drapewell.ini and History.txt, the staging bitmap's first
54 bytes (MyWallPaper.bmp.head) and length (MyWallPaper.bmp.size), and the
names in each folder written to (*.list). One check at the end, since a
Python start per kill would cost more than the kill.
Prints one line per fault and exits 1 when there is one."""

import pathlib
import re
import struct
import sys

# Every key a save writes, and what its value must look like.
NUMBER = re.compile(r"-?[0-9]+")
FLAG = re.compile(r"[01]")
KEYS = {
    "ChangeMethod": r"[1-4]",
    "TimeInterval": NUMBER.pattern,
    "EnableTimer": FLAG.pattern,
    "PlayMusic": FLAG.pattern,
    "FitToScreen": FLAG.pattern,
    "ImagePath": r".+",
    "MusicPath": r".*",
    "AlwaysOnTop": FLAG.pattern,
    "StartAtLogin": FLAG.pattern,
    "Hide2TrayIcon": FLAG.pattern,
    "RandomMode": FLAG.pattern,
    "LaterPaper": r".*",
    "PlayMode": FLAG.pattern,
    "Position": r"[A-Za-z]+",
    "Hotkey": NUMBER.pattern,
    "MonitorMode": NUMBER.pattern,
    "MatchOrientation": FLAG.pattern,
    "Paused": FLAG.pattern,
}
# A temporary file of an atomic write: ".NAME.XXXXXX" beside NAME.
TEMPORARY = re.compile(r"^\..+\.[A-Za-z0-9]{6}$")


def check_ini(path: pathlib.Path, pictures: set[str]) -> list[str]:
    lines = path.read_text().splitlines() if path.exists() else []
    if not lines or lines[0] != "[Setting]":
        return [f"{path.name}: does not begin with [Setting]: {lines[:1]}"]
    values = {}
    for line in lines[1:]:
        if not line or line.startswith("["):
            continue
        key, sep, value = line.partition("=")
        if not sep:
            return [f"{path.name}: not a key=value line: {line!r}"]
        if key in values:
            return [f"{path.name}: {key} twice"]
        values[key] = value
    # The file the script wrote holds a few keys; a save writes them all.
    if len(values) > 6:
        missing = [key for key in KEYS if key not in values]
        if missing:
            return [f"{path.name}: a saved file without {missing}"]
    faults = [f"{path.name}: {key}={value!r}" for key, value in values.items()
              if key in KEYS and not re.fullmatch(KEYS[key], value)]
    later = values.get("LaterPaper", "")
    if later and later not in pictures:
        faults.append(f"{path.name}: LaterPaper is not a picture: {later!r}")
    return faults


def check_history(path: pathlib.Path, pictures: set[str]) -> list[str]:
    if not path.exists():
        return []
    lines = path.read_text().split("\n")
    if lines[0] != "Drapewell history 1" or lines[-1] != "" or len(lines) < 3:
        return [f"{path.name}: not a whole history: {lines[:3]}"]
    entries = lines[2:-1]
    if not lines[1].isdigit() or int(lines[1]) > len(entries):
        return [f"{path.name}: cursor {lines[1]!r} of {len(entries)}"]
    return [f"{path.name}: not a picture: {entry!r}" for entry in entries if entry not in pictures]


def check_bitmap(head_file: pathlib.Path, size_file: pathlib.Path) -> list[str]:
    if not size_file.exists():
        return []
    data = head_file.read_bytes()
    length = int(size_file.read_text())
    if len(data) < 54 or data[:2] != b"BM":
        return [f"staging bitmap: not a bitmap ({length} bytes)"]
    size, = struct.unpack_from("<I", data, 2)
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    stride = (width * bits + 31) // 32 * 4
    if size != length or offset + stride * abs(height) > length:
        return [f"staging bitmap: {length} bytes, header says {size}, "
                f"{width}x{height}x{bits} from {offset}"]
    return []


def check_snapshot(snapshot: pathlib.Path, pictures: set[str], limit: int) -> list[str]:
    faults = check_ini(snapshot / "Drapewell.ini", pictures)
    faults += check_history(snapshot / "History.txt", pictures)
    faults += check_bitmap(snapshot / "MyWallPaper.bmp.head", snapshot / "MyWallPaper.bmp.size")
    for listing in snapshot.glob("*.list"):
        left = [name for name in listing.read_text().split() if TEMPORARY.match(name)]
        if len(left) > limit:
            faults.append(f"{listing.stem}: {len(left)} temporary files: {left}")
    return faults


def main() -> int:
    root, picture_dir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    limit = int(sys.argv[3])
    pictures = {str(p) for p in picture_dir.iterdir()}
    faults = []
    snapshots = sorted((p for p in root.iterdir() if p.is_dir()), key=lambda p: int(p.name))
    for snapshot in snapshots:
        faults += [f"after kill {snapshot.name}: {fault}"
                   for fault in check_snapshot(snapshot, pictures, limit)]
    for fault in faults:
        print(fault)
    print(f"{len(snapshots)} snapshots checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
