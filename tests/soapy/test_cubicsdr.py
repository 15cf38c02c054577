#!/usr/bin/python3
"""CubicSDR 0.2.7's start-up replayed through the Python bindings: the
queries of its device window, with the other channel queries, for both
directions; its SDR thread's start in CubicSDR's order (stream, rate,
frequency, settings, setAntenna(RX, 0, "")); its main window once streaming,
which asks for the transmit antennas too; then a few reads.
CubicSDR catches no exception from any of them. Every call must answer, the
transmit direction's as SoapySDR's Device base does (empty, 0, false), with
no warning in the log, and the reads must all come (the samples themselves
are the other Soapy tests' subject).
Needs SOAPY_SDR_PLUGIN_PATH and EXCALIBUR_SIMULATOR."""

import os
import sys

import SoapySDR
from SoapySDR import SOAPY_SDR_CF32, SOAPY_SDR_RX, SOAPY_SDR_TX, SOAPY_SDR_WARNING

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "soapy", "scripts"))
import capture  # noqa: E402

RATE = 1000000  # CubicSDR's default
TUNED = 7050000


def shown(value):
    if isinstance(value, (tuple, list)):
        return "[" + ", ".join(shown(item) for item in value) + "]"
    if isinstance(value, SoapySDR.ArgInfo):
        return value.key
    if isinstance(value, SoapySDR.Range):
        return f"{value.minimum():g}..{value.maximum():g}"
    return "stream" if type(value).__name__ == "SwigPyObject" else str(value)


def main():
    logged = []
    SoapySDR.registerLogHandler(lambda level, message: logged.append((level, message)))
    found = SoapySDR.Device.enumerate({"driver": "excalibur", "library": os.environ["EXCALIBUR_SIMULATOR"]})
    device = SoapySDR.Device(found[0])
    failures = []

    def call(name, *args):
        """Makes the call and prints it with its answer."""
        answer = getattr(device, name)(*args)
        shown_args = ", ".join(repr(arg) if isinstance(arg, str) else shown(arg) for arg in args)
        print(f"{name}({shown_args}) -> {shown(answer)}")
        return answer

    # The device window, the receiver chosen.
    call("getHardwareInfo")
    keys = [info.key for info in call("getSettingInfo")]
    for key in keys:
        call("readSetting", key)
    transmit = {}
    for direction in (SOAPY_SDR_RX, SOAPY_SDR_TX):
        for query in ("listAntennas", "listSampleRates", "getStreamArgsInfo", "getSettingInfo", "listGains",
                      "listFrequencies", "getFrequencyRange", "getSampleRateRange", "listBandwidths",
                      "getBandwidthRange", "hasGainMode", "hasDCOffsetMode", "hasFrequencyCorrection",
                      "getChannelInfo"):
            answer = call(query, direction, 0)
            if direction == SOAPY_SDR_TX:
                transmit[query] = answer
    transmit["getNumChannels"] = call("getNumChannels", SOAPY_SDR_TX)

    # The SDR thread's start.
    stream = call("setupStream", SOAPY_SDR_RX, SOAPY_SDR_CF32, [], {"buffers": "128"})
    call("setSampleRate", SOAPY_SDR_RX, 0, RATE)
    call("setFrequency", SOAPY_SDR_RX, 0, "RF", TUNED)
    call("setGainMode", SOAPY_SDR_RX, 0, False)
    for key in keys:
        call("writeSetting", key, "false")
    call("setAntenna", SOAPY_SDR_RX, 0, "")
    call("deactivateStream", stream)
    call("setSampleRate", SOAPY_SDR_RX, 0, RATE)
    if call("activateStream", stream) != 0:
        failures.append("activateStream failed")
    call("getSampleRate", SOAPY_SDR_RX, 0)
    call("getStreamMTU", stream)
    call("setFrequency", SOAPY_SDR_RX, 0, "RF", TUNED)

    # The main window, streaming: its menus and its gain panel.
    call("listAntennas", SOAPY_SDR_RX, 0)
    transmit["listAntennas"] = call("listAntennas", SOAPY_SDR_TX, 0)
    call("getAntenna", SOAPY_SDR_RX, 0)
    for name in call("listGains", SOAPY_SDR_RX, 0):
        call("getGainRange", SOAPY_SDR_RX, 0, name)
        call("getGain", SOAPY_SDR_RX, 0, name)

    got = capture.read(device, stream, RATE // 4)
    print(f"read: {got.count} pairs in {got.seconds:.2f} s; overflows {got.overflows}, timeouts {got.timeouts}, "
          f"errors {got.errors}")
    device.deactivateStream(stream)
    device.closeStream(stream)
    del device

    unanswered = {query: shown(answer) for query, answer in transmit.items() if answer}
    if unanswered:
        failures.append(f"the transmit direction answered {unanswered}")
    warnings = [message for level, message in logged if level <= SOAPY_SDR_WARNING]
    if warnings:
        failures.append(f"the log has {warnings}")
    if got.count < RATE // 4 or got.overflows + got.timeouts + got.errors:
        failures.append("the reads did not all come")
    print("FAILED: " + "; ".join(failures) if failures else "CubicSDR's start-up: every call answered, the transmit "
          "direction's empty; the reads all came")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
