#!/usr/bin/env bash
# The library at 10,000 programs in 100 folders: first read without an index, a later read with
# it, one filter keystroke, peak memory. Not part of the test run (it writes 10,000 files):
#   library.sh SIM_BUILD_DIR SOURCE_DIR   (for example: tests/bench/library.sh build/sim .)
# Exit status 0 when every target is met (see bench_library.cpp), 77 when not built.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
bench="$build/tests/bench/kt_library_bench"
[ -x "$bench" ] || { echo "skipped: no kt_library_bench in $build"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" "$src" "$work"
