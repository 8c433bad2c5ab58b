#!/usr/bin/env bash
# Makes the Windows cross toolchain prefix available outside the tree: Qt 6
# (Core, Gui, Widgets, Sql with the ODBC and SQLite drivers, Xml, Test; the
# windows, offscreen and minimal platform plugins), OpenSSL (static), Poco
# Foundation + Net + Crypto + NetSSL (static, on that OpenSSL), GoogleTest,
# SQLite and the mingw runtime DLLs, with a CMake toolchain file at
# share/cmake/mingw-w64-<ARCH>.cmake.
#   scripts/windows-toolchain.sh [ARCH]      ARCH: x86_64 (default) or i686
# With KOVA_MINGW_NO_BUILD=1 nothing is built: a prefix is unpacked when an
# archive is there, and one without TLS is used as it is (the build then has
# no FTP over TLS and says so); CI runs it so.
# Where it goes: $KOVA_MINGW_PREFIX, else /opt/kova-mingw for x86_64 and
# /opt/kova-mingw-<ARCH> for the others. A prefix that is already complete is
# found and kept (the call returns at once). Otherwise, the first of these
# that exists is unpacked:
#   ../shared/windows/kova-mingw-<ARCH>.tar.xz   (beside the clone)
#   $KOVA_MINGW_CACHE/kova-mingw-<ARCH>.tar.xz   (default /var/cache/kova-mingw)
# and else the prefix is built from Debian's packages and source packages
# only, with Debian's mingw-w64 (about 1.5 hours on 2 cores; Qt takes most),
# then packed into the cache so that the next machine state unpacks it. An
# archive made before the prefix had TLS gets OpenSSL and Poco built on top of
# it (about 15 minutes) and is packed again into the cache. The
# build adds a "deb-src" entry for the configured Debian archive to apt
# (/etc/apt/sources.list.d/kova-deb-src.sources) so that `apt-get source`
# works; nothing is downloaded from anywhere else. Each step prints its time;
# an interrupted build goes on from the step that did not finish
# ($KOVA_MINGW_WORK, default /var/tmp/kova-mingw-build-<ARCH>).
# Needs root (apt-get, /opt, /var).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch="${1:-x86_64}"
case "$arch" in
  x86_64) processor=AMD64 ;;
  i686) processor=X86 ;;
  *) echo "windows-toolchain: unknown architecture $arch (x86_64 or i686)" >&2; exit 2 ;;
esac
triple="$arch-w64-mingw32"
if [ "$arch" = x86_64 ]; then default_prefix=/opt/kova-mingw; else default_prefix="/opt/kova-mingw-$arch"; fi
prefix="${KOVA_MINGW_PREFIX:-$default_prefix}"
cache="${KOVA_MINGW_CACHE:-/var/cache/kova-mingw}"
work="${KOVA_MINGW_WORK:-/var/tmp/kova-mingw-build-$arch}"
tarname="kova-mingw-$arch.tar.xz"
toolchain_file="$prefix/share/cmake/mingw-w64-$arch.cmake"
complete_mark="$prefix/.kova-mingw-$arch"
no_build="${KOVA_MINGW_NO_BUILD:-0}"

started=$SECONDS
say() { echo "windows-toolchain: $*"; }
# step NAME COMMAND...: runs one step once (a mark in the work folder
# remembers it), its output in $work/logs/NAME.log, and prints its time.
step() {
  local name="$1" start=$SECONDS
  shift
  if [ -e "$work/done-$name" ]; then say "$name: done earlier"; return; fi
  say "$name ..."
  mkdir -p "$work/logs"
  # A subshell of its own (a step may change folder), stopping at its first
  # failing command (errexit does not hold inside an `if` condition).
  local rc=0
  set +e
  (set -e; "$@") >"$work/logs/$name.log" 2>&1
  rc=$?
  set -e
  if [ $rc -ne 0 ]; then
    tail -n 40 "$work/logs/$name.log" >&2
    say "$name FAILED after $((SECONDS - start)) s (whole log: $work/logs/$name.log)" >&2
    exit 1
  fi
  touch "$work/done-$name"
  say "$name took $((SECONDS - start)) s"
}

# TLS in the prefix: OpenSSL and Poco's NetSSL on it.
has_tls() { [ -f "$prefix/lib/libssl.a" ] && [ -f "$prefix/cmake/PocoNetSSLConfig.cmake" ]; }
without_tls() {
  say "WARNING: the $arch prefix in $prefix has no OpenSSL: the programs built with it have no FTP over TLS (scripts/windows-toolchain.sh $arch without KOVA_MINGW_NO_BUILD adds it, about 15 minutes)"
}
if [ -e "$complete_mark" ] && [ -f "$toolchain_file" ] && { has_tls || [ "$no_build" = 1 ]; }; then
  has_tls || without_tls
  say "$arch prefix ready in $prefix"
  exit 0
