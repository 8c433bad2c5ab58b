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
# scripts/windows-installer.nsi.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch="${1:-i686}"
case "$arch" in
  x86_64 | i686) ;;
  *) echo "windows-package: unknown architecture $arch (i686 or x86_64)" >&2; exit 2 ;;
esac
triple="$arch-w64-mingw32"
"$here/scripts/install-deps.sh" windows-package >/dev/null
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

# Beside each program: the DLLs it needs (followed from the programs' and
# plugins' imports to what the prefix holds; Windows' own are not shipped),
# the plugins, Qt's Spanish texts, and a qt.conf that makes the program's
# folder Qt's prefix. No font: the windows use Tahoma, which Windows has.
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll
         styles/qwindowsvistastyle.dll imageformats/qico.dll)
imports() { "$triple-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
lay_out() {  # folder
  local folder="$1" p
  for p in "${plugins[@]}"; do
    mkdir -p "$folder/$(dirname "$p")"
    "$triple-strip" -o "$folder/$p" "$prefix/plugins/$p"
  done
  mkdir -p "$folder/translations"
  install -m 644 "$build/bin/translations/qtbase_es.qm" "$folder/translations/"  # the build put it beside the programs
  printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$folder/qt.conf"
  local todo=("$folder"/*.exe "$folder"/*/*.dll) seen=" " f dll
  while [ ${#todo[@]} -gt 0 ]; do
    f="${todo[0]}"
    todo=("${todo[@]:1}")
    for dll in $(imports "$f"); do
      case "$seen" in *" $dll "*) continue ;; esac
      seen+="$dll "
      if [ -f "$prefix/bin/$dll" ]; then
        "$triple-strip" -o "$folder/$dll" "$prefix/bin/$dll"
        todo+=("$folder/$dll")
      fi
    done
  done
}
lay_out "$dir2"
lay_out "$dir1"

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
makensis -V2 -DSTAGE="$stage" -DOUTFILE="$out" -DVERSION="$version" "$here/scripts/windows-installer.nsi"
echo "windows-package: $out ($arch), $(stat -c %s "$out") bytes, made in $((SECONDS - start)) s"
