#!/usr/bin/env bash
# Times rowlark-diff end to end (both files read, compared, every differing position printed) on
# a pair of 32766 x 100 files of about 51 MB each with 1 % of the cells changed.
#
#     bench/bench_cli.sh [RUNS]
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   BENCH_ENCODING the pair's encoding, one of gen_csvpair.py's (default: utf-8); utf-16le times
#                  the UTF-16 read against the UTF-8 one (target: within 2 x its CPU time)
#   BENCH_DIR      where the pair lives or is made (default: /tmp/rowlark-bench-cli, with
#                  -ENCODING after it for another encoding)
#   GEN_CSVPAIR    the pair generator (default: bench/gen_csvpair.py of the repository); only
#                  needed when the pair is not there yet
#   BENCH_NO_HYPERFINE  set to time with bash even where hyperfine is installed
#
# Checks that the count rowlark-diff reports equals the generator's changed_cells, then prints
# the median wall time of RUNS runs (default 7) for the text and the --json output (with hyperfine
# also the mean CPU time, user and system, which a busy machine changes less), and the peak
# memory of one run. Uses hyperfine when it is installed, bash's own timing otherwise. Run it
# while the machine is otherwise idle: both files are read at once, one per core.

set -euo pipefail

runs=${1:-7}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
encoding=${BENCH_ENCODING:-utf-8}
if [[ $encoding == utf-8 ]]; then
    dir=${BENCH_DIR:-/tmp/rowlark-bench-cli}
else
    dir=${BENCH_DIR:-/tmp/rowlark-bench-cli-$encoding}
fi
generator=${GEN_CSVPAIR:-$repo/bench/gen_csvpair.py}

if [[ ! -x $program ]]; then
    echo "no rowlark-diff at $program (set ROWLARK_DIFF)" >&2
    exit 2
fi

a=$dir/maxish_a.csv
b=$dir/maxish_b.csv
manifest=$dir/maxish.manifest.json
if [[ ! -f $a || ! -f $b || ! -f $manifest ]]; then
    if [[ ! -f $generator ]]; then
        echo "no pair in $dir and no generator at $generator (set GEN_CSVPAIR)" >&2
        exit 2
    fi
    mkdir -p "$dir"
    python3 "$generator" --preset maxish --encoding "$encoding" --outdir "$dir"
fi

expected=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["changed_cells"])' "$manifest")
report=$(mktemp)
trap 'rm -f "$report"' EXIT
status=0
"$program" --json "$a" "$b" > "$report" || status=$?
found=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["differences"])' "$report")
status_text=0
"$program" "$a" "$b" > "$report" || status_text=$?
lines=$(wc -l < "$report")
echo "pair: $a, $b ($(stat -c %s "$a") and $(stat -c %s "$b") bytes)"
echo "expected changed cells: $expected; rowlark-diff reports $found (exit $status; text: exit $status_text, $lines lines)"
# The files differ, so both runs must end with status 1.
if [[ $status -ne 1 || $status_text -ne 1 || $found != "$expected" || $lines -ne $((expected + 1)) ]]; then
    echo "WRONG RESULT" >&2
    exit 1
fi

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

time_command() {
    local name=$1
    shift
    if [[ -z ${BENCH_NO_HYPERFINE:-} ]] && command -v hyperfine > /dev/null; then
        local export
        export=$(mktemp)
        # rowlark-diff exits 1 because the files differ: that is no failure here.
        if ! hyperfine --style none --ignore-failure --warmup 1 --runs "$runs" --export-json "$export" \
            "$*" > /dev/null 2> "$export.err"; then
            cat "$export.err" >&2
            exit 2
        fi
        rm -f "$export.err"
        python3 - "$export" "$name" << 'EOF'
import json, statistics, sys
result = json.load(open(sys.argv[1]))["results"][0]
times = result["times"]
print(f"{sys.argv[2]:<12} median {statistics.median(times):.3f} s, min {min(times):.3f} s, "
      f"max {max(times):.3f} s over {len(times)} runs, CPU {result['user'] + result['system']:.3f} s "
      f"(user {result['user']:.3f} + sys {result['system']:.3f}, mean) (hyperfine)")
EOF
        rm -f "$export"
    else
        local times=()
        local i
        for ((i = 0; i < runs; ++i)); do
            local start=$EPOCHREALTIME
            bash -c "$*" || true
            times+=("$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }')")
        done
        printf '%-12s median %.3f s over %d runs (bash timing)\n' "$name" \
            "$(printf '%s\n' "${times[@]}" | median)" "$runs"
    fi
}

quoted_a=$(printf '%q' "$a")
quoted_b=$(printf '%q' "$b")
quoted_program=$(printf '%q' "$program")
time_command "text" "$quoted_program $quoted_a $quoted_b > /dev/null"
time_command "--json" "$quoted_program --json $quoted_a $quoted_b > /dev/null"

if [[ -x /usr/bin/time ]]; then
    peak=$( { /usr/bin/time -f '%M' "$program" "$a" "$b" > /dev/null; } 2>&1 | tail -n 1) || true
    echo "peak memory: $((peak / 1024)) MiB (maximum resident set size of one run)"
fi
