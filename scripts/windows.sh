#!/usr/bin/env bash
# Cross-builds KOV-T6 for 64-bit Windows into build-win/ (Qt for Windows from
# scripts/windows-qt.sh, built once per machine), lays out a folder that runs
# on a clean Windows 10/11, and packs it as a zip and an NSIS installer.
# Prints the installer's path.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=$(bash scripts/windows-qt.sh)

bash scripts/need.sh nsis zip qt6-translations-l10n

build=build-win
# Qt remembers the toolchain file of the tree it was built from, which may be
# gone (another clone, another machine): name ours, the same by the cache key.
"$qt/bin/qt-cmake" -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/scripts/mingw-toolchain.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" >&2
version=$(sed -n 's/^project(KOV-T6 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# The folder: the programs, the lists and the manuals beside them, the Qt
# libraries and plugins they load, the compiler's runtime, Qt's Japanese.
dist=$build/KOV-T6
rm -rf "$dist"
mkdir -p "$dist/translations"
cp "$build"/bin/kov-t6.exe "$build"/bin/kov-t6-cli.exe "$build"/bin/*.lst "$dist/"
cp -r "$build/bin/manual" "$dist/"
for lib in Core Gui Widgets Network PrintSupport SerialPort Sql; do
  cp "$qt/bin/Qt6$lib.dll" "$dist/"
done
for kind in platforms styles imageformats sqldrivers; do
  mkdir -p "$dist/$kind"
  cp "$qt/plugins/$kind"/*.dll "$dist/$kind/"
done
gcclib=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$gcclib/libstdc++-6.dll" "$gcclib/libgcc_s_seh-1.dll" "$dist/"
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dist/"
cp /usr/share/qt6/translations/qtbase_ja.qm "$dist/translations/"
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' > "$dist/qt.conf"
# Qt's libraries carry their symbols: 70 MB become 32.
find "$dist" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded

zipfile=$build/kov-t6-$version-windows-x64.zip
rm -f "$zipfile"
(cd "$build" && zip -qr "$(basename "$zipfile")" KOV-T6)
installer=$build/kov-t6-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSRCDIR="$PWD/$dist" -DOUTFILE="$PWD/$installer" \
  packaging/windows/kov-t6.nsi >&2
echo "$zipfile" >&2
echo "$installer"
