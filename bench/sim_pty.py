"""vordel-sim throughput over its pseudo-terminal: 10 MB of print data
(receipt text with style commands, raster and column images, a status
request now and then) written to the device end, and the simulator's own
processing rate taken from its CPU time (user + system) while it read them.
Target: at least 20 MB/s, so the simulator is never a test's bottleneck.

usage: python3 bench/sim_pty.py [path/to/vordel-sim] [size in MB] [extra simulator options]
"""
import os
import random
import select
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sim"))
from simulator import Simulator  # noqa: E402


def print_data(size, seed=24):
    rng = random.Random(seed)
    parts, total = [], 0
    line = b"\x1b!\x00Rye loaf                  3.20\n\x1b!\x08TOTAL                     7.75\n"
    while total < size:
        kind = rng.randrange(10)
        if kind < 6:
            piece = line * 20
        elif kind < 8:  # a 576-dot raster image, 64 rows; data full of request bytes
            row = bytes(rng.randrange(256) for _ in range(72))
            piece = b"\x1dv0\x00" + bytes([72, 0, 64, 0]) + row * 64
        elif kind < 9:  # a 24-dot column image band
            piece = b"\x1b*\x21" + bytes([0x40, 0x02]) + bytes([0x10, 0x04, 0x01]) * 576 + b"\n"
        else:
            piece = b"\x10\x04\x01"  # a real request: answered
        parts.append(piece)
        total += len(piece)
    return b"".join(parts)[:size]


def cpu_seconds(pid):
    """(user, system) seconds of the process; with the scheduler's nanosecond
    count, when there is one, as the user figure and 0 as the system one."""
    try:
        with open("/proc/%d/schedstat" % pid) as f:
            return int(f.read().split()[0]) / 1e9, 0.0
    except OSError:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        tick = os.sysconf("SC_CLK_TCK")
        return int(fields[11]) / tick, int(fields[12]) / tick


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/sim/vordel-sim"
    size = int(sys.argv[2] if len(sys.argv) > 2 else 10) * 1000 * 1000
    end_request, end_reply = b"\x1dIB", b"\x5fVORDEL-SIM\x00"  # marks the end of the data
    data = print_data(size) + end_request
    sim = Simulator(binary, *sys.argv[3:])
    try:
        cpu0, wall0 = cpu_seconds(sim.proc.pid), time.monotonic()
        replies = bytearray()
        view = memoryview(data)
        while view:
            r, w, _ = select.select([sim.fd], [sim.fd], [], 10)
            if r:
                replies += os.read(sim.fd, 65536)
            if w:
                n = os.write(sim.fd, view[:65536])
                view = view[n:]
        while not replies.endswith(end_reply):
            more = sim.read(1, timeout=60)
            if not more:
                raise SystemExit("no end marker from the simulator")
            replies += more
        wall, (user, system) = time.monotonic() - wall0, cpu_seconds(sim.proc.pid)
        user, system = user - cpu0[0], system - cpu0[1]
        cpu = user + system
    finally:
        sim.stop()
    mb = len(data) / 1e6
    print("%.1f MB in %.2f s wall (%.1f MB/s); simulator CPU %.3f s: %.0f MB/s of its own processing"
          % (mb, wall, mb / wall, cpu, mb / cpu if cpu > 0 else float("inf")))
    return 0 if cpu == 0 or mb / cpu >= 20 else 1


if __name__ == "__main__":
    sys.exit(main())
