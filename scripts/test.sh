#!/usr/bin/env bash
# Sets everything up and runs the whole test suite.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/build.sh"
cd "$here/build"
ctest --output-on-failure -j"$(nproc)"
