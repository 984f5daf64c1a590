"""vordel's scanner and read-back builtins against vordel-sim on a
pseudo-terminal: pictures judged pixel for pixel by ImageMagick, raw files,
block edge cases, wave records, Esc and a file system that is full.

usage: scan_test.py PATH-TO-vordel PATH-TO-vordel-sim [unittest arguments]
Exits 77 (skipped) while vordel cannot open the simulator's line.
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from simulator import DEADLINE, Simulator  # noqa: E402
from vordel_sim_test import VordelRun  # noqa: E402
import vordel_sim_test  # noqa: E402

VORDEL = SIM = None
SKIPPED = 77
GS_G_65 = "1d2847070041010002036162"  # GS_LP_G_65(path, mode, 1, 2, 3, "ab")


def picture_rows(width, height):
    """The simulator's picture as stored: bottom line first, padded lines."""
    line = (width + 3) // 4 * 4
    out = bytearray()
    for row in range(height):
        y = height - 1 - row
        out += bytes((3 * x + 5 * y) & 0xFF for x in range(width)) + bytes(line - width)
    return bytes(out)


def write_pgm(path, width, height):
    with open(path, "wb") as f:
        f.write(b"P5 %d %d 255\n" % (width, height))
        for y in range(height):
            f.write(bytes((3 * x + 5 * y) & 0xFF for x in range(width)))


def hex_block(kind, text):
    return "5F30%02X%s00" % (kind, text.encode().hex().upper())


def raw_block(kind, data):
    return "5300%02X%02X%02X%s" % (kind, len(data) & 0xFF, len(data) >> 8, data.hex())


