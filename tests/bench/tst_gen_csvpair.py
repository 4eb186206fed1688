#!/usr/bin/env python3
"""The benchmarks' pair generator: the same bytes on every run, and as many changed cells in the
manifest as rowlark-diff finds, in every encoding and line end.

    tst_gen_csvpair.py ROWLARK_DIFF GEN_CSVPAIR
"""
import json
import os
import subprocess
import sys
import tempfile

program, generator = sys.argv[1:3]
failures = []


def generate(outdir, name, *options):
    subprocess.run([sys.executable, generator, "--name", name, "--outdir", outdir, *options],
                   check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(outdir, name + ".manifest.json"), encoding="utf-8") as f:
        return json.load(f)


def read(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read()


with tempfile.TemporaryDirectory() as work:
    first, second = os.path.join(work, "first"), os.path.join(work, "second")
    options = ["--rows", "300", "--cols", "9", "--seed", "7", "--change-rate", "0.05"]
    generate(first, "p", *options)
    generate(second, "p", *options)
    for file in ("p_a.csv", "p_b.csv", "p.manifest.json"):
        if read(first, file) != read(second, file):
            failures.append(f"{file} differs between two runs with the same arguments")
    generate(second, "q", *options[:5], "8", *options[6:])
    if read(first, "p_a.csv") == read(second, "q_a.csv"):
        failures.append("another seed gave the same file")

    # (encoding, line end, what starts the file, the line end's bytes); change rate, columns.
    cases = [
        ("utf-8", "crlf", b"", b"\r\n", "0.05", "9"),
        ("utf-8-bom", "lf", b"\xef\xbb\xbf", b"\n", "0.05", "9"),
        ("cp932", "cr", b"", b"\r", "0.05", "9"),
        ("cp932", "crlf", b"", b"\r\n", "0.3", "1"),
        ("utf-8", "lf", b"", b"\n", "0", "9"),
    ]
    for number, (encoding, line_end, start, end, rate, cols) in enumerate(cases):
        name = f"case{number}"
        label = f"{encoding}/{line_end}/rate {rate}/{cols} columns"
        manifest = generate(work, name, "--rows", "200", "--cols", cols, "--seed", str(number),
                            "--change-rate", rate, "--encoding", encoding, "--line-end", line_end)
        data = read(work, name + "_a.csv")
        body = data[len(start):]
        if not data.startswith(start) or body.startswith(b"\xef\xbb\xbf"):
            failures.append(f"{label}: the file does not start as it should")
        if body.count(end) != 200 or not body.endswith(end) or (end != b"\r\n" and b"\r\n" in body):
            failures.append(f"{label}: not 200 lines each ended with {end!r}")
        try:
            text = body.decode("cp932" if encoding == "cp932" else "utf-8")
        except UnicodeDecodeError as error:
            failures.append(f"{label}: not {encoding}: {error}")
            continue
        if encoding == "cp932" and body.isascii():
            failures.append(f"{label}: no Japanese text to tell the encoding by")
        expected = manifest["changed_cells"]
        if (expected == 0) != (rate == "0"):
            failures.append(f"{label}: {expected} changed cells at rate {rate}")
        result = subprocess.run([program, "--json", os.path.join(work, name + "_a.csv"),
                                 os.path.join(work, name + "_b.csv")], capture_output=True)
        try:
            found = json.loads(result.stdout)["differences"]
        except (ValueError, KeyError) as error:
            found = f"no count ({error!r}; {result.stderr.decode(errors='replace').strip()})"
        if found != expected or result.returncode != (1 if expected else 0):
            failures.append(f"{label}: rowlark-diff reports {found} differences (exit {result.returncode}), "
                            f"the manifest {expected}")

for failure in failures:
    print("FAIL:", failure)
print("gen_csvpair:", "failed" if failures else "passed")
sys.exit(1 if failures else 0)
