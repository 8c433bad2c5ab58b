#!/usr/bin/env bash
# Makes the Windows installer, build-win-<ARCH>/KOVA-DataCenter-Setup.exe (nsis).
#   scripts/windows-package.sh [ARCH]     ARCH: i686 (default) or x86_64
# The shipped build is i686: the Jet 4.0 ODBC driver that comes with Windows
# (what opens the shop's .mdb files) is 32-bit only, and a 32-bit program
# reaches it on a stock 64-bit Windows 10/11 with nothing else installed; a
# 64-bit build would need Microsoft's separately installed ACE driver.
# Cross-builds the programs (scripts/windows-toolchain.sh makes the prefix),
# lays out both editions' folders with the Qt libraries, plugins and Spanish
# translations beside the programs, and runs makensis on
# scripts/windows-installer.nsi. The DLLs shipped are those CMake's
# dependency walk finds for the programs and plugins
# (scripts/windows-runtime-dlls.cmake).
# Signing: with KOVA_SIGN_PKCS12 naming a PKCS#12 file (certificate and key)
# and KOVA_SIGN_PASSWORD its password, every program and DLL shipped, the
# uninstaller and the installer are signed with osslsigncode (timestamped
# when KOVA_SIGN_TIMESTAMP_URL names a time-stamping service); without it
# the package is unsigned and the script says so.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch="${1:-i686}"
case "$arch" in
  x86_64 | i686) ;;
  *) echo "windows-package: unknown architecture $arch (i686 or x86_64)" >&2; exit 2 ;;
esac
triple="$arch-w64-mingw32"
# Cross-building only: an x86_64 package asks for no i386 package.
if [ "$arch" = i686 ]; then "$here/scripts/install-deps.sh" windows-package mingw-i686 >/dev/null; else "$here/scripts/install-deps.sh" windows-package >/dev/null; fi
"$here/scripts/windows-toolchain.sh" "$arch"
if [ "$arch" = x86_64 ]; then prefix="${KOVA_MINGW_PREFIX:-/opt/kova-mingw}"; else prefix="${KOVA_MINGW_PREFIX:-/opt/kova-mingw-$arch}"; fi
build="$here/build-win-$arch"
# Paths relative to the clone: a cache shared by clones in other folders.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}" CCACHE_NOHASHDIR=true

start=$SECONDS
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
# Release: no debugging information (a faster build; the programs ship stripped).
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/share/cmake/mingw-w64-$arch.cmake" >/dev/null
programs=(datacenter2 datacenter1 datacenter-setup KOVA_BackUp KOVA_GeneraXML KOVA_EnviaXML)
nice -n 10 cmake --build "$build" -j"$(nproc)" --target "${programs[@]}"
echo "windows-package: programs built in $((SECONDS - start)) s"

stage="$build/package"
rm -rf "$stage"
dir2="$stage/KOVA_VazivoZeRurov_2"
dir1="$stage/KOVA_VazivoZeRurov_1"
mkdir -p "$dir2" "$dir1"
# The programs without their debugging information.
for p in datacenter2 datacenter-setup KOVA_BackUp KOVA_GeneraXML KOVA_EnviaXML; do
  "$triple-strip" -o "$dir2/$p.exe" "$build/bin/$p.exe"
done
"$triple-strip" -o "$dir1/datacenter1.exe" "$build/bin/datacenter1.exe"

# Beside each program: the DLLs it needs (CMake's walk of the programs' and
# plugins' imports, to what the prefix holds; Windows's own are not shipped),
# the plugins, Qt's Spanish texts, and a qt.conf that makes the program's
# folder Qt's prefix. No font: the windows use Tahoma, which Windows has.
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll
         styles/qwindowsvistastyle.dll imageformats/qico.dll)
