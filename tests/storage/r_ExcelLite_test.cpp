// Workbook sheets: workbooks made by openpyxl (some rewritten: shared strings with rich-text
// runs, sheet parts under other names and in another order, spans that lie) read as openpyxl
// reads them, exported as CSV (parsed by Python's csv) and dBase (read by dbfread); packages
// made here for the bad cases: odd references, broken and missing parts, lying entries.
#include "storage/r_ExcelLite.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "core/Tzip.h"
#include "storage/r_sqlite.h"
#include "tests/storage/sqlite_fixture.h"

namespace {
namespace fs = std::filesystem;

struct Workbooks : SqliteFixture {
  static std::string script() { return testenv::sourceDir() + "tests/storage/xlsx_reference.py"; }
  static bool haveOpenpyxl() { return std::system("/usr/bin/python3 -c 'import openpyxl, dbfread' > /dev/null 2>&1") == 0; }

  // The workbooks of the reference script, made once per test.
  std::string made(const std::string& name) {
    if (folder.empty()) {
      folder = testenv::tempDir() + "books";
      fs::create_directories(folder);
      int status = 0;
      const std::string out = testenv::runCommand("/usr/bin/python3 '" + script() + "' make '" + folder + "'", &status);
      EXPECT_EQ(status, 0) << out;
    }
    return folder + "/" + name;
  }
  std::string check(const std::string& mode, const std::string& xlsx, const std::string& sheet, const std::string& ours) {
    return testenv::runCommand("/usr/bin/python3 '" + script() + "' " + mode + " '" + xlsx + "' '" + sheet + "' '" + ours + "'");
  }

  static std::string json(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  static std::string jsonList(const std::vector<std::string>& items, bool quote = true) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + (quote ? json(items[i]) : items[i]);
    return out + "]";
  }
  // Our reading of the current sheet in the form the script compares.
  static std::string ours(TxlsxRead& r) {
    std::vector<std::string> names, types, rows;
    for (int c = 0; c < r.columns().count(); ++c) {
      names.push_back(r.columns().getName(c));
      const int t = r.columns().item(c)->datatype();
      types.push_back(t == ftString ? "text" : t == ftBoolean ? "bool" : "number");
    }
    for (int row = 0; row < r.records(); ++row) {
      std::vector<std::string> values;
      for (int c = 0; c < r.columns().count(); ++c) values.push_back(r.getItem(c, row));
      rows.push_back(jsonList(values));
    }
    return "{\"sheets\":" + jsonList(r.sheets().lines()) + ",\"names\":" + jsonList(names) + ",\"types\":" + jsonList(types) +
           ",\"values\":" + jsonList(rows, false) + "}";
  }

