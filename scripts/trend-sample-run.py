#!/usr/bin/python3
"""Writes a made-up overnight run as a document file (*.vltd) for the trend picture:
three devices, a record every 2 minutes from 20:00 to 04:00 (Tokyo time), a lamp that
dims and drifts red as it warms, and a device that stops answering for 40 minutes.
Usage: trend-sample-run.py OUT.vltd"""
import math
import struct
import sys
from datetime import datetime, timedelta, timezone

POINTS, FIRST = 511, 340
SERIALS = [b"VS0001", b"VS0002", b"VL0003"]
MODEL = b"K52817QX-03"
NAN = float("nan")
start = datetime(2024, 3, 1, 20, 0, tzinfo=timezone(timedelta(hours=9)))
stamps = [int((start + timedelta(minutes=2 * r)).timestamp()) for r in range(241)]


def archive_text(text):
    return struct.pack("<B", len(text)) + text


def entry(d, r):
    hours = r * 2 / 60.0
    if d == 1 and 150 <= r < 170:  # 01:00 .. 01:38: not answering
        return struct.pack("<%df" % POINTS, *([NAN] * POINTS)) + struct.pack("<fii", NAN, 0, 0)
    warm = 1.0 - math.exp(-hours / 1.5)
    peak = 548.0 + 4 * d + 6.0 * warm
    height = (30000.0 - 2500 * d) * (1.0 - 0.08 * warm) * (1 + 0.004 * math.sin(r * 0.7 + d))
    width = 45.0 + 8 * d
    values = [height * math.exp(-(((FIRST + k) - peak) / width) ** 2) + 800.0 + 30 * math.sin(k)
              for k in range(POINTS)]
    temperature = 24.0 + d + 7.0 * warm + 0.2 * math.sin(r * 0.3)
    return struct.pack("<%df" % POINTS, *values) + struct.pack("<fii", temperature, 50, 0)


with open(sys.argv[1], "wb") as out:
    out.write(struct.pack("<5i", len(stamps), len(SERIALS), POINTS, FIRST, -1))
    for d, serial in enumerate(SERIALS):
        out.write(archive_text(serial) + archive_text(MODEL))
        for r in range(len(stamps)):
            out.write(entry(d, r))
    for s in stamps:
        out.write(struct.pack("<Iq", 0x8000000A, s))
