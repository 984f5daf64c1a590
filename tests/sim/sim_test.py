"""vordel-sim end to end over its pseudo-terminal: replies, control
commands, faults, the log, the trace and a clean end on a stop signal.

usage: sim_test.py PATH-TO-vordel-sim [unittest arguments]
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from simulator import DEADLINE, Simulator  # noqa: E402

SIM = None


class SimTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="vordel-sim-test")
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.close()
        self.dir.cleanup()

    def start(self, *args):
        sim = Simulator(SIM, *args, cwd=self.dir.name)
        self.sims.append(sim)
        return sim

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_answers_status_requests_and_traces_them(self):
        sim = self.start("--trace")
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1), b"\x12")
        sim.write(b"\x1dIA")
        self.assertEqual(sim.read(6), b"\x5f1.00\x00")
        sim.write(b"\x1da\xff")  # automatic status on: the first ASB at once
        self.assertEqual(sim.read(4), b"\x10\x00\x60\x6f")
        sim.control("set cover=open")  # ... and again on a change
        self.assertEqual(sim.read(4), b"\x38\x00\x60\x6f")
        sim.write(b"\x10\x04\x02")
        self.assertEqual(sim.read(1), b"\x16")
        self.assertEqual(sim.stop(signal.SIGINT), 0)
        err = sim.error_text()
        for line in ["DLE EOT 1 -> 12h", "GS I 65 -> block 6 bytes", "GS a 255 -> ASB 10 00 60 6F",
                     "control: set cover=open", "state -> ASB 38 00 60 6F", "DLE EOT 2 -> 16h",
                     "vordel-sim: 12 bytes received, 4 commands, 5 replies"]:
            self.assertIn(line + "\n", err)

    def test_image_data_is_never_answered(self):
        sim = self.start()
        # A raster image whose data is all status requests, then one real request.
        data = b"\x10\x04\x01" * 10
        sim.write(b"\x1dv0\x00" + bytes([30, 0, 1, 0]) + data + b"\x10\x04\x04")
        self.assertEqual(sim.read(2, timeout=2), b"\x12")

    def test_scripted_replies_come_first(self):
        sim = self.start("--reply", "100401=16", "--reply=0531=414243", "--reply", "1d4941=-")
        sim.write(b"\x10\x04\x01\x05\x31")
        self.assertEqual(sim.read(4), b"\x16ABC")
        sim.write(b"\x1dIA\x10\x04\x02")  # silenced, then a model answer
        self.assertEqual(sim.read(1), b"\x12")
        sim.control("reply 1d4942=5f5800")
        sim.write(b"\x1dIB")
        self.assertEqual(sim.read(3), b"\x5fX\x00")

    def test_log_holds_every_byte_received(self):
        sim = self.start("--log", "received.bin")
        rng = random.Random(16)
        data = bytes(rng.randrange(256) for _ in range(300_000))
        sim.write(data)
        sim.control("echo")  # nothing to wait for: the log is complete on exit
        deadline = time.monotonic() + DEADLINE
        while os.path.getsize(self.path("received.bin")) < len(data) and time.monotonic() < deadline:
            sim.read(4096, timeout=0.05)  # random bytes make requests; take the replies
        self.assertEqual(sim.stop(), 0)
        with open(self.path("received.bin"), "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertIn("vordel-sim: 300000 bytes received", sim.error_text())

    def test_hold_stops_reading_for_a_while(self):
        sim = self.start()
        sim.control("hold 1000")
        start = time.monotonic()
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1), b"\x12")
        self.assertGreaterEqual(time.monotonic() - start, 0.9)

    def test_silent_garbage_and_send(self):
        sim = self.start("--seed", "5")
        sim.control("silent on")
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1, timeout=0.5), b"")
        sim.control("silent off", "garbage 20")
        self.assertEqual(len(sim.read(20)), 20)
        sim.control("send 10 04 FF 0x41")
        self.assertEqual(sim.read(4), b"\x10\x04\xffA")
        sim.write(b"\x10\x04\x03")
        self.assertEqual(sim.read(2, timeout=1), b"\x12")

    def test_bad_control_lines_are_reported_and_serving_goes_on(self):
        sim = self.start()
        sim.control("frobnicate")
        self.assertTrue(sim.wait_for_stderr("vordel-sim: unknown control command 'frobnicate' (try help)\n"))
        self.assertIn("online=on cover=closed", sim.control("show")[0])
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1), b"\x12")

    def test_drop_closes_the_line_and_offers_a_new_one(self):
        sim = self.start("--link", "printer")
        self.assertEqual(os.readlink(self.path("printer")), sim.path)
        old_fd = sim.fd
        sim.proc.stdin.write(b"drop\n")
        sim.proc.stdin.flush()
        new_path = sim.next_line()
        self.assertTrue(new_path.startswith("serial "), new_path)
        # The host end of the dropped line reads an end or an error, never hangs.
        try:
            self.assertEqual(os.read(old_fd, 1), b"")
        except OSError:
            pass
        sim.fd = None
        os.close(old_fd)
        sim.connect(new_path[len("serial "):])
        self.assertEqual(os.readlink(self.path("printer")), sim.path)
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1), b"\x12")

    def test_stop_signals_end_cleanly(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            sim = self.start("--link", "printer", "--set", "paper=near-end")
            sim.write(b"\x10\x04\x04")
            self.assertEqual(sim.read(1), b"\x1e")
            self.assertEqual(sim.stop(sig), 0)
            self.assertFalse(os.path.lexists(self.path("printer")), "the link goes with the line")
            self.assertTrue(sim.error_text().endswith(
                "vordel-sim: 3 bytes received, 1 commands, 1 replies\n"), sim.error_text())

    def test_quit_and_the_end_of_standard_input(self):
        sim = self.start()
        sim.proc.stdin.close()  # control input ends: serving goes on
        sim.write(b"\x10\x04\x01")
        self.assertEqual(sim.read(1), b"\x12")
        self.assertEqual(sim.stop(), 0)
        sim = self.start()
        sim.proc.stdin.write(b"quit\n")
        sim.proc.stdin.flush()
        self.assertEqual(sim.proc.wait(timeout=DEADLINE), 0)

    def test_usage_errors(self):
        rows = [
            ([], "vordel-sim: choose a transport (--serial or --net)\n"),
            (["--net", "127.0.0.1", "--serial"], "vordel-sim: one transport: --serial or --net\n"),
            (["--net", "1.2.3"], "vordel-sim: bad IPv4 address '1.2.3'\n"),
            (["--serial", "--bogus"], "vordel-sim: unknown option '--bogus'\n"),
            (["--serial", "--hold", "soon"], "vordel-sim: bad hold time 'soon'\n"),
            (["--serial", "--reply", "10="], "vordel-sim: --reply: bad reply bytes ''\n"),
            (["--serial", "--set", "lid=open"], "vordel-sim: --set: unknown state 'lid'\n"),
            (["--serial", "--link"], "vordel-sim: --link needs a value\n"),
        ]
        for args, first_line in rows:
            run = subprocess.run([SIM, *args], capture_output=True, timeout=DEADLINE, stdin=subprocess.DEVNULL)
            self.assertEqual(run.returncode, 2, args)
            self.assertTrue(run.stderr.decode().startswith(first_line), (args, run.stderr))
            self.assertEqual(run.stdout, b"", args)

    def test_link_never_replaces_a_file(self):
        with open(self.path("precious"), "w") as f:
            f.write("keep")
        run = subprocess.run([SIM, "--serial", "--link", "precious"], cwd=self.dir.name,
                             capture_output=True, timeout=DEADLINE, stdin=subprocess.DEVNULL)
        self.assertEqual(run.returncode, 1)
        self.assertIn(b"vordel-sim: can't link precious: File exists\n", run.stderr)
        with open(self.path("precious")) as f:
            self.assertEqual(f.read(), "keep")


if __name__ == "__main__":
    SIM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
