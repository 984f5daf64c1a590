#!/usr/bin/env python3
"""vordel in a real terminal (tmux): the usage pause, Ctrl+C, the title.

    terminal_test.py --vordel BUILD/vordel

Exit status 0 when every check passed, 1 on a failure, 77 when tmux is missing.
"""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

failures = []


class Pane:
    """One tmux server with one 80x25 pane running a bash command line."""

    count = 0

    def __init__(self, command, cwd):
        Pane.count += 1
        self.base = ["tmux", "-L", f"vordel-startup-{os.getpid()}-{Pane.count}", "-f", "/dev/null"]
        self.tmux("new-session", "-d", "-s", "t", "-x", "80", "-y", "25", "-c", cwd,
                  "bash", "--norc", "-c", command + "; sleep 30")
        self.tmux("set-option", "-t", "t", "status", "off")

    def tmux(self, *args):
        return subprocess.run(self.base + list(args), capture_output=True, text=True).stdout

    def screen(self):
        return self.tmux("capture-pane", "-p", "-t", "t")

    def wait_for(self, text, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if text in self.screen():
                return self.screen()
            time.sleep(0.05)
        failures.append(f"timed out waiting for {text!r}; screen:\n{self.screen()}")
        return self.screen()

    def keys(self, *keys):
        self.tmux("send-keys", "-t", "t", *keys)

    def stop(self):
        self.tmux("kill-server")


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}\n{detail}")


def usage_pause(vordel, cwd):
    p = Pane(f"{vordel}; echo status=$?", cwd)
    try:
        s = p.wait_for("more...")
        check("pause waits before the targets", "Target" not in s, s)
        title = p.tmux("display-message", "-p", "-t", "t", "#{pane_title}").strip()
        check("window title", title == "VORDEL Interpreter", title)
        p.keys("x")
        s = p.wait_for("status=0")
        lines = [l.rstrip() for l in s.splitlines()]
        check("more... blanked, target lines start at column 0", "more..." not in s and "  Target" in lines, s)
        check("key not echoed", not any(l.startswith("x") for l in lines), s)
    finally:
        p.stop()


def ctrl_c_while_copying(vordel, cwd):
    # The terminal itself is the slow input: the copy waits for typed bytes.
    p = Pane(f"{vordel} -o /dev/stdin out.bin; echo status=$?", cwd)
    try:
        p.wait_for("-----")
        p.keys("abc", "Enter")
        time.sleep(0.2)
        p.keys("C-c")
        s = p.wait_for("status=1")
        check("break message", "CTRL-C BREAK" in s, s)
        check("no run-time line after a break", "Total Time" not in s, s)
        check("output file closed and kept", os.path.exists(os.path.join(cwd, "out.bin")))
    finally:
        p.stop()


def ctrl_c_at_usage_pause(vordel, cwd):
    # Before a run mode starts, Ctrl+C ends vordel the usual way; the key wait's
    # no-echo mode must not outlive it.
    p = Pane(f"trap 'stty -a > stty.txt; echo trapped' INT; {vordel}", cwd)
    try:
        p.wait_for("more...")
        p.keys("C-c")
        p.wait_for("trapped")
        with open(os.path.join(cwd, "stty.txt")) as f:
            modes = f.read().split()
        check("echo back on after Ctrl+C", "echo" in modes and "icanon" in modes, " ".join(modes))
    finally:
        p.stop()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vordel", required=True)
    a = ap.parse_args()
    if shutil.which("tmux") is None:
        print("tmux not installed: terminal tests skipped (scripts/setup.sh installs it)")
        return 77
    vordel = shlex.quote(os.path.abspath(a.vordel))
    with tempfile.TemporaryDirectory(prefix="vordel-term-") as cwd:
        usage_pause(vordel, cwd)
        ctrl_c_while_copying(vordel, cwd)
        ctrl_c_at_usage_pause(vordel, cwd)
    for f in failures:
        print("FAIL", f)
    print("terminal checks:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
