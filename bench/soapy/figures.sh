#!/usr/bin/env bash
# The SoapySDR module's figures for docs/soapy.md, from build/native:
# readStream and direct access per block against memcpy; CPU per second of
# stream at 1 MHz, locally and through SoapyRemote (server and client, the
# wire in CF32 and in CS16, with the loopback traffic), beside the
# simulator's own; the longest stretch without overflow while two busy loops
# load the machine. Needs root for the SoapyRemote part (a network namespace).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/native/bin"
export SOAPY_SDR_PLUGIN_PATH="$root/build/native/soapy"
simulator="$bin/G31DDCAPI.so"
seconds=${SECONDS_PER_RUN:-10}

echo "== readStream's work per 4096-pair block (copy, direct access) against memcpy"
"$bin/soapy-read-benchmark" --benchmark_min_time=0.1 --benchmark_repetitions=7 --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E 'median'

echo "== the simulator alone, 1 MHz (its own CPU)"
/usr/bin/time -f "simulator alone : %U s user, %S s system in %e s" "$bin/simulator-pace" 16 "$seconds" 2>&1 | tail -n 2

echo "== local: module and simulator in one process"
"$bin/soapy-stream-figures" "driver=excalibur,library=$simulator" "$seconds"

# remote LABEL [STREAM-ARGS]: the client reads CF32 through SoapyRemote; the
# wire carries the client's format unless remote:format says otherwise.
remote() {
    local label=$1 ticks bytes
    shift
    echo "== through SoapyRemote on loopback, $label"
    ticks=$(mktemp)
    bytes=$(mktemp)
    REMOTE_LOOPBACK_SERVER_CPU="$ticks" REMOTE_LOOPBACK_BYTES="$bytes" "$root/soapy/scripts/remote-loopback.sh" \
        "$bin/soapy-stream-figures" "driver=remote,remote={url},remote:driver=excalibur,library=$simulator" \
        "$seconds" "$@" 2>/dev/null
    awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        '{printf "CPU, server     : %.1f ms per second of stream (with its simulator; whole run)\n", 1000 * $1 / hz / s}' \
        "$ticks"
    awk -v s="$seconds" '{printf "loopback        : %.0f kB/s (all bytes through lo while the client ran)\n", $1 / 1000 / s}' \
        "$bytes"
    rm -f "$ticks" "$bytes"
}
remote "wire format CF32 (the client's)"
remote "wire format CS16" "remote:format=CS16"

echo "== local, with two busy loops loading both cores"
load=()
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    load+=($!)
done
trap 'kill "${load[@]}" 2>/dev/null || true' EXIT
"$bin/soapy-stream-figures" "driver=excalibur,library=$simulator" "${LOADED_SECONDS:-60}"
kill "${load[@]}"
