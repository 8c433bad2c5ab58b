#!/usr/bin/env bash
# Sets everything up and runs the data center on a demo install root
# (build/demo-root): datacenter2 lives in the tray with the demo's settings.
# With a display, it runs until "Cerrar Aplicación"; without one, it runs
# for DEMO_SECONDS (default 20) under a virtual display with a tray.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/build.sh" >/dev/null
bin="$here/build/bin"
root="$here/build/demo-root"

echo "== Install root: $root"
"$bin/datacenter-setup" --root "$root" --demo --force | sed 's/^/   /' | tail -n 5

export QT_LOGGING_RULES="dc.startup.info=true"
if [ -n "${DISPLAY:-}" ]; then
  echo "== datacenter2 is in the notification area: right-click its icon, \"Abrir Aplicación\"."
  exec "$bin/datacenter2" --root "$root"
fi

seconds="${DEMO_SECONDS:-20}"
echo "== No display: datacenter2 runs for ${seconds} s under a virtual display with a tray"
xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
  trayer --edge top --align right --widthtype request >/dev/null 2>&1 &
  sleep 1
  "$0" --root "$1" &
  pid=$!
  sleep "$2"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' "$bin/datacenter2" "$root" "$seconds" 2>&1 | grep -v -E "XDG_RUNTIME_DIR|propagateSizeHints" | sed 's/^/   /'
echo "== Settings as datacenter2 left them:"
sqlite3 "$root/KOVA_VazivoZeRurov_2/Db/KOVA_VazivoZeRurov.mdb" \
  "select '   ' || Id || ' ' || Descripcion || ': ' || Valor from tbl_app_configuracion order by Id"
