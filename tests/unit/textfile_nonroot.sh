#!/bin/sh
# Runs textfile_test (path in $1) once more as the user nobody (65534), in a folder of its own,
# because root may write a file whatever its mode. The folder holds a file of root's that
# nobody may not write (KT_TEXTFILE_FOREIGN). Exit 77 (skipped) without root or setpriv.
set -eu
binary=$1
if [ "$(id -u)" != 0 ]; then echo "skipped: needs root to change to another user"; exit 77; fi
if ! command -v setpriv >/dev/null 2>&1; then echo "skipped: setpriv is missing"; exit 77; fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$binary" "$dir/textfile_test"
chmod 755 "$dir/textfile_test"
mkdir "$dir/tmp"
printf 'root' > "$dir/foreign.CFG"
chmod 644 "$dir/foreign.CFG"
chown 65534:65534 "$dir" "$dir/tmp"

setpriv --reuid=65534 --regid=65534 --clear-groups \
  env TMPDIR="$dir/tmp" KT_TEXTFILE_FOREIGN="$dir/foreign.CFG" "$dir/textfile_test"
test "$(cat "$dir/foreign.CFG")" = root
