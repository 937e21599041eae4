#!/usr/bin/env bash
# The install tree: `cmake --install` puts the program, its layouts, help page, desktop entry
# and icons under a prefix; the entry validates; the installed program starts on an empty
# data folder, making its program directory there; --backup and --dir work on it.
# Usage: tst_install.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tessaly share/applications/tessaly.desktop share/icons/hicolor/scalable/apps/tessaly.svg \
         share/tessaly/Help.html share/tessaly/Data/Report/frCustomers.frf; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$prefix/share/applications/tessaly.desktop" || fail "the desktop entry does not validate"
grep -qx 'Icon=tessaly' "$prefix/share/applications/tessaly.desktop" || fail "the entry names another icon"
for size in 16 32 48 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/tessaly.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  got="$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "")' "$png")"
  [ "$got" = "($size, $size)" ] || fail "${size}px icon is $got"
done

# A backup before the first start finds no store and makes none.
empty="$tmp/empty"
mkdir -p "$empty"
if XDG_DATA_HOME="$empty" "$prefix/bin/tessaly" --backup "$tmp/none" >"$tmp/out" 2>&1; then
  cat "$tmp/out" >&2; fail "--backup without a data folder should be refused"
else
  [ $? -eq 1 ] || fail "--backup without a data folder: exit code other than 1"
fi
grep -q 'Server.txt' "$tmp/out" || { cat "$tmp/out" >&2; fail "--backup without a data folder: no clear reason"; }
[ ! -e "$empty/tessaly/Data/KTA30.wdb" ] || fail "--backup made a store"
[ ! -e "$tmp/none" ] || fail "--backup made its destination without a store"

# First start on an empty data folder: the program directory is made in $XDG_DATA_HOME.
data="$tmp/data"
mkdir -p "$data"
XDG_DATA_HOME="$data" QT_QPA_PLATFORM=offscreen TESSALY_SCRIPTED_MESSAGES=1 "$prefix/bin/tessaly" \
  >"$tmp/out" 2>&1 &
pid=$!
dir="$data/tessaly"
for _ in $(seq 1 300); do
  [ -f "$dir/Data/KTA30.wdb" ] && [ -f "$dir/Server.txt" ] && [ -d "$dir/Files/Plans" ] && [ -d "$dir/Log" ] &&
    [ -d "$dir/Backup" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$tmp/out" >&2; fail "the installed program ended at start-up"; }
  sleep 0.1
done
[ -f "$dir/Data/KTA30.wdb" ] || fail "no store made in $dir"
[ -f "$dir/Data/Report/frCustomers.frf" ] && [ -f "$dir/Help.html" ] || fail "layouts or help not copied"
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$tmp/out" >&2; fail "the installed program did not keep running (login)"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
[ ! -e "$prefix/bin/Server.txt" ] || fail "the program wrote beside the installed executable"

# A changed layout survives the next start; the unattended backup finds the data folder.
echo "# mine" >>"$dir/Data/Report/frCustomers.frf"
XDG_DATA_HOME="$data" "$prefix/bin/tessaly" --backup "$tmp/nightly" >"$tmp/out" 2>&1 || { cat "$tmp/out" >&2; fail "--backup"; }
ls "$tmp/nightly"/KTA30-*.wdb >/dev/null || fail "no backup written"
tail -n 1 "$dir/Data/Report/frCustomers.frf" | grep -qx '# mine' || fail "a changed layout was replaced"

# --dir still decides over the data folder.
other="$tmp/other"
mkdir -p "$other/Data"
"$prefix/bin/tessaly" --new-store "$other/Data/KTA30.wdb" >/dev/null
# A store made that way has no Server.txt yet: found at the default place, as at start.
XDG_DATA_HOME="$data" "$prefix/bin/tessaly" --dir "$other/" --backup "$tmp/other-nightly" >"$tmp/out" 2>&1 ||
  { cat "$tmp/out" >&2; fail "--backup --dir on a store without Server.txt"; }
[ -d "$other/Backup" ] || fail "--dir was not used"
[ ! -e "$other/Server.txt" ] || fail "--backup wrote Server.txt"
printf '%s\r\n' "$other/Data/KTA30.wdb" >"$other/Server.txt"
XDG_DATA_HOME="$data" "$prefix/bin/tessaly" --dir "$other/" --backup "$tmp/other-nightly" >/dev/null || fail "--backup --dir"
[ "$(ls "$tmp/other-nightly"/KTA30-*.wdb | wc -l)" -eq 2 ] || fail "two backups did not make two copies"
echo "install tree: ok"
