#!/usr/bin/env python3
"""Runs extio-host against the test plug-ins and checks what it reports and writes.

usage: check_host_run.py --host EXE --plugin MINIMAL --extended-plugin EXTENDED --workdir DIR [--emulator SCRIPT]
"""
import argparse
import math
import os
import re
import struct
import subprocess
import sys
import zlib

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(args, command):
    prefix = [args.emulator] if args.emulator else []
    result = subprocess.run(prefix + [args.host] + command, cwd=args.workdir, capture_output=True, text=True,
                            timeout=120)
    return result.returncode, result.stdout, result.stderr


def summary_value(stdout, label):
    match = re.search(r"^" + re.escape(label) + r"\s*: (.*)$", stdout, re.MULTILINE)
    return match.group(1).strip() if match else None


def check_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    if not check(len(data) >= 58, "WAV shorter than its header"):
        return
    riff, riff_size, wave = struct.unpack_from("<4sI4s", data, 0)
    check(riff == b"RIFF" and wave == b"WAVE", "WAV: no RIFF/WAVE")
    check(riff_size == len(data) - 8, "WAV: RIFF size %d, file %d" % (riff_size, len(data)))
    fmt, fmt_size, tag, channels, rate, byte_rate, align, bits, extension = struct.unpack_from("<4sIHHIIHHH", data, 12)
    check((fmt, fmt_size, tag, channels, rate, byte_rate, align, bits, extension) ==
          (b"fmt ", 18, 3, 2, 96000, 768000, 8, 32, 0), "WAV: fmt chunk %r" % ((fmt, tag, channels, rate),))
    fact, fact_size, frames = struct.unpack_from("<4sII", data, 38)
    chunk, data_size = struct.unpack_from("<4sI", data, 50)
    check(fact == b"fact" and fact_size == 4, "WAV: no fact chunk")
    check(chunk == b"data" and data_size == frames * 8 == len(data) - 58, "WAV: data size %d, frames %d" % (data_size, frames))
    check(frames >= 96000, "WAV: only %d frames of a 2 s run" % frames)
    i0, q0 = struct.unpack_from("<ff", data, 58)
    # Both carriers start at phase 0: 0.5 + 0.05 on I, nothing on Q.
    check(abs(i0 - 0.55) < 0.001 and abs(q0) < 0.001, "WAV: first frame %f, %f" % (i0, q0))


def read_png(path):
    """Checks an 8-bit RGB PNG's structure; returns (width, height, rows of (r, g, b) tuples) or None."""
    with open(path, "rb") as f:
        data = f.read()
    if not check(data[:8] == b"\x89PNG\r\n\x1a\n", "PNG %s: signature" % path):
        return None
    at, chunks = 8, {}
    while at + 12 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length)
        check(zlib.crc32(kind + body) == crc, "PNG: CRC of %s" % kind)
        chunks.setdefault(kind, b"")
        chunks[kind] += body
        at += 12 + length
    check(at == len(data) and b"IEND" in chunks, "PNG: does not end with IEND")
    width, height, depth, colour = struct.unpack_from(">IIBB", chunks.get(b"IHDR", b"\0" * 13), 0)
    if not check(depth == 8 and colour == 2, "PNG: not 8-bit RGB"):
        return None
    pixels = zlib.decompress(chunks.get(b"IDAT", b""))
    stride = 1 + 3 * width
    if not check(len(pixels) == height * stride, "PNG: %d bytes of image data for %dx%d" % (len(pixels), width, height)):
        return None
    check(all(pixels[y * stride] == 0 for y in range(height)), "PNG: a row with a filter")
    rows = [[tuple(pixels[y * stride + 1 + 3 * x:y * stride + 4 + 3 * x]) for x in range(width)] for y in range(height)]
    return width, height, rows


def check_png(path):
    read_png(path)


def level_dbfs(stdout):
    match = re.match(r"(-?[\d.]+) dBFS RMS", summary_value(stdout, "level") or "")
    return float(match.group(1)) if match else None


