#!/usr/bin/env bash
# Builds the Debian package as `make deb` does, into a temporary folder,
# and checks what it declares and holds.
#   package_test.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/clockkit_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libpng16-16 libgif7 libasound2 \
         fonts-ipafont-gothic qt6-translations-l10n; do
  [[ ", $depends" == *", $p"* ]] || fail "Depends lacks $p: $depends"
done
dpkg-deb -x "$deb" "$tmp/root"
for f in usr/bin/brasswick usr/bin/tolvane usr/bin/spirrel usr/share/clockkit/Hands.dat \
         usr/share/applications/brasswick.desktop usr/share/applications/spirrel.desktop \
         usr/share/icons/hicolor/64x64/apps/tolvane.png; do
  [ -e "$tmp/root/$f" ] || fail "not in the package: $f"
done
cmp -s "$tmp/root/usr/bin/brasswick" "$build/bin/brasswick" || fail "the packaged maker is not the built one"
grep -qx 'Exec=/usr/bin/brasswick' "$tmp/root/usr/share/applications/brasswick.desktop" || fail "menu entry's Exec"
desktop-file-validate "$tmp/root/usr/share/applications/"*.desktop || fail "invalid desktop entries"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
