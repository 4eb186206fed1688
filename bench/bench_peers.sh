#!/usr/bin/env bash
# Sets rowlark-diff beside the usual command-line tools: GNU diff and cmp, and wc -l and cat for
# the time reading both files takes, on the tall, wide and maxish pairs of gen_csvpair.py, and on
# "quoted", the maxish shape with 5 % of the cells quoted around a comma (gen_csvpair.py
# --quote-rate 0.05), all in one hyperfine run. rowlark-diff's wall time should stay within 2 x
# wc -l's.
#
#     bench/bench_peers.sh
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   BENCH_DIR      where the pairs live or are made (default: /tmp/bench)
#   GEN_CSVPAIR    the pair generator (default: bench/gen_csvpair.py of the repository); only
#                  needed when a pair is not there yet
#   RUNS           timed runs of each command (default 5), after one warm-up run
#   MILLION        1: also the 1 000 000 x 20 pair "million" (about 630 MB, made when missing; check
#                  the free space first), compared with --no-limit, and also with --no-limit --align
#   WORKBOOK       0: leave out the workbook pair; otherwise (the default) the maxish pair is also
#                  written as workbooks (gen_csvpair.py --format xlsx, when missing), checked (the
#                  workbook against the CSV file it was made from must give no difference, the two
#                  workbooks the manifest's count) and timed as "maxish-xlsx rowlark-diff"
#
# The shifted pair: rowlark-diff --align-columns on maxish-shifted (gen_csvpair.py --insert-column,
# file 2 with one column inserted in the middle, both files under a heading line) beside the plain
# comparison of maxish-heading (the same pair without the inserted column); with MILLION=1 also the
# million pair so made, with --no-limit. The plain comparison must report the manifest's changed
# cells, --align-columns those and the inserted column's (each faces the empty column put in).
#
# First checks, for every pair, that rowlark-diff exits with 1 and reports as many differences as
# the generator's manifest has changed cells; stops with status 1 when one does not. Then prints
# per pair the mean wall time and the mean CPU time (user + system) of each program, rowlark-diff's
# against diff's and cmp's, and the peak memory (maximum resident set size) of rowlark-diff and of
# diff. On a machine shared with other work, CPU time is the figure to trust; wall time is not.
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
million=${MILLION:-0}
workbook=${WORKBOOK:-1}

if ! command -v hyperfine > /dev/null; then
    echo "hyperfine is not installed: install it with 'apt-get install hyperfine'" >&2
    exit 2
fi
if [[ ! -x $program ]]; then
    echo "no rowlark-diff at $program (set ROWLARK_DIFF)" >&2
    exit 2
fi
for tool in diff cmp wc cat python3; do
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
if [[ ! -f $dir/quoted_a.csv || ! -f $dir/quoted_b.csv || ! -f $dir/quoted.manifest.json ]]; then
    mkdir -p "$dir"
    python3 "$generator" --name quoted --rows 32766 --cols 100 --seed 3 --quote-rate 0.05 --outdir "$dir"
fi
pairs+=(quoted)

if [[ $million == 1 ]]; then
    if [[ ! -f $dir/million_a.csv || ! -f $dir/million_b.csv || ! -f $dir/million.manifest.json ]]; then
        python3 "$generator" --name million --rows 1000000 --cols 20 --outdir "$dir"
    fi
    pairs+=(million)
fi
if [[ $workbook != 0 && ( ! -f $dir/maxish_a.xlsx || ! -f $dir/maxish_b.xlsx ) ]]; then
    python3 "$generator" --preset maxish --format xlsx --outdir "$dir"
