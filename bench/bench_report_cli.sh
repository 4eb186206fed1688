#!/usr/bin/env bash
# Times rowlark-diff on the maxish pair (32766 x 100, 1 % of the cells changed) without a report
# and with --report in each format, so that the difference is the report's cost.
#
#     bench/bench_report_cli.sh DIR [RUNS]
#
# DIR holds maxish_a.csv and maxish_b.csv from bench/gen_csvpair.py --preset maxish --outdir DIR.
# Prints, for each case, the median of RUNS runs (default 10) of the wall time and of the CPU time
# (user + system), and the largest peak resident set of the runs.
# Environment: ROWLARK_DIFF, the program (default: build/bin/rowlark-diff under the repository).

set -euo pipefail

dir=${1:?usage: bench_report_cli.sh DIR [RUNS]}
runs=${2:-10}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for report in none html xlsx csv; do
    args=()
    [[ $report != none ]] && args=(--report "$out/report.$report")
    : >"$out/times"
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$program" "${args[@]}" "$dir/maxish_a.csv" \
            "$dir/maxish_b.csv" >/dev/null || [[ $? == 1 ]]
        tail -n 1 "$out/time" >>"$out/times" # time also notes the exit status 1 of a difference
    done
    wall=$(awk '{ print $1 * 1000 }' "$out/times" | median)
    cpu=$(awk '{ print ($2 + $3) * 1000 }' "$out/times" | median)
    peak=$(awk '{ print $4 }' "$out/times" | sort -g | tail -1)
    size=$([[ $report != none ]] && stat -c %s "$out/report.$report" || echo 0)
    printf '%-5s wall median %6.0f ms  cpu median %6.0f ms  peak RSS %7d kB  report %8d bytes\n' \
        "$report" "$wall" "$cpu" "$peak" "$size"
done
