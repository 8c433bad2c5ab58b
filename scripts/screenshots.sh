#!/usr/bin/env bash
# Takes the pictures of the README under Xvfb from a demo install root.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" desktop >/dev/null
"$here/scripts/build.sh" "$here/build" -DDC_BUILD_SCREENSHOTS=ON >/dev/null
root="${1:-$here/build/screenshot-root}"
[ -d "$root" ] || "$here/build/bin/datacenter-setup" --root "$root" --demo >/dev/null
for panel in respaldos nube registro; do
  xvfb-run -a -s "-screen 0 800x520x24" "$here/build/tests/window_screenshot" \
    --root "$root" --panel "$panel" --out "$here/docs/panel-$panel.png" 2>/dev/null
  echo "docs/panel-$panel.png"
done
