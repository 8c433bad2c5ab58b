#!/usr/bin/env bash
# Installs the Debian packages a command needs; idempotent; run as root
# (apt-get). What each profile is for:
#   build        compiling the tree (the programs, the tools, the tests)
#   test         build + what the tests use at run time (the FTP server; the
#                SQLite ODBC driver, through which the suite runs the ODBC path)
#   demo         test + the sqlite3 shell the demo script reads the log with
#   interop      test + three FTP servers for the interop suite, which starts
#                them itself on loopback: vsftpd (its package; it makes the
#                "ftp" account that vsftpd's virtual users act as, and the PAM
#                module that checks their passwords), proftpd with its TLS
#                module and pure-ftpd. Debian's server packages conflict with
#                one another (each one is "the" ftp-server): the last two are
#                only unpacked (apt-get download, dpkg-deb -x) into
#                $KOVA_FTP_SERVERS (default /opt/kova-ftp-servers), with their
#                libraries installed. No install starts a system service.
#   desktop      a display for trying the programs by hand, the screenshots
#                and the start-up benchmark (Xvfb, a window manager that
#                draws the captions, a notification area)
#   bench        desktop + curl and lftp, the FTP benchmark's references
#   windows      test + cross-building the Windows edition for x86_64
#                (mingw-w64) and running it under Wine (with the host's ODBC
#                SQLite driver from test)
#   mingw-i686   cross-building for i686 (mingw-w64): no i386 package
#   windows-i686 windows + mingw-i686 + running it under 32-bit Wine (with
#                the i386 ODBC driver)
#   windows-package  windows + desktop + the installer (nsis; Qt's Spanish
#                texts come with build), its signing (osslsigncode) and trying
#                it under Wine (xwininfo, the sqlite3 shell); add mingw-i686
#                or windows-i686 for the i686 installer
#   windows-src  windows + building the Windows toolchain prefix from
#                Debian's source packages (apt-get source, wintab headers
#                from Wine's, Tcl for SQLite's amalgamation, Perl for
#                OpenSSL's configuration); add mingw-i686 for i686
# Packages named "NAME:i386" make dpkg accept that architecture first.
#   scripts/install-deps.sh [PROFILE...]     (default: test)
set -euo pipefail
declare -A profile=(
  [build]="g++ cmake ninja-build ccache lld qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc libsqlite3-dev libpoco-dev libssl-dev libgtest-dev libgmock-dev fonts-dejavu-core fonts-liberation2 fonts-wine qt6-translations-l10n"
  [test]="python3-pyftpdlib python3-openssl unixodbc libsqliteodbc"
  [demo]="sqlite3"
  [interop]="vsftpd libpam-pwdfile libmemcached11 libmemcachedutil2 libpcre2-posix3 libhiredis0.14 libsodium23 libcap2 libidn2-0 libacl1"
  [desktop]="xvfb xauth trayer xdotool x11-apps imagemagick openbox"
  [bench]="curl lftp"
  [windows]="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev-tools wine wine64 xz-utils"
  [mingw-i686]="g++-mingw-w64-i686-posix binutils-mingw-w64-i686"
  [windows-i686]="wine32:i386 libodbc1:i386 libsqliteodbc:i386"
  [windows-package]="nsis x11-utils sqlite3 osslsigncode"
  [windows-src]="dpkg-dev libwine-dev tcl perl"
)
declare -A includes=([test]="build" [demo]="test" [interop]="test" [desktop]="build" [bench]="desktop test" [windows]="test" [windows-i686]="windows mingw-i686" [windows-package]="windows desktop" [windows-src]="windows")
packages=()
add() {
  local p="$1"
  [ -n "${profile[$p]+x}" ] || { echo "install-deps: unknown profile $p" >&2; exit 2; }
  for inc in ${includes[$p]:-}; do add "$inc"; done
  packages+=(${profile[$p]})
}
[ $# -gt 0 ] || set -- test
for p in "$@"; do add "$p"; done
# Packages unpacked, not installed, by profile.
declare -A unpacked=([interop]="proftpd-core proftpd-mod-crypto pure-ftpd")
unpack_list=()
for p in "$@"; do unpack_list+=(${unpacked[$p]:-}); done
servers="${KOVA_FTP_SERVERS:-/opt/kova-ftp-servers}"
# An index that cannot be read (a mirror in the middle of a sync: "File has
# unexpected size") is not a reason to stop: the packages may well be in the
# others, or in the lists read before. Tried twice; what still fails is said.
update_indexes() {
  local try
  for try in 1 2; do
    if apt-get update -qq; then return 0; fi
    if [ "$try" = 1 ]; then
      echo "install-deps: warning: some package indexes could not be read; trying once more in 5 s" >&2
      sleep 5
    fi
  done
  echo "install-deps: warning: some package indexes still cannot be read; installing from those that could" >&2
}
unpack() {  # the unpacked packages, once per set of versions
  [ ${#unpack_list[@]} -gt 0 ] || return 0
  local want
  candidates() { apt-cache policy "${unpack_list[@]}" | awk '/^[^ ]/ {p=$1} /Candidate:/ {print p, $2}'; }
  want="$(candidates)"
  if [ -f "$servers/.versions" ] && [ "$(cat "$servers/.versions")" = "$want" ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: unpacking ${unpack_list[*]} into $servers needs root" >&2
    exit 1
  fi
  if grep -q '(none)' <<<"$want"; then  # no package lists yet
    update_indexes
    want="$(candidates)"
  fi
  local tmp
  tmp="$(mktemp -d)"
  chown _apt "$tmp" 2>/dev/null || chmod 755 "$tmp"  # apt's download user writes there
  (cd "$tmp" && apt-get download -qq "${unpack_list[@]}")
  rm -rf "$servers" && mkdir -p "$servers"
  for deb in "$tmp"/*.deb; do dpkg-deb -x "$deb" "$servers"; done
  rm -rf "$tmp"
  echo "$want" >"$servers/.versions"
  echo "install-deps: unpacked ${unpack_list[*]} into $servers"
}
missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package of '$*' is already installed"
  unpack
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
update_indexes
# A server package starts its system service from its maintainer scripts (an
# FTP server on port 21): a policy that refuses every start keeps it stopped.
# One already there is left as it is.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# install-deps: no service starts while packages install\nexit 101\n' >"$policy"
  chmod 755 "$policy"
  own_policy=1
  trap 'rm -f "$policy"' EXIT
fi
daemons() {  # PID of every daemonised FTP server, one a line
  ps -eo pid=,ppid=,comm= | awk '$2 == 1 && $3 ~ /^(vsftpd|proftpd|pure-ftpd)$/ {print $1}' | sort
}
before="$(daemons)"
if ! apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  # Each one alone, so that one that cannot be had names itself and the
  # others are installed all the same.
  failed=()
  for p in "${missing[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
    apt-get install -y -qq --no-install-recommends "$p" || failed+=("$p")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "install-deps: these packages could not be installed: ${failed[*]} (apt-get's messages above say why)" >&2
    exit 1
  fi
fi
# One that a maintainer script started all the same (a policy of its own that
# allowed it) is this install's: stopped by its PID.
for pid in $(comm -13 <(echo "$before") <(daemons)); do
  echo "install-deps: stopping $(ps -o comm= -p "$pid") (PID $pid), which the install started" >&2
  kill "$pid" 2>/dev/null || true
done
if [ "$own_policy" = 1 ]; then rm -f "$policy"; trap - EXIT; fi
unpack
