#!/usr/bin/env bash
# Configures and builds the tree (installs the packages first).
#   scripts/build.sh [BUILD_DIR] [CMAKE_OPTION...]     (default build dir: build/)
# Ninja and ccache are used when present (install-deps installs both).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build}"
[ $# -gt 0 ] && shift
"$here/scripts/install-deps.sh" build
generator=()
[ -f "$dir/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
cmake -S "$here" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
