#!/usr/bin/env bash
# Integration test of the Linux editor's library window: ktprog on FLTK + RtMidi/JACK under
# Xvfb, with ktunit as the unit.
#   desktop_library.sh BUILD_DIR SOURCE_DIR
# Checks: Ctrl+L opens the window "Library" listing the start directory's five programs; a
# filter typed into it narrows the list (the editor's KT_ANNOUNCE lines); a row dragged onto
# location 37 of the grid asks, and the key 1 writes it: ktunit acknowledges program 37 and
# KtUnit.map records it. The window's picture goes to $KT_SHOTS/library.png when KT_SHOTS names a folder.
# Exit 77 (skipped) when Xvfb, jackd or xdotool are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool import xdpyinfo jack_lsp
start_world library
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$src"/data/programs/*.prg "$work/start/"
start_editor "$build"

# await PATTERN WHAT: until the editor's log has a line matching PATTERN (20 s at most).
await() {
    for _ in $(seq 200); do grep -q "$1" "$work/ktprog.log" && return 0; sleep 0.1; done
    fail "$2 (the editor's log: $(tail -3 "$work/ktprog.log"))"
}

# 1. Ctrl+L over the panel opens the window with the five programs.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 600)) $((Y + 300)) key ctrl+l
library=$(timeout 20 xdotool search --sync --name "^Library$" | head -1)
[ -n "$library" ] || fail "Ctrl+L opened no window \"Library\""
await '^announce: library 5 ""$' "the library window does not list the five programs"
echo "Ctrl+L opened the library window with five programs"

# 2. A filter typed into the window narrows the list; Escape clears it.
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$library")"
xdotool mousemove $((X + 300)) $((Y + 150))
xdotool type --delay 50 "pad"
await '^announce: library 1 "pad"$' "typing pad did not narrow the list to one program"
xdotool key Escape
await '^announce: library 5 ""$' "Escape did not clear the filter"
echo "a typed filter narrowed the list"

# 3. The first row (01 Init) dragged onto location 37 (the grid's fourth row, fourth cell):
# the question, the key 1, and the unit stores the program; the record keeps it.
xdotool mousemove $((X + 100)) $((Y + 51)) mousedown 1
sleep 0.3
xdotool mousemove $((X + 150)) $((Y + 250))
sleep 0.2
xdotool mousemove $((X + 200)) $((Y + 380))
sleep 0.3
xdotool mouseup 1
await '^announce: ask " Write 01 Init into location 37?"' "the drop asked nothing"
sleep 0.3
xdotool key 1
for _ in $(seq 100); do grep -q "program 37 written" "$work/ktunit.log" && break; sleep 0.1; done
grep -q "program 37 written" "$work/ktunit.log" || fail "the unit did not store program 37"
for _ in $(seq 50); do grep -q "^37	" KtUnit.map 2>/dev/null && break; sleep 0.1; done
grep -q "^37	[0-9A-F]\{8\}	[0-9-]\{10\} [0-9:]\{8\}	01 Init" KtUnit.map ||
    fail "KtUnit.map does not record location 37: $(cat -A KtUnit.map 2>&1)"
grep -q "KT not present" "$work/ktprog.log" && fail "the editor said the unit is not present"
sleep 0.5
import -window "$library" "$work/library.png"
[ -n "${KT_SHOTS:-}" ] && cp "$work/library.png" "$KT_SHOTS/"
echo "a row dragged onto location 37 was written there and recorded"
echo "PASS"
