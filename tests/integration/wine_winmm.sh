#!/usr/bin/env bash
# The Windows programs' MIDI code under Wine, against the stand-in winmm.dll (winmm_standin/),
# whose one MIDI input and output are played by the unit model:
#   wine_winmm.sh WIN32_BUILD_DIR SOURCE_DIR
# - ktprog.exe starts and its whole start-up stream reaches the unit: the parameter lines the
#   unit logged equal, in number, order and value, those the simulation's transcript of the
#   same first start sends (built from build/sim, ktsim; skipped when that is missing);
# - a drag on the filter cutoff pot reaches the unit as a new NRPN value;
# - notes from the computer keyboard, the main window in front and the mouse over an empty spot
#   of the panel: z plays 48 and its release ends it; c plays 52, ] held (repeating) moves the
#   base one octave only, and c's release ends 52; [ moves it back, and v held (repeating)
#   plays one 53; x held plays 50, ended at once, the key still down, when Notepad comes to the
#   front, and its release there sends nothing. In the library window w held for a second
#   types its repeats: X's auto-repeat (switched on, quick, with xset) reaches the program;
# - the library window: Ctrl+L opens it whole on the screen at the zoom (also after a zoom
#   in), typing narrows its list (KT_ANNOUNCE's "library N" lines), a row dragged onto a
#   location asks " Write NAME into location NN?" in the message window, and the answer 1
#   stores it there (the unit logs the write, no " KT not present" comes) and gives the keys
#   back to the library window; Library > Store to Location... asks for the location in a text
#   input, and the location typed there takes the panel's program;
# - View > MIDI Monitor opens its window; a note played from the keyboard shows in it (its
#   KT_ANNOUNCE "live" lines), and choosing the item again closes it;
# - MIDI > MIDI Learn puts "MIDI Learn: click a pot" into the status line below the panel (its
#   KT_ANNOUNCE "status" lines), and choosing it again takes it away;
# - File > Exit writes KtProg.CFG with 179 lines;
# - File > Write Program from File to KT sends "01 Init.prg": the unit takes and answers it,
#   and no " KT not present" message comes;
# - ktboot.exe sends a 52,500-byte image through its dialog to the unit in update mode; the
#   image the unit kept equals the file, and the send takes the cable's time. The unit answers
#   the image at once, as the driver reports the image's last header done: the updater must
#   take that answer as its verdict and say " Update was successful!!!" (its KT_ANNOUNCE
#   lines);
# - ktboot.exe again, with the unit holding its verdict 8 s: closed (taskkill, a WM_CLOSE)
#   while it waits for the verdict, it still takes the verdict, then ends.
# Exit 77 (skipped) only when Wine or Xvfb cannot start here.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
ktsim=${KTSIM:-$src/build/sim/tools/ktsim}
[ -d "$ktsim" ] && ktsim="$ktsim/ktsim"
source "$(dirname "$0")/desktop_env.sh"
need_tools wine Xvfb xdotool xdpyinfo xset import compare convert cmp bc
dll="$build/winmm_standin/winmm.dll"
[ -f "$dll" ] || { echo "FAIL: $dll is missing (build the win32 preset)"; exit 1; }
start_wine_world wine-winmm 350 2200x1300x24
export WINEDLLOVERRIDES="winmm=n,b"
started=$SECONDS

