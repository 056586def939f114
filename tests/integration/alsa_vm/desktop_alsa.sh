#!/usr/bin/env bash
# The desktop programs on a real ALSA sequencer: run inside the virtual machine of vm.sh (the
# sequencer with its through port and four VirMIDI ports), by alsa_vm.sh.
#   desktop_alsa.sh BUILD_DIR SOURCE_DIR OUT_DIR
# ktunit (--api alsa) is the unit. Checks, each with its line:
#  0. The backend alone (midi_probe program) against ktunit.
#  1. A first start (no options file) opens a real device, not the sequencer's through port.
#  2. The kept device is found by its name, whatever client number the unit has now; the
#     unit hears the editor's whole start-up stream; the editor's input has room for 2,000
#     events; a drag reaches the unit as NRPN.
#  3. Write Program from File to KT is answered; Write All writes the five examples.
#  4. A client that comes after the start (aseqdump) is offered and can be chosen: a drag
#     reaches it. It goes: a "MIDI-Out-Error" box. It comes back: opened again by name, the
#     next drag reaches it.
#  5. Nothing of RtMidi or ALSA reached the editor's output.
#  6. ktboot sends a 52,500-byte image (a 60,013-byte message) to ktunit in update mode: the
#     image kept is identical, the unit's verdict is taken; the send's time is printed against
#     the 19.2 s of a MIDI cable.
# Logs and screenshots stay in OUT_DIR. Exit 0 passed, 1 failed.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
out=$3
source "$src/tests/integration/desktop_env.sh"
need_tools Xvfb xdotool xdpyinfo import aconnect aseqdump cmp
[ -e /dev/snd/seq ] || { echo "FAIL: no ALSA sequencer in this machine"; exit 1; }

work=$(mktemp -d /tmp/kt-alsa.XXXXXX)
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
# A home as a desktop has it (GTK's file dialog keeps its recent files there).
mkdir -p "$HOME/.local/share" "$work/start"
start_display 10 1366x768x24
# What the guest is busy with, every 20 s, for a run that takes too long.
(while sleep 20; do { date +%T; ps -eo pid,ppid,stat,time,args | grep -v '\[' | cut -c1-150; } >>"$out/ps.log"; done) &
remember $!
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"

