#!/usr/bin/python3
"""Captures from a SoapySDR device and summarises what came: rate, level and
the strongest spectral peaks at absolute frequencies. With --check it fails
unless every sample came without an overflow and the expected peak is there."""

import argparse
import sys
import time

import numpy as np
import SoapySDR
from SoapySDR import SOAPY_SDR_CF32, SOAPY_SDR_OVERFLOW, SOAPY_SDR_RX, SOAPY_SDR_TIMEOUT

FFT_SIZE = 65536


def parse_args(text):
    return dict(item.split("=", 1) for item in text.split(",") if item)


class Capture:
    """Samples read in order, with what readStream said besides."""

    def __init__(self):
        self.samples = []
        self.count = 0
        self.overflows = 0
        self.timeouts = 0
        self.errors = 0
        self.seconds = 0.0

    def joined(self):
        return np.concatenate(self.samples) if self.samples else np.zeros(0, np.complex64)


def read(device, stream, pairs, keep=FFT_SIZE * 4, timeout_us=500000):
    """Reads `pairs` pairs; keeps the first `keep` of them."""
    buffer = np.empty(device.getStreamMTU(stream), np.complex64)
    capture = Capture()
    kept = 0
    start = time.monotonic()
    while capture.count < pairs and capture.timeouts < 4 and capture.errors == 0:
        result = device.readStream(stream, [buffer], len(buffer), timeoutUs=timeout_us)
        if result.ret == SOAPY_SDR_OVERFLOW:
            capture.overflows += 1
        elif result.ret == SOAPY_SDR_TIMEOUT:
            capture.timeouts += 1
        elif result.ret < 0:
            capture.errors += 1
        else:
            if kept < keep:
                capture.samples.append(buffer[: min(result.ret, keep - kept)].copy())
                kept += len(capture.samples[-1])
            capture.count += result.ret
    capture.seconds = time.monotonic() - start
    return capture


def spectrum(samples, rate, center):
    """Frequencies and levels in dBFS: a tone of amplitude A reads 20 log10 A."""
    samples = samples[:FFT_SIZE]
    window = np.blackman(len(samples))
    levels = np.fft.fftshift(np.fft.fft(samples * window)) / window.sum()
    freqs = center + np.fft.fftshift(np.fft.fftfreq(len(samples), 1.0 / rate))
    return freqs, 20 * np.log10(np.abs(levels) + 1e-20)


def strongest_peaks(samples, rate, center, count=5):
    """The strongest local maxima, at least rate/200 apart."""
    freqs, levels = spectrum(samples, rate, center)
    apart = max(1, len(levels) // 200)
    peaks = []
    for index in np.argsort(levels)[::-1]:
        if all(abs(index - other) > apart for other in peaks):
            peaks.append(index)
        if len(peaks) == count:
            break
    return [(float(freqs[i]), float(levels[i])) for i in peaks]


def level_dbfs(samples):
    return 10 * np.log10(np.mean(np.abs(samples) ** 2) + 1e-30)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--args", required=True, help="device arguments, key=value,...")
    parser.add_argument("--freq", type=float, default=7050000)
    parser.add_argument("--rate", type=float, default=200000)
    parser.add_argument("--seconds", type=float, default=2)
    parser.add_argument("--check-peak", type=float, help="fail unless the strongest peak is here (Hz)")
    parser.add_argument("--label", default="capture")
    options = parser.parse_args()

    device = SoapySDR.Device(parse_args(options.args))
    device.setFrequency(SOAPY_SDR_RX, 0, options.freq)
    device.setSampleRate(SOAPY_SDR_RX, 0, options.rate)
    stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, [0])
    device.activateStream(stream)
    wanted = int(options.rate * options.seconds)
    capture = read(device, stream, wanted)
    device.deactivateStream(stream)
    device.closeStream(stream)
    hardware = device.getHardwareKey()
    del device

    samples = capture.joined()
    peaks = strongest_peaks(samples, options.rate, options.freq) if len(samples) >= FFT_SIZE else []
    print(f"{options.label:<16}: {hardware} through {options.args}")
    print(f"{'':<16}  {options.freq:.0f} Hz, {options.rate:.0f} Hz nominal, "
          f"{capture.count / capture.seconds:.1f} Hz measured")
    print(f"{'':<16}  {capture.count} of {wanted} I/Q pairs in {capture.seconds:.2f} s; "
          f"overflows {capture.overflows}, timeouts {capture.timeouts}, errors {capture.errors}")
    if len(samples):
        print(f"{'':<16}  level {level_dbfs(samples):.2f} dBFS RMS")
    for number, (freq, level) in enumerate(peaks, 1):
        print(f"{'':<16}  peak {number}: {freq:.1f} Hz (LO {freq - options.freq:+.1f} Hz) {level:.1f} dBFS")

    if options.check_peak is not None:
        bin_width = options.rate / FFT_SIZE
        failures = []
        if capture.count < wanted or capture.overflows or capture.timeouts or capture.errors:
            failures.append("not every sample came")
        if not peaks or abs(peaks[0][0] - options.check_peak) > 2 * bin_width:
            failures.append(f"strongest peak not at {options.check_peak:.0f} Hz")
        if failures:
            print("FAILED: " + "; ".join(failures))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
