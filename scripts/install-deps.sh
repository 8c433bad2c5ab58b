#!/usr/bin/env bash
# Installs the Debian packages a command needs; idempotent; run as root
# (apt-get). What each profile is for:
#   build        compiling the tree (the programs, the tools, the tests)
#   test         build + what the tests use at run time (the FTP server; the
#                SQLite ODBC driver, through which the suite runs the ODBC path)
#   demo         test + the sqlite3 shell the demo script reads the log with
#   desktop      a display for trying the programs by hand, the screenshots
#                and the start-up benchmark (Xvfb, a window manager that
#                draws the captions, a notification area)
#   bench        desktop + curl and lftp, the FTP benchmark's references
#   windows      test + cross-building the Windows edition for x86_64
#                (mingw-w64) and running it under Wine (with the host's ODBC
#                SQLite driver from test)
#   windows-i686 windows + the same for i686 (32-bit Wine and ODBC driver)
#   windows-package  windows-i686 + desktop + the installer (nsis; Qt's
#                Spanish texts come with build) and trying it under Wine
#                (xwininfo, the sqlite3 shell)
#   windows-src  windows-i686 + building the Windows toolchain prefix from
#                Debian's source packages (apt-get source, wintab headers
#                from Wine's, Tcl for SQLite's amalgamation)
# Packages named "NAME:i386" make dpkg accept that architecture first.
#   scripts/install-deps.sh [PROFILE...]     (default: test)
set -euo pipefail
declare -A profile=(
  [build]="g++ cmake ninja-build ccache lld qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc libsqlite3-dev libpoco-dev libssl-dev libgtest-dev libgmock-dev fonts-dejavu-core fonts-liberation2 fonts-wine qt6-translations-l10n"
  [test]="python3-pyftpdlib python3-openssl unixodbc libsqliteodbc"
  [demo]="sqlite3"
  [desktop]="xvfb xauth trayer xdotool x11-apps imagemagick openbox"
  [bench]="curl lftp"
  [windows]="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev-tools wine wine64 xz-utils"
  [windows-i686]="g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine32:i386 libodbc1:i386 libsqliteodbc:i386"
  [windows-package]="nsis x11-utils sqlite3"
  [windows-src]="dpkg-dev libwine-dev tcl perl"
)
declare -A includes=([test]="build" [demo]="test" [desktop]="build" [bench]="desktop test" [windows]="test" [windows-i686]="windows" [windows-package]="windows-i686 desktop" [windows-src]="windows-i686")
packages=()
add() {
  local p="$1"
  [ -n "${profile[$p]+x}" ] || { echo "install-deps: unknown profile $p" >&2; exit 2; }
  for inc in ${includes[$p]:-}; do add "$inc"; done
  packages+=(${profile[$p]})
}
[ $# -gt 0 ] || set -- test
for p in "$@"; do add "$p"; done
missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package of '$*' is already installed"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
