#!/usr/bin/env bash
# GS_v0 of a 576 x 20000 picture beside a 576 x 200 one: peak resident memory
# must stay flat (the picture is streamed a row at a time) and the time grow
# linearly with the height.
#   bash bench/picture_memory.sh [path/to/vordel]
set -euo pipefail
vordel=$(realpath "${1:-build/vordel}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - <<'PY'
import os, struct
for h in (200, 20000):
    w, stride = 576, 72
    data = os.urandom(stride * h)
    head = b'BM' + struct.pack('<IHHI', 62 + len(data), 0, 0, 62)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 1, 0, len(data), 0, 0, 2, 0)
    open('p%d.bmp' % h, 'wb').write(head + info + b'\0\0\0\0\xff\xff\xff\0' + data)
    open('p%d.vd' % h, 'w').write('BEGIN { GS_v0(0, "p%d.bmp") }\n' % h)
PY
for h in 200 20000; do
    best_rss="" best_time=""
    for _ in 1 2 3; do
        /usr/bin/time -f '%M %e' -o t.txt "$vordel" "p$h.vd" out.bin >/dev/null 2>&1
        read -r rss secs < t.txt
        [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ] && best_rss=$rss
        [ -z "$best_time" ] || awk -v a="$secs" -v b="$best_time" 'BEGIN { exit !(a < b) }' && best_time=$secs
    done
    echo "GS_v0 576 x $h: peak RSS $best_rss KB, time $best_time s, $(stat -c %s out.bin) bytes sent"
done
