// Shared fixture of the SQLite tests: the services object, a collector of the messages that
// would reach a message box, fresh database paths in the test's temporary folder, and the
// command-line tool for files made outside our code.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/r_base.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

struct SqliteFixture : ::testing::Test {
  std::vector<std::string> messages;

  void SetUp() override {
    createOs();
    messages.clear();
    storageMessageBox = [this](const std::string& s) { messages.push_back(s); };
  }
  void TearDown() override {
    storageMessageBox = nullptr;
    if (q) q->bindLinkedLibrary();
    freeOs();
  }

  // A path that does not exist yet.
  static std::string freshPath(const std::string& name) {
    static int n = 0;
    return testenv::tempDir() + "db" + std::to_string(++n) + "_" + name;
  }

  // Runs the command-line tool on a database; true when it succeeded.
  static bool cli(const std::string& file, const std::string& sql) {
    std::string script = freshPath("script.sql");
    FILE* f = std::fopen(script.c_str(), "w");
    std::fputs(sql.c_str(), f);
    std::fclose(f);
    std::string cmd = "sqlite3 -batch '" + file + "' < '" + script + "' > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  }
  // The tool's answer to a query, rows separated by newlines.
  static std::string cliQuery(const std::string& file, const std::string& sql) {
    std::string out = freshPath("out.txt");
    std::string script = freshPath("script.sql");
    FILE* f = std::fopen(script.c_str(), "w");
    std::fputs(sql.c_str(), f);
    std::fclose(f);
    std::string cmd = "sqlite3 -batch '" + file + "' < '" + script + "' > '" + out + "' 2>&1";
    (void)std::system(cmd.c_str());
    std::string text = testenv::readFile(out);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  // The tool's full text dump of a database (schema and rows).
  static std::string dump(const std::string& file) { return cliQuery(file, ".dump"); }

  // A copy of a database file under a fresh name.
  static std::string copyOf(const std::string& file, const std::string& name) {
    return testenv::writeFile(freshPath(name).substr(testenv::tempDir().size()), testenv::readFile(file));
  }

  // Runs `op` on fresh copies of `file` with a failure forced at its step 1, 2, ... until a run
  // reaches no forced failure; `check` sees each copy with the result. Gives the failed runs.
  static int forEachFailingStep(const std::string& file, const std::function<bool(TliteDB&)>& op,
                                const std::function<void(const std::string& copy, bool ok, int step)>& check);

  static std::unique_ptr<TliteDB> openNew(const std::string& name) {
    auto db = TliteDB::create();
    db->setfile(freshPath(name));
    return db;
  }
};

// Makes the n-th statement prepared or run through the binding from now on fail (1 the first),
// as the engine fails a statement it refuses; the fixture's TearDown binds the library again.
struct StepFailure {
  static inline TsqliteEntries original;
  static inline int countdown = 0;
  static inline bool fired = false;

  static bool failNow() {
    if (countdown <= 0) return false;
    fired = --countdown == 0;
    return fired;
  }
  static int prepare(sqlite3* db, const char* sql, int n, sqlite3_stmt** stmt, const char** tail) {
    if (failNow()) return SQLITE_ERROR;
    return original.pprepare(db, sql, n, stmt, tail);
  }
  static int exec(sqlite3* db, const char* sql, int (*cb)(void*, int, char**, char**), void* arg, char** msg) {
    if (failNow()) return SQLITE_ERROR;
    return original.pExec(db, sql, cb, arg, msg);
  }
  static void arm(int n) {
    disarm();
    original = q->e;
    countdown = n;
    fired = false;
    q->e.pprepare = &prepare;
    q->e.pExec = &exec;
  }
  static void disarm() {
    countdown = 0;
    if (q) q->bindLinkedLibrary();
  }
};

inline int SqliteFixture::forEachFailingStep(const std::string& file, const std::function<bool(TliteDB&)>& op,
                                             const std::function<void(const std::string&, bool, int)>& check) {
  int failures = 0;
  for (int step = 1;; ++step) {
    const std::string copy = copyOf(file, "forced.db");
    bool ok = false;
    {
      auto db = TliteDB::create();
      if (!db->setfile(copy)) return failures;
      StepFailure::arm(step);
      ok = op(*db);
      StepFailure::disarm();
    }
    check(copy, ok, step);
    failures += !ok;
    if (!StepFailure::fired) return failures;
  }
}
