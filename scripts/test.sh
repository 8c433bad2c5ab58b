#!/usr/bin/env bash
# Sets everything up and runs the whole test suite.
#   scripts/test.sh              build/ and its tests
#   scripts/test.sh --strict     the same with compiler warnings as errors (CI)
#   scripts/test.sh --sanitize   build-asan/: AddressSanitizer and UndefinedBehaviorSanitizer,
#                                failing on any report, also of the programs the tests start
#   --without-variants           leaves out the cases run again through ODBC (odbc.) and
#                                over TLS (tls.): CI runs them in its strict pass only
#   --interop                    only the interop tests (ctest label "interop"): the programs
#                                against Debian's vsftpd, proftpd and pure-ftpd, which they
#                                start on loopback (installs them: install-deps.sh interop;
#                                the servers need root). Without it the suite leaves them out.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$here/build"
werror=OFF
sanitize=0
interop=0
exclude=()
for arg in "$@"; do
  case "$arg" in
    --strict) werror=ON ;;
    --sanitize) sanitize=1; dir="$here/build-asan"; werror=ON ;;
    --without-variants) exclude=(-E '^(odbc|tls)\.') ;;
    --interop) interop=1 ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
labels=(-LE interop)
profile=test
if [ "$interop" = 1 ]; then labels=(-L interop); profile=interop; fi
"$here/scripts/install-deps.sh" "$profile"
"$here/scripts/build.sh" "$dir" -DDC_WERROR=$werror -DDC_SANITIZE=$([ $sanitize = 1 ] && echo ON || echo OFF)
cd "$dir"
if [ "$sanitize" = 1 ]; then
  # Every instrumented process, the programs and tools that tests start
  # included, writes its reports here; any report fails the run.
  reports="$dir/sanitizer-reports"
  rm -rf "$reports" && mkdir -p "$reports"
  export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
  status=0
  ctest --output-on-failure -j"$(nproc)" "${labels[@]}" "${exclude[@]}" || status=$?
  if compgen -G "$reports/*" >/dev/null; then
    echo "== sanitizer reports:" >&2
    for f in "$reports"/*; do echo "--- $f" >&2; head -c 20000 "$f" >&2; done
    exit 1
  fi
  exit "$status"
fi
ctest --output-on-failure -j"$(nproc)" "${labels[@]}" "${exclude[@]}"