c="$WINEPREFIX/drive_c"
mkdir -p "$c/Qrdxpath" "$c/kt/programs"
printf 'dummy\r\n' >"$c/Qrdxpath/Qrdxpath.pth"
printf 'C:\\kt\r\n' >"$c/Qrdxpath/KtProg.pth"
printf 'C:\\kt\r\n' >"$c/Qrdxpath/KTboot.pth"
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$c/kt/"
cp "$src"/data/programs/*.prg "$c/kt/programs/"
cp "$build/src/ktprog.exe" "$build/src/ktboot.exe" "$dll" "$c/kt/"
cd "$c/kt"

# The unit's log, as Wine names the file (Z: is the Unix root).
log="$work/unit.log"
export KT_STANDIN_LOG="Z:$log"

# wait_for PATTERN SECONDS: until the unit's log has a line matching PATTERN.
wait_for() {
    local _
    for _ in $(seq $(($2 * 10))); do grep -q "$1" "$log" 2>/dev/null && return 0; sleep 0.1; done
    return 1
}
# parameter_lines FILE: what the unit was given, in order.
parameter_lines() { grep -E '^(parameter [0-9]+/[0-9]+ = [0-9]+|edit begin|edit end)$' "$1"; }
# choose_file X Y KEY "DIALOG" PATH: opens the File menu by a click at (X, Y) on the screen,
# chooses its item by the mnemonic KEY, and types PATH into the file dialog of that title.
choose_file() {
    xdotool mousemove "$1" "$2" click 1
    sleep 1
    xdotool key "$3"
    local dialog
    dialog=$(timeout 30 xdotool search --sync --name "^$4\$" | head -1)
    [ -n "$dialog" ] || fail_with_log "the File menu's \"$3\" opened no \"$4\" dialog"
    sleep 1
    xdotool type --delay 20 "$5"
    sleep 0.3
    xdotool key Return
}
fail_with_log() {
    echo "--- the unit's log:"
    tail -30 "$log" 2>/dev/null
    fail "$@"
}

# 1. The start-up stream.
start_wine ktprog.exe "Korvatone Preset Programmer" "$work/ktprog.log" KT_ANNOUNCE=1
editor=$wine_pid window=$wine_window
[ -n "$window" ] || fail_with_log "the editor's window did not appear"
wait_for '^edit end$' 30 || fail_with_log "the start-up stream did not reach its edit end"
sleep 1
parameter_lines "$log" >"$work/wine.params"
echo "the unit took $(grep -c '^parameter' "$work/wine.params") parameter values at the start"
if [ -x "$ktsim" ]; then
    # The simulation's first start: its "out" lines, decoded as the unit does (the MSB and LSB
    # kept apart, controller 6 sets the selected parameter, 10/1 is the edit bracket).
    mkdir -p "$work/sim"
    cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/sim/"
    printf 'wait 3000\nmenu 1001\n' >"$work/start.scn"
    "$ktsim" ktprog --home "$work/sim" --script "$work/start.scn" >"$work/sim.out" 2>&1 ||
        fail "ktsim failed: $(tail -3 "$work/sim.out")"
    awk 'function hex(t) { return index("0123456789ABCDEF", substr(t, 1, 1)) * 16 + index("0123456789ABCDEF", substr(t, 2, 1)) - 17 }
        $2 == "out" && $3 == "B0" {
            n = hex($4); v = hex($5)
            if (n == 99) msb = v; else if (n == 98) lsb = v
            else if (n == 6) {
                if (msb == 10 && lsb == 1 && v == 0) print "edit begin"
                else if (msb == 10 && lsb == 1 && v == 1) print "edit end"
                else printf "parameter %d/%d = %d\n", msb, lsb, v
            }
        }' "$work/sim.out" >"$work/sim.params"
    [ -s "$work/sim.params" ] || fail "the simulation's transcript has no parameter messages"
    if ! diff "$work/sim.params" "$work/wine.params" >"$work/params.diff"; then
        head -20 "$work/params.diff"
        fail "the start-up stream under Wine differs from the simulation's ($(grep -c '^[<>]' "$work/params.diff") lines)"
    fi
    echo "the start-up stream equals the simulation's: $(wc -l <"$work/sim.params") lines"
else
    echo "no ktsim at $ktsim: the start-up stream is not compared"
    [ "$(grep -c '^parameter' "$work/wine.params")" -ge 100 ] || fail_with_log "too few parameter values at the start"
fi

# Where is the client area? The panel's top-left corner in a screenshot (as wine_smoke.sh).
import -window root "$work/ktprog.png"
convert "$src/tests/golden/panel_start.png" -crop 80x80+0+0 +repage "$work/corner.png"
convert "$work/ktprog.png" -crop 300x300+0+0 +repage "$work/area.png"
offset=$(compare -metric AE -subimage-search "$work/area.png" "$work/corner.png" null: 2>&1 | sed -n 's/.* @ \([0-9]*\),\([0-9]*\).*/\1 \2/p')
[ -n "$offset" ] || fail "the panel's corner is nowhere on the screen"
read -r ox oy <<<"$offset"
# The client corner's place in the window, for ktboot.exe's window, framed the same.
eval "$(xdotool getwindowgeometry --shell "$window")"
dx=$((ox - X)) dy=$((oy - Y))

