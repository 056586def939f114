#!/usr/bin/env bash
# Runs a command on a display of its own: a fresh Xvfb (24-bit, no window manager) that is
# stopped afterwards. Exit 77 (skipped) when Xvfb is missing or does not start.
set -uo pipefail
command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null || { echo "skipped: Xvfb is missing"; exit 77; }
display=:$((300 + $$ % 50))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "skipped: Xvfb does not start here"; exit 77; }
"$@"
