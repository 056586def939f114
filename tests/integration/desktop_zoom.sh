#!/usr/bin/env bash
# Integration test of the editor's zoom on the Linux desktop: ktprog (FLTK) started with
# KtProg.ini "zoom = 200" on an Xvfb screen with room for it, ktunit as the unit.
#   desktop_zoom.sh BUILD_DIR SOURCE_DIR
# Checks: the menu bar grows with the zoom (25 pixels at 100 %, 32 at 125 %, 50 at 200 %) and
# its text with it; the panel below it is the golden start picture with every pixel doubled
# (2672 x 1444, the status line below it), pixel for pixel; a drag given in screen pixels (twice the panel's) reaches
# the unit as the same pot's NRPN, so the mouse is scaled back; after Ctrl+Minus twice the
# panel at 125 % is what the simulation shows at 125 % (ktsim's snapshot), pixel for pixel.
# KT_SCREENSHOTS=DIR keeps the window at 200 % and 125 % with the View menu pulled down.
# Exit 77 (skipped) when Xvfb, jackd, xdotool or ImageMagick are missing.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
source "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb jackd xdotool import compare convert identify xdpyinfo jack_lsp
start_world zoom 2800x1600x24
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
printf 'zoom = 200\r\n' >"$work/start/KtProg.ini"
"$build/tools/ktunit/ktunit" --api jack >"$work/ktunit.log" 2>&1 &
remember $!
sleep 0.5  # ktunit's ports

cd "$work/start"
"$build/src/ktprog" >"$work/ktprog.log" 2>&1 &
remember $!
window=$(timeout 20 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
[ -n "$window" ] || fail "the editor's window did not appear"
sleep 2

# The menu bar's height at a level: 25 pixels at 100 %, rounded up like the panel's.
bar_height() { echo $(((25 * $1 + 99) / 100)); }
# The rows the text of the menu bar (of window.png, BAR pixels high) takes: the dark pixels
# within the bar, its frame left out.
text_rows() {
    convert "$work/window.png" -crop "400x$(($1 - 6))+4+3" +repage \
        -colorspace Gray -threshold 40% -format "%@" info: | sed 's/^[0-9]*x\([0-9]*\)+.*/\1/'
}
# Pulls the View menu down (Alt+V), keeps a picture of the screen when asked, closes it.
picture_with_menu() {
    [ -n "${KT_SCREENSHOTS:-}" ] || return 0
    xdotool key alt+v
    sleep 0.7
    import -window root "$KT_SCREENSHOTS/$1"
    xdotool key Escape
    sleep 0.5
}

# 1. The panel at 200 %: the golden picture scaled by pixel replication, below a bar of 50.
bar=$(bar_height 200)
golden="$src/tests/golden/panel_start.png"
convert "$golden" -scale 200% "$work/golden200.png"
size=$(identify -format "%wx%h" "$work/golden200.png")
eval "$(xdotool getwindowgeometry --shell "$window")"
# Below the panel the status line, 16 rows at 100 %.
client=$(identify -format "%wx%[fx:h+32]" "$work/golden200.png")
[ "${WIDTH}x$((HEIGHT - bar))" = "$client" ] || fail "the window's client area is ${WIDTH}x$((HEIGHT - bar)), not $client"
import -window "$window" "$work/window.png"
convert "$work/window.png" -crop "${size}+0+$bar" +repage "$work/panel.png"
differing=$(compare -metric AE "$work/panel.png" "$work/golden200.png" null: 2>&1) || true
[ "$differing" = "0" ] || fail "the panel at 200 % differs from the doubled golden picture in $differing pixels"
echo "the panel at 200 % ($size) equals the golden picture doubled, below a menu bar of $bar pixels"
rows200=$(text_rows "$bar")
picture_with_menu zoom200.png

# 2. The filter cutoff's track (panel 73,245 -> 73,215) dragged at screen 146,490 -> 146,430.
# The start-up sent every parameter once: the drag must send 13/2 again, with another value.
cutoffs() { grep -c "parameter 13/2 = " "$work/ktunit.log"; }
last_cutoff() { grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | sed 's/.*= \([0-9]*\).*/\1/'; }
before=$(cutoffs)
started=$(last_cutoff)
drag "$window" 146 490 430 "$bar"
[ "$(cutoffs)" -gt "$before" ] && [ "$(last_cutoff)" != "$started" ] ||
    fail "the unit heard no new NRPN 13/2 from the drag at 200 % (still $(last_cutoff))"
echo "the drag at 200 % reached the unit as the same pot's NRPN ($started -> $(last_cutoff))"

# 3. Zoom Out twice: 150 %, then 125 %. The panel is the simulation's picture at 125 % of
# the same panel after the same drag (the unit's NRPN thinning plays no part in the picture).
xdotool key ctrl+minus
sleep 0.7
xdotool key ctrl+minus
sleep 1
bar=$(bar_height 125)
mkdir -p "$work/sim"
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/sim/"
cat >"$work/sim/zoom.scn" <<SCRIPT
screen 1920 1080
dpi 120
wait 1000
mouse 92 307 1
wait 200
mouse 92 269 1
wait 100
mouse 92 269 0
wait 100
snapshot "shown125.png"
SCRIPT
"$build/tools/ktsim" ktprog --home "$work/sim" --script "$work/sim/zoom.scn" >"$work/sim/transcript" ||
    fail "ktsim did not run"
grep -q "^0 zoom 125 " "$work/sim/transcript" || fail "the simulation did not start at 125 %"
size=$(identify -format "%wx%h" "$work/sim/shown125.png")
eval "$(xdotool getwindowgeometry --shell "$window")"
# The client area, the status line below the panel included, is the simulation's at 125 %.
client=$(sed -n 's/^0 zoom 125 \([0-9]*\) \([0-9]*\)$/\1x\2/p' "$work/sim/transcript")
[ "${WIDTH}x$((HEIGHT - bar))" = "$client" ] || fail "the window's client area at 125 % is ${WIDTH}x$((HEIGHT - bar)), not $client"
import -window "$window" "$work/window.png"
convert "$work/window.png" -crop "${size}+0+$bar" +repage "$work/panel125.png"
differing=$(compare -metric AE "$work/panel125.png" "$work/sim/shown125.png" null: 2>&1) || true
[ "$differing" = "0" ] || fail "the panel at 125 % differs from the simulation's in $differing pixels"
echo "the panel at 125 % ($size) equals the simulation's, below a menu bar of $bar pixels"
rows125=$(text_rows "$bar")
picture_with_menu zoom125.png
if [ -n "${KT_SCREENSHOTS:-}" ]; then cp "$work/window.png" "$KT_SCREENSHOTS/window125.png"; fi

# 4. The menu bar's text grew with the level: at 200 % its rows are about 1.6 times those
# at 125 % (at least 1.3 times, whatever the font's rounding).
[ -n "$rows125" ] && [ -n "$rows200" ] && [ "$((rows200 * 10))" -ge "$((rows125 * 13))" ] ||
    fail "the menu bar's text is $rows200 rows high at 200 % and $rows125 at 125 %"
echo "the menu bar's text is $rows200 rows high at 200 %, $rows125 at 125 %"
echo "PASS"
