#!/usr/bin/python3
"""Compares an HDF5 export with the document file it came from, value by value.

Usage: check_hdf5.py DOCUMENT.vltd EXPORT.h5
Reads the document file itself (five int32 header fields; per device the
serial and model texts and the record entries; per record a time), so it
shares no code with the program. Exit 0 when everything matches, 1 with a
message on the first difference, 77 when h5py is not installed.
"""
import struct
import sys

try:
    import h5py
    import numpy as np
except ImportError as error:
    print(f"skipped: {error}")
    sys.exit(77)


class Stream:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values

    def text(self):
        (length,) = self.take("B")
        if length == 0xFF:
            (length,) = self.take("H")
            if length == 0xFFFF:
                (length,) = self.take("I")
        raw = self.data[self.pos:self.pos + length]
        self.pos += length
        return raw


def read_document(path):
    with open(path, "rb") as f:
        s = Stream(f.read())
    records, devices, points, first, reference = s.take("5i")
    doc = dict(records=records, devices=devices, points=points, first=first,
               reference=reference, serial=[], model=[],
               spectra=np.zeros((devices, records, points), np.float32),
               temperature=np.zeros((devices, records), np.float32),
               exposure=np.zeros((devices, records), np.int32),
               reserved=np.zeros((devices, records), np.int32),
               time=np.zeros(records, np.int64))
    entry = f"{points}f f i i"
    for d in range(devices):
        doc["serial"].append(s.text())
        doc["model"].append(s.text())
        for r in range(records):
            values = s.take(entry)
            doc["spectra"][d, r] = values[:points]
            doc["temperature"][d, r], doc["exposure"][d, r], doc["reserved"][d, r] = values[points:]
    for r in range(records):
        (marker,) = s.take("I")
        doc["time"][r] = s.take("q")[0] if marker == 0x8000000A else struct.unpack("<i", struct.pack("<I", marker))[0]
    if s.pos != len(s.data):
        fail(f"document: {len(s.data) - s.pos} bytes after the last time")
    return doc


def fail(message):
    print(message)
    sys.exit(1)


def same(name, got, want):
    got, want = np.asarray(got), np.asarray(want)
    if got.shape != want.shape:
        fail(f"{name}: shape {got.shape}, document {want.shape}")
    if got.dtype.kind == "f":
        # Bit for bit, so NaN compares with NaN and -0.0 stays -0.0.
        got, want = got.view(np.uint32), want.astype(np.float32).view(np.uint32)
    if not np.array_equal(got, want):
        where = np.argwhere(got != want)[0]
        fail(f"{name}{list(where)}: {got[tuple(where)]}, document {want[tuple(where)]}")


def main():
    doc = read_document(sys.argv[1])
    with h5py.File(sys.argv[2], "r") as f:
        attrs = f.attrs
        for key, want in [("format_version", 1), ("device_count", doc["devices"]),
                          ("record_count", doc["records"]), ("point_count", doc["points"]),
                          ("first_wavelength_nm", doc["first"]),
                          ("reference_index", doc["reference"])]:
            if int(attrs[key]) != want:
                fail(f"attribute {key}: {attrs[key]}, document {want}")
        created_by = attrs["created_by"]
        if isinstance(created_by, bytes):
            created_by = created_by.decode()
        if not created_by.startswith("VL_Tool "):
            fail(f"created_by: {created_by!r}")
        spectra = f["spectra"]
        if spectra.dtype != np.dtype("<f4") or spectra.chunks is None or spectra.compression != "gzip":
            fail(f"spectra: {spectra.dtype}, chunks {spectra.chunks}, {spectra.compression}")
        same("spectra", spectra[()], doc["spectra"])
        same("wavelength_nm", f["wavelength_nm"][()],
             np.arange(doc["points"], dtype=np.int32) + doc["first"])
        same("time", f["time"][()], doc["time"])
        same("temperature_C", f["temperature_C"][()], doc["temperature"])
        same("exposure_us", f["exposure_us"][()], doc["exposure"])
        same("reserved", f["reserved"][()], doc["reserved"])
        for name, key in [("serial", "serial"), ("sensor_model", "model")]:
            got = [bytes(v) for v in f["devices"][name][()]]
            if got != doc[key]:
                fail(f"devices/{name}: {got}, document {doc[key]}")
        if spectra.attrs["units"] not in ("counts", b"counts"):
            fail(f"spectra units: {spectra.attrs['units']!r}")
    print(f"ok: {doc['devices']} devices, {doc['records']} records, {doc['points']} points")


main()
