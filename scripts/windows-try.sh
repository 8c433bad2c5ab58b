#!/usr/bin/env bash
# Tries the Windows installer under Wine, as a shop would use it:
#   scripts/windows-try.sh [ARCH]     ARCH: i686 (default) or x86_64
#  1. the installer (scripts/windows-package.sh) runs silently (/S) into a
#     fresh Wine prefix;
#  2. the installed datacenter-setup.exe lays out (and keeps) the databases;
#  3. the installed datacenter2.exe starts (offscreen) and stays;
#  4. the installed datacenter1.exe makes a real backup run against a local
#     FTP service (pyftpdlib on loopback) and ends with 0; what arrived is
#     compared byte for byte with the installed files;
#  5. the installed KOVA_BackUp.exe does the same from edition 2's list,
#     again with TLS required against a service with TLS (everything
#     protected), refuses in Spanish a plain service when TLS is required
#     (nothing of the account travels), and goes passive (PASV) with a service that cannot
#     connect back and refuses EPSV, and ends;
#  6. datacenter2.exe's window under Xvfb with Qt's windows platform plugin
#     (openbox draws its caption), saved as docs/windows-datacenter2.png.
#  7. an upgrade over that install, as an older one left it (a data-center
#     database without the run history's tables, the shop's settings,
#     datacenter2.exe running): nothing lost, tables added, settings kept,
#     programs replaced, access lists set again;
#  8. the uninstaller: programs gone, the shop's data kept and said so; a
#     new install finds the data again.
# The installer is made signed with a throw-away certificate made here, and
# the signatures of the installer, the programs and the uninstaller are
# checked (osslsigncode verify).
# Everything runs in build-win-<ARCH>/try/ (the Wine prefix, the service's
# folder, the certificate); nothing outside is touched.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch="${1:-i686}"
"$here/scripts/install-deps.sh" windows-package >/dev/null
build="$here/build-win-$arch"
try="$build/try"
rm -rf "$try"
mkdir -p "$try"
# A throw-away code-signing certificate, and the installer made signed with it.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$try/firma-key.pem" -out "$try/firma.pem" -days 2 \
  -subj "/CN=KOVA Sistemas (prueba)" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$try/firma-key.pem" -in "$try/firma.pem" -out "$try/firma.p12" -passout pass:prueba
KOVA_SIGN_PKCS12="$try/firma.p12" KOVA_SIGN_PASSWORD=prueba "$here/scripts/windows-package.sh" "$arch"
installer="$build/KOVA-DataCenter-Setup.exe"
export WINEPREFIX="$try/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
if [ "$arch" = x86_64 ]; then wine=/usr/lib/wine/wine64; else wine=/usr/lib/wine/wine; fi
export WINELOADER="$wine"
c="$WINEPREFIX/drive_c"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
step() { echo "== windows-try ($arch): $*"; }
fail() { echo "windows-try: FAILED: $*" >&2; exit 1; }

step "a fresh Wine prefix"
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
timeout 120 "$wine" cmd /c exit </dev/null >/dev/null 2>&1

step "the installer, silently (/S)"
start=$SECONDS
timeout 600 "$wine" "$installer" /S </dev/null >/dev/null 2>&1 || fail "the installer ended with $?"
echo "   installed in $((SECONDS - start)) s:"
for d in KOVA_VazivoZeRurov_2 KOVA_VazivoZeRurov_1 KOVA_PuntoDeVenta_5 KOVA_PuntoDeVenta_4; do
  [ -d "$c/$d" ] || fail "C:\\$d is missing"
  echo "   C:\\$d: $(find "$c/$d" -type f | wc -l) files, $(du -sh "$c/$d" | cut -f1)"
done
[ -f "$c/KOVA_VazivoZeRurov_2/Db/KOVA_VazivoZeRurov.mdb" ] || fail "edition 2's database was not laid out"
echo "   log-in start: $("$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v KOVA_VazivoZeRurov_2 2>/dev/null | tr -d '\r' | grep -o 'C:.*exe' || echo missing)"
ls "$c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/"KOVA Vazivo ze Rurov"/ 2>/dev/null | sed 's/^/   start menu: /'

