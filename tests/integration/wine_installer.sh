#!/usr/bin/env bash
# The Windows installer under Wine and Xvfb:
#   wine_installer.sh WIN32_BUILD_DIR SOURCE_DIR
# In a fresh Wine prefix korvatone-1.00-setup.exe /S installs into C:\Program Files\Korvatone:
# the programs, data files, example programs, readme and uninstaller equal to the build's; the
# uninstall key; the start directory Documents\Korvatone filled with the data files; no
# C:\Qrdxpath. The Start menu's "Korvatone Preset Editor.lnk" points at ktprog.exe, its icon and
# the start directory; started through the shortcut, the editor opens its window with its own
# icon, and closed (a WM_CLOSE) it writes KtProg.CFG (179 lines) there and C:\Qrdxpath\KtProg.pth
# names that folder. ktprog.exe and ktboot.exe carry their version information and, as icon
# group 1, exactly the images of data/icons/*.ico. A second install (/D= naming the folder, a
# path with a blank) over changed files replaces the program folder's and keeps the user's. The
# uninstaller, run the real way (it copies itself away and returns at once), removes the
# program folder, the shortcuts and the key, and leaves the start directory and C:\Qrdxpath.
# Exit 77 (skipped) when Wine or Xvfb are missing or Wine cannot set up a prefix here.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
source "$(dirname "$0")/desktop_env.sh"
need_tools wine wineserver winepath Xvfb xdotool xdpyinfo xprop convert compare python3
setup="$build/korvatone-1.00-setup.exe"
[ -f "$setup" ] || fail "no installer at $setup"
echo "installer: $(stat -c %s "$setup") bytes"
# Wine's own processes of this prefix end with it, before the work folder goes.
trap 'wineserver -k 2>/dev/null; cleanup' EXIT

started=$(date +%s.%N)
last=$started
step() {  # step TEXT: TEXT with the time since the last step
    local now
    now=$(date +%s.%N)
    text="$*" awk -v a="$last" -v b="$now" 'BEGIN { printf "[%5.1f s] %s\n", b - a, ENVIRON["text"] }'
    last=$now
}

start_wine_world wine-installer 450 1600x1000x24
step "Wine prefix ready"

c="$WINEPREFIX/drive_c"
prog="$c/Program Files/Korvatone"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvatone'
shipped=(ktprog.exe ktboot.exe KtProg.DAT CHR4.BIN CHR6.BIN README-Windows.txt)
examples=()
for f in "$src"/data/programs/*.prg; do examples+=("$(basename "$f")"); done
[ ${#examples[@]} -gt 0 ] || fail "no example programs in $src/data/programs"

# source_of NAME: the build's or the source's file that the installer ships as NAME.
source_of() {
    case $1 in
    *.exe) echo "$build/src/$1" ;;
    README-Windows.txt) echo "$src/data/windows/$1" ;;
    *) echo "$src/data/$1" ;;
    esac
}
# check_program_folder: every file the installer ships is there and equals its source.
check_program_folder() {
    local f
    for f in "${shipped[@]}"; do
        cmp -s "$prog/$f" "$(source_of "$f")" || fail "$prog/$f is missing or differs from $(source_of "$f")"
    done
    for f in "${examples[@]}"; do
        cmp -s "$prog/programs/$f" "$src/data/programs/$f" || fail "programs\\$f is missing or differs"
    done
    [ -f "$prog/Uninstall.exe" ] || fail "no Uninstall.exe in the program folder"
}
# reg_value NAME: the value NAME of the uninstall key (empty when the key or value is missing).
reg_value() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1  *REG_[A-Z_]*  *//p"
}
# lnk_fields FILE: target, working directory and icon location of a shell link, one a line.
lnk_fields() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
pos = 0x4C
if flags & 0x01:  # the target as an item ID list
    pos += 2 + struct.unpack_from("<H", data, pos)[0]
target = ""
if flags & 0x02:  # link info: the target's local path
    size, header = struct.unpack_from("<II", data, pos)
    base = struct.unpack_from("<I", data, pos + 16)[0]
    target = data[pos + base:data.index(b"\0", pos + base)].decode("latin-1")
    pos += size
strings = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
    if flags & bit:
        count = struct.unpack_from("<H", data, pos)[0]
        width = 2 if flags & 0x80 else 1
        raw = data[pos + 2:pos + 2 + count * width]
        strings[name] = raw.decode("utf-16-le" if width == 2 else "latin-1")
        pos += 2 + count * width
