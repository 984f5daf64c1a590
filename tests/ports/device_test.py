"""vordel's device drivers end to end, each target mapped to a pseudo-terminal
in a temporary profile; the test plays the printer on the far end.

usage: device_test.py [--wine WINE] PATH-TO-vordel [unittest arguments]
With --wine, PATH-TO-vordel is vordel.exe: it runs under Wine, whose COMn is
$WINEPREFIX/ports/comn (tests/windows/wine_prefix.sh sets that up); only the
serial cases run there.
Every wait has a generous deadline; nothing asserts how fast anything went.
"""
import os
import pty
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time
import tty
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sim"))
from simulator import read_until  # noqa: E402

VORDEL = None
# Read before the cases are defined, so they can be skipped under Wine.
WINE = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == "--wine" else None
DEADLINE = 90.0 if WINE else 30.0  # a loaded machine starts Wine slowly


class FarEnd:
    """A pseudo-terminal whose device end is linked at path; we hold the
    master. The slave stays open here so nothing hangs up between runs."""

    def __init__(self, path):
        self.path = path
        self.master, self.slave = pty.openpty()
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.device = os.ttyname(self.slave)
        if os.path.lexists(path):
            os.unlink(path)
        os.symlink(self.device, path)

    def read(self, count, timeout=DEADLINE):
        out = b""
        end = time.monotonic() + timeout
        while len(out) < count and time.monotonic() < end:
            ready, _, _ = select.select([self.master], [], [], 0.05)
            if ready:
                try:
                    out += os.read(self.master, count - len(out))
                except BlockingIOError:
                    pass
        return out

    def read_all(self, quiet=1.0):
        """Everything until the line has been quiet for a while."""
        out = b""
        while True:
            ready, _, _ = select.select([self.master], [], [], quiet)
            if not ready:
                return out
            try:
                out += os.read(self.master, 65536)
            except BlockingIOError:
                pass
            except OSError:
                return out

    def write(self, data):
        os.write(self.master, data)

    def attrs(self):
        return termios.tcgetattr(self.master)

    def close(self):
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass
        if os.path.lexists(self.path):
            os.unlink(self.path)


