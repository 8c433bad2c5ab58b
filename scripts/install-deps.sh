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
#   scripts/install-deps.sh [PROFILE...]     (default: test)
set -euo pipefail
declare -A profile=(
  [build]="g++ cmake ninja-build ccache lld qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc libsqlite3-dev libpoco-dev libssl-dev libgtest-dev libgmock-dev fonts-dejavu-core fonts-liberation2 fonts-wine qt6-translations-l10n"
  [test]="python3-pyftpdlib python3-openssl unixodbc libsqliteodbc"
  [demo]="sqlite3"
  [desktop]="xvfb xauth trayer xdotool x11-apps imagemagick openbox"
  [bench]="curl lftp"
)
declare -A includes=([test]="build" [demo]="test" [desktop]="build" [bench]="desktop test")
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
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
