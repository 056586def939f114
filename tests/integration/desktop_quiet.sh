#!/bin/bash
# Quiet start: ktprog and ktboot on a display without any MIDI system (no JACK server, and no
# ALSA sequencer on this machine) say nothing on stderr; what matters reaches the user as
# their boxes. Each is started, left a few seconds and ended with the window's close.
# usage: desktop_quiet.sh BUILD_DIR SOURCE_DIR
build=$1
source_dir=$2
. "$(dirname "$0")/desktop_env.sh"
need_tools Xvfb xdotool
[ -e /dev/snd/seq ] && { echo "skipped: this machine has an ALSA sequencer"; exit 77; }
work=$(mktemp -d /tmp/kt-quiet.XXXXXX)
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export JACK_DEFAULT_SERVER="kt-quiet-none-$$"  # a server nobody runs
mkdir -p "$HOME" "$work/start"
cp "$source_dir"/data/KtProg.DAT "$source_dir"/data/CHR4.BIN "$source_dir"/data/CHR6.BIN "$work/start/"
display=:$((40 + $$ % 50))
Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
remember $!
export DISPLAY=$display
for i in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || { echo "skipped: Xvfb did not start"; exit 77; }

for program in ktprog ktboot; do
    (cd "$work/start" && exec "$build/src/$program" >"$work/$program.out" 2>"$work/$program.err") &
    pid=$!
    remember $pid
    sleep 4
    # Dismiss the boxes (no MIDI system works) and close the window.
    for i in 1 2 3 4; do xdotool key Return 2>/dev/null; sleep 0.3; done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -s "$work/$program.err" ]; then
        echo "FAIL: $program wrote to stderr:"
        cat "$work/$program.err"
        exit 1
    fi
done
echo "ok: nothing on stderr"
