# Workbooks for the sheet reader's tests, made by openpyxl and some rewritten with zipfile, and
# the checks of what we read against what openpyxl reads.
#   make DIR                        writes the workbooks into DIR
#   sheet XLSX SHEET OURS.json      compares our reading (names, types, values) with openpyxl's
#   csv XLSX SHEET OURS.csv         compares our CSV, parsed by the csv module
#   dbf XLSX SHEET OURS.dbf         compares our dBase table, read by dbfread
# The checks print "ok" or what differs. Expected values follow the reader's rules: the first
# non-empty row names the columns (empty names "colN", repeats " (n)"), a column's type is that
# of its first non-empty value (text when it has none), booleans read "yes"/"no", an empty
# cell is "" except in a number column, where it is 0.
import csv
import json
import re
import sys
import zipfile

import openpyxl

PEOPLE = [
    ["Name", "Code", "Score", "Active", "Name", None, "Ratio", "Note"],
    ["Ann", "00123", 5, True, "dup1", "x", 0.5, 'say "hi", then go'],
    ["Bob", "007", -2, False, "dup2", None, 1.25, None],
    [None, "12", None, True, None, "y", 3, "last"],
    [None] * 8,
    ["Cy", "1,000", 7, False, "d", "z", 2.5, "x & y < z", "beyond the header"],
]
SECOND = [["Caf\u00e9", "Amount"], ["cr\u00e8me br\u00fbl\u00e9e", 12.75], ["A & B", 1e-3], ["\u00fcber", 100000]]


def make(folder):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "People"
    ws.append([])  # the first row element holds nothing
    for row in PEOPLE:
        ws.append(row)
    ws2 = wb.create_sheet("\u00dcmlaut & <Co>")
    for row in SECOND:
        ws2.append(row)
    wb.create_sheet("Empty")
    wb.save(folder + "/basic.xlsx")
    rewrite(folder + "/basic.xlsx", folder + "/shared.xlsx", reorder=False)
    rewrite(folder + "/basic.xlsx", folder + "/reordered.xlsx", reorder=True)
    nosheets(folder + "/nosheets.xlsx")


INLINE = re.compile(r'<c r="([A-Z]+[0-9]+)"([^>]*) t="inlineStr"([^>]*)><is><t(?: [^>]*)?>(.*?)</t></is></c>')