def check_full_scale(args):
    # The fixture's carriers of amplitude 0.5 and 0.05 against a full scale of 2: 6.02 dB lower.
    expected = 10 * math.log10(0.25 + 0.0025) - 20 * math.log10(2)
    status, out, err = run(args, ["--plugin", args.plugin, "--seconds", "1.5", "--full-scale", "2"])
    check(status == 0, "full-scale run exited with %d" % status)
    check(summary_value(out, "full scale") == "2 (the sample value that reads 0 dBFS)",
          "full scale line %r" % summary_value(out, "full scale"))
    level = level_dbfs(out)
    check(level is not None and abs(level - expected) < 0.3, "level against full scale 2: %r" % level)
    check("peak sample 0.2750 of full scale" in (summary_value(out, "level") or ""),
          "peak sample against full scale 2: %r" % summary_value(out, "level"))
    peak = re.search(r"^peak 1\s*: ([\d.]+) Hz \(LO [-+][\d.]+ Hz\) (-?[\d.]+) dBFS", out, re.MULTILINE)
    check(peak is not None and abs(float(peak.group(2)) + 12.04) < 1, "strongest peak against full scale 2: %r" %
          (peak and peak.group(2)))
    progress = re.search(r"^\s*1\.\d s .* last block (-?[\d.]+) dBFS", err, re.MULTILINE)
    check(progress is not None and abs(float(progress.group(1)) - expected) < 0.5,
          "progress level against full scale 2: %r" % (progress and progress.group(1)))

    for bad in ("0", "-3", "inf", "lots"):
        status, out, err = run(args, ["--plugin", args.plugin, "--full-scale", bad])
        check(status == 2 and "--full-scale: '%s' is not a positive finite number" % bad in err and out == "",
              "--full-scale %s: exit %d, stderr %r" % (bad, status, err))


def notifications(stdout):
    return re.findall(r"^\s+[\d.]+ s  (.+?)\s+wParam=(-?\d+)\s+lParam=", stdout, re.MULTILINE)


