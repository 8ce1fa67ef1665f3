"""One keep-alive HTTP connection to the server, JSON both ways."""

import http.client
import json
import time
import urllib.parse

from .errors import ApiError, error_for

# The server drops a connection that is silent for 30 s; one idle for longer
# than this is opened afresh before it is used.
_REUSE_SECONDS = 20.0


class Http:
    def __init__(self, url, token, timeout=30.0):
        parts = urllib.parse.urlsplit(url)
        if parts.scheme != "http" or not parts.hostname:
            raise ValueError(f"not an http:// address: {url}")
        self.host = parts.hostname
        self.port = parts.port or 80
        self.token = token
        self.timeout = timeout
        self._connection = None
        self._last_used = 0.0

    def close(self):
        if self._connection is not None:
            self._connection.close()
            self._connection = None

    def _open(self):
        if self._connection is None or time.monotonic() - self._last_used > _REUSE_SECONDS:
            self.close()
            self._connection = http.client.HTTPConnection(self.host, self.port,
                                                          timeout=self.timeout)
        return self._connection

    def request(self, method, path, body=None):
        payload = None if body is None else json.dumps(body).encode()
        headers = {"Authorization": f"Bearer {self.token}", "Accept": "application/json"}
        if payload is not None:
            headers["Content-Type"] = "application/json"
        # A kept connection the server has closed meanwhile is opened again
        # once; a request it never saw is safe to send again.
        for attempt in (0, 1):
            connection = self._open()
            try:
                connection.request(method, path, body=payload, headers=headers)
                response = connection.getresponse()
                data = response.read()
                break
            except (http.client.RemoteDisconnected, ConnectionResetError, BrokenPipeError):
                self.close()
                if attempt == 1:
                    raise
        self._last_used = time.monotonic()
        if response.getheader("Connection", "").lower() == "close":
            self.close()
        try:
            document = json.loads(data) if data else {}
        except ValueError:
            raise ApiError(response.status, data[:200].decode("latin-1")) from None
        if response.status >= 400:
            raise error_for(response.status, document.get("error", response.reason))
        return document
