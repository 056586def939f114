#!/usr/bin/env bash
# The Debian package as a musician gets it: built with cpack from the fltk build, checked by
# the Debian tools, installed into this machine with dpkg, started through the menu's start
# script, installed over, and removed again.
#   deb_package.sh FLTK_BUILD_DIR SOURCE_DIR
# Checks:
#   1. the package: what it holds (programs, data, start scripts naming /usr, desktop entries,
#      icons of the right sizes, AppStream metadata, manual pages gzip -9n, copyright), its
#      dependencies from dpkg-shlibdeps; lintian without errors or warnings;
#   2. dpkg -i: every file as packed (dpkg -V), desktop-file-validate and appstreamcli validate
#      on the installed files, their icons and programs present, man finds every page;
#   3. the installed ktprog-start under Xvfb with HOME a fresh folder and the installed ktunit
#      on a JACK dummy server as the unit: the window appears, the unit hears the program,
#      File > Exit writes ~/.local/share/korvatone/KtProg.CFG (179 lines) and the path file
#      ~/.config/Qrdxpath/KtProg.pth names that start directory;
#   4. a user's program file and KtProg.ini line survive dpkg -i of the same package and
#      another start;
#   5. dpkg -r removes the programs and leaves the start directory and the path file.
# The package is removed at the end also when a check fails. Needs root (or sudo without a
# password) for dpkg; exit 77 (skipped) when that or a tool is missing. Every process started
# here is stopped.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
source "$src/tests/integration/desktop_env.sh"
need_tools cpack dpkg dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli man identify \
    Xvfb jackd xdotool xdpyinfo jack_lsp
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "skipped: installing the package needs root or sudo without a password"
    exit 77
fi
began=$SECONDS
arch=$(dpkg --print-architecture)

# dpkg ARGS...: dpkg as root, waiting while another package tool holds the dpkg lock.
dpkg_root() {
    local out
    for _ in $(seq 60); do
        out=$("${as_root[@]}" dpkg "$@" 2>&1) && { printf '%s\n' "$out" | grep -v "^(Reading database"; return 0; }
        case "$out" in *"lock"*) sleep 2 ;; *) printf '%s\n' "$out"; return 1 ;; esac
    done
    printf '%s\n' "$out"
    return 1
}

if dpkg -s korvatone >/dev/null 2>&1; then
    echo "FAIL: korvatone is installed already; this test installs and removes it (dpkg -r korvatone first)"
    exit 1
fi
installed=0
finish() {
    cleanup
    if [ "$installed" -eq 1 ]; then
        echo "removing the package after the failure"
        dpkg_root -r korvatone >/dev/null
    fi
}
trap finish EXIT
trap 'exit 1' TERM INT  # a timeout or Ctrl+C also ends with the package removed

start_world deb
unset XDG_DATA_HOME
start="$HOME/.local/share/korvatone"
pathfile="$XDG_CONFIG_HOME/Qrdxpath/KtProg.pth"

# --- 1. the package ---
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb="$build/korvatone_1.00_${arch}.deb"
[ -f "$deb" ] || fail "cpack made no $deb"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
outside=$(grep -v '^\./usr/' "$work/contents" | grep -vx '\./')
[ -z "$outside" ] || fail "the package ships files outside /usr: $outside"

expected=(usr/bin/ktprog usr/bin/ktboot usr/bin/ktunit usr/bin/ktprog-start usr/bin/ktboot-start
    usr/share/korvatone/KtProg.DAT usr/share/korvatone/CHR4.BIN usr/share/korvatone/CHR6.BIN
    "usr/share/korvatone/programs/01 Init.prg"
    usr/share/applications/ktprog.desktop usr/share/applications/ktboot.desktop
    usr/share/metainfo/org.korvatone.ktprog.metainfo.xml usr/share/metainfo/org.korvatone.ktboot.metainfo.xml
    usr/share/doc/korvatone/copyright usr/share/doc/korvatone/changelog.gz)
for page in ktprog ktboot ktunit ktprog-start ktboot-start; do expected+=("usr/share/man/man1/$page.1.gz"); done
for program in ktprog ktboot; do
    for size in 16 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$program.png"); done
done
for file in "${expected[@]}"; do
    [ -e "$work/root/$file" ] || fail "the package has no /$file"
