#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into fuzz/seeds/<target>/.

Document seeds are named ok-* when the reader must take them and bad-* when it
must refuse them; the regression suite checks those outcomes as well as the
properties every input must keep. Reply seeds start with the byte that picks
the parser (0 identity, 1 stored upload, 2 sensor information, 3 requests to a
simulated device, 4 DEVICES text), then an option byte and an int32 parameter.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MARKER = 0x8000000A


def text(b, wide=False, form=None):
    """Archive text: 1-, 3-, 7- or 15-byte length prefix, optionally wide."""
    out = b""
    if wide:
        out += b"\xff" + struct.pack("<H", 0xFFFE)
        b = b.decode("latin-1").encode("utf-16-le")
        n = len(b) // 2
    else:
        n = len(b)
    if form is None:
        form = 1 if n < 0xFF else 3 if n < 0xFFFE else 7
    if form == 1:
        out += struct.pack("<B", n)
    elif form == 3:
        out += b"\xff" + struct.pack("<H", n)
    elif form == 7:
        out += b"\xff" + struct.pack("<HI", 0xFFFF, n)
    else:
        out += b"\xff" + struct.pack("<HIQ", 0xFFFF, 0xFFFFFFFF, n)
    return out + b


def document(records, devices, points, first=340, ref=-1, texts=None, old_times=False,
             times=None):
    out = struct.pack("<5i", records, devices, points, first, ref)
    for d in range(devices):
        serial, model = texts[d] if texts else (text(b"S1000%d" % (d + 1)), text(b"VIS-S10"))
        out += serial + model
        for r in range(records):
            out += struct.pack("<%df" % points, *[100.0 * d + r + i * 0.5 for i in range(points)])
            out += struct.pack("<fii", 25.0 + r, 10000 + r, 0)
    for r in range(records):
        t = times[r] if times else 1700000000 + 60 * r
        out += struct.pack("<i", t) if old_times else struct.pack("<Iq", MARKER, t)
    return out


def documents():
    small = document(2, 1, 4)
    return {
        "ok-empty.vltd": b"",
        "ok-header-only.vltd": document(0, 0, 511),
        "ok-small.vltd": small,
        "ok-old-times.vltd": document(3, 2, 3, old_times=True, times=[1700000000, -5, 0x7FFFFFFF]),
        "ok-extreme-times.vltd": document(3, 1, 2, times=[2**63 - 1, -(2**63), 253402300800]),
        "ok-wide-texts.vltd": document(1, 2, 2, texts=[
            (text(b"S10001", wide=True), text(b"K52817QX-03", wide=True)),
            (text(b"", wide=True), text(b"VIS-S10"))]),
        "ok-long-prefixes.vltd": document(1, 3, 1, texts=[
            (text(b"S" * 300, form=3), text(b"M", form=7)),
            (text(b"", form=15), text(b"VIS-S10", form=3)),
            (text(b"x" * 254), text(b"y" * 255))]),
        "ok-reference-beyond.vltd": document(2, 1, 2, ref=7),
        "ok-records-no-devices.vltd": document(5, 0, 511),
        "ok-full-grid.vltd": document(1, 1, 511, first=190),
        "ok-first-wavelength-edges.vltd": document(1, 1, 511, first=1000000),
        "ok-first-wavelength-low-edge.vltd": document(1, 1, 511, first=-1000000),
        "bad-first-wavelength-high.vltd": document(1, 1, 100, first=2147483600),
        "bad-first-wavelength-low.vltd": document(1, 1, 100, first=-2147483648),
        "bad-truncated.vltd": small[:-3],
        "bad-header-cut.vltd": small[:17],
        "bad-negative-records.vltd": struct.pack("<5i", -1, 1, 4, 340, -1),
        "bad-eleven-devices.vltd": struct.pack("<5i", 0, 11, 4, 340, -1) + b"\0" * 22,
        "bad-512-points.vltd": struct.pack("<5i", 1, 1, 512, 340, -1) + b"\0" * 4096,
        "bad-10001-records.vltd": struct.pack("<5i", 10001, 0, 4, 340, -1) + b"\0" * 40004,
        "bad-wide-twice.vltd": struct.pack("<5i", 0, 1, 4, 340, -1) +
        b"\xff\xfe\xff\xff\xfe\xff\x00\x00",
        "bad-text-beyond-file.vltd": struct.pack("<5i", 0, 1, 4, 340, -1) +
        b"\xff" + struct.pack("<H", 5000) + b"abc" + b"\0" * 8,
        "bad-text-huge.vltd": struct.pack("<5i", 0, 1, 4, 340, -1) +
        b"\xff" + struct.pack("<HIQ", 0xFFFF, 0xFFFFFFFF, 2**63) + b"\0" * 8,
        "bad-ff-prefix-cut.vltd": struct.pack("<5i", 0, 1, 4, 340, -1) + b"\xff\xff",
    }


