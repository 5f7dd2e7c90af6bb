// Storage: writing rows one statement at a time with and without the caller's transaction, and
// reading them back through the statement cursor and its getters. Aims: addnewRows of 100,000
// rows of 5 columns within 1 s; SaveAsCSV of 100,000 rows within 1.2× the time of the sqlite3
// shell's -csv of the same table (bench/peers_csv_pdf.py runs both, giving the table in
// KESTROVA_BENCH_CSV_DB); a column inserted at position 0 of a 100,000-row table within 2 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "core/r_base.h"
#include "platform/folders.h"
#include "storage/r_sqlite.h"

namespace {
std::string benchFile(const char* name) {
  return platform::tempFolder() + "bench-" + std::to_string(getpid()) + "-" + name + ".db";
}

struct Services {
  Services() { createOs(); }
  ~Services() { freeOs(); }
};

void InsertRows(benchmark::State& state, bool oneTransaction) {
  Services services;
  const std::string file = benchFile(oneTransaction ? "one" : "each");
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(file.c_str());
    auto db = TliteDB::createForWriting();
    db->setfile(file);
    db->ExecSQL("CREATE TABLE t(n INTEGER, name TEXT)");
    state.ResumeTiming();
    if (oneTransaction) db->beginUpdate();
    for (int64_t i = 0; i < state.range(0); ++i)
      db->ExecParams("INSERT INTO t VALUES (?, ?)", {TsqlParam::ofInt(i), TsqlParam::ofText("place " + std::to_string(i))});
    if (oneTransaction) db->endUpdate();
  }
  std::remove(file.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_InsertInOneTransaction(benchmark::State& state) { InsertRows(state, true); }
void BM_InsertEachInItsOwn(benchmark::State& state) { InsertRows(state, false); }
BENCHMARK(BM_InsertInOneTransaction)->Arg(1000);
BENCHMARK(BM_InsertEachInItsOwn)->Arg(1000);

void BM_ReadRows(benchmark::State& state) {
  Services services;
  const std::string file = benchFile("read");
  std::remove(file.c_str());
  auto db = TliteDB::createForWriting();
  db->setfile(file);
  db->ExecSQL("CREATE TABLE t(n INTEGER, name TEXT, x DOUBLE)");
  db->beginUpdate();
  for (int64_t i = 0; i < state.range(0); ++i)
    db->ExecParams("INSERT INTO t VALUES (?, ?, ?)",
                   {TsqlParam::ofInt(i), TsqlParam::ofText("place " + std::to_string(i)), TsqlParam::ofReal(i * 0.5)});
  db->endUpdate();
  for (auto _ : state) {
    sqlite3_stmt* s = db->start("SELECT n, name, x FROM t");
    int64_t sum = 0;
    while (db->getnext(s)) sum += db->getint(s, 0) + static_cast<int64_t>(db->getstr(s, 1).size() + db->getdouble(s, 2));
    db->finish(s);
    benchmark::DoNotOptimize(sum);
  }
  db.reset();
  std::remove(file.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadRows)->Arg(10000);

// A fresh database file holding `rows` rows of five columns in table t.
std::unique_ptr<TliteDB> fiveColumns(const std::string& file, int64_t rows) {
  std::remove(file.c_str());
  auto db = TliteDB::createForWriting();
  db->setfile(file);
  db->ExecSQL("CREATE TABLE t(a TEXT, b INTEGER, c DOUBLE, d TEXT, e INTEGER)");
  TStringList columns, values;
  for (const char* c : {"a", "b", "c", "d", "e"}) columns.add(c);
  for (int64_t i = 0; i < rows; ++i) {
    values.add("place, \"" + std::to_string(i) + "\"");
    values.add(std::to_string(i));
    values.add(std::to_string(i * 0.25));
    values.add("zone " + std::to_string(i % 24));
    values.add(std::to_string(i % 7));
  }
  if (rows > 0) db->addnewRows("t", columns, values);
  return db;
}

void BM_AddnewRows(benchmark::State& state) {
  Services services;
  const std::string file = benchFile("addnewrows");
  TStringList columns, values;
  for (const char* c : {"a", "b", "c", "d", "e"}) columns.add(c);
  for (int64_t i = 0; i < state.range(0); ++i)
    for (int c = 0; c < 5; ++c) values.add(std::to_string(i * 5 + c));
  for (auto _ : state) {
    state.PauseTiming();
    auto db = fiveColumns(file, 0);
    state.ResumeTiming();
    if (!db->addnewRows("t", columns, values)) state.SkipWithError("addnewRows failed");
  }
  std::remove(file.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddnewRows)->Arg(100000)->Unit(benchmark::kMillisecond);

// Table t of the database KESTROVA_BENCH_CSV_DB names when it is set, else of a fresh one.
void BM_SaveAsCSV(benchmark::State& state) {
  Services services;
  const char* given = std::getenv("KESTROVA_BENCH_CSV_DB");
  const std::string file = given ? std::string(given) : benchFile("csv");
  const std::string csv = benchFile("csv") + ".csv";
  std::unique_ptr<TliteDB> db;
  if (given) {
    db = TliteDB::create();
    if (!db->setfile(file)) state.SkipWithError("cannot open KESTROVA_BENCH_CSV_DB");
  } else {
    db = fiveColumns(file, state.range(0));
  }
  for (auto _ : state)
    if (!db->SaveAsCSV(csv, "t", {})) state.SkipWithError("SaveAsCSV failed");
  db.reset();
  if (!given) std::remove(file.c_str());
  std::remove(csv.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveAsCSV)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_InsertFieldFirst(benchmark::State& state) {
  Services services;
  const std::string file = benchFile("insertfield");
  for (auto _ : state) {
    state.PauseTiming();
    auto db = fiveColumns(file, state.range(0));
    state.ResumeTiming();
    if (!db->insertField("t", "first", ftInteger, 0, "1", 0)) state.SkipWithError("insertField failed");
  }
  std::remove(file.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InsertFieldFirst)->Arg(100000)->Unit(benchmark::kMillisecond);
}  // namespace
