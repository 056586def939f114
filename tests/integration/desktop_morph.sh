#!/usr/bin/env bash
# Integration test of Morph in the Linux editor: ktprog on FLTK + RtMidi/JACK under Xvfb, with
# ktunit as the unit.
#   desktop_morph.sh BUILD_DIR SOURCE_DIR
# Right steps to the start directory's only program ("02 Warm Pad", filter cutoff 72), which
# becomes the compare reference; End over the cutoff pot turns it to 127. Morph on from the
# "&Sound" menu (Alt+S, M): the editor announces "morph 0". Ctrl+Right moves 8 at a time: the
# unit hears the cutoff walk from 127 to the program's 72 (127 + round(-55 m / 127)) with a
# "morph M" each step, Ctrl+Shift+Left one back; Morph off again and Ctrl+Z: the unit has 127.
# Exit 77 (skipped) when Xvfb, jackd or xdotool are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp
start_world morph
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
cp "$src/data/programs/02 Warm Pad.prg" "$work/start/"
start_editor "$build"
window=$main
eval "$(xdotool getwindowgeometry --shell "$window")"

last_cutoff() { grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | sed 's/.*= \([0-9]*\).*/\1/'; }
# await_cutoff V WHAT: until the unit's last cutoff is V (10 s at most).
await_cutoff() {
    for _ in $(seq 100); do [ "$(last_cutoff)" = "$1" ] && return 0; sleep 0.1; done
    fail "$2: the unit has cutoff $(last_cutoff), not $1"
}
# await_log PATTERN WHAT: until the editor's log has a line matching PATTERN (10 s at most).
await_log() {
    for _ in $(seq 100); do grep -q "$1" "$work/ktprog.log" && return 0; sleep 0.1; done
    fail "$2 (the editor's log: $(tail -3 "$work/ktprog.log"))"
}

# 1. Right: the program and the reference; End over the cutoff pot (panel 73,245): 127.
xdotool mousemove $((X + 600)) $((Y + 25 + 300)) key Right
await_cutoff 72 "Right did not load 02 Warm Pad"
xdotool mousemove $((X + 73)) $((Y + 25 + 245)) key End
await_cutoff 127 "End over the cutoff pot"
echo "stepped to 02 Warm Pad (cutoff 72) and turned the cutoff to 127"

# 2. Morph on from the Sound menu.
xdotool mousemove $((X + 600)) $((Y + 25 + 300))
xdotool key alt+s
sleep 0.5
xdotool key m
await_log "^announce: morph 0$" "Morph did not go on"
echo "Morph on"

# 3. Ctrl+Right four times, then eleven more and one beyond the end, Ctrl+Shift+Left once.
m=0
for step in $(seq 16); do
    xdotool key ctrl+Right
    m=$(( m + 8 > 127 ? 127 : m + 8 ))
    expected=$(python3 -c "print(127 + round(-55 * $m / 127))")
    await_log "^announce: morph $m$" "Ctrl+Right did not move Morph to $m"
    await_cutoff "$expected" "at morph $m"
done
xdotool key ctrl+Right
xdotool key ctrl+shift+Left
await_log "^announce: morph 126$" "Ctrl+Shift+Left did not move Morph to 126"
await_cutoff 72 "at morph 126"
[ "$(grep -c '^announce: morph 127$' "$work/ktprog.log")" = "1" ] || fail "Ctrl+Right at 127 moved Morph again"
echo "Ctrl+Right walked the unit's cutoff from 127 to 72, Ctrl+Shift+Left one back"

# 4. Morph off (Alt+S, M) keeps what is shown as one change: Ctrl+Z gives the unit 127 again.
xdotool key alt+s
sleep 0.5
xdotool key m
sleep 0.5
xdotool key ctrl+z
await_cutoff 127 "Ctrl+Z after Morph off"
echo "Morph off and Ctrl+Z: back to 127"
echo "PASS"