step "signatures (osslsigncode verify against the throw-away certificate)"
for f in "$installer" "$c/KOVA_VazivoZeRurov_2/datacenter2.exe" "$c/KOVA_VazivoZeRurov_1/datacenter1.exe" \
         "$c/KOVA_VazivoZeRurov_2/Qt6Core.dll" "$c/KOVA_VazivoZeRurov_2/Desinstalar.exe"; do
  osslsigncode verify -CAfile "$try/firma.pem" -in "$f" >/dev/null 2>&1 || fail "$(basename "$f") is not signed"
  echo "   signed: ${f#$c/}"
done

step "datacenter-setup.exe again keeps the databases"
db2="$c/KOVA_VazivoZeRurov_2/Db/KOVA_VazivoZeRurov.mdb"
db1="$c/KOVA_VazivoZeRurov_1/Db/KOVA_VazivoZeRurov.mdb"
sqlite3 "$db2" "update tbl_app_configuracion set Valor = 'tienda_prueba' where Id = 2"
(cd "$c/KOVA_VazivoZeRurov_2" && timeout 120 "$wine" ./datacenter-setup.exe </dev/null 2>&1 | tr -d '\r' | tail -n 2 | sed 's/^/   /')
[ "$(sqlite3 "$db2" "select Valor from tbl_app_configuracion where Id = 2")" = tienda_prueba ] || fail "setup replaced a database"
echo "   the shop's settings row is still there"

step "datacenter2.exe (offscreen) starts and stays"
(cd "$c/KOVA_VazivoZeRurov_2" && WINEQT_QPA_PLATFORM=offscreen WINEQT_LOGGING_RULES="dc.startup.info=true" WINEQT_FORCE_STDERR_LOGGING=1 \
  exec "$wine" ./datacenter2.exe </dev/null >"$try/datacenter2.log" 2>&1) &
dc2=$!
pids+=($dc2)
for _ in $(seq 300); do grep -q 'arranque terminado' "$try/datacenter2.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'arranque terminado' "$try/datacenter2.log" || { cat "$try/datacenter2.log"; fail "datacenter2.exe did not start"; }
sleep 5
kill -0 "$dc2" 2>/dev/null || { cat "$try/datacenter2.log"; fail "datacenter2.exe did not stay"; }
tr -d '\r' <"$try/datacenter2.log" | grep 'dc.startup' | sed 's/^/   /'
echo "   still running 5 s later; ended now"
kill "$dc2" 2>/dev/null || true
"$wine" taskkill /F /IM datacenter2.exe </dev/null >/dev/null 2>&1 || true

# A local FTP service with the backup service's first account.
service="$try/service"
mkdir -p "$service/files/tienda_prueba/Clave2026"
/usr/bin/python3 "$here/tests/support/ftp_server.py" --root "$service/files" \
  --account "respaldo1@kovasistemas.mx" "bqt275" --port-file "$service/port" --stderr "$service/err" --log "$service/log" &
pids+=($!)
for _ in $(seq 100); do [ -f "$service/port" ] && break; sleep 0.1; done
port="$(awk '/^PORT/ {print $2}' "$service/port")"
[ -n "$port" ] || fail "the FTP service did not start"
# What arrived must be an installed file of that name, byte for byte; a
# database the same database (a copy taken with SQLite's online backup differs
# from its source in the header's change counters only).
same() {  # arrived installed
  cmp -s "$1" "$2" && return 0
  [ "$(head -c 15 "$1")" = "SQLite format 3" ] || return 1
  [ "$(sqlite3 "$1" .dump)" = "$(sqlite3 "$2" .dump)" ] && dbs=$((dbs + 1))
}
compare() {
  local day n=0 f cand ok dbs=0
  day="$(find "$service/files/tienda_prueba/Clave2026" -mindepth 1 -maxdepth 1 -type d | sort | tail -n 1)"
  [ -n "$day" ] || fail "nothing arrived"
  while IFS= read -r -d '' f; do
    ok=0
    while IFS= read -r -d '' cand; do
      if same "$f" "$cand"; then ok=1; break; fi
    done < <(find "$c" \( -path "$c/users" -o -path "$c/windows" -o -path "$c/ProgramData" \) -prune -o \
               -type f -name "$(basename "$f")" -print0)
    [ "$ok" = 1 ] || fail "${f#$day/} is not byte-identical to any installed file of that name"
    n=$((n + 1))
  done < <(find "$day" -type f -print0)
  echo "   $n file(s) on the service: $((n - dbs)) byte-identical to the installed one, $dbs database(s) with the same contents (sqlite3 .dump)"
}

