"""The stream of readings (one message per tick) over the WebSocket."""

import asyncio
import json
import queue
import threading

import numpy as np


class Reading:
    """One tick: seq, time (seconds since 1970 UTC) and per device slot,
    answering, temperature_C and counts (numpy; None when the device gave no
    spectrum this tick). Event messages come as Reading objects with event set."""

    def __init__(self, message):
        self.event = message.get("event")
        self.message = message
        self.seq = message.get("seq")
        self.time = message.get("time")
        self.devices = []
        for d in message.get("devices", []):
            counts = d.get("counts")
            self.devices.append({
                "slot": d.get("slot"),
                "answering": d.get("answering"),
                "temperature_C": d.get("temperature_C"),
                "counts": None if counts is None else np.array(
                    [np.nan if v is None else v for v in counts], dtype=float),
            })

    def __repr__(self):
        if self.event:
            return f"Reading(event={self.event!r})"
        return f"Reading(seq={self.seq}, devices={len(self.devices)})"


def _messages_sync(url, token, timeout):
    from websockets.sync.client import connect  # websockets 11 and later
    with connect(url, additional_headers={"Authorization": f"Bearer {token}"},
                 open_timeout=timeout) as ws:
        for text in ws:
            yield text


def _messages_threaded(url, token, timeout):
    # websockets 10 (Debian 12) has only the asyncio client: it runs on a
    # thread of its own so this works beside a running loop too (Jupyter).
    import websockets

    inbox = queue.Queue(maxsize=1000)
    stop = threading.Event()

    async def pump():
        try:
            async with websockets.connect(url, extra_headers={"Authorization": f"Bearer {token}"},
                                          open_timeout=timeout, max_size=2**24) as ws:
                while not stop.is_set():
                    try:
                        text = await asyncio.wait_for(ws.recv(), 0.5)
                    except asyncio.TimeoutError:
                        continue
                    inbox.put(text)
        except Exception as error:  # handed to the reader
            inbox.put(error)
        else:
            inbox.put(None)

    thread = threading.Thread(target=lambda: asyncio.run(pump()), daemon=True)
    thread.start()
    try:
        while True:
            item = inbox.get()
            if item is None:
                return
            if isinstance(item, Exception):
                raise item
            yield item
    finally:
        stop.set()
        thread.join(timeout=5)


def readings(url, token, timeout=30.0):
    try:
        import websockets.sync.client  # noqa: F401
        source = _messages_sync
    except ImportError:
        source = _messages_threaded
    for text in source(url, token, timeout):
        yield Reading(json.loads(text))
