#!/usr/bin/env bash
# Times rowlark-diff --key 1 against rowlark-diff without it on a pair of 32666 x 100 files
# (about 51 MB each) whose second file has 100 rows deleted and 100 new rows inserted at random
# places, the rest in the same order. The target: --key 1 within 1.3 times the plain comparison.
#
#     bench/bench_key_cli.sh [RUNS]
#
# Environment:
#   ROWLARK_DIFF   the program (default: build/bin/rowlark-diff under the repository)
#   BENCH_DIR      where maxish_a.csv of gen_csvpair.py lives or is made (default: /tmp/bench)
#   GEN_CSVPAIR    the pair generator (default: bench/gen_csvpair.py of the repository); only
#                  needed when maxish_a.csv is not there yet
#   RUNS           runs per command when no argument is given (default 11)
#
# The pair is made afresh (seeded, so the same every time) in a temporary folder: file 1 is the
# first 32666 lines of maxish_a.csv, file 2 the same lines with 100 of them deleted (none whose
# key repeats) and 100 new ones with keys of their own inserted. 32666 rows because lining up by key gives every deleted and every inserted row an
# empty row in the other sheet, and the lined-up sheets must fit the 32766 data rows a sheet holds.
#
# Before timing it checks that both commands exit with 1, that --key 1 reports exactly the cells
# of the 200 moved rows (each faces an empty row), and that the plain comparison reports more than
# that. Then it runs the two commands (and, for reference, the plain comparison of file 1 with
# itself) in turn, text output to /dev/null, and prints for each the
# median, the fastest and the slowest wall time and the median CPU time (user + system), and the
# ratio of the medians. Run it while the machine is otherwise idle: both files are read at once,
# one per core.

set -euo pipefail

runs=${1:-${RUNS:-11}}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${ROWLARK_DIFF:-$repo/build/bin/rowlark-diff}
dir=${BENCH_DIR:-/tmp/bench}
generator=${GEN_CSVPAIR:-$repo/bench/gen_csvpair.py}

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
a=$work/key_a.csv
b=$work/key_b.csv

python3 - "$source_file" "$a" "$b" "$program" "$runs" << 'EOF'
import random, resource, statistics, subprocess, sys, time

ROWS, MOVED, COLS, SEED = 32666, 100, 100, 27
source, path_a, path_b, program, runs = sys.argv[1:6]
runs = int(runs)
with open(source, "rb") as f:
    lines = f.read().split(b"\r\n")[:ROWS]
if len(lines) < ROWS or any(line.count(b",") != COLS - 1 for line in lines):
    sys.exit(f"{source}: expected at least {ROWS} lines of {COLS} unquoted cells")
first_cells = [line.split(b",", 1)[0] for line in lines]
keys = set(first_cells)
# A repeated key (maxish_a.csv has one) stays in both files, so that the count below holds.
repeated = {key for key in keys if first_cells.count(key) > 1} if len(keys) < ROWS else set()

rng = random.Random(SEED)
places = rng.sample([i for i in range(ROWS) if first_cells[i] not in repeated], 2 * MOVED)
deleted = set(places[:MOVED])
inserted_before = set(places[MOVED:])
alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789あいうえお日本語表計算"

def new_line():
    while True:
        cells = ["".join(rng.choice(alphabet) for _ in range(rng.randint(4, 12))) for _ in range(COLS)]
        key = cells[0].encode()
        if key not in keys:
            keys.add(key)
            return ",".join(cells).encode()

out_b, moved = [], []
for index, line in enumerate(lines):
    if index in inserted_before:
        moved.append(new_line())
        out_b.append(moved[-1])
    if index not in deleted:
        out_b.append(line)
    else:
        moved.append(line)
with open(path_a, "wb") as f:
    f.write(b"".join(line + b"\r\n" for line in lines))
with open(path_b, "wb") as f:
    f.write(b"".join(line + b"\r\n" for line in out_b))
expected = sum(1 for line in moved for cell in line.split(b",") if cell)

def first_count(args):
    done = subprocess.run([program, *args, path_a, path_b], capture_output=True)
    head = done.stdout.split(b"\n", 1)[0].decode()
    return done.returncode, int("".join(c for c in head if c.isdigit()) or 0)

status_plain, found_plain = first_count([])
status_key, found_key = first_count(["--key", "1"])
print(f"pair: {len(lines)} and {len(out_b)} rows")
print(f"plain:    exit {status_plain}, {found_plain} differences")
print(f"--key 1:  exit {status_key}, {found_key} differences (expected {expected})")
if status_plain != 1 or status_key != 1 or found_key != expected or found_plain <= expected:
    sys.exit("WRONG RESULT")

def timed(args):
    files = [path_a, path_a] if args == ["same"] else [path_a, path_b]
    args = [] if args == ["same"] else args
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([program, *args, *files], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)

# "A A" only for reference: reading both files and comparing them with nothing to print, the least
# any command here can cost.
commands = {"rowlark-diff A B": [], "rowlark-diff --key 1 A B": ["--key", "1"], "rowlark-diff A A": ["same"]}
times = {name: [] for name in commands}
for args in commands.values():
    timed(args)  # warm-up: the files in the page cache
for _ in range(runs):  # in turn, so that a busy moment hits both
    for name, args in commands.items():
        times[name].append(timed(args))
medians = {}
for name, samples in times.items():
    walls = [w for w, _ in samples]
    cpus = [c for _, c in samples]
    medians[name] = statistics.median(walls)
    print(f"{name:26} wall median {statistics.median(walls):.3f} s  (fastest {min(walls):.3f}, slowest "
          f"{max(walls):.3f})  CPU median {statistics.median(cpus):.3f} s  over {runs} runs")
ratio = medians["rowlark-diff --key 1 A B"] / medians["rowlark-diff A B"]
print(f"ratio --key 1 / plain: {ratio:.2f} (target: at most 1.3) {'met' if ratio <= 1.3 else 'MISSED'}")
print(f"ratio --key 1 A B / plain A A: {medians['rowlark-diff --key 1 A B'] / medians['rowlark-diff A A']:.2f} (no target)")
EOF
