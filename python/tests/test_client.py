"""The client against a real velarim-cli serve process on simulated devices."""

import os
import stat
import unittest

import numpy as np

import velarim
from tests.server import Server


class ClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server("vis:serial=A1,nir:serial=B2:link=bridge,led")

    @classmethod
    def tearDownClass(cls):
        status = cls.server.stop()
        if status != 0:
            raise AssertionError(f"serve ended with {status} on SIGTERM, not 0")

    def connect(self, token=None):
        return velarim.connect(self.server.url, token or self.server.token)

    def test_devices_settings_and_readings(self):
        with self.connect() as session:
            devices = session.devices()
            self.assertEqual([d.serial for d in devices], ["A1", "B2"])
            nir = devices[1]
            self.assertEqual(nir.link, "bridge")
            self.assertEqual(nir.wavelengths()[0], 640)
            self.assertEqual(len(nir.wavelengths()), 411)
            for exposure in (3000, 40000):
                nir.integration_time_micros(exposure)
                after = nir._after
                spectrum = nir.spectrum()
                self.assertGreater(spectrum["seq"], after, "a reading made with the setting")
                self.assertEqual(spectrum["exposure_us"], exposure)
                self.assertEqual(spectrum["counts"].shape, (411,))
            first = nir.spectrum()["seq"]
            self.assertGreater(nir.spectrum()["seq"], first, "each call a newer reading")
            nir.averaging(3)
            self.assertEqual(nir.spectrum()["averaging"], 3)
            self.assertIsInstance(nir.intensities(), np.ndarray)
            self.assertTrue(np.isfinite(nir.temperature()))
            nir.dark()

    def test_records_and_led(self):
        with self.connect() as session:
            session.led(True)
            self.assertTrue(session.info()["led"]["on"])
            before = session.records()["count"]
            stored = session.store_record()
            self.assertEqual(stored["index"], before)
            self.assertEqual(session.records()["count"], before + 1)
            record = session.record(stored["index"])
            self.assertEqual(len(record["devices"]), 2)
            self.assertEqual(record["devices"][1]["counts"].shape, (411,))

    def test_errors_are_exceptions(self):
        with self.connect(token="0" * 64) as session:
            with self.assertRaises(velarim.Unauthorized):
                session.devices()
        with self.connect() as session:
            device = session.devices()[0]
            with self.assertRaises(velarim.ApiError) as refused:
                device.integration_time_micros(0)
            self.assertEqual(refused.exception.status, 400)
            with self.assertRaises(velarim.ApiError) as missing:
                session.record(99999)
            self.assertEqual(missing.exception.status, 404)

    def test_stream_yields_readings(self):
        with self.connect() as session:
            stream = session.stream()
            seqs = []
            for reading in stream:
                if reading.event:
                    continue
                self.assertEqual(len(reading.devices), 2)
                seqs.append(reading.seq)
                if len(seqs) == 3:
                    break
            stream.close()
            self.assertEqual(seqs, sorted(seqs))

    def test_token_file_is_the_users_alone(self):
        mode = stat.S_IMODE(os.stat(self.server.token_file).st_mode)
        self.assertEqual(mode, 0o600)
        self.assertEqual(len(self.server.token), 64)


if __name__ == "__main__":
    unittest.main()