lay_out() {  # folder
  local folder="$1" p files dll
  for p in "${plugins[@]}"; do
    mkdir -p "$folder/$(dirname "$p")"
    "$triple-strip" -o "$folder/$p" "$prefix/plugins/$p"
  done
  mkdir -p "$folder/translations"
  install -m 644 "$build/bin/translations/qtbase_es.qm" "$folder/translations/"  # the build put it beside the programs
  printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$folder/qt.conf"
  files="$(printf '%s;' "$folder"/*.exe "$folder"/*/*.dll)"
  cmake -DPREFIX="$prefix" -DOBJDUMP="$triple-objdump" -DFILES="${files%;}" -DOUT="$stage/dlls.txt" \
    -P "$here/scripts/windows-runtime-dlls.cmake" >/dev/null
  while IFS= read -r dll; do
    "$triple-strip" -o "$folder/$(basename "$dll")" "$dll"
  done <"$stage/dlls.txt"
  rm -f "$stage/dlls.txt"
}
lay_out "$dir2"
lay_out "$dir1"

# Signing, when a certificate is given: the password goes to osslsigncode in
# an owner-only file, never on a command line.
sign_key="${KOVA_SIGN_PKCS12:-}"
signed=0
if [ -n "$sign_key" ]; then
  [ -f "$sign_key" ] || { echo "windows-package: KOVA_SIGN_PKCS12 names no file: $sign_key" >&2; exit 1; }
  [ -n "${KOVA_SIGN_PASSWORD+x}" ] || { echo "windows-package: KOVA_SIGN_PKCS12 is given without KOVA_SIGN_PASSWORD" >&2; exit 1; }
  passfile="$(mktemp)"
  chmod 600 "$passfile"
  trap 'rm -f "$passfile"' EXIT
  printf '%s' "$KOVA_SIGN_PASSWORD" >"$passfile"
  signed=1
fi
sign() {  # file...
  [ "$signed" = 1 ] || return 0
  local f timestamp=()
  [ -z "${KOVA_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$KOVA_SIGN_TIMESTAMP_URL")
  for f in "$@"; do
    osslsigncode sign -pkcs12 "$sign_key" -readpass "$passfile" -h sha256 -n "KOVA Vazivo ze Rurov" \
      "${timestamp[@]}" -in "$f" -out "$f.signed" >/dev/null
    mv "$f.signed" "$f"
  done
}
mapfile -t binaries < <(find "$stage" -type f \( -name '*.exe' -o -name '*.dll' \) | sort)
sign "${binaries[@]}"

# The uninstaller removes exactly these files, deepest folders first.
{
  for d in KOVA_VazivoZeRurov_2 KOVA_VazivoZeRurov_1; do
    (cd "$stage/$d" && find . -type f | sort) | sed "s,^\./,,; s,/,\\\\,g; s,^,  Delete \"C:\\\\$d\\\\,; s,\$,\","
    (cd "$stage/$d" && find . -mindepth 1 -type d | sort -r) | sed "s,^\./,,; s,/,\\\\,g; s,^,  RMDir \"C:\\\\$d\\\\,; s,\$,\","
  done
} >"$stage/uninstall-files.nsh"

version="$(sed -n 's/^project(datacenter VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")"
out="$build/KOVA-DataCenter-Setup.exe"
start=$SECONDS
sign_args=()
if [ "$signed" = 1 ]; then
  # makensis signs the uninstaller it writes into the installer through this.
  printf '#!/bin/sh\nosslsigncode sign -pkcs12 "%s" -readpass "%s" -h sha256 -n "KOVA Vazivo ze Rurov" -in "$1" -out "$1.signed" >/dev/null && mv "$1.signed" "$1"\n' \
    "$sign_key" "$passfile" >"$stage/sign-uninstaller"
  chmod 700 "$stage/sign-uninstaller"
  sign_args=(-DSIGN_UNINSTALLER="$stage/sign-uninstaller")
fi
[ "$arch" = i686 ] || sign_args+=(-DTARGET=amd64-unicode)
makensis -V2 -DSTAGE="$stage" -DOUTFILE="$out" -DVERSION="$version" "${sign_args[@]}" "$here/scripts/windows-installer.nsi"
rm -f "$stage/sign-uninstaller"
sign "$out"
if [ "$signed" = 1 ]; then
  echo "windows-package: signed ${#binaries[@]} programs and DLLs, the uninstaller and the installer with $sign_key"
else
  echo "windows-package: UNSIGNED (sin firmar): no KOVA_SIGN_PKCS12 certificate given; Windows will warn of an unknown publisher"
fi
echo "windows-package: $out ($arch), $(stat -c %s "$out") bytes, made in $((SECONDS - start)) s"
