# desktop_env.sh - sourced by the desktop integration tests: a private world for one test.
#   need_tools TOOL...     exit 77 (skipped) when one is missing
#   start_world NAME [WxHxD]  a work folder ($work) with HOME and XDG_CONFIG_HOME inside it, a
#                          JACK server of its own (dummy driver) and a fresh Xvfb ($DISPLAY,
#                          1366x768x24 unless given);
#                          exit 77 when either cannot start here
#   remember PID           a process to stop at the end
#   drag WINDOW X Y1 Y2    a left-button drag in the window below its menu bar
#   fail TEXT              says why (with the end of ktunit's log) and exits 1
#   start_editor BUILD     ktunit on JACK, then ktprog (KT_ANNOUNCE=1, its output in
#                          $work/ktprog.log) in $work/start; waits for its window ($main) and
#                          for its command loop
# Everything started is stopped, and the work folder removed, when the test exits.
pids=()
work=""

need_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
    done
}

remember() { pids+=("$1"); }

# drag WINDOW X Y1 Y2 [BAR]: a left-button drag from (X, Y1) to (X, Y2) in the window's client
# area below the menu bar (BAR pixels high: 25, more at a zoom), held long enough for the
# program to poll it.
drag() {
    local X Y WIDTH HEIGHT SCREEN WINDOW bar=${5:-25}
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + bar + $3)) mousedown 1
    sleep 0.3
    xdotool mousemove $((X + $2)) $((Y + bar + $4))
    sleep 0.3
    xdotool mouseup 1
    sleep 0.5
}

# stop PID: asks the process to end and gives it 3 s before it is killed. A JACK server killed
# outright stays in JACK's registry of servers, and a few of those stop every later server
# from starting ("Too many servers already active").
stop() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 30); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
}

cleanup() {
    # The last started first: the programs, then the display, then the JACK server.
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop "${pids[i]}"; done
    wait 2>/dev/null
    [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -f "$work/ktunit.log" ] && tail -20 "$work/ktunit.log"
    exit 1
}

start_editor() {
    "$1/tools/ktunit/ktunit" --api jack >"$work/ktunit.log" 2>&1 &
    remember $!
    sleep 0.5  # ktunit's ports
    cd "$work/start" || fail "no start directory"
    KT_ANNOUNCE=1 "$1/src/ktprog" >"$work/ktprog.log" 2>&1 &
    remember $!
    main=$(timeout 20 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
    [ -n "$main" ] || fail "the editor's window did not appear"
    for _ in $(seq 100); do grep -q "^announce: loop" "$work/ktprog.log" && break; sleep 0.1; done
}

start_world() {
    work=$(mktemp -d "/tmp/kt-$1.XXXXXX")
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    export JACK_DEFAULT_SERVER="kt-$1-$$"
    mkdir -p "$HOME" "$work/start"
    # With no JACK server running, whatever JACK's shared memory still lists is left over from
    # servers that were killed: it is cleared, or it may keep this one from starting.
    grep -qsx jackd /proc/[0-9]*/comm || rm -rf /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]* /dev/shm/jack_* 2>/dev/null
    jackd --no-realtime -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 &
    remember $!
    for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
    jack_lsp >/dev/null 2>&1 || { echo "skipped: the JACK server does not start here"; exit 77; }
    start_display 200 "${2:-1366x768x24}"
}

# start_display BASE SCREEN: a private Xvfb (display number BASE + something of this process's
# number, so that parallel test worlds do not meet) with one screen WxHxD; exports DISPLAY.
start_display() {
    local display=:$(($1 + $$ % 50))
    Xvfb "$display" -screen 0 "$2" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    remember $!
    export DISPLAY=$display
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || { echo "skipped: Xvfb does not start here"; exit 77; }
}

# start_wine EXE "WINDOW NAME" LOG [NAME=VALUE ...]: EXE under Wine in the current folder, with
# those variables set and its output in LOG; waits up to 60 s for a window of that name. Sets
# wine_pid and wine_window (empty when no window came).
start_wine() {
    local exe=$1 name=$2 out=$3
    shift 3
    env "$@" wine "$exe" >"$out" 2>&1 &
    wine_pid=$!
    remember $wine_pid
    wine_window=$(timeout 60 xdotool search --sync --name "$name" | head -1)
}

# await_end PID WHAT: waits up to 30 s for the process to end; fails naming WHAT otherwise.
await_end() {
    for _ in $(seq 300); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    fail "$2 did not end"
}

# end_wine EXE PID: closes it as the window system does (wine taskkill, a WM_CLOSE) and waits
# for its end.
end_wine() {
    wine taskkill /im "$1" >/dev/null 2>&1
    await_end "$2" "$1 after taskkill"
}

# start_wine_world NAME DISPLAY_BASE SCREEN: a work folder, a fresh Wine prefix in it (HOME
# there too) and a private Xvfb; skipped (77) when Wine cannot set up a prefix here.
start_wine_world() {
    work=$(mktemp -d "/tmp/kt-$1.XXXXXX")
    export WINEPREFIX="$work/prefix" WINEDEBUG=-all HOME="$work/home"
    mkdir -p "$HOME"
    start_display "$2" "$3"
    timeout 180 wineboot --init >"$work/wineboot.log" 2>&1
    [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "skipped: Wine cannot set up a prefix here"; exit 77; }
}
