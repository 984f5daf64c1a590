"""vordel-sim's preview: golden pictures compared pixel by pixel, QR symbols
read back with zbarimg, BMP pictures compared with ImageMagick, pictures per
cut while serving a pseudo-terminal.

Text goldens are drawn with --text-cells, so they do not hang on the fonts
installed; font glyphs are checked by where their dots fall.

usage: render_test.py PATH-TO-vordel-sim [--vordel PATH] [--update] [unittest arguments]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from simulator import DEADLINE, Simulator  # noqa: E402

GOLDEN = os.path.join(HERE, "golden")
SIM = VORDEL = None
UPDATE = False
ESC, FS, GS = b"\x1b", b"\x1c", b"\x1d"


def raster(m, width_bytes, rows):
    """GS v 0 with the given rows (each width_bytes long)."""
    return GS + b"v0" + bytes([m]) + struct.pack("<HH", width_bytes, len(rows)) + b"".join(rows)


def text_styles():
    s = ESC + b"@" + ESC + b"a\x01" + ESC + b"E\x01" + b"CENTRED BOLD\n" + ESC + b"E\x00" + ESC + b"a\x00"
    s += ESC + b"-\x01" + b"under" + ESC + b"-\x02" + b"lined\n" + ESC + b"-\x00"
    s += ESC + b"!\x01" + b"font B" + ESC + b"!\x30" + b"WIDE" + ESC + b"!\x00" + b"\n"
    s += GS + b"!\x11" + b"2x" + GS + b"!\x32" + b"4x3" + GS + b"!\x00" + b"\n"
    s += GS + b"B\x01" + b" rev " + GS + b"B\x00" + ESC + b"{\x01" + b"flip\n" + ESC + b"{\x00"
    s += ESC + b"a\x02" + b"right\n" + ESC + b"a\x00" + b"a\tb\tc\n"
    s += GS + b"L\x30\x00" + GS + b"W\x00\x01" + b"margin and a print area that wraps its text\n"
    s += GS + b"L\x00\x00" + GS + b"W\x40\x02" + ESC + b"3\x10" + b"tight\nlines\n" + ESC + b"2"
    s += FS + b"&" + FS + b"S\x02\x02" + "日本語".encode("shift_jis") + b"abc\n" + FS + b"."
    return s


def pattern_rows(width, height):
    """A frame with a diagonal: a picture whose every edge shows."""
    rows = []
    for y in range(height):
        bits = [x in (0, width - 1) or y in (0, height - 1) or x == y * width // height for x in range(width)]
        bits += [False] * (-width % 8)
        rows.append(bytes(sum(0x80 >> i for i in range(8) if bits[b * 8 + i]) for b in range(len(bits) // 8)))
    return rows


def raster_picture():
    s = ESC + b"@" + raster(0, 10, pattern_rows(80, 40)) + ESC + b"a\x01" + raster(3, 4, pattern_rows(32, 16))
    return s + ESC + b"a\x02" + raster(0, 3, pattern_rows(24, 24))


def cuts():
    return (b"first receipt\n" + GS + b"V\x42\x20" + b"second, partly cut\n" + GS + b"V\x01" +
            b"third\n" + ESC + b"i")


def read_file(name):
    with open(os.path.join(GOLDEN, name), "rb") as f:
        return f.read()


def gray(path):
    """(width, height, bytes) of a picture, one byte per pixel, 0 black."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    width, height = map(int, size.stdout.split())
    pixels = subprocess.run(["convert", path, "-depth", "8", "gray:-"], capture_output=True, check=True).stdout
    return width, height, pixels


class RenderTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="vordel-render-test")

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def render(self, stream, *options, out="out.png", status=0):
        source = self.path("stream.bin")
        with open(source, "wb") as f:
            f.write(stream)
        run = subprocess.run([SIM, "--render", self.path(out), *options, source], capture_output=True,
                             text=True, timeout=DEADLINE * 3)
        self.assertEqual(run.returncode, status, run.stderr)
        return self.path(out), run.stderr

    def same_pixels(self, a, b):
        run = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
        return run.returncode == 0 and run.stderr.strip() == "0", run.stderr.strip()

    def check_golden(self, name, stream, *options):
        out, _ = self.render(stream, *options)
        golden = os.path.join(GOLDEN, name)
        if UPDATE:
            shutil.copyfile(out, golden)
        same, differing = self.same_pixels(golden, out)
        self.assertTrue(same, "%s: %s pixels differ" % (name, differing))
        return out

    def test_golden_pictures(self):
        self.check_golden("text-styles.png", text_styles(), "--text-cells")
        self.check_golden("raster.png", raster_picture())
        self.check_golden("cuts.png", cuts(), "--text-cells")
        self.check_golden("raster-58mm.png", raster_picture(), "--paper", "58")
        out = self.check_golden("qr.png", read_file("qr.bin"))
        self.assertEqual(self.decode_qr(out), "vordel preview")

    def decode_qr(self, picture):
        run = subprocess.run(["zbarimg", "-q", "--raw", picture], capture_output=True, text=True)
        return run.stdout.strip()

    def vordel(self, script):
        """Runs a script into a file target; None when this vordel lacks a builtin it uses."""
        if not VORDEL:
            return None
        with open(self.path("s.vd"), "w") as f:
            f.write(script)
        run = subprocess.run([VORDEL, self.path("s.vd"), self.path("s.bin")], capture_output=True, text=True,
                             cwd=self.dir.name, timeout=DEADLINE)
        if run.returncode != 0 or "not implemented" in run.stdout + run.stderr:
            return None
        with open(self.path("s.bin"), "rb") as f:
            return f.read()

    def test_bmp_comes_back_unchanged(self):
        bmp = self.path("picture.bmp")
        subprocess.run(["convert", "-size", "203x61", "xc:white", "-fill", "black", "-draw", "circle 60,30 60,5",
                        "-draw", "rectangle 130,10 190,50", "-draw", "line 0,0 202,60", "-monochrome",
                        "-type", "bilevel", "bmp3:" + bmp], check=True)
        width, height, pixels = gray(bmp)
        rows = []
        for y in range(height):
            row = [p < 128 for p in pixels[y * width:(y + 1) * width]] + [False] * (-width % 8)
            rows.append(bytes(sum(0x80 >> i for i in range(8) if row[b * 8 + i]) for b in range(len(row) // 8)))
        streams = [("raster written by the test", raster(0, (width + 7) // 8, rows))]
        sent = self.vordel('BEGIN { GS_v0(0, "picture.bmp") }\n')
        if sent is not None:
            streams.append(("vordel's GS_v0", sent))
        for what, stream in streams:
            out, _ = self.render(stream)
            crop = self.path("crop.png")
            subprocess.run(["convert", out, "-crop", "%dx%d+0+0" % (width, height), "+repage", crop], check=True)
            same, differing = self.same_pixels(bmp, crop)
            self.assertTrue(same, "%s: %s pixels differ" % (what, differing))

    def test_qr_from_vordel_decodes(self):
        text = "https://example.com/receipt?id=42"
        sent = self.vordel('BEGIN { output "\\x1b@\\x1ba\\x01"; QR_v0("%s"); output "\\n" }\n' % text)
        if sent is None:
            self.skipTest("this vordel has no QR_v0")
        out, _ = self.render(text_styles() + sent + cuts())
        self.assertEqual(self.decode_qr(out), text)

    def test_font_glyphs_fall_in_their_cells(self):
        if subprocess.run(["fc-list", ":lang=ja"], capture_output=True, text=True).stdout.strip() == "":
            self.skipTest("no Japanese font installed")
        out, err = self.render(ESC + b"3\x00" + b"Hg" + FS + b"&" + "日".encode("shift_jis") + b"\n")
        self.assertEqual(err, "")
        width, height, pixels = gray(out)
        self.assertEqual((width, height), (576, 24))
        ink = [(x, y) for y in range(height) for x in range(width) if pixels[y * width + x] < 128]
        columns = {x for x, _ in ink}
        self.assertTrue(any(x < 12 for x in columns) and any(12 <= x < 24 for x in columns))  # H, g
        self.assertTrue(any(24 <= x < 48 for x in columns))  # the Kanji
        self.assertFalse(any(x >= 48 for x in columns))
        self.assertTrue(any(y >= 18 for x, y in ink if 12 <= x < 24))  # g's descender

    def test_pictures_per_cut_while_serving(self):
        folder = self.path("receipts")
        sim = Simulator(SIM, "--render-dir", folder, cwd=self.dir.name)
        try:
            sim.write(cuts() + b"left over\n" + b"\x10\x04\x01")
            self.assertEqual(len(sim.read(1)), 1)  # everything before the request is read
            self.assertEqual(sim.stop(), 0)
        finally:
            sim.close()
        names = sorted(os.listdir(folder))
        self.assertEqual(names, ["receipt-%04d.png" % i for i in range(1, 5)])
        heights = [gray(os.path.join(folder, n))[1] for n in names]
        self.assertEqual(heights, [30 + 32, 30, 30, 30])

    def test_complaints(self):
        cases = [
            (["--paper", "57", "x.bin"], 2, "bad paper width '57'"),
            (["x.bin"], 2, "--render OUT.png or --render-dir DIR"),
            (["--render", "a.png", "missing.bin"], 1, "can't read missing.bin"),
            (["--render", "no/such/dir/a.png", "stream.bin"], 1, "can't write no/such/dir/a.png"),
        ]
        with open(self.path("stream.bin"), "wb") as f:
            f.write(b"unfinished")
        for args, status, message in cases:
            run = subprocess.run([SIM, *args], capture_output=True, text=True, cwd=self.dir.name)
            self.assertEqual(run.returncode, status, args)
            self.assertIn(message, run.stderr, args)


if __name__ == "__main__":
    SIM = os.path.abspath(sys.argv.pop(1))
    while len(sys.argv) > 1 and sys.argv[1] in ("--vordel", "--update"):
        if sys.argv.pop(1) == "--update":
            UPDATE = True
        else:
            VORDEL = os.path.abspath(sys.argv.pop(1))
    unittest.main()
