#!/usr/bin/env python3
"""QR_v0 symbols, decoded by zbarimg: every version from 1 to 40 at least
once (random bytes, NUL and 0x80..0xFF included), the symbol sizes, and the
texts too long for any version.

usage: qr_zbar_test.py --vordel PATH
Exit status 77 (skipped) when zbarimg is not installed."""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

# Byte-mode capacity at level M: versions 1..9 take texts shorter than it,
# versions 10..40 texts up to it.
CAPACITY_M = [14, 26, 42, 62, 84, 106, 122, 152, 180, 213, 251, 287, 331, 362, 412, 450, 504, 560,
              624, 666, 711, 779, 857, 911, 997, 1059, 1125, 1190, 1264, 1370, 1452, 1538, 1628,
              1722, 1809, 1911, 1989, 2099, 2213, 2331]


def version_for(length):
    for v in range(1, 10):
        if CAPACITY_M[v - 1] > length:
            return v
    for v in range(10, 41):
        if CAPACITY_M[v - 1] >= length:
            return v
    return 0


def script_literal(data):
    # Every byte as a three-digit octal escape: unambiguous whatever follows.
    return '"' + ''.join('\\%03o' % b for b in data) + '"'


def cases(rng):
    texts = [b'', bytes(range(14)), b'\x00' * 13, bytes(0x80 + i % 128 for i in range(179)), b'A' * 180]
    for v in range(1, 41):
        low = 0 if v == 1 else (CAPACITY_M[v - 2] if v <= 10 else CAPACITY_M[v - 2] + 1)
        high = CAPACITY_M[v - 1] - 1 if v <= 9 else CAPACITY_M[v - 1]
        n = high if v % 3 == 0 else rng.randint(low, high)
        texts.append(bytes(rng.randrange(256) for _ in range(n)))
    return texts


def split_symbols(stream):
    """The GS v 0 images in a byte stream: (bytes per row, rows, dot bytes)."""
    out, i = [], 0
    while i < len(stream):
        if stream[i:i + 4] != b'\x1d\x76\x30\x00':
            raise ValueError('no GS v 0 header at offset %d' % i)
        width = stream[i + 4] | stream[i + 5] << 8
        rows = stream[i + 6] | stream[i + 7] << 8
        out.append((width, rows, stream[i + 8:i + 8 + width * rows]))
        i += 8 + width * rows
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--vordel', required=True)
    args = ap.parse_args()
    zbarimg = shutil.which('zbarimg')
    if not zbarimg:
        print('zbarimg not installed')
        return 77
    rng = random.Random(20)
    texts = cases(rng)
    too_long = [b'x' * 2332, b'y' * 8000]
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        script = os.path.join(tmp, 'qr.vd')
        with open(script, 'w') as f:
            f.write('BEGIN {\n')
            for t in texts + too_long:
                # Built in pieces: a script line has a length limit.
                f.write('  s = ""\n')
                for i in range(0, len(t), 200):
                    f.write('  s = s %s\n' % script_literal(t[i:i + 200]))
                f.write('  print QR_v0(s)\n')
            f.write('}\n')
        out = os.path.join(tmp, 'out.bin')
        run = subprocess.run([args.vordel, script, out], capture_output=True, timeout=300)
        if run.returncode != 0:
            print(run.stderr.decode(errors='replace'))
            return 1
        results = run.stdout.decode().split()
        expected_results = ['0'] * len(texts) + ['-1'] * len(too_long)
        if results != expected_results:
            failures.append('results %s, expected %s' % (results, expected_results))
        for n in (2332, 8000):
            warning = ('Warning: QR_v0: a text of %d bytes does not fit in a QR code symbol '
                       '(at most 2331)' % n)
            if warning not in run.stderr.decode():
                failures.append('missing warning for %d bytes' % n)

        symbols = split_symbols(open(out, 'rb').read())
        if len(symbols) != len(texts):
            failures.append('%d symbols sent for %d texts' % (len(symbols), len(texts)))
        images = []
        for k, ((width, rows, dots), text) in enumerate(zip(symbols, texts)):
            v = version_for(len(text))
            side = (17 + 4 * v + 8) * 6
            if (width, rows) != ((side + 7) // 8, side):
                failures.append('text of %d bytes: %d x %d bytes, expected version %d (%d dots)'
                                % (len(text), width, rows, v, side))
            image = os.path.join(tmp, 'qr%02d.pbm' % k)
            with open(image, 'wb') as f:
                f.write(b'P4\n%d %d\n' % (width * 8, rows) + dots)
            images.append(image)
        # One zbarimg run for every image: the decoded texts follow each other
        # in argument order.
        decoded = subprocess.run([zbarimg, '--nodbus', '-q', '--raw', '-Sbinary'] + images,
                                 capture_output=True, timeout=300).stdout
        if decoded != b''.join(texts[:len(images)]):
            failures.append('zbarimg decodes %d bytes, not the %d sent (run it on each qrNN.pbm)'
                            % (len(decoded), sum(map(len, texts))))
    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