def le32(v):
    return struct.pack("<i", v)


def field(b, size):
    return (b + b"\0" * size)[:size]


def floats(n, base=800.0):
    return struct.pack("<%df" % n, *[base + i for i in range(n)])


def record(n):
    body = floats(511, 1000.0 + n)
    return body + le32(10000 + n) + b"\0" * 20 + struct.pack("<ff", 24.5, 4.1) + le32(n) + \
        b"\0" * (2096 - 2080)


def head(target, options=0, param=0):
    return bytes([target, options]) + le32(param)


def word(code, page=0, length=0):
    return struct.pack("<BBH", code, page, length)


def replies():
    identity = (field(b"1.6", 16) + field(b"S10001", 16) + le32(4) + field(b"S10001", 16) +
                field(b"VIS-S10", 16) + le32(2000000) + b"\x06\x00" + le32(500) + b"\x06\x00" +
                le32(1) + field(b"1.0", 16) + field(b"Velarim LED", 32) + floats(511))
    sensor = field(b"VIS-S10", 16) + field(b"S10001", 16) + struct.pack("<6d", 330, 2.1, 1e-4,
                                                                          2e-8, -3e-11, 4e-14)
    vis_requests = b"".join([
        word(1, 0, 4), word(2, 0, 16), word(3, 0, 16), word(4, 0, 16), word(5, 0, 48),
        word(9, 0, 4), word(0x0B, 0, 4), word(0x12, 0, 4), word(0x13, 0, 4), word(0x16, 0, 4),
        word(0x17, 0, 2096), word(0x0C, 0, 288 * 4), word(0x0E, 0, 288 * 8),
        word(0x0F, 0, 511 * 4), word(0x84, 0, 4) + le32(20000), word(0x86, 0, 4) + le32(-7),
        word(0x87, 0, 4) + le32(1), word(0x88), word(0x99, 0, 4)])
    bridged_requests = b"".join(word(0x0F, p, 60 if p == 31 else 64) for p in range(32)) + \
        b"".join(word(0x0D, p, 64) for p in range(19))
    led_requests = b"".join([word(0, 0, 32), word(2, 0, 16), word(0x14, 0, 4), word(0x15, 0, 4),
                             word(0x89, 0, 4) + le32(1), word(0x15, 0, 4), word(0x89, 0, 4)])
    return {
        "identity-direct": head(0, 0, 511) + identity,
        "identity-bridged-short": head(0, 1, 411) + identity[:100],
        "identity-unterminated-texts": head(0, 0, 7) + b"\xff" * 200,
        "stored-three": head(1, 0, 511) + le32(3) + record(0) + record(1) + record(2),
        "stored-count-huge": head(1, 1, -2147483648) + le32(0x7FFFFFFF) + record(5),
        "stored-count-negative": head(1, 0, 600) + le32(-1),
        "stored-non-finite": head(1, 0, 3) + le32(1) + b"\xff\xff\xff\x7f" * 524,
        "sensor-direct": head(2, 0, 288) + sensor + floats(288 * 4),
        "sensor-bridged": head(2, 1, 256) + sensor + floats(256 * 4),
        "sensor-pixels-beyond": head(2, 0, 100000) + sensor[:40],
        "sim-vis-direct": head(3, 0x10, 12) + vis_requests,
        "sim-nir-bridged": head(3, 0x0D, 0) + bridged_requests,
        "sim-led": head(3, 0x03, 0) + led_requests,
        "sim-vis-short-fault": head(3, 0x50, 40) + vis_requests,
        "sim-bridged-not-ready": head(3, 0x08, 0x100) + vis_requests,
        "devices-three": head(4) + b"vis:serial=S1,vis:serial=S2:link=bridge:lx=1,led",
        "devices-limits": head(4) + b"nir:lx=1:records=100000:fault=unplug@1000000000,uv:fw=1.5",
        "devices-bad": head(4) + b"vis:records=5,led:name=" + b"N" * 40,
    }


def write(target, files):
    folder = os.path.join(HERE, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("document", documents())
    write("replies", replies())