fi

# --- the unpack path ----------------------------------------------------------
unpack() {  # tarball
  local tmp="$prefix.unpack.$$"
  rm -rf "$tmp" && mkdir -p "$tmp"
  tar -xJf "$1" -C "$tmp"
  [ -f "$tmp/kova-mingw/share/cmake/mingw-w64-$arch.cmake" ] || { echo "no kova-mingw/ toolchain of $arch inside $1" >&2; return 1; }
  touch "$tmp/kova-mingw/.kova-mingw-$arch"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  mv "$tmp/kova-mingw" "$prefix"
  rmdir "$tmp"
}
# The cache first: it is what this script packs, the newer of the two.
unpacked=0
if [ ! -e "$complete_mark" ]; then
  for tarball in "$cache/$tarname" "$here/../shared/windows/$tarname"; do
    if [ -f "$tarball" ]; then
      start=$SECONDS
      say "unpacking $(cd "$(dirname "$tarball")" && pwd)/$tarname into $prefix ..."
      unpack "$tarball"
      say "unpacked in $((SECONDS - start)) s"
      unpacked=1
      break
    fi
  done
else
  unpacked=1  # complete but for TLS
fi
if [ "$unpacked" = 1 ] && { has_tls || [ "$no_build" = 1 ]; }; then
  has_tls || without_tls
  say "$arch prefix ready in $prefix"
  exit 0
fi
if [ "$no_build" = 1 ]; then
  say "no $tarname found and KOVA_MINGW_NO_BUILD=1: no $arch prefix" >&2
  exit 1
fi

# --- the build path -----------------------------------------------------------
if [ "$unpacked" = 1 ]; then
  say "the $arch prefix in $prefix has no TLS: building OpenSSL and Poco's NetSSL into it (log per step in $work/logs)"
else
  say "no $tarname found: building the $arch prefix from Debian's source packages into $prefix (log per step in $work/logs)"
fi
mkdir -p "$work/src"
jobs="${KOVA_MINGW_JOBS:-2}"

packages() {
  if [ "$arch" = i686 ]; then
    "$here/scripts/install-deps.sh" windows-src mingw-i686
  else
    "$here/scripts/install-deps.sh" windows-src
  fi
}

# A deb-src entry for every Debian archive apt is set up with.
source_entries() {
  local list=/etc/apt/sources.list.d/kova-deb-src.sources
  {
    echo "# Added by windows-toolchain.sh: Debian's source packages, for building the Windows toolchain."
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -n '/^Types:/s/.*/Types: deb-src/p; /^\(URIs\|Suites\|Components\|Signed-By\):/p; /^$/p' \
        /etc/apt/sources.list.d/debian.sources
    fi
    if [ -f /etc/apt/sources.list ]; then
      awk '$1 == "deb" { $1 = ""; sub(/^ /, ""); n = split($0, f, " "); printf "\nTypes: deb-src\nURIs: %s\nSuites: %s\nComponents:", f[1], f[2]; for (i = 3; i <= n; i++) printf " %s", f[i]; print "" }' \
        /etc/apt/sources.list
    fi
  } >"$list"
  grep -q '^URIs:' "$list" || { echo "no Debian archive found in apt's sources" >&2; return 1; }
  cat "$list"
  # An index that cannot be read now (a mirror in sync) is no reason to stop:
  # apt-get source says which package it cannot find.
  apt-get update -qq || { sleep 5; apt-get update -qq; } || echo "some package indexes could not be read; going on" >&2
}

fetch_sources() {  # SOURCE-PACKAGE...
  cd "$work/src"
  local p
  for p in "$@"; do rm -rf "$p"-*; done
  apt-get source -qq "$@"
  ls -d */
}