step "datacenter1.exe: a real backup run against the local service (127.0.0.1:$port)"
sqlite3 "$db1" "update tbl_app_configuracion set Valor = 'tienda_prueba' where Id = 2; update tbl_app_configuracion set Valor = 'Clave2026' where Id = 3"
# The shop's pictures (a folder of the list): 3 MB of random bytes, a name with an accent.
mkdir -p "$c/KOVA_PuntoDeVenta_4/Imagenes"
head -c 3000000 /dev/urandom >"$c/KOVA_PuntoDeVenta_4/Imagenes/foto_tienda.jpg"
printf 'Precio\tArtículo\n12.50\tAzúcar\n' >"$c/KOVA_PuntoDeVenta_4/Imagenes/lista de precios ñ.txt"
set +e
(cd "$c/KOVA_VazivoZeRurov_1" && WINEQT_QPA_PLATFORM=offscreen timeout 300 "$wine" ./datacenter1.exe --backup-service "127.0.0.1:$port" \
  </dev/null >"$try/datacenter1.log" 2>&1)
status=$?
set -e
tr -d '\r' <"$try/datacenter1.log" | grep -v '^\s*$' | tail -n 3 | sed 's/^/   /'
echo "   datacenter1.exe ended with $status"
[ "$status" = 0 ] || fail "datacenter1.exe ended with $status"
compare

