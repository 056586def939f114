#!/usr/bin/env bash
# Smoke test of the Windows programs under Wine and Xvfb:
#   wine_smoke.sh WIN32_BUILD_DIR SOURCE_DIR [SCREENSHOT_DIR]
# A fresh Wine prefix with C:\Qrdxpath\KtProg.pth naming C:\kt, which holds the shipped data:
# ktprog.exe opens its window, its client area shows the whole panel (1336 x 722, keyboard
# included) equal to the simulation's golden panel picture, and closing it (wine taskkill, a
# WM_CLOSE) writes KtProg.CFG with 179 lines; started again with "zoom = 200" in KtProg.ini, it
# shows the golden picture with every pixel doubled (2672 x 1444) and keeps the level; with Wine
# at 192 dpi and no level kept it starts at 200 % with a menu bar at that dpi, at 120 dpi at
# 125 % (the simulation's panel at 125 %); ktboot.exe, finding no MIDI input under Wine, shows "No MIDI IN device present!!!"
# under "Device Error" and ends. Exit 77 (skipped) when Wine or Xvfb are missing or Wine
# cannot set up a prefix here.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
shots=${3:-}
source "$(dirname "$0")/desktop_env.sh"
need_tools wine Xvfb xdotool xdpyinfo import compare convert
# Room for the whole window at 200 %: the panel's client area plus Wine's frame, caption and
# menu bar. At Wine's 96 dpi the first start stays at 100 % all the same.
start_wine_world wine 400 3000x1800x24

c="$WINEPREFIX/drive_c"
mkdir -p "$c/Qrdxpath" "$c/kt"
printf 'dummy\r\n' >"$c/Qrdxpath/Qrdxpath.pth"
printf 'C:\\kt\r\n' >"$c/Qrdxpath/KtProg.pth"
printf 'C:\\kt\r\n' >"$c/Qrdxpath/KTboot.pth"
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$c/kt/"
cp "$build/src/ktprog.exe" "$build/src/ktboot.exe" "$c/kt/"

# start_editor NAME: starts ktprog.exe and takes a screenshot $work/NAME.png once its window
# is there (also kept as wine_NAME.png with the screenshots). Sets editor and window.
start_editor() {
    start_wine ktprog.exe "Korvatone Preset Programmer" "$work/$1.log"
    editor=$wine_pid window=$wine_window
    [ -n "$window" ] || fail "the editor's window did not appear ($1)"
    sleep 3
    import -window root "$work/$1.png"
    [ -n "$shots" ] && cp "$work/$1.png" "$shots/wine_$1.png"
}

# The editor.
cd "$c/kt"
start_editor ktprog

# Where is the client area? Find the panel's top-left corner in the screenshot; the window
# must reach at least the whole panel's size from there, and that part of the screen must
# equal the picture pixel for pixel. Sets ox, oy: the client area's corner on the screen.
#   check_client_area SCREENSHOT WINDOW PICTURE
check_client_area() {
    local screen=$1 window=$2 picture=$3
    convert "$picture" -crop 80x80+0+0 +repage "$work/corner.png"
    convert "$screen" -crop 300x300+0+0 +repage "$work/area.png"
    local offset
    offset=$(compare -metric AE -subimage-search "$work/area.png" "$work/corner.png" null: 2>&1 | sed -n 's/.* @ \([0-9]*\),\([0-9]*\).*/\1 \2/p')
    [ -n "$offset" ] || fail "the panel's corner is nowhere on the screen"
    read -r ox oy <<<"$offset"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    local cw=$((X + WIDTH - ox)) ch=$((Y + HEIGHT - oy))
    local gw gh differing
    gw=$(identify -format %w "$picture"); gh=$(identify -format %h "$picture")
    [ "$cw" -ge "$gw" ] && [ "$ch" -ge "$gh" ] ||
        fail "the window shows only ${cw}x${ch} of the ${gw}x${gh} panel"
    convert "$screen" -crop "${gw}x${gh}+${ox}+${oy}" +repage "$work/client.png"
    differing=$(compare -metric AE "$work/client.png" "$picture" null: 2>&1) || true
    echo "client area ${gw}x${gh} at ${ox},${oy}: $differing pixels differ from the expected picture"
    [ "$differing" = "0" ] || fail "the client area differs from the expected picture"
}
golden="$src/tests/golden/panel_start.png"
check_client_area "$work/ktprog.png" "$window" "$golden"
bar96=$((oy - Y))  # the window's caption and menu bar at Wine's 96 dpi

# The menu bar: a click on "File" just above the client area opens a menu over the panel.
convert "$work/ktprog.png" -crop 200x120+${ox}+${oy} +repage "$work/before.png"
xdotool mousemove $((ox + 12)) $((oy - 9)) click 1
sleep 1
import -window root "$work/menu.png"
[ -n "$shots" ] && cp "$work/menu.png" "$shots/wine_ktprog_menu.png"
convert "$work/menu.png" -crop 200x120+${ox}+${oy} +repage "$work/after.png"
changed=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1) || true
[ "${changed:-0}" -gt 500 ] || fail "no menu opened under \"File\" ($changed pixels changed)"
xdotool key Escape
sleep 0.3
xdotool key Escape
sleep 0.5
echo "the File menu opens"

# File > Show Unit Memory (its mnemonic U) opens the text window "Unit Memory".
xdotool mousemove $((ox + 12)) $((oy - 9)) click 1
sleep 1
xdotool key u
view=$(timeout 30 xdotool search --sync --name "^Unit Memory$" | head -1)
[ -n "$view" ] || fail "File > Show Unit Memory opened no \"Unit Memory\" window"
sleep 1
import -window root "$work/view.png"
[ -n "$shots" ] && cp "$work/view.png" "$shots/wine_ktprog_unit_memory.png"
echo "the Unit Memory window opens"

