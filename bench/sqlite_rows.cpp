// Storage: writing rows one statement at a time with and without the caller's transaction, and
// reading them back through the statement cursor and its getters.
#include <benchmark/benchmark.h>

#include <cstdio>
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
}  // namespace
