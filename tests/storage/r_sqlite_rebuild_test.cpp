// Column editing and table copies. The tool checks every result (integrity, the columns with
// their types, defaults and constraints, indices, triggers, every value with its storage
// class), and every operation is run again with a failure forced at each of its steps.
#include "storage/r_sqlite_sqltext.h"
#include "tests/storage/sqlite_fixture.h"

namespace {
TEST(SqlText, CutsDefinitionsOnlyAtTopLevelCommas) {
  struct Case {
    const char* sql;
    std::vector<std::string> definitions, names;
    const char* tail;
  } cases[] = {
      {"CREATE TABLE t(a TEXT, b DECIMAL(10,2), c DATETIME DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')))",
       {"a TEXT", "b DECIMAL(10,2)", "c DATETIME DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now'))"},
       {"a", "b", "c"},
       ""},
      {"CREATE TABLE \"t(\" (\"a,1\" TEXT, [b,2] INT, `c,``3` REAL, 'd,''4' BLOB, e TEXT DEFAULT 'x,y' -- note, here\n"
       ", CHECK (e <> 'a,)'), PRIMARY KEY (\"a,1\", [b,2]))",
       {"\"a,1\" TEXT", "[b,2] INT", "`c,``3` REAL", "'d,''4' BLOB", "e TEXT DEFAULT 'x,y'", "CHECK (e <> 'a,)')",
        "PRIMARY KEY (\"a,1\", [b,2])"},
       {"a,1", "b,2", "c,`3", "d,'4", "e", "", ""},
       ""},
      {"CREATE TABLE IF NOT EXISTS main.t (x /* a, b */ INTEGER, y) WITHOUT ROWID",
       {"x   INTEGER", "y"}, {"x", "y"}, "WITHOUT ROWID"},
      {"CREATE TEMP TABLE t(CONSTRAINT k UNIQUE (a), a, FOREIGN KEY (a) REFERENCES p(id))",
       {"CONSTRAINT k UNIQUE (a)", "a", "FOREIGN KEY (a) REFERENCES p(id)"}, {"", "a", ""}, ""},
  };
  for (const Case& c : cases) {
    sqltext::TcreateText parts;
    ASSERT_TRUE(sqltext::splitCreate(c.sql, parts)) << c.sql;
    EXPECT_EQ(parts.definitions, c.definitions) << c.sql;
    EXPECT_EQ(parts.tail, c.tail) << c.sql;
    std::vector<std::string> names;
    for (const auto& d : parts.definitions) names.push_back(sqltext::definitionName(d));
    EXPECT_EQ(names, c.names) << c.sql;
  }
  sqltext::TcreateText parts;
  for (const char* bad : {"", "CREATE INDEX i ON t(a)", "CREATE TABLE t(a, b", "CREATE TABLE t(a,)", "CREATE TABLE t AS SELECT 1"})
    EXPECT_FALSE(sqltext::splitCreate(bad, parts)) << bad;
  EXPECT_TRUE(sqltext::usesAny("CREATE INDEX i ON t(\"Note\")", {"note"}));
  EXPECT_FALSE(sqltext::usesAny("CREATE INDEX i ON t(a) WHERE b <> 'note'", {"note"}));
  EXPECT_FALSE(sqltext::usesAny("PRIMARY KEY (a)", {"key"}));
}

// A table of the cases the issue names: a default with commas, DECIMAL(10,2), CHECK
// constraints, names quoted each way, a comment, indices, a trigger and a view; a table of our
// own builder's; and tables that must come out untouched.
const char* const kSchema =
    "CREATE TABLE other(x TEXT); INSERT INTO other VALUES ('keep');"
    "CREATE TABLE t1_backup(y); INSERT INTO t1_backup VALUES ('mine');"
    "CREATE TABLE t(\n"
    "  \"id\" INTEGER PRIMARY KEY,\n"
    "  [name, full] TEXT NOT NULL DEFAULT 'a,b',\n"
    "  `price` DECIMAL(10,2) CHECK (price >= 0),\n"
    "  'stamp' DATETIME DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),\n"
    "  note TEXT, -- a comment, with a comma\n"
    "  pic BLOB,\n"
    "  CHECK (length(\"name, full\") < 100)\n"
    ");\n"
    "CREATE INDEX t_price ON t(price);\n"
    "CREATE UNIQUE INDEX t_name ON t(\"name, full\", note);\n"
    "CREATE TRIGGER t_note AFTER UPDATE OF note ON t BEGIN UPDATE other SET x = x; END;\n"
    "CREATE VIEW v AS SELECT id FROM t;\n"
    "INSERT INTO t VALUES (1, 'Ann', 1.5, '2024-01-01', NULL, X'0001');\n"
    "INSERT INTO t VALUES (5, 'B,\"o\"', 10, '2024', '  spaced  ', NULL);\n"
    "INSERT INTO t VALUES (9, 'C', 0.1, NULL, '', X'');\n";

struct Rebuild : SqliteFixture {
  std::string path;

