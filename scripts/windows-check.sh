#!/usr/bin/env bash
# Cross-builds the Windows edition and runs its test programs under Wine.
#   scripts/windows-check.sh [ARCH] [--platform-sensitive]
#     ARCH: x86_64 (default) or i686
#     --platform-sensitive: only the test programs labelled so (the platform
#       layer, processes, files, settings and ODBC, FTP, setup) and what they
#       start: the quick pass CI runs
# Makes the toolchain prefix first (scripts/windows-toolchain.sh), builds into
# build-win-<ARCH>/ with warnings as errors, and runs ctest there: every
# GoogleTest case under Wine (CMAKE_CROSSCOMPILING_EMULATOR), in a Wine prefix
# of the build folder's own, GUI cases with Qt's offscreen platform (Wine
# drops QT_* variables: WINEQT_QPA_PLATFORM reaches the program as
# QT_QPA_PLATFORM). The FTP cases start the host's /usr/bin/python3 server on
# loopback with host paths; the ODBC cases reach the host's unixODBC and
# SQLite ODBC driver through Wine's odbc32. Prints the time of each phase and
# the cases that are not built for Windows, with the reason.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch=x86_64
subset=0
for arg in "$@"; do
  case "$arg" in
    x86_64 | i686) arch="$arg" ;;
    --platform-sensitive) subset=1 ;;
    *) echo "windows-check: unknown argument $arg (x86_64 or i686, --platform-sensitive)" >&2; exit 2 ;;
  esac
done
phase() {  # name command...
  local name="$1" start=$SECONDS
  shift
  echo "== windows-check ($arch): $name"
  "$@"
  echo "== windows-check ($arch): $name took $((SECONDS - start)) s"
}

# 32-bit Windows programs run under Wine's 32-bit loader, a 32-bit Linux
# program: a kernel without IA-32 emulation cannot start it. Asked of a tiny
# 32-bit program before anything is installed; status 77 says "cannot here".
if [ "$arch" = i686 ]; then
  probe="$(mktemp -d)"
  if ! printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' | as --32 -o "$probe/p.o" - 2>/dev/null \
     || ! ld -m elf_i386 -o "$probe/p" "$probe/p.o" 2>/dev/null || ! "$probe/p" 2>/dev/null; then
    rm -rf "$probe"
    echo "windows-check (i686): this machine cannot run 32-bit x86 programs (its kernel has no IA-32 emulation), so 32-bit Wine cannot start here: the i686 build is cross-built by scripts/windows-package.sh i686 but not tested under Wine on this machine" >&2
    exit 77
  fi
  rm -rf "$probe"
fi
phase "packages" "$here/scripts/install-deps.sh" "$([ "$arch" = i686 ] && echo windows-i686 || echo windows)"
phase "toolchain" "$here/scripts/windows-toolchain.sh" "$arch"
if [ "$arch" = x86_64 ]; then prefix="${KOVA_MINGW_PREFIX:-/opt/kova-mingw}"; else prefix="${KOVA_MINGW_PREFIX:-/opt/kova-mingw-$arch}"; fi
build="$here/build-win-$arch"
# Paths relative to the clone: a cache shared by clones in other folders.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}" CCACHE_NOHASHDIR=true

# Wine: a prefix of this build's own; one Wine server for the whole run.
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEQT_QPA_PLATFORM=offscreen
export WINEPATH="$(sed 's,/,\\,g; s,^,Z:,' <<<"$prefix/bin")"
# Debian's loader of the architecture, named: /usr/bin/wine prefers the
# 32-bit one whenever wine32 is installed.
if [ "$arch" = x86_64 ]; then wine=/usr/lib/wine/wine64; else wine=/usr/lib/wine/wine; fi
export WINELOADER="$wine" KOVA_WINE="$wine"

# How ctest runs a test program: scripts/wine-run (its output through a
# file; a start failure explained and retried once).
configure() {
  local generator=()
  [ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
  # Release: no debugging information (a faster build; the installer ships stripped programs).
  cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/share/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$here/scripts/wine-run" -DDC_WERROR=ON >/dev/null
}
build_all() {
  local targets=()
  [ "$subset" = 0 ] || targets=(--target platform_sensitive_tests)
  nice -n 10 cmake --build "$build" -j"$(nproc)" "${targets[@]}"
}
wine_prefix() {
  # One server for the whole run (ended at the end), and Wine's own services
  # started now, with no pipe of a test's: they live as long as the server,
  # and would keep a test's output open after the test ended.
  mkdir -p "$WINEPREFIX"
  wineserver -p 2>/dev/null || true
  trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
  [ -f "$WINEPREFIX/system.reg" ] || timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
  timeout 120 "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}
phase "configure" configure
phase "cross-build" build_all
phase "Wine prefix" wine_prefix

echo "== windows-check ($arch): cases not built for Windows (POSIX means)"
echo "   ProcessControl.KillEndsEveryInstanceOfThatVeryProgramOnly: runs copies of /bin/sleep and reads /proc"
echo "   SendTool.SendsOrdinaryFilesOnlyAndLeavesWhatChangesForTheNextRun: symbolic links to /dev/zero, FIFOs, names that are not UTF-8"
echo "   benchmarks outbox_idle and ftp_throughput: /proc, process times, curl (benchmarks are never part of the tests)"
echo "   install_layout: the Linux installed layout (Windows has its installer, scripts/windows-package.sh)"
# Cases not run under Wine: a ctest expression each, and why.
not_under_wine=(
  'BackupRun\.FileOfMoreThanTwoGibibytesIsUploadedAndVerified' "Wine reads the 2 GiB sparse file's holes as data (minutes, and a 2 GiB copy on disk)"
  'Window\.EveryCaptionFitsItsControlInTheWindowsFont' "text widths of the Tahoma that the forms are drawn for: under Wine the offscreen plugin measures Wine's Tahoma with FreeType's full hinting, up to 8 px wider (checked on Linux)"
)
echo "== windows-check ($arch): cases not run under Wine"
excluded=""
for ((i = 0; i < ${#not_under_wine[@]}; i += 2)); do
  echo "   ${not_under_wine[i]//\\/}: ${not_under_wine[i + 1]}"
  excluded+="${excluded:+|}${not_under_wine[i]}"
done
echo "   (a case that skips says why in its output; '[ NOTE ]' lines name what Wine cannot show)"
labels=()
if [ "$subset" = 1 ]; then
  labels=(-L platform-sensitive)
  echo "== windows-check ($arch): only the platform-sensitive programs; the window, panels and task form, edition 1 and the tools end to end reach the same platform layer through them and run with a full scripts/windows-check.sh"
fi
status=0
run_tests() {
  (cd "$build" && timeout 1800 ctest --output-on-failure -j"$(nproc)" --timeout 180 "${labels[@]}" -E "$excluded") || status=$?
}
phase "tests under Wine" run_tests
exit "$status"
