#!/usr/bin/env bash
# vm.sh CACHE OUT SCRIPT [ARG...]: runs the bash script SCRIPT inside a small virtual machine that has a real
# ALSA sequencer, and exits with its status.
#
# The machines this project is built and tested on have no sound hardware and cannot load
# kernel modules, so the sequencer path of the desktop programs never runs on them. QEMU boots
# Debian's own kernel (its package is downloaded and unpacked into CACHE, never installed),
# with a small initramfs of busybox and the modules that mount this machine's root filesystem
# over 9p. The guest sees that root read-only, under a tmpfs overlay, so every program and
# library of the host runs there unchanged (what it writes, /tmp included, stays in the guest);
# OUT is shared writable (at the same path), for logs and screenshots. The sequencer's modules (snd-seq, snd-seq-dummy, snd-virmidi) are loaded
# before SCRIPT runs, as root, with the working directory of the caller.
#
# Exit 77 (skipped) with a line that says why when QEMU, busybox or the kernel package cannot
# be had. The guest's console (SCRIPT's output among it) is this script's output.
#
# Environment: KT_VM_MEMORY (MiB, default 2048), KT_VM_TIMEOUT (seconds, default 900).
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: vm.sh CACHE OUT SCRIPT [ARG...]" >&2
    exit 2
fi
cache=$(realpath -m "$1")
out=$(realpath -m "$2")
script=$(realpath "$3")
shift 3