  void SetUp() override {
    SqliteFixture::SetUp();
    path = freshPath("rebuild.db");
    ASSERT_TRUE(cli(path, kSchema));
    auto db = TliteDB::create();  // a table as our own builder writes it: backticks, DATETIME default
    ASSERT_TRUE(db->setfile(path));
    db->startTable("own");
    db->addField("a", ftString);
    db->addField("b", ftInteger, "3");
    db->addField("c", ftDateTime);
    ASSERT_GE(db->finishTable(), 0);
    ASSERT_TRUE(db->ExecSQL("INSERT INTO own(a, b, c) VALUES ('x', NULL, 'then'), (NULL, 2, NULL)"));
  }

  // What the tool sees of a table: integrity, columns (name, type, not null, default, key),
  // indices and triggers, the untouched tables, and every value with its storage class (or only
  // the class, for values made from the clock).
  static std::string state(const std::string& file, const std::string& table, bool exactValues = true) {
    std::string sql = "PRAGMA integrity_check;"
                      "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info('" + table + "');"
                      "SELECT type, name FROM sqlite_master WHERE type IN ('index', 'trigger') AND tbl_name = '" +
                      table + "' ORDER BY name;"
                      "SELECT * FROM other; SELECT * FROM t1_backup; SELECT count(*) FROM v;";
    std::string columns = cliQuery(file, "SELECT name FROM pragma_table_info('" + table + "');");
    for (size_t at = 0; at < columns.size();) {
      size_t end = columns.find('\n', at);
      if (end == std::string::npos) end = columns.size();
      sql += valuesQuery(table, columns.substr(at, end - at), exactValues);
      at = end + 1;
    }
    return cliQuery(file, sql);
  }
  // One line: the column's values, each with its row id and storage class.
  static std::string valuesQuery(const std::string& table, const std::string& column, bool exact) {
    std::string c = "\"" + column + "\"";
    std::string what = exact ? "typeof(" + c + ") || ':' || quote(" + c + ")" : "typeof(" + c + ")";
    return "SELECT group_concat(v, ' ') FROM (SELECT ROWID || '=' || " + what + " AS v FROM \"" + table +
           "\" ORDER BY ROWID);";
  }
  static std::string values(const std::string& file, const std::string& table, const std::string& column) {
    return cliQuery(file, valuesQuery(table, column, true));
  }
  static std::string columns(const std::string& file, const std::string& table) {
    return cliQuery(file, "SELECT group_concat(name, ',') FROM pragma_table_info('" + table + "');");
  }
  static std::string indices(const std::string& file, const std::string& table) {
    return cliQuery(file, "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type IN "
                          "('index', 'trigger') AND tbl_name = '" + table + "' AND sql IS NOT NULL ORDER BY name);");
  }
};

struct Edit {
  const char* name;
  std::function<bool(TliteDB&)> op;
  const char* table;
  const char* columns;  // afterwards, in order
  const char* indices;  // and triggers, by name
  std::vector<std::pair<const char*, const char*>> kept;  // column before, column after: same values
  bool exactValues = true;
};

const std::vector<Edit>& edits() {
  static const std::vector<Edit> list = {
      {"insert first", [](TliteDB& d) { return d.insertField("t", "extra", ftInteger, 0, "7", 0); }, "t",
       "extra,id,name, full,price,stamp,note,pic", "t_name,t_note,t_price",
       {{"id", "id"}, {"name, full", "name, full"}, {"price", "price"}, {"stamp", "stamp"}, {"note", "note"}, {"pic", "pic"}}},
      {"insert a clock default last", [](TliteDB& d) { return d.insertField("t", "made", ftDateTime, -1, "", 0); }, "t",
       "id,name, full,price,stamp,note,pic,made", "t_name,t_note,t_price", {{"note", "note"}, {"pic", "pic"}}, false},
      {"insert beyond the end", [](TliteDB& d) { return d.insertField("t", "tail", ftString, 99, "", 0); }, "t",
       "id,name, full,price,stamp,note,pic,tail", "t_name,t_note,t_price", {{"price", "price"}, {"note", "note"}}},
      {"swap", [](TliteDB& d) { return d.swapColumns("t", "PRICE", "note"); }, "t", "id,name, full,note,stamp,price,pic",
       "t_name,t_note,t_price", {{"price", "price"}, {"note", "note"}, {"stamp", "stamp"}, {"name, full", "name, full"}}},
      {"delete an indexed, checked column", [](TliteDB& d) { return d.DeleteColumn("t", "price"); }, "t",
       "id,name, full,stamp,note,pic", "t_name,t_note", {{"note", "note"}, {"pic", "pic"}, {"stamp", "stamp"}}},
      {"delete two", [](TliteDB& d) { return d.DeleteColumns("t", "note | \"pic\""); }, "t", "id,name, full,price,stamp",
       "t_price", {{"price", "price"}, {"name, full", "name, full"}}},
      {"delete a plain column", [](TliteDB& d) { return d.DeleteColumn("t", "pic"); }, "t",
       "id,name, full,price,stamp,note", "t_name,t_note,t_price", {{"note", "note"}}},
      {"rename", [](TliteDB& d) { return d.renameColumn("t", "note", "remark"); }, "t",
       "id,name, full,price,stamp,remark,pic", "t_name,t_note,t_price", {{"note", "remark"}, {"price", "price"}}},
      {"reorder and drop", [](TliteDB& d) {
         TStringList w;
         for (const char* c : {"pic", "nosuch", "ID", "note"}) w.add(c);
         return d.ReorderColumns("t", w);
       }, "t", "pic,id,note", "t_note", {{"pic", "pic"}, {"id", "id"}, {"note", "note"}}},
      {"own table: insert in the middle", [](TliteDB& d) { return d.insertField("own", "m", ftDouble, 1, "", 0); }, "own",
       "a,m,b,c", "", {{"a", "a"}, {"b", "b"}, {"c", "c"}}},
      {"own table: swap", [](TliteDB& d) { return d.swapColumns("own", "a", "c"); }, "own", "c,b,a", "",
       {{"a", "a"}, {"b", "b"}, {"c", "c"}}},
  };
  return list;
}

TEST_F(Rebuild, EditsKeepDefinitionsIndicesAndValues) {
  for (const Edit& e : edits()) {
    const std::string file = copyOf(path, "edit.db");
    {
      auto db = TliteDB::create();
      ASSERT_TRUE(db->setfile(file));
      messages.clear();
      EXPECT_TRUE(e.op(*db)) << e.name;
      EXPECT_TRUE(messages.empty()) << e.name << ": " << (messages.empty() ? "" : messages[0]);
    }
    EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check;"), "ok") << e.name;
    EXPECT_EQ(columns(file, e.table), e.columns) << e.name;
    EXPECT_EQ(indices(file, e.table), e.indices) << e.name;
    for (const auto& [before, after] : e.kept) {
      EXPECT_EQ(values(file, e.table, after), values(path, e.table, before)) << e.name << ": " << before;
    }
    EXPECT_EQ(cliQuery(file, "SELECT * FROM other; SELECT * FROM t1_backup; SELECT count(*) FROM v;"), "keep\nmine\n3")
        << e.name;
  }
}

TEST_F(Rebuild, DefinitionsSurviveAsWritten) {
  const std::string file = copyOf(path, "defs.db");
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(file));
  ASSERT_TRUE(db->insertField("t", "extra", ftInteger, 1, "", 0));
  ASSERT_TRUE(db->insertField("own", "first", ftString, 0, "it's", 0));
  const std::string schema = cliQuery(file, ".schema t");
  for (const char* part : {"[name, full] TEXT NOT NULL DEFAULT 'a,b'", "`price` DECIMAL(10,2) CHECK (price >= 0)",
                           "'stamp' DATETIME DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now'))",
                           "CHECK (length(\"name, full\") < 100)", "CREATE INDEX t_price ON t(price);",
                           "CREATE UNIQUE INDEX t_name ON t(\"name, full\", note);", "CREATE TRIGGER t_note"})
    EXPECT_NE(schema.find(part), std::string::npos) << part << " not in\n" << schema;
  EXPECT_EQ(cliQuery(file, "SELECT name, dflt_value FROM pragma_table_info('own');"),
            "first|'it''s'\na|\nb|3\nc|strftime('%Y-%m-%dT%H:%M:%fZ','now')");
  // The constraints still hold.
  messages.clear();
  EXPECT_FALSE(db->ExecSQL("INSERT INTO t(id, \"name, full\", price) VALUES (20, 'D', -1)"));
  EXPECT_TRUE(db->ExecSQL("INSERT INTO t(id, \"name, full\", note) VALUES (21, 'Ann', 'z')"));
  EXPECT_FALSE(db->ExecSQL("INSERT INTO t(id, \"name, full\", note) VALUES (22, 'Ann', 'z')"));  // unique index
  EXPECT_EQ(cliQuery(file, "INSERT INTO t(id, \"name, full\") VALUES (30, 'E'); SELECT \"name, full\", price FROM t WHERE id = 30;"),
            "E|");
}

