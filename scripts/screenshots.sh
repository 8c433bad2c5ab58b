#!/usr/bin/env bash
# Takes the pictures of the README under Xvfb, with a window manager that
# draws the captions, from a demo install root.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" desktop demo >/dev/null
"$here/scripts/build.sh" "$here/build" -DDC_BUILD_SCREENSHOTS=ON >/dev/null
# A short root of no machine in particular: its paths show in the history.
root="${1:-${TMPDIR:-/tmp}/kova-tienda}"
[ -d "$root" ] || "$here/build/bin/datacenter-setup" --root "$root" --demo >/dev/null
"$here/build/bin/datacenter-setup" --root "$root" >/dev/null  # adds what a newer version has
# A few files waiting in the outbox, so the list shows its order.
outbox="$root/KOVA_VazivoZeRurov_2/Bandeja_De_Salida"
[ -n "$(ls -A "$outbox")" ] || for f in Ventas_10.xml ventas_2.xml catalogo_1.xml; do : >"$outbox/$f"; done
# The history shows real runs of the backup tool against a local service:
# one that backs up the whole list, and one with a listed file gone.
db2="$root/KOVA_VazivoZeRurov_2/Db/KOVA_VazivoZeRurov.mdb"
if [ "$(sqlite3 "$db2" 'select count(*) from tbl_app_historial')" = 0 ]; then
  service="$(mktemp -d)"
  mkdir -p "$service/files/tienda_demo/Clave2026"
  /usr/bin/python3 "$here/tests/support/ftp_server.py" --root "$service/files" \
    --account "respaldo1@kovasistemas.mx" "bqt275" >"$service/out" 2>"$service/err" &
  server=$!
  trap 'kill $server 2>/dev/null || true; rm -rf "$service"' EXIT
  for _ in $(seq 100); do grep -q '^PORT' "$service/out" 2>/dev/null && break; sleep 0.1; done
  tool() { (cd "$outbox" && timeout 120 "$root/KOVA_VazivoZeRurov_2/KOVA_BackUp.exe" \
    --backup-service "127.0.0.1:$(awk '/^PORT/ {print $2}' "$service/out")" >/dev/null 2>&1) || true; }
  tool
  sqlite3 "$db2" "insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values
    ('$root/Documentos/Cierre_anual.xlsx', 'Cierre_anual.xlsx', 1, 0)"
  tool
  sqlite3 "$db2" "delete from tbl_app_archivos where Nombre = 'Cierre_anual.xlsx'"
fi
for panel in respaldos historial nube registro pregunta archivos tarea; do
  xvfb-run -a -s "-screen 0 800x560x24" sh -c '
    openbox >/dev/null 2>&1 &
    sleep 1
    "$0" --root "$1" --panel "$2" --out "$3"' \
    "$here/build/tests/window_screenshot" "$root" "$panel" "$here/docs/panel-$panel.png" 2>/dev/null
  echo "docs/panel-$panel.png"
done