print(target)
print(strings.get("workdir", ""))
print(strings.get("icon", ""))
EOF
}
# wine_pids NAME: the processes of this Wine prefix running the program NAME (wine start
# hands a shortcut to the shell and returns, so the program is found this way).
wine_pids() {
    local p cmd
    for p in /proc/[0-9]*; do
        cmd=$({ tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null | head -1)
        case $(lower "$cmd") in *"\\$(lower "$1")") ;; *) continue ;; esac
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "${p#/proc/}"
    done
}
# lower TEXT: for comparing Windows paths
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

# --- The first install, into the default folder.
timeout 120 wine "$setup" /S >"$work/install1.log" 2>&1 || fail "the installer failed: $(cat "$work/install1.log")"
check_program_folder
[ "$(reg_value DisplayVersion)" = "1.00" ] || fail "the uninstall key has no DisplayVersion 1.00: $(wine reg query "$key" 2>&1)"
[ "$(reg_value InstallLocation)" = 'C:\Program Files\Korvatone' ] || fail "InstallLocation is '$(reg_value InstallLocation)'"
[ "$(reg_value UninstallString)" = '"C:\Program Files\Korvatone\Uninstall.exe"' ] ||
    fail "UninstallString is '$(reg_value UninstallString)'"
for v in DisplayName DisplayIcon Publisher QuietUninstallString NoModify NoRepair EstimatedSize; do
    [ -n "$(reg_value "$v")" ] || fail "the uninstall key has no $v"
done
[ -e "$c/Qrdxpath" ] && fail "the installer wrote C:\\Qrdxpath; that is the programs' business"
step "installed into C:\\Program Files\\Korvatone; files and uninstall key ok"

# The Start menu entries, and the editor's shortcut: target, start directory, icon.
link=$(find "$c/users" -name "Korvatone Preset Editor.lnk" -path "*Start Menu*" | head -1)
[ -n "$link" ] || fail "no Start menu shortcut \"Korvatone Preset Editor.lnk\""
menu=$(dirname "$link")
[ "$(basename "$menu")" = Korvatone ] || fail "the shortcut is not in a Start menu folder Korvatone: $menu"
for l in "Korvatone Firmware Updater.lnk" "Uninstall Korvatone.lnk"; do
    [ -f "$menu/$l" ] || fail "no Start menu entry \"$l\""
done
{ read -r target; read -r startdir; read -r icon; } < <(lnk_fields "$link")
[ "$(lower "$target")" = "$(lower 'C:\Program Files\Korvatone\ktprog.exe')" ] || fail "the shortcut points at '$target'"
profile=$(wine cmd /c 'echo %USERPROFILE%' 2>/dev/null | tr -d '\r')
[ "$(lower "$startdir")" = "$(lower "$profile\\Documents\\Korvatone")" ] ||
    fail "the shortcut starts in '$startdir', not in $profile\\Documents\\Korvatone"
[ "$(lower "$icon")" = "$(lower "$target")" ] || fail "the shortcut's icon is '$icon', not the program's"
{ read -r utarget; read -r _; read -r _; } < <(lnk_fields "$menu/Korvatone Firmware Updater.lnk")
[ "$(lower "$utarget")" = "$(lower 'C:\Program Files\Korvatone\ktboot.exe')" ] || fail "the updater's shortcut points at '$utarget'"
home=$(winepath -u "$startdir" 2>/dev/null)
for f in KtProg.DAT CHR4.BIN CHR6.BIN; do
    cmp -s "$home/$f" "$src/data/$f" || fail "the start directory has no $f equal to the shipped one"
done
for f in "${examples[@]}"; do
    [ -f "$home/programs/$f" ] || fail "the start directory has no programs\\$f"
done
step "Start menu: shortcuts to the programs, starting in $startdir"