TEST_F(Rebuild, RefusalsChangeNothing) {
  const std::string before = dump(path);
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  TStringList none;
  none.add("nosuch");
  EXPECT_FALSE(db->renameColumn("t", "note", "PIC"));
  EXPECT_FALSE(db->renameColumn("t", "nosuch", "x"));
  EXPECT_FALSE(db->renameColumn("nosuch", "a", "b"));
  EXPECT_FALSE(db->DeleteColumns("t", "x|y"));
  EXPECT_FALSE(db->DeleteColumn("t", "nosuch"));
  EXPECT_FALSE(db->DeleteColumns("own", "a|b|c"));  // a table keeps one column
  EXPECT_FALSE(db->swapColumns("t", "note", "nosuch"));
  EXPECT_FALSE(db->ReorderColumns("t", none));
  EXPECT_FALSE(db->insertField("t", "NOTE", ftString, 0, "", 0));
  EXPECT_FALSE(db->insertField("nosuch", "x", ftString, 0, "", 0));
  EXPECT_FALSE(db->copyTable("t", "T"));
  EXPECT_FALSE(db->copyTable("nosuch", "u"));
  db.reset();
  EXPECT_EQ(dump(path), before);
}

TEST_F(Rebuild, AFailureAtAnyStepUndoesTheWholeEdit) {
  const std::string before = dump(path);
  for (const Edit& e : edits()) {
    const std::string clean = copyOf(path, "clean.db");
    {
      auto db = TliteDB::create();
      ASSERT_TRUE(db->setfile(clean));
      ASSERT_TRUE(e.op(*db)) << e.name;
    }
    const std::string expected = state(clean, e.table, e.exactValues);
    const int failures = forEachFailingStep(path, e.op, [&](const std::string& file, bool ok, int step) {
      if (ok) EXPECT_EQ(state(file, e.table, e.exactValues), expected) << e.name << " failing at step " << step;
      else EXPECT_EQ(dump(file), before) << e.name << " failing at step " << step;
    });
    EXPECT_GT(failures, 0) << e.name;
  }
}

