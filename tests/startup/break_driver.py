#!/usr/bin/env python3
"""Ctrl+C at a random moment, many times over.

Each script runs RUNS times; once the banner has appeared on the error
stream, SIGINT follows after a random 0..200 ms (the first runs of each
script within 10 ms, where start-up and preprocessing are). Every run must
show all four:
  - "CTRL-C BREAK" on the error stream,
  - exit status 1,
  - no temporary file left behind,
  - the script's file complete up to the last line it reported (fopen/fputs
    script), or the terminal back in the mode it was found in (kbhit script
    on a pseudo-terminal).
Prints a summary line per script; exits 1 if any run broke a property.
"""
import argparse
import os
import pty
import random
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time

BANNER = b"VORDEL Interpreter"

FILE_SCRIPT = """BEGIN {
    f = fopen("out.txt", "w")
    for (i = 1; i <= 3000000; i++) { fputs("line " i "\\n", f); print i }
}
"""

KEYS_SCRIPT = """BEGIN { while (1) { if (kbhit()) getch(); n++ } }
"""

# Each macro doubles the one before: tens of megabytes of preprocessed text.
PREPROC_SCRIPT = "#define D0 x = x + 1;\n" + "".join(
    "#define D%d D%d D%d\n" % (i, i - 1, i - 1) for i in range(1, 22)) + "BEGIN { D21 }\n"


def wait_for(fd, marker, deadline, seen=b""):
    """Reads fd until marker appears; returns everything read."""
    while marker not in seen:
        left = deadline - time.monotonic()
        if left <= 0:
            break
        ready, _, _ = select.select([fd], [], [], left)
        if not ready:
            break
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
    return seen


def drain(fd, proc, deadline):
    """Reads fd until its end (a pipe) or until proc has ended and nothing is left (a terminal)."""
    out = b""
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                chunk = b""
            if not chunk:
                break
            out += chunk
        elif proc.poll() is not None:
            break
    return out


def leftovers(tmpdir):
    return [n for n in os.listdir(tmpdir) if n.startswith("vordelw")]


def file_complete(workdir, stdout):
    """out.txt holds whole lines 1..k, k the last number printed or one more."""
    printed = [line for line in stdout.splitlines() if line.isdigit()]
    last = int(printed[-1]) if printed else 0
    path = os.path.join(workdir, "out.txt")
    if not os.path.exists(path):
        return last == 0, "no out.txt"
    data = open(path, "rb").read()
    if data and not data.endswith(b"\n"):
        return False, "partial last line after %d bytes" % len(data)
    lines = data.splitlines()
    if lines != [b"line %d" % i for i in range(1, len(lines) + 1)]:
        return False, "lines out of order"
    if len(lines) not in (last, last + 1):
        return False, "%d lines written, %d reported" % (len(lines), last)
    return True, ""


def run_piped(vordel, script, delay, workdir, tmpdir):
    env = dict(os.environ, TMPDIR=tmpdir, LC_ALL="C")
    proc = subprocess.Popen([vordel, script], cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                            stdout=open(os.path.join(workdir, "stdout"), "wb"), stderr=subprocess.PIPE)
    err = wait_for(proc.stderr.fileno(), BANNER, time.monotonic() + 30)
    time.sleep(delay)
    proc.send_signal(signal.SIGINT)
    err += drain(proc.stderr.fileno(), proc, time.monotonic() + 60)
    status = proc.wait(60)
    stdout = open(os.path.join(workdir, "stdout"), "rb").read()
    return status, err, stdout


def run_on_terminal(vordel, script, delay, workdir, tmpdir):
    master, slave = pty.openpty()
    before = termios.tcgetattr(slave)
    env = dict(os.environ, TMPDIR=tmpdir, LC_ALL="C", TERM="xterm")
    proc = subprocess.Popen([vordel, script], cwd=workdir, env=env, stdin=slave, stdout=slave,
                            stderr=slave, start_new_session=True)
    out = wait_for(master, BANNER, time.monotonic() + 30)
    time.sleep(delay)
    proc.send_signal(signal.SIGINT)
    status = proc.wait(60)
    out += drain(master, proc, time.monotonic() + 5)
    after = termios.tcgetattr(slave)
    os.close(slave)
    os.close(master)
    return status, out, before == after


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vordel", required=True)
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    vordel = os.path.abspath(args.vordel)
    failures = 0
    for name, text, on_terminal in (("files", FILE_SCRIPT, False), ("keys", KEYS_SCRIPT, True),
                                    ("preprocessing", PREPROC_SCRIPT, False)):
        held = 0
        for run in range(args.runs):
            delay = rng.uniform(0, 0.010 if run < 5 else 0.200)
            with tempfile.TemporaryDirectory(prefix="vordel-break-") as workdir:
                tmpdir = os.path.join(workdir, "tmp")
                os.mkdir(tmpdir)
                script = os.path.join(workdir, "t.vdl")
                with open(script, "w") as f:
                    f.write(text)
                problems = []
                if on_terminal:
                    status, err, restored = run_on_terminal(vordel, script, delay, workdir, tmpdir)
                    if not restored:
                        problems.append("terminal left changed")
                else:
                    status, err, stdout = run_piped(vordel, script, delay, workdir, tmpdir)
                    if name == "files":
                        ok, why = file_complete(workdir, stdout)
                        if not ok:
                            problems.append(why)
                if b"CTRL-C BREAK" not in err:
                    problems.append("no break message")
                if status != 1:
                    problems.append("status %d" % status)
                if leftovers(tmpdir):
                    problems.append("temporary file left: %s" % leftovers(tmpdir))
                if problems:
                    failures += 1
                    print("%s run %d (SIGINT after %.1f ms): %s" % (name, run, delay * 1000, "; ".join(problems)))
                else:
                    held += 1
        print("%s: %d of %d runs held all four properties" % (name, held, args.runs))
    print("seed %d" % seed)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
