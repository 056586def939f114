#!/usr/bin/env bash
# Integration test of the editor's zoom on the Linux desktop: ktprog (FLTK) started with
# KtProg.ini "zoom = 200" on an Xvfb screen with room for it, ktunit as the unit.
#   desktop_zoom.sh BUILD_DIR SOURCE_DIR
# Checks: the panel below the menu bar is the golden start picture with every pixel doubled
# (2672 x 1444, the status line below it), pixel for pixel; a drag given in screen pixels (twice the panel's) reaches
# the unit as the same pot's NRPN, so the mouse is scaled back. Exit 77 (skipped) when Xvfb,
# jackd, xdotool or ImageMagick are missing.
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

# 1. The panel at 200 %: the golden picture scaled by pixel replication.
golden="$src/tests/golden/panel_start.png"
convert "$golden" -scale 200% "$work/golden200.png"
size=$(identify -format "%wx%h" "$work/golden200.png")
eval "$(xdotool getwindowgeometry --shell "$window")"
# Below the panel the status line, 16 rows at 100 %.
client=$(identify -format "%wx%[fx:h+32]" "$work/golden200.png")
[ "${WIDTH}x$((HEIGHT - 25))" = "$client" ] || fail "the window's client area is ${WIDTH}x$((HEIGHT - 25)), not $client"
import -window "$window" "$work/window.png"
convert "$work/window.png" -crop "${size}+0+25" +repage "$work/panel.png"
differing=$(compare -metric AE "$work/panel.png" "$work/golden200.png" null: 2>&1) || true
[ "$differing" = "0" ] || fail "the panel at 200 % differs from the doubled golden picture in $differing pixels"
echo "the panel at 200 % ($size) equals the golden picture doubled"

# 2. The filter cutoff's track (panel 73,245 -> 73,215) dragged at screen 146,490 -> 146,430.
# The start-up sent every parameter once: the drag must send 13/2 again, with another value.
cutoffs() { grep -c "parameter 13/2 = " "$work/ktunit.log"; }
last_cutoff() { grep "parameter 13/2 = " "$work/ktunit.log" | tail -1 | sed 's/.*= \([0-9]*\).*/\1/'; }
before=$(cutoffs)
started=$(last_cutoff)
drag "$window" 146 490 430
[ "$(cutoffs)" -gt "$before" ] && [ "$(last_cutoff)" != "$started" ] ||
    fail "the unit heard no new NRPN 13/2 from the drag at 200 % (still $(last_cutoff))"
echo "the drag at 200 % reached the unit as the same pot's NRPN ($started -> $(last_cutoff))"
