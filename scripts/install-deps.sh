#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent; run as root (apt-get).
set -euo pipefail
packages=(
  g++ make cmake
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev
  libpoco-dev
  libgtest-dev libgmock-dev
  python3-pyftpdlib
  xvfb xauth fonts-dejavu-core fonts-liberation2 x11-apps imagemagick trayer xdotool
  curl sqlite3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package is already installed"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