def rewrite(source, target, reorder):
    """Inline strings become shared strings: "Ann" as rich-text runs before the others (its
    runs would shift every later index if counted apart), "Bob" with a phonetic guide; rows get
    a spans attribute that lies. With reorder, sheet n is stored as another part name."""
    zin = zipfile.ZipFile(source)
    parts = {n: zin.read(n) for n in zin.namelist()}
    strings = []

    def index(text):
        if text not in strings:
            strings.append(text)
        return strings.index(text)

    index("Ann")
    for name in list(parts):
        if name.startswith("xl/worksheets/"):
            xml = parts[name].decode()
            xml = INLINE.sub(lambda m: '<c r="%s"%s t="s"%s><v>%d</v></c>' % (m.group(1), m.group(2), m.group(3), index(m.group(4))), xml)
            xml = xml.replace('<row r="2">', '<row r="2" spans="1:99999">')
            parts[name] = xml.encode()
    items = []
    for s in strings:
        if s == "Ann":
            items.append('<si><r><rPr><b/></rPr><t>A</t></r><r><t>nn</t></r></si>')
        elif s == "Bob":
            items.append('<si><t>Bob</t><rPh sb="0" eb="3"><t>bobu</t></rPh></si>')
        else:
            items.append("<si><t>%s</t></si>" % s)
    parts["xl/sharedStrings.xml"] = ('<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">%s</sst>'
                                     % (len(items), len(items), "".join(items))).encode()
    rels = parts["xl/_rels/workbook.xml.rels"].decode()
    rels = rels.replace("</Relationships>", '<Relationship Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml" Id="rIdS"/></Relationships>')
    types = parts["[Content_Types].xml"].decode()
    types = types.replace("</Types>", '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
    if reorder:
        sheets = sorted(n for n in parts if re.match(r"xl/worksheets/sheet\d+\.xml$", n))
        renamed = {old: "xl/worksheets/part%d.xml" % (len(sheets) - i) for i, old in enumerate(sheets)}
        for old, new in renamed.items():
            parts[new] = parts.pop(old)
            rels = rels.replace("/" + old, "/" + new)
            types = types.replace("/" + old, "/" + new)
    parts["xl/_rels/workbook.xml.rels"] = rels.encode()
    parts["[Content_Types].xml"] = types.encode()
    order = list(parts)
    if reorder:
        order.reverse()
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
        for n in order:
            z.writestr(n, parts[n])


def nosheets(target):
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("xl/workbook.xml", '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets/></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"></Relationships>')


def expected(xlsx, sheet):
    wb = openpyxl.load_workbook(xlsx)
    ws = wb[sheet]
    rows = [list(r) for r in ws.iter_rows(values_only=True) if any(v is not None for v in r)]
    if not rows:
        return wb.sheetnames, [], [], []
    header = rows[0]
    while header and header[-1] is None:
        header = header[:-1]
    names = []
    for i, v in enumerate(header):
        name = "col%d" % (i + 1) if v is None else str(v)
        base, n = name, 0
        while name.lower() in (x.lower() for x in names):
            n += 1
            name = "%s (%d)" % (base, n)
        names.append(name)
    data = [(r + [None] * len(names))[: len(names)] for r in rows[1:]]
    types = []
    for c in range(len(names)):
        first = next((r[c] for r in data if r[c] is not None), None)
        types.append("bool" if isinstance(first, bool) else "number" if isinstance(first, (int, float)) else "text")

    def text(v, t):
        if v is None:
            return "0" if t == "number" else ""
        if isinstance(v, bool):
            return "yes" if v else "no"
        return str(v)

    values = [[text(v, types[c]) for c, v in enumerate(r)] for r in data]
    return wb.sheetnames, names, types, values


def same(a, b, t):
    if t == "number":
        try:
            return float(a) == float(b)
        except ValueError:
            return False
    return a == b


def compare(what, got, want, types):
    if len(got) != len(want):
        return "%s: %d rows, want %d" % (what, len(got), len(want))
    for i, (g, w) in enumerate(zip(got, want)):
        if len(g) != len(w) or not all(same(a, b, t) for a, b, t in zip(g, w, types)):
            return "%s row %d: %r, want %r" % (what, i, g, w)
    return None


def main():
    mode = sys.argv[1]
    if mode == "make":
        make(sys.argv[2])
        return
    xlsx, sheet, ours = sys.argv[2], sys.argv[3], sys.argv[4]
    sheets, names, types, values = expected(xlsx, sheet)
    problem = None
    if mode == "sheet":
        got = json.load(open(ours, encoding="utf-8"))
        for key, want in (("sheets", sheets), ("names", names), ("types", types)):
            if got[key] != want:
                problem = problem or "%s: %r, want %r" % (key, got[key], want)
        problem = problem or compare("values", got["values"], values, ["text"] * len(types))
    elif mode == "csv":
        rows = list(csv.reader(open(ours, newline="", encoding="utf-8")))
        if not rows or rows[0] != names:
            problem = "header %r, want %r" % (rows[:1], names)
        problem = problem or compare("csv", rows[1:], values, types)
    elif mode == "dbf":
        import dbfread
        table = dbfread.DBF(ours, encoding="cp850", char_decode_errors="strict")
        fields = [f.name for f in table.fields]
        if fields != [n[:10].replace(" ", "_") for n in names]:
            problem = "fields %r, want %r" % (fields, names)
        rows = []
        for rec in table:
            row = []
            for f, t in zip(fields, types):
                v = rec[f]
                row.append("" if v is None and t != "number" else ("yes" if v else "no") if isinstance(v, bool) else str(v if v is not None else 0))
            rows.append(row)
        problem = problem or compare("dbf", rows, values, types)
    print(problem or "ok")


main()