# --- The editor, started through its shortcut as the Start menu does.
timeout 60 wine start /unix "$link" >"$work/ktprog.log" 2>&1 || fail "wine start on the shortcut failed: $(cat "$work/ktprog.log")"
window=$(timeout 60 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
[ -n "$window" ] || fail "the editor's window did not appear"
editor=$(wine_pids ktprog.exe | head -1)
[ -n "$editor" ] || fail "no ktprog.exe process in this Wine prefix"
remember "$editor"
sleep 2

# Its window icon is the program's (the window class's), in each size Wine hands to X.
xprop -id "$window" -f _NET_WM_ICON 32c '=$0+\n' _NET_WM_ICON >"$work/wm_icon.txt"
python3 - "$work/wm_icon.txt" "$work" <<'EOF' >"$work/wm_icons.lst" || fail "the window has no icon"
import re, struct, sys
text = open(sys.argv[1]).read()
values = [int(v) for v in re.findall(r"\d+", text.split("=", 1)[-1])]
if not values: sys.exit(1)
i = 0
while i + 2 <= len(values):
    w, h = values[i], values[i + 1]
    pixels = values[i + 2:i + 2 + w * h]
    raw = b"".join(struct.pack("BBBB", (p >> 16) & 255, (p >> 8) & 255, p & 255, p >> 24) for p in pixels)
    name = "%s/wm_icon_%d.rgba" % (sys.argv[2], w)
    open(name, "wb").write(raw)
    print(w, h, name)
    i += 2 + w * h
EOF
ico="$src/data/icons/ktprog.ico"
convert "$ico" -format '%p %w\n' info: >"$work/ico_sizes.txt"
while read -r w h raw; do
    index=$(awk -v w="$w" '$2 == w { print $1; exit }' "$work/ico_sizes.txt")
    [ -n "$index" ] || index=$(sort -k2,2n "$work/ico_sizes.txt" | tail -1 | cut -d' ' -f1)
    convert -size "${w}x${h}" -depth 8 "rgba:$raw" -background gray50 -flatten "$work/wm.png"
    convert "$ico[$index]" -resize "${w}x${h}!" -background gray50 -flatten "$work/ico.png"
    error=$(compare -metric RMSE "$work/wm.png" "$work/ico.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
    awk -v e="${error:-1}" 'BEGIN { exit !(e < 0.1) }' ||
        fail "the window's ${w}x${h} icon is not the program's (RMSE ${error:-?})"
    echo "window icon ${w}x${h}: the program's icon (RMSE $error)"
done <"$work/wm_icons.lst"
[ -s "$work/wm_icons.lst" ] || fail "the window has no icon"

end_wine ktprog.exe "$editor"
[ -f "$home/KtProg.CFG" ] || fail "no KtProg.CFG in the start directory $startdir"
lines=$(wc -l <"$home/KtProg.CFG")
[ "$lines" -eq 179 ] || fail "KtProg.CFG has $lines lines, not 179"
[ -f "$c/Qrdxpath/KtProg.pth" ] || fail "ktprog.exe wrote no C:\\Qrdxpath\\KtProg.pth"
pth=$(head -1 "$c/Qrdxpath/KtProg.pth" | tr -d '\r')
[ "$(lower "$pth")" = "$(lower "$startdir")" ] || fail "KtProg.pth names '$pth', not the start directory $startdir"
step "ktprog.exe from the shortcut: window with its icon, KtProg.CFG and KtProg.pth in $startdir"

# --- Version information and icon of both installed programs.
# pe_resources EXE ICO DESCRIPTION: checks the fixed and string version information and that
# icon group 1 holds exactly the images of ICO; prints what failed.
pe_resources() {
    python3 - "$@" <<'EOF'
import struct, sys
exe, ico, description = sys.argv[1:4]
data = open(exe, "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
optional = pe + 24
rsrc_rva = struct.unpack_from("<I", data, optional + 112 + 2 * 8)[0]
table = optional + optional_size
def offset(rva):
    for s in range(sections):
        size, address, _, raw = struct.unpack_from("<IIII", data, table + 40 * s + 8)
        if address <= rva < address + max(size, 1): return rva - address + raw
    raise SystemExit("rva %x outside the sections" % rva)
root = offset(rsrc_rva)
def entries(directory):
    named, ids = struct.unpack_from("<HH", data, root + directory + 12)
    for n in range(named + ids):
        ident, target = struct.unpack_from("<II", data, root + directory + 16 + 8 * n)
        yield ident, target
resources = {}  # (type, id) -> bytes of the first language
for rtype, tdir in entries(0):
    for rid, ldir in entries(tdir & 0x7FFFFFFF):
        for _, leaf in entries(ldir & 0x7FFFFFFF):
            rva, size = struct.unpack_from("<II", data, root + leaf)
            resources[(rtype, rid)] = data[offset(rva):offset(rva) + size]
            break
problems = []
groups = sorted(rid for rtype, rid in resources if rtype == 14)
if not groups or groups[0] != 1:
    problems.append("icon group 1 is not the first icon group (groups: %s)" % groups)
else:
    group = resources[(14, 1)]
    icon = open(ico, "rb").read()
    count = struct.unpack_from("<H", group, 4)[0]
    if count != struct.unpack_from("<H", icon, 4)[0]:
        problems.append("icon group 1 has %d images, %s has %d" % (count, ico, struct.unpack_from("<H", icon, 4)[0]))
    for n in range(min(count, struct.unpack_from("<H", icon, 4)[0])):
        nid = struct.unpack_from("<H", group, 6 + 14 * n + 12)[0]
        size, start = struct.unpack_from("<II", icon, 6 + 16 * n + 8)
        if resources.get((3, nid)) != icon[start:start + size]:
            problems.append("icon image %d differs from %s's" % (n, ico))
version = resources.get((16, 1))
if version is None:
    problems.append("no version information")
else:
    fixed = version.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0 or struct.unpack_from("<IIII", version, fixed + 8) != (0x10000, 0, 0x10000, 0):
        problems.append("FILEVERSION/PRODUCTVERSION are not 1,0,0,0")
    def string(name):
        key = (name + "\0").encode("utf-16-le")
        at = version.find(key)
        if at < 0: return None
        at += len(key)
        while version[at:at + 2] == b"\0\0": at += 2
        end = at
        while version[end:end + 2] != b"\0\0": end += 2
        return version[at:end].decode("utf-16-le")
    name = exe.replace("\\", "/").rsplit("/", 1)[-1]
    wanted = {"FileVersion": "1.00", "ProductVersion": "1.00", "ProductName": "Korvatone desktop companion",
              "FileDescription": description, "OriginalFilename": name, "InternalName": name[:-4],
              "CompanyName": "Korvatone desktop companion developers"}
    for k, v in wanted.items():
        if string(k) != v: problems.append("%s is %r, not %r" % (k, string(k), v))
    if not string("LegalCopyright"): problems.append("no LegalCopyright")
print("\n".join(problems))
EOF
}
for p in "ktprog Korvatone Preset Editor" "ktboot Korvatone Firmware Updater"; do
    name=${p%% *}
    problems=$(pe_resources "$prog/$name.exe" "$src/data/icons/$name.ico" "${p#* }")
    [ -z "$problems" ] || fail "$name.exe: $problems"
done
step "ktprog.exe and ktboot.exe: version 1.00 and their icons"

# --- A second install over the first, the folder given with /D= (unquoted, last, with its
# blank: a batch file hands the installer that command line as it stands). Meanwhile the user
# changed an example program and removed another, and the program folder holds an older file.
cfg_before=$(md5sum <"$home/KtProg.CFG")
printf '; my own version\r\n' >>"$home/programs/${examples[0]}"
mine=$(md5sum <"$home/programs/${examples[0]}")
rm "$home/programs/${examples[-1]}"
printf 'an older KtProg.DAT\r\n' >"$prog/KtProg.DAT"
mkdir -p "$c/setup"
cp "$setup" "$c/setup/"
printf '@echo off\r\n"C:\\setup\\%s" /S /D=C:\\Program Files\\Korvatone\r\n' "$(basename "$setup")" >"$c/setup/install.bat"
timeout 120 wine cmd /c 'C:\setup\install.bat' >"$work/install2.log" 2>&1 || fail "the second install failed: $(cat "$work/install2.log")"
check_program_folder
[ -e "$c/Program" ] && fail "the install with /D= made C:\\Program"
[ "$(md5sum <"$home/KtProg.CFG")" = "$cfg_before" ] || fail "the second install changed the user's KtProg.CFG"
[ "$(md5sum <"$home/programs/${examples[0]}")" = "$mine" ] || fail "the second install overwrote the user's programs\\${examples[0]}"
cmp -s "$home/programs/${examples[-1]}" "$src/data/programs/${examples[-1]}" ||
    fail "the second install did not bring back the missing programs\\${examples[-1]}"
[ "$(reg_value InstallLocation)" = 'C:\Program Files\Korvatone' ] || fail "InstallLocation is '$(reg_value InstallLocation)' after the second install"
step "second install with /D=C:\\Program Files\\Korvatone: program files replaced, the user's files kept"

# --- The uninstaller as Programs and Features runs it: it copies itself away and returns at
# once, the copy does the work.
timeout 60 wine "$prog/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 || fail "the uninstaller failed: $(cat "$work/uninstall.log")"
for _ in $(seq 600); do [ -e "$prog" ] || break; sleep 0.1; done
[ -e "$prog" ] && fail "the program folder is still there after uninstalling: $(cd "$prog" && find . | tr '\n' ' ')"
for _ in $(seq 100); do wine reg query "$key" >/dev/null 2>&1 || break; sleep 0.1; done
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is still there"
[ -e "$menu" ] && fail "the Start menu folder is still there: $(ls "$menu" | tr '\n' ' ')"
[ "$(md5sum <"$home/KtProg.CFG")" = "$cfg_before" ] || fail "uninstalling touched the user's KtProg.CFG"
[ "$(md5sum <"$home/programs/${examples[0]}")" = "$mine" ] || fail "uninstalling touched the user's programs"
[ -f "$c/Qrdxpath/KtProg.pth" ] || fail "uninstalling removed C:\\Qrdxpath\\KtProg.pth"
step "uninstalled: program folder, shortcuts and key gone; start directory and C:\\Qrdxpath kept"
awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "total %.1f s\n", b - a }'
echo "PASS"
