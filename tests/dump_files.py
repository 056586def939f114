#!/usr/bin/env python3
"""Prints files of a scenario's home folder after the run, for the expected transcript.

usage: dump_files.py HOME LIST

LIST names one file or glob pattern per line, relative to HOME ('#' starts a comment). Each
matching file (patterns in name order) is printed as a line `file "NAME" N bytes`, then its
contents: text files line by line behind `| `, with a carriage return shown as \\r and a tab
as \\t; any other file as hex, 16 bytes a line. A name that matches nothing prints
`file "NAME" missing`. The home folder's path inside a file counts as `$HOME` (the transcript
writes it so), so neither the count nor the contents depend on where the checkout is.
"""
import glob
import os
import sys


def is_text(data):
    return all(b in (9, 10, 13) or 32 <= b < 127 for b in data)


def dump(home, name):
    path = os.path.join(home, name)
    with open(path, "rb") as f:
        data = f.read().replace(home.encode(), b"$HOME")
    print(f'file "{name}" {len(data)} bytes')
    if is_text(data):
        text = data.decode("ascii").replace("\r", "\\r").replace("\t", "\\t")
        lines = text.split("\n")
        if lines and lines[-1] == "":
            lines.pop()
        for line in lines:
            print("| " + line)
    else:
        for i in range(0, len(data), 16):
            print("  " + " ".join(f"{b:02X}" for b in data[i:i + 16]))


def main():
    home, listing = sys.argv[1], sys.argv[2]
    with open(listing, encoding="utf-8") as f:
        patterns = [line.strip() for line in f if line.strip() and not line.lstrip().startswith("#")]
    for pattern in patterns:
        matches = sorted(glob.glob(os.path.join(home, pattern)))
        if not matches:
            print(f'file "{pattern}" missing')
        for match in matches:
            dump(home, os.path.relpath(match, home))


if __name__ == "__main__":
    main()
