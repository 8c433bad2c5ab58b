#!/usr/bin/env bash
# The whole story on a demo install root (build/demo-root), from one command:
#  1. two local FTP services start: the backup service and the cloud service;
#  2. datacenter1 runs once: a real backup of its list, ending by itself;
#  3. datacenter2 starts in the tray with the cloud switch on;
#  4. the generate and send tools run in the outbox as the cloud cycle would
#     start them, and what reached both services is shown.
# With a display, datacenter2 stays in the tray afterwards (right-click its
# icon, "Abrir Aplicación"); without one it runs offscreen and is ended.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
echo "== Building (first run: installs the Debian packages, then compiles; a few minutes)"
"$here/scripts/install-deps.sh" demo >/dev/null
"$here/scripts/build.sh" >/dev/null
bin="$here/build/bin"
root="$here/build/demo-root"
services="$here/build/demo-services"
db2="$root/KOVA_VazivoZeRurov_2/Db/KOVA_VazivoZeRurov.mdb"
outbox="$root/KOVA_VazivoZeRurov_2/Bandeja_De_Salida"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

# Starts a local FTP service with one account (it lives as long as this script).
start_service() {  # name user password
  local dir="$services/$1"
  mkdir -p "$dir/files"
  /usr/bin/python3 "$here/tests/support/ftp_server.py" --root "$dir/files" --account "$2" "$3" \
    >"$dir/out" 2>"$dir/err" &
  pids+=($!)
  for _ in $(seq 100); do grep -q '^PORT' "$dir/out" 2>/dev/null && break; sleep 0.1; done
}
port_of() { awk '/^PORT/ {print $2}' "$services/$1/out"; }
tree_of() { (cd "$1" && find . -mindepth 1 | sort | sed 's/^\./      /'); }
log_rows() { sqlite3 "$db2" "select '      ' || Id || ' ' || \"Desc\" from tbl_app_Log order by Id desc limit $1"; }
outbox_now() { echo "   outbox: $(ls -1 "$outbox" | wc -l) file(s)"; ls -1 "$outbox" | sed 's/^/      /'; }

echo "== Install root: ${root#"$here"/}"
rm -rf "$services"
rm -rf "$outbox"   # files of an earlier demo would be sent again
"$bin/datacenter-setup" --root "$root" --demo --force | grep -c . | sed 's/^/   setup: /; s/$/ things created/'

echo "== Local FTP services"
start_service respaldos "respaldo1@kovasistemas.mx" "bqt275"
backup_port=$(port_of respaldos)
mkdir -p "$services/respaldos/files/tienda_demo/Clave2026"   # the shop's folders on the service
start_service nube "nube_demo" "NubeDemo2026"
cloud_port=$(port_of nube)
sqlite3 "$db2" "update tbl_app_configuracion set Valor = '127.0.0.1:$cloud_port' where Id = 8"
echo "   backup service on 127.0.0.1:$backup_port, cloud service on 127.0.0.1:$cloud_port"

echo "== datacenter1: one backup run of its list (it ends by itself)"
set +e
timeout 300 "$bin/datacenter1" --root "$root" --backup-service "127.0.0.1:$backup_port" 2>&1 \
  | grep -v -E 'XDG_RUNTIME_DIR|propagateSizeHints|QSystemTrayIcon' | sed 's/^/   /'
status=${PIPESTATUS[0]}
set -e
echo "   datacenter1 ended with status $status"
sqlite3 "$root/KOVA_VazivoZeRurov_1/Db/KOVA_VazivoZeRurov.mdb" "select '   its run history: ' || Resultado || ', '
  || Archivos || ' archivo(s), ' || Inicio || ' to ' || Fin from tbl_app_historial order by Id desc limit 1"
echo "   on the backup service:"
tree_of "$services/respaldos/files"

echo "== datacenter2 in the tray, cloud switch on"
sqlite3 "$db2" "update tbl_app_configuracion set Valor = '1' where Id = 7"
QT_LOGGING_RULES="dc.startup.info=true" "$bin/datacenter2" --root "$root" >"$services/datacenter2.log" 2>&1 &
dc2=$!
pids+=($dc2)
for _ in $(seq 100); do grep -q 'arranque terminado' "$services/datacenter2.log" && break; sleep 0.1; done
grep 'dc.startup' "$services/datacenter2.log" | sed 's/^/   /'
if grep -q 'bandeja: no' "$services/datacenter2.log"; then
  echo "   (no display here: datacenter2 runs offscreen, without a notification area to put its icon in; it works all the same)"
fi
outbox_now

echo "== The generate tool, in the outbox (half of the cloud interval)"
(cd "$outbox" && "$root/KOVA_VazivoZeRurov_2/KOVA_GeneraXML.exe" 2>&1) | sed 's/^/   /'
outbox_now
log_rows 3

echo "== The send tool, in the outbox (end of the cloud interval)"
(cd "$outbox" && "$root/KOVA_VazivoZeRurov_2/KOVA_EnviaXML.exe" 2>&1) | sed 's/^/   /'
outbox_now
log_rows 3
echo "   on the cloud service:"
tree_of "$services/nube/files"

if [ -n "${DISPLAY:-}" ]; then
  echo "== datacenter2 stays in the tray: right-click its icon, \"Abrir Aplicación\"; \"Cerrar Aplicación\" ends the demo."
  wait "$dc2" || true
else
  echo "== Done: datacenter2 is ended (no display)."
fi