skip() { echo "skipped: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is missing"
[ -x /bin/busybox ] && /bin/busybox --list | grep -x cpio >/dev/null || skip "busybox (static) is missing"
[ "$(uname -m)" = x86_64 ] || skip "the guest kernel is an amd64 one"
mkdir -p "$cache" "$out"

# The kernel: the version linux-image-amd64 stands for now; one unpacked copy is kept per
# version (older ones are removed).
prepare_kernel() {
    local package
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
    if [ -z "$package" ]; then
        # No package lists yet, or no network: a kernel prepared before still serves.
        kernel_dir=$(ls -d "$cache"/linux-image-* 2>/dev/null | tail -1 || true)
        [ -n "$kernel_dir" ] && [ -f "$kernel_dir/vmlinux" ] || skip "the package linux-image-amd64 is unknown here (apt-get update?)"
        return
    fi
    kernel_dir=$cache/$package
    [ -f "$kernel_dir/vmlinux" ] && return
    rm -rf "$cache"/linux-image-* "$cache/initramfs.cpio.gz"
    local unpack=$kernel_dir.part
    rm -rf "$unpack" && mkdir -p "$unpack"
    (cd "$unpack" && apt-get download "$package" >/dev/null 2>&1) || skip "the package $package cannot be downloaded"
    dpkg-deb -x "$unpack"/*.deb "$unpack/root"
    rm -f "$unpack"/*.deb
    # QEMU boots the uncompressed kernel directly (its PVH entry): the vmlinux is the xz
    # stream inside the bzImage.
    local vmlinuz offset
    vmlinuz=$(ls "$unpack"/root/boot/vmlinuz-* | head -1)
    offset=$(grep -abo $'\xfd7zXZ' "$vmlinuz" | head -1 | cut -d: -f1)
    [ -n "$offset" ] || skip "no xz stream in $vmlinuz"
    tail -c +$((offset + 1)) "$vmlinuz" | xz -dc --single-stream >"$unpack/vmlinux" 2>/dev/null || true
    [ "$(head -c 4 "$unpack/vmlinux" | od -An -c | tr -d ' ')" = "177ELF" ] || skip "the kernel image could not be unpacked"
    # Of the package's 400 MB only the vmlinux and the modules the initramfs may take are kept.
    rm -rf "$unpack/root/boot"
    find "$unpack/root/lib/modules" -name '*.ko' | grep -v -e /fs/ -e /net/9p/ -e /drivers/virtio/ -e /sound/ |
        xargs rm -f
    mv "$unpack" "$kernel_dir"
}

# module_order NAME...: the modules' files, each after those it depends on (read from the
# modules' own .modinfo sections: no kmod tools needed on this machine).
module_order() {
    local -A done_=()
    local list=()
    add() {
        local name=$1 file deps dep
        [ -n "${done_[$name]:-}" ] && return
        done_[$name]=1
        file=$(find "$modules" -name "$name.ko" -o -name "${name//-/_}.ko" -o -name "${name//_/-}.ko" | head -1)
        [ -n "$file" ] || { echo "no module $name" >&2; return 1; }
        deps=$(strings -a "$file" | sed -n 's/^depends=//p' | head -1)
        for dep in ${deps//,/ }; do add "$dep"; done
        list+=("$file")
    }
    for m in "$@"; do add "$m"; done
    printf '%s\n' "${list[@]}"
}

prepare_initramfs() {
    initramfs=$cache/initramfs.cpio.gz
    local stamp=$cache/initramfs.stamp
    local want
    want="$(basename "$kernel_dir") $(cat "$0" "$(dirname "$0")/guest-init" | sha256sum | cut -c1-16)"
    [ -f "$initramfs" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$want" ] && return
    modules=$(ls -d "$kernel_dir"/root/lib/modules/*)
    local tree=$cache/initramfs.tree
    rm -rf "$tree" && mkdir -p "$tree"/{bin,dev,proc,sys,host,upper,root,out,mod/boot,mod/sound}
    cp /bin/busybox "$tree/bin/"
    ln -s busybox "$tree/bin/sh"
    local f
    for f in $(module_order virtio_pci 9pnet_virtio 9p overlay); do cp "$f" "$tree/mod/boot/"; done
    module_order virtio_pci 9pnet_virtio 9p overlay | xargs -n1 basename >"$tree/mod/boot/order"
    for f in $(module_order snd-seq-dummy snd-virmidi); do cp "$f" "$tree/mod/sound/"; done
    module_order snd-seq-dummy snd-virmidi | xargs -n1 basename >"$tree/mod/sound/order"
    cp "$(dirname "$0")/guest-init" "$tree/init"
    chmod +x "$tree/init"
    (cd "$tree" && find . | /bin/busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$initramfs.part"
    mv "$initramfs.part" "$initramfs"
    echo "$want" >"$stamp"
    rm -rf "$tree"
}

prepare_kernel
prepare_initramfs

# What the guest runs: SCRIPT with its arguments, from the caller's folder. The line is
# handed over through OUT (the kernel's command line is too short and too fussy for it).
job=$out/.vm-job
{
    printf 'cd %q\n' "$(pwd)"
    printf 'exec bash'
    printf ' %q' "$script" "$@"
    printf '\n'
} >"$job"
rm -f "$out/.vm-status"

started=$(date +%s.%N)
set +e
timeout "${KT_VM_TIMEOUT:-900}" qemu-system-x86_64 \
    -accel tcg -cpu max -smp 1 -m "${KT_VM_MEMORY:-2048}" \
    -kernel "$kernel_dir/vmlinux" -initrd "$initramfs" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 kt_out=$out" \
    -nographic -no-reboot -nodefaults -serial stdio \
    -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev local,id=out,path="$out",security_model=none,multidevs=remap \
    -device virtio-9p-pci,fsdev=out,mount_tag=out \
    </dev/null
qemu=$?
set -e
echo "vm: $(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN {printf "%.1f", e - s}') s in the guest"
rm -f "$job"
if [ -f "$out/.vm-status" ]; then
    status=$(cat "$out/.vm-status")
    rm -f "$out/.vm-status"
    exit "$status"
fi
[ $qemu -eq 124 ] && echo "vm: the guest did not end within ${KT_VM_TIMEOUT:-900} s"
echo "vm: the guest ended without a status (QEMU's exit $qemu)"
exit 1