class Home:
    """A temporary home whose profile maps targets to far ends."""

    def __init__(self, profile=""):
        self.dir = tempfile.mkdtemp(prefix="vordel-dev-")
        os.chmod(self.dir, 0o755)
        self.config = os.path.join(self.dir, "config")
        os.makedirs(os.path.join(self.config, "vordel"))
        self.ends = []
        self.procs = []
        self.devices = {}
        self.extra = profile
        self.env = {k: v for k, v in os.environ.items() if k not in ("VORDEL", "VORDELINC")}
        self.env.update(HOME=self.dir, TMPDIR=self.dir, LC_ALL="C", XDG_CONFIG_HOME=self.config,
                        XDG_STATE_HOME=os.path.join(self.dir, "state"))
        if WINE:  # one Wine server for all runs: it lives in $TMPDIR
            self.env.update(TMPDIR=os.environ.get("TMPDIR", "/tmp"), HOME=os.environ.get("HOME", self.dir))

    def far_end(self, key):
        if WINE:
            end = FarEnd(os.path.join(os.environ["WINEPREFIX"], "ports", key.lower()))
        else:
            end = FarEnd(os.path.join(self.dir, key.lower()))
        self.ends.append(end)
        self.devices[key] = end.path
        self.write_profile()
        return end

    def write_profile(self):
        with open(os.path.join(self.config, "vordel", "vordel.ini"), "w") as f:
            f.write("[devices]\n")
            for key, path in self.devices.items():
                f.write("%s=%s\n" % (key, path))
            f.write(self.extra)

    def script(self, text, name="job.vd"):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o644)
        return path

    def start(self, *args, stdin=subprocess.DEVNULL, prefix=()):
        wine = [WINE] if WINE else []
        proc = subprocess.Popen([*prefix, *wine, VORDEL, *args], cwd=self.dir, env=self.env, stdin=stdin,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.procs.append(proc)
        return proc

    def run(self, *args, timeout=120, prefix=()):
        proc = self.start(*args, prefix=prefix)
        out, err = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace"), err.decode(errors="replace")

    @staticmethod
    def shown(end):
        """The device path vordel names in its messages."""
        if WINE:
            return "\\\\.\\" + os.path.basename(end.path).upper()
        return end.path

    def close(self):
        # A run a failed test left behind would open the next test's line
        # (Wine lets two programs hold a COM port) and take its bytes.
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        for end in self.ends:
            end.close()
        shutil.rmtree(self.dir, ignore_errors=True)


ALL_BYTES = bytes(range(256))
SEND_ALL = "BEGIN {\n    for (i = 0; i < 256; i++)\n        output i\n}\n"
# Waits for one byte from the printer, so the test can look at the line meanwhile.
WAIT_FOR_BYTE = "BEGIN {\n    RECV = 1\n    output \"go\"\n    c = recv()\n    print c\n}\n"

# Target, [devices] key: serial, printer class, USB, parallel.
KINDS = [("COM1", "COM1"), ("PRN", "PRN0"), ("USB0", "USB0"), ("LPT", "LPT1")]


def kinds():
    # Wine maps only serial ports to a device path of our choosing.
    return KINDS[:1] if WINE else KINDS


def wait_for(cond, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if cond():
            return True
        time.sleep(0.02)
    return cond()


class Devices(unittest.TestCase):
    def setUp(self):
        self.home = Home()

    def tearDown(self):
        self.home.close()

    def expect(self, end, data, proc):
        """The far end gets data from the run; when not, the run's own account."""
        got = end.read(len(data))
        if got != data:
            if proc.poll() is None:
                proc.kill()
            out, err = proc.communicate()
            self.fail("far end got %r, not %r; exit %s, output %r, errors %r" % (got, data, proc.returncode, out, err))

    def test_every_kind_delivers_exact_bytes_and_reads_replies(self):
        for target, key in kinds():
            with self.subTest(target=target):
                end = self.home.far_end(key)
                status, _, err = self.home.run(self.home.script(SEND_ALL), target)
                self.assertEqual(status, 0, err)
                self.assertEqual(end.read(256), ALL_BYTES)

                proc = self.home.start(self.home.script(WAIT_FOR_BYTE), target)
                self.expect(end, b"go", proc)
                end.write(b"\x41")
                out, err = proc.communicate(timeout=DEADLINE)
                self.assertEqual((proc.returncode, out), (0, b"65\n"), err)

    def test_request_and_reply_round_after_round(self):
        # Every round waits for the reply in recv: a read that swallows a
        # byte, or keeps waiting once it has one, stops the run.
        rounds = 100
        end = self.home.far_end("COM1")
        job = self.home.script("BEGIN {\n    RECV = 1\n    for (i = 0; i < %d; i++) {\n"
                               "        output i\n        print recv()\n    }\n}\n" % rounds)
        proc = self.home.start(job, "COM1")
        asked = b""
        for _ in range(rounds):
            byte = end.read(1)
            if not byte:  # stuck: no need to wait for it twice
                proc.kill()
                break
            asked += byte
            end.write(bytes([byte[0] ^ 0xFF]))
        out, err = proc.communicate(timeout=DEADLINE)
        self.assertEqual(asked, bytes(range(rounds)))
        self.assertEqual((proc.returncode, out.decode()),
                         (0, "".join("%d\n" % (i ^ 0xFF) for i in range(rounds))), err)

    def test_line_settings_seen_from_the_far_end(self):
        # What a pseudo-terminal keeps of the settings: speed, stop bits, flow.
        end = self.home.far_end("COM1")
        cases = [
            ([], termios.B9600, False, False, False),
            (["-b19200", "-s2", "-fC"], termios.B19200, True, True, False),
            (["-b1152", "-fX"], termios.B115200, False, False, True),
            (["-b600", "-fN"], termios.B600, False, False, False),
        ]
        job = self.home.script(WAIT_FOR_BYTE)
        for options, speed, two_stops, rts_cts, xon in cases:
            with self.subTest(options=options):
                proc = self.home.start(*options, job, "COM1")
                self.expect(end, b"go", proc)
                iflag, _, cflag, _, _, ospeed, _ = end.attrs()
                end.write(b"\x01")
                try:
                    out, err = proc.communicate(timeout=DEADLINE)
                finally:
                    if proc.poll() is None:  # left running, it would take the next run's byte
                        proc.kill()
                self.assertEqual(proc.returncode, 0, err)
                self.assertEqual(ospeed, speed)
                self.assertEqual(bool(cflag & termios.CSTOPB), two_stops)
                self.assertEqual(bool(cflag & termios.CRTSCTS), rts_cts)
                self.assertEqual(bool(iflag & termios.IXON), xon)

    def test_settings_and_modem_lines_with_v(self):
        self.home.far_end("COM2")
        status, out, err = self.home.run("-v", "-b9600", "-pE", "-d7", "-fC", self.home.script("BEGIN { }\n"), "COM2")
        self.assertEqual(status, 0, err)
        self.assertEqual(out, " PORTNO    : COM2\n BAUDRATE  : 9600 bps\n DATALEN   : 7\n PARITY    : EVEN\n"
                              " STOPBIT   : 1\n FLOW      : RTS/CTS\n"
                              " CTS(CS)   : ON\n DSR(DR)   : ON\n RI (CI)   : ON\n DCD(CD)   : ON\n"
                              " " + "-" * 59 + "\n")

    def test_default_dtr_dsr_flow_on_a_pty_does_not_hang(self):
        end = self.home.far_end("COM1")
        status, _, err = self.home.run("-fD", self.home.script("BEGIN { output \"ok\"; print isDSR() }\n"), "COM1")
        self.assertEqual(status, 0, err)
        self.assertEqual(end.read(2), b"ok")

    @unittest.skipIf(WINE, "Wine lets a second program open a COM port")
    def test_a_second_vordel_on_the_same_line_is_refused(self):
        end = self.home.far_end("COM1")
        job = self.home.script(WAIT_FOR_BYTE)
        first = self.home.start(job, "COM1")
        self.expect(end, b"go", first)
        status, _, err = self.home.run(job, "COM1")
        self.assertEqual(status, 1)
        self.assertIn("\nCan't open port\nCOM1 (%s): in use; another program holds it, close that one first\n"
                      % self.home.shown(end), err)
        end.write(b"\x01")
        first.communicate(timeout=DEADLINE)
        self.assertEqual(first.returncode, 0)

    @unittest.skipIf(WINE, "the hint names Linux paths")
    def test_a_missing_device_names_the_key_to_set(self):
        status, _, err = self.home.run(self.home.script("BEGIN { }\n"), "COM97")
        self.assertEqual(status, 1)
        self.assertIn("\nCan't open port\nCOM97 (/dev/ttyS96): no such device; set its path under [devices] in "
                              "%s/vordel/vordel.ini, e.g. COM97=/dev/ttyUSB0\n" % self.home.config, err)

    @unittest.skipIf(WINE, "the hint names Linux paths")
    def test_a_display_channel_has_no_default_device(self):
        status, _, err = self.home.run(self.home.script("BEGIN { }\n"), "VKUSB")
        self.assertEqual(status, 1)
        self.assertIn("\nCan't open port\nVKUSB0: no such device; set its path under [devices] in "
                      "%s/vordel/vordel.ini, e.g. VKUSB0=/dev/usb/lp0\n" % self.home.config, err)

    @unittest.skipIf(WINE, "Linux permissions")
    def test_permission_denied_names_the_group(self):
        if os.geteuid() != 0:
            self.skipTest("needs root to make a device the test user may not open")
        if not shutil.which("setpriv"):
            self.skipTest("setpriv is not installed: cannot drop root for the permission case")
        end = self.home.far_end("COM1")
        os.chmod(end.device, 0o600)
        os.chown(end.device, 0, 0)
        os.chmod(self.home.dir, 0o1777)  # the run's temporary file
        status, _, err = self.home.run(self.home.script("BEGIN { }\n"), "COM1",
                                       prefix=("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"))
        self.assertEqual(status, 1, err)
        self.assertIn("\nCan't open port\nCOM1 (%s): permission denied; the device belongs to group root: "
                              "sudo usermod -aG root $USER, then log in again\n" % end.path, err)

    def test_bytes_the_far_end_has_not_read_survive_the_end_of_the_run(self):
        end = self.home.far_end("COM1")
        job = self.home.script("BEGIN {\n    for (i = 0; i < 800; i++)\n"
                               "        outputf \"%05d unread line\\n\", i\n}\n")
        expected = b"".join(b"%05d unread line\n" % i for i in range(800))
        status, _, err = self.home.run(job, "COM1")  # the far end reads nothing meanwhile
        self.assertEqual(status, 0, err)
        self.assertEqual(end.read(len(expected)), expected)

    def test_busy_once_while_the_far_end_stops_reading_and_nothing_lost(self):
        self.home.extra = "[ZQPRTAPI]\nCOMSendTimeoutConst=300\n"
        end = self.home.far_end("COM1")
        lines = 4000  # more than the line holds
        job = self.home.script("BEGIN {\n    for (i = 0; i < %d; i++)\n"
                               "        outputf \"%%05d a line of a long receipt\\n\", i\n}\n" % lines)
        expected = b"".join(b"%05d a line of a long receipt\n" % i for i in range(lines))
        proc = self.home.start(job, "COM1")
        got = end.read(10)
        # Not reading: the line fills, the write time-out passes, "Busy"
        # (waited for, not timed).
        err = read_until(proc.stderr, b"Busy\n", 120)
        got += end.read(len(expected) - len(got), timeout=120)
        out, rest = proc.communicate(timeout=DEADLINE)
        err += rest
        self.assertEqual(proc.returncode, 0, err)
        self.assertEqual(err.count(b"Busy\n"), 1, err)
        self.assertEqual(got, expected)

    def test_far_end_gone_waits_then_esc_ends_the_run(self):
        # Parallel ports notice a lost device only when writing; not here.
        for target, key in kinds()[:3]:
            with self.subTest(target=target):
                end = self.home.far_end(key)
                proc = self.home.start(self.home.script(WAIT_FOR_BYTE), target, stdin=subprocess.PIPE)
                self.expect(end, b"go", proc)
                end.close()
                err = read_until(proc.stderr, b"Esc cancels\n", DEADLINE)
                self.assertIn(b"Printer disconnected: %s (Input/output error); waiting for it, Esc cancels\n"
                              % self.home.shown(end).encode(), err)
                proc.stdin.write(b"\x1b")
                proc.stdin.flush()
                _, rest = proc.communicate(timeout=DEADLINE)
                self.assertEqual(proc.returncode, 1, err + rest)
                self.assertIn(b"Fatal error: Canceled while waiting for the printer\n", rest)
                self.assertEqual((err + rest).count(b"Printer disconnected"), 1)

    def test_far_end_back_again_gets_the_rest(self):
        end = self.home.far_end("COM1")
        job = self.home.script("BEGIN {\n    RECV = 1\n    output \"first\"\n    c = recv()\n"
                               "    output \"second\", c\n}\n")
        proc = self.home.start(job, "COM1")
        self.expect(end, b"first", proc)
        end.close()
        err = read_until(proc.stderr, b"Esc cancels\n", DEADLINE)
        back = FarEnd(end.path)
        self.home.ends.append(back)
        # Reopened once the line shows vordel's settings (38400 is a new pty's).
        self.assertTrue(wait_for(lambda: back.attrs()[5] == termios.B9600))
        back.write(b"!")
        self.assertEqual(back.read(7), b"second!")
        out, rest = proc.communicate(timeout=DEADLINE)
        self.assertEqual(proc.returncode, 0, err + rest)
        self.assertEqual((err + rest).count(b"Printer disconnected"), 1, err + rest)


if __name__ == "__main__":
    if WINE:
        del sys.argv[1:3]
    VORDEL = os.path.abspath(sys.argv.pop(1))
    unittest.main()
