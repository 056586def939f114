#!/usr/bin/env bash
# Start-up and shut-down of the Linux desktop programs, measured side by side with a bare FLTK
# window of the editor's size, on a private Xvfb and JACK server with ktunit as the unit:
#   startup.sh FLTK_BUILD_DIR SOURCE_DIR [RUNS]
# Each run starts the program with KT_TRACE set and reads its trace lines (see
# src/platform/trace.h): from the launch to "window", "fonts", "midi-alsa", "midi-jack",
# "midi" and "first-paint" (the first drawn panel); then File > Exit, and from "exit" (the
# command loop's end) to the process's end. Prints the median of each figure over RUNS runs
# (default 7) and the ratio of each program's first paint to the bare window's.
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

# measure NAME "WINDOW CAPTION" STEP...: one run of build/src/NAME with KT_TRACE, up to its
# first paint; then File > Exit. Records each STEP from the launch and "exit".
measure() {
    local name=$1 caption=$2
    shift 2
    local t0 pid window ended exit_at
    t0=$(now_ms)
    KT_TRACE=1 "$build/src/$name" 2>"$work/$name.trace" &
    pid=$!
    for _ in $(seq 200); do grep -q "^trace first-paint" "$work/$name.trace" && break; sleep 0.05; done
    window=$(xdotool search --name "$caption" | head -1)
    sleep 0.5
    xdotool key --window "$window" alt+f
    sleep 0.3
    xdotool key e
    wait "$pid"
    ended=$(now_ms)
    for step in "$@"; do record "$name $step" "$(since_launch "$work/$name.trace" "$step" "$t0")"; done
    exit_at=$(step_ms "$work/$name.trace" exit)
    [ -n "$exit_at" ] && record "$name exit" "$(awk -v a="$exit_at" -v b="$ended" 'BEGIN { printf "%.0f", b - a }')"
}

for run in $(seq "$runs"); do
    # The yardstick.
    t0=$(now_ms)
    KT_TRACE=1 timeout 20 "$build/tests/bench/bare_window" 2>"$work/bare.trace"
    record bare "$(since_launch "$work/bare.trace" first-paint "$t0")"

    measure ktprog "Korvatone Preset Programmer" declaration window fonts first-paint midi-alsa midi-jack midi
    [ -f KtProg.CFG ] || echo "warning: run $run: the editor wrote no KtProg.CFG"
    rm -f KtProg.CFG
    measure ktboot "Korvatone Firmware Updater" first-paint
done

echo "median of $runs runs, milliseconds from the launch (exit: from the command loop's end to the process's end):"
for key in bare "ktprog declaration" "ktprog window" "ktprog fonts" "ktprog first-paint" \
           "ktprog midi-alsa" "ktprog midi-jack" "ktprog midi" "ktprog exit" "ktboot first-paint" "ktboot exit"; do
    printf '  %-20s %s\n' "$key" "$(printf '%s' "${figures[$key]:-}" | grep -v '^-*$' | median)"
done
bare=$(printf '%s' "${figures[bare]}" | median)
for name in ktprog ktboot; do
    paint=$(printf '%s' "${figures["$name first-paint"]}" | median)
    awk -v b="$bare" -v p="$paint" -v n="$name" 'BEGIN { if (b > 0) printf "ratio %s first paint / bare window: %.2f\n", n, p / b }'
done
