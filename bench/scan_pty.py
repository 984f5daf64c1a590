"""A 2 MB scan over the pseudo-terminal in raw encoding: vordel's
GS_LP_G_65 against vordel-sim (a 2048 x 1024 picture in 4096-byte blocks,
each block acknowledged), beside the same scan taken by this script from the
simulator, and the rate at which the same bytes cross a raw pty pair copied
by this script, all in the same run.

usage: python3 bench/scan_pty.py path/to/vordel path/to/vordel-sim [runs]
The vordel figure is the scan's own time: the run's wall time minus that of
a run that only opens and closes the line (best of the runs each).
"""
import os
import sys
import threading
import time
import tty

sys.dont_write_bytecode = True  # no caches in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sim"))
from simulator import Simulator  # noqa: E402
import vordel_sim_test  # noqa: E402
from vordel_sim_test import VordelRun  # noqa: E402

WIDTH, HEIGHT, BLOCK = 2048, 1024, 4096
SIZE = WIDTH * HEIGHT
MB = 1e6


def vordel_seconds(vordel, sim_binary, script):
    sim = Simulator(sim_binary, "--scan", "size=%dx%d" % (WIDTH, HEIGHT), "--scan", "block=%d" % BLOCK, host=False)
    try:
        run = VordelRun(sim.path)
        job = run.script(script)
        start = time.monotonic()
        status, out, err = run.run(job, "COM1", timeout=600)
        seconds = time.monotonic() - start
        if status != 0 or out not in ("", "0\n"):
            raise SystemExit("vordel failed: %r %r" % (out, err))
        if out and os.path.getsize(run.path("scan.bin")) != SIZE:
            raise SystemExit("short scan file")
        return seconds
    finally:
        sim.stop()


def sim_alone_seconds(sim_binary):
    """The same scan taken by this script, acknowledging each block at once:
    what the simulator and the pty give without vordel."""
    sim = Simulator(sim_binary, "--scan", "size=%dx%d" % (WIDTH, HEIGHT), "--scan", "block=%d" % BLOCK)
    try:
        start = time.monotonic()
        sim.write(b"\x1d(G\x05\x00\x41\x01\x00\x00\x00")
        total = 0
        for _ in range(10 ** 6):
            header = sim.read(5)
            n = header[3] | header[4] << 8
            total += len(sim.read(n))
            sim.write(b"\x06")
            if header[2] == 0x40 and total > 64:  # the information blocks end in 40h too
                break
        seconds = time.monotonic() - start
        if total < SIZE:
            raise SystemExit("short scan from the simulator")
        return seconds
    finally:
        sim.stop()


def pty_copy_seconds(data):
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)

    def writer():
        view = memoryview(data)
        while view:
            view = view[os.write(master, view[:BLOCK]):]

    start = time.monotonic()
    thread = threading.Thread(target=writer)
    thread.start()
    got = 0
    while got < len(data):
        got += len(os.read(slave, 65536))
    seconds = time.monotonic() - start
    thread.join()
    os.close(master)
    os.close(slave)
    return seconds


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    vordel, sim = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    vordel_sim_test.VORDEL = vordel
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    data = bytes((3 * x + 5 * y) & 0xFF for y in range(HEIGHT) for x in range(WIDTH))
    base = min(vordel_seconds(vordel, sim, "BEGIN { }\n") for _ in range(runs))
    scan = min(vordel_seconds(vordel, sim, 'BEGIN { print GS_LP_G_65("scan.bin", 1, 1, 0, 0, "") }\n')
               for _ in range(runs))
    alone = min(sim_alone_seconds(sim) for _ in range(runs))
    copy = min(pty_copy_seconds(data) for _ in range(runs))
    transfer = max(scan - base, 1e-6)
    print("scan %.2f MB in %.3f s (run %.3f s, open/close %.3f s): %.1f MB/s" %
          (SIZE / MB, transfer, scan, base, SIZE / MB / transfer))
    print("the simulator alone (this script as the host): %.3f s: %.1f MB/s" % (alone, SIZE / MB / alone))
    print("raw pty copy of the same bytes: %.3f s: %.1f MB/s" % (copy, SIZE / MB / copy))
    print("ratio scan/copy: %.2f" % (copy / transfer))


if __name__ == "__main__":
    main()