fi
# Options per pair: the million rows are past a sheet's limits.
options_for() {
    [[ $1 == million* ]] && echo --no-limit || true
}
shifted=("maxish 32766 100 3")
[[ $million == 1 ]] && shifted+=("million 1000000 20 0")
shifted_names=()
for spec in "${shifted[@]}"; do
    read -r name rows cols seed <<< "$spec"
    for kind in heading shifted; do
        if [[ ! -f $dir/$name-${kind}_a.csv || ! -f $dir/$name-${kind}_b.csv || ! -f $dir/$name-$kind.manifest.json ]]; then
            flag=(--heading)
            [[ $kind == shifted ]] && flag=(--insert-column $((cols / 2 + 1)))
            python3 "$generator" --name "$name-$kind" --rows "$rows" --cols "$cols" --seed "$seed" "${flag[@]}" \
                --outdir "$dir" > /dev/null
        fi
    done
    shifted_names+=("$name")
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The counts first: a run that reports the wrong differences must not be timed as if it worked.
wrong=0
for pair in "${pairs[@]}"; do
    a=$dir/${pair}_a.csv
    b=$dir/${pair}_b.csv
    status=0
    "$program" $(options_for "$pair") --json "$a" "$b" > "$work/$pair.json" || status=$?
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
for name in "${shifted_names[@]}"; do
    for kind in heading shifted; do
        status=0
        columns=()
        [[ $kind == shifted ]] && columns=(--align-columns)
        "$program" $(options_for "$name") "${columns[@]}" --json "$dir/$name-${kind}_a.csv" "$dir/$name-${kind}_b.csv" \
            > "$work/$name-$kind.json" 2> "$work/$name-$kind.err" || status=$?
        if ! python3 - "$dir/$name-$kind.manifest.json" "$work/$name-$kind.json" "$status" "$name-$kind" \
            "$work/$name-$kind.err" << 'EOF'; then
import json, sys
manifest_path, report_path, status, pair, err = sys.argv[1:]
manifest = json.load(open(manifest_path))
expected = manifest["changed_cells"] + manifest.get("inserted_cells", 0)
try:
    found = json.load(open(report_path))["differences"]
except (ValueError, KeyError) as error:
    found = f"no count ({error!r}; {open(err).read().strip()})"
if found != expected or status != "1":
    print(f"WRONG RESULT on {pair}: rowlark-diff reports {found} differences with exit status {status}, "
          f"the manifest has {expected} changed cells", file=sys.stderr)
    sys.exit(1)
print(f"{pair}: rowlark-diff{' --align-columns' if pair.endswith('shifted') else ''} reports {found} differences, "
      "as the manifest says")
EOF
            wrong=1
        fi
    done
done
if [[ $workbook != 0 ]]; then
    status=0
    "$program" --json "$dir/maxish_a.xlsx" "$dir/maxish_a.csv" > "$work/xlsx-csv.json" 2> /dev/null || status=$?
    "$program" --json "$dir/maxish_a.xlsx" "$dir/maxish_b.xlsx" > "$work/xlsx.json" 2> /dev/null || true
    if ! python3 - "$dir/maxish.manifest.json" "$work/xlsx-csv.json" "$status" "$work/xlsx.json" << 'EOF'; then
import json, sys
manifest_path, export_path, status, pair_path = sys.argv[1:]
expected = json.load(open(manifest_path))["changed_cells"]
against_csv = json.load(open(export_path))["differences"]
pair = json.load(open(pair_path))["differences"]
if against_csv != 0 or status != "0" or pair != expected:
    print(f"WRONG RESULT on the workbooks: {against_csv} differences against the CSV file (exit {status}), "
          f"{pair} between the workbooks where the manifest has {expected}", file=sys.stderr)
    sys.exit(1)
print(f"maxish-xlsx: no difference against its CSV file, {pair} between the workbooks, as the manifest says")
EOF
        wrong=1
    fi
fi
if ((wrong)); then
    exit 1
fi

# Peak memory of one run per pair and program, with GNU time.
for pair in "${pairs[@]}"; do
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -o "$work/$pair.rss" -f '%M' "$program" $(options_for "$pair") "$dir/${pair}_a.csv" \
            "$dir/${pair}_b.csv" > /dev/null || true
        /usr/bin/time -o "$work/$pair.diff.rss" -f '%M' diff "$dir/${pair}_a.csv" "$dir/${pair}_b.csv" \
            > /dev/null || true
    fi
