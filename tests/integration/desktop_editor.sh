#!/usr/bin/env bash
# Integration test of the Linux editor: ktprog on FLTK + RtMidi/JACK under Xvfb, with ktunit
# as the unit.
#   desktop_editor.sh BUILD_DIR SOURCE_DIR
# Checks: the window's panel equals the simulation's golden picture pixel for pixel; a pot
# dragged with xdotool reaches ktunit as NRPN; the wheel and Ctrl+Z reach it too; Right steps
# to the data folder's program and Write Changed writes it and records it; File > Exit writes
# the configuration. Prints
# measurements (idle CPU, start-up time, resident memory). Exit 77 (skipped) when Xvfb, jackd
# or xdotool are missing. Every process started here is stopped.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool import compare xdpyinfo jack_lsp
start_world editor
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
# The data folder is the start directory until one is chosen: one program to step to.
cp "$src/data/programs/02 Warm Pad.prg" "$work/start/"
"$build/tools/ktunit/ktunit" --api jack --dump-on-exit "$work/unit.txt" >"$work/ktunit.log" 2>&1 &
remember $!
sleep 0.5  # ktunit's ports

cd "$work/start"
started=$(date +%s%N)
"$build/src/ktprog" >"$work/ktprog.log" 2>&1 &
editor=$!
remember $editor
window=$(timeout 20 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
[ -n "$window" ] || fail "the editor's window did not appear"
shown=$(date +%s%N)
sleep 1.5

# 1. The panel below the menu bar equals the simulation's picture of the same start.
import -window "$window" "$work/window.png"
golden="$src/tests/golden/panel_start.png"
size=$(identify -format "%wx%h" "$golden")
convert "$work/window.png" -crop "${size}+0+25" +repage "$work/panel.png"
differing=$(compare -metric AE "$work/panel.png" "$golden" null: 2>&1) || true
[ "$differing" = "0" ] || fail "the panel differs from the golden picture in $differing pixels"
echo "panel equals the golden picture"

# 2. Idle: 10 seconds of processor time, resident memory.
ticks() { awk '{print $14 + $15}' "/proc/$editor/stat"; }
before=$(ticks)
sleep 10
after=$(ticks)
hz=$(getconf CLK_TCK)
idle=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 10 }')
rss=$(awk '/VmRSS/ {print $2}' "/proc/$editor/status")
echo "measure: start-up to window $(( (shown - started) / 1000000 )) ms, idle CPU ${idle} %, resident ${rss} kB"

# 3. A drag in the filter cutoff's track (panel 73,245 -> 73,215) reaches the unit as NRPN 13/2.
eval "$(xdotool getwindowgeometry --shell "$window")"
drag "$window" 73 245 215
grep -q "13/2" "$work/ktunit.log" || fail "the unit heard no NRPN 13/2 from the drag"
echo "the drag reached the unit"

# 3b. The wheel turned three notches towards the user over the same pot moves it three steps
# down (123 -> 120); Ctrl+Z undoes the whole run, and the unit hears 123 again.
last_cutoff() { grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | sed 's/.*= \([0-9]*\).*/\1/'; }
dragged=$(last_cutoff)
xdotool mousemove $((X + 73)) $((Y + 25 + 245))
for _ in 1 2 3; do xdotool click 5; sleep 0.1; done
sleep 0.5
wheeled=$(last_cutoff)
[ "$wheeled" = "$((dragged - 3))" ] || fail "after three wheel notches the unit has $wheeled, not $((dragged - 3))"
xdotool key ctrl+z
sleep 0.5
undone=$(last_cutoff)
[ "$undone" = "$dragged" ] || fail "after Ctrl+Z the unit has $undone, not $dragged"
echo "the wheel and Ctrl+Z reached the unit ($dragged -> $wheeled -> $undone)"

# 3c. Right loads the data folder's only program without a dialog: the caption names it and
# the unit hears its filter cutoff (72). Write Changed Programs (File menu, answer 1: skip the
# holes) writes it to location 2, records it in KtUnit.map and says so.
xdotool key Right
sleep 0.5
caption=$(xdotool getwindowname "$window")
case "$caption" in *"Program: 02 Warm Pad") ;; *) fail "after Right the caption is \"$caption\"" ;; esac
[ "$(last_cutoff)" = "72" ] || fail "after Right the unit has cutoff $(last_cutoff), not the program's 72"
xdotool mousemove $((X + 20)) $((Y + 12)) click 1
sleep 0.5
xdotool key c
sleep 0.5
xdotool key 1
sleep 1
xdotool key x
sleep 0.5
grep -q "program 02 written" "$work/ktunit.log" || fail "Write Changed did not write location 2"
grep -q "^02	[0-9A-F]\{8\}	[0-9-]\{10\} [0-9:]\{8\}	02 Warm Pad" "$work/start/KtUnit.map" ||
    fail "KtUnit.map does not record location 2: $(cat -A "$work/start/KtUnit.map" 2>&1)"
echo "Right stepped to the program and Write Changed wrote and recorded it"

# 4. File > Exit writes the configuration (179 lines with the shipped panel).
xdotool mousemove $((X + 20)) $((Y + 12)) click 1
sleep 0.5
xdotool key e
for _ in $(seq 50); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
kill -0 "$editor" 2>/dev/null && fail "the editor did not end after File > Exit"
[ -f "$work/start/KtProg.CFG" ] || fail "no configuration file was written"
lines=$(wc -l <"$work/start/KtProg.CFG")
[ "$lines" -eq 179 ] || fail "the configuration has $lines lines, not 179"
echo "File > Exit wrote the configuration"
echo "PASS"
