#!/usr/bin/env bash
# Start-up and shut-down of the Linux desktop programs, measured side by side with a bare FLTK
# window of the editor's size, on a private Xvfb and JACK server with ktunit as the unit:
#   startup.sh FLTK_BUILD_DIR SOURCE_DIR [RUNS]
# Each run starts the program with KT_TRACE set and reads its trace lines (see
# src/platform/trace.h): from the launch to "window", "fonts", "midi-alsa", "midi-jack",
# "midi" and "first-paint" (the first drawn panel); then File > Exit, and from "exit" (the
# command loop's end) to the process's end. Prints the median of each figure over RUNS runs
# (default 7) and the ratio of ktprog's first paint to the bare window's.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
runs=${3:-7}
source "$src/tests/integration/desktop_env.sh"
need_tools Xvfb jackd xdotool xdpyinfo jack_lsp
[ -x "$build/tests/bench/bare_window" ] || { echo "skipped: no bare_window in $build"; exit 77; }
start_world startup
cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$work/start/"
"$build/tools/ktunit/ktunit" --api jack >"$work/ktunit.log" 2>&1 &
remember $!
sleep 0.5
cd "$work/start"

now_ms() { date +%s%3N; }
# since_launch TRACE_FILE STEP LAUNCH_MS: milliseconds from the launch to the step ("-" if absent).
since_launch() { awk -v s="$2" -v t0="$3" '$1 == "trace" && $2 == s { printf "%.0f", $3 - t0; found = 1; exit } END { if (!found) printf "-" }' "$1"; }
step_ms() { awk -v s="$2" '$1 == "trace" && $2 == s { print $3; exit }' "$1"; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }

declare -A figures
record() { figures[$1]+="$2"$'\n'; }

for run in $(seq "$runs"); do
    # The yardstick.
    t0=$(now_ms)
    KT_TRACE=1 timeout 20 "$build/tests/bench/bare_window" 2>"$work/bare.trace"
    record bare "$(since_launch "$work/bare.trace" first-paint "$t0")"

    # The editor: its trace up to the first paint, then File > Exit.
    t0=$(now_ms)
    KT_TRACE=1 "$build/src/ktprog" 2>"$work/ktprog.trace" &
    editor=$!
    for _ in $(seq 200); do grep -q "^trace first-paint" "$work/ktprog.trace" && break; sleep 0.05; done
    window=$(xdotool search --name "Korvatone Preset Programmer" | head -1)
    sleep 0.5
    xdotool key --window "$window" alt+f
    sleep 0.3
    xdotool key e
    wait "$editor"
    ended=$(now_ms)
    for step in declaration window fonts first-paint midi-alsa midi-jack midi; do
        record "ktprog $step" "$(since_launch "$work/ktprog.trace" "$step" "$t0")"
    done
    exit_at=$(step_ms "$work/ktprog.trace" exit)
    [ -n "$exit_at" ] && record "ktprog exit" "$(awk -v a="$exit_at" -v b="$ended" 'BEGIN { printf "%.0f", b - a }')"
    [ -f KtProg.CFG ] || echo "warning: run $run wrote no KtProg.CFG"

    # The updater, to its first paint; then closed the same way.
    t0=$(now_ms)
    KT_TRACE=1 "$build/src/ktboot" 2>"$work/ktboot.trace" &
    updater=$!
    for _ in $(seq 200); do grep -q "^trace first-paint" "$work/ktboot.trace" && break; sleep 0.05; done
    record "ktboot first-paint" "$(since_launch "$work/ktboot.trace" first-paint "$t0")"
    window=$(xdotool search --name "Korvatone Firmware Updater" | head -1)
    sleep 0.3
    xdotool key --window "$window" alt+f
    sleep 0.3
    xdotool key e
    wait "$updater"
    ended=$(now_ms)
    exit_at=$(step_ms "$work/ktboot.trace" exit)
    [ -n "$exit_at" ] && record "ktboot exit" "$(awk -v a="$exit_at" -v b="$ended" 'BEGIN { printf "%.0f", b - a }')"
done

echo "median of $runs runs, milliseconds from the launch (exit: from the command loop's end to the process's end):"
for key in bare "ktprog declaration" "ktprog window" "ktprog fonts" "ktprog first-paint" \
           "ktprog midi-alsa" "ktprog midi-jack" "ktprog midi" "ktprog exit" "ktboot first-paint" "ktboot exit"; do
    printf '  %-20s %s\n' "$key" "$(printf '%s' "${figures[$key]:-}" | grep -v '^-*$' | median)"
done
bare=$(printf '%s' "${figures[bare]}" | median)
editor=$(printf '%s' "${figures["ktprog first-paint"]}" | median)
awk -v b="$bare" -v e="$editor" 'BEGIN { if (b > 0) printf "ratio ktprog first paint / bare window: %.2f\n", e / b }'