done

commands=()
for pair in "${pairs[@]}"; do
    a=$(printf '%q' "$dir/${pair}_a.csv")
    b=$(printf '%q' "$dir/${pair}_b.csv")
    commands+=(--command-name "$pair rowlark-diff" "$(printf '%q' "$program") $(options_for "$pair") $a $b")
    commands+=(--command-name "$pair diff" "diff $a $b")
    commands+=(--command-name "$pair cmp" "cmp $a $b")
    commands+=(--command-name "$pair wc -l" "wc -l $a $b")
    commands+=(--command-name "$pair cat" "cat $a $b")
    # The million rows also lined up: one more pass keeps a 16-byte hash of each row.
    if [[ $pair == million ]]; then
        commands+=(--command-name "$pair rowlark-diff --align" "$(printf '%q' "$program") --no-limit --align $a $b")
        if [[ -x /usr/bin/time ]]; then
            /usr/bin/time -o "$work/$pair.align.rss" -f '%M' "$program" --no-limit --align "$dir/${pair}_a.csv" \
                "$dir/${pair}_b.csv" > /dev/null || true
        fi
    fi
done

for name in "${shifted_names[@]}"; do
    heading=("$dir/$name-heading_a.csv" "$dir/$name-heading_b.csv")
    moved=("$dir/$name-shifted_a.csv" "$dir/$name-shifted_b.csv")
    commands+=(--command-name "$name-shifted rowlark-diff"
        "$(printf '%q' "$program") $(options_for "$name") $(printf '%q ' "${heading[@]}")")
    commands+=(--command-name "$name-shifted rowlark-diff --align-columns"
        "$(printf '%q' "$program") $(options_for "$name") --align-columns $(printf '%q ' "${moved[@]}")")
done
if [[ $workbook != 0 ]]; then
    commands+=(--command-name "maxish-xlsx rowlark-diff"
        "$(printf '%q' "$program") $(printf '%q' "$dir/maxish_a.xlsx") $(printf '%q' "$dir/maxish_b.xlsx")")
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -o "$work/maxish-xlsx.rss" -f '%M' "$program" "$dir/maxish_a.xlsx" "$dir/maxish_b.xlsx" \
            > /dev/null 2>&1 || true
    fi
fi

# -N: no shell in between; -i: all three exit with 1 because the files differ.
if ! hyperfine -N -i --style none --warmup 1 --runs "$runs" --export-json "$work/hyperfine.json" \
    "${commands[@]}" > /dev/null 2> "$work/hyperfine.err"; then
    cat "$work/hyperfine.err" >&2
    echo "hyperfine failed" >&2
    exit 2
fi

python3 - "$work" "$dir" "$runs" "${shifted_names[*]}" "${pairs[@]}" << 'EOF'
import json, os, statistics, sys

work, data, runs, shifted, *pairs = sys.argv[1:]
results = {r["command"]: r for r in json.load(open(os.path.join(work, "hyperfine.json")))["results"]}
MiB = 1024 * 1024

