#!/usr/bin/env bash
# Sets rowlark-diff beside the usual command-line tools: GNU diff and cmp on the tall, wide and
# maxish pairs of gen_csvpair.py, all nine commands in one hyperfine run.
#
#     bench/bench_peers.sh
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   BENCH_DIR      where the pairs live or are made (default: /tmp/bench)
#   GEN_CSVPAIR    the pair generator (default: bench/gen_csvpair.py of the repository); only
#                  needed when a pair is not there yet
#   RUNS           timed runs of each command (default 5), after one warm-up run
#
# First checks, for every pair, that rowlark-diff exits with 1 and reports as many differences as
# the generator's manifest has changed cells; stops with status 1 when one does not. Then prints
# per pair the mean wall time of each program, rowlark-diff's time against diff's and cmp's, and
# rowlark-diff's peak memory (maximum resident set size) against the size of both files.
#
# The three programs do different work: rowlark-diff compares cell by cell and prints every
# differing position, diff finds the differing lines (an edit script over the lines), and cmp
# stops at the first differing byte, so its time is little more than starting it. Run it while
# the machine is otherwise idle.

set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
dir=${BENCH_DIR:-/tmp/bench}
generator=${GEN_CSVPAIR:-$repo/bench/gen_csvpair.py}
runs=${RUNS:-5}
pairs=(tall wide maxish)

if ! command -v hyperfine > /dev/null; then
    echo "hyperfine is not installed: install it with 'apt-get install hyperfine'" >&2
    exit 2
fi
if [[ ! -x $program ]]; then
    echo "no rowlark-diff at $program (set ROWLARK_DIFF)" >&2
    exit 2
fi
for tool in diff cmp python3; do
    if ! command -v "$tool" > /dev/null; then
        echo "$tool is not installed" >&2
        exit 2
    fi
done
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
    echo "RUNS must be a positive number, not '$runs'" >&2
    exit 2
fi

missing=0
for pair in "${pairs[@]}"; do
    for file in "$dir/${pair}_a.csv" "$dir/${pair}_b.csv" "$dir/$pair.manifest.json"; do
        [[ -f $file ]] || missing=1
    done
done
if ((missing)); then
    if [[ ! -f $generator ]]; then
        echo "pairs missing in $dir and no generator at $generator (set GEN_CSVPAIR)" >&2
        exit 2
    fi
    mkdir -p "$dir"
    python3 "$generator" --preset all --outdir "$dir"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The counts first: a run that reports the wrong differences must not be timed as if it worked.
wrong=0
for pair in "${pairs[@]}"; do
    a=$dir/${pair}_a.csv
    b=$dir/${pair}_b.csv
    status=0
    "$program" --json "$a" "$b" > "$work/$pair.json" || status=$?
    if ! python3 - "$dir/$pair.manifest.json" "$work/$pair.json" "$status" "$pair" << 'EOF'; then
import json, sys
manifest_path, report_path, status, pair = sys.argv[1:]
expected = json.load(open(manifest_path))["changed_cells"]
try:
    found = json.load(open(report_path))["differences"]
except (ValueError, KeyError) as error:
    found = f"no count ({error!r})"
if found != expected or status != "1":
    print(f"WRONG RESULT on {pair}: rowlark-diff reports {found} differences with exit status {status}, "
          f"the manifest has {expected} changed cells", file=sys.stderr)
    sys.exit(1)
print(f"{pair}: rowlark-diff reports {found} differences, as the manifest says")
EOF
        wrong=1
    fi
done
if ((wrong)); then
    exit 1
fi

# Peak memory of one run per pair. hyperfine's JSON carries it from version 1.17 on; older ones
# leave it to GNU time.
for pair in "${pairs[@]}"; do
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -o "$work/$pair.rss" -f '%M' "$program" "$dir/${pair}_a.csv" "$dir/${pair}_b.csv" \
            > /dev/null || true
    fi
done

commands=()
for pair in "${pairs[@]}"; do
    a=$(printf '%q' "$dir/${pair}_a.csv")
    b=$(printf '%q' "$dir/${pair}_b.csv")
    commands+=(--command-name "$pair rowlark-diff" "$(printf '%q' "$program") $a $b")
    commands+=(--command-name "$pair diff" "diff $a $b")
    commands+=(--command-name "$pair cmp" "cmp $a $b")
done

# -N: no shell in between; -i: all three exit with 1 because the files differ.
if ! hyperfine -N -i --style none --warmup 1 --runs "$runs" --export-json "$work/hyperfine.json" \
    "${commands[@]}" > /dev/null 2> "$work/hyperfine.err"; then
    cat "$work/hyperfine.err" >&2
    echo "hyperfine failed" >&2
    exit 2
fi

python3 - "$work" "$dir" "$runs" "${pairs[@]}" << 'EOF'
import json, os, statistics, sys

work, data, runs, *pairs = sys.argv[1:]
results = {r["command"]: r for r in json.load(open(os.path.join(work, "hyperfine.json")))["results"]}
MiB = 1024 * 1024

for pair in pairs:
    size = sum(os.path.getsize(os.path.join(data, f"{pair}_{side}.csv")) for side in "ab")
    manifest = json.load(open(os.path.join(data, f"{pair}.manifest.json")))
    print(f"\n{pair}: {manifest['rows']} x {manifest['cols']}, {manifest['changed_cells']} changed cells, "
          f"both files {size / MiB:.1f} MiB; mean of {runs} runs")
    means = {}
    for name in ("rowlark-diff", "diff", "cmp"):
        result = results[f"{pair} {name}"]
        means[name] = result["mean"]
        times = result["times"]
        print(f"  {name:<13} mean {result['mean']:8.3f} s  (σ {result['stddev'] or 0:.3f} s, "
              f"median {statistics.median(times):.3f} s, min {min(times):.3f} s)")
    print(f"  rowlark-diff / diff  {means['rowlark-diff'] / means['diff']:8.2f}")
    print(f"  rowlark-diff / cmp   {means['rowlark-diff'] / means['cmp']:8.2f}  (cmp stops at the first differing byte)")
    peak = None
    memory = results[f"{pair} rowlark-diff"].get("memory_usage_byte")
    if memory:
        peak, source = max(memory), "hyperfine"
    else:
        path = os.path.join(work, f"{pair}.rss")
        if os.path.exists(path):
            lines = open(path).read().split()
            if lines and lines[-1].isdigit():
                peak, source = int(lines[-1]) * 1024, "GNU time"
    if peak is None:
        print("  rowlark-diff peak memory: not measured (install the package 'time')")
    else:
        print(f"  rowlark-diff peak memory {peak / MiB:8.1f} MiB = {peak / size:.2f} x both files ({source})")
EOF
