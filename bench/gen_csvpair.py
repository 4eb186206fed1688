#!/usr/bin/env python3
"""Writes pairs of CSV files (A, B) for the benchmarks, the same bytes for the same arguments.

Every line of A and B is a data record (no header line): a file has exactly `rows` lines, each
with exactly `cols` fields. Cells are 4 to 12 characters of ASCII letters and digits and/or
Japanese (hiragana, katakana, a few kanji). B equals A except that each cell independently
differs with probability `change_rate` (half of those by one character, half replaced by a new
cell); the exact number of changed cells goes to <name>.manifest.json beside the pair, with the
parameters and the size and sha256 of both files. About `quote_rate` of the cells hold a comma and
are written quoted ("ab,cd"), as spreadsheet programs write them; the reader takes such a field as
one cell, so the columns are the records' fields, as the manifest counts them. The default is none,
which keeps the presets' bytes.

Encodings: utf-8 (default), utf-8-bom, cp932 (Shift_JIS; the characters cp932 cannot write are
left out of the alphabet, so its cells differ from the UTF-8 ones), utf-16le (with the byte order
mark, as spreadsheet programs export Unicode text; the same cells as UTF-8). Line ends: crlf (default), lf,
cr. The presets write what the benchmarks read: UTF-8, CR LF.

Lines are written as they are made, so memory stays small whatever the size
(1 000 000 x 20, about 630 MB per pair, takes about a minute).

--heading makes the first of the `rows` lines of both files a heading line (c1,c2,…), not a record.
--insert-column K (implies --heading) gives B one column more than A, at K (1 = before the first,
cols+1 = after the last): heading "inserted", cells drawn from a generator of their own, so that A
and the rest of B are the bytes the same arguments without --insert-column write. Lining the
columns up by their headings then finds the manifest's changed cells, as the plain comparison of
the pair without the column does, and the inserted column's cells facing the empty column put in
for it (inserted_cells in the manifest, its heading included; none of them is empty).

--format xlsx also writes each file of the pair as a workbook beside it (NAME_a.xlsx,
NAME_b.xlsx: one sheet "Sheet1", written with zipfile and the XML by hand, no spreadsheet
program): texts as inline strings, and a cell that is a plain integer of up to 11 digits as a
number, which a spreadsheet shows (and a reader renders under General) as the same text. A
workbook and the CSV file it was made from compare equal.

Usage:
  gen_csvpair.py --preset all --outdir DIR              # tall, wide, maxish
  gen_csvpair.py --preset maxish --outdir DIR
  gen_csvpair.py --name NAME --rows R --cols C [--seed S] [--change-rate P] [--quote-rate Q]
                 [--encoding utf-8|utf-8-bom|cp932|utf-16le] [--line-end crlf|lf|cr] [--outdir DIR]
                 [--format csv|xlsx] [--heading] [--insert-column K]
"""
import argparse
import csv
import io
import zipfile
from xml.sax.saxutils import escape
import hashlib
import itertools
import json
import os
import random
import sys

ASCII = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
HIRAGANA = "".join(chr(c) for c in range(0x3041, 0x3097))
KATAKANA = "".join(chr(c) for c in range(0x30A1, 0x30FB))
KANJI = "日本語表計算比較行列値変更差分東京大阪山川田中村上下左右前後新旧年月日時分秒人名住所電話番号金額合計"
POOL_WEIGHTS = (0.4, 0.2, 0.4)  # ASCII, Japanese, mixed

PRESETS = {
    "tall": dict(rows=32766, cols=20, seed=1),
    "wide": dict(rows=2000, cols=1000, seed=2),
    "maxish": dict(rows=32766, cols=100, seed=3),
}
CHANGE_RATE = 0.01
QUOTE_RATE = 0.0
ENCODINGS = {"utf-8": ("utf-8", b""), "utf-8-bom": ("utf-8", b"\xef\xbb\xbf"), "cp932": ("cp932", b""),
             "utf-16le": ("utf-16-le", b"\xff\xfe")}
LINE_ENDS = {"crlf": "\r\n", "lf": "\n", "cr": "\r"}
LINES_PER_WRITE = 2048


