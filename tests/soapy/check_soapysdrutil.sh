#!/usr/bin/env bash
# check_soapysdrutil.sh [REPORTS]: Debian's SoapySDRUtil finds and probes the
# module's device over the simulator, and measures the stream at 1 MHz for
# REPORTS (default 1) of its 5 s reports: within 1 %, no overflow.
# Needs SOAPY_SDR_PLUGIN_PATH and EXCALIBUR_SIMULATOR.
set -euo pipefail
args="driver=excalibur,library=$EXCALIBUR_SIMULATOR"
wanted_reports=${1:-1}
failures=0
expect() {  # expect WHAT TEXT FILE
    if ! grep -qF -- "$2" "$3"; then
        echo "FAILED: $1: no \"$2\""
        failures=$((failures + 1))
    fi
}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

SoapySDRUtil --find="$args" >"$out" 2>&1
expect "find" "label = WiNRADiO WR-G31DDC" "$out"
SoapySDRUtil --find="driver=excalibur,library=/nonexistent/libg31ddcapi.so" >"$out" 2>&1 || true
expect "find without a driver library" "No devices found" "$out"
SoapySDRUtil --make="driver=excalibur,library=/nonexistent/libg31ddcapi.so" >"$out" 2>&1 || true
expect "make without a driver library" "cannot load the driver library /nonexistent/libg31ddcapi.so" "$out"

SoapySDRUtil --probe="$args" >"$out" 2>&1
sed -n '/Device identification/,$p' "$out"
expect "probe" "model=WR-G31DDC" "$out"
expect "probe" "Channels: 1 Rx, 0 Tx" "$out"
expect "probe" "Stream formats: CS32, CF32, CS16" "$out"
expect "probe" "Native format: CS32 [full-scale=2.14748e+09]" "$out"
expect "probe" "Antennas: RX" "$out"
expect "probe" "ATT gain range: [-21, 0, 21] dB" "$out"
expect "probe" "RF freq range: [1e-05, 50] MHz" "$out"
expect "probe" "Sample rates: 0.02, 0.032, 0.04, 0.05, 0.064, ..., 0.4, 0.5, 0.64, 0.8, 1 MSps" "$out"
expect "probe" "[key=dither, default=false, type=bool]" "$out"
expect "probe" "[key=noise_blanker, default=false, type=bool]" "$out"
expect "probe" "[key=mw_filter, default=false, type=bool]" "$out"
expect "probe" "Timestamps: YES" "$out"
expect "probe" "[key=buffers, units=blocks, default=128, type=int, range=[2, 4096, 1]]" "$out"
expect "probe" "Filter bandwidths: 0.16 MHz" "$out"

# The tool reports every 5 s the rate since its start, and overflows if any.
timeout -s INT $((5 * wanted_reports + 1)) SoapySDRUtil --args="$args" --rate=1e6 --direction=RX >"$out" 2>&1 || true
reports=$(tr '\r\b' '\n\n' <"$out" | grep -E '^ ?[0-9.e+-]+ Msps' || true)
echo "rate reports:"
echo "$reports"
if [ "$(echo "$reports" | grep -c Msps)" -lt "$wanted_reports" ]; then
    echo "FAILED: rate: fewer than $wanted_reports reports in $((5 * wanted_reports + 1)) s"
    failures=$((failures + 1))
elif ! echo "$reports" | tail -n 1 | awk '{ exit !($1 >= 0.99 && $1 <= 1.01) }'; then
    echo "FAILED: rate: not within 1 % of 1 Msps"
    failures=$((failures + 1))
fi
if grep -q Overflows "$out"; then
    echo "FAILED: rate: overflows"
    failures=$((failures + 1))
fi
[ $failures -eq 0 ] && echo "SoapySDRUtil: all checks passed"
exit $((failures != 0))