// Inside the caller's transaction an edit is a savepoint: its failure undoes the edit only.
TEST_F(Rebuild, AnEditInTheCallersTransactionUndoesOnlyItself) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(db->beginUpdate());
  ASSERT_TRUE(db->ExecSQL("INSERT INTO other VALUES ('mine too')"));
  StepFailure::arm(12);  // after the old table is dropped
  EXPECT_FALSE(db->insertField("t", "extra", ftInteger, 0, "", 0));
  EXPECT_TRUE(StepFailure::fired);
  StepFailure::disarm();
  EXPECT_TRUE(db->inTransaction());
  EXPECT_TRUE(db->swapColumns("t", "note", "pic"));
  ASSERT_TRUE(db->endUpdate());
  EXPECT_EQ(cliQuery(path, "SELECT * FROM other;"), "keep\nmine too");
  EXPECT_EQ(columns(path, "t"), "id,name, full,price,stamp,pic,note");
  EXPECT_EQ(cliQuery(path, "PRAGMA integrity_check;"), "ok");
}

TEST_F(Rebuild, CreationTextOfWantedColumns) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE q(\"a\" TEXT, \"b\" INTEGER, [c] REAL)"));
  TStringList wanted;
  wanted.add("c");
  wanted.add("nosuch");
  wanted.add("A");
  EXPECT_EQ(db->TableCreationStr("q", wanted), "CREATE TABLE `q` ([c] REAL,\r\"a\" TEXT)");
  TStringList none;
  none.add("x");
  EXPECT_EQ(db->TableCreationStr("q", none), "");
}

