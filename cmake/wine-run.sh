#!/usr/bin/env bash
# Runs one Windows test executable under Wine for CTest: a prefix inside the
# build folder, no Wine debug chatter, and the display the test run started.
#
# The output goes through files, not straight to CTest's pipes: a Wine
# process may start Wine's own long-lived processes (services, the desktop),
# which inherit its standard error and would hold CTest's pipe open, so that
# CTest waits for the end of the output long after the test has ended.
set -e
exe=$1; shift
build=${EXCALIBUR_BUILD_DIR:-$(cd "$(dirname "$exe")" && pwd)}
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ]; do build=$(dirname "$build"); done
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
wine=(wine)
[ -n "${DISPLAY:-}" ] || wine=(xvfb-run -a wine)
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
"${wine[@]}" "$exe" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit $status