# 2. A drag in the filter cutoff pot's track (field 2) reaches the unit.
before=$(grep -c '^parameter' "$log")
xdotool mousemove $((ox + 70)) $((oy + 270)) mousedown 1
sleep 0.3
xdotool mousemove $((ox + 70)) $((oy + 220))
sleep 0.3
xdotool mouseup 1
sleep 1
after=$(grep -c '^parameter' "$log")
[ "$after" -gt "$before" ] || fail_with_log "the drag reached the unit with no parameter value"
echo "the drag reached the unit: $(grep '^parameter' "$log" | tail -1)"

# 3. File > Write Program from File to KT (its mnemonic W): Wine's file dialog takes the path
# typed, the program goes to the unit as a write request, and the editor waits for the answer.
choose_file $((ox + 12)) $((oy - 9)) w "Load Program" 'C:\kt\programs\01 Init.prg'
wait_for '^program [0-9]* written' 30 || fail_with_log "the unit took no program write"
sleep 2
import -window root "$work/written.png"
if xdotool search --name "^Message:$" >/dev/null 2>&1; then
    fail_with_log "a message window came after the program write (\" KT not present\"?)"
fi
grep -q '^# reply delivered: F0 00 21 11 03 21 F7' "$log" || fail_with_log "the unit's answer reached no input buffer"
echo "the program write: $(grep '^program [0-9]* written' "$log"), answered, no message window"

# 4. Notes from the computer keyboard, the main window in front and the mouse over an empty
# spot of the panel. X's auto-repeat is on, quick (200 ms, then 30 a second), so that a key
# held for a second repeats many times; the library window shows below that the repeats come.
xset r on
xset r rate 200 30
xset q | grep -q 'auto repeat: *on' || fail "X's auto-repeat cannot be switched on here"
notes_from=$(wc -l <"$log")
# heard_notes: the notes the unit heard since this step began, "on 48,off 48,...".
heard_notes() { tail -n +$((notes_from + 1)) "$log" | sed -n 's/^note \(on\|off\) \([0-9]*\)$/\1 \2/p' | paste -sd,; }
# hears NOTES SECONDS: until the unit has heard as many notes since this step began as NOTES
# lists; true when they are those, in that order.
hears() {
    local want=$1 count _
    count=$(tr ',' '\n' <<<"$want" | wc -l)
    for _ in $(seq $(($2 * 10))); do
        [ "$(heard_notes | tr ',' '\n' | grep -c .)" -ge "$count" ] && break
        sleep 0.1
    done
    [ "$(heard_notes)" = "$want" ]
}
xdotool mousemove $((ox + 600)) $((oy + 700)) click 1  # the main window in front
sleep 0.5
xdotool keydown z
hears 'on 48' 30 || fail_with_log "z played no note 48 (heard: $(heard_notes))"
xdotool keyup z
hears 'on 48,off 48' 10 || fail_with_log "z's release did not end 48 (heard: $(heard_notes))"
# c sounds 52; ], held a second while c is down, moves the base one octave up however often it
# repeats: c's release still ends 52 (not 64), and [ moves the base back to 48.
xdotool keydown c
xdotool keydown bracketright
sleep 1
xdotool keyup bracketright
xdotool keyup c
xdotool key bracketleft
hears 'on 48,off 48,on 52,off 52' 10 || fail_with_log "c, ] held, c's release: not 52 on and off (heard: $(heard_notes))"
# v (53): one note however often the held key repeats.
xdotool keydown v
sleep 1
xdotool keyup v
hears 'on 48,off 48,on 52,off 52,on 53,off 53' 10 ||
    fail_with_log "] held, [, v held: not one 53 on and off (heard: $(heard_notes))"
