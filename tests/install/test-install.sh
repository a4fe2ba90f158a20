#!/usr/bin/env bash
# Installs the build into a staging folder and runs the installed programs
# there; then builds the Debian package and checks its contents and fields.
# Usage: test-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
stage=$(mktemp -d)
trap 'kill "${sim:-0}" 2>/dev/null || true; rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
for f in bin/kov-t6 bin/kov-t6-cli bin/kov-sim \
         share/kov-t6/erroreng.lst share/kov-t6/errorjpn.lst share/kov-t6/nztdevice.lst \
         share/kov-t6/rw3cmstpr.lst share/kov-t6/manual/kov-t6-en.html share/kov-t6/manual/kov-t6-ja.html \
         share/kov-t6/manual/screenshots/main-page0-en.png \
         share/applications/kov-t6.desktop share/icons/hicolor/scalable/apps/kov-t6.svg \
         share/icons/hicolor/48x48/apps/kov-t6.png share/metainfo/io.example.kovt6.metainfo.xml \
         share/man/man1/kov-t6.1.gz share/man/man1/kov-t6-cli.1.gz share/man/man1/kov-sim.1.gz \
         share/doc/kov-t6/copyright share/doc/kov-t6/changelog.Debian.gz; do
  [ -f "$root/$f" ] || fail "not installed: $f"
done
appstreamcli validate --no-net "$root/share/metainfo/io.example.kovt6.metainfo.xml" >/dev/null \
  || fail "AppStream metadata does not validate"

# The installed tool against the installed simulator on a pty, its lists
# found in the data folder (none beside the installed programs).
[ ! -e "$root/bin/erroreng.lst" ] || fail "lists beside the installed programs"
"$root/bin/kov-sim" --link "$stage/line" >"$stage/sim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$stage/line" ] && break; sleep 0.1; done
cli=("$root/bin/kov-t6-cli" --device "$stage/line" --lang en)
[ "$("${cli[@]}" version 2>"$stage/err")" = "version: 1.10" ] || fail "installed version query"
# Nothing else said: the lists were found (in the data folder).
[ "$(cat "$stage/err")" = "The version of this controller is 1.10." ] || fail "$(cat "$stage/err")"
"${cli[@]}" params read -o "$stage/read.pmt" >/dev/null || fail "installed parameter read"
"${cli[@]}" print params "$stage/read.pmt" -o "$stage/read.pdf" || fail "installed PDF print"
grep -q "HOMING PARAMETER" <<<"$(pdftotext "$stage/read.pdf" -)" || fail "the PDF lacks its text"
[ "$("$root/bin/kov-t6-cli" --simulator --lang en version)" = "version: 1.10" ] || fail "installed simulator"
grep -q "KOV-T6 " <<<"$(env -u DISPLAY "$root/bin/kov-t6" --version)" || fail "installed kov-t6 --version"

# The package: contents and the dependency fields dpkg-shlibdeps found.
(cd "$build" && cpack -G DEB -B "$stage/package" >/dev/null) || fail "cpack"
deb=$(ls "$stage"/package/kov-t6_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kov-t6 ./usr/share/kov-t6/erroreng.lst ./usr/share/applications/kov-t6.desktop \
         ./usr/share/man/man1/kov-t6-cli.1.gz ./usr/share/doc/kov-t6/copyright; do
  grep -qF "$f" <<<"$contents" || fail "package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6printsupport6 qt6-qpa-plugins fonts-noto-cjk; do
  grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors: $(lintian "$deb" 2>&1 | grep '^E:')"
fi
echo "installed tree, installed programs and the package: OK"
