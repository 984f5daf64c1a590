#!/usr/bin/env bash
# Output-file mode throughput: copies a 200 MB file to a file target with
# `vordel -o` and compares the time with `cat` of the same file into the same
# place. Target: vordel takes at most 1.5 times as long as cat.
#   bash bench/copy_file.sh [path/to/vordel] [size in MB]
set -euo pipefail
vordel=$(realpath "${1:-build/vordel}")
size_mb=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
head -c $((size_mb * 1024 * 1024)) /dev/urandom > in.bin
cat in.bin > out.bin  # warm the page cache and the target's blocks

# Best of five runs of "$@": wall-clock and CPU (user + system) seconds.
best() {
    local TIMEFORMAT='%R %U %S' wall="" cpu="" r
    for _ in 1 2 3 4 5; do
        r=$( { time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
        read -r wall cpu <<<"$(echo "$r $wall $cpu" | awk '{
            w = $1; c = $2 + $3
            if ($4 != "" && $4 < w) w = $4
            if ($5 != "" && $5 < c) c = $5
            print w, c }')"
    done
    echo "$wall $cpu"
}

read -r cat_wall cat_cpu <<<"$(best sh -c 'cat in.bin > out.bin')"
read -r vordel_wall vordel_cpu <<<"$(best "$vordel" -o in.bin out.bin)"
cmp -s in.bin out.bin || { echo "copy differs from its input" >&2; exit 1; }
awk -v cw="$cat_wall" -v vw="$vordel_wall" -v cc="$cat_cpu" -v vc="$vordel_cpu" -v mb="$size_mb" 'BEGIN {
    printf "copy %d MB: cat %.3f s, vordel -o %.3f s: wall ratio %.2f (target <= 1.50)\n", mb, cw, vw, vw / cw
    printf "  cpu (user+sys): cat %.3f s, vordel -o %.3f s: ratio %.2f\n", cc, vc, vc / cc }'
