#!/usr/bin/python3
"""The module through Debian's Python bindings, against the simulator.
Needs SOAPY_SDR_PLUGIN_PATH (the module's folder) and EXCALIBUR_SIMULATOR."""

import os
import sys
import tempfile
import time
import unittest

import numpy as np
import SoapySDR
from SoapySDR import (SOAPY_SDR_CF32, SOAPY_SDR_HAS_TIME, SOAPY_SDR_MORE_FRAGMENTS, SOAPY_SDR_OVERFLOW, SOAPY_SDR_RX,
                      SOAPY_SDR_TIMEOUT)

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "soapy", "scripts"))
import capture  # noqa: E402

SIMULATOR = os.environ["EXCALIBUR_SIMULATOR"]
REFERENCE_CARRIER = 7040000.0  # the scene's -30 dBFS carrier


class ExcaliburThroughPython(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        handle, cls.log = tempfile.mkstemp(prefix="soapy-sim-log")
        os.close(handle)
        os.environ["G31DDC_SIM_LOG"] = cls.log
        # As gqrx names them: its device string is its only way to settings.
        cls.device = SoapySDR.Device({"soapy": "0", "driver": "excalibur", "library": SIMULATOR, "dither": "true",
                                      "noise_blanker": "true"})
        cls.opened_with = [cls.device.readSetting(key) for key in ("dither", "noise_blanker", "mw_filter")]
        with open(cls.log) as log:
            cls.open_calls = [line.strip() for line in log if line.startswith(("SetDithering", "SetADCNoise"))]
        cls.device.writeSetting("dither", "false")
        cls.device.writeSetting("noise_blanker", "false")

    @classmethod
    def tearDownClass(cls):
        del cls.device
        os.environ.pop("G31DDC_SIM_LOG")
        os.unlink(cls.log)

    def setUp(self):
        self.device.setFrequency(SOAPY_SDR_RX, 0, 7050000)
        self.device.setSampleRate(SOAPY_SDR_RX, 0, 200000)
        self.device.setGain(SOAPY_SDR_RX, 0, "ATT", 0)
        self.stream = self.device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, [0])
        self.device.activateStream(self.stream)

    def tearDown(self):
        self.device.deactivateStream(self.stream)
        self.device.closeStream(self.stream)

    def peak(self, rate=200000):
        got = capture.read(self.device, self.stream, capture.FFT_SIZE)
        self.assertEqual(got.overflows + got.timeouts + got.errors, 0)
        return capture.strongest_peaks(got.joined(), rate, self.device.getFrequency(SOAPY_SDR_RX, 0), 1)[0]

    def test_enumeration_finds_the_receiver_only_where_the_library_serves(self):
        found = SoapySDR.Device.enumerate({"driver": "excalibur", "library": SIMULATOR})
        self.assertEqual(len(found), 1)
        self.assertIn("WR-G31DDC", found[0]["label"])
        self.assertEqual(len(SoapySDR.Device.enumerate({"driver": "excalibur", "library": "/nonexistent.so"})), 0)
        with self.assertRaisesRegex(RuntimeError, "cannot load the driver library /nonexistent.so"):
            SoapySDR.Device({"driver": "excalibur", "library": "/nonexistent.so"})

    def test_the_strongest_peak_is_the_scenes_carrier_and_the_attenuator_takes_21_db(self):
        freq, level = self.peak()
        self.assertAlmostEqual(freq, REFERENCE_CARRIER, delta=2 * 200000 / capture.FFT_SIZE)
        self.assertAlmostEqual(level, -30.0, delta=1.0)
        self.device.setGain(SOAPY_SDR_RX, 0, "ATT", -21)
        capture.read(self.device, self.stream, 2 * 4096)  # blocks from before the switch
        _, attenuated = self.peak()
        self.assertAlmostEqual(level - attenuated, 21.0, delta=0.5)

    def test_settings_in_the_device_string_are_applied_after_the_defaults_at_open(self):
        print(f"\nopened with dither=true,noise_blanker=true: {self.open_calls}; read back {self.opened_with}")
        self.assertEqual(self.open_calls, ["SetDithering 0 0", "SetADCNoiseBlanker 0 0", "SetDithering 0 1",
                                           "SetADCNoiseBlanker 0 1"])
        self.assertEqual(self.opened_with, ["true", "true", "false"])

    def test_the_settings_reach_the_receiver(self):
        self.device.writeSetting("dither", "true")
        self.device.writeSetting("noise_blanker", "true")
        self.device.writeSetting("dither", "false")
        self.assertEqual(self.device.readSetting("noise_blanker"), "true")
        with open(self.log) as log:
            calls = [line.strip() for line in log if line.startswith(("SetDithering", "SetADCNoise"))]
        self.assertEqual(calls[-3:], ["SetDithering 0 1", "SetADCNoiseBlanker 0 1", "SetDithering 0 0"])
        self.device.writeSetting("noise_blanker", "false")

    def test_the_settings_are_on_the_channel_as_gnu_radio_looks_for_them(self):
        keys = [info.key for info in self.device.getSettingInfo(SOAPY_SDR_RX, 0)]
        self.assertEqual(keys, ["dither", "noise_blanker", "mw_filter"])
        self.device.writeSetting(SOAPY_SDR_RX, 0, "dither", "true")
        self.assertEqual(self.device.readSetting("dither"), "true")
        self.assertEqual(self.device.readSetting(SOAPY_SDR_RX, 0, "dither"), "true")
        self.device.writeSetting(SOAPY_SDR_RX, 0, "dither", "false")
        with open(self.log) as log:
            calls = [line.strip() for line in log if line.startswith("SetDithering")]
        self.assertEqual(calls[-2:], ["SetDithering 0 1", "SetDithering 0 0"])

    def test_every_read_has_the_time_of_its_first_pair(self):
        buffer = np.empty(1000, np.complex64)
        first = self.device.readStream(self.stream, [buffer], len(buffer), timeoutUs=500000)
        second = self.device.readStream(self.stream, [buffer], len(buffer), timeoutUs=500000)
        self.assertTrue(first.flags & SOAPY_SDR_HAS_TIME)
        self.assertTrue(first.flags & SOAPY_SDR_MORE_FRAGMENTS)
        self.assertEqual(second.timeNs - first.timeNs, first.ret * 5000)  # 200 kHz

    def test_a_rate_change_while_streaming_goes_on_at_the_new_rate(self):
        # A rate the receiver lacks: RuntimeError (std::runtime_error, which gqrx survives), the rate in force kept.
        with self.assertRaisesRegex(RuntimeError, "192000 Hz is not offered; choose 20000, ") as refused:
            self.device.setSampleRate(SOAPY_SDR_RX, 0, 192000)
        print(f"\nsetSampleRate(192000): {type(refused.exception).__name__}: {refused.exception}")
        self.assertEqual(self.device.getSampleRate(SOAPY_SDR_RX, 0), 200000)
        self.device.setSampleRate(SOAPY_SDR_RX, 0, 1000000)
        capture.read(self.device, self.stream, 100000)
        self.device.setSampleRate(SOAPY_SDR_RX, 0, 100000)
        capture.read(self.device, self.stream, 4096)  # the first block after the restart
        got = capture.read(self.device, self.stream, 100000)
        self.assertEqual(got.overflows + got.timeouts + got.errors, 0)
        self.assertAlmostEqual(got.count / got.seconds, 100000, delta=10000)
        freq, _ = capture.strongest_peaks(got.joined(), 100000, 7050000, 1)[0]
        self.assertAlmostEqual(freq, REFERENCE_CARRIER, delta=2 * 100000 / capture.FFT_SIZE)

    def test_a_reader_that_sleeps_gets_one_overflow_and_then_data_again(self):
        self.device.setSampleRate(SOAPY_SDR_RX, 0, 1000000)
        capture.read(self.device, self.stream, 10000)
        time.sleep(1.0)  # the slow reader itself: the ring holds about half a second at 1 MHz
        buffer = np.empty(4096, np.complex64)
        results = []
        while len(results) < 400 and (not results or results[-1] <= 0 or SOAPY_SDR_OVERFLOW not in results):
            results.append(self.device.readStream(self.stream, [buffer], len(buffer), timeoutUs=500000).ret)
        self.assertEqual(results.count(SOAPY_SDR_OVERFLOW), 1, results)
        self.assertNotIn(SOAPY_SDR_TIMEOUT, results)
        self.assertGreater(results[-1], 0)
        self.assertGreater(results.index(SOAPY_SDR_OVERFLOW), 0)


if __name__ == "__main__":
    unittest.main()