class ScanAgainstSim(unittest.TestCase):
    def setUp(self):
        self.sims = []

    def tearDown(self):
        for sim in self.sims:
            sim.close()

    def start(self, *args):
        """A simulator with its log, and a vordel home mapped to it."""
        self.logs = tempfile.TemporaryDirectory(prefix="vordel-scan-log")
        sim = Simulator(SIM, "--log", os.path.join(self.logs.name, "sim.log"), *args, host=False)
        self.sims.append(sim)
        return sim, VordelRun(sim.path)

    def vordel(self, run, script, *args):
        proc = subprocess.Popen([VORDEL, *args, run.script(script), "COM1"], cwd=run.dir.name, env=run.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        out, err = proc.communicate(timeout=120)
        return proc.returncode, out.decode(errors="replace"), err.decode(errors="replace")

    def log(self, sim, run):
        sim.stop()
        with open(os.path.join(self.logs.name, "sim.log"), "rb") as f:
            return f.read()

    def judge_bmp(self, run, path, width, height):
        identify = subprocess.run(["identify", "-format", "%m %w %h %z %[type]", path], capture_output=True, text=True)
        self.assertEqual(identify.stdout, "BMP3 %d %d 8 Grayscale" % (width, height), identify.stderr)
        write_pgm(run.path("expected.pgm"), width, height)
        compare = subprocess.run(["compare", "-metric", "AE", path, run.path("expected.pgm"), "null:"],
                                 capture_output=True, text=True)
        self.assertEqual(compare.stderr.strip(), "0", "pixels differ")

    def test_pictures_in_both_encodings_with_three_and_four_arguments(self):
        rows = [("raw", "GS_LP_G_66(\"scan.bmp\", 1, 258, 9)", "1d28470400420201 09"),
                ("hex", "GS_LP_G_66(\"scan.bmp\", 0, 258)", "1d284703004202 01")]
        for encoding, call, command in rows:
            with self.subTest(encoding):
                sim, run = self.start("--scan", "size=100x50", "--scan", "block=700", "--scan", "encoding=" + encoding)
                status, out, err = self.vordel(run, "BEGIN { print %s }\n" % call)
                self.assertEqual((status, out), (0, "0\n"), err)
                self.judge_bmp(run, run.path("scan.bmp"), 100, 50)
                blocks = 8 if encoding == "raw" else 20
                self.assertEqual(self.log(sim, run), bytes.fromhex(command) + b"\x06" * (2 + blocks))

    def test_raw_file_with_a_length_low_byte_above_127(self):
        sim, run = self.start("--scan", "size=64x24", "--scan", "block=384")  # 0x0180
        status, out, err = self.vordel(run, 'BEGIN { print GS_LP_G_65("scan.bin", 1, 1, 2, 3, "ab\\0cd") }\n')
        self.assertEqual((status, out), (0, "0\n"), err)
        with open(run.path("scan.bin"), "rb") as f:
            self.assertEqual(f.read(), picture_rows(64, 24))
        self.assertEqual(self.log(sim, run), bytes.fromhex(GS_G_65) + b"\x06" * 6)

    def test_block_edge_cases(self):
        rows = [
            ("information of 35 bytes", raw_block(0x40, b"x" * 30), 1, "", "Information is too long 35\n", 0),
            ("empty hex block", hex_block(0x40, "F") + hex_block(0x40, "S00\x1f") + hex_block(0x41, "") +
             hex_block(0x40, "4142"), 0, "AB", "", 4),
        ]
        for name, reply, result, data, message, acks in rows:
            with self.subTest(name):
                sim, run = self.start("--reply", GS_G_65 + "=" + reply)
                mode = 0 if "hex" in name else 1
                status, out, err = self.vordel(run, 'BEGIN { print GS_LP_G_65("f.bin", %d, 1, 2, 3, "ab") }\n' % mode)
                self.assertEqual((status, out), (0, "%d\n" % result), err)
                self.assertIn(message, err)
                with open(run.path("f.bin"), "rb") as f:
                    self.assertEqual(f.read(), data.encode())
                self.assertEqual(self.log(sim, run), bytes.fromhex(GS_G_65) + b"\x06" * acks)

    def test_hex_wave_record_prompts_three_times(self):
        sim, run = self.start("--scan", "encoding=hex", "--scan", "wave=81")
        status, out, err = self.vordel(run, 'BEGIN { print wave("w.bin", 0) }\n')
        self.assertEqual((status, out), (0, "0\n"), err)
        data = bytes((0x80 + 7 * i) & 0xFF for i in range(81))
        with open(run.path("w.bin"), "rb") as f:
            self.assertEqual(f.read(), b"WV\x51\x00" + data + b"E")
        self.assertEqual(self.log(sim, run), bytes.fromhex("1c7c7f4b659ab20000") + b"\x81\x81\x81\x06")

    def test_ncr_text_and_requests(self):
        sim, run = self.start("--scan", "size=16x8", "--scan", "block=40", "--scan", "protocol=ncr")
        script = ('BEGIN {\n    print NCR_GS_LP_G_65("n.bin", 1, 1, 2, 3, "")\n'
                  '    print GS_LP_G_70("t.txt", 4)\n    r = GS_LP_G_61(258)\n'
                  '    print length(r), substr(r, 2, 8)\n}\n')
        status, out, err = self.vordel(run, script)
        self.assertEqual((status, out), (0, "0\n0\n10 G61:0201\n"), err)
        with open(run.path("n.bin"), "rb") as f:
            self.assertEqual(f.read(), picture_rows(16, 8))
        with open(run.path("t.txt"), "rb") as f:
            self.assertEqual(f.read(), b"stored text 4\r\nline 2\r\nend\r\n")

    def test_esc_during_a_transfer_keeps_the_partial_file(self):
        sim, run = self.start("--scan", "size=64x32", "--scan", "block=64", "--scan", "jam=3")
        proc = subprocess.Popen([VORDEL, run.script('BEGIN { print GS_LP_G_66("scan.bmp", 1, 1, 0) }\n'), "COM1"],
                                cwd=run.dir.name, env=run.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        partial = 1078 + 3 * 64
        deadline = time.monotonic() + DEADLINE
        while time.monotonic() < deadline and (not os.path.exists(run.path("scan.bmp")) or
                                               os.path.getsize(run.path("scan.bmp")) < partial):
            time.sleep(0.05)
        out, err = proc.communicate(b"\x1b", timeout=DEADLINE)
        self.assertEqual((proc.returncode, out), (0, b"3\n"), err)
        self.assertIn(b"Canceled\n", err)
        self.assertEqual(os.path.getsize(run.path("scan.bmp")), partial)

    def test_a_full_file_system_is_reported(self):
        sim, run = self.start("--scan", "size=32x8")
        status, out, err = self.vordel(run, 'BEGIN { print GS_LP_G_66("/dev/full", 1, 1, 0) }\n')
        self.assertEqual((status, out), (0, "11\n"), err)
        self.assertIn("Can't write file </dev/full>: No space left on device\n", err)
        # The file information was acknowledged; the header did not fit, so nothing more was.
        self.assertEqual(self.log(sim, run), bytes.fromhex("1d28470400420100 00") + b"\x06")


if __name__ == "__main__":
    VORDEL = vordel_sim_test.VORDEL = os.path.abspath(sys.argv.pop(1))
    SIM = vordel_sim_test.SIM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
