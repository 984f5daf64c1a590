#!/usr/bin/env python3
"""The picture builtins against ImageMagick: BMPs of several depths and odd
sizes are made with ImageMagick, the expected dots come from ImageMagick's own
reading of each file, and every byte vordel sends must match the command
built from those dots. Refused files, the builtins that send nothing, `file`
and `lognow` run in the same script.

usage: image_test.py --vordel PATH
Exit status 77 (skipped) when ImageMagick is not installed."""
import argparse
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, timeout=120, **kw).stdout


def make_pictures(tmp, rng):
    """name -> (width, height, invert): invert when a 0 bit is white."""
    pics = {}

    def random_ppm(name, w, h, colours):
        pixels = bytes(b for _ in range(w * h) for b in rng.choice(colours))
        path = os.path.join(tmp, name + '.ppm')
        with open(path, 'wb') as f:
            f.write(b'P6\n%d %d\n255\n' % (w, h) + pixels)
        return path

    black_white = [(0, 0, 0), (255, 255, 255)]
    greys = [(v, v, v) for v in (0, 40, 100, 127, 128, 160, 250)]
    colours = greys + [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(12)]
    bilevel = ['-type', 'bilevel']
    for name, w, h, palette, options in (
            ('one_10x3', 10, 3, black_white, bilevel), ('one_odd', 37, 29, black_white, bilevel),
            ('one_row', 13, 1, black_white, bilevel), ('one_9', 9, 5, black_white, bilevel),
            ('one_16', 16, 16, black_white, bilevel), ('one_tall', 8, 50, black_white, bilevel),
            ('four', 21, 9, colours[7:17], ['-colors', '10', '-compress', 'none']),
            ('eight', 23, 17, colours, ['-colors', '19', '-compress', 'none']),
            ('deep24', 31, 19, colours, ['-type', 'truecolor']),
            ('deep32', 11, 7, colours, ['-alpha', 'set', '-define', 'bmp3:alpha=true'])):
        run(['convert', random_ppm(name, w, h, palette)] + options + ['bmp3:' + os.path.join(tmp, name + '.bmp')])
        pics[name] = (w, h, False)
    for name, bits in (('one_odd', 1), ('four', 4), ('eight', 8), ('deep24', 24), ('deep32', 32)):
        with open(os.path.join(tmp, name + '.bmp'), 'rb') as f:
            assert struct.unpack_from('<HI', f.read(34), 28) == (bits, 0), name  # depth, no compression

    def rewrite(source, target, edit):
        data = bytearray(open(os.path.join(tmp, source + '.bmp'), 'rb').read())
        edit(data)
        with open(os.path.join(tmp, target + '.bmp'), 'wb') as f:
            f.write(data)

    def top_down(data):
        offset = struct.unpack_from('<I', data, 10)[0]
        height = struct.unpack_from('<i', data, 22)[0]
        stride = (len(data) - offset) // height
        rows = [data[offset + i * stride:offset + (i + 1) * stride] for i in range(height)]
        data[offset:] = b''.join(reversed(rows))
        struct.pack_into('<i', data, 22, -height)

    rewrite('one_odd', 'top_one', top_down)
    pics['top_one'] = pics['one_odd']
    rewrite('eight', 'top_eight', top_down)
    pics['top_eight'] = pics['eight']

    def white_zero(data):
        offset = struct.unpack_from('<I', data, 10)[0]
        data[54:62] = data[58:62] + data[54:58]
        for i in range(offset, len(data)):
            data[i] ^= 0xFF
    rewrite('one_odd', 'white_zero', white_zero)
    pics['white_zero'] = (37, 29, True)
    return pics


def expected_dots(tmp, pics):
    """name -> rows of dots, from one ImageMagick reading of every file."""
    names = sorted(pics)
    rgb = run(['convert'] + [os.path.join(tmp, n + '.bmp') for n in names] + ['-depth', '8', 'rgb:-'])
    out, at = {}, 0
    for name in names:
        w, h, invert = pics[name]
        rows = []
        for y in range(h):
            row = []
            for x in range(w):
                r, g, b = rgb[at:at + 3]
                at += 3
                row.append((299 * r + 587 * g + 114 * b < 127500) != invert)
            rows.append(row)
        out[name] = Picture(rows)
    assert at == len(rgb)
    return out


