#!/usr/bin/python3
"""Debian's rtl_433 reads the receiver through the module (SoapySDR, CS16)
at its default rate, 250 kHz, for two seconds and writes what it got to a
.cs16 file. It takes the rate without a warning, and the file, read at that
rate, holds the scene's 7.04 MHz reference carrier within 100 Hz at
-30 +- 1.5 dBFS: at any other rate the carrier would be elsewhere.
Needs SOAPY_SDR_PLUGIN_PATH and EXCALIBUR_SIMULATOR."""

import os
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "soapy", "scripts"))
import capture  # noqa: E402

RATE = 250000  # rtl_433's own; it does not read the rate back
TUNED = 7050000
CARRIER = 7040000.0


def main():
    with tempfile.TemporaryDirectory(prefix="rtl433-") as work:
        path = os.path.join(work, "capture.cs16")
        command = ["rtl_433", "-d", f"driver=excalibur,library={os.environ['EXCALIBUR_SIMULATOR']}",
                   "-f", str(TUNED), "-R", "0", "-T", "2", "-w", path]
        print("$ " + " ".join(command))
        result = subprocess.run(command, cwd=work, capture_output=True, text=True, timeout=60)
        output = (result.stdout + result.stderr).strip()
        print(output)
        values = np.fromfile(path, dtype=np.int16) if os.path.exists(path) else np.zeros(0, np.int16)
    pairs = len(values) // 2
    print(f"capture: {pairs} CS16 pairs ({pairs / RATE:.2f} s at {RATE} Hz)")
    if pairs < 2 * capture.FFT_SIZE:
        print("FAILED: the capture is too short")
        return 1
    samples = (values[0::2].astype(np.float64) + 1j * values[1::2].astype(np.float64)) / 32768.0
    middle = samples[pairs // 2: pairs // 2 + capture.FFT_SIZE]
    freq, level = capture.strongest_peaks(middle, RATE, TUNED, 1)[0]
    print(f"peak: {freq:.1f} Hz ({freq - CARRIER:+.1f} Hz from {CARRIER:.0f}), {level:.2f} dBFS")
    failures = []
    if "Failed to set sample rate" in output:
        failures.append("rtl_433 could not set its rate")
    if abs(freq - CARRIER) > 100:
        failures.append(f"the peak is not within 100 Hz of {CARRIER:.0f} Hz")
    if abs(level + 30.0) > 1.5:
        failures.append("the peak is not at -30 +- 1.5 dBFS")
    if failures:
        print("FAILED: " + "; ".join(failures))
        return 1
    print("rtl_433: the carrier is there")
    return 0


if __name__ == "__main__":
    sys.exit(main())