def check_extended(args):
    plugin = args.extended_plugin
    status, out, err = run(args, ["--plugin", plugin, "--extended", "--mode", "2", "--att-toggle", "--dither", "on",
                                  "--offset", "-12", "--seconds", "1.5"])
    sys.stdout.write(out)
    sys.stdout.write(err)
    check(status == 0, "extended run exited with %d" % status)
    check(summary_value(out, "extended calls") == "used", "extended calls line")
    check(summary_value(out, "optional calls") == "VersionInfo, ExtIoGetSrates, ExtIoGetActualSrateIdx, "
          "ExtIoSetSrate, GetAttenuators, GetActualAttIdx, SetAttenuator", "optional calls line")
    check(summary_value(out, "sample rates") == "0: 48000, 1: 96000, *2: 192000, 3: 384000, 4: 768000 Hz (* in use)",
          "sample rates line: %r" % summary_value(out, "sample rates"))
    check(summary_value(out, "status calls") == "100 x1", "status 100 not seen once")
    rate = re.match(r"(\d+) Hz nominal, ([\d.]+) Hz measured", summary_value(out, "sample rate") or "")
    if check(rate is not None, "extended: sample rate line"):
        check(rate.group(1) == "192000", "the rate of mode 2 was not taken from GetHWSR after status 100")
        check(abs(float(rate.group(2)) - 192000) < 19200, "extended: measured rate %s" % rate.group(2))
    thirds = re.search(r"attenuator off / on / off: ([-+][\d.]+) dB, then ([-+][\d.]+) dB",
                       summary_value(out, "level by third") or "")
    if check(thirds is not None, "no level by third"):
        check(abs(float(thirds.group(1)) + 21) < 1 and abs(float(thirds.group(2)) - 21) < 1,
              "attenuator steps %s, %s" % thirds.groups())
    check(summary_value(out, "settings") ==
          "attenuator off, dither on, noise blanker off, sample mode 2, level offset -12 dB", "settings line")
    check(notifications(out) == [("sample mode", "2"), ("attenuator", "0"), ("dither", "1"), ("level offset", "-12"),
                                 ("attenuator", "1"), ("attenuator", "0")],
          "notifications %r" % notifications(out))
    peaks = re.findall(r"^peak 1\s*: ([\d.]+) Hz", out, re.MULTILINE)
    check(peaks and abs(float(peaks[0]) - 7062000) < 6, "extended: strongest peak %r" % peaks)

    status, out, err = run(args, ["--plugin", plugin, "--rate-index", "0", "--att-index", "1", "--seconds", "0.5"])
    sys.stdout.write(out)
    check(status == 0, "optional-call run exited with %d" % status)
    check(summary_value(out, "extended calls") == "not used" and notifications(out) == [], "extended calls made")
    check((summary_value(out, "sample rate") or "").startswith("48000 Hz nominal"), "rate index 0 not in use")
    check(summary_value(out, "attenuators") == "0: 0.0, *1: -21.0 dB (* in use)", "attenuator index 1 not in use")
    level = re.match(r"(-?[\d.]+) dBFS RMS", summary_value(out, "level") or "")
    check(level is not None and abs(float(level.group(1)) + 26.98) < 0.3, "level with 21 dB attenuation %r" %
          (level and level.group(1)))

    status, out, err = run(args, ["--plugin", plugin, "--rate-index", "7"])
    check(status == 4 and "--rate-index 7: the plug-in offers 5 sample rates" in err,
          "rate index out of range: exit %d, stderr %r" % (status, err))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--extended-plugin", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--emulator")
    args = parser.parse_args()

    wav, png = "host_run_check.wav", "host_run_check.png"
    for name in (wav, png):
        if os.path.exists(os.path.join(args.workdir, name)):
            os.remove(os.path.join(args.workdir, name))

    status, out, err = run(args, ["--plugin", args.plugin, "--seconds", "2", "--freq", "7050000",
                                  "--wav", wav, "--plot", png])
    sys.stdout.write(out)
    sys.stdout.write(err)
    check(status == 0, "run against the plug-in exited with %d" % status)
    check(summary_value(out, "plug-in") == "Minimal, model Tone, hardware type 7 (32-bit float I/Q)",
          "plug-in line: %r" % summary_value(out, "plug-in"))
    check(summary_value(out, "optional calls") == "none", "optional calls line")
    check(summary_value(out, "extended calls") == "not used", "extended calls line")
    check(summary_value(out, "LO frequency") == "7050000 Hz", "LO line")
    check(summary_value(out, "block size") == "2048 I/Q pairs (StartHW)", "block size line")
    rate = re.match(r"(\d+) Hz nominal, ([\d.]+) Hz measured", summary_value(out, "sample rate") or "")
    if check(rate is not None, "sample rate line"):
        check(rate.group(1) == "96000", "nominal rate %s" % rate.group(1))
        check(abs(float(rate.group(2)) - 96000) < 9600, "measured rate %s" % rate.group(2))
    received = re.match(r"(\d+) blocks, (\d+) values", summary_value(out, "received") or "")
    if check(received is not None, "received line"):
        check(int(received.group(1)) >= 50, "only %s blocks in 2 s" % received.group(1))
        check(int(received.group(2)) == 4096 * int(received.group(1)), "values are not 4096 per block")
    level = re.match(r"(-?[\d.]+) dBFS RMS", summary_value(out, "level") or "")
    if check(level is not None, "level line"):
        check(abs(float(level.group(1)) - 10 * math.log10(0.25 + 0.0025)) < 0.3,
              "level %s" % level.group(1))
    peaks = [tuple(map(float, m)) for m in re.findall(r"^peak \d+\s*: ([\d.]+) Hz \(LO [-+][\d.]+ Hz\) (-?[\d.]+) dBFS",
                                                        out, re.MULTILINE)]
    check(len(peaks) >= 2, "fewer than two peaks listed")
    if peaks:
        check(abs(peaks[0][0] - 7062000) < 6 and abs(peaks[0][1] + 6.02) < 1, "strongest peak %r" % (peaks[0],))
    check(any(abs(f - 7030000) < 6 and abs(db + 26.02) < 1 for f, db in peaks), "no peak at 7.030 MHz")
    check(re.search(r"^\s*1\.\d s\s+\d+ blocks", err, re.MULTILINE) is not None, "no progress line after 1 s")
    if check(os.path.exists(os.path.join(args.workdir, wav)), "no WAV written"):
        check_wav(os.path.join(args.workdir, wav))
    if check(os.path.exists(os.path.join(args.workdir, png)), "no PNG written"):
        check_png(os.path.join(args.workdir, png))

    status, out, err = run(args, ["--plugin", "no_such_plugin.dll", "--seconds", "1"])
    check(status == 3 and "cannot load plug-in 'no_such_plugin.dll'" in err,
          "missing plug-in: exit %d, stderr %r" % (status, err))
    check(out == "", "missing plug-in printed a summary")

    status, out, err = run(args, ["--plugin", args.plugin, "--extended", "--seconds", "1"])
    check(status == 3 and "--extended: the plug-in lacks InitExtIOPara" in err,
          "--extended without extended exports: exit %d, stderr %r" % (status, err))

    status, out, err = run(args, ["--plugin", args.plugin, "--seconds", "0"])
    check(status == 2 and "--seconds: 0 is outside" in err, "bad argument: exit %d, stderr %r" % (status, err))

    if not args.emulator:
        status, out, err = run(args, ["--plugin", args.plugin, "--screenshot", "host_run_panel.png"])
        check(status == 2 and "--screenshot needs the Windows build" in err and out == "",
              "native --screenshot: exit %d, stderr %r" % (status, err))
        check(not os.path.exists(os.path.join(args.workdir, "host_run_panel.png")), "native --screenshot wrote a file")

    check_full_scale(args)
    check_extended(args)

    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
