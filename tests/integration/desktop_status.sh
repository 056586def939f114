#!/usr/bin/env bash
# Integration test of the status line in the Linux editor: ktprog on FLTK + RtMidi/JACK under
# Xvfb, with ktunit as the unit.
#   desktop_status.sh BUILD_DIR SOURCE_DIR
# MIDI > MIDI Learn (Alt+M, L): the status line says "MIDI Learn: click a pot" (the editor
# announces the line's left and middle parts); a click on the filter cutoff pot (panel 73,245)
# makes it ask for a control for that pot. The window's client area is the declared panel
# (1336 x 722) and the strip below it. With KT_SCREENSHOTS=DIR the window is kept as
# DIR/status-learn.png and DIR/status-target.png (ImageMagick's import).
# Exit 77 (skipped) when Xvfb, jackd or xdotool are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp
start_world status 1600x1000x24
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
start_editor "$build"
window=$main
eval "$(xdotool getwindowgeometry --shell "$window")"

# await_log PATTERN WHAT: until the editor's log has a line matching PATTERN (10 s at most).
await_log() {
    for _ in $(seq 100); do grep -q "$1" "$work/ktprog.log" && return 0; sleep 0.1; done
    fail "$2 (the editor's log: $(tail -3 "$work/ktprog.log"))"
}
shot() {
    [ -n "${KT_SCREENSHOTS:-}" ] && command -v import >/dev/null || return 0
    sleep 0.3
    import -window "$window" "$KT_SCREENSHOTS/$1.png"
}

# 1. The strip is part of the client area: the window is the menu bar (25), the declared panel
# (722) and the strip (16) high.
[ "$HEIGHT" -ge $((25 + 722 + 16)) ] || fail "the window is $WIDTH x $HEIGHT: no room for the status line"

# 2. MIDI Learn from the menu: the status line asks for a pot.
xdotool mousemove $((X + 600)) $((Y + 25 + 300))
xdotool key alt+m
sleep 0.5
xdotool key l
await_log '^announce: status "(no name)" "MIDI Learn: click a pot"$' "MIDI Learn did not show in the status line"
shot status-learn
echo "MIDI Learn shows: click a pot"

# 3. A click on the cutoff pot: the status line asks for a control for it.
xdotool mousemove $((X + 73)) $((Y + 25 + 245))
sleep 0.3
xdotool mousedown 1
sleep 0.2
xdotool mouseup 1
await_log '^announce: status "(no name)" "MIDI Learn: move a control for .*"$' "the pot clicked did not show"
shot status-target
grep '^announce: status' "$work/ktprog.log" | tail -1
echo "PASS"