class Picture:
    def __init__(self, rows):
        self.rows, self.h, self.w = rows, len(rows), len(rows[0])
        self.x = (self.w + 7) // 8

    def dot(self, r, c):
        return r < self.h and c < self.w and self.rows[r][c]

    def raster(self):
        out = bytearray()
        for r in range(self.h):
            for i in range(self.x):
                out.append(sum(0x80 >> k for k in range(8) if self.dot(r, 8 * i + k)))
        return bytes(out)

    def columns(self, top, count, groups):
        out = bytearray()
        for c in range(count):
            for g in range(groups):
                out.append(sum(0x80 >> i for i in range(8) if self.dot(top + 8 * g + i, c)))
        return bytes(out)


def le(value, size):
    return (value & (1 << 8 * size) - 1).to_bytes(size, 'little')


def bitimage(p, m):
    band = 8 if m in (0, 1) else 24
    out = b''
    for top in range(0, p.h, band):
        out += bytes([0x1B, 0x2A, m]) + le(p.w, 2) + p.columns(top, p.w, band // 8) + b'\n'
    return out


def download(p):
    y = (p.h + 7) // 8
    return bytes([0x1D, 0x2A, p.x & 255, y & 255]) + p.columns(0, p.x * 8, y)


def bitmap(p):
    y = (p.h + 7) // 8
    return le(p.x, 2) + le(y, 2) + p.columns(0, p.x * 8, y)


def gs_v0(p, m):
    return bytes([0x1D, 0x76, 0x30, m]) + le(p.x, 2) + le(p.h, 2) + p.raster()


def gs_q0(p, m, band):
    out = b''
    for top in range(0, p.h, band):
        left = p.h - top
        groups = band // 8 if left >= band else (left + 7) // 8
        out += bytes([0x1D, 0x51, 0x30, m]) + le(p.w, 2) + le(groups, 2) + p.columns(top, p.w, groups)
    return out


def graphics(p, function, a, b, c, long_length):
    size = le(p.w, 2) + le(p.h, 2)
    if function == 67:
        body = bytes([0x30, 0x43, 0x30, a, b, 1]) + size + bytes([c])
    else:
        body = bytes([0x30, 0x70, 0x30, a, b, c]) + size
    length = len(body) + len(p.raster())
    head = b'\x1d\x38\x4c' + le(length, 4) if long_length else b'\x1d\x28\x4c' + le(length, 2)
    return head + body + p.raster()


def hostile_files(tmp):
    """Files to be refused as not bitmap files."""
    good = open(os.path.join(tmp, 'one_odd.bmp'), 'rb').read()
    cases = {}

    def variant(name, offset, fmt, value):
        data = bytearray(good)
        struct.pack_into(fmt, data, offset, value)
        cases[name] = bytes(data)

    variant('zero_width', 18, '<i', 0)
    variant('huge_height', 22, '<i', 2 ** 31 - 1)
    variant('offset_past_end', 10, '<I', len(good) + 10)
    variant('run_length', 30, '<I', 1)
    cases['short_pixels'] = good[:-5]
    cases['empty'] = b''
    cases['not_bmp'] = b'GIF89a' + good[6:]
    for name, data in cases.items():
        with open(os.path.join(tmp, name + '.bmp'), 'wb') as f:
            f.write(data)
    return sorted(cases)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--vordel', required=True)
    args = ap.parse_args()
    args.vordel = os.path.abspath(args.vordel)
    if not shutil.which('convert'):
        print('ImageMagick not installed')
        return 77
    rng = random.Random(4)
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        pics = make_pictures(tmp, rng)
        dots = expected_dots(tmp, pics)
        calls, stream, stdout = [], b'', ''

        def call(text, result, sent=b'', printed=''):
            nonlocal stream, stdout
            calls.append('print %s' % text)
            stream += sent
            stdout += printed + '%d\n' % result

        for name, p in sorted(dots.items()):
            for m in (0, 1, 32, 33, 39):
                call('bitimage("%s.bmp", %d)' % (name, m), 1, bitimage(p, m))
            call('download("%s.bmp")' % name, 1, download(p))
            call('bitmap("%s.bmp")' % name, 1, bitmap(p))
            call('GS_v0(%d, "%s.bmp")' % (len(name), name), 1, gs_v0(p, len(name)))
            for band in (8, 16, 48):
                call('GS_Q0(2, "%s.bmp", %d)' % (name, band), 1, gs_q0(p, 2, band))
            call('GS_LP_L_67(32, 33, 1, "%s.bmp")' % name, 1, graphics(p, 67, 32, 33, 1, False))
            call('GS_8_L_67(65, 66, 2, "%s.bmp")' % name, 1, graphics(p, 67, 65, 66, 2, True))
            call('GS_LP_L_112(1, 2, 49, "%s.bmp")' % name, 1, graphics(p, 112, 1, 2, 49, False))
            call('GS_8_L_112(2, 1, 50, "%s.bmp")' % name, 1, graphics(p, 112, 2, 1, 50, True))
        # Arguments are cut to their low 8 bits.
        call('GS_v0(256 + 48, "one_9.bmp")', 1, gs_v0(dots['one_9'], 48))
        for name in hostile_files(tmp):
            for builtin in ('download("%s.bmp")', 'GS_v0(0, "%s.bmp")', 'bitimage("%s.bmp", 0)'):
                call(builtin % name, 0, printed="File '%s.bmp' is not bitmap file.\n" % name)
        call('GS_v0(0, "missing.bmp")', 0, printed="File 'missing.bmp' is not exist.\n")
        call('bitimage("one_9.bmp", 2)', 0)
        for band in (0, 12, 256 + 7):
            call('GS_Q0(0, "one_9.bmp", %d)' % band, 0)
        for name in ('GS_8_L_68', 'GS_8_L_113', 'GS_LP_L_68', 'GS_LP_L_113'):
            call('%s(1, 2, 3, "one_9.bmp")' % name, 0)
        raw = bytes(rng.randrange(256) for _ in range(20000))
        with open(os.path.join(tmp, 'raw.bin'), 'wb') as f:
            f.write(raw)
        call('file("raw.bin")', 1, raw)
        call('file("missing.bin")', -1)
        os.mkdir(os.path.join(tmp, 'folder'))
        call('file("folder")', -1)
        call('lognow("note from the script")', 0)

        with open(os.path.join(tmp, 'pictures.vd'), 'w') as f:
            f.write('BEGIN {\n' + ''.join('  %s\n' % c for c in calls) + '}\n')
        done = subprocess.run([args.vordel, '-l', 'pictures.vd', 'out.bin'], cwd=tmp, capture_output=True,
                              timeout=300)
        if done.returncode != 0:
            failures.append('exit status %d: %s' % (done.returncode, done.stderr.decode(errors='replace')))
        if done.stdout.decode(errors='replace') != stdout:
            failures.append('standard output differs:\n%s' % done.stdout.decode(errors='replace'))
        warnings = re.findall(r'Warning: GS_Q0: band height (\d+) is not a positive multiple of 8',
                              done.stderr.decode(errors='replace'))
        if warnings != ['0', '12', '7']:
            failures.append('GS_Q0 warnings: %s' % warnings)
        sent = open(os.path.join(tmp, 'out.bin'), 'rb').read()
        if sent != stream:
            at = next((i for i, (a, b) in enumerate(zip(sent, stream)) if a != b), min(len(sent), len(stream)))
            failures.append('bytes differ at offset %d of %d (expected %d bytes)' % (at, len(sent), len(stream)))
        log = open(os.path.join(tmp, 'VORDEL.LOG'), 'rb').read().decode(errors='replace')
        if not re.search(r'\n \d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3} note from the script\n', log):
            failures.append('no lognow line in the log')

        # -v shows the size of every picture it opens, refused or not.
        with open(os.path.join(tmp, 'sizes.vd'), 'w') as f:
            f.write('BEGIN { GS_v0(0, "top_eight.bmp"); download("huge_height.bmp") }\n')
        done = subprocess.run([args.vordel, '-v', 'sizes.vd', 'out2.bin'], cwd=tmp, capture_output=True,
                              timeout=60)
        want = (' bitmap width  = 23\n bitmap height = -17\n bitmap width  = 37\n'
                ' bitmap height = 2147483647\nFile \'huge_height.bmp\' is not bitmap file.\n')
        if done.stdout.decode() != want:
            failures.append('-v output: %r' % done.stdout.decode())
    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
