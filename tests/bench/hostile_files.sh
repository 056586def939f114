#!/usr/bin/env bash
# Time and peak memory of the editor meeting hostile files, on the simulated machine (ktsim):
#   [ONLY=sparse|line|batch] hostile_files.sh SIM_BUILD_DIR SOURCE_DIR [MEMORY_CAP_KB]
# Cases: a 1 GB sparse program file loaded with "Load Program", a 100 MB program file of one
# line loaded likewise, and a 300 MB "05 silence.wav" in the folder of a batch write. The
# files are made at run time in a scratch folder and removed afterwards. Each run's address
# space is capped at MEMORY_CAP_KB (default 14000000) so that an unbounded reader fails
# instead of taking the machine down. Prints seconds, peak resident KB and the message count.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
cap=${3:-14000000}
ktsim="$build/tools/ktsim"
[ -x "$ktsim" ] || { echo "no ktsim in $build"; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The script: pick the folder, run the command (a dialog answer for it when a file is given),
# then answer up to 300 message windows and close.
script() {
    local command=$1 file=$2
    echo "answer folder \"progs\""
    [ -n "$file" ] && echo "answer file \"progs/$file\""
    echo "wait 1000"
    echo "menu 1002"
    echo "wait 100"
    echo "menu $command"
    for _ in $(seq 300); do echo "wait 20"; echo "key 1"; done
    echo "close"
}

measure() {
    local name=$1 command=$2 file=$3
    local home="$work/$name"
    mkdir -p "$home/progs"
    cp "$src"/data/KtProg.DAT "$src"/data/CHR4.BIN "$src"/data/CHR6.BIN "$home/"
    "$4" "$home/progs"
    script "$command" "$file" >"$home/script.scn"
    ( ulimit -v "$cap"; /usr/bin/time -v "$ktsim" ktprog --home "$home" --script "$home/script.scn" \
        >"$home/out.txt" 2>"$home/time.txt" )
    local secs rss messages
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$home/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$home/time.txt")
    messages=$(grep -c ' message ' "$home/out.txt")
    printf '%-22s wall %-9s peak %8s KB  messages %s\n' "$name" "$secs" "$rss" "$messages"
    rm -rf "$home"
}

sparse() { truncate -s 1G "$1/Sparse.prg"; }
oneline() { head -c 100000000 /dev/zero | tr '\0' 'x' >"$1/Line.prg"; }
batch() {
    cp "$src/data/programs/01 Init.prg" "$1/01 Init.prg"
    head -c 300000000 /dev/zero >"$1/05 silence.wav"  # silence: one line of zero bytes
}

want() { [ -z "${ONLY:-}" ] || [ "$ONLY" = "$1" ]; }
want sparse && measure sparse-1G 1003 Sparse.prg sparse
want line && measure one-line-100M 1003 Line.prg oneline
want batch && measure batch-300M 1006 "" batch
