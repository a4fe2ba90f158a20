#!/usr/bin/env bash
# Builds Qt 6.4.2 for 64-bit Windows (qtbase with Qt SQL's SQLite driver, and
# Qt Serial Port) with mingw-w64, once per machine: the result is kept outside the repository,
# keyed by this script and the toolchain file, and its path is printed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
key=$(cat "$here/scripts/windows-qt.sh" "$here/scripts/mingw-toolchain.cmake" | sha256sum | cut -c1-12)
cache=${KOV_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kov-t6}
prefix=$cache/qt-6.4.2-mingw-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

bash "$here/scripts/need.sh" g++-mingw-w64-x86-64-posix ninja-build cmake qt6-base-dev qt6-base-dev-tools \
  dpkg-dev xz-utils tcl

# Debian's own qtbase source, of the version its host tools are: a deb-src
# entry for the suites the machine's deb entries name.
src_list=/etc/apt/sources.list.d/kov-t6-qtbase-src.sources
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ! apt-get source --print-uris qt6-base sqlite3 >/dev/null 2>&1; then
  {
    echo "Types: deb-src"
    echo "URIs: http://deb.debian.org/debian"
    echo "Suites: $(. /etc/os-release && echo "$VERSION_CODENAME")"
    echo "Components: main"
    echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  } | $sudo tee "$src_list" >/dev/null
  $sudo apt-get update >&2
fi

work=$cache/work-$key
rm -rf "$work"
mkdir -p "$work"
cd "$work"
start=$(date +%s)
apt-get source --download-only qt6-base >&2
dpkg-source -x qt6-base_*.dsc qtbase >&2
tar xf "$here/third_party/qtserialport-6.4.2.tar.xz"

jobs=${KOV_QT_JOBS:-$(nproc)}

# Debian's qtbase leaves out its bundled SQLite: Debian's own sqlite3 source,
# made into its one-file form natively (tclsh) and built static for Windows,
# so the driver plugin carries it.
apt-get source --download-only sqlite3 >&2
tar xf sqlite3_*.orig.tar.xz
sqlite=$(ls -d "$work"/sqlite3-*/)
(cd "$sqlite" && ./configure >/dev/null && make sqlite3.c >/dev/null) >&2
mkdir -p "$prefix/include" "$prefix/lib"
x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_ENABLE_COLUMN_METADATA \
  -c "$sqlite/sqlite3.c" -o sqlite3.o
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" sqlite3.o
cp "$sqlite/sqlite3.h" "$prefix/include/"

cmake -G Ninja -S qtbase -B build-qtbase \
  -DCMAKE_TOOLCHAIN_FILE="$here/scripts/mingw-toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_WITH_PCH=OFF \
  -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON \
  -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a" \
  -DFEATURE_sql_psql=OFF -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF \
  -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF \
  -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_openssl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF >&2
cmake --build build-qtbase -j "$jobs" >&2
cmake --install build-qtbase >&2
"$prefix/bin/qt-cmake" -G Ninja -S qtserialport-everywhere-src-6.4.2 -B build-serialport \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >&2
cmake --build build-serialport -j "$jobs" >&2
cmake --install build-serialport >&2
cd "$cache"
rm -rf "$work"
echo "Qt for Windows built in $(( ($(date +%s) - start) / 60 )) min: $prefix" >&2
touch "$prefix/.complete"
echo "$prefix"
