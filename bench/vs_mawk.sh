#!/usr/bin/env bash
# Times vordel and mawk on the same BEGIN-block scripts and prints the ratio
# vordel/mawk for each (target: every ratio at most 1.2). Best of N runs.
#
#   bash bench/vs_mawk.sh [path/to/vordel] [runs]
#
# Not part of the test command: it takes tens of seconds and its numbers
# depend on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

vordel=${1:-build/vordel}
runs=${2:-5}
command -v mawk >/dev/null || { echo "vs_mawk: mawk is not installed" >&2; exit 1; }
[ -x "$vordel" ] || { echo "vs_mawk: no vordel binary at $vordel" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A file of 200,000 records of seven fields for the field-splitting case.
records="$work/records.txt"
mawk 'BEGIN { for (i = 1; i <= 200000; i++)
    printf "%d 2024-05-%02d item%05d %d.%02d  OK\tshop %d\n", i, i % 28 + 1, i % 99991, i % 977, i % 100, i % 13 }' > "$records"

# name|script[|mawk script]: the same text runs in both languages unless a
# second one is given (vordel reads files with fgets, mawk with getline).
cases=(
'int_loop|BEGIN { s = 0; for (i = 0; i < 3000000; i++) { s = (s + i * 7) % 1000003 } print s }'
'string_build|BEGIN { n = 0; for (i = 0; i < 300000; i++) { s = s "ab"; if (length(s) > 1000) { n++; s = "" } } print n }'
'assoc_300k|BEGIN { for (i = 0; i < 300000; i++) a[i] = i; n = 0; for (k in a) n += a[k]; print n }'
'split_loop|BEGIN { n = 0; for (i = 0; i < 200000; i++) n += split("alpha beta gamma delta epsilon zeta", w); print n }'
'sprintf_loop|BEGIN { n = 0; for (i = 0; i < 300000; i++) { s = sprintf("%05d:%-6s|%x", i, "ab", i); n += length(s) } print n }'
'regex_match|BEGIN { n = 0; s = "receipt 12345 total 678"; for (i = 0; i < 500000; i++) { if (s ~ /to[a-z]+ [0-9]+$/) n++ } print n }'
'func_calls|function f(x) { return x + 1 }
BEGIN { s = 0; for (i = 0; i < 1000000; i++) s = f(s); print s }'
"fields_200k|BEGIN { n = 0; f = fopen(\"$records\", \"r\"); while ((line = fgets(f)) != \"[EOF]\") { \$0 = line; n += NF } fclose(f); print n }|BEGIN { n = 0; f = \"$records\"; while ((getline line < f) > 0) { \$0 = line; n += NF } close(f); print n }"
'gsub_1mb|BEGIN { s = "receipt total 12345 "; while (length(s) < 1048576) s = s s; n = gsub(/total/, "sum", s); print n, length(s) }'
'delete_300k|BEGIN { for (i = 0; i < 300000; i++) a[i] = i; for (i = 0; i < 300000; i++) delete a[i]; n = 0; for (k in a) n++; print n }'
)

run_us() {  # wall time in microseconds of running "$@" once
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 </dev/null || true
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
}

printf '%-14s %10s %10s %8s\n' case vordel_ms mawk_ms ratio
over=0
for entry in "${cases[@]}"; do
    name=${entry%%|*}
    script=${entry#*|}
    mawk_script=$script
    if [[ $script == *'|BEGIN'* ]]; then
        mawk_script=BEGIN${script#*|BEGIN}
        script=${script%%|BEGIN*}
    fi
    printf '%s\n' "$script" > "$work/$name.vd"
    printf '%s\n' "$mawk_script" > "$work/$name.awk"
    # In turns, best of each: a burst of load should not fall on one side only.
    v= m=
    for ((r = 0; r < runs; r++)); do
        t=$(run_us "$vordel" "$work/$name.vd"); if [ -z "$v" ] || [ "$t" -lt "$v" ]; then v=$t; fi
        t=$(run_us mawk -f "$work/$name.awk"); if [ -z "$m" ] || [ "$t" -lt "$m" ]; then m=$t; fi
    done
    ratio=$(awk -v v="$v" -v m="$m" 'BEGIN { printf "%.2f", (m > 0 ? v / m : 0) }')
    awk -v r="$ratio" 'BEGIN { exit !(r > 1.2) }' && over=$((over + 1))
    awk -v n="$name" -v v="$v" -v m="$m" -v r="$ratio" 'BEGIN { printf "%-14s %10.1f %10.1f %8s\n", n, v / 1000, m / 1000, r }'
done
echo "cases above 1.2: $over"
