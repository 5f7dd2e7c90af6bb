// Key-value rows and the CSV export. CSV files are read back by Python's csv module and
// compared cell by cell with the command-line tool's own CSV of the same query.
#include <filesystem>

#include "platform/files.h"
#include "tests/storage/sqlite_fixture.h"

namespace {
struct Export : SqliteFixture {
  std::string path;
  std::unique_ptr<TliteDB> db;

  void SetUp() override {
    SqliteFixture::SetUp();
    path = freshPath("export.db");
    db = TliteDB::create();
    ASSERT_TRUE(db->setfile(path));
    ASSERT_TRUE(db->ExecSQL("CREATE TABLE other(x TEXT)"));
    ASSERT_TRUE(db->ExecSQL("INSERT INTO other VALUES ('keep')"));
  }
  static bool havePython() { return std::system("/usr/bin/python3 -c 'import csv' > /dev/null 2>&1") == 0; }
  // "same" when both files read as the same cells, else what differs.
  static std::string compareCsv(const std::string& ours, const std::string& reference) {
    std::string script = testenv::writeFile(
        "compare_csv.py",
        "import csv, sys\n"
        "def rows(p):\n"
        "    with open(p, newline='', encoding='utf-8') as f:\n"
        "        return list(csv.reader(f))\n"
        "a, b = rows(sys.argv[1]), rows(sys.argv[2])\n"
        "print('same' if a == b else repr(a) + ' != ' + repr(b))\n");
    std::string out = freshPath("compare.txt");
    std::string cmd = "/usr/bin/python3 '" + script + "' '" + ours + "' '" + reference + "' > '" + out + "' 2>&1";
    (void)std::system(cmd.c_str());
    std::string text = testenv::readFile(out);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
};

TEST_F(Export, KeyValueRowsBindGroupKeyAndValue) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE kv(`group` TEXT, `key` TEXT, `value` TEXT)"));
  const std::string hostile = "o'k\"`];--";
  EXPECT_TRUE(db->writeString("kv", hostile, hostile, "first"));
  EXPECT_TRUE(db->writeString("kv", hostile, hostile, hostile));  // updates the same row
  EXPECT_TRUE(db->writeString("kv", "home", "it's"));
  EXPECT_EQ(cliQuery(path, "SELECT `group`, key, value FROM kv ORDER BY ROWID;"),
            hostile + "|" + hostile + "|" + hostile + "\ngeneral|home|it's");
  EXPECT_EQ(db->readString("kv", hostile, hostile, "d"), hostile);
  EXPECT_EQ(db->readString("kv", "home", "d"), "it's");
  EXPECT_EQ(db->readString("kv", "other", "home", "d"), "d");
  EXPECT_EQ(db->readString("nosuch", "home", "d"), "d");

  // Settings: nothing without the table; by key only.
  EXPECT_FALSE(db->writeSetting("zoom", "2"));
  EXPECT_EQ(db->readSetting("zoom", "1"), "1");
  db->createSettingsTable();
  EXPECT_TRUE(db->writeSetting("zoom", "2"));
  EXPECT_TRUE(db->writeSetting("zoom", "it's 3"));
  EXPECT_EQ(db->readSetting("zoom", "1"), "it's 3");
  EXPECT_EQ(db->readSetting("pan", "1"), "1");
  EXPECT_EQ(cliQuery(path, "SELECT count(*), value FROM settings;"), "1|it's 3");
  EXPECT_EQ(cliQuery(path, "SELECT * FROM other;"), "keep");
}

TEST_F(Export, CsvOfTheSimplestTableIsExact) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE p(name TEXT, size INTEGER, picture BLOB)"));
  Tbytes bytes = {1, 2, 3};
  ASSERT_TRUE(db->ExecSQL("INSERT INTO p VALUES ('Ann', 5, ?)", &bytes));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO p VALUES ('Bo', 6, NULL)"));
  const std::string file = freshPath("p.csv");
  ASSERT_TRUE(db->SaveAsCSV(file, "p", {}));
  EXPECT_EQ(testenv::readFile(file), "\"name\",\"size\"\r\n\"Ann\",5\r\n\"Bo\",6\r\n");
  ASSERT_TRUE(db->SaveAsCSV(file, "p", {}, {2}));
  EXPECT_EQ(testenv::readFile(file), "\"name\",\"size\"\r\n\"Bo\",6\r\n");
  ASSERT_TRUE(db->SaveAsCSV(file, "p", TwhereClause::equals("name", "Ann")));
  EXPECT_EQ(testenv::readFile(file), "\"name\",\"size\"\r\n\"Ann\",5\r\n");

