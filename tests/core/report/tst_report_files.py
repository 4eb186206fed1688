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
import re
import resource
import signal
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


def run(*arguments, cwd=data, file_size_limit=None):
    def limit():
        # As under a quota: a write past the limit fails instead of ending the program.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))
    return subprocess.run([program, *arguments], cwd=cwd, env=ENV, capture_output=True,
                          preexec_fn=limit if file_size_limit else None)


def runs_as_formula(field):
    """Whether a spreadsheet opening the CSV would take the field for a formula."""
    return field[:1] in ("=", "@", "\t", "\r") or (
        field[:1] in ("+", "-") and not re.fullmatch(r"[+-][0-9]+(\.[0-9]+)?", field))


def check_xml_parts(path):
    with zipfile.ZipFile(path) as book:
        for name in book.namelist():
            if name.endswith((".xml", ".rels")):
                try:
                    ET.fromstring(book.read(name))
                except ET.ParseError as error:
                    failures.append(f"{name} is not well-formed: {error}")


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


def check_html_parses(path):
    with open(path, "rb") as f:
        page = f.read()
    try:
        html5lib.HTMLParser(strict=True).parse(page)
    except Exception as error:  # html5lib raises ParseError at the first HTML5 parse error
        failures.append(f"HTML parse error in {os.path.basename(path)}: {error}")
    return page


def check_html(path):
    page = check_html_parses(path)
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

    # Texts a report must carry safely: formulas, characters XML cannot hold, a literal escape, a
    # cell longer than a workbook cell, in cells and in a file name; compared with an option on.
    odd = os.path.join(work, "odd")
    os.mkdir(odd)
    names = ['=HYPERLINK("http:,x").csv', "b\ufffe.csv"]
    rows = [["h1", "h2", "h3", "h4", "h5"],
            ["=1+1", "-5", "_x0041_", "あ" * 40000, "ＡＢＣ"],
            ["@SUM(1+1)*cmd|' /C calc'!A0", "+81x", "a\uffffb", "x", "ABC"]]
    for name, row in zip(names, rows[1:]):
        with open(os.path.join(odd, name), "w", encoding="utf-8", newline="") as f:
            f.write(",".join(rows[0]) + "\r\n" + ",".join(row) + "\r\n")

    result = run("--fold-width", "--report", "-", *names, cwd=odd)
    check(result.returncode == 1, f"odd --report - exit {result.returncode}: {result.stderr.decode()}")
    lines = list(csv.reader(io.StringIO(result.stdout[3:].decode("utf-8"), newline="")))
    summary = {line[0]: line[1] for line in lines[:lines.index([])]}
    check(summary.get("比較オプション") == "全半角", f"CSV options {summary.get('比較オプション')!r}")
    check(summary.get("ファイル１") == "'" + names[0], f"CSV file name {summary.get('ファイル１')!r}")
    listed = {(line[0], line[1]): line for line in lines[lines.index([]) + 2:]}
    check(listed.get(("2", "1"), [])[3:5] == ["'=1+1", "'" + rows[2][0]], f"CSV formulas {listed.get(('2', '1'))}")
    check(listed.get(("2", "2"), [])[3:5] == ["-5", "'+81x"], f"CSV numbers {listed.get(('2', '2'))}")
    check(listed.get(("2", "5"), [])[5:6] == ["表記ゆれ"], f"CSV equivalent {listed.get(('2', '5'))}")
    check(len(listed.get(("2", "4"), [""] * 5)[3]) == 40000, "the CSV keeps a long cell whole")
    running = [field for line in lines for field in line if runs_as_formula(field)]
    check(not running, f"CSV fields a spreadsheet would run: {running}")

    result = run("--fold-width", "--report", "odd.xlsx", *names, cwd=odd)
    check(result.returncode == 1, f"odd --report .xlsx exit {result.returncode}: {result.stderr.decode()}")
    check("odd.xlsx: Excel のセルに入りきらない 1 個のセルは 32000 文字で切り詰めました" in result.stderr.decode(),
          f"cut cells on standard error: {result.stderr.decode()!r}")
    workbook = os.path.join(odd, "odd.xlsx")
    try:
        check_xml_parts(workbook)
        book = openpyxl.load_workbook(workbook)
        summary = {row[0].value: row[1].value for row in book["概要"].iter_rows(min_row=2)}
        check(summary.get("比較オプション") == "全半角", f"workbook options {summary.get('比較オプション')!r}")
        check(str(summary.get("切り詰めたセル")).startswith("1 個"), f"workbook cut {summary.get('切り詰めたセル')}")
        check(str(summary.get("置き換えた文字のあるセル")).startswith("2 個"),
              f"workbook replaced {summary.get('置き換えた文字のあるセル')}")
        check(summary.get("ファイル２") == "b\ufffd.csv", f"workbook file name {summary.get('ファイル２')!r}")
        cells = {(r[0], r[1]): r for r in book["差分一覧"].iter_rows(min_row=2, values_only=True)}
        # openpyxl keeps an inline string's _xHHHH_ as stored; a spreadsheet reads _x005F_ as "_", so
        # the cell shows _x0041_ and not "A".
        check(cells.get((2, 3), [None] * 5)[3:5] == ("_x005F_x0041_", "a\ufffdb"),
              f"workbook texts {cells.get((2, 3))}")
        long_cell = cells.get((2, 4), [""] * 5)[3] or ""
        check(len(long_cell) == 32001 and long_cell.endswith("…"), f"workbook long cell of {len(long_cell)}")
    except Exception as error:  # no workbook, or one openpyxl cannot read
        failures.append(f"odd workbook not read: {error}")

    result = run("--fold-width", "--report", "odd.html", *names, cwd=odd)
    check(result.returncode == 1, f"odd --report .html exit {result.returncode}")
    if os.path.exists(os.path.join(odd, "odd.html")):
        check_html_parses(os.path.join(odd, "odd.html"))
        with open(os.path.join(odd, "odd.html"), encoding="utf-8") as f:
            check("<tr><th>比較オプション</th><td>全半角</td></tr>" in f.read(), "HTML options")

    # A file-size limit below the report's size: no report, exit 2 and the message, in every format.
    big = [os.path.join(work, f"big{i}.csv") for i in (1, 2)]
    for i, path in enumerate(big):
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.writelines(f"{r},{'ab'[i]}{r * (7919 + i)}\r\n" for r in range(8000))
    for suffix in ("xlsx", "csv", "html"):
        target = os.path.join(work, "limited." + suffix)
        result = run("--report", target, *big, file_size_limit=64 * 1024)
        check(result.returncode == 2, f"limited .{suffix} exit {result.returncode}")
        check("レポートを保存できませんでした" in result.stderr.decode(),
              f"limited .{suffix} says {result.stderr.decode()!r}")

for failure in failures:
    print("FAIL:", failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
