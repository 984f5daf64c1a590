"""Drives vordel-sim from a test: starts it, talks to its pseudo-terminal
from the host side, sends control commands and reads what it says.

Every wait has a generous deadline so a loaded machine never fails a test
that a quiet one passes; nothing asserts how fast anything happened.
"""
import os
import queue
import select
import signal
import subprocess
import threading
import time
import tty

DEADLINE = 20.0  # seconds for anything that should happen at once


def read_until(stream, text, timeout=DEADLINE):
    """Reads a process's pipe until `text` has come, the pipe ends or the time is up; returns what came."""
    got = b""
    deadline = time.monotonic() + timeout
    while text not in got and time.monotonic() < deadline:
        ready, _, _ = select.select([stream], [], [], 0.1)
        if ready:
            more = os.read(stream.fileno(), 4096)
            if not more:  # the process has ended: nothing more will come
                break
            got += more
    return got


class Simulator:
    def __init__(self, binary, *args, cwd=None, host=True):
        """host: open the device end here; False leaves it to another program."""
        self.path = self._start([binary, "--serial", *args], cwd, "serial ")
        if host:
            self.connect(self.path)

    def _start(self, argv, cwd, announcement):
        """Starts the process; the rest of its first line after announcement."""
        self.proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.lines = queue.Queue()
        self.stderr = b""
        self._err_lock = threading.Lock()
        self._threads = [threading.Thread(target=self._read_stdout, daemon=True),
                         threading.Thread(target=self._read_stderr, daemon=True)]
        for t in self._threads:
            t.start()
        self.fd = None
        self._marker = 0
        first = self.next_line()
        if not first.startswith(announcement):
            raise AssertionError("first line was %r, stderr %r" % (first, self.stderr))
        return first[len(announcement):]

    def _read_stdout(self):
        for line in self.proc.stdout:
            self.lines.put(line.decode().rstrip("\n"))
        self.lines.put(None)

    def _read_stderr(self):
        for line in self.proc.stderr:
            with self._err_lock:
                self.stderr += line

    def error_text(self):
        with self._err_lock:
            return self.stderr.decode(errors="replace")

    def next_line(self, timeout=DEADLINE):
        line = self.lines.get(timeout=timeout)
        if line is None:
            raise AssertionError("simulator ended; stderr %r" % self.stderr)
        return line

    def connect(self, path):
        """Opens the device as the host would: raw, no controlling tty."""
        if self.fd is not None:
            os.close(self.fd)
        self.path = path
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)

    def write(self, data):
        view = memoryview(data)
        while view:
            select.select([], [self.fd], [], DEADLINE)
            n = os.write(self.fd, view)
            view = view[n:]

    def read(self, count, timeout=DEADLINE):
        """Exactly count bytes, or fewer when the deadline passes."""
        out = b""
        end = time.monotonic() + timeout
        while len(out) < count:
            left = end - time.monotonic()
            if left <= 0:
                break
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                out += os.read(self.fd, count - len(out))
        return out

    def control(self, *lines):
        """Runs control commands and returns once the simulator has done them
        (an echo marker behind them comes back)."""
        self._marker += 1
        marker = "done-%d" % self._marker
        self.proc.stdin.write("".join(l + "\n" for l in lines).encode() + b"echo " + marker.encode() + b"\n")
        self.proc.stdin.flush()
        seen = []
        while True:
            line = self.next_line()
            if line == marker:
                return seen
            seen.append(line)

    def wait_for_stderr(self, text, timeout=DEADLINE):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if text in self.error_text():
                return True
            time.sleep(0.02)
        return False

    def stop(self, sig=signal.SIGTERM):
        """Stops it and returns its exit status."""
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        try:
            status = self.proc.wait(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise
        self.proc.stdin.close()
        for t in self._threads:
            t.join(DEADLINE)
        if not any(t.is_alive() for t in self._threads):
            self.proc.stdout.close()
            self.proc.stderr.close()
        return status

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None


class NetSimulator(Simulator):
    """The simulator on the network: TCP 9100 and UDP 3289 at address."""

    def __init__(self, binary, address, *args, cwd=None):
        self.address = self._start([binary, "--net", address, *args], cwd, "net ")
