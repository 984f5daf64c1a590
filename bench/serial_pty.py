"""Serial throughput: 10 MB through `vordel -o FILE COM1` to a pseudo-terminal
whose far end only reads, against `cat FILE > device` to the same far end,
side by side in one run (best of three each). Each time runs from the start
of the writer until the far end has every byte. Target: vordel at most 1.5
times cat.

usage: python3 bench/serial_pty.py [path/to/vordel] [size in MB]
"""
import os
import pty
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import tty


def far_end_reader(master, total, done):
    got = 0
    while got < total:
        try:
            chunk = os.read(master, 1 << 16)
        except OSError:
            break
        if not chunk:
            break
        got += len(chunk)
    done.append(got)


def timed(command, master, total, env):
    done = []
    reader = threading.Thread(target=far_end_reader, args=(master, total, done))
    reader.start()
    start = time.monotonic()
    proc = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
    reader.join(60)
    elapsed = time.monotonic() - start
    if proc.returncode != 0 or not done or done[0] != total:
        sys.exit("%s failed: status %d, %s bytes arrived; %s"
                 % (command[0], proc.returncode, done[0] if done else "no", proc.stderr.decode()))
    return elapsed


def main():
    vordel = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/vordel")
    size = int(sys.argv[2] if len(sys.argv) > 2 else 10) * 1024 * 1024
    work = tempfile.mkdtemp(prefix="vordel-bench-")
    try:
        master, slave = pty.openpty()
        tty.setraw(slave)
        device = os.ttyname(slave)
        data = os.path.join(work, "job.bin")
        with open(data, "wb") as f:
            f.write(os.urandom(size))
        config = os.path.join(work, "config", "vordel")
        os.makedirs(config)
        with open(os.path.join(config, "vordel.ini"), "w") as f:
            f.write("[devices]\nCOM1=%s\n" % device)
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"), HOME=work, TMPDIR=work)
        env.pop("VORDEL", None)
        cat_times, vordel_times = [], []
        for _ in range(3):
            cat_times.append(timed(["sh", "-c", 'cat "$1" > "$2"', "sh", data, device], master, size, env))
            vordel_times.append(timed([vordel, "-fN", "-b1152", "-o", data, "COM1"], master, size, env))
        cat, ours = min(cat_times), min(vordel_times)
        print("serial %d MB to a pty: cat %.3f s, vordel -o %.3f s: ratio %.2f (target <= 1.50)"
              % (size >> 20, cat, ours, ours / cat))
        os.close(master)
        os.close(slave)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