# x (50) held while another program comes to the front: its note ends at once, the key still
# down; the release, which goes to that program (as the key's repeats do), sends nothing.
xdotool keydown x
hears 'on 48,off 48,on 52,off 52,on 53,off 53,on 50' 10 || fail_with_log "x played no note 50 (heard: $(heard_notes))"
env -u WINEDLLOVERRIDES wine notepad >"$work/notepad.log" 2>&1 &
notepad=$!
remember $notepad
other=$(timeout 60 xdotool search --sync --onlyvisible --name 'Notepad' | head -1)
[ -n "$other" ] || fail "Notepad's window did not appear"
front=$(date +%s.%N)
hears 'on 48,off 48,on 52,off 52,on 53,off 53,on 50,off 50' 10 ||
    fail_with_log "with another window in front, held x's 50 did not end (heard: $(heard_notes))"
ended=$(echo "$(date +%s.%N) - $front" | bc)
xdotool keyup x
# Notepad has the repeats of x as its text: it is ended without its question about saving.
wine taskkill /f /im notepad.exe >/dev/null 2>&1
await_end "$notepad" "Notepad after taskkill /f"
hears 'on 48,off 48,on 52,off 52,on 53,off 53,on 50,off 50' 1 ||
    fail_with_log "x's release behind another window reached the unit (heard: $(heard_notes))"
echo "the computer keyboard's notes: $(heard_notes); 50 ended ${ended} s after Notepad's window came"

