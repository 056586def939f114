#!/usr/bin/env bash
# Integration test of playing and seeing in the Linux editor: ktprog on FLTK + RtMidi/JACK
# under Xvfb, with ktunit as the unit.
#   desktop_play.sh BUILD_DIR SOURCE_DIR
# 1. Notes from the computer keyboard, with the mouse over no pot: z plays 48 and its release
#    ends it; c held while ] moves the base still ends 52; v held for a second (the X server
#    repeats it) plays 53 once; x sounding when the editor loses the focus ends at once, and
#    its later release sends nothing.
# 2. View > MIDI Monitor (Alt+V, M) opens the monitor window; a drag on the filter cutoff pot
#    shows in it as "OUT  NRPN 026 CUTOFF = V" with the value the unit took (the window's
#    updates are announced as "live N ..."); choosing the item again closes the window.
# With KT_SHOTS set to a folder, the monitor window's screenshot is copied there.
# Exit 77 (skipped) when Xvfb, jackd or xdotool are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp import xset
start_world play 2000x1000x24  # room for the monitor beside the panel
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
start_editor "$build"
eval "$(xdotool getwindowgeometry --shell "$main")"
xset r on  # the server repeats a held key, as a desktop does

count() { grep -c "^$1\$" "$work/ktunit.log"; }
# await_unit LINE N WHAT: until the unit's log has LINE N times (10 s at most).
await_unit() {
    for _ in $(seq 100); do [ "$(count "$1")" -ge "$2" ] && return 0; sleep 0.1; done
    fail "$3: the unit's log has \"$1\" $(count "$1") times, not $2"
}
# await_log PATTERN WHAT: until the editor's log has a line matching PATTERN (10 s at most).
await_log() {
    for _ in $(seq 100); do grep -q "$1" "$work/ktprog.log" && return 0; sleep 0.1; done
    fail "$2 (the editor's log: $(tail -3 "$work/ktprog.log"))"
}

# 1. Notes. The mouse rests on the panel's empty middle, where no key moves a pot.
xdotool mousemove $((X + 600)) $((Y + 25 + 300))
xdotool key z
await_unit "note on 48" 1 "z"
await_unit "note off 48" 1 "z's release"
xdotool keydown c
await_unit "note on 52" 1 "c"
xdotool key bracketright
xdotool keyup c
await_unit "note off 52" 1 "c's release after ]"
xdotool keydown v
sleep 1
xdotool keyup v
await_unit "note off 65" 1 "v's release (an octave up: 65)"
[ "$(count "note on 65")" = 1 ] || fail "v held for a second played $(count "note on 65") times"
xdotool keydown x
await_unit "note on 62" 1 "x"
echo "z, c across ], v held and repeated: the unit heard each note once, and its end"

# 2. The monitor: Alt+V, M. Its window takes the focus, which ends x at once.
xdotool key alt+v
sleep 0.5
xdotool key m
monitor=$(timeout 10 xdotool search --sync --onlyvisible --name "^MIDI Monitor\$" | head -1)
[ -n "$monitor" ] || fail "no MIDI Monitor window"
await_unit "note off 62" 1 "x when the editor lost the focus"
xdotool keyup x
sleep 0.5
[ "$(count "note off 62")" = 1 ] || fail "x's release after the focus went sent another note-off"
echo "the monitor window opened; x ended when the editor lost the focus, its release sent nothing"

# With no window manager the monitor opens over the panel's corner: it is moved aside.
xdotool windowmove --sync "$monitor" $((X + WIDTH + 10)) 0 2>/dev/null || xdotool windowmove "$monitor" $((X + WIDTH + 10)) 0
sleep 0.3
drag "$main" 73 245 200
value=$(grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | sed 's/.*= \([0-9]*\).*/\1/')
[ -n "$value" ] || fail "the drag did not reach the unit"
await_log "^announce: live [0-9]* \"MIDI Monitor\" \"[0-9]\{5\}\.[0-9]\{3\}  OUT  NRPN 026 CUTOFF = $value\"$" \
    "the monitor did not show the drag's last value $value"
sleep 0.3
import -window "$monitor" "$work/monitor.png"
[ -n "${KT_SHOTS:-}" ] && cp "$work/monitor.png" "$KT_SHOTS/"
echo "the monitor showed the drag: $(grep '^announce: live' "$work/ktprog.log" | tail -1)"

xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove $((X + 600)) $((Y + 25 + 300))
xdotool key alt+v
sleep 0.5
xdotool key m
for _ in $(seq 50); do xdotool search --onlyvisible --name "^MIDI Monitor\$" >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name "^MIDI Monitor\$" >/dev/null 2>&1 && fail "the monitor window stayed open"
echo "choosing MIDI Monitor again closed it"
echo "PASS"
