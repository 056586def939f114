#!/usr/bin/env bash
# Runs the Linux editor with the virtual unit, self-contained under build/run:
#   tools/run-desktop.sh BUILD_DIR
# - a start directory with the shipped panel, fonts and example programs;
# - the editor's path files in build/run/config (your own ~/.config is not touched);
# - the virtual unit ktunit on a MIDI port: ALSA where a sequencer exists, else a JACK server
#   started here (jackd with its dummy driver) unless one is running;
# - ktprog on your display; with no display it runs under Xvfb, a screenshot is saved, the
#   editor is closed through File > Exit and the script says where the screenshot is.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
run="$root/build/run"
mkdir -p "$run/start/programs" "$run/config"
cp "$root"/data/KtProg.DAT "$root"/data/CHR4.BIN "$root"/data/CHR6.BIN "$run/start/"
cp "$root"/data/programs/*.prg "$run/start/programs/"
export XDG_CONFIG_HOME="$run/config"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

api=alsa
if [ ! -e /dev/snd/seq ]; then
    api=jack
    if ! jack_lsp >/dev/null 2>&1; then
        jackd --no-realtime -d dummy -r 48000 -p 1024 >"$run/jackd.log" 2>&1 &
        pids+=($!)
        for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
    fi
fi
"$build/tools/ktunit/ktunit" --api "$api" --declaration "$run/start/KtProg.DAT" >"$run/ktunit.log" 2>&1 &
pids+=($!)
sleep 0.5
echo "The virtual unit runs on $api; its log: $run/ktunit.log"
if [ "$api" = alsa ]; then
    echo 'Choose "Korvatone (virtual)" in the MIDI menus of the editor (ALSA lists its own ports first).'
fi

cd "$run/start"
if [ -n "${DISPLAY:-}" ]; then
    "$build/src/ktprog"
    exit 0
fi

# No display: a virtual one, a screenshot, and an orderly exit.
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$build/src/ktprog" &
editor=$!
window=$(xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
sleep 1
import -window root "$run/screenshot.png"
# File > Exit: the configuration is written as at every orderly exit.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 20)) $((Y + 12)) click 1
sleep 0.5
xdotool key e
for _ in $(seq 50); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
kill "$editor" 2>/dev/null || true
echo "No display: the editor ran under Xvfb. Screenshot: $run/screenshot.png"
echo "Its configuration: $run/start/KtProg.CFG"
