"""vordel-sim's preview on a long stream: LINES lines of receipt text (with
style changes) and IMAGES raster images of 576 x 200 dots, drawn with the
font glyphs into one picture. Prints the elapsed time and the peak memory
(from /usr/bin/time) for the full stream and for a tenth of it, so that
memory can be seen to stay flat in the length. Target: under 2 seconds for
10,000 lines and 100 images.

usage: python3 bench/render_long.py [path/to/vordel-sim] [lines] [images]
"""
import os
import random
import subprocess
import sys
import tempfile


def stream(lines, images, seed=24):
    rng = random.Random(seed)
    row = bytes(rng.randrange(256) for _ in range(72))
    image = b"\x1ba\x01\x1dv0\x00" + bytes([72, 0, 200, 0]) + row * 200 + b"\x1ba\x00"
    styles = [b"\x1b!\x00", b"\x1b!\x08", b"\x1b!\x01", b"\x1d!\x11", b"\x1b-\x01", b"\x1b-\x00", b"\x1d!\x00"]
    out = [b"\x1b@"]
    every = max(1, lines // max(images, 1))
    for i in range(lines):
        out.append(rng.choice(styles) + b"Item %05d  rye loaf, sliced     %3d.%02d\n" % (i, rng.randrange(100),
                                                                                     rng.randrange(100)))
        if images and i % every == every - 1 and (i + 1) // every <= images:
            out.append(image)
    out.append(b"\x1dVB\x00")
    return b"".join(out)


def measure(sim, data, folder):
    source = os.path.join(folder, "long.bin")
    with open(source, "wb") as f:
        f.write(data)
    run = subprocess.run(["/usr/bin/time", "-f", "%e %M", sim, "--render", os.path.join(folder, "long.png"), source],
                         capture_output=True, text=True, check=True)
    seconds, kib = run.stderr.split()[-2:]
    size = os.path.getsize(os.path.join(folder, "long.png"))
    return float(seconds), int(kib), size


def main():
    sim = sys.argv[1] if len(sys.argv) > 1 else "build/sim/vordel-sim"
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    images = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    with tempfile.TemporaryDirectory() as folder:
        for n, m in ((lines // 10, images // 10), (lines, images)):
            data = stream(n, m)
            seconds, kib, size = measure(sim, data, folder)
            print("%6d lines, %4d images (%.1f MB in): %.2f s, peak %.1f MB, PNG %.1f MB"
                  % (n, m, len(data) / 1e6, seconds, kib / 1024, size / 1e6))


if __name__ == "__main__":
    main()
