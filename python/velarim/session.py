"""A session with the server and its devices."""

import getpass
import os

import numpy as np

from .http import Http
from .stream import Reading, readings

DEFAULT_URL = "http://127.0.0.1:47800"


def default_token_path():
    """Where the server writes its token unless told otherwise: the user's
    runtime folder ($XDG_RUNTIME_DIR, else /tmp/runtime-USER)."""
    folder = os.environ.get("XDG_RUNTIME_DIR") or f"/tmp/runtime-{getpass.getuser()}"
    return os.path.join(folder, "vl_tool-api-token")


def _array(values):
    return np.array([np.nan if v is None else v for v in values], dtype=float)


class Device:
    """One spectrometer. Every intensities() is a reading taken after this
    object's last setting and after the reading it returned before."""

    def __init__(self, session, info):
        self._session = session
        self._info = info
        self.slot = info["slot"]
        self.serial = info["serial"]
        self.model = info["sensor_model"]
        self.firmware = info["firmware"]
        self.link = info["link"]
        self._after = None  # no reading older than this seq is returned
        self._last = None

    def __repr__(self):
        return f"Device(slot={self.slot}, serial={self.serial!r}, model={self.model!r})"

    def _path(self, what):
        return f"/api/v1/devices/{self.slot}/{what}"

    def wavelengths(self):
        first = self._info["first_wavelength_nm"]
        return np.arange(first, first + self._info["point_count"], dtype=float)

    def spectrum(self):
        """The next reading as the server gives it (a dict; counts as numpy)."""
        path = self._path("spectrum")
        if self._after is not None:
            path += f"?after={self._after}"
        reading = self._session._http.request("GET", path)
        self._after = reading["seq"]
        reading["counts"] = _array(reading["counts"])
        reading["wavelength_nm"] = np.array(reading["wavelength_nm"], dtype=float)
        self._last = reading
        return reading

    def intensities(self):
        return self.spectrum()["counts"]

    def temperature(self):
        """The sensor temperature in degC of the latest reading."""
        reading = self._last if self._last is not None else self.spectrum()
        return reading["temperature_C"]

    def settings(self, exposure_us=None, averaging=None, aux=None):
        """Sets the values given; returns once the device reported them back."""
        body = {k: v for k, v in (("exposure_us", exposure_us), ("averaging", averaging),
                                  ("aux", aux)) if v is not None}
        answer = self._session._http.request("PUT", self._path("settings"), body)
        self._after = max(self._after or 0, answer["seq"])
        return answer

    def integration_time_micros(self, us):
        self.settings(exposure_us=int(us))

    def averaging(self, n):
        self.settings(averaging=int(n))

    def dark(self):
        """Takes the dark at the present exposure; returns once it is done."""
        answer = self._session._http.request("POST", self._path("dark"))
        self._after = max(self._after or 0, answer["seq"])
        return answer


class Session:
    """The server's devices, records and stream. A context manager."""

    def __init__(self, url=None, token=None, timeout=30.0):
        self.url = (url or DEFAULT_URL).rstrip("/")
        if token is None:
            with open(default_token_path(), encoding="ascii") as f:
                token = f.read().strip()
        self._token = token
        self._http = Http(self.url, token, timeout)
        self._timeout = timeout

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self._http.close()

    def info(self):
        """GET /api/v1/devices as it comes."""
        return self._http.request("GET", "/api/v1/devices")

    def devices(self):
        return [Device(self, d) for d in self.info()["devices"]]

    def led(self, on):
        return self._http.request("PUT", "/api/v1/led", {"on": bool(on)})

    def store_record(self):
        """Stores one record of all devices, as the acquire button does."""
        return self._http.request("POST", "/api/v1/records")

    def records(self):
        return self._http.request("GET", "/api/v1/records")

    def record(self, index):
        record = self._http.request("GET", f"/api/v1/records/{int(index)}")
        for d in record["devices"]:
            d["counts"] = _array(d["counts"])
        return record

    def stream(self):
        """Yields a Reading per tick (and event messages) until closed."""
        ws_url = "ws" + self.url[len("http"):] + "/api/v1/stream"
        return readings(ws_url, self._token, self._timeout)


def connect(url=None, token=None, timeout=30.0):
    """A session with the server at url (default: the default address), with
    the token given or read from the default token file."""
    return Session(url, token, timeout)


__all__ = ["DEFAULT_URL", "Device", "Reading", "Session", "connect", "default_token_path"]
