"""A velarim-cli serve process on simulated devices, for the tests."""

import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def cli_path():
    path = os.environ.get("VELARIM_CLI") or os.path.join(HERE, "..", "..", "build", "bin",
                                                         "velarim-cli")
    if not os.path.exists(path):
        raise RuntimeError(f"no velarim-cli at {path} (set VELARIM_CLI)")
    return path


class Server:
    """Starts serve on a free loopback port; url and token once it listens."""

    def __init__(self, devices):
        self.folder = tempfile.TemporaryDirectory()
        self.token_file = os.path.join(self.folder.name, "token")
        self.process = subprocess.Popen(
            [cli_path(), "serve", "--simulate", devices, "--settle-ms", "0",
             "--listen", "127.0.0.1:0", "--token-file", self.token_file, "--lang", "en"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()  # blocks until it listens (or ends)
        if not line.startswith("listening "):
            self.stop()
            raise RuntimeError(f"serve did not start: {line!r} {self.process.stderr.read()}")
        self.url = line.split()[1]
        with open(self.token_file, encoding="ascii") as f:
            self.token = f.read().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()
        self.folder.cleanup()
        return self.process.returncode