TEST_F(Rebuild, TablesCopyWholeByConditionOrByColumns) {
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  EXPECT_TRUE(db->copyTable("t", "u"));
  EXPECT_EQ(cliQuery(path, "SELECT count(*) FROM u;"), "3");
  EXPECT_EQ(values(path, "u", "pic"), values(path, "t", "pic"));
  EXPECT_EQ(values(path, "u", "price"), values(path, "t", "price"));
  EXPECT_GE(db->tables().indexOf("u"), 0);
  EXPECT_TRUE(db->copyTable("t", "u", TwhereClause("id > 4")));  // replaces u
  EXPECT_EQ(cliQuery(path, "SELECT group_concat(id) FROM u;"), "5,9");
  TStringList wanted;
  wanted.add("note");
  wanted.add("ID");
  EXPECT_TRUE(db->copyTable("t", "w", TwhereClause::equals("name, full", "Ann"), wanted));
  EXPECT_EQ(columns(path, "w"), "note,id");
  EXPECT_EQ(cliQuery(path, "SELECT typeof(note), id FROM w;"), "null|1");
  EXPECT_TRUE(db->copyTableStructure("t", "empty"));
  EXPECT_EQ(cliQuery(path, "SELECT count(*) FROM empty;"), "0");
  EXPECT_EQ(columns(path, "empty"), columns(path, "t"));

  // Into an attached database.
  const std::string second = freshPath("second.db");
  ASSERT_TRUE(db->ExecSQL("ATTACH DATABASE '" + second + "' AS newdb", {}, false));
  EXPECT_TRUE(db->copyTable("t", "newdb.'t'"));
  EXPECT_EQ(cliQuery(second, "SELECT count(*) FROM t;"), "3");
  EXPECT_EQ(values(second, "t", "pic"), values(path, "t", "pic"));
  EXPECT_EQ(cliQuery(path, "SELECT * FROM other; SELECT * FROM t1_backup;"), "keep\nmine");
}

