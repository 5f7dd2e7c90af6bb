// SQLite files on any bytes: opened read-only, their tables listed and their rows read through
// the program's own column types.
#include "storage/r_Data.h"
#include "storage/r_sqlite.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = fuzzenv::putFile("input.db", data, size);
  auto db = TliteDB::createReadOnly();
  db->suppressErrorMessages = true;
  if (!db->setfile(name)) return 0;
  const TStringList tables = db->tables();
  for (int t = 0; t < tables.count() && t < 8; ++t) {
    Tcolumns columns;
    db->getColumns(tables[t], columns);
    sqlite3_stmt* stmt = db->start("SELECT * FROM \"" + tables[t] + "\" LIMIT 20");
    while (stmt && db->getnext(stmt))
      for (int c = 0; c < db->ColumnCount(stmt); ++c) (void)db->getAsStr(stmt, db->ColumnType(stmt, c), c);
    db->finish(stmt);
  }
  db->close();
  return 0;
}
