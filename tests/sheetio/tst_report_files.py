#!/usr/bin/env python3
"""rowlark-diff --report on the small pair of tests/data, each report read back by a reader of
its own: the workbook by openpyxl (and its XML for the red characters), the HTML page by
html5lib's strict HTML5 parser, the CSV by the csv module and byte for byte against the golden file
the model's test checks too. Also the refusals and a report that cannot be written.

    tst_report_files.py ROWLARK_DIFF DATA_DIR
"""
import csv
import html.parser
import io
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

import html5lib
import openpyxl

program, data = sys.argv[1:3]
failures = []
# 2024-04-01 09:30:00 UTC: the time the golden files state.
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1711963800")
PAIR = ["report-before.csv", "report-after.csv"]


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*arguments):
    return subprocess.run([program, *arguments], cwd=data, env=ENV, capture_output=True)


def check_workbook(path):
    book = openpyxl.load_workbook(path)
    check(book.sheetnames == ["概要", "差分一覧"], f"sheet names {book.sheetnames}")
    summary = {row[0].value: row[1].value for row in book["概要"].iter_rows(min_row=2)}
    check(summary.get("作成日時") == "2024-04-01 09:30:00", f"summary date {summary.get('作成日時')}")
    check(summary.get("相違のセル") == "6", f"summary count {summary.get('相違のセル')}")
    check(summary.get("ファイル２の大きさ") == "5 行 × 5 列", "summary size")

    sheet = book["差分一覧"]
    check(sheet.freeze_panes == "A2", f"frozen at {sheet.freeze_panes}")
    check(sheet.auto_filter.ref == "A1:F16", f"filter {sheet.auto_filter.ref}")
    rows = list(sheet.iter_rows(values_only=False))
    check([c.value for c in rows[0]] == ["行", "列", "列の見出し", "ファイル１の値", "ファイル２の値", "種類"],
          f"captions {[c.value for c in rows[0]]}")
    cells = {(r[0].value, r[1].value): r for r in rows[1:]}
    check(len(cells) == 15, f"{len(cells)} listed cells")
    # Every value is text: leading zeros and long codes come back as written.
    for key, expected in {(5, 1): ("00126", "00127"), (4, 3): ("4901234567896", "4901234567886"),
                          (3, 2): ("ぶどう", "ぶどう\u3000"), (5, 2): ("タブ\tあり", "タブ あり"),
                          (6, 1): ("00128", None), (1, 5): (None, "備考")}.items():
        row = cells.get(key)
        if row is None:
            failures.append(f"cell {key} not listed")
            continue
        check((row[3].value, row[4].value) == expected, f"cell {key}: {(row[3].value, row[4].value)}")
        for value_cell in row[2:6]:
            check(value_cell.value is None or value_cell.data_type == "s",
                  f"cell {key} column {value_cell.column_letter} is {value_cell.data_type}, not text")
    check(cells[(6, 1)][5].value == "ファイル１のみ" and cells[(1, 5)][5].value == "ファイル２のみ"
          and cells[(5, 1)][5].value == "相違", "kinds")
    # Columns fitted: the long codes' column is wider than the default.
    check(sheet.column_dimensions["D"].width >= 13, f"column D width {sheet.column_dimensions['D'].width}")

    # The differing characters in red: 4901234567896 against 4901234567886 marks the 9 and the 8.
    namespace = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
    root = ET.fromstring(zipfile.ZipFile(path).read("xl/worksheets/sheet2.xml"))
    row_of_code = next(i for i, r in enumerate(rows) if (r[0].value, r[1].value) == (4, 3)) + 1
    for column, red in (("D", "9"), ("E", "8")):
        cell = root.find(f".//m:c[@r='{column}{row_of_code}']", namespace)
        runs = [] if cell is None else cell.findall(".//m:r", namespace)
        red_runs = [r.find("m:t", namespace).text for r in runs
                    if r.find("m:rPr/m:color", namespace) is not None
                    and r.find("m:rPr/m:color", namespace).get("rgb", "").endswith("C00000")]
        check(red_runs == [red], f"{column}{row_of_code} red runs {red_runs}")


