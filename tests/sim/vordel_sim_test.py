"""vordel against vordel-sim over a pseudo-terminal mapped to COM1 in a
temporary profile: bytes arrive exactly, recv gets the simulator's reply,
-t dumps both directions, a held-off line gives one "Busy" and loses
nothing, a dropped line makes vordel wait for it (Esc ends the wait) and a
line that comes back gets the rest of the job.

usage: vordel_sim_test.py PATH-TO-vordel PATH-TO-vordel-sim [unittest arguments]
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from simulator import DEADLINE, Simulator, read_until  # noqa: E402

VORDEL = SIM = None

# About 200 KB of receipt lines: more than a pseudo-terminal buffers, so a
# held line makes vordel wait on its writes.
BIG_JOB = r"""
BEGIN {
    output ESC, "@"
    for (i = 0; i < 5000; i++)
        outputf "%05d receipt line with some text on it.\n", i
    output GS, "V", 66, 0
}
"""


class VordelRun:
    """A temporary home with a profile that maps COM1 to the simulator."""

    def __init__(self, device):
        self.dir = tempfile.TemporaryDirectory(prefix="vordel-sim-e2e")
        config = os.path.join(self.dir.name, "config", "vordel")
        os.makedirs(config)
        with open(os.path.join(config, "vordel.ini"), "w") as f:
            f.write("[devices]\nCOM1=%s\n" % device)
        self.env = {k: v for k, v in os.environ.items() if k not in ("VORDEL", "VORDELINC")}
        self.env.update(HOME=self.dir.name, TMPDIR=self.dir.name, LC_ALL="C",
                        XDG_CONFIG_HOME=os.path.join(self.dir.name, "config"),
                        XDG_STATE_HOME=os.path.join(self.dir.name, "state"))

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def script(self, text, name="job.vd"):
        with open(self.path(name), "w") as f:
            f.write(text)
        return name

    def start(self, *args, stdin=subprocess.DEVNULL):
        return subprocess.Popen([VORDEL, *args], cwd=self.dir.name, env=self.env,
                                stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def run(self, *args, timeout=120):
        proc = self.start(*args)
        out, err = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace"), err.decode(errors="replace")


def wait_for_file(path, check):
    """vordel may end while its last bytes still wait in the line for the
    simulator: wait (up to the deadline) until the log passes check."""
    deadline = time.monotonic() + DEADLINE
    while time.monotonic() < deadline:
        if os.path.exists(path):
            with open(path, "rb") as f:
                if check(f.read()):
                    return
        time.sleep(0.05)


class VordelAgainstSim(unittest.TestCase):
    def setUp(self):
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.close()

    def start_sim(self, run_dir, *args):
        sim = Simulator(SIM, *args, cwd=run_dir, host=False)
        self.sims.append(sim)
        return sim

    def test_bytes_arrive_exactly(self):
        tmp = tempfile.TemporaryDirectory()
        sim = self.start_sim(tmp.name, "--log", os.path.join(tmp.name, "received.bin"))
        run = VordelRun(sim.path)
        job = run.script(BIG_JOB)
        self.assertEqual(run.run(job, "expected.bin")[0], 0)
        status, _, err = run.run(job, "COM1")
        self.assertEqual(status, 0, err)
        expected_size = os.path.getsize(run.path("expected.bin"))
        wait_for_file(os.path.join(tmp.name, "received.bin"), lambda data: len(data) >= expected_size)
        self.assertEqual(sim.stop(), 0)
        with open(run.path("expected.bin"), "rb") as a, open(os.path.join(tmp.name, "received.bin"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_recv_gets_the_scripted_reply(self):
        sim = self.start_sim(None, "--reply", "0531=414243")
        run = VordelRun(sim.path)
        job = run.script('BEGIN {\n    RECV = 1\n    output 5, "1"\n'
                         '    a = recv(); b = recv(); c = recv()\n    print a, b, c, recvlen()\n}\n')
        status, out, err = run.run(job, "COM1")
        self.assertEqual((status, out), (0, "65 66 67 0\n"), err)

    def test_terminal_display_shows_both_directions(self):
        sim = self.start_sim(None)
        run = VordelRun(sim.path)
        job = run.script("BEGIN {\n    RECV = 1\n    output 16, 4, 1\n    print recv()\n}\n")
        status, out, err = run.run("-t", job, "COM1")
        self.assertEqual(status, 0, err)
        lines = out.splitlines()
        self.assertTrue(any(l.startswith(">") and "04h" in l for l in lines), out)
        self.assertTrue(any(l.startswith("<") and "12h" in l for l in lines), out)
        self.assertEqual(lines[-1], "18")

    def test_a_held_line_is_busy_once_and_loses_nothing(self):
        tmp = tempfile.TemporaryDirectory()
        sim = self.start_sim(tmp.name, "--log", os.path.join(tmp.name, "received.bin"))
        run = VordelRun(sim.path)
        job = run.script(BIG_JOB)
        run.run(job, "expected.bin")
        sim.control("hold 2000")
        status, _, err = run.run(job, "COM1")
        self.assertEqual(status, 0, err)
        self.assertEqual(err.count("Busy\n"), 1, err)
        expected_size = os.path.getsize(run.path("expected.bin"))
        wait_for_file(os.path.join(tmp.name, "received.bin"), lambda data: len(data) >= expected_size)
        self.assertEqual(sim.stop(), 0)
        with open(run.path("expected.bin"), "rb") as a, open(os.path.join(tmp.name, "received.bin"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_a_dropped_line_is_awaited_and_esc_ends_the_run(self):
        tmp = tempfile.TemporaryDirectory()
        log = os.path.join(tmp.name, "received.bin")
        sim = self.start_sim(tmp.name, "--log", log)
        run = VordelRun(sim.path)
        job = run.script('BEGIN {\n    RECV = 1\n    output "line", LF\n    c = recv()\n}\n')
        proc = run.start(job, "COM1", stdin=subprocess.PIPE)
        deadline = time.monotonic() + DEADLINE
        while (not os.path.exists(log) or os.path.getsize(log) == 0) and time.monotonic() < deadline:
            time.sleep(0.05)
        sim.control("drop")
        err = read_until(proc.stderr, b"Esc cancels\n")
        self.assertIn(b"Printer disconnected: " + sim.path.encode(), err)
        proc.stdin.write(b"\x1b")
        proc.stdin.flush()
        try:
            _, rest = proc.communicate(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            self.fail("Esc did not end the wait for the dropped line")
        self.assertEqual(proc.returncode, 1, err + rest)

    def test_a_line_that_comes_back_gets_the_rest(self):
        tmp = tempfile.TemporaryDirectory()
        link = os.path.join(tmp.name, "line")
        log = os.path.join(tmp.name, "received.bin")
        sim = self.start_sim(tmp.name, "--link", link, "--log", log)
        run = VordelRun(link)
        job = run.script('BEGIN {\n    RECV = 1\n    output "first", LF\n    c = recv()\n'
                         '    output "second", LF\n}\n')
        proc = run.start(job, "COM1")
        deadline = time.monotonic() + DEADLINE
        while (not os.path.exists(log) or os.path.getsize(log) < 6) and time.monotonic() < deadline:
            time.sleep(0.05)
        sim.control("drop")
        # The reply is sent until vordel, back on the new line, has read it:
        # what comes before its reopen is dropped with the line's old input.
        deadline = time.monotonic() + DEADLINE * 2
        while proc.poll() is None and time.monotonic() < deadline:
            sim.control("send 41")
            time.sleep(0.3)
        out, err = proc.communicate(timeout=DEADLINE)
        self.assertEqual(proc.returncode, 0, err)
        self.assertEqual(err.count(b"Printer disconnected"), 1, err)
        wait_for_file(log, lambda data: data.endswith(b"second\n"))
        self.assertEqual(sim.stop(), 0)
        with open(log, "rb") as f:
            self.assertTrue(f.read().endswith(b"second\n"))


if __name__ == "__main__":
    VORDEL = os.path.abspath(sys.argv.pop(1))
    SIM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
