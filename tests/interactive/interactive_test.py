#!/usr/bin/env python3
"""The interactive mode as its user meets it: `tmux` types at the line editor
(file target); `sim` pipes lines to the simulator on a pseudo-terminal mapped
to COM1. Exit status 0 passed, 1 failed, 77 skipped."""
import argparse
import os
import queue
import shlex
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "console"))
sys.path.insert(0, os.path.join(HERE, "..", "sim"))
import console_test  # noqa: E402
from console_test import Tmux, check, check_true, rows  # noqa: E402

failures = console_test.failures
SKIPPED = 77
MODES = ("stty -a | tr ' ' '\\n' | grep -x -e '-*icanon' -e '-*echo' | tr '\\n' ' '; "
         "stty -a | grep -o 'intr = [^;]*'")


def last_row(screen):
    filled = [r for r in rows(screen) if r]
    return filled[-1] if filled else ""


def wait_last_row(t, want, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        if last_row(t.screen()) == want:
            return
        time.sleep(0.05)
    failures.append(f"last row never became {want!r}; screen:\n{t.screen()}")


def read(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def run_tmux(vordel):
    t = Tmux(f"vordel-interactive-{os.getpid()}")
    work = tempfile.mkdtemp(prefix="vordel_interactive_")
    go = (f"cd {shlex.quote(work)} && export XDG_STATE_HOME={shlex.quote(work)}/state && "
          f"{shlex.quote(vordel)} -i out.bin; s=$?; echo; echo status=$s; {MODES}; echo; echo modes-shown")
    history = os.path.join(work, "state", "vordel", "vordel.HST")
    try:
        t.start(go)
        t.wait_for(" -----")
        t.keys("-l", "ESC @")
        t.keys("Enter")
        t.wait_for(">000001:  64  40h  '@'")

        # Delete under the cursor, insert, End.
        t.keys("-l", '"HXllo"')
        t.keys("Home", "Right", "Right", "DC", "e", "End")
        t.keys("-l", " LF")
        wait_last_row(t, '"Hello" LF')
        t.keys("Enter")
        t.wait_for(">000007:  10  0Ah  LF")

        # Ctrl-A, Ctrl-K, then Backspace and Ctrl-B / Ctrl-F / Ctrl-D.
        t.keys("-l", "abc")
        t.keys("C-a", "C-k")
        t.keys("-l", "65x")
        t.keys("BSpace", "Enter")
        t.wait_for(">000008:  65  41h  'A'")
        t.keys("-l", "17x9")
        t.keys("C-b", "C-d", "C-b", "C-b", "C-f", "C-d")
        wait_last_row(t, "17")
        t.keys("Enter")
        t.wait_for(">000009:  17  11h  DC1")

        # History: Up and Down browse; the line taken again is not stored twice.
        t.keys("Up")
        wait_last_row(t, "17")
        t.keys("Up", "Up")
        wait_last_row(t, '"Hello" LF')
        t.keys("Down")
        wait_last_row(t, "65")
        t.keys("Down", "Down")
        wait_last_row(t, ">000009:  17  11h  DC1")  # the empty line after the newest
        t.keys("Up", "Enter")
        t.wait_for(">000010:  17  11h  DC1")

        t.keys("-l", "unsent")
        t.keys("Escape")
        s = t.wait_for("modes-shown")
        check_true("Esc ends the run", "status=0" in s and "unsent" not in s, s)
        check_true("terminal restored", "icanon echo intr = ^C" in s and "-icanon" not in s, s)
        check("bytes", read(os.path.join(work, "out.bin")), b"\x1b@Hello\nA\x11\x11")
        check("history", read(history, "r"), 'ESC @\n"Hello" LF\n65\n17\n')

        # The next run browses the kept history; Ctrl+C is Esc here, not a break.
        t.start(go)
        t.wait_for(" -----")
        t.keys("Up")
        wait_last_row(t, "17")
        t.keys("Up")
        wait_last_row(t, "65")
        t.keys("C-c")
        s = t.wait_for("modes-shown")
        check_true("Ctrl+C ends the run like Esc", "status=0" in s and "CTRL-C BREAK" not in s, s)
        check_true("terminal restored after Ctrl+C", "icanon echo intr = ^C" in s, s)
        check("nothing sent", read(os.path.join(work, "out.bin")), b"")
    finally:
        t.stop()
        shutil.rmtree(work, ignore_errors=True)


# ---- against the simulator ---------------------------------------------------

def sim_run(vst, sim, stdin, *options):
    run = vst.VordelRun(sim.path)
    r = subprocess.run([vst.VORDEL, *options, "-i", "COM1"], input=stdin, cwd=run.dir.name, env=run.env,
                       capture_output=True, timeout=120)
    return run, r.returncode, r.stdout.decode("latin-1"), r.stderr.decode("latin-1")


def sim_piped_lines(vst, Simulator):
    work = tempfile.mkdtemp(prefix="vordel_interactive_sim_")
    try:
        log = os.path.join(work, "received.bin")
        sim = Simulator(vst.SIM, "--log", log, cwd=work, host=False)
        _, status, out, err = sim_run(vst, sim, b'ESC @\n"Hi" LF\r\nGS V 66 0')
        check("piped run status", (status, sim.stop()), (0, 0))
        check("bytes at the printer", read(log), b"\x1b@Hi\n\x1dVB\x00")
        check("dump", out, ">000000:  27  1Bh  ESC\n>000001:  64  40h  '@'\n>000002:  72  48h  'H'\n"
                           ">000003: 105  69h  'i'\n>000004:  10  0Ah  LF \n>000005:  29  1Dh  GS \n"
                           ">000006:  86  56h  'V'\n>000007:  66  42h  'B'\n>000008:   0  00h  NUL\n")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def sim_reply_dumped(vst, Simulator):
    """A real-time request: the reply is dumped while the next line is awaited."""
    sim = Simulator(vst.SIM, host=False)
    try:
        run = vst.VordelRun(sim.path)
        proc = subprocess.Popen([vst.VORDEL, "-i", "COM1"], cwd=run.dir.name, env=run.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        proc.stdin.write(b"DIR DLE EOT 1 DIR\n")
        proc.stdin.flush()
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(l.decode("latin-1")) for l in proc.stdout], daemon=True).start()
        seen = []
        try:
            while not (seen and seen[-1].startswith("<") and "000000:" in seen[-1]):
                seen.append(lines.get(timeout=20))
        except queue.Empty:
            pass
        proc.stdin.close()
        proc.wait(timeout=60)
        time.sleep(0.2)
        while not lines.empty():
            seen.append(lines.get())
        out = "".join(seen)
        check("reply run status", proc.returncode, 0)
        check("real-time request and reply", out,
              "<DIRECT MODE ON\n>000000:  16  10h  DLE\n>000001:   4  04h  EOT\n>000002:   1  01h  SOH\n"
              "<DIRECT MODE OFF\n<                        000000:  18  12h  DC2\n")
    finally:
        sim.stop()


def sim_busy(vst, Simulator):
    sim = Simulator(vst.SIM, host=False)
    try:
        _, status, out, err = sim_run(vst, sim, b"BUSY\n65\nBUSY\n", "-fX")
        check("busy status", status, 0)
        check("busy messages", out, "<BUSY ON\n>000000:  65  41h  'A'\n<BUSY OFF\n")
    finally:
        sim.stop()


def sim_history_two_runs(vst, Simulator):
    sim = Simulator(vst.SIM, host=False)
    try:
        first = "".join(f"{n}\n" for n in [1, 2, 2] + list(range(3, 16))).encode()
        run, status, _, err = sim_run(vst, sim, first)
        check("first run", status, 0)
        history = os.path.join(run.dir.name, "state", "vordel", "vordel.HST")
        check("history after one run", read(history, "r"), "".join(f"{n}\n" for n in range(1, 16)))
        second = "".join(f"{n}\n" for n in range(15, 22)).encode()
        r = subprocess.run([vst.VORDEL, "-i", "COM1"], input=second, cwd=run.dir.name, env=run.env,
                           capture_output=True, timeout=120)
        check("second run", r.returncode, 0)
        check("history after two runs", read(history, "r"), "".join(f"{n}\n" for n in range(2, 22)))
    finally:
        sim.stop()


def run_sim(vordel, sim_binary):
    import vordel_sim_test as vst
    from simulator import Simulator
    vst.VORDEL, vst.SIM = vordel, sim_binary
    for test in (sim_piped_lines, sim_reply_dumped, sim_busy, sim_history_two_runs):
        test(vst, Simulator)
    return 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("mode", choices=["tmux", "sim"])
    ap.add_argument("--vordel", required=True)
    ap.add_argument("--sim")
    a = ap.parse_args()
    vordel = os.path.abspath(a.vordel)
    if a.mode == "tmux":
        if shutil.which("tmux") is None:
            print("tmux not installed: skipped (scripts/setup.sh installs it)")
            return SKIPPED
        run_tmux(vordel)
    else:
        result = run_sim(vordel, os.path.abspath(a.sim))
        if result == SKIPPED:
            return SKIPPED
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