for pair in pairs:
    size = sum(os.path.getsize(os.path.join(data, f"{pair}_{side}.csv")) for side in "ab")
    manifest = json.load(open(os.path.join(data, f"{pair}.manifest.json")))
    print(f"\n{pair}: {manifest['rows']} x {manifest['cols']}, {manifest['changed_cells']} changed cells, "
          f"both files {size / MiB:.1f} MiB; mean of {runs} runs")
    means = {}
    cpus = {}
    names = [name for name in ("rowlark-diff", "rowlark-diff --align", "diff", "cmp", "wc -l", "cat")
             if f"{pair} {name}" in results]
    for name in names:
        result = results[f"{pair} {name}"]
        means[name] = result["mean"]
        cpus[name] = result["user"] + result["system"]
        times = result["times"]
        print(f"  {name:<20} wall {result['mean']:8.3f} s  (σ {result['stddev'] or 0:.3f} s, "
              f"median {statistics.median(times):.3f} s, min {min(times):.3f} s)  "
              f"CPU {cpus[name]:.3f} s (user {result['user']:.3f}, sys {result['system']:.3f})")
    print(f"  rowlark-diff / diff  wall {means['rowlark-diff'] / means['diff']:6.2f}  "
          f"CPU {cpus['rowlark-diff'] / cpus['diff']:6.2f}")
    if "rowlark-diff --align" in means:
        print(f"  rowlark-diff --align / diff  wall {means['rowlark-diff --align'] / means['diff']:6.2f}  "
              f"CPU {cpus['rowlark-diff --align'] / cpus['diff']:6.2f}")
    print(f"  rowlark-diff / cmp   wall {means['rowlark-diff'] / means['cmp']:6.2f}  (cmp stops at the first differing byte)")
    # Reading the files is the floor: wc -l counts their lines, cat copies them to hyperfine's /dev/null.
    reading = means['rowlark-diff'] / means['wc -l']
    print(f"  rowlark-diff / wc -l wall {reading:6.2f}  CPU {cpus['rowlark-diff'] / cpus['wc -l']:6.2f}  "
          f"(target: wall at most 2: {'met' if reading <= 2 else 'MISSED'})")
    print(f"  rowlark-diff / cat   wall {means['rowlark-diff'] / means['cat']:6.2f}  "
          f"CPU {cpus['rowlark-diff'] / cpus['cat']:6.2f}")
    for name, suffix in (("rowlark-diff", ""), ("rowlark-diff --align", ".align"), ("diff", ".diff")):
        if name not in means:
            continue
        path = os.path.join(work, f"{pair}{suffix}.rss")
        lines = open(path).read().split() if os.path.exists(path) else []
        if lines and lines[-1].isdigit():
            peak = int(lines[-1]) * 1024
            print(f"  {name:<20} peak memory {peak / MiB:8.1f} MiB = {peak / size:.3f} x both files (GNU time)")
        else:
            print(f"  {name:<20} peak memory: not measured (install the package 'time')")

for name in shifted.split():
    plain = results[f"{name}-shifted rowlark-diff"]
    lined = results[f"{name}-shifted rowlark-diff --align-columns"]
    print(f"\n{name}-shifted: a column inserted in file 2, lined up by the headings, beside the plain comparison "
          f"of the pair without it; mean of {runs} runs")
    cpu = {}
    for label, result in (("rowlark-diff", plain), ("--align-columns", lined)):
        cpu[label] = result["user"] + result["system"]
        print(f"  {label:<20} wall {result['mean']:8.3f} s  CPU {cpu[label]:.3f} s "
              f"(user {result['user']:.3f}, sys {result['system']:.3f})")
    ratio = cpu["--align-columns"] / cpu["rowlark-diff"]
    print(f"  --align-columns / plain  CPU {ratio:.2f}  wall {lined['mean'] / plain['mean']:.2f}  "
          f"(target: CPU at most 1.2: {'met' if ratio <= 1.2 else 'MISSED'})")

result = results.get("maxish-xlsx rowlark-diff")
if result:
    print(f"\nmaxish-xlsx: the maxish pair as workbooks; mean of {runs} runs")
    print(f"  {'rowlark-diff':<20} wall {result['mean']:8.3f} s  CPU {result['user'] + result['system']:.3f} s "
          f"(user {result['user']:.3f}, sys {result['system']:.3f})")
    path = os.path.join(work, "maxish-xlsx.rss")
    lines = open(path).read().split() if os.path.exists(path) else []
    if lines and lines[-1].isdigit():
        print(f"  {'rowlark-diff':<20} peak memory {int(lines[-1]) / 1024:8.1f} MiB (GNU time)")
EOF