// Hostile names and values through every operation; a second table comes out untouched.
TEST_F(Rebuild, HostileNamesReachNothingElse) {
  const std::string file = freshPath("hostile.db");
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(file));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE other(x)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO other VALUES ('keep')"));
  const std::string table = "t`]\"'; DROP TABLE other;--";
  const std::string col = "c`o\"l]'; x";
  const std::string value = std::string("v'\"`]; DROP TABLE other;\0--", 27) + std::string(5000, 'z');
  TStringList fields;
  fields.add(col, reinterpret_cast<void*>(static_cast<intptr_t>(ftString)));
  fields.add("n", reinterpret_cast<void*>(static_cast<intptr_t>(ftInteger)));
  ASSERT_TRUE(db->createTable(table, fields));
  TStringList cols, vals;
  cols.add(col);
  cols.add("n");
  vals.add(value);
  vals.add("1");
  EXPECT_TRUE(db->addnewRows(table, cols, vals));
  EXPECT_TRUE(db->addnewRow(table, TsqlParams{TsqlParam::ofText(value), TsqlParam::ofInt(2)}));
  EXPECT_TRUE(db->getColumnValue(table, col, TwhereClause::equals("n", 2)) == value);
  EXPECT_TRUE(db->swapRows(table, 1, 2));
  EXPECT_TRUE(db->insertField(table, col + "2", ftString, 0, "d'\"`]; x", 0));
  EXPECT_TRUE(db->swapColumns(table, col, "n"));
  EXPECT_TRUE(db->renameColumn(table, col + "2", col + "3"));
  EXPECT_TRUE(db->SaveAsCSV(freshPath("hostile.csv"), table, TwhereClause::equals(col, value)));
  EXPECT_TRUE(db->copyTable(table, table + "copy"));
  EXPECT_TRUE(db->DeleteColumn(table, col));
  EXPECT_TRUE(db->Delete(table, TwhereClause::equals("n", 1)));
  EXPECT_TRUE(db->getColumnValue(table, col + "3", TwhereClause::equals("n", 2)) == "d'\"`]; x");
  EXPECT_EQ(db->GetRowCount(table + "copy"), 2);

  // A name holding NUL cannot reach the engine whole: every operation refuses it.
  const std::string nul("other\0; DROP TABLE other", 24);
  messages.clear();
  EXPECT_FALSE(db->createTable(nul, fields));
  EXPECT_FALSE(db->addnewRows(nul, cols, vals));
  EXPECT_FALSE(db->insertField(nul, "x", ftString, 0, "", 0));
  EXPECT_FALSE(db->renameColumn(table, "n", nul));
  EXPECT_FALSE(db->copyTable(table, nul));
  EXPECT_FALSE(db->Delete(nul, {}));
  EXPECT_FALSE(messages.empty());
  db.reset();
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check; SELECT * FROM other;"), "ok\nkeep");
}
// A rebuild drops only what uses the deleted column, however the table and the others are named.
TEST_F(Rebuild, DeletingAColumnKeepsUnrelatedIndicesAndTriggers) {
  const std::string file = freshPath("size.db");
  ASSERT_TRUE(cli(file,
                  "CREATE TABLE size (id INTEGER PRIMARY KEY, size TEXT UNIQUE, name TEXT, kind INTEGER);"
                  "CREATE INDEX size_name ON size(name);"
                  "CREATE INDEX size_kind ON size(kind DESC);"
                  "CREATE INDEX by_length ON size(length(size));"
                  "CREATE INDEX named_when_sized ON size(name) WHERE size IS NOT NULL;"
                  "CREATE INDEX kind_when_named ON size(kind) WHERE name <> 'size';"
                  "CREATE TABLE log (what TEXT);"
                  "CREATE TRIGGER size_added AFTER INSERT ON size BEGIN INSERT INTO log VALUES (new.name); END;"
                  "CREATE TRIGGER size_seen AFTER UPDATE OF size ON size BEGIN INSERT INTO log VALUES ('x'); END;"
                  "INSERT INTO size (size, name, kind) VALUES ('L', 'shirt', 1), ('M', 'cap', 2);"));
  auto indices = [&] {
    return cliQuery(file, "SELECT group_concat(name, ',') FROM (SELECT name FROM pragma_index_list('size') "
                          "WHERE origin = 'c' ORDER BY name);");
  };
  auto triggers = [&] {
    return cliQuery(file, "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'trigger' ORDER BY name);");
  };
  EXPECT_EQ(indices(), "by_length,kind_when_named,named_when_sized,size_kind,size_name");
  {
    auto db = TliteDB::create();
    ASSERT_TRUE(db->setfile(file));
    EXPECT_TRUE(db->DeleteColumn("size", "size"));
  }
  EXPECT_EQ(columns(file, "size"), "id,name,kind");
  EXPECT_EQ(indices(), "kind_when_named,size_kind,size_name");
  EXPECT_EQ(triggers(), "size_added");
  EXPECT_EQ(cliQuery(file, "PRAGMA integrity_check; SELECT group_concat(name) FROM (SELECT name FROM size ORDER BY id);"), "ok\nshirt,cap");
}

}  // namespace
