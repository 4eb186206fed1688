#!/usr/bin/env bash
# Times rowlark-diff --align against rowlark-diff without it on a pair of 32716 x 100 files
# (about 51 MB each) whose second file has 50 rows deleted and 50 new rows inserted at random
# places. The target: --align within 1.5 times the plain comparison.
#
# Then rowlark-diff --align-columns on the shifted pair (gen_csvpair.py --insert-column: file 2 is
# file 1 with one column inserted in the middle, both under a heading line) against the plain
# comparison of the same pair without the inserted column, in CPU time (user + system) and wall
# time: maxish-sized (32766 x 100), and the 1 000 000 x 20 pair with --no-limit when BENCH_DIR
# has million_a.csv. The target: at most 1.2 times the plain comparison's CPU time. First the plain
# comparison must report the manifest's changed cells, and --align-columns those and the inserted
# column's cells (each faces the empty column put in for it).
#
#     bench/bench_align_cli.sh [RUNS]
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   BENCH_DIR      where maxish_a.csv of gen_csvpair.py lives or is made (default: /tmp/bench)
#   GEN_CSVPAIR    the pair generator (default: bench/gen_csvpair.py of the repository); only
#                  needed when maxish_a.csv is not there yet
#   RUNS           runs per command when no argument is given (default 5)
#   BENCH_NO_HYPERFINE  set to time with date +%s.%N even where hyperfine is installed
#
# The pair is made afresh (seeded, so the same every time) in a temporary folder: file 1 is the
# first 32716 lines of maxish_a.csv, file 2 the same lines with 50 of them deleted and 50 new ones
# inserted, no two of the 100 places next to each other. 32716 rows because lining up adds one
# empty row per deleted or inserted row, and the lined-up sheets must fit the 32766 data rows a
# sheet holds; no two places side by side because a deleted and an inserted row in one stretch
# would face each other instead of empty rows.
#
# Before timing it checks that both commands exit with 1 (the files differ), that --align reports
# exactly the cells of the 100 moved rows (each faces an empty row), and that the plain comparison
# reports more than that. Then it prints the mean wall time of each command, text output to
# /dev/null, and the ratio. Run it while the machine is otherwise idle: both files are read at
# once, one per core.

set -euo pipefail

runs=${1:-${RUNS:-5}}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
dir=${BENCH_DIR:-/tmp/bench}
generator=${GEN_CSVPAIR:-$repo/bench/gen_csvpair.py}
target=1.5

if [[ ! -x $program ]]; then
    echo "no rowlark-diff at $program (set ROWLARK_DIFF)" >&2
    exit 2
fi
source_file=$dir/maxish_a.csv
if [[ ! -f $source_file ]]; then
    if [[ ! -f $generator ]]; then
        echo "no $source_file and no generator at $generator (set GEN_CSVPAIR)" >&2
        exit 2
    fi
    mkdir -p "$dir"
    python3 "$generator" --preset maxish --outdir "$dir"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
a=$work/align_a.csv
b=$work/align_b.csv

# Prints the number of cells of the moved rows that are not empty: what --align must report.
expected=$(python3 - "$source_file" "$a" "$b" << 'EOF'
import random, sys

ROWS, MOVED, COLS, SEED = 32716, 50, 100, 14
source, path_a, path_b = sys.argv[1:4]
with open(source, "rb") as f:
    lines = f.read().split(b"\r\n")[:ROWS]
if len(lines) < ROWS or any(line.count(b",") != COLS - 1 for line in lines):
    sys.exit(f"{source}: expected at least {ROWS} lines of {COLS} unquoted cells")

rng = random.Random(SEED)
# 100 places among the lines, at least two apart; half of them lose their line, half get a new
# line in front of them.
places = set()
while len(places) < 2 * MOVED:
    place = rng.randrange(ROWS)
    if all(abs(place - other) >= 2 for other in places):
        places.add(place)
ordered = sorted(places)
rng.shuffle(ordered)
deleted = set(ordered[:MOVED])
inserted_before = set(ordered[MOVED:])

alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789あいうえお日本語表計算"
existing = set(lines)
def new_line():
    while True:
        line = ",".join("".join(rng.choice(alphabet) for _ in range(rng.randint(4, 12)))
                        for _ in range(COLS)).encode()
        if line not in existing:
            existing.add(line)
            return line

out_b = []
new_lines = []
for index, line in enumerate(lines):
    if index in inserted_before:
        new_lines.append(new_line())
        out_b.append(new_lines[-1])
    if index not in deleted:
        out_b.append(line)
with open(path_a, "wb") as f:
    f.write(b"".join(line + b"\r\n" for line in lines))
with open(path_b, "wb") as f:
    f.write(b"".join(line + b"\r\n" for line in out_b))

moved = [lines[i] for i in deleted] + new_lines
print(sum(1 for line in moved for cell in line.split(b",") if cell))
EOF
)