# keep_logs: everything of the work folder that tells what happened goes to OUT_DIR.
keep_logs() { cp "$work"/*.log "$work"/*.png "$out/" 2>/dev/null || true; }
fail() {
    echo "FAIL: $*"
    import -window root "$work/failed.png" 2>/dev/null
    aconnect -l >"$work/aconnect.log" 2>&1
    cat /proc/asound/seq/clients >"$work/seq-clients.log" 2>&1
    ps -eLo pid,lwp,stat,wchan:32,comm >"$work/threads.log" 2>&1
    aconnect -l >"$work/aconnect.log" 2>&1
    cp "$work/start/KtProg.ini" "$work/KtProg.ini.log" 2>/dev/null
    keep_logs
    exit 1
}

# stamped FILE: stdin's lines into FILE, each after the seconds it arrived (for timings).
stamped() { while IFS= read -r line; do printf '%s %s\n' "$(date +%s.%N)" "$line"; done >"$1"; }
# within SECONDS COMMAND...: until COMMAND succeeds, at most SECONDS of the clock (a count of
# tries would take many times longer in the emulated guest).
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.1
    done
}
# wait_for FILE PATTERN SECONDS: until a line of FILE matches.
wait_for() { within "$3" grep -q "$2" "$1" 2>/dev/null; }
# client_of NAME: the sequencer's number of the client of that name (the newest one).
client_of() { aconnect -l | sed -n "s/^client \([0-9]*\): '$1'.*/\1/p" | tail -1; }

start_unit() {  # start_unit LOG [OPTION...]: ktunit, its ports there when this returns
    local log=$1
    shift
    "$build/tools/ktunit/ktunit" --api alsa "$@" > >(stamped "$log") 2>&1 &
    unit=$!
    remember $unit
    within 20 eval "aconnect -l | grep -q \"'Korvatone (virtual)'\"" || fail "ktunit's ports did not appear"
}
start_editor() {  # start_editor: ktprog in the start folder, its window ($window) and loop there
    (cd "$work/start" && KT_ANNOUNCE=1 exec "$build/src/ktprog") > >(stamped "$work/ktprog.log") 2>&1 &
    editor=$!
    remember $editor
    window=$(timeout 60 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
    [ -n "$window" ] || fail "the editor's window did not appear"
    wait_for "$work/ktprog.log" "announce: loop" 60 || fail "the editor's command loop did not start"
    eval "$(xdotool getwindowgeometry --shell "$window")"
}
# The virtual machine emulates its processor: everything takes many times longer than here,
# so each step waits for what it needs to see rather than for a fixed time.
# windows: how many top-level windows there are (an open menu is one).
windows() { xwininfo -root -children | grep -c '^ *0x'; }
more_windows_than() { [ "$(windows)" -gt "$1" ]; }
no_window() { ! xdotool search --name "$1" >/dev/null 2>&1; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# open_menu X Y: a click there (a menu title, or an item with a submenu) opens a menu window.
open_menu() {
    local before _
    before=$(windows)
    xdotool mousemove "$1" "$2" click 1
    within 20 more_windows_than "$before" || fail "no menu opened at $1,$2"
}
# file_menu KEY...: the File menu opened, then those keys.
file_menu() {
    open_menu $((X + 20)) $((Y + 12))
    xdotool key "$@"
}
# choose_file KEY TITLE PATH: File > the item of that mnemonic opens the file dialog TITLE,
# which takes PATH.
choose_file() {
    file_menu "$1"
    local dialog
    dialog=$(timeout 60 xdotool search --sync --name "^$2\$" | head -1)
    [ -n "$dialog" ] || fail "no \"$2\" dialog"
    sleep 1
    xdotool type --delay 20 "$3"
    sleep 0.5
    xdotool key Return
}
end_editor() {
    file_menu e
    within 30 ended "$editor" || fail "the editor did not end after File > Exit"
}
# dismiss TITLE: the box of that title appears within 20 s and is closed with Enter.
dismiss() {
    local box
    box=$(timeout 20 xdotool search --sync --name "^$1\$" | head -1)
    [ -n "$box" ] || fail "no \"$1\" box"
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || xdotool key Return
    within 20 no_window "^$1\$" || fail "the \"$1\" box did not close"
}

echo "the sequencer's clients: $(aconnect -l | sed -n "s/^client [0-9]*: '\([^']*\)'.*/\1/p" | paste -sd, -)"

# 0. The MIDI backend against ktunit, without windows: midi_probe's program session (edits,
# notes, the controller input, program writes answered or not).
start_unit "$work/ktunit0.log"
"$build/tests/midi_probe" program >"$work/midi_probe.log" 2>&1 ||
    fail "midi_probe on ALSA: $(grep -v '^ok' "$work/midi_probe.log" | tail -3 | tr '\n' ' ')"
echo "0. the MIDI backend against ktunit: $(grep -c '^ok' "$work/midi_probe.log") checks of midi_probe passed"
kill "$unit"
wait "$unit" 2>/dev/null

# 1. First start: device 0 of each list must be a device, not the through port.
start_unit "$work/ktunit1.log"
start_editor
# output_target: the client the editor's output is connected to (once it is).
output_target() {
    local ours
    ours=$(aconnect -l | sed -n "s/^client \([0-9]*\): 'ktprog-[0-9]* out'.*/\1/p" | head -1)
    [ -n "$ours" ] || return 1
    target=$(aconnect -l | awk -v c="$ours" '$1 == "client" { inside = ($2 == c ":") } inside && /Connecting To:/ { print $3; exit }' | cut -d: -f1)
    [ -n "$target" ]
}
within 30 output_target || fail "the editor's output is connected to nothing"
target_name=$(aconnect -l | sed -n "s/^client $target: '\([^']*\)'.*/\1/p")
[ -n "${KT_TRY:-}" ] || [ "$target_name" != "Midi Through" ] || fail "a first start opened the sequencer's through port"
echo "1. a first start opened \"$target_name\", not the through port"
end_editor
kill "$unit"
wait "$unit" 2>/dev/null

# 2. The unit's device kept by name. Another client takes the number the unit had before, so
# that the unit's ports have other numbers than at the first start.
aseqdump >/dev/null 2>&1 &
placeholder=$!
remember $placeholder
sleep 0.5
start_unit "$work/ktunit.log" --dump-on-exit "$work/unit.txt"
kill $placeholder
printf 'midi-out-name = Korvatone:Korvatone (virtual)\nmidi-in-name = Korvatone:Korvatone (virtual)\n' \
    >"$work/start/KtProg.ini"
start_editor
wait_for "$work/ktunit.log" "edit end" 120 || fail "the unit heard no start-up stream (the kept name was not found?)"
heard=$(grep -c "parameter " "$work/ktunit.log")
[ "$heard" -eq 104 ] || fail "of the start-up stream the unit heard $heard parameters, not 104"
# The editor's input client has room for a burst of 2,000 events (the sequencer's default: 200).
pool=$(awk '/^Client .*"ktprog-[0-9]* MIDI in"/ { inside = 1 } inside && /Input pool/ { getline; print $NF; exit }' /proc/asound/seq/clients)
[ "$pool" = 2000 ] || fail "the editor's input client has an input pool of \"$pool\" events, not 2000"
echo "2. the kept device was opened by name (the unit is client $(client_of Korvatone)); the unit heard the whole start-up stream (104 parameters)"
drag "$window" 73 245 215
wait_for "$work/ktunit.log" "parameter 13/2 = " 30 || fail "the drag did not reach the unit"
echo "   a drag reached the unit: $(grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | cut -d' ' -f2-)"

# 3. Write Program from File to KT (its mnemonic W), answered; Write All (the fifth item) with
# the five examples in the data folder, the holes skipped.
cp "$src"/data/programs/0[1-5]*.prg "$work/start/"
choose_file w "Load Program" "$work/start/03 Fat Bass.prg"
wait_for "$work/ktunit.log" "program 03 written" 60 || fail "Write Program reached no write of location 3"
wait_for "$work/ktunit.log" "answered: program written" 10 || fail "the unit did not answer the program write"
sleep 2
xdotool search --name "^Message:\$" >/dev/null 2>&1 && fail "a message window came after the program write"
echo "3. Write Program from File to KT was taken and answered"
before=$(grep -c "program [0-9]* written" "$work/ktunit.log")
file_menu Down Down Down Down Down Return
wait_for "$work/ktprog.log" "announce: ask" 60 || fail "Write All did not ask about the holes"
xdotool key 1
written_since() { [ $(($(grep -c "program [0-9]* written" "$work/ktunit.log") - before)) -ge "$1" ]; }
within 180 written_since 5
written=$(($(grep -c "program [0-9]* written" "$work/ktunit.log") - before))
[ "$written" -eq 5 ] || fail "Write All wrote $written programs, not 5"
sleep 2
xdotool search --name "^Message:\$" >/dev/null 2>&1 && fail "a message window came after Write All"
echo "   Write All wrote the five examples"

# 4. A client that comes after the start: aseqdump's port, offered in MIDI > MIDI Out.
aseqdump >"$work/aseqdump1.log" 2>&1 &
dump=$!
remember $dump
sleep 4
import -window root "$work/before-menu.png"
before=$(windows)
xdotool key alt+m
within 20 more_windows_than "$before"
xdotool key o
within 20 more_windows_than $((before + 1))
[ "$(windows)" -gt $((before + 1)) ] || fail "MIDI > MIDI Out did not open"
import -window root "$work/midi-out-menu.png"
# The list: MIDI Mapper, then the devices in the backend's order; aseqdump is the last but the
# through port.
xdotool key Right Down Down Down Down Down Down Down Down Down Down Down Down Down Down Down Down Up Return
sleep 1
drag "$window" 73 215 245
wait_for "$work/aseqdump1.log" "Control change" 30 || fail "aseqdump, chosen in the menu, heard nothing from a drag"
echo "4. aseqdump, started after the editor, was offered and chosen; a drag reached it"
kill "$dump"
wait "$dump" 2>/dev/null
# The box's text ("The device aseqdump:aseqdump is no longer present.") shows in the
# screenshot kept; the test sees its title.
sleep 2
import -window root "$work/gone.png"
dismiss "MIDI-Out-Error"
echo "   it went: a \"MIDI-Out-Error\" box"
aseqdump >"$work/aseqdump2.log" 2>&1 &
dump=$!
remember $dump
sleep 2
drag "$window" 73 245 215
wait_for "$work/aseqdump2.log" "Control change" 30 || fail "aseqdump, back again, heard nothing from a drag"
echo "   it came back and was opened again by name; a drag reached it"

# 5. The editor's output holds only its announcements.
grep -v "^[0-9.]* announce: " "$work/ktprog.log" >"$work/ktprog-other.log"
[ -s "$work/ktprog-other.log" ] && fail "the editor printed: $(head -3 "$work/ktprog-other.log")"
echo "5. nothing of RtMidi or ALSA reached the editor's output"
end_editor
kill "$unit" "$dump"

# 6. The updater: a 52,500-byte image.
head -c 52500 /dev/urandom >"$work/firmware.ldr"
start_unit "$work/ktunit-update.log" --update --erase-ms 300 --image-out "$work/received.bin"
# The unit kept by name, as a musician's updater has it after choosing it once (the first
# device here is a VirMIDI port).
printf 'midi-out-name = Korvatone:Korvatone (virtual)\nmidi-in-name = Korvatone:Korvatone (virtual)\n' \
    >"$work/start/KTboot.ini"
(cd "$work/start" && KT_ANNOUNCE=1 exec "$build/src/ktboot") > >(stamped "$work/ktboot.log") 2>&1 &
remember $!
window=$(timeout 60 xdotool search --sync --name "Korvatone Firmware Updater" | head -1)
[ -n "$window" ] || fail "the updater's window did not appear"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
choose_file l "Load File:" "$work/firmware.ldr"
wait_for "$work/ktunit-update.log" "update:.*verdict" 120 || fail "the unit saw no complete update"
wait_for "$work/ktboot.log" 'announce: text " \(Update was\|Error\|ERROR\)' 60
grep -q 'announce: text " Update was successful!!!"' "$work/ktboot.log" ||
    fail "the updater did not take the unit's verdict: $(grep 'announce: text' "$work/ktboot.log" | tail -2 | tr '\n' ' ')"
began=$(grep -m1 'announce: text " Sending update..."' "$work/ktboot.log" | cut -d' ' -f1)
ended=$(grep -m1 "update:.*verdict" "$work/ktunit-update.log" | cut -d' ' -f1)
kill "$unit"
wait "$unit" 2>/dev/null
within 20 test -s "$work/received.bin"
cmp -s "$work/firmware.ldr" "$work/received.bin" || fail "the image the unit kept differs from the file"
echo "6. the 60,013-byte update went through ALSA in $(awk -v b="$began" -v e="$ended" 'BEGIN {printf "%.1f", e - b}') s (a MIDI cable: 19.2 s); the image kept is identical, the verdict was taken"
grep -q "announce: text" "$work/ktboot.log"
grep -v "^[0-9.]* announce: " "$work/ktboot.log" >"$work/ktboot-other.log"
[ -s "$work/ktboot-other.log" ] && fail "the updater printed: $(head -3 "$work/ktboot-other.log")"
keep_logs
echo "PASS"