  // A package of the given parts; the sheet list and its relationships unless given.
  static std::string package(std::map<std::string, std::string> parts, const std::string& name = "made.xlsx") {
    if (!parts.count("xl/workbook.xml"))
      parts["xl/workbook.xml"] = "<workbook><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    if (!parts.count("xl/_rels/workbook.xml.rels"))
      parts["xl/_rels/workbook.xml.rels"] =
          "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
    Tzip zip;
    int n = 0;
    for (const auto& [part, text] : parts) zip.add(testenv::writeFile("parts/" + std::to_string(++n), text), part);
    const std::string target = testenv::tempDir() + name;
    std::remove(target.c_str());
    zip.zip(target);
    return target;
  }
  static std::string sheetXml(const std::string& rows) { return "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"; }
  static std::string values(TxlsxRead& r) {
    std::string out;
    for (int c = 0; c < r.columns().count(); ++c) out += (c ? "|" : "") + r.columns().getName(c);
    for (int row = 0; row < r.records(); ++row) {
      out += "\n";
      for (int c = 0; c < r.columns().count(); ++c) out += (c ? "|" : "") + r.getItem(c, row);
    }
    return out;
  }
  std::string folder;
};

TEST_F(Workbooks, SheetsReadAsOpenpyxlReadsThem) {
  if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl or python3-dbfread missing";
  for (const char* book : {"basic.xlsx", "shared.xlsx", "reordered.xlsx"}) {
    SCOPED_TRACE(book);
    const std::string file = made(book);
    TStringList names;
    ASSERT_TRUE(getSheets(file, names));
    EXPECT_EQ(names.text(), "People\r\n\xc3\x9cmlaut & <Co>\r\nEmpty\r\n");

    TxlsxRead r;
    ASSERT_TRUE(r.open(file));
    for (const std::string& sheet : {std::string("People"), std::string("\xc3\x9cmlaut & <Co>")}) {
      SCOPED_TRACE(sheet);
      ASSERT_TRUE(r.setSheet(sheet));
      EXPECT_EQ(r.sheet(), sheet);
      EXPECT_EQ(r.records(), sheet == "People" ? 4 : 3);
      const std::string mine = testenv::writeFile("ours.json", ours(r));
      EXPECT_EQ(check("sheet", file, sheet, mine), "ok\n");
      const std::string csv = testenv::tempDir() + "ours.csv", dbf = testenv::tempDir() + "ours.dbf";
      ASSERT_TRUE(r.saveToCsv(csv));
      EXPECT_EQ(check("csv", file, sheet, csv), "ok\n");
      if (sheet == "People") {  // dBase field names are code page 850 and ten characters
        ASSERT_TRUE(r.saveToDbf(dbf));
        EXPECT_EQ(check("dbf", file, sheet, dbf), "ok\n");
      }
    }
    // The empty sheet gives no table and no error.
    EXPECT_FALSE(r.setSheet("Empty"));
    EXPECT_EQ(r.columns().count(), 0);
    EXPECT_EQ(r.readError(), "");
  }
}

TEST_F(Workbooks, PeopleColumnsTypesAndRows) {
  if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl missing";
  TxlsxRead r;
  ASSERT_TRUE(r.open(made("shared.xlsx")));
  ASSERT_TRUE(r.setSheet("not listed"));  // the first sheet
  EXPECT_EQ(r.sheet(), "People");
  EXPECT_EQ(values(r),
            "Name|Code|Score|Active|Name (1)|col6|Ratio|Note\n"
            "Ann|00123|5|yes|dup1|x|0.5|say \"hi\", then go\n"
            "Bob|007|-2|no|dup2||1.25|\n"
            "|12|0|yes||y|3|last\n"
            "Cy|1,000|7|no|d|z|2.5|x & y < z");
  EXPECT_EQ(r.database()->ColumnType("data", "Code"), ftString);  // "00123" stays text

  // Rows written out only by their indices.
  const std::string csv = testenv::tempDir() + "two.csv";
  ASSERT_TRUE(r.saveToCsv(csv, {1, 3}));
  EXPECT_EQ(testenv::readFile(csv),
            "\"Name\",\"Code\",\"Score\",\"Active\",\"Name (1)\",\"col6\",\"Ratio\",\"Note\"\r\n"
            "\"Bob\",\"007\",-2,\"no\",\"dup2\",\"\",1.25,\"\"\r\n"
            "\"Cy\",\"1,000\",7,\"no\",\"d\",\"z\",2.5,\"x & y < z\"\r\n");

  // A written cell shows once another row has been read.
  EXPECT_EQ(r.getItem(0, 0), "Ann");
  ASSERT_TRUE(r.setItem(0, 0, "Anne"));
  EXPECT_EQ(r.getItem(0, 0), "Ann");
  EXPECT_EQ(r.getItem(0, 1), "Bob");
  EXPECT_EQ(r.getItem(0, 0), "Anne");
}

TEST_F(Workbooks, OddAndBrokenSheets) {
  const std::string head = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><t>b</t></is></c>"
                           "<c r=\"AB1\" t=\"inlineStr\"><is><t>ab</t></is></c><c r=\"BA1\" t=\"inlineStr\"><is><t>ba</t></is></c></row>";
  struct Case {
    const char* id;
    std::map<std::string, std::string> parts;
    bool read;
    std::string want;  // column names and rows, or the start of the read error
  } cases[] = {
      {"columns AB and BA, a reference beyond XFD, huge spans",
       {{"xl/worksheets/sheet1.xml",
         sheetXml(head + "<row r=\"2\" spans=\"1:2000000000\"><c r=\"AB2\"><v>27</v></c><c r=\"BA2\"><v>52</v></c>"
                         "<c r=\"XFE2\"><v>1</v></c><c r=\"ZZZZZZZ2\"><v>1</v></c></row>")}},
       true,
       ""},
      {"shared-string indices out of range, no strings part",
       {{"xl/worksheets/sheet1.xml",
         sheetXml("<row><c t=\"inlineStr\"><is><t>k</t></is></c></row><row><c t=\"s\"><v>-1</v></c></row>"
                  "<row><c t=\"s\"><v>99999999999</v></c></row><row><c t=\"s\"><v>x</v></c></row>")}},
       true,
       "k\n-1\n99999999999\nx"},
      {"values bound: a comma, a quote, entities and references",
       {{"xl/worksheets/sheet1.xml",
         sheetXml("<row><c t=\"inlineStr\"><is><t>n</t></is></c><c t=\"inlineStr\"><is><t>t</t></is></c></row>"
                  "<row><c><v>1,000</v></c><c t=\"str\"><v>it's &amp; &#x263A; &lt;b&gt;</v></c></row>"
                  "<row><c><v>2</v></c><c t=\"e\"><v>#DIV/0!</v></c></row>")}},
       true,
       "n|t\n1,000|it's & \xe2\x98\xba <b>\n2|#DIV/0!"},
      {"broken XML keeps the rows read",
       {{"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>h</t></is></c></row><row><c><v>1</v></c></row>"
                                     "<row><c><v>2</v></c></row><row><c><v"}},
       true,
       "h\n1\n2"},
      {"duplicate and empty headers, a first row without spans",
       {{"xl/worksheets/sheet1.xml",
         sheetXml("<row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"C1\" t=\"inlineStr\"><is><t>X</t></is></c>"
                  "<c r=\"E1\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"F1\"/></row><row><c r=\"A2\"><v>1</v></c></row>")}},
       true,
       "col1|x|X (1)|col4|x (2)\n1||||"},
      {"a missing sheet part", {{"xl/worksheets/other.xml", sheetXml("")}}, false, "cannot read sheet S"},
      {"not XML at all", {{"xl/worksheets/sheet1.xml", std::string("\0\1\2<<>>\xff", 9)}}, false, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.id);
    TxlsxRead r;
    ASSERT_TRUE(r.open(package(c.parts)));
    EXPECT_EQ(r.setSheet("S"), c.read);
    if (!c.read) {
      EXPECT_EQ(r.readError().substr(0, c.want.size()), c.want);
      EXPECT_EQ(r.columns().count(), 0);
      continue;
    }
    if (std::string(c.id).rfind("columns AB", 0) == 0) {
      // Column 27 and 52 hold the cells; beyond the last column nothing is read.
      ASSERT_EQ(r.columns().count(), 53);
      EXPECT_EQ(r.columns().getName(27), "ab");
      EXPECT_EQ(r.columns().getName(52), "ba");
      EXPECT_EQ(r.getItem(27, 0), "27");
      EXPECT_EQ(r.getItem(52, 0), "52");
      EXPECT_EQ(r.records(), 1);
      continue;
    }
    EXPECT_EQ(values(r), c.want);
  }
}

// The entry of the sheet part says another size than its bytes have.
TEST_F(Workbooks, PartsWhoseEntriesLieAreRefused) {
  struct Case {
    const char* id;
    uint32_t size;  // the uncompressed size written into the entry; 0 keeps it
    bool read;
  } cases[] = {{"as made", 0, true}, {"one byte short", 1, false}, {"beyond 1 GB", 0xF0000000u, false}};
  const std::string sheet = sheetXml("<row><c t=\"inlineStr\"><is><t>h</t></is></c></row><row><c><v>1</v></c></row>");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string file = package({{"xl/worksheets/sheet1.xml", sheet}});
    std::string bytes = testenv::readFile(file);
    if (c.size) {
      // The central directory's record of the part: uncompressed size at offset 24.
      const std::string name = "xl/worksheets/sheet1.xml";
      size_t at = bytes.find(std::string("PK\1\2"));
      while (at != std::string::npos && bytes.compare(at + 46, name.size(), name) != 0) at = bytes.find("PK\1\2", at + 4);
      ASSERT_NE(at, std::string::npos);
      uint32_t v = c.size == 1 ? uint32_t(sheet.size() - 1) : c.size;
      for (int i = 0; i < 4; ++i) bytes[at + 24 + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    }
    TxlsxRead r;
    ASSERT_TRUE(r.open(testenv::writeFile("lying.xlsx", bytes)));
    EXPECT_EQ(r.setSheet("S"), c.read);
    if (!c.read) {
      EXPECT_NE(r.readError().find("cannot read sheet S"), std::string::npos);
    }
  }
}

TEST_F(Workbooks, SheetListsAndTemporaryFolders) {
  // Without a workbook part the worksheet files name the sheets; without sheets nothing is wrong.
  TStringList names;
  ASSERT_TRUE(getSheets(package({{"xl/workbook.xml", "<workbook><sheets/></workbook>"}, {"xl/_rels/workbook.xml.rels", "<Relationships/>"}}),
                        names));
  EXPECT_EQ(names.count(), 0);
  names.add("kept");
  const std::string loose = package({{"xl/worksheets/beta.xml", sheetXml("")}, {"xl/worksheets/alpha.xml", sheetXml("")},
                                     {"xl/workbook.xml", "not a workbook"}, {"xl/_rels/workbook.xml.rels", ""}},
                                    "loose.xlsx");
  ASSERT_TRUE(getSheets(loose, names));
  EXPECT_EQ(names.text(), "kept\r\nalpha\r\nbeta\r\n");
  EXPECT_FALSE(getSheets(testenv::writeFile("plain.xlsx", "not a package"), names));
  EXPECT_FALSE(getSheets(testenv::tempDir() + "missing.xlsx", names));
  EXPECT_EQ(names.count(), 3);

  // Each reader has a folder of its own, gone when the reader is.
  std::string a, b;
  {
    TxlsxRead one, two;
    ASSERT_TRUE(one.open(loose));
    ASSERT_TRUE(two.open(loose));
    a = one.folder();
    b = two.folder();
    EXPECT_NE(a, b);
    EXPECT_TRUE(fs::is_directory(a) && fs::is_directory(b));
    EXPECT_FALSE(one.setSheet("alpha"));  // an empty sheet
  }
  EXPECT_FALSE(fs::exists(a));
  EXPECT_FALSE(fs::exists(b));
  EXPECT_TRUE(fs::is_empty(fs::path(a).parent_path().parent_path()));  // getSheets left nothing either

  TxlsxRead none;
  EXPECT_FALSE(none.open(testenv::tempDir() + "missing.xlsx"));
  EXPECT_FALSE(none.setSheet("x"));
}

TEST_F(Workbooks, RefreshReadsAChangedWorkbookAgain) {
  const std::string file = testenv::tempDir() + "changing.xlsx";
  auto write = [&](const std::string& header) {
    const std::string made = package({{"xl/worksheets/sheet1.xml", sheetXml("<row><c t=\"inlineStr\"><is><t>" + header + "</t></is></c></row>")}});
    fs::copy_file(made, file, fs::copy_options::overwrite_existing);
  };
  write("first");
  TxlsxRead r;
  ASSERT_TRUE(r.open(file));
  ASSERT_TRUE(r.setSheet("S"));
  EXPECT_FALSE(r.OriginalChanged());
  write("second");
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
  EXPECT_TRUE(r.OriginalChanged());
  ASSERT_TRUE(r.refreshFromOriginal());
  EXPECT_EQ(r.columns().getName(0), "second");
}
// Every field of every exported record is set: an empty logical, number or text cell is blanks,
// which dbfread reads as no value.
TEST_F(Workbooks, DbaseExportSetsEveryField) {
  if (!haveOpenpyxl()) GTEST_SKIP() << "python3-dbfread missing";
  auto inl = [](const char* ref, const char* text) {
    return std::string("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
  };
  const std::string sheet = sheetXml("<row r=\"1\">" + inl("A1", "name") + inl("B1", "ok") + inl("C1", "n") + "</row>"
                                     "<row r=\"2\">" + inl("A2", "a") + "<c r=\"B2\" t=\"b\"><v>1</v></c><c r=\"C2\"><v>2.5</v></c></row>"
                                     "<row r=\"3\">" + inl("A3", "b") + "</row>"
                                     "<row r=\"4\"><c r=\"B4\" t=\"b\"><v>0</v></c></row>");
  TxlsxRead r;
  ASSERT_TRUE(r.open(package({{"xl/worksheets/sheet1.xml", sheet}})));
  ASSERT_TRUE(r.setSheet("S"));
  const std::string dbf = testenv::tempDir() + "logical.dbf";
  ASSERT_TRUE(r.saveToDbf(dbf));
  EXPECT_EQ(testenv::runCommand("/usr/bin/python3 -c \"import dbfread,sys\n"
                                "for rec in dbfread.DBF(sys.argv[1]): print(list(rec.values()))\" '" + dbf + "'"),
            "['a', True, 2.5]\n['b', None, 0]\n['', False, 0]\n");
}

// A sheet wider than a table can hold gives the columns a table holds and says so; names are
// made unique without comparing each with every other.
TEST_F(Workbooks, WideSheetsKeepTheColumnsATableHolds) {
  if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl missing";
  const std::string wide = testenv::tempDir() + "wide.xlsx";
  int status = 0;
  const std::string out = testenv::runCommand(
      "/usr/bin/python3 -c \"import openpyxl,sys\nwb=openpyxl.Workbook()\nws=wb.active\nws.title='W'\n"
      "ws.append(['h%d' % i for i in range(2500)])\nws.append(list(range(2500)))\nwb.save(sys.argv[1])\" '" + wide + "'",
      &status);
  ASSERT_EQ(status, 0) << out;
  TxlsxRead r;
  ASSERT_TRUE(r.open(wide));
  ASSERT_TRUE(r.setSheet("W"));
  const int limit = r.database()->columnLimit();
  EXPECT_EQ(r.columns().count(), limit);
  EXPECT_EQ(r.columns().getName(limit - 1), "h" + std::to_string(limit - 1));
  EXPECT_EQ(r.getItem(limit - 1, 0), std::to_string(limit - 1));
  EXPECT_EQ(r.records(), 1);
  EXPECT_NE(r.readError().find("column 2500"), std::string::npos) << r.readError();

  auto inl = [](const std::string& ref, const std::string& text) {
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
  };
  // A header cell far to the right, alone beyond the limit, or beside many equal names.
  std::string same;
  for (int i = 0; i < 1500; ++i) same += inl("", i == 3 ? "x (2)" : "x");
  struct Case { const char* id; std::string header; int columns; std::string last; bool note; } cases[] = {
      {"CCC1", inl("A1", "a") + inl("CCC1", "far"), 1, "a", true},
      {"UTF1", inl("A1", "a") + inl("B1", "b") + inl("UTF1", "far"), 2, "b", true},
      {"only far", inl("UTF1", "far"), 0, "", true},
      {"equal names", same, 1500, "x (1498)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TxlsxRead s;
    ASSERT_TRUE(s.open(package({{"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\">" + c.header + "</row><row r=\"2\"><c r=\"A2\"><v>7</v></c></row>")}})));
    EXPECT_EQ(s.setSheet("S"), c.columns > 0);
    ASSERT_EQ(s.columns().count(), c.columns);
    EXPECT_EQ(s.readError().empty(), !c.note) << s.readError();
    if (c.columns == 0) continue;
    EXPECT_EQ(s.columns().getName(c.columns - 1), c.last);
    EXPECT_EQ(s.getItem(0, 0), "7");
  }
}

// Repeated kills while a sheet is exported over a table: each time the target is a whole
// table, the old or the new, as dbfread reads it.
TEST_F(Workbooks, KilledDbaseExportLeavesAWholeTable) {
  if (!haveOpenpyxl()) GTEST_SKIP() << "python3-dbfread missing";
  std::string rows = "<row><c t=\"inlineStr\"><is><t>name</t></is></c><c t=\"inlineStr\"><is><t>n</t></is></c></row>";
  for (int i = 0; i < 400; ++i)
    rows += "<row><c t=\"inlineStr\"><is><t>row " + std::to_string(i) + "</t></is></c><c><v>" + std::to_string(i) + "</v></c></row>";
  const std::string book = package({{"xl/worksheets/sheet1.xml", sheetXml(rows)}}, "kills.xlsx");
  const std::string target = testenv::tempDir() + "kills/export.dbf";
  fs::create_directories(testenv::tempDir() + "kills");
  {
    TxlsxRead r;
    ASSERT_TRUE(r.open(book));
    ASSERT_TRUE(r.setSheet("S"));
    ASSERT_TRUE(r.saveToDbf(target, {0, 1, 2}));
  }
  std::vector<std::string> copies;
  for (int round = 0; round < 12; ++round) {
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(progress[0]);
      TxlsxRead r;
      if (!r.open(book) || !r.setSheet("S")) _exit(2);
      for (int i = 0;; ++i) {
        r.saveToDbf(target, i % 2 ? std::vector<int>{0, 1, 2} : std::vector<int>{});
        if (write(progress[1], "x", 1) != 1) _exit(3);
      }
    }
    close(progress[1]);
    // Killed at a different moment each round: once an export is whole, somewhere in the next
    // (an export takes a few milliseconds).
    char c;
    for (int n = 0; n < 1 + round % 3; ++n) ASSERT_EQ(read(progress[0], &c, 1), 1);
    usleep(useconds_t(round * 400));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(progress[0]);
    copies.push_back(testenv::writeFile("kills/round" + std::to_string(round) + ".dbf", testenv::readFile(target)));
  }
  std::string files, want;
  for (const auto& f : copies) {
    files += " '" + f + "'";
    want += "ok\n";
  }
  EXPECT_EQ(testenv::runCommand("/usr/bin/python3 -c \"import dbfread,sys,os\n"
                                "for f in sys.argv[1:]:\n"
                                "  t=dbfread.DBF(f)\n"
                                "  recs=[(r['name'],r['n']) for r in t]\n"
                                "  whole=(os.path.getsize(f)-t.header.headerlen)//t.header.recordlen==len(recs)\n"
                                "  ok=whole and len(recs) in (3,400) and all(n=='row %d' % v for n,v in recs)\n"
                                "  print('ok' if ok else f+' '+str(len(recs)))\"" + files),
            want);
}

}  // namespace
