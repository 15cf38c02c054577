#!/usr/bin/env bash
# Two plug-ins' DDC1 handler against memcpy, measured alternately in one
# sitting under Wine: ddc1-handler-figures and the simulator from BUILD/bin,
# the plug-in (ExtIO_Excalibur.dll) from each FOLDER in turn.
#
#   compare.sh BUILD FOLDER_A FOLDER_B [RUNS [BLOCKS]]     defaults: 5 runs, 10000 blocks
#
# e.g. bench/ddc1-handler-figures/compare.sh build/win32 /path/to/old/dll/folder build/win32/bin
# Prints each run's line and, per folder, the medians over the runs. Uses
# $WINEPREFIX if set, else BUILD/wineprefix-bench; starts its own Xvfb unless
# DISPLAY is set. One run by hand, in such a session:
#   wine BUILD/bin/ddc1-handler-figures.exe [FOLDER [BLOCKS]]
set -euo pipefail
[ $# -ge 3 ] || { sed -n '2,13p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd)
folders=("$(cd "$2" && pwd)" "$(cd "$3" && pwd)")
runs=${4:-5}
blocks=${5:-10000}
harness="$build/bin/ddc1-handler-figures.exe"
[ -f "$harness" ] || { echo "no $harness: build the target ddc1-handler-figures" >&2; exit 1; }
for folder in "${folders[@]}"; do
    [ -f "$folder/ExtIO_Excalibur.dll" ] || { echo "no ExtIO_Excalibur.dll in $folder" >&2; exit 1; }
done

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A prefix of our own gets a persistent wineserver, so that no run pays for
# Wine's start-up, and is shut down at the end; a given one is left alone.
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$build/wineprefix-bench"
    own_prefix=1
fi
xvfb_pid=
results=
stop_session() {
    [ -n "$own_prefix" ] && { wineserver -k >/dev/null 2>&1 || true; }
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$results" ] && rm -f "$results" || true
}
trap stop_session EXIT
if [ -z "${DISPLAY:-}" ]; then
    n=150
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    # Wine must not start before the display listens.
    for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi
if [ -n "$own_prefix" ]; then
    mkdir -p "$WINEPREFIX"
    wineserver -p
    wineboot $([ -f "$WINEPREFIX/system.reg" ] || echo -i) >/dev/null 2>&1 || true
fi

# The plug-in keeps its settings file in the working folder.
cd "$build"
results=$(mktemp)
echo "1: ${folders[0]}"
echo "2: ${folders[1]}"
for run in $(seq "$runs"); do
    for i in 0 1; do
        line=$(wine "$harness" "$(winepath -w "${folders[$i]}")" "$blocks" | tr -d '\r')
        echo "$((i + 1)) run $run: $line"
        echo "$i $line" >>"$results"
    done
done
for i in 0 1; do
    awk -v which="$i" -v name="${folders[$i]}" '
        function median(v, n,   i, j, t) {
            for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        # "handler median H ns, memcpy median M ns, ratio R ..."
        $1 == which { n++; h[n] = $4 + 0; m[n] = $8 + 0; r[n] = $11 + 0 }
        END {
            printf "%d %s: median of %d runs: handler %.1f ns, memcpy %.1f ns, ratio %.4f\n",
                which + 1, name, n, median(h, n), median(m, n), median(r, n)
        }' "$results"
done
