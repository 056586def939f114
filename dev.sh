#!/usr/bin/env bash
# Developer entry point. On a fresh Debian 12 machine:
#   ./dev.sh run    installs what is missing, builds, and runs the editor
#   ./dev.sh test   installs what is missing, builds everything and runs all tests
# Other commands: ./dev.sh demo (a scripted run on the simulated machine, with a PNG of the
# panel), ./dev.sh build (sim build only), ./dev.sh golden (regenerate golden files),
# ./dev.sh icons (redraw the programs' icons in data/icons with tools/mkicons).
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

# What each build needs, so that every command installs only its own share.
SIM_PACKAGES=(cmake g++ make pkg-config diffutils python3 libgtest-dev libbenchmark-dev libpng-dev)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
FLTK_PACKAGES=(libfltk1.3-dev librtmidi-dev)
# The Debian package's build and checks: dpkg-shlibdeps (dpkg-dev), lintian, the validators of
# desktop entries and AppStream metadata, man for the manual pages.
PACKAGE_PACKAGES=(dpkg-dev lintian desktop-file-utils appstream man-db)
# The desktop programs at run time: a JACK server for the virtual unit where ALSA has no
# sequencer, and Xvfb, xdotool, xdpyinfo, xset and import for a run without a display.
RUNTIME_PACKAGES=(jackd2 xvfb xdotool x11-utils x11-xserver-utils imagemagick)
WIN32_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 nsis)
# The test on a real ALSA sequencer: QEMU boots Debian's kernel (downloaded by the test itself)
# with a busybox initramfs; aconnect and aseqdump inside it. Without QEMU's recommended extras.
VM_PACKAGES=(qemu-system-x86 busybox-static alsa-utils)

install_packages() {  # install_packages [--no-recommends] PACKAGE...
    local missing=() lean=()
    if [ "${1:-}" = --no-recommends ]; then
        lean=(--no-install-recommends)
        shift
    fi
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        local SUDO=""
        [ "$(id -u)" -eq 0 ] || SUDO=sudo
        $SUDO apt-get update -qq
        # jackd2 asks whether to allow real-time priority: no (the answer is irrelevant here).
        echo "jackd2 jackd/tweak_rt_limits boolean false" | $SUDO debconf-set-selections 2>/dev/null || true
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${lean[@]}" "${missing[@]}" >/dev/null
    fi
}

# script_test TRIES BUILD SCRIPT NAME [SECONDS]: one of the test scripts of tests/integration on
# a build folder, given SECONDS (600) a try; a failure gets up to TRIES - 1 more tries (Wine
# under load sometimes misses a window). Skipped (77) where the script's tools cannot run here;
# any other failure ends the command.
script_test() {
    local tries=$1 build=$2 script=$3 name=$4 seconds=${5:-600} rc=1 try
    set +e
    for ((try = 1; try <= tries; try++)); do
        timeout "$seconds" bash "tests/integration/$script" "$build" .
        rc=$?
        if [ $rc -eq 0 ] || [ $rc -eq 77 ]; then break; fi
        [ $try -lt "$tries" ] && echo "$name failed once; one more try"
    done
    set -e
    if [ $rc -eq 77 ]; then
        echo "$name skipped"
    elif [ $rc -ne 0 ]; then
        echo "$name failed"
        exit 1
    fi
}

build() {  # build PRESET [extra cmake args]
    local preset=$1; shift
    # The configure output stays visible: its "Korvatone:" line names the backends chosen, and
    # a missing package is reported there.
    cmake --preset "$preset" -DKT_WERROR=ON "$@"
    cmake --build --preset "$preset"
}

case "${1:-}" in
run)
    install_packages "${SIM_PACKAGES[@]}" "${FLTK_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}"
    build fltk
    exec tools/run-desktop.sh "$ROOT/build/fltk"
    ;;
demo)
    install_packages "${SIM_PACKAGES[@]}"
    build sim
    demo="$ROOT/build/demo"
    rm -rf "$demo" && mkdir -p "$demo/home"
    cp -r data/. "$demo/home/" 2>/dev/null || true
    ./build/sim/tools/ktsim ktprog --home "$demo/home" --script tools/demo/demo.scn > "$demo/transcript.txt"
    cat "$demo/transcript.txt"
    echo
    echo "Transcript: $demo/transcript.txt"
    echo "Panel:      $demo/home/panel.png"
    ;;
test)
    install_packages "${SIM_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" "${FLTK_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}" \
        "${WIN32_PACKAGES[@]}"
    echo "== simulation build and tests"
    build sim
    ctest --preset sim
    echo "== AddressSanitizer + UBSan build and tests"
    build asan
    ctest --preset asan
    echo "== fuzz targets (libFuzzer) over their corpora"
    build fuzz
    ctest --preset fuzz -R fuzz_regression
    echo "== Linux desktop programs (FLTK + RtMidi) and their integration tests"
    build fltk
    # The integration tests drive real X and JACK servers; one that trips over the machine's
    # load (a JACK xrun) gets one more try.
    ctest --preset fltk --repeat until-pass:2
    echo "== the desktop programs on a real ALSA sequencer, in a virtual machine"
    install_packages --no-recommends "${VM_PACKAGES[@]}"
    script_test 1 build/fltk alsa_vm/alsa_vm.sh "ALSA sequencer test" 1200
    echo "== Debian package: built with cpack, checked, installed, started and removed"
    install_packages "${PACKAGE_PACKAGES[@]}"
    script_test 1 build/fltk deb_package.sh "Debian package test"  # runs cpack -G DEB first
    echo "== Windows programs: cross-built with mingw-w64, smoke-tested under Wine"
    build win32
    ls -l build/win32/src/ktprog.exe build/win32/src/ktboot.exe build/win32/korvatone-win64.zip
    script_test 2 build/win32 wine_smoke.sh "Wine smoke test"
    echo "== Windows installer under Wine: install, first start from the Start menu, upgrade, uninstall"
    ls -l build/win32/korvatone-1.00-setup.exe
    script_test 2 build/win32 wine_installer.sh "Wine installer test"
    script_test 2 build/win32 wine_winmm.sh "Wine MIDI test"
    ;;
build)
    install_packages "${SIM_PACKAGES[@]}"
    build sim
    ;;
golden)
    install_packages "${SIM_PACKAGES[@]}"
    build sim
    UPDATE_GOLDEN=1 ctest --preset sim
    git status --short
    ;;
icons)
    install_packages "${SIM_PACKAGES[@]}"
    build sim
    ./build/sim/tools/mkicons/mkicons data/icons
    git status --short data/icons
    ;;
*)
    echo "usage: ./dev.sh run|test|demo|build|golden|icons" >&2
    exit 2
    ;;
esac
