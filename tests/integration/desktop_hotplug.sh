#!/usr/bin/env bash
# Integration test of ports plugged out and in while the editor runs: ktprog on FLTK +
# RtMidi/JACK under Xvfb with ktunit as the unit.
#   desktop_hotplug.sh BUILD_DIR SOURCE_DIR
# ktunit ends: without a restart the editor says "The device ... is no longer present." under
# "MIDI-Out-Error" and "MIDI-In-Error". ktunit starts again (its ports appear after the
# editor's start-up): the editor finds them by name and opens them again, and a pot dragged
# with xdotool reaches the new ktunit as NRPN. Then a quick unplug and replug: while the
# editor's message window waits (Write Changed with no program files), ktunit ends and starts
# again, so the lists read the same at the next rescan; the editor opens its devices again
# all the same (the old connections died with the ports), and a drag reaches the third
# ktunit. Exit 77 (skipped) when Xvfb, jackd or xdotool are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp
start_world hotplug
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"

start_unit() {  # start_unit LOG: a ktunit whose ports are there when this returns
    "$build/tools/ktunit/ktunit" --api jack >"$1" 2>&1 &
    unit=$!
    remember $unit
    for _ in $(seq 50); do [ "$(jack_lsp 2>/dev/null | grep -c 'Korvatone (virtual)')" -ge 2 ] && return; sleep 0.1; done
    fail "ktunit's ports did not appear"
}
# dismiss TITLE: the box of that title appears within 10 s and is closed with Enter.
dismiss() {
    local box
    box=$(timeout 10 xdotool search --sync --name "^$1\$" | head -1)
    [ -n "$box" ] || fail "no \"$1\" box"
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || xdotool key Return
    for _ in $(seq 50); do xdotool search --name "^$1\$" >/dev/null 2>&1 || return; sleep 0.1; done
    fail "the \"$1\" box did not close"
}

start_unit "$work/ktunit.log"
cd "$work/start"
"$build/src/ktprog" >"$work/ktprog.log" 2>&1 &
editor=$!
remember $editor
window=$(timeout 20 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
[ -n "$window" ] || fail "the editor's window did not appear"
sleep 1
grep -q "edit end" "$work/ktunit.log" || fail "the first ktunit heard no start-up stream"

# 1. The unit's ports go away.
kill "$unit"
wait "$unit" 2>/dev/null
dismiss "MIDI-Out-Error"
dismiss "MIDI-In-Error"
echo "the vanished ports were told"

# 2. They come back: opened again by name, a drag reaches the new unit.
start_unit "$work/ktunit2.log"
sleep 1
drag "$window" 73 245 215
grep -q "parameter 13/2 = " "$work/ktunit2.log" || fail "the unit started later heard no NRPN 13/2 from the drag"
echo "the ports that appeared later were opened again and the drag reached them"

# 3. Gone and back between two rescans: the message window holds the command loop while
# ktunit ends and a new one starts.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 20)) $((Y + 12)) click 1
sleep 0.5
xdotool key c
message=$(timeout 10 xdotool search --sync --name "^Message:\$" | head -1)
[ -n "$message" ] || fail "Write Changed with no program files showed no message window"
kill "$unit"
wait "$unit" 2>/dev/null
start_unit "$work/ktunit3.log"
sleep 0.5
xdotool windowfocus --sync "$message" key x 2>/dev/null || xdotool key x
for _ in $(seq 50); do xdotool search --name "^Message:\$" >/dev/null 2>&1 || break; sleep 0.1; done
sleep 1
xdotool search --name "^MIDI-(Out|In)-Error\$" >/dev/null 2>&1 && fail "a box said a device is gone, though it is back"
drag "$window" 73 215 245
grep -q "parameter 13/2 = " "$work/ktunit3.log" || fail "after a quick unplug and replug the drag did not reach the unit"
echo "after a quick unplug and replug the devices were opened again and the drag reached the unit"
kill $editor