# The count in the first line of a text report ("差が　N　個あります"), 0 for "差はありません".
reported() {
    head -n 1 "$1" | tr -cd '0-9'
}

report=$work/report.txt
status_plain=0
"$program" "$a" "$b" > "$report" || status_plain=$?
found_plain=$(reported "$report")
status_align=0
"$program" --align "$a" "$b" > "$report" || status_align=$?
found_align=$(reported "$report")
echo "pair: $(wc -l < "$a") and $(wc -l < "$b") rows, $(stat -c %s "$a") and $(stat -c %s "$b") bytes"
echo "plain:   exit $status_plain, ${found_plain:-?} differences"
echo "--align: exit $status_align, ${found_align:-?} differences (expected $expected)"
if [[ $status_plain -ne 1 || $status_align -ne 1 || ${found_align:-x} != "$expected" ]] \
    || ((${found_plain:-0} <= expected)); then
    echo "WRONG RESULT" >&2
    exit 1
fi

quoted_a=$(printf '%q' "$a")
quoted_b=$(printf '%q' "$b")
quoted_program=$(printf '%q' "$program")
plain_command="$quoted_program $quoted_a $quoted_b > /dev/null"
align_command="$quoted_program --align $quoted_a $quoted_b > /dev/null"

# Prints the mean and the standard deviation in seconds of the two commands, one line each.
if [[ -z ${BENCH_NO_HYPERFINE:-} ]] && command -v hyperfine > /dev/null; then
    timer=hyperfine
    export_file=$work/hyperfine.json
    # Both commands exit with 1 because the files differ: that is no failure here.
    if ! hyperfine --style none --ignore-failure --warmup 1 --runs "$runs" --export-json "$export_file" \
        "$plain_command" "$align_command" > /dev/null 2> "$work/hyperfine.err"; then
        cat "$work/hyperfine.err" >&2
        exit 2
    fi
    means=$(python3 -c 'import json, sys
for result in json.load(open(sys.argv[1]))["results"]:
    print(result["mean"], result["stddev"] or 0)' "$export_file")
else
    timer="date +%s.%N"
    time_runs() {
        local i start end
        bash -c "$1" || true # warm-up
        for ((i = 0; i < runs; ++i)); do
            start=$(date +%s.%N)
            bash -c "$1" || true
            end=$(date +%s.%N)
            echo "$start $end"
        done | awk '{ t = $2 - $1; s += t; q += t * t; n++ }
            END { m = s / n; v = n > 1 ? (q - n * m * m) / (n - 1) : 0; print m, (v > 0 ? sqrt(v) : 0) }'
    }
    means=$(time_runs "$plain_command"; time_runs "$align_command")
fi

read -r plain_mean plain_sd align_mean align_sd <<< "${means//$'\n'/ }"
awk -v pm="$plain_mean" -v ps="$plain_sd" -v am="$align_mean" -v as="$align_sd" -v t="$target" \
    -v runs="$runs" -v timer="$timer" 'BEGIN {
    printf "rowlark-diff A B          mean %.3f s ± %.3f s over %d runs (%s)\n", pm, ps, runs, timer
    printf "rowlark-diff --align A B  mean %.3f s ± %.3f s over %d runs (%s)\n", am, as, runs, timer
    r = am / pm
    printf "ratio --align / plain: %.2f (target: at most %.1f) %s\n", r, t, (r <= t ? "met" : "MISSED")
}'

