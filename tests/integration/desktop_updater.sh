#!/usr/bin/env bash
# Integration test of the Linux updater: ktboot on FLTK + RtMidi/JACK under Xvfb updates
# ktunit (in update mode) with a 52,500-byte image chosen in the file dialog; the image ktunit
# keeps must equal the file. ktunit answers the image at once (--reply-delay 0), before the
# last paced chunk's time is over and so before the send returns: the updater must still take
# that answer as the verdict and say " Update was successful!!!".
#   desktop_updater.sh BUILD_DIR
# Exit 77 (skipped) when Xvfb, jackd or xdotool are missing. Stops every process it starts.
set -uo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp cmp
start_world updater
head -c 52500 /dev/urandom >"$work/firmware.ldr"
"$build/tools/ktunit/ktunit" --api jack --update --erase-ms 300 --reply-delay 0 --image-out "$work/received.bin" \
    >"$work/ktunit.log" 2>&1 &
unit=$!
remember $unit
sleep 0.5

cd "$work/start"
KT_ANNOUNCE=1 "$build/src/ktboot" >"$work/ktboot.log" 2>&1 &
remember $!
window=$(timeout 20 xdotool search --sync --name "Korvatone Firmware Updater" | head -1)
[ -n "$window" ] || fail "the updater's window did not appear"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# File > Load *.ldr file, then the file's path typed into the dialog.
xdotool mousemove $((X + 20)) $((Y + 12)) click 1
sleep 0.5
xdotool key l
sleep 1.5
xdotool type --delay 5 "$work/firmware.ldr"
sleep 0.3
xdotool key Return
for _ in $(seq 600); do grep -q "^update:.*verdict" "$work/ktunit.log" && break; sleep 0.1; done
grep -q "^update:.*verdict ok" "$work/ktunit.log" || fail "the unit saw no complete update"
# The updater's outcome, whichever it is: a verdict it did not take shows as " Error No.: 100"
# only when its final wait is over, some 25 s after the image went out.
for _ in $(seq 400); do grep -q '^announce: text " \(Update was\|Error\|ERROR\)' "$work/ktboot.log" && break; sleep 0.1; done
grep -q '^announce: text " Update was successful!!!"' "$work/ktboot.log" ||
    fail "the updater did not take the unit's verdict: $(grep '^announce: text' "$work/ktboot.log" | tail -2 | tr '\n' ' ')"
sleep 0.5
# KT_SCREENSHOTS=DIR keeps a picture of the updater's window (for the documentation).
if [ -n "${KT_SCREENSHOTS:-}" ]; then import -window "$window" "$KT_SCREENSHOTS/ktboot.png"; fi
kill "$unit"
for _ in $(seq 50); do [ -s "$work/received.bin" ] && break; sleep 0.1; done
cmp -s "$work/firmware.ldr" "$work/received.bin" || fail "the image the unit kept differs from the file"
grep "update:" "$work/ktunit.log"
echo "PASS"
