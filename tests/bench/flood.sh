#!/usr/bin/env bash
# A control surface flooding the editor: 100,000 learned-controller messages in one second,
# taken one a pass and coalesced, side by side (bytes sent, passes, lag, wall time):
#   flood.sh SIM_BUILD_DIR SOURCE_DIR   (for example: tests/bench/flood.sh build/sim .)
# Exit status 77 when not built.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
bench="$build/tests/bench/kt_flood_bench"
[ -x "$bench" ] || { echo "skipped: no kt_flood_bench in $build"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" "$src" "$work"
