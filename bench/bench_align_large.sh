#!/usr/bin/env bash
# Lining up on large edits: whether rowlark-diff --align and --key find the longest common
# sequence of rows, and how long --align takes on 200 000 random rows beside GNU diff.
#
#     bench/bench_align_large.sh [RUNS]
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   RUNS           timed runs per command when no argument is given (default 10)
#
# Pairs, made afresh (seeded) in a temporary folder, one column each unless said:
#   swapped    6000 rows "a" then 6000 rows "b", against the halves the other way round
#   random17k  17 000 rows, each "a" or "b" at random, in both files
#   random200k 200 000 such rows in both files
#   keyed100k  100 000 rows "id,text" in id order; the second file loses 5 %, gains 5 % new ids
#              and has 5 % of its rows moved elsewhere (for --key 1)
# For each it prints the rows matched (from the JSON output: rows facing an equal row) against
# the longest common sequence (worked out here by other means: bit-parallel for the random rows,
# the longest increasing run for the distinct keys), and whether standard error said the
# matching may not be the longest. Then it times rowlark-diff --no-limit --align on random200k
# against diff on the same files with hyperfine (median wall time of RUNS runs, mean user + sys).
# The target: at most twice diff's time.

set -euo pipefail

runs=${1:-${RUNS:-10}}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
if [[ ! -x $program ]]; then
    echo "no rowlark-diff at $program (set ROWLARK_DIFF)" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" << 'EOF_PY'
import random, sys
work = sys.argv[1]
def write(name, lines):
    with open(f"{work}/{name}", "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))
write("swapped_a.csv", ["a"] * 6000 + ["b"] * 6000)
write("swapped_b.csv", ["b"] * 6000 + ["a"] * 6000)
rng = random.Random(17)
for name, rows in (("random17k", 17000), ("random200k", 200000)):
    write(f"{name}_a.csv", [rng.choice("ab") for _ in range(rows)])
    write(f"{name}_b.csv", [rng.choice("ab") for _ in range(rows)])
ids = list(range(1, 100001))
second = [i for i in ids if rng.random() >= 0.05]
fresh = 100001
for _ in range(5000):
    second.insert(rng.randrange(len(second) + 1), fresh)
    fresh += 1
for _ in range(5000):
    row = second.pop(rng.randrange(len(second)))
    second.insert(rng.randrange(len(second) + 1), row)
write("keyed100k_a.csv", [f"{i},text{i}" for i in ids])
write("keyed100k_b.csv", [f"{i},text{i}" for i in second])
EOF_PY

# The longest common sequence of the two files' lines (for the keyed pair: of their first fields).
longest() {
    python3 - "$1" "$2" "$3" << 'EOF_PY'
import bisect, sys
kind, path_a, path_b = sys.argv[1:4]
a = open(path_a, newline="").read().split("\r\n")[:-1]
b = open(path_b, newline="").read().split("\r\n")[:-1]
if kind == "keys":
    place = {line.split(",")[0]: i for i, line in enumerate(b)}
    tails = []
    for line in a:
        p = place.get(line.split(",")[0])
        if p is not None:
            k = bisect.bisect_left(tails, p)
            tails[k:k + 1] = [p]
    print(len(tails))
else:
    masks = {}
    for j, line in enumerate(b):
        masks[line] = masks.get(line, 0) | (1 << j)
    full = (1 << len(b)) - 1
    v = full
    for line in a:
        u = v & masks.get(line, 0)
        v = ((v + u) | (v - u)) & full
    print(len(b) - bin(v).count("1"))
EOF_PY
}

# Rows facing an equal row after lining up: with one compared column, every other row of the
# lined-up sheets is a difference.
matched() {
    python3 -c 'import json, sys
d = json.load(sys.stdin)
rows = d["rows"][0] - 1
print(rows - d["differences"] if sys.argv[1] == "rows" else d["rows"][0] - 1, end="")' "$1"
}

echo "pair        option     matched  longest  note on stderr"
for pair in swapped random17k random200k keyed100k; do
    a=$work/${pair}_a.csv
    b=$work/${pair}_b.csv
    if [[ $pair == keyed100k ]]; then
        options=(--key 1)
        json=$("$program" --no-limit --json "${options[@]}" "$a" "$b" 2> "$work/err" || true)
        # Lined up by key, every unmatched row faces an empty row: matched = rows1 + rows2 - rows.
        rows=$(matched keys <<< "$json")
        found=$((100000 + $(wc -l < "$b") - rows))
        expected=$(longest keys "$a" "$b")
    else
        options=(--align)
        json=$("$program" --no-limit --json "${options[@]}" "$a" "$b" 2> "$work/err" || true)
        found=$(matched rows <<< "$json")
        expected=$(longest rows "$a" "$b")
    fi
    note=no
    grep -q "最長ではない" "$work/err" && note=yes
    printf '%-11s %-10s %7d  %7d  %s\n' "$pair" "${options[*]}" "$found" "$expected" "$note"
done

a=$work/random200k_a.csv
b=$work/random200k_b.csv
if ! command -v hyperfine > /dev/null; then
    echo "hyperfine is not installed: no timing" >&2
    exit 2
fi
quoted_program=$(printf '%q' "$program")
hyperfine --style none --ignore-failure --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    "$quoted_program --no-limit --align $a $b > /dev/null" "diff $a $b > /dev/null" > /dev/null
python3 - "$work/times.json" << 'EOF_PY'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
names = ["rowlark-diff --align", "diff"]
medians = []
for name, result in zip(names, results):
    # hyperfine keeps each run's wall time but only the mean of user and system time.
    medians.append(result["median"])
    print(f"{name:22s} median wall {result['median']:.3f} s (mean {statistics.mean(result['times']):.3f} s), "
          f"mean user+sys {result['user'] + result['system']:.3f} s over {len(result['times'])} runs")
ratio = medians[0] / medians[1]
print(f"ratio --align / diff: {ratio:.2f} (target: at most 2) {'met' if ratio <= 2 else 'MISSED'}")
EOF_PY