end_wine ktprog.exe "$editor"
[ -f "$c/kt/KtProg.CFG" ] || fail "no KtProg.CFG was written"
lines=$(wc -l <"$c/kt/KtProg.CFG")
[ "$lines" -eq 179 ] || fail "KtProg.CFG has $lines lines, not 179"
echo "ktprog.exe: window, panel and configuration ok"

# The zoom kept in the options file: 200 % is the panel with every pixel doubled. The
# configuration is made read-only (Wine shows a file without write bits as read-only): at the
# close the editor says it is write-protected and leaves it as it was.
sed -i '/^zoom *=/d' "$c/kt/KtProg.ini" 2>/dev/null
printf 'zoom = 200\r\n' >>"$c/kt/KtProg.ini"
cp "$c/kt/KtProg.CFG" "$work/KtProg.CFG.before"
chmod 444 "$c/kt/KtProg.CFG"
start_editor ktprog_zoom200
convert "$golden" -filter point -resize 200% "$work/golden200.png"
check_client_area "$work/ktprog_zoom200.png" "$window" "$work/golden200.png"
wine taskkill /im ktprog.exe >/dev/null 2>&1
box=$(timeout 30 xdotool search --sync --name "^Message:$" | head -1)
[ -n "$box" ] || fail "no message window about the write-protected KtProg.CFG"
sleep 1
import -window root "$work/protected.png"
[ -n "$shots" ] && cp "$work/protected.png" "$shots/wine_ktprog_protected.png"
xdotool key --window "$box" Return
await_end "$editor" "ktprog.exe after the message"
cmp -s "$c/kt/KtProg.CFG" "$work/KtProg.CFG.before" || fail "the write-protected KtProg.CFG was changed"
[ "$(stat -c %a "$c/kt/KtProg.CFG")" = 444 ] || fail "KtProg.CFG lost its protection"
chmod 644 "$c/kt/KtProg.CFG"
grep -q '^zoom = 200' "$c/kt/KtProg.ini" || fail "KtProg.ini lost the zoom: $(cat "$c/kt/KtProg.ini")"
echo "ktprog.exe at 200 %: the whole panel doubled, the level kept; a write-protected KtProg.CFG said and kept"

# set_dpi DPI: Wine's desktop at DPI (its LogPixels), taken up by the next program started.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver -w
}
# start_at_dpi DPI: ktprog.exe's first start (no level kept) with Wine at DPI.
start_at_dpi() {
    sed -i '/^zoom *=/d' "$c/kt/KtProg.ini"
    set_dpi "$1"
    start_editor "ktprog_dpi$1"
}

# Wine at 192 dpi, no level kept: the first start picks 200 % from the dpi, and Windows draws
# the menu bar at the window's dpi: taller than at 96 dpi.
start_at_dpi 192
check_client_area "$work/ktprog_dpi192.png" "$window" "$work/golden200.png"
bar192=$((oy - Y))
echo "the menu bar and caption: $bar96 pixels at 96 dpi, $bar192 at 192 dpi"
[ "$bar192" -ge $((bar96 * 3 / 2)) ] || fail "at 192 dpi the menu bar is not scaled ($bar192 pixels against $bar96)"
end_wine ktprog.exe "$editor"
echo "ktprog.exe at 192 dpi: 200 % at the first start, the menu bar at the window's dpi"

# At 120 dpi (the common laptop's): 125 %, the panel as the simulation draws it at 125 % (its
# snapshot, built from build/sim; this part is left out where ktsim is missing).
ktsim=${KTSIM:-$src/build/sim/tools/ktsim}
if [ -x "$ktsim" ]; then
    mkdir -p "$work/sim"
    cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/sim/"
    printf 'screen 1920 1080\ndpi 120\nwait 500\nsnapshot "shown125.png"\n' >"$work/sim/zoom.scn"
    "$ktsim" ktprog --home "$work/sim" --script "$work/sim/zoom.scn" >"$work/sim/transcript" || fail "ktsim did not run"
    start_at_dpi 120
    check_client_area "$work/ktprog_dpi120.png" "$window" "$work/sim/shown125.png"
    bar120=$((oy - Y))
    echo "the menu bar and caption: $bar120 pixels at 120 dpi"
    [ "$bar120" -gt "$bar96" ] && [ "$bar120" -lt "$bar192" ] || fail "at 120 dpi the menu bar is $bar120 pixels"
    end_wine ktprog.exe "$editor"
    echo "ktprog.exe at 120 dpi: 125 % at the first start, the panel as the simulation's"
else
    echo "no ktsim at $ktsim: 120 dpi is not checked"
fi
set_dpi 96

# The updater: Wine has no MIDI input here.
start_wine ktboot.exe "Device Error" "$work/ktboot.log"
updater=$wine_pid box=$wine_window
[ -n "$box" ] || fail "ktboot.exe showed no \"Device Error\" box"
sleep 1
import -window root "$work/box.png"
[ -n "$shots" ] && cp "$work/box.png" "$shots/wine_ktboot.png"
# Its OK button sits at the foot of the box, in the middle; without a window manager a click
# there is surer than a key, whose focus Wine decides.
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 18)) click 1
for _ in $(seq 100); do kill -0 "$updater" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$updater" 2>/dev/null; then
    xdotool key Return
    for _ in $(seq 200); do kill -0 "$updater" 2>/dev/null || break; sleep 0.1; done
fi
kill -0 "$updater" 2>/dev/null && fail "ktboot.exe did not end after the box"
echo "ktboot.exe: Device Error box, then the end"
echo "PASS"