  // A statement that fails writes nothing: the file keeps what it held, and no other is left.
  messages.clear();
  EXPECT_FALSE(db->SaveAsCSV(file, "nosuch", {}));
  EXPECT_FALSE(db->SaveAsCSV(freshPath("none.csv"), "p", TwhereClause("no_such_column = 1")));
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(testenv::readFile(file), "\"name\",\"size\"\r\n\"Ann\",5\r\n");
  const std::string name = std::filesystem::path(file).filename().string();
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path())) {
    const std::string other = e.path().filename().string();
    EXPECT_TRUE(other == name || other.find(name) == std::string::npos) << other << " left behind";
  }
}

// Rows stop stepping after the first few: a read that fails part way through the table.
struct StepsThenFail {
  static inline int (*step)(sqlite3_stmt*) = nullptr;
  static inline int left = 0;
  static int fewRows(sqlite3_stmt* s) { return left-- > 0 ? step(s) : SQLITE_IOERR; }
};

// Many more rows than the writer buffers at once: the file is the same bytes as the command-line
// tool makes of the table by concatenation, and a read that fails part way keeps the old file.
TEST_F(Export, CsvOfManyRowsStreamsTheSameBytesAndAFailedReadKeepsTheOldFile) {
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE big(a TEXT, b INTEGER, c DOUBLE)"));
  ASSERT_TRUE(db->ExecSQL("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                          "INSERT INTO big SELECT 'place, \"' || i || '\"', i * 7 - 1000, i / 8.0 FROM n"));
  const std::string file = freshPath("big.csv");
  ASSERT_TRUE(db->SaveAsCSV(file, "big", {}));
  const std::string ours = testenv::readFile(file);
  EXPECT_GT(ours.size(), 1000000u);
  const std::string reference = cliQuery(
      path, "SELECT '\"a\",\"b\",\"c\"' || char(13, 10) || group_concat('\"' || replace(a, '\"', '\"\"') || '\",' || b || ',' || c, "
            "char(13, 10)) FROM (SELECT * FROM big ORDER BY ROWID);");
  EXPECT_TRUE(ours == reference + "\r\n") << ours.substr(0, 200) << "\n" << reference.substr(0, 200);

  StepsThenFail::step = q->e.pstep;
  StepsThenFail::left = 20000;
  q->e.pstep = &StepsThenFail::fewRows;
  messages.clear();
  EXPECT_FALSE(db->SaveAsCSV(file, "big", {}));
  q->bindLinkedLibrary();
  EXPECT_EQ(messages.size(), 1u);  // the read's own report, no second one about writing
  EXPECT_TRUE(testenv::readFile(file) == ours);
  EXPECT_EQ(platform::listFolder(testenv::tempDir(), ".*", platform::Entries::Files, true), std::vector<std::string>{});
}

TEST_F(Export, CsvReadsAsTheToolsOwnCsv) {
  if (!havePython()) GTEST_SKIP() << "/usr/bin/python3 with its csv module is needed";
  ASSERT_TRUE(cli(path, "CREATE TABLE \"we,ird \"\"t\"\"\"(\"na,me\" TEXT, \"q\"\"uote\" INTEGER, r REAL, pic BLOB, d DATETEXT);"
                        "INSERT INTO \"we,ird \"\"t\"\"\" VALUES "
                        "('plain', 1, 0.1, X'00', '2024-01-02'),"
                        "('com,ma', -2, 1e300, NULL, NULL),"
                        "('say \"hi\"', NULL, -0.30000000000000004, X'01', 'a,b'),"
                        "('two' || char(13,10) || 'lines', 3, 2.5, NULL, 'x' || char(10) || 'y'),"
                        "(NULL, 4, NULL, NULL, '\"'),"
                        "('', 5, 7.0, NULL, ''),"
                        "('Zürich ☀', 6, 1.5, NULL, ' lead');"));
  const std::string ours = freshPath("ours.csv");
  ASSERT_TRUE(db->SaveAsCSV(ours, "we,ird \"t\"", {}));
  const std::string reference = freshPath("reference.csv");
  const std::string cmd = "sqlite3 -csv -header '" + path +
                          "' 'SELECT \"na,me\", \"q\"\"uote\", r, d FROM \"we,ird \"\"t\"\"\" ORDER BY ROWID' > '" + reference + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(compareCsv(ours, reference), "same");
  const std::string bytes = testenv::readFile(ours);
  EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}
}  // namespace
