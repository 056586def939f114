#!/bin/sh
# midi_loop.sh - the desktop MIDI backend and ktunit against each other over a real MIDI system:
# a JACK server with the dummy driver, ktunit on its virtual port, and midi_probe (the backend
# of ktprog and ktboot with a stand-in event queue) sending to it. Two sessions: program mode
# (edits, notes, program writes) and update mode (identification, erase notice, a broken and a
# 60,013-byte update at MIDI pace, about 20 s).
#
# usage: midi_loop.sh KTUNIT MIDI_PROBE [DATA_DIR [WORK_DIR]]
#   DATA_DIR  the folder with KtProg.DAT (default: data/ of this source tree)
#   WORK_DIR  where logs, dumps and images go (default: a new temporary folder, removed when
#             everything passed)
# Exit status: 0 passed, 1 failed, 77 skipped (no JACK server can be started here).
#
# The JACK server is our own, under a name of our own (JACK_DEFAULT_SERVER tells the clients):
# the test neither disturbs a JACK session that runs nor depends on one, and tests running at
# the same time do not see each other's ports. Every process started here is stopped here.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 KTUNIT MIDI_PROBE [DATA_DIR [WORK_DIR]]" >&2
    exit 2
fi
KTUNIT=$1
PROBE=$2
DATA=${3:-$(cd "$(dirname "$0")/../../data" && pwd)}
if [ $# -ge 4 ]; then
    WORK=$4
    KEEP_WORK=1
    mkdir -p "$WORK" || exit 1
else
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/midi_loop.XXXXXX") || exit 1
    KEEP_WORK=0
fi

if ! command -v jackd >/dev/null 2>&1; then
    echo "SKIP: jackd is not installed"
    exit 77
fi

SERVER="ktmidiloop$$"
JACK_DEFAULT_SERVER=$SERVER
export JACK_DEFAULT_SERVER

JACKD_PID=""
UNIT_PID=""
FAILED=0

cleanup() {
    if [ -n "$UNIT_PID" ]; then kill -TERM "$UNIT_PID" 2>/dev/null; wait "$UNIT_PID" 2>/dev/null; fi
    if [ -n "$JACKD_PID" ]; then kill -TERM "$JACKD_PID" 2>/dev/null; wait "$JACKD_PID" 2>/dev/null; fi
    if [ "$KEEP_WORK" = 0 ] && [ "$FAILED" = 0 ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'FAILED=1; exit 1' INT TERM

fail() {
    echo "FAILED: $*"
    FAILED=1
}

# Waits up to $2 tenths of a second for process $1 to end; true when it did.
ended_within() {
    n=0
    while kill -0 "$1" 2>/dev/null; do
        [ "$n" -ge "$2" ] && return 1
        sleep 0.1
        n=$((n + 1))
    done
    return 0
}

# --- the JACK server ---
jackd -n "$SERVER" --no-realtime -d dummy -r 48000 -p 2048 >"$WORK/jackd.log" 2>&1 &
JACKD_PID=$!
ready=0
for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    if ! kill -0 "$JACKD_PID" 2>/dev/null; then break; fi
    if command -v jack_lsp >/dev/null 2>&1; then
        if jack_lsp >/dev/null 2>&1; then ready=1; break; fi
    elif [ -e "/dev/shm" ]; then
        sleep 1; ready=1; break  # no tool to ask it: give it a second
    fi
    sleep 0.25
done
if [ "$ready" != 1 ] || ! kill -0 "$JACKD_PID" 2>/dev/null; then
    echo "SKIP: the JACK server would not start here:"
    sed 's/^/    /' "$WORK/jackd.log"
    JACKD_PID=""
    exit 77
fi

# start_unit NAME ARGS...: ktunit in the background, its output in $WORK/NAME.log.
start_unit() {
    name=$1
    shift
    "$KTUNIT" "$@" >"$WORK/$name.log" 2>"$WORK/$name.err" &
    UNIT_PID=$!
}

# stop_unit: SIGTERM must end it within 5 s with status 0.
stop_unit() {
    kill -TERM "$UNIT_PID" 2>/dev/null
    if ! ended_within "$UNIT_PID" 50; then
        fail "ktunit did not end within 5 s of SIGTERM"
        kill -KILL "$UNIT_PID" 2>/dev/null
    fi
    wait "$UNIT_PID"
    status=$?
    [ "$status" = 0 ] || fail "ktunit ended with status $status"
    UNIT_PID=""
}

# has FILE LINE: FILE has exactly this line.
has() {
    grep -qxF -- "$2" "$1" || fail "$(basename "$1") lacks the line: $2"
}

# count_is FILE LINE N
count_is() {
    n=$(grep -cxF -- "$2" "$1")
    [ "$n" = "$3" ] || fail "$(basename "$1") has \"$2\" $n times, not $3"
}

# --- program mode ---
echo "== program mode"
start_unit program --declaration "$DATA/KtProg.DAT" --dump-on-exit "$WORK/program.dump"
timeout 60 "$PROBE" program >"$WORK/probe-program.log" 2>"$WORK/probe-program.err" || fail "midi_probe program (status $?)"
cat "$WORK/probe-program.log"
stop_unit
L="$WORK/program.log"
has "$L" "edit begin"
has "$L" "parameter 13/2 = 64 (field 2 pot 1 CUTOFF)"
has "$L" "note on 60"
has "$L" "note off 60"
has "$L" "edit end"
has "$L" "program 07 written (sum 1000)"
has "$L" "program 08 written (sum 1000)"
has "$L" "program 09 written (sum 1000)"
has "$L" "refused: checksum (115 bytes: F0 00 21 11 03 20 00 0A ..)"
has "$L" "program 11 written (sum 1000)"
has "$L" "program 12 written (sum 1000)"
count_is "$L" "answered: program written" 5
has "$L" "stopped"
D="$WORK/program.dump"
has "$D" "mode program"
has "$D" "program 07 sum 1000 first 0A 0A 0A 0A 0A 0A 0A 0A"
has "$D" "parameters 10/1=1 13/2=64"
has "$D" "edit closed"
has "$D" "notes none"
has "$D" "image none"
has "$D" "counts short 11 nrpn 3 nrpn-errors 0 edit 1/1 programs 5 refused 1 updates 0"

# --- update mode ---
echo "== update mode"
start_unit update --update --erase-ms 400 --dump-on-exit "$WORK/update.dump" --image-out "$WORK/received.bin"
timeout 60 "$PROBE" update --erase-ms 400 --image-file "$WORK/sent.bin" >"$WORK/probe-update.log" \
    2>"$WORK/probe-update.err" || fail "midi_probe update (status $?)"
cat "$WORK/probe-update.log"
stop_unit
L="$WORK/update.log"
has "$L" "identification request"
has "$L" "answered: identification"
has "$L" "erase done"
has "$L" "update: 22 bytes received, refused: checksum"
has "$L" "answered: update failed"
has "$L" "answered: update ok"
crc=$(sed -n 's/^update: 60013 bytes received, image 52500 bytes crc32 \([0-9A-F]\{8\}\), verdict ok$/\1/p' "$L")
if [ -z "$crc" ]; then
    fail "update.log lacks the line of the 60013-byte update"
else
    has "$WORK/update.dump" "image 52500 bytes crc32 $crc"
fi
has "$WORK/update.dump" "counts short 0 nrpn 0 nrpn-errors 0 edit 0/0 programs 0 refused 1 updates 2"
cmp -s "$WORK/sent.bin" "$WORK/received.bin" || fail "the image ktunit wrote differs from the image sent"

if [ "$FAILED" = 0 ]; then
    echo "PASSED"
    exit 0
fi
echo "logs in $WORK"
exit 1