# 5. The library window (all of C:\kt's programs: the five in programs\).
# library_geometry: the library window's place and size on the screen (X, Y, WIDTH, HEIGHT;
# its client area, which is all Wine shows of a window when no window manager frames it).
library_geometry() { eval "$(xdotool getwindowgeometry --shell "$library")"; }
# library_shows W H SECONDS: until the library window's client area is W x H, wholly on the
# screen.
library_shows() {
    local _ X Y WIDTH HEIGHT SCREEN WINDOW
    for _ in $(seq $(($3 * 10))); do
        library_geometry
        [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ] && [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] &&
            [ $((X + WIDTH)) -le "$screen_w" ] && [ $((Y + HEIGHT)) -le "$screen_h" ] && return 0
        sleep 0.1
    done
    echo "the library window: ${WIDTH}x${HEIGHT} at $X,$Y on a ${screen_w}x${screen_h} screen"
    return 1
}
# says PATTERN SECONDS: until ktprog.exe's announcements have a line matching PATTERN (their
# Windows line ends taken off).
says() {
    local _
    for _ in $(seq $(($2 * 10))); do tr -d '\r' <"$work/ktprog.log" | grep -q "^announce: $1" && return 0; sleep 0.1; done
    return 1
}
read -r screen_w screen_h < <(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')
xdotool mousemove $((ox + 600)) $((oy + 700)) click 1  # the main window in front
sleep 0.5
xdotool key ctrl+l
library=$(timeout 30 xdotool search --sync --onlyvisible --name '^Library$' | head -1)
[ -n "$library" ] || fail_with_log "Ctrl+L opened no library window"
says 'library 5 ""$' 30 || fail "the library window listed no five programs: $(grep '^announce: library' "$work/ktprog.log" | tail -1)"
library_shows 640 560 10 || fail "the library window is not 640 x 560 on the screen"
sleep 1
import -window root "$work/library.png"
xdotool type --delay 50 warm
says 'library 1 "warm"$' 20 ||
    fail "typing \"warm\" did not narrow the list to one row: $(grep '^announce: library' "$work/ktprog.log" | tail -1)"
# The row (02 Warm Pad, the list's first) dragged onto location 5's cell.
library_geometry
xdotool mousemove $((X + 100)) $((Y + 52)) mousedown 1
sleep 0.3
xdotool mousemove $((X + 200)) $((Y + 200))
sleep 0.3
xdotool mousemove $((X + 264)) $((Y + 305))
sleep 0.3
xdotool mouseup 1
says 'ask " Write 02 Warm Pad into location 05?"' 20 || fail "the drop asked no \"Write 02 Warm Pad into location 05?\""
timeout 20 xdotool search --sync --onlyvisible --name '^Message:$' >/dev/null || fail "the drop's question has no message window"
sleep 0.5
import -window root "$work/library-ask.png"
xdotool key 1
wait_for '^program 05 written' 30 || fail_with_log "the unit took no write of location 5 after the answer 1"
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Message:$' >/dev/null 2>&1 || break; sleep 0.1; done
if xdotool search --onlyvisible --name '^Message:$' >/dev/null 2>&1 || grep -q 'KT not present' "$work/ktprog.log"; then
    fail_with_log "a message window stayed or came after the drop's write (\" KT not present\"?)"
fi
# The question answered, the keys are the library window's again. (A key typed while Wine
# still takes the message window down may be lost: typed again, a few times.)
for _ in 1 2 3; do
    xdotool type x
    says 'library 0 "warmx' 5 && break
done
says 'library 0 "warmx' 1 || fail "the library window took no keys after the question: $(tail -1 "$work/ktprog.log")"
xdotool key Escape
says 'library 5 ""$' 20 || fail "Escape did not clear the library's filter"
# X's auto-repeat reaches the program: w held for a second types one w and then its repeats
# into the filter (so the keys held on the panel above did repeat).
xdotool keydown w
sleep 1
xdotool keyup w
says 'library 0 "wwwww*"$' 10 || fail "w held for a second was not repeated: $(grep '^announce: library' "$work/ktprog.log" | tail -1)"
repeated=$(tr -d '\r' <"$work/ktprog.log" | sed -n 's/^announce: library 0 "\(w*\)"$/\1/p' | tail -1)
xdotool key Escape
for _ in $(seq 100); do
    [ "$(grep '^announce: library' "$work/ktprog.log" | tail -1 | tr -d '\r')" = 'announce: library 5 ""' ] && break
    sleep 0.1
done
[ "$(grep '^announce: library' "$work/ktprog.log" | tail -1 | tr -d '\r')" = 'announce: library 5 ""' ] ||
    fail "Escape did not clear the library's filter of the w's"
echo "w held for a second: ${#repeated} w's in the library's filter"
echo "the library window: opened whole, narrowed to 1 row, the drop wrote $(grep '^program 05 written' "$log")"

# Library > Store to Location...: the text input, the location typed, Enter.
xdotool mousemove $((ox + 80)) $((oy - 9)) click 1
sleep 1
xdotool key s
ask=$(timeout 30 xdotool search --sync --onlyvisible --name '^Store to Location$' | head -1)
[ -n "$ask" ] || fail "Library > Store to Location... opened no \"Store to Location\" text input"
sleep 1
import -window root "$work/store.png"
xdotool type --delay 50 12
xdotool key Return
wait_for '^program 12 written' 30 || fail_with_log "the unit took no write of location 12 from Store to Location"
[ "$(sed -n 's/^program 05 written //p' "$log")" = "$(sed -n 's/^program 12 written //p' "$log")" ] ||
    fail_with_log "location 12 took another program than the drop stored (the panel's, 02 Warm Pad)"
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Store to Location$' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name '^Store to Location$' >/dev/null 2>&1 && fail "the text input stayed open after Enter"
echo "Store to Location: $(grep '^program 12 written' "$log")"

# At 150 % the library window is 960 x 840, still whole on the screen; then back to 100 %.
# (Ctrl+Plus again, should the first come while the text input was still going: at 150 % the
# editor fills the screen, so a second one changes nothing.)
for _ in 1 2 3; do
    xdotool key ctrl+plus
    library_shows 960 840 10 >/dev/null && break
done
library_shows 960 840 1 || fail "after Zoom In the library window is not 960 x 840 on the screen"
# Drawn at the zoom down to its last rows: its status line's strip is the panel's blue.
for _ in $(seq 100); do
    import -window "$library" "$work/library-zoom.png" 2>/dev/null &&
        [ "$(convert "$work/library-zoom.png" -gravity South -crop 100%x5%+0+0 +repage -format '%[fx:mean.b>0.3]' info:)" = 1 ] &&
        break
    sleep 0.2
done
[ "$(convert "$work/library-zoom.png" -gravity South -crop 100%x5%+0+0 +repage -format '%[fx:mean.b>0.3]' info:)" = 1 ] ||
    fail "after Zoom In the library window's last rows are not drawn"
sleep 1
import -window root "$work/library-zoom-screen.png"
for _ in 1 2 3; do
    xdotool key ctrl+0
    library_shows 640 560 10 >/dev/null && break
done
library_shows 640 560 1 || fail "after Actual Size the library window is not 640 x 560 on the screen"
echo "the library window follows the zoom: 960 x 840, then 640 x 560"

# 6. The MIDI Monitor (Alt+V, M), moved beside the panel: z's note, played with the main
# window in front again, shows in it; Alt+V, M once more closes it.
xdotool mousemove $((ox + 600)) $((oy + 700)) click 1  # the main window in front
sleep 0.5
xdotool key alt+v
sleep 0.5
xdotool key m
monitor=$(timeout 30 xdotool search --sync --onlyvisible --name '^MIDI Monitor$' | head -1)
[ -n "$monitor" ] || fail_with_log "View > MIDI Monitor opened no window"
xdotool windowmove "$monitor" $((screen_w - 700)) 0
sleep 0.5
xdotool mousemove $((ox + 600)) $((oy + 700)) click 1
sleep 0.5
xdotool key z
says 'live [0-9]* "MIDI Monitor" "[0-9]\{5\}\.[0-9]\{3\}  OUT  Note off 48 ch 1"$' 10 ||
    fail_with_log "the monitor did not show z's note: $(tr -d '\r' <"$work/ktprog.log" | grep '^announce: live' | tail -1)"
echo "the MIDI Monitor: $(tr -d '\r' <"$work/ktprog.log" | grep '^announce: live' | tail -1)"
xdotool key alt+v
sleep 0.5
xdotool key m
for _ in $(seq 50); do xdotool search --onlyvisible --name '^MIDI Monitor$' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name '^MIDI Monitor$' >/dev/null 2>&1 && fail "choosing MIDI Monitor again left its window open"
echo "choosing MIDI Monitor again closed it"

# 7. MIDI > MIDI Learn (Alt+M, L): the status line asks for a pot; chosen again, it says nothing
# in its middle part. A screenshot of the window is kept with KT_SCREENSHOTS=DIR.
xdotool mousemove $((ox + 600)) $((oy + 700)) click 1
sleep 0.5
xdotool key alt+m
sleep 0.5
xdotool key l
says 'status "[^"]*" "MIDI Learn: click a pot"$' 10 ||
    fail_with_log "MIDI Learn did not show in the status line: $(tr -d '\r' <"$work/ktprog.log" | grep '^announce: status' | tail -1)"
sleep 0.5
if [ -n "${KT_SCREENSHOTS:-}" ]; then import -window root "$KT_SCREENSHOTS/wine-status-learn.png"; fi
echo "MIDI Learn in the status line: $(tr -d '\r' <"$work/ktprog.log" | grep '^announce: status' | tail -1)"
xdotool key alt+m
sleep 0.5
xdotool key l
says 'status "[^"]*" ""$' 10 || fail_with_log "MIDI Learn chosen again left the status line's mode"

# 8. File > Exit writes the configuration.
end_wine ktprog.exe "$editor"
[ -f KtProg.CFG ] || fail "no KtProg.CFG was written"
[ "$(wc -l <KtProg.CFG)" -eq 179 ] || fail "KtProg.CFG has $(wc -l <KtProg.CFG) lines, not 179"
grep -q '^# output closed' "$log" || fail_with_log "the editor left the MIDI output open"
echo "File > Exit: KtProg.CFG with 179 lines, the devices closed"

# 9. ktboot.exe updates the unit in update mode with a 52,500-byte image: File > Load *.ldr
# file (its mnemonic L), the path typed into the dialog.
head -c 52500 /dev/urandom >"$c/kt/firmware.ldr"
log="$work/update.log"
# updater_says LOG SECONDS: waits for the updater's outcome among its KT_ANNOUNCE lines and
# prints the last of them (empty when none came; Windows' line ends taken off).
updater_says() {
    local _
    for _ in $(seq $(($2 * 10))); do
        grep -q '^announce: text " \(Update was\|Error\|ERROR\|Update stopped\)' "$1" 2>/dev/null && break
        sleep 0.1
    done
    grep '^announce: text " \(Update was\|Error\|ERROR\|Update stopped\)' "$1" 2>/dev/null | tail -1 | tr -d '\r'
}
# start_update LOG UNIT_LOG NAME=VALUE...: ktboot.exe with the unit in update mode, the image
# chosen in its dialog; sets updater and window.
start_update() {
    local out=$1 unit_log=$2
    shift 2
    start_wine ktboot.exe "Korvatone Firmware Updater" "$out" KT_ANNOUNCE=1 \
        KT_STANDIN_LOG="Z:$unit_log" KT_STANDIN_UPDATE=1 KT_STANDIN_IMAGE_OUT="Z:$work/received.bin" "$@"
    updater=$wine_pid window=$wine_window
    [ -n "$window" ] || fail_with_log "the updater's window did not appear"
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$window")"
    choose_file $((X + dx + 12)) $((Y + dy - 9)) l "Load File:" 'C:\kt\firmware.ldr'
}
start_update "$work/ktboot.log" "$log" KT_STANDIN_REPLY_DELAY=0
wait_for '^# long message queued: [0-9]\{5\}' 30 || fail_with_log "the updater sent no image"
sent=$(date +%s.%N)
wait_for '^update: ' 60 || fail_with_log "the unit received no complete update"
took=$(echo "$(date +%s.%N) - $sent" | bc)
grep -q '^update: .* received, image 52500 bytes' "$log" || fail_with_log "the unit refused the update"
wait_for '^# reply delivered: F0 00 21 11 02 14 F7' 10 || fail_with_log "the unit's verdict reached no input buffer"
cmp -s "$c/kt/firmware.ldr" "$work/received.bin" || fail "the image the unit kept differs from the file"
said=$(updater_says "$work/ktboot.log" 30)
[ "$said" = 'announce: text " Update was successful!!!"' ] ||
    fail_with_log "the updater did not take the unit's verdict: ${said:-nothing} ($(grep -c '^announce' "$work/ktboot.log") announce lines)"
sleep 1
import -window root "$work/updated.png"
end_wine ktboot.exe "$updater"
echo "ktboot.exe: the image sent in ${took} s, kept by the unit as sent, the verdict taken at once"

# 10. The unit holds its verdict 8 s; the updater is closed while it waits for it. The close is
# kept until the wait ends: the verdict is still taken, then the updater ends.
log="$work/update-close.log"
rm -f "$work/received.bin"
start_update "$work/ktboot-close.log" "$log" KT_STANDIN_REPLY_DELAY=0 KT_STANDIN_VERDICT_DELAY=8000
wait_for '^update: ' 60 || fail_with_log "the unit received no complete update"
wine taskkill /im ktboot.exe >/dev/null 2>&1
closed=$SECONDS
# The close was posted when taskkill returned; the verdict must not have come yet, or this
# would not be a close during the wait (8 s is far longer than a taskkill takes).
if grep -q '^# reply delivered: F0 00 21 11 02 14 F7' "$log"; then
    fail_with_log "taskkill took longer than the unit held its verdict: no close during the final wait was tried"
fi
wait_for '^# reply delivered: F0 00 21 11 02 14 F7' 30 || fail_with_log "the unit's held verdict reached no input buffer"
kill -0 "$updater" 2>/dev/null ||
    fail_with_log "ktboot.exe ended before the unit's verdict came (the close cut the wait short)"
verdict=$SECONDS
await_end "$updater" "ktboot.exe, closed during its final wait, after that wait"
said=$(updater_says "$work/ktboot-close.log" 1)
[ "$said" = 'announce: text " Update was successful!!!"' ] ||
    fail_with_log "the updater closed during its final wait did not take the verdict: ${said:-nothing}"
echo "ktboot.exe closed during the final wait: the verdict taken, then ended ($((verdict - closed)) s until the verdict, within $((SECONDS - verdict)) s after it)"

# Neither program took a send buffer back while the driver still held it: the send waits for
# MHDR_DONE (the stand-in refuses an early unprepare and says so in its log).
for l in "$work/unit.log" "$work/update.log" "$work/update-close.log"; do
    if grep -q '^# unprepare refused' "$l"; then
        log=$l
        fail_with_log "a send buffer was unprepared while the driver still played it"
    fi
done
echo "both programs waited for each send buffer to be done"

echo "PASS after $((SECONDS - started)) s"
