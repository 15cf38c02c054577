#!/usr/bin/env bash
# Runs one Windows test executable under Wine for CTest: a prefix inside the
# build folder, no Wine debug chatter, and the display the test run started.
set -e
exe=$1; shift
build=${EXCALIBUR_BUILD_DIR:-$(cd "$(dirname "$exe")" && pwd)}
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ]; do build=$(dirname "$build"); done
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a wine "$exe" "$@"
fi
exec wine "$exe" "$@"