done
for program in ktprog ktboot; do
    for size in 16 32 48 64 128 256; do
        got=$(identify -format "%wx%h" "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$program.png")
        [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon of $program is $got"
    done
done
# The start scripts must find the data and the programs where the package puts them.
for script in ktprog-start ktboot-start; do
    grep -q '/usr/bin}/kt' "$work/root/usr/bin/$script" || fail "$script does not start the program from /usr/bin"
    grep -q '/usr/local' "$work/root/usr/bin/$script" && fail "$script names /usr/local"
done
grep -q '{KT_DATA_DIR:-/usr/share/korvatone}' "$work/root/usr/bin/ktprog-start" ||
    fail "ktprog-start does not copy from /usr/share/korvatone"
# gzip -9n: no file name and no time stamp in the header (flags byte 3, bytes 4..7).
for page in ktprog ktboot ktunit; do
    header=$(od -An -tx1 -N8 "$work/root/usr/share/man/man1/$page.1.gz" | tr -d ' \n')
    [ "${header:6:10}" = "0000000000" ] || fail "$page.1.gz keeps a name or a time stamp (header $header)"
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/$page.1.gz" >/dev/null 2>"$work/man.err"
    [ -s "$work/man.err" ] && { cat "$work/man.err"; fail "the manual page $page.1 has roff warnings"; }
done
head -1 "$work/root/usr/share/doc/korvatone/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not machine-readable"
control=$(dpkg-deb -f "$deb" Package Version Architecture Section Depends Suggests)
echo "$control"
for want in "Package: korvatone" "Version: 1.00" "Architecture: $arch" "Section: sound"; do
    grep -qx "$want" <<<"$control" || fail "the control file lacks \"$want\""
done
# dpkg-shlibdeps found the libraries the programs link.
for lib in libfltk1.3 librtmidi libstdc++6 libc6; do
    grep -q "^Depends:.*$lib" <<<"$control" || fail "Depends lacks $lib"
done

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
rc=$?
grep -v "running with root privileges" "$work/lintian.log"
[ $rc -eq 0 ] || fail "lintian reports errors or warnings"
echo "lintian: no errors, no warnings"

# --- 2. installed ---
installed=1
dpkg_root -i "$deb" >"$work/dpkg-i.log" || { cat "$work/dpkg-i.log"; fail "dpkg -i failed"; }
# Slim container images tell dpkg not to install manual pages and documentation
# (path-exclude); what dpkg leaves out there is not looked for after the install.
mapfile -t excluded < <(grep -hs '^path-exclude' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* | awk '{ print $2 }')
path_excluded() {
    local pattern
    for pattern in "${excluded[@]}"; do
        # shellcheck disable=SC2053  # the pattern is dpkg's glob
        [[ $1 == $pattern ]] && return 0
    done
    return 1
}
changed=$(dpkg -V korvatone 2>&1 | while read -r line; do path_excluded "${line##* }" || echo "$line"; done)
[ -z "$changed" ] || fail "installed files differ from the package's checksums: $changed"
# desktop-file-validate fails only on errors; its warnings and hints (such as no main
# category: the entry lands in a catch-all menu) count here too.
validated=$(desktop-file-validate /usr/share/applications/ktprog.desktop /usr/share/applications/ktboot.desktop 2>&1) ||
    fail "desktop-file-validate rejects the installed desktop entries: $validated"
[ -z "$validated" ] || fail "desktop-file-validate: $validated"
for entry in ktprog ktboot; do
    icon=$(sed -n 's/^Icon=//p' "/usr/share/applications/$entry.desktop")
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "/usr/share/applications/$entry.desktop")
    [ -f "/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "$entry.desktop's icon \"$icon\" is not installed"
    [ -x "/usr/bin/$exec" ] || fail "$entry.desktop runs \"$exec\", which is not in /usr/bin"
    # A missing Categories line passes the validator, but the menus then show the entry
    # under "Other" instead of with the sound programs.
    grep -qE '^Categories=(.*;)?Audio;(.*;)?Midi;' "/usr/share/applications/$entry.desktop" ||
        fail "$entry.desktop is not in the menu's Audio and Midi categories"
    metainfo="/usr/share/metainfo/org.korvatone.$entry.metainfo.xml"
    grep -q "<launchable type=\"desktop-id\">$entry.desktop</launchable>" "$metainfo" ||
        fail "$metainfo does not launch $entry.desktop"
done
appstreamcli validate --no-net /usr/share/metainfo/org.korvatone.ktprog.metainfo.xml \
    /usr/share/metainfo/org.korvatone.ktboot.metainfo.xml || fail "appstreamcli rejects the metainfo files"
for page in ktprog ktboot ktunit ktprog-start ktboot-start; do
    path_excluded "/usr/share/man/man1/$page.1.gz" && { echo "note: dpkg leaves out manual pages here"; break; }
    man -w "$page" >/dev/null 2>&1 || fail "man does not find the page of $page"
done
echo "installed: files as packed, desktop entries, metainfo and manual pages valid"

# --- 3. the menu's command: ktprog-start in a fresh home, the installed ktunit as the unit ---
/usr/bin/ktunit --api jack >"$work/ktunit.log" 2>&1 &
remember $!
for _ in $(seq 50); do grep -q "^ready:" "$work/ktunit.log" && break; sleep 0.1; done
grep -q "^ready:" "$work/ktunit.log" || fail "the installed ktunit did not open its ports"

# run_editor: the installed ktprog-start from / (the script chooses the folder), its window,
# then File > Exit.
run_editor() {
    local editor window heard
    heard=$(wc -l <"$work/ktunit.log")
    (cd / && exec /usr/bin/ktprog-start >"$work/ktprog.log" 2>&1) &
    editor=$!
    remember $editor
    window=$(timeout 20 xdotool search --sync --name "Korvatone Preset Programmer" | head -1)
    [ -n "$window" ] || { cat "$work/ktprog.log"; fail "the editor's window did not appear"; }
    for _ in $(seq 50); do tail -n +$((heard + 1)) "$work/ktunit.log" | grep -q "^edit end" && break; sleep 0.1; done
    tail -n +$((heard + 1)) "$work/ktunit.log" | grep -q "^parameter " ||
        fail "the unit heard no parameter from the installed editor"
    sleep 0.5
    # (Without a window manager xdotool warns about the input focus; that is not the editor's.)
    xdotool key --window "$window" alt+f 2>/dev/null
    sleep 0.3
    xdotool key e 2>/dev/null
    for _ in $(seq 100); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$editor" 2>/dev/null && fail "the editor did not end after File > Exit"
    [ -f "$start/KtProg.CFG" ] || fail "no configuration was written in $start"
    local lines
    lines=$(wc -l <"$start/KtProg.CFG")
    [ "$lines" -eq 179 ] || fail "the configuration has $lines lines, not 179"
    [ -f "$pathfile" ] || fail "no path file $pathfile"
    [ "$(head -1 "$pathfile" | tr -d '\r')" = "$start" ] ||
        fail "the path file names \"$(head -1 "$pathfile")\", not $start"
}
run_editor
for file in KtProg.DAT CHR4.BIN CHR6.BIN; do
    cmp -s "/usr/share/korvatone/$file" "$start/$file" || fail "the start directory's $file is not the shipped one"
done
for program in /usr/share/korvatone/programs/*.prg; do
    cmp -s "$program" "$start/programs/$(basename "$program")" ||
        fail "the example program $(basename "$program") was not copied into the start directory"
done
echo "first start: window, unit, configuration and path file written"

# --- 4. installed over: the user's files stay ---
printf 'a line of the user\r\n' >>"$start/programs/01 Init.prg"
cp "$start/programs/01 Init.prg" "$work/user.prg"
printf 'learn = 1 20 5\r\n' >>"$start/KtProg.ini"
cp "$pathfile" "$work/user.pth"
dpkg_root -i "$deb" >"$work/dpkg-i2.log" || { cat "$work/dpkg-i2.log"; fail "dpkg -i over the installed package failed"; }
run_editor
cmp -s "$work/user.prg" "$start/programs/01 Init.prg" || fail "the user's program file was changed"
grep -q "^learn = 1 20 5" "$start/KtProg.ini" || fail "the user's KtProg.ini line is gone: $(cat "$start/KtProg.ini")"
cmp -s "$work/user.pth" "$pathfile" || fail "the path file was rewritten"
echo "installed over: the user's program, options and path file unchanged"

# --- 5. removed: the programs go, the user's files stay ---
dpkg_root -r korvatone >"$work/dpkg-r.log" || { cat "$work/dpkg-r.log"; fail "dpkg -r failed"; }
installed=0
[ -e /usr/bin/ktprog ] && fail "/usr/bin/ktprog is still there after dpkg -r"
[ -e /usr/share/korvatone ] && fail "/usr/share/korvatone is still there after dpkg -r"
for file in KtProg.CFG KtProg.ini "programs/01 Init.prg"; do
    [ -f "$start/$file" ] || fail "dpkg -r took the user's $file"
done
[ -f "$pathfile" ] || fail "dpkg -r took the path file"
echo "removed: programs gone, start directory and path file kept"
echo "time: $((SECONDS - began)) s"
echo "PASS"
