#!/usr/bin/env bash
# Time and peak memory of the editor meeting hostile files, on the simulated machine (ktsim):
#   [ONLY=CASE] hostile_files.sh SIM_BUILD_DIR SOURCE_DIR [MEMORY_CAP_KB]
# Cases (CASE is the word in brackets):
#   [sparse] a 1 GB sparse program file loaded with "Load Program"; [line] a 100 MB program
#   file of one line loaded likewise; [batch] a 300 MB "05 silence.wav" in the folder of a
#   batch write; [cfgfolder] a folder where KtProg.CFG is expected; [inififo] a FIFO without a
#   writer as KtProg.ini; [progfifo] / [progfolder] a FIFO / a folder chosen as the program to
#   load; [tempfifo] a FIFO at KtProg.CFG.new~, the configuration's temporary file at the exit;
#   [templink] a link at KtProg.CFG.new~ to a file of the user's (checked after the run).
# The files are made at run time in a scratch folder and removed afterwards. Each run's address
# space is capped at MEMORY_CAP_KB (default 14000000) so that an unbounded reader fails
# instead of taking the machine down, and its time at 20 s so that a reader that blocks is
# ended (exit 124, "blocked"). Prints seconds, peak resident KB, the message count and the
# exit status of ktsim (134: aborted).
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
    "$4" "$home/progs" "$home"
    script "$command" "$file" >"$home/script.scn"
    ( ulimit -v "$cap"; /usr/bin/time -v timeout -s KILL 20 "$ktsim" ktprog --home "$home" \
        --script "$home/script.scn" >"$home/out.txt" 2>"$home/time.txt" )
    local status=$?
    case $status in 124 | 137) status="$status blocked" ;; 134) status="134 aborted" ;; esac
    local secs rss messages
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$home/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$home/time.txt")
    messages=$(grep -c ' message ' "$home/out.txt")
    printf '%-22s wall %-9s peak %8s KB  messages %-3s exit %s\n' "$name" "$secs" "$rss" "$messages" "$status"
    if [ -e "$home/letter.txt" ]; then
        [ "$(cat "$home/letter.txt")" = "Dear Ann," ] && echo "  the user's letter is intact" ||
            echo "  the user's letter was overwritten"
    fi
    rm -rf "$home"
}

sparse() { truncate -s 1G "$1/Sparse.prg"; }
oneline() { head -c 100000000 /dev/zero | tr '\0' 'x' >"$1/Line.prg"; }
batch() {
    cp "$src/data/programs/01 Init.prg" "$1/01 Init.prg"
    head -c 300000000 /dev/zero >"$1/05 silence.wav"  # silence: one line of zero bytes
}

want() { [ -z "${ONLY:-}" ] || [ "$ONLY" = "$1" ]; }
cfgfolder() { mkdir "$2/KtProg.CFG"; }
inififo() { mkfifo "$2/KtProg.ini"; }
progfifo() { mkfifo "$1/Fifo.prg"; }
progfolder() { mkdir "$1/Folder.prg"; }
tempfifo() { mkfifo "$2/KtProg.CFG.new~"; }
templink() { echo "Dear Ann," >"$2/letter.txt"; ln -s letter.txt "$2/KtProg.CFG.new~"; }

want sparse && measure sparse-1G 1003 Sparse.prg sparse
want line && measure one-line-100M 1003 Line.prg oneline
want batch && measure batch-300M 1006 "" batch
want cfgfolder && measure cfg-folder 1003 "" cfgfolder
want inififo && measure ini-fifo 1003 "" inififo
want progfifo && measure program-fifo 1003 Fifo.prg progfifo
want progfolder && measure program-folder 1003 Folder.prg progfolder
want tempfifo && measure temporary-fifo 1003 "" tempfifo
want templink && measure temporary-link 1003 "" templink