step "KOVA_BackUp.exe: the same from edition 2's list"
rm -rf "$service/files/tienda_prueba/Clave2026"/*
sqlite3 "$db2" "update tbl_app_configuracion set Valor = 'Clave2026' where Id = 3"
set +e
(cd "$c/KOVA_VazivoZeRurov_2/Bandeja_De_Salida" && timeout 300 "$wine" ../KOVA_BackUp.exe --backup-service "127.0.0.1:$port" \
  </dev/null >"$try/backup-tool.log" 2>&1)
status=$?
set -e
tr -d '\r' <"$try/backup-tool.log" | tail -n 2 | sed 's/^/   /'
echo "   KOVA_BackUp.exe ended with $status"
[ "$status" = 0 ] || fail "KOVA_BackUp.exe ended with $status"
compare

step "KOVA_BackUp.exe with TLS required: a service with TLS gets everything protected, a plain one nothing"
sqlite3 "$db2" "update tbl_app_configuracion set Valor = '2' where Id = 14"
/usr/bin/python3 "$here/tests/support/ftp_server.py" --root "$service/files" --tls good --tls-required --certs "$service" \
  --account "respaldo1@kovasistemas.mx" "bqt275" --port-file "$service/port-tls" --stderr "$service/err-tls" --log "$service/log-tls" &
pids+=($!)
for _ in $(seq 100); do [ -f "$service/port-tls" ] && break; sleep 0.1; done
port_tls="$(awk '/^PORT/ {print $2}' "$service/port-tls")"
[ -n "$port_tls" ] || fail "the FTP service with TLS did not start"
rm -rf "$service/files/tienda_prueba/Clave2026"/*
# The service's certificate comes from a test authority: trusted through the
# extra authorities' file (on a shop's PC, Windows's store holds the real ones).
set +e
(cd "$c/KOVA_VazivoZeRurov_2/Bandeja_De_Salida" && KOVA_FTP_CA_ADICIONAL="$("$wine" winepath -w "$service/ca.pem" 2>/dev/null | tr -d '\r')" \
  timeout 300 "$wine" ../KOVA_BackUp.exe --backup-service "127.0.0.1:$port_tls" </dev/null >"$try/backup-tool-tls.log" 2>&1)
status=$?
set -e
tr -d '\r' <"$try/backup-tool-tls.log" | tail -n 2 | sed 's/^/   /'
echo "   KOVA_BackUp.exe ended with $status"
[ "$status" = 0 ] || fail "KOVA_BackUp.exe over TLS ended with $status"
grep -q '^RECEIVED' "$service/log-tls" && ! grep '^RECEIVED' "$service/log-tls" | grep -qv ' TLS$' \
  || fail "a file arrived unprotected"
echo "   every file arrived over a protected data connection"
compare
users=$(grep -c '^USER' "$service/log" || true)
set +e
(cd "$c/KOVA_VazivoZeRurov_2/Bandeja_De_Salida" && timeout 120 "$wine" ../KOVA_BackUp.exe --backup-service "127.0.0.1:$port" \
  </dev/null >"$try/backup-tool-plain.log" 2>&1)
status=$?
set -e
sqlite3 "$db2" "update tbl_app_configuracion set Valor = '1' where Id = 14"
tr -d '\r' <"$try/backup-tool-plain.log" | grep 'respaldo detenido' | sed 's/^/   /'
echo "   against the plain service KOVA_BackUp.exe ended with $status"
[ "$status" = 3 ] && grep -q 'no ofrece conexión segura (TLS)' "$try/backup-tool-plain.log" || fail "KOVA_BackUp.exe did not refuse the plain service"
[ "$(grep -c '^USER' "$service/log" || true)" = "$users" ] || fail "the account reached the plain service"
echo "   the account never reached the plain service"

step "KOVA_BackUp.exe against a service that cannot connect back and knows only PASV: passive mode, and the tool ends"
/usr/bin/python3 "$here/tests/support/ftp_server.py" --root "$service/files" --fault refuse-port,no-epsv \
  --account "respaldo1@kovasistemas.mx" "bqt275" --port-file "$service/port2" --stderr "$service/err2" &
pids+=($!)
for _ in $(seq 100); do [ -f "$service/port2" ] && break; sleep 0.1; done
port2="$(awk '/^PORT/ {print $2}' "$service/port2")"
[ -n "$port2" ] || fail "the second FTP service did not start"
rm -rf "$service/files/tienda_prueba/Clave2026"/*
set +e
(cd "$c/KOVA_VazivoZeRurov_2/Bandeja_De_Salida" && timeout 300 "$wine" ../KOVA_BackUp.exe --backup-service "127.0.0.1:$port2" \
  </dev/null >"$try/backup-tool-passive.log" 2>&1)
status=$?
set -e
tr -d '\r' <"$try/backup-tool-passive.log" | grep -m1 'Modo pasivo' | sed 's/^/   /'
echo "   KOVA_BackUp.exe ended with $status"
[ "$status" = 0 ] || fail "KOVA_BackUp.exe ended with $status"
compare

step "an upgrade over an older install: no run history tables, the shop's settings, datacenter2.exe running"
sqlite3 "$db2" "drop table tbl_app_historial_fallas; drop table tbl_app_historial"
sqlite3 "$db2" "insert into tbl_app_archivos (Ruta, Nombre, Tipo) values ('C:\\KOVA_PuntoDeVenta_4\\', 'ventas.mdb', 1)"
files_before="$(sqlite3 "$db2" "select count(*) from tbl_app_archivos")"
# The older program: the installed one with bytes of its own at its end (a
# program Windows still runs), running while the installer replaces it.
printf 'una version anterior' >>"$c/KOVA_VazivoZeRurov_2/datacenter2.exe"
(cd "$c/KOVA_VazivoZeRurov_2" && WINEQT_QPA_PLATFORM=offscreen exec "$wine" ./datacenter2.exe </dev/null >"$try/datacenter2-old.log" 2>&1) &
pids+=($!)
sleep 8
timeout 600 "$wine" "$installer" /S </dev/null >/dev/null 2>&1 || fail "the upgrade ended with $?"
for table in tbl_app_historial tbl_app_historial_fallas; do
  [ "$(sqlite3 "$db2" "select count(*) from sqlite_master where name = '$table'")" = 1 ] || fail "the upgrade did not add $table"
done
[ "$(sqlite3 "$db2" "select Valor from tbl_app_configuracion where Id = 2")" = tienda_prueba ] || fail "the upgrade lost the shop's settings"
[ "$(sqlite3 "$db2" "select count(*) from tbl_app_archivos")" = "$files_before" ] || fail "the upgrade changed the backup list"
cmp -s "$c/KOVA_VazivoZeRurov_2/datacenter2.exe" "$build/package/KOVA_VazivoZeRurov_2/datacenter2.exe" || fail "datacenter2.exe was not replaced"
echo "   run history tables added, settings and the $files_before entries of the backup list kept, programs replaced"

step "the uninstaller keeps the shop's data and says so; a new install finds it"
timeout 300 "$wine" "$c/KOVA_VazivoZeRurov_2/Desinstalar.exe" /S '_?=C:\KOVA_VazivoZeRurov_2' </dev/null >/dev/null 2>&1 \
  || fail "the uninstaller ended with $?"
[ ! -e "$c/KOVA_VazivoZeRurov_2/datacenter2.exe" ] && [ ! -e "$c/KOVA_VazivoZeRurov_1/datacenter1.exe" ] \
  && [ ! -e "$c/KOVA_VazivoZeRurov_2/Qt6Core.dll" ] || fail "the uninstaller left programs"
[ -f "$db2" ] && [ -f "$db1" ] && [ -d "$c/KOVA_VazivoZeRurov_2/Bandeja_De_Salida" ] || fail "the uninstaller removed the shop's data"
echo "   programs removed; kept: $(cd "$c" && find KOVA_VazivoZeRurov_2 KOVA_VazivoZeRurov_1 -type f | grep -v 'Desinstalar.exe' | wc -l) files of the shop's"
timeout 600 "$wine" "$installer" /S </dev/null >/dev/null 2>&1 || fail "the install after the uninstall ended with $?"
[ "$(sqlite3 "$db2" "select Valor from tbl_app_configuracion where Id = 2")" = tienda_prueba ] || fail "the new install did not find the shop's settings"
[ -f "$c/KOVA_VazivoZeRurov_2/datacenter2.exe" ] || fail "the new install has no datacenter2.exe"
echo "   the new install uses the kept databases (the shop's settings are there)"

step "datacenter2.exe's window under Xvfb (windows platform plugin)"
out="$here/docs/windows-datacenter2.png"
DC2_DIR="$c/KOVA_VazivoZeRurov_2" OUT="$out" WINE="$wine" timeout 180 xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  # A notification area (trayer) at the bottom right; datacenter2 starts in it, hidden.
  trayer --edge bottom --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
  sleep 2
  (cd "$DC2_DIR" && exec "$WINE" ./datacenter2.exe >/dev/null 2>&1) &
  wide() { xdotool search --class trayer 2>/dev/null | while read -r w; do
             eval "$(xdotool getwindowgeometry --shell "$w")"; [ "$WIDTH" -gt 10 ] && echo "$w"; done | head -n 1; }
  for _ in $(seq 60); do sleep 0.5; tray=$(wide); [ -n "$tray" ] && break; done
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  # The icon'"'"'s menu: "Abrir Aplicación" is its first entry (again while
  # the icon is still on its way).
  win=""
  for _ in $(seq 10); do
    sleep 2
    xdotool mousemove $((X + 11)) $((Y + 12)) click 3
    sleep 1.5
    xdotool key Down Return
    sleep 2
    win=$(xdotool search --onlyvisible --name "KOVA Vazivo ze Rurov" | head -n 1)
    [ -n "$win" ] && break
  done
  [ -n "$win" ] || exit 1
  eval "$(xdotool getwindowgeometry --shell "$win")"
  # "Respaldos Automáticos", then its "Configuración": the backup panel.
  xdotool mousemove $((X + 88)) $((Y + 15)) click 1
  sleep 1.5
  xdotool mousemove $((X + 80)) $((Y + 50)) click 1
  sleep 1
  # A window manager that draws the caption, started only now (Wine puts no
  # icon in the notification area while one runs, and the first click on a
  # window it manages only activates it).
  openbox >/dev/null 2>&1 &
  sleep 2
  xdotool windowactivate "$win" 2>/dev/null || true
  sleep 1
  import -window "$win" -frame "$OUT"
' || fail "no screenshot"
echo "   $out"
step "all done"