class TagBalance(html.parser.HTMLParser):
    """Every element but the void ones is closed, in order; no script and nothing loaded."""
    VOID = {"meta", "br", "hr", "img", "link", "input"}

    def __init__(self):
        super().__init__()
        self.open = []
        self.problems = []

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "link", "img", "iframe") or any(k in ("src", "href") for k, _ in attrs):
            self.problems.append(f"<{tag}> loads or runs something")
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.problems.append(f"</{tag}> does not close the open element")


def check_html(path):
    with open(path, "rb") as f:
        page = f.read()
    try:
        html5lib.HTMLParser(strict=True).parse(page)
    except Exception as error:  # html5lib raises ParseError at the first HTML5 parse error
        failures.append(f"HTML parse error: {error}")
    balance = TagBalance()
    balance.feed(page.decode("utf-8"))
    check(not balance.problems and not balance.open, f"HTML structure {balance.problems} {balance.open}")
    text = page.decode("utf-8")
    check('<html lang="ja">' in text and '<meta charset="utf-8">' in text, "language and charset")
    check(text.count('<section class="row">') == 6, "one section per row with differences")


with tempfile.TemporaryDirectory() as work:
    workbook = os.path.join(work, "r.xlsx")
    result = run("--report", workbook, *PAIR)
    check(result.returncode == 1, f"--report r.xlsx exit {result.returncode}: {result.stderr.decode()}")
    check(result.stdout.decode().startswith("差が　6　個あります"), "the usual output stays")
    if os.path.exists(workbook):
        check_workbook(workbook)
    else:
        failures.append("no workbook written")

    page = os.path.join(work, "R.HTML")
    result = run("--report", page, *PAIR)
    check(result.returncode == 1 and os.path.exists(page), f"--report R.HTML exit {result.returncode}")
    if os.path.exists(page):
        check_html(page)

    # To standard output instead of the list: the golden CSV, byte for byte.
    result = run("--report", "-", *PAIR)
    with open(os.path.join(data, "report-small.csv"), "rb") as f:
        golden = f.read()
    check(result.returncode == 1, f"--report - exit {result.returncode}")
    check(result.stdout == golden, "--report - differs from report-small.csv")
    body = result.stdout[3:].decode("utf-8")
    check(result.stdout.startswith(b"\xef\xbb\xbf"), "CSV without BOM")
    bare = body.replace("\r\n", "")
    check("\n" not in bare and "\r" not in bare, "CSV with a line end other than CR LF")
    lines = list(csv.reader(io.StringIO(body, newline="")))
    listed = lines[lines.index([]) + 1:]
    check(listed[0][:2] == ["行", "列"] and len(listed) == 16 and all(len(r) == 6 for r in listed),
          f"CSV list {len(listed)} lines")
    check(["4", "2", "品名", 'み"かん', 'み"かん"', "相違"] in listed, "CSV quote doubled and read back")

    # Refusals and a report that cannot be written: exit 2, the message on standard error.
    for arguments, message in (
            (["--report", os.path.join(work, "no-such-folder", "r.csv"), *PAIR], "レポートを保存できませんでした"),
            (["--report", os.path.join(work, "no-such-folder", "r.xlsx"), *PAIR], "レポートを保存できませんでした"),
            (["--report", os.path.join(work, "r.txt"), *PAIR], "レポートの形式がわかりません"),
            (["--report", "-", "--json", *PAIR], "--report - は --json と一緒には指定できません"),
            (["--dump", "--report", "r.csv", PAIR[0]], "--report は --dump と一緒には指定できません")):
        result = run(*arguments)
        check(result.returncode == 2, f"{arguments[:2]} exit {result.returncode}")
        check(message in result.stderr.decode(), f"{arguments[:2]} says {result.stderr.decode()!r}")
    check(not os.path.exists(os.path.join(work, "r.txt")), "a refused report was written")

for failure in failures:
    print("FAIL:", failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