# The shifted pairs: NAME-heading (the plain pair under a heading line) and NAME-shifted (the same
# with a column inserted in the middle of file 2), made in BENCH_DIR when missing.
shifted_pairs=("maxish 32766 100 3")
if [[ -f $dir/million_a.csv ]]; then
    shifted_pairs+=("million 1000000 20 0")
fi
for spec in "${shifted_pairs[@]}"; do
    read -r name rows cols seed <<< "$spec"
    for kind in heading shifted; do
        if [[ ! -f $dir/$name-${kind}_a.csv || ! -f $dir/$name-${kind}_b.csv || ! -f $dir/$name-$kind.manifest.json ]]; then
            flag=(--heading)
            [[ $kind == shifted ]] && flag=(--insert-column $((cols / 2 + 1)))
            python3 "$generator" --name "$name-$kind" --rows "$rows" --cols "$cols" --seed "$seed" "${flag[@]}" \
                --outdir "$dir" > /dev/null
        fi
    done
    limit=()
    [[ $name == million ]] && limit=(--no-limit)
    if ! python3 - "$program" "$dir" "$name" "$runs" "${limit[@]}" << 'EOF'; then
import json, os, statistics, subprocess, sys, time

program, data, name, runs, *limit = sys.argv[1:]
runs = int(runs)
changed = json.load(open(os.path.join(data, f"{name}-heading.manifest.json")))["changed_cells"]
inserted = json.load(open(os.path.join(data, f"{name}-shifted.manifest.json")))["inserted_cells"]
expected_for = {"plain": changed, "--align-columns": changed + inserted}
pair = lambda kind: [os.path.join(data, f"{name}-{kind}_{side}.csv") for side in "ab"]
commands = {
    "plain": [program, *limit, *pair("heading")],
    "--align-columns": [program, *limit, "--align-columns", *pair("shifted")],
}

def run(command):
    """Wall, user and system seconds of one run, output to /dev/null."""
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        process = subprocess.Popen(command, stdout=null, stderr=null)
        _, _, usage = os.wait4(process.pid, 0)
    return time.perf_counter() - start, usage.ru_utime, usage.ru_stime

# The counts first: a run that reports the wrong differences must not be timed as if it worked.
wrong = False
for label, command in commands.items():
    result = subprocess.run(command + ["--json"], capture_output=True)
    try:
        found = json.loads(result.stdout)["differences"]
    except ValueError:
        found = None
    told = result.stderr.decode(errors="replace").strip()
    expected = expected_for[label]
    print(f"{name} {label}: exit {result.returncode}, {found} differences (expected {expected})"
          + (f"; {told}" if told else ""))
    wrong = wrong or result.returncode != 1 or found != expected
if wrong:
    print(f"WRONG RESULT on {name}-shifted", file=sys.stderr)
    sys.exit(1)
figures = {}
for label, command in commands.items():
    run(command)  # warm-up
    figures[label] = [run(command) for _ in range(runs)]
mean = statistics.mean
for label, times in figures.items():
    print(f"{name} {label:<16} wall {mean(t[0] for t in times):7.3f} s  CPU {mean(t[1] + t[2] for t in times):7.3f} s "
          f"(user {mean(t[1] for t in times):.3f}, sys {mean(t[2] for t in times):.3f}), mean of {runs} runs")
cpu = mean(t[1] + t[2] for t in figures["--align-columns"]) / mean(t[1] + t[2] for t in figures["plain"])
wall = mean(t[0] for t in figures["--align-columns"]) / mean(t[0] for t in figures["plain"])
print(f"{name} ratio --align-columns / plain: CPU {cpu:.2f}, wall {wall:.2f} "
      f"(target: CPU at most 1.2) {'met' if cpu <= 1.2 else 'MISSED'}")
EOF
        exit 1
    fi
done
