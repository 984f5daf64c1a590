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

best() {  # best of three wall-clock runs of "$@", in seconds
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s.%N)
        "$@"
        end=$(date +%s.%N)
        best=$(echo "$start $end $best" | awk '{t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3}')
    done
    echo "$best"
}

cat_time=$(best sh -c 'cat in.bin > out.bin')
vordel_time=$(best sh -c "\"$vordel\" -o in.bin out.bin 2>/dev/null")
cmp -s in.bin out.bin || { echo "copy differs from its input" >&2; exit 1; }
awk -v c="$cat_time" -v v="$vordel_time" -v mb="$size_mb" 'BEGIN {
    printf "copy %d MB: cat %.3f s, vordel -o %.3f s, ratio %.2f (target <= 1.50)\n", mb, c, v, v / c }'