# The toolchain file: also what the project builds with.
toolchain() {
  mkdir -p "$(dirname "$toolchain_file")"
  cat >"$toolchain_file" <<EOF
# CMake toolchain: Debian 12 mingw-w64 (posix threads) -> Windows $arch
# Written by scripts/windows-toolchain.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $processor)
set(TOOLCHAIN_PREFIX $triple)
set(CMAKE_C_COMPILER   /usr/bin/\${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/\${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/\${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           /usr/bin/\${TOOLCHAIN_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/\${TOOLCHAIN_PREFIX}-ranlib CACHE FILEPATH "")
# The prefix holding the cross-built Qt, Poco, GoogleTest: the one this file
# lies in (share/cmake), wherever it was unpacked.
if(NOT DEFINED KOVA_MINGW_PREFIX)
  get_filename_component(KOVA_MINGW_PREFIX "\${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/\${TOOLCHAIN_PREFIX} \${KOVA_MINGW_PREFIX})
set(CMAKE_PREFIX_PATH \${KOVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The host rcc (Debian's Qt 6.4.2) compresses with zstd, which this Qt lacks.
set(CMAKE_AUTORCC_OPTIONS "--no-zstd")
# OpenSSL is linked statically (nothing more to ship); its Windows needs
# (ws2_32, crypt32) come with CMake's FindOpenSSL.
set(OPENSSL_ROOT_DIR \${KOVA_MINGW_PREFIX})
set(OPENSSL_USE_STATIC_LIBS TRUE)
EOF
}

cross_cmake() {  # SOURCE BUILD OPTIONS...
  local src="$1" build="$2"
  shift 2
  rm -rf "$build"
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  nice -n 19 cmake --build "$build" -j"$jobs"
  cmake --install "$build"
}

# SQLite: the amalgamation made by the source's own tools on the host, then
# compiled for Windows as a static library (Qt's SQLite driver and the
# project's online backup share it).
sqlite() {
  local src
  src="$(ls -d "$work"/src/sqlite3-*/ | head -n1)"
  rm -rf "$work/sqlite-host" && mkdir -p "$work/sqlite-host"
  cd "$work/sqlite-host"
  "$src/configure" --disable-tcl --disable-readline >/dev/null
  make sqlite3.c
  local cc="$triple-gcc-posix" flags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_OMIT_LOAD_EXTENSION)
  nice -n 19 "$cc" "${flags[@]}" -c sqlite3.c -o sqlite3.o
  "$triple-ar" rcs libsqlite3.a sqlite3.o
  mkdir -p "$prefix/include" "$prefix/lib"
  install -m 644 sqlite3.h sqlite3ext.h "$prefix/include/"
  install -m 644 libsqlite3.a "$prefix/lib/"
}

# Poco Foundation + Net, static, with Debian's patches (applied when the
# source package was unpacked) and three fixes for mingw on a case-sensitive
# file system.
poco() {
  local src
  src="$(ls -d "$work"/src/poco-*/ | head -n1)"
  sed -i 's/<Winsock2.h>/<winsock2.h>/; s/<Iphlpapi.h>/<iphlpapi.h>/' "$src/Foundation/include/Poco/UnWindows.h"
  # mingw's iphlpapi.h brings wincrypt.h, whose TIMESTAMP_REQUEST macro
  # collides with an enumerator.
  local icmp="$src/Net/include/Poco/Net/ICMPv4PacketImpl.h"
  grep -q 'undef TIMESTAMP_REQUEST' "$icmp" ||
    sed -i '0,/^namespace Poco {/s//#if defined(__MINGW32__) \&\& defined(TIMESTAMP_REQUEST)\n#undef TIMESTAMP_REQUEST\n#endif\n\nnamespace Poco {/' "$icmp"
  # Util (which NetSSL needs) is built without XML and JSON, but its package
  # file asks for them all the same: only what was built.
  sed -i '/find_dependency(PocoXML)/d; /find_dependency(PocoJSON)/d' "$src/Util/cmake/PocoUtilConfig.cmake"
  local off=()
  for c in ENCODINGS XML JSON MONGODB REDIS PDF UTIL ZIP SEVENZIP CPPPARSER POCODOC PAGECOMPILER \
           PAGECOMPILER_FILE2PAGE ACTIVERECORD ACTIVERECORD_COMPILER NETSSL_WIN JWT DATA \
           DATA_SQLITE DATA_MYSQL DATA_POSTGRESQL DATA_ODBC APACHECONNECTOR PROMETHEUS TESTS SAMPLES; do
    off+=("-DENABLE_$c=OFF")
  done
  cross_cmake "$src" "$work/build-poco" -DBUILD_SHARED_LIBS=OFF -DENABLE_NET=ON -DENABLE_FOUNDATION=ON \
    -DENABLE_CRYPTO=ON -DENABLE_NETSSL=ON -DCMAKE_MC_COMPILER="/usr/bin/$triple-windmc" "${off[@]}"
  [ -f "$prefix/cmake/PocoNetSSLConfig.cmake" ]
}

# OpenSSL, static, from Debian's source package (with its patches): libraries
# and headers only. Its own configuration targets for mingw; the certificates
# the programs trust are Windows's own, read from the system store at run time.
openssl() {
  local src target
  src="$(ls -d "$work"/src/openssl-*/ | head -n1)"
  # i686: the assembler of Debian's mingw-w64 cannot take the 32-bit
  # routines' position-independent relocations (GOTPC): plain C there.
  local extra=()
  if [ "$arch" = x86_64 ]; then target=mingw64; else target=mingw; extra=(no-asm); fi
  rm -rf "$work/build-openssl" && mkdir -p "$work/build-openssl"
  cd "$work/build-openssl"
  CC=gcc-posix "$src/Configure" "$target" --cross-compile-prefix="$triple-" --prefix="$prefix" --libdir=lib \
    --openssldir="$prefix/ssl" no-shared no-tests no-module no-legacy no-dso no-engine \
    no-capieng no-ssl3 no-comp no-idea no-rc5 no-md2 "${extra[@]}" -O2
  nice -n 19 make -j"$jobs" build_libs
  make install_dev
}

googletest() {
  cross_cmake /usr/src/googletest "$work/build-googletest" -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON \
    -Dgtest_disable_pthreads=ON
}

# Qt's windows platform plugin wants the Wintab headers, which Debian's
# source tarball leaves out: Wine's (LGPL, libwine-dev) behind a wrapper that
# gives them what a Windows SDK would.
qt_prepare() {
  local src wine=/usr/include/wine/wine/windows
  src="$(ls -d "$work"/src/qt6-base-*/ | head -n1)"
  local dir="$src/src/3rdparty/wintab"
  mkdir -p "$dir"
  cp "$wine/wintab.h" "$dir/wine_wintab.h"
  cp "$wine/pktdef.h" "$dir/pktdef.h"
  cat >"$dir/wintab.h" <<'EOF'
/* Wine's Wintab header as the Windows SDK's: the macros it expects from Wine's
   own build environment, and API as the calling convention. */
#pragma once
#include <windows.h>
#ifndef WINELIB_NAME_AW
# ifdef UNICODE
#  define WINELIB_NAME_AW(func) func##W
# else
#  define WINELIB_NAME_AW(func) func##A
# endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#endif
#ifndef API
# define API WINAPI
#endif
#include "wine_wintab.h"
EOF
  # With direct2d off, Gui has no DirectWrite font database: the plugin
  # must use the GDI one then.
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
  grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
}

qt() {
  local src
  src="$(ls -d "$work"/src/qt6-base-*/ | head -n1)"
  local feature=()
  for f in dbus opengl vulkan network printsupport concurrent direct2d jpeg gif zstd icu \
           sql_psql sql_mysql sql_ibase sql_oci sql_db2 system_freetype system_harfbuzz system_png \
           system_zlib system_pcre2 system_doubleconversion system_jpeg; do
    feature+=("-DFEATURE_$f=OFF")
  done
  for f in sql sql_odbc sql_sqlite system_sqlite widgets xml testlib freetype harfbuzz png; do
    feature+=("-DFEATURE_$f=ON")
  done
  cross_cmake "$src" "$work/build-qt" -DBUILD_SHARED_LIBS=ON -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF -DINPUT_opengl=no "${feature[@]}" \
    -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a"
}

# The mingw runtime the programs need beside them.
runtime() {
  local gccdir
  gccdir="$(dirname "$("$triple-g++-posix" -print-libgcc-file-name)")"
  mkdir -p "$prefix/bin"
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll; do
    [ -f "$gccdir/$dll" ] && install -m 755 "$gccdir/$dll" "$prefix/bin/"
  done
  install -m 755 "/usr/$triple/lib/libwinpthread-1.dll" "$prefix/bin/"
  ls "$prefix/bin"/*.dll
}

pack() {
  mkdir -p "$cache"
  local tmp="$cache/.$tarname.$$"
  touch "$complete_mark"
  # The archive holds kova-mingw/, whatever the prefix is called here.
  tar -C "$(dirname "$prefix")" --transform "s,^$(basename "$prefix"),kova-mingw," -cf - "$(basename "$prefix")" |
    nice -n 19 xz -T"$jobs" -6 >"$tmp"
  mv "$tmp" "$cache/$tarname"
  ls -l "$cache/$tarname"
}

if [ "$unpacked" = 1 ]; then
  # An older prefix: TLS on top of it.
  step packages packages
  step source-entries source_entries
  step tls-sources fetch_sources openssl poco
  toolchain
  step openssl openssl
  step poco-tls poco
  rm -f "$complete_mark"
  step tls-pack pack
  say "OpenSSL and Poco's NetSSL added to the $arch prefix in $((SECONDS - started)) s: $prefix (packed as $cache/$tarname)"
  exit 0
fi
rm -f "$complete_mark"
step packages packages
step source-entries source_entries
step sources fetch_sources qt6-base poco sqlite3 openssl
toolchain
step sqlite sqlite
step googletest googletest
step qt-prepare qt_prepare
step qt qt
step openssl openssl
step poco-tls poco
step runtime runtime
step pack pack
say "$arch prefix built in $((SECONDS - started)) s: $prefix (packed as $cache/$tarname)"
