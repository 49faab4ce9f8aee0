#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes that prefix read-only,
# and there starts the installed maker with a picture, writes a clock, runs
# the clock and saves the hands in the installed designer; then checks where
# each file went. A copy of the maker stripped after the install must refuse
# to write a clock.
#   installed_kit_test.sh <build folder> <folder of the driver plugin>
set -euo pipefail
build=$(cd "$1" && pwd)
plugins=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
prefix=$tmp/usr
log=$tmp/driver.log
fail() {
  echo "FAIL: $*" >&2
  [ -s "$log" ] && sed 's/^/  /' "$log" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

# What the install lays out.
for f in bin/brasswick bin/tolvane bin/spirrel share/clockkit/Hands.dat share/clockkit/FG share/clockkit/HR \
         share/applications/brasswick.desktop share/applications/spirrel.desktop \
         share/icons/hicolor/64x64/apps/brasswick.png share/icons/hicolor/64x64/apps/spirrel.png \
         share/icons/hicolor/64x64/apps/tolvane.png share/icons/hicolor/32x32/apps/tolvane.png; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$prefix"/share/applications/*.desktop || fail "invalid desktop entries"
grep -qx "Exec=$prefix/bin/brasswick" "$prefix/share/applications/brasswick.desktop" || fail "maker entry's Exec"
grep -qx "Exec=$prefix/bin/spirrel" "$prefix/share/applications/spirrel.desktop" || fail "designer entry's Exec"
# Stripped programs; the maker ends with the installed engine.
for p in brasswick tolvane spirrel; do
  ! readelf -S --wide "$prefix/bin/$p" | grep -q '\.debug_info' || fail "$p carries debug information"
done
engine_size=$(stat -c %s "$prefix/bin/tolvane")
tail -c "$engine_size" "$prefix/bin/brasswick" | cmp -s - "$prefix/bin/tolvane" || fail "the maker does not end with the engine"

chmod -R a-w "$prefix"
find "$prefix" | sort >"$tmp/prefix.before"

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$plugins
unset XDG_RUNTIME_DIR
mkdir -p "$HOME/Desktop" "$HOME/Documents" "$tmp/clocks"
# Runs a program under the driver with the script given on stdin.
drive() {
  cat >"$tmp/script"
  QT_QPA_GENERIC_PLUGINS=clockkitdriver:$tmp/script timeout 60 "$@" 2>>"$log" >/dev/null
}

drive "$prefix/bin/brasswick" <<SCRIPT || fail "the installed maker (status $?)"
picture $tmp/picture.png
window [Velmora]
drop $tmp/picture.png
window [Velmora] picture.png (240x180)
tab 時計
trigger ｸﾛｯｸ作成(&C)
file $tmp/clocks/DoRedoz.exe
check スタートメニューに登録
click 実行
close
SCRIPT
clock=$tmp/clocks/DoRedoz.exe
[ -x "$clock" ] || fail "no clock program written"
size=$(stat -c %s "$clock")
[ "$size" -lt 2097152 ] || fail "the clock program has $size bytes"
grep -qa -- '--DELIMIT-BMP---' "$clock" || fail "the clock has no picture"
grep -qa -- '--DELIMIT-HR----' "$clock" || fail "the clock has no hands from the shared hands file"
# Qt's own save dialog speaks Japanese.
grep -q '^driver: file dialog: .*キャンセル' "$log" || fail "the save dialog is not in Japanese"
[ -f "$XDG_CONFIG_HOME/brasswick.ini" ] || fail "the maker's settings are not in the configuration home"
menu="$XDG_DATA_HOME/applications/デスクトップ時計/DoRedoz.desktop"
[ -f "$menu" ] || fail "no menu entry in the data home"
grep -qx 'Icon=tolvane' "$menu" || fail "the menu entry has not the engine's icon"
desktop-file-validate "$menu" || fail "invalid menu entry for the clock"

drive "$clock" <<SCRIPT || fail "the clock program (status $?)"
window
close
SCRIPT
[ -f "$XDG_CONFIG_HOME/DoRedozs/DoRedoz.ini" ] || fail "the clock's settings are not in the configuration home"

drive "$prefix/bin/spirrel" <<SCRIPT || fail "the installed designer (status $?)"
window Spirrel
trigger Save(&S)
close
SCRIPT
keys() { tr -d '\r' <"$1" | grep -v '^$' | cut -d= -f1; }
[ -f "$XDG_DATA_HOME/clockkit/Hands.dat" ] &&
  diff <(keys "$prefix/share/clockkit/Hands.dat") <(keys "$XDG_DATA_HOME/clockkit/Hands.dat") >&2 ||
  fail "the designer did not save the shared hand sets into the data home"

find "$prefix" | sort | diff -u "$tmp/prefix.before" - >&2 || fail "files were written in the installed prefix"

# Stripping the installed maker cuts its engine off: it says so when it
# starts to write a clock, and writes none.
mkdir "$tmp/stripped"
cp "$prefix/bin/brasswick" "$tmp/stripped/brasswick"
chmod u+w "$tmp/stripped/brasswick"
strip "$tmp/stripped/brasswick"
drive "$tmp/stripped/brasswick" <<SCRIPT || fail "the stripped maker (status $?)"
window [Velmora]
trigger ｸﾛｯｸ作成(&C)
file $tmp/stripped/x.exe
message ムーブメントを読み出せません
close
SCRIPT
[ ! -e "$tmp/stripped/x.exe" ] || fail "the stripped maker wrote a clock"
echo "installed kit: clock program of $size bytes; engine of $engine_size bytes"