class CellMaker:
    """Makes cells and their changes from one seeded generator.

    Only random() and getrandbits() are drawn from it, in the order Random.randint, choices and
    choice draw them, so the presets give the same bytes as the pairs the benchmarks were first
    timed on, and the output does not depend on how a Python version builds those helpers.
    """

    def __init__(self, seed, codec, quote_rate):
        def writable(chars):
            return "".join(c for c in chars if c.encode(codec, "ignore"))

        japanese = writable(HIRAGANA + KATAKANA + KANJI)
        self.mixed = ASCII * 3 + japanese  # about half ASCII, half Japanese characters
        self.pools = (ASCII, japanese, self.mixed)
        cumulative = list(itertools.accumulate(POOL_WEIGHTS))
        self.first_limit, self.second_limit = cumulative[0], cumulative[1]
        self.total = cumulative[-1] + 0.0
        self.quote_rate = quote_rate
        rng = random.Random(seed)
        self.random = rng.random
        self.getrandbits = rng.getrandbits

    def below(self, n):
        """An integer in [0, n), drawn as Random._randbelow draws it."""
        bits = n.bit_length()
        r = self.getrandbits(bits)
        while r >= n:
            r = self.getrandbits(bits)
        return r

    def cell(self):
        """(text, field): a new cell and its CSV form."""
        random = self.random
        n = 4 + self.below(9)
        x = random() * self.total
        pool = self.pools[0 if x < self.first_limit else 1 if x < self.second_limit else 2]
        size = float(len(pool))
        chars = [pool[int(random() * size)] for _ in range(n)]
        if random() < self.quote_rate:
            chars[1 + self.below(n - 2)] = ","
            text = "".join(chars)
            return text, '"' + text + '"'
        text = "".join(chars)
        return text, text

    def change(self, text):
        """(text, field) of a cell that differs from `text`."""
        while True:
            if self.random() < 0.5 and "," not in text:
                i = self.below(len(text))
                new = text[:i] + self.mixed[self.below(len(self.mixed))] + text[i + 1:]
                field = new
            else:
                new, field = self.cell()
            if new != text:
                return new, field


def generate(path_a, path_b, rows, cols, seed, change_rate, quote_rate, encoding, line_end,
             heading=False, insert_column=None):
    """Writes the pair; returns the counts of changed cells and of quoted cells in A."""
    codec, bom = ENCODINGS[encoding]
    end = LINE_ENDS[line_end]
    maker = CellMaker(seed, codec, quote_rate)
    cell, change, random = maker.cell, maker.change, maker.random
    # The inserted column's cells come from a generator of their own, so that they leave the
    # other cells as they are without the column.
    extra = CellMaker(seed + 1000003, codec, 0.0) if insert_column else None
    changed = quoted = 0
    with open(path_a, "wb") as fa, open(path_b, "wb") as fb:
        fa.write(bom)
        fb.write(bom)
        records = rows
        inserted = 0
        if heading or insert_column:
            names = ["c%d" % (c + 1) for c in range(cols)]
            fa.write((",".join(names) + end).encode(codec))
            if insert_column:
                names.insert(insert_column - 1, "inserted")
                inserted += 1
            fb.write((",".join(names) + end).encode(codec))
            records -= 1
        for first in range(0, records, LINES_PER_WRITE):
            block_a, block_b = [], []
            for _ in range(min(LINES_PER_WRITE, records - first)):
                line_a = []
                line_b = None  # the same as line_a until a cell changes
                for column in range(cols):
                    text, field = cell()
                    if field[0] == '"':
                        quoted += 1
                    line_a.append(field)
                    if random() < change_rate:
                        if line_b is None:
                            line_b = line_a[:column]
                        line_b.append(change(text)[1])
                        changed += 1
                    elif line_b is not None:
                        line_b.append(field)
                text_a = ",".join(line_a)
                block_a.append(text_a)
                if extra:
                    fields_b = list(line_a if line_b is None else line_b)
                    fields_b.insert(insert_column - 1, extra.cell()[1])
                    inserted += 1
                    block_b.append(",".join(fields_b))
                else:
                    block_b.append(text_a if line_b is None else ",".join(line_b))
            # Every line ends with the line end, the last one too.
            fa.write((end.join(block_a) + end).encode(codec))
            fb.write((end.join(block_b) + end).encode(codec))
    stats = {"changed_cells": changed, "quoted_cells_a": quoted}
    if insert_column:
        stats["inserted_cells"] = inserted
    return stats


XLSX_PARTS = {
    "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
    '</Types>',
    "_rels/.rels": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
    'officeDocument" Target="xl/workbook.xml"/></Relationships>',
    "xl/workbook.xml": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
    'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
    '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>',
    "xl/_rels/workbook.xml.rels": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
    'worksheet" Target="worksheets/sheet1.xml"/></Relationships>',
}


def column_name(number):
    name = ""
    while number:
        number, rest = divmod(number - 1, 26)
        name = chr(65 + rest) + name
    return name


