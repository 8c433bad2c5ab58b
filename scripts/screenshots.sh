#!/usr/bin/env bash
# Takes the pictures of the README under Xvfb, with a window manager that
# draws the captions, from a demo install root.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" desktop >/dev/null
"$here/scripts/build.sh" "$here/build" -DDC_BUILD_SCREENSHOTS=ON >/dev/null
root="${1:-$here/build/screenshot-root}"
[ -d "$root" ] || "$here/build/bin/datacenter-setup" --root "$root" --demo >/dev/null
# A few files waiting in the outbox, so the list shows its order.
outbox="$root/KOVA_VazivoZeRurov_2/Bandeja_De_Salida"
[ -n "$(ls -A "$outbox")" ] || for f in Ventas_10.xml ventas_2.xml catalogo_1.xml; do : >"$outbox/$f"; done
for panel in respaldos nube registro pregunta archivos tarea; do
  xvfb-run -a -s "-screen 0 800x560x24" sh -c '
    openbox >/dev/null 2>&1 &
    sleep 1
    "$0" --root "$1" --panel "$2" --out "$3"' \
    "$here/build/tests/window_screenshot" "$root" "$panel" "$here/docs/panel-$panel.png" 2>/dev/null
  echo "docs/panel-$panel.png"
done
