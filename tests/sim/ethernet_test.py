"""vordel against vordel-sim on the network, each test on its own loopback
address: the status query before the connection, exact bytes, the handshake
switched off around a real-time request and refused, a silent control side,
reset, replies split over datagrams, a connection the printer drops.

usage: ethernet_test.py [--wine WINE] PATH-TO-vordel PATH-TO-vordel-sim [unittest arguments]
With --wine, PATH-TO-vordel is vordel.exe run under Wine ($WINEPREFIX, made by
tests/windows/wine_prefix.sh) against the Linux simulator: Wine's sockets are
the host's.
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from simulator import DEADLINE, NetSimulator  # noqa: E402

# Read before the cases are defined, so they can be skipped under Wine.
WINE = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == "--wine" else None
VORDEL = SIM = None

STATUS_QUERY = b"KAVROQ\x03\x00\x00\x20\x00\x00\x00\x00"

# About 2 MB of receipt lines: more than loopback sockets buffer while the
# simulator holds its reads, so a drop finds most of the job still queued.
LINES = 45000
BIG_JOB = ('BEGIN {\n for (i = 0; i < %d; i++)\n  outputf "%%05d receipt line with some text on it.\\n", i\n'
           ' output "end of job\\n"\n}\n' % LINES)
BIG_JOB_BYTES = b"".join(b"%05d receipt line with some text on it.\n" % i for i in range(LINES)) + b"end of job\n"


class Run:
    """A temporary folder for one vordel run against one simulator."""

    def __init__(self, test, address, *sim_args):
        if WINE:  # the Linux build may run these at the same time
            address = address.replace("127.0.18.", "127.0.19.", 1)
        self.dir = tempfile.TemporaryDirectory(prefix="vordel-net")
        test.addCleanup(self.dir.cleanup)
        self.address = address
        self.log = os.path.join(self.dir.name, "rx.bin")
        self.sim = NetSimulator(SIM, address, "--trace", "--log", self.log, *sim_args)
        test.addCleanup(self.sim.stop)
        self.env = {k: v for k, v in os.environ.items() if k not in ("VORDEL", "VORDELINC")}
        self.env.update(HOME=self.dir.name, TMPDIR=self.dir.name, LC_ALL="C",
                        XDG_CONFIG_HOME=os.path.join(self.dir.name, "config"),
                        XDG_STATE_HOME=os.path.join(self.dir.name, "state"))
        if WINE:  # one Wine server for all runs: it lives in $TMPDIR
            self.env.update(TMPDIR=os.environ.get("TMPDIR", "/tmp"), HOME=os.environ.get("HOME", self.dir.name))

    def start(self, script, stdin=subprocess.DEVNULL):
        with open(os.path.join(self.dir.name, "job.vd"), "w") as f:
            f.write(script)
        wine = [WINE] if WINE else []
        return subprocess.Popen([*wine, VORDEL, "job.vd", self.address], cwd=self.dir.name, env=self.env,
                                stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def run(self, script, timeout=120):
        proc = self.start(script)
        out, err = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace"), err.decode(errors="replace")

    def received(self, connections=1):
        """What the simulator logged, once it has seen the host close its
        last connection."""
        deadline = time.monotonic() + DEADLINE
        while (self.sim.error_text().count("tcp connection closed by the host") < connections
               and time.monotonic() < deadline):
            time.sleep(0.02)
        return self.received_now()

    def received_now(self):
        with open(self.log, "rb") as f:
            return f.read()

    def trace(self):
        return [l for l in self.sim.error_text().splitlines() if not l.startswith("control:")]


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def position(lines, text, start=0):
    for i in range(start, len(lines)):
        if text in lines[i]:
            return i
    raise AssertionError("%r not in trace %r" % (text, lines[start:]))


class VordelOnTheNetwork(unittest.TestCase):
    def test_query_first_then_every_byte_exactly(self):
        run = Run(self, "127.0.18.11")
        status, _, err = run.run('BEGIN { for (i = 0; i < 256; i++) output i\n output "end of job\\n" }\n')
        self.assertEqual(status, 0, err)
        self.assertEqual(run.received(), bytes(range(256)) + b"end of job\n")
        trace = run.trace()
        self.assertLess(position(trace, "udp status query -> ready"), position(trace, "tcp connection from"))

    def test_realtime_request_between_handshake_off_and_on(self):
        for address, sim_args in (("127.0.18.12", ()), ("127.0.18.13", ("--set", "cover=open"))):
            with self.subTest(address=address):
                run = Run(self, address, *sim_args)
                run.sim.control("udp split on")  # every control reply in two datagrams, junk in front
                status, out, err = run.run('BEGIN { output "before\\n"\n x = DLE_EOT(1)\n output ESC, "@"\n'
                                           ' print x\n}\n')
                self.assertEqual(status, 0, err)
                self.assertEqual(out.splitlines()[-1], "18" if not sim_args else "26")
                self.assertEqual(run.received(), b"before\n\x10\x04\x01\x1b@")
                trace = run.trace()
                off = position(trace, "udp handshake off -> 01")
                request = position(trace, "DLE EOT 1 ->", off)
                on = position(trace, "udp handshake on -> 00", request)
                position(trace, "ESC @", on)  # ordinary data only once the handshake is back

    def test_refused_handshake_off_sends_nothing(self):
        run = Run(self, "127.0.18.14")
        run.sim.control("udp refuse on")
        status, out, err = run.run('BEGIN { direct DLE, EOT, 1\n x = DLE_EOT(1)\n output "after"\n print x }\n')
        self.assertEqual(status, 0, err)
        self.assertEqual(out.splitlines()[-1], "-1")
        self.assertIn("Warning: DLE_EOT: the printer port did not take the real-time request; no reply is awaited\n",
                      err)
        self.assertEqual(run.received(), b"after")
        self.assertNotIn("DLE EOT", run.sim.error_text())

    def test_silent_control_side_fails_the_open(self):
        run = Run(self, "127.0.18.15", "--udp-silent")
        started = time.monotonic()
        status, _, err = run.run('BEGIN { output "x" }\n')
        self.assertGreaterEqual(time.monotonic() - started, 2.5)
        self.assertEqual(status, 1)
        self.assertIn("Can't open port\n%s (UDP port 3289): no answer;" % run.address, err)
        self.assertIn("udp status query -> ready (silent)", run.sim.error_text())
        self.assertNotIn("tcp connection", run.sim.error_text())

    def test_reset_is_answered(self):
        run = Run(self, "127.0.18.16")
        status, out, err = run.run('BEGIN { print reset() }\n')
        self.assertEqual((status, out.splitlines()[-1]), (0, "1"), err)
        self.assertIn("udp reset -> 00", run.trace())


class DroppedConnection(unittest.TestCase):
    """The printer ends the connection mid-job while its control side stays
    silent for a while: vordel says so once, waits without spinning,
    reconnects (status query first) and sends the rest."""

    def drop_mid_job(self, address, stdin=subprocess.DEVNULL):
        run = Run(self, address)
        run.sim.control("hold 600000")  # the job piles up in vordel's queue
        proc = run.start(BIG_JOB, stdin=stdin)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        self.assertTrue(run.sim.wait_for_stderr("tcp connection from"))
        run.sim.control("udp silent on", "drop")
        self.assertTrue(run.sim.wait_for_stderr("udp status query -> ready (silent)"),
                        "no reconnect attempt")
        return run, proc

    def test_drop_mid_job_loses_no_byte_and_burns_no_cpu(self):
        run, proc = self.drop_mid_job("127.0.18.19")
        before, started = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(4)  # at least one more attempt, each waiting 3 s for the query
        used = cpu_seconds(proc.pid) - before
        self.assertLess(used, 0.25 * (time.monotonic() - started), "busy while waiting")
        run.sim.control("udp silent off", "hold 0")
        out, err = proc.communicate(timeout=120)
        err = err.decode(errors="replace")
        self.assertEqual(proc.returncode, 0, err)
        self.assertEqual(err.count("Busy\n"), 1, err)
        self.assertEqual(err.count("Printer disconnected: %s:9100" % run.address), 1, err)
        self.assertEqual(run.received(connections=2), BIG_JOB_BYTES, "\n".join(run.trace()))
        trace = run.trace()
        dropped = position(trace, "tcp connection dropped")
        query = position(trace, "udp status query -> ready", dropped + 1)
        while "(silent)" in trace[query]:
            query = position(trace, "udp status query -> ready", query + 1)
        position(trace, "tcp connection from", query)

    def test_esc_or_ctrl_c_ends_the_wait_with_status_1(self):
        for address, key in (("127.0.18.20", "Esc"), ("127.0.18.21", "Ctrl+C")):
            with self.subTest(key=key):
                run, proc = self.drop_mid_job(address, stdin=subprocess.PIPE)
                if key == "Esc":
                    proc.stdin.write(b"\x1b")
                    proc.stdin.flush()
                else:
                    proc.send_signal(signal.SIGINT)
                try:
                    _, err = proc.communicate(timeout=DEADLINE)
                except subprocess.TimeoutExpired:
                    self.fail(key + " did not end the wait for the dropped connection")
                self.assertEqual(proc.returncode, 1, err)
                self.assertLess(len(run.received_now()), len(BIG_JOB_BYTES))


class SimulatorOnTheNetwork(unittest.TestCase):
    """The simulator's own network side, with plain sockets as the host."""

    def setUp(self):
        if WINE:
            self.skipTest("vordel is not involved")

    def test_control_answers_follow_the_model(self):
        run = Run(self, "127.0.18.17")
        host = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(host.close)
        host.settimeout(DEADLINE)

        def ask(packet):
            host.sendto(packet, (run.address, 3289))
            return host.recvfrom(600)[0]

        self.assertEqual(ask(STATUS_QUERY), b"KAVROq\x03\x00\x00\x20\x00\x00\x00\x01\x00")
        run.sim.control("set cover=open")
        self.assertEqual(ask(STATUS_QUERY)[-1], 1)
        self.assertEqual(ask(b"KAVROC\x03\x00\x00\x15\x00\x00\x00\x01\x01")[-2:], b"\x01\x01")
        self.assertEqual(ask(b"KAVROC\x03\x00\x00\x12\x00\x00\x00\x01\x00")[-6:], b"\x12\x00\x00\x00\x01\x00")
        run.sim.control("udp split on")
        first = ask(STATUS_QUERY)
        second = host.recvfrom(600)[0]
        self.assertTrue(first.endswith(b"KAVROq\x03\x00") and not first.startswith(b"KAVRO"), first)
        self.assertEqual(second, b"\x00\x20\x00\x00\x00\x01\x01")

    def test_one_connection_at_a_time(self):
        run = Run(self, "127.0.18.18")
        first = socket.create_connection((run.address, 9100), timeout=DEADLINE)
        second = socket.create_connection((run.address, 9100), timeout=DEADLINE)  # waits in the backlog
        self.addCleanup(second.close)
        first.sendall(b"one")
        second.sendall(b"two")
        self.assertTrue(run.sim.wait_for_stderr("text 3 bytes"))
        self.assertNotIn("text 3 bytes\ntext 3 bytes", run.sim.error_text())
        first.close()
        self.assertTrue(run.sim.wait_for_stderr("tcp connection closed by the host"))
        second.sendall(b"\x10\x04\x01")
        self.assertEqual(second.recv(1), b"\x12")
        with open(run.log, "rb") as f:
            self.assertEqual(f.read(), b"onetwo\x10\x04\x01")


def main():
    global VORDEL, SIM
    if WINE:
        del sys.argv[1:3]
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    VORDEL, SIM = os.path.abspath(sys.argv[1]), sys.argv[2]
    if WINE and not os.path.exists(SIM):
        print("skipped: no simulator at " + SIM)
        return 77
    program = unittest.main(argv=[sys.argv[0]] + sys.argv[3:], exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