def write_xlsx(csv_path, xlsx_path, encoding):
    """Writes the CSV file's cells as the one sheet of a workbook, a row at a time."""
    codec, _ = ENCODINGS[encoding]
    with open(csv_path, "r", encoding="utf-8-sig" if codec == "utf-8" else codec, newline="") as source, \
            zipfile.ZipFile(xlsx_path, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as book:
        for name, text in XLSX_PARTS.items():
            book.writestr(name, text)
        with book.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as part:
            out = io.TextIOWrapper(part, encoding="utf-8", newline="")
            out.write('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                      '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>')
            columns = []
            for r, fields in enumerate(csv.reader(source), start=1):
                while len(columns) < len(fields):
                    columns.append(column_name(len(columns) + 1))
                cells = []
                for c, text in enumerate(fields):
                    ref = "%s%d" % (columns[c], r)
                    if text.isascii() and text.isdigit() and len(text) <= 11 and (text == "0" or text[0] != "0"):
                        cells.append('<c r="%s"><v>%s</v></c>' % (ref, text))
                    elif text:
                        cells.append('<c r="%s" t="inlineStr"><is><t xml:space="preserve">%s</t></is></c>'
                                     % (ref, escape(text)))
                out.write('<row r="%d">%s</row>' % (r, "".join(cells)))
            out.write("</sheetData></worksheet>")
            out.flush()
            out.detach()


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def build(outdir, name, rows, cols, seed, change_rate=CHANGE_RATE, quote_rate=QUOTE_RATE,
          encoding="utf-8", line_end="crlf", heading=False, insert_column=None):
    """Writes NAME_a.csv, NAME_b.csv and NAME.manifest.json to `outdir`; returns the manifest."""
    os.makedirs(outdir, exist_ok=True)
    paths = [os.path.join(outdir, name + suffix) for suffix in ("_a.csv", "_b.csv")]
    stats = generate(*paths, rows, cols, seed, change_rate, quote_rate, encoding, line_end, heading,
                     insert_column)
    manifest = dict(name=name, rows=rows, cols=cols, seed=seed, change_rate=change_rate,
                    quote_rate=quote_rate, encoding=encoding, line_ending=line_end.upper(),
                    header_line=bool(heading or insert_column), inserted_column=insert_column, **stats,
                    files={os.path.basename(p): {"bytes": os.path.getsize(p), "sha256": sha256(p)}
                           for p in paths})
    with open(os.path.join(outdir, name + ".manifest.json"), "w", encoding="utf-8", newline="\n") as f:
        json.dump(manifest, f, indent=1)
        f.write("\n")
    return manifest


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--preset", choices=sorted(PRESETS) + ["all"])
    ap.add_argument("--name")
    ap.add_argument("--rows", type=int)
    ap.add_argument("--cols", type=int)
    ap.add_argument("--seed", type=int, default=0)
    ap.add_argument("--change-rate", type=float, default=CHANGE_RATE)
    ap.add_argument("--quote-rate", type=float, default=QUOTE_RATE)
    ap.add_argument("--encoding", choices=sorted(ENCODINGS), default="utf-8")
    ap.add_argument("--line-end", choices=sorted(LINE_ENDS), default="crlf")
    ap.add_argument("--outdir", default="bench-data")
    ap.add_argument("--format", choices=("csv", "xlsx"), default="csv")
    ap.add_argument("--heading", action="store_true")
    ap.add_argument("--insert-column", type=int, metavar="K")
    a = ap.parse_args(argv)
    if not 0.0 <= a.change_rate <= 1.0 or not 0.0 <= a.quote_rate <= 1.0:
        ap.error("--change-rate and --quote-rate lie between 0 and 1")
    if a.preset:
        if a.name or a.rows is not None or a.cols is not None:
            ap.error("--preset fixes name, rows, cols and seed")
        jobs = [(n, PRESETS[n]) for n in (sorted(PRESETS) if a.preset == "all" else [a.preset])]
    elif a.name and a.rows is not None and a.cols is not None:
        if a.rows < 1 or a.cols < 1:
            ap.error("--rows and --cols must be at least 1")
        if os.sep in a.name or a.name in (".", ".."):
            ap.error("--name is a file name prefix, not a path (use --outdir)")
        jobs = [(a.name, dict(rows=a.rows, cols=a.cols, seed=a.seed))]
    else:
        ap.error("give --preset, or --name with --rows and --cols")
    for name, p in jobs:
        if a.insert_column is not None and not 1 <= a.insert_column <= p["cols"] + 1:
            ap.error("--insert-column lies between 1 and cols + 1")
        if (a.heading or a.insert_column) and p["rows"] < 2:
            ap.error("a heading needs --rows of at least 2")
        m = build(a.outdir, name, p["rows"], p["cols"], p["seed"], a.change_rate, a.quote_rate,
                  a.encoding, a.line_end, a.heading, a.insert_column)
        sizes = ", ".join("%s %d B" % (k, v["bytes"]) for k, v in m["files"].items())
        print("%s: %dx%d %s %s, %d changed cells, %d quoted cells in A; %s"
              % (name, m["rows"], m["cols"], m["encoding"], m["line_ending"], m["changed_cells"],
                 m["quoted_cells_a"], sizes))
        if a.format == "xlsx":
            for side in ("_a", "_b"):
                base = os.path.join(a.outdir, name + side)
                write_xlsx(base + ".csv", base + ".xlsx", a.encoding)
                print("%s.xlsx: %d B" % (base, os.path.getsize(base + ".xlsx")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
