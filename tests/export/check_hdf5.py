#!/usr/bin/python3
"""Compares an HDF5 export with the document files it came from, value by value.

Usage: check_hdf5.py DOCUMENT.vltd EXPORT.h5
       check_hdf5.py DEVICE0.vltd DEVICE1.vltd ... EXPORT.h5
The first form checks a file of one grid (format 1) against its document. The
second checks a file of devices with different grids (format 2): each document
holds one device, on that device's own grid, in the file's device order.
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


def check_common(f, doc, version, points, first):
    attrs = f.attrs
    for key, want in [("format_version", version), ("device_count", doc["devices"]),
                      ("record_count", doc["records"]), ("point_count", points),
                      ("first_wavelength_nm", first),
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
    if spectra.attrs["units"] not in ("counts", b"counts"):
        fail(f"spectra units: {spectra.attrs['units']!r}")
    same("time", f["time"][()], doc["time"])
    same("temperature_C", f["temperature_C"][()], doc["temperature"])
    same("exposure_us", f["exposure_us"][()], doc["exposure"])
    same("reserved", f["reserved"][()], doc["reserved"])
    for name, key in [("serial", "serial"), ("sensor_model", "model")]:
        got = [bytes(v) for v in f["devices"][name][()]]
        if got != doc[key]:
            fail(f"devices/{name}: {got}, document {doc[key]}")


def check_one_grid(f, doc):
    check_common(f, doc, 1, doc["points"], doc["first"])
    same("spectra", f["spectra"][()], doc["spectra"])
    same("wavelength_nm", f["wavelength_nm"][()],
         np.arange(doc["points"], dtype=np.int32) + doc["first"])
    return f"ok: {doc['devices']} devices, {doc['records']} records, {doc['points']} points"


def check_device_grids(f, docs):
    for d, one in enumerate(docs):
        if one["devices"] != 1 or one["records"] != docs[0]["records"]:
            fail(f"document {d}: {one['devices']} devices, {one['records']} records")
    points = max(one["points"] for one in docs)
    first = min(one["first"] for one in docs)
    # The documents' devices side by side, as the file holds them.
    doc = dict(devices=len(docs), records=docs[0]["records"], reference=docs[0]["reference"],
               time=docs[0]["time"], serial=[one["serial"][0] for one in docs],
               model=[one["model"][0] for one in docs])
    for key in ("temperature", "exposure", "reserved"):
        doc[key] = np.concatenate([one[key] for one in docs])
    check_common(f, doc, 2, points, first)
    same("devices/first_wavelength_nm", f["devices/first_wavelength_nm"][()],
         np.array([one["first"] for one in docs], np.int32))
    same("devices/point_count", f["devices/point_count"][()],
         np.array([one["points"] for one in docs], np.int32))
    spectra, nm = f["spectra"][()], f["wavelength_nm"][()]
    if spectra.shape != (len(docs), doc["records"], points) or nm.shape != (len(docs), points):
        fail(f"spectra {spectra.shape}, wavelength_nm {nm.shape}")
    for d, one in enumerate(docs):
        n = one["points"]
        same(f"spectra[{d}]", spectra[d, :, :n], one["spectra"][0])
        if not np.isnan(spectra[d, :, n:]).all():
            fail(f"spectra[{d}]: not NaN beyond point {n}")
        same(f"wavelength_nm[{d}]", nm[d],
             np.concatenate([np.arange(n, dtype=np.int32) + one["first"],
                             np.full(points - n, -1, np.int32)]))
    return f"ok: {len(docs)} devices, {doc['records']} records, {points} points, format 2"


def main():
    docs = [read_document(path) for path in sys.argv[1:-1]]
    with h5py.File(sys.argv[-1], "r") as f:
        message = check_one_grid(f, docs[0]) if len(docs) == 1 else check_device_grids(f, docs)
    print(message)


main()
