#!/usr/bin/env bash
# alsa_vm.sh BUILD_DIR SOURCE_DIR: the desktop test on a real ALSA sequencer (desktop_alsa.sh)
# inside the virtual machine of vm.sh. The guest's kernel and initramfs are kept in
# BUILD_DIR/alsa_vm, the test's logs and screenshots in BUILD_DIR/alsa_vm/out. Exit 77
# (skipped) where the machine cannot be had (vm.sh says why).
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
out=$build/alsa_vm/out
rm -rf "$out" && mkdir -p "$out"
bash "$here/vm.sh" "$build/alsa_vm" "$out" "$here/desktop_alsa.sh" "$build" "$src" "$out" 2>&1 |
    sed -u 's/\x1bc//g; s/\x1b\[[0-9;?]*[a-zA-Z]//g; s/^c\?SeaBIOS ([^)]*)//; s/^Booting from ROM\.*//; /^$/d'
exit "${PIPESTATUS[0]}"
