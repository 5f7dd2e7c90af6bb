// Existence tests with a time limit, and the picked-files table of r_recent2.h.
// Each test runs on a detached worker that shares only a small state with the caller; a worker
// stuck on a dead mount is left to finish on its own, and at most kMaxWorkers may be stuck at once.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/r_log.h"
#include "platform/datetime.h"
#include "storage/r_sqlite.h"
#include "ui/r_recent2.h"

std::function<bool(const std::string&, int)> existenceCheck;
std::unique_ptr<Trecent2> recent2;

namespace {
constexpr int kDefaultLimitMs = 500;
constexpr int kMaxWorkers = 32;  // beyond this many hung tests, further ones answer "missing" at once
constexpr long kSlowMs = 1000;   // a call this slow is logged

std::atomic<int> gWorkers{0};

struct Answer {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool result = false;
};

bool testWithLimit(const std::string& name, int option, int timeoutMs) {
  if (gWorkers.load() >= kMaxWorkers) {
    ::log("Trecent: " + std::to_string(kMaxWorkers) + " existence tests still hang; " + name + " counts as missing");
    return false;
  }
  auto answer = std::make_shared<Answer>();
  auto check = existenceCheck;
  ++gWorkers;
  try {
    std::thread([answer, name, option, check] {
      bool r = false;
      if (check) {
        r = check(name, option);
      } else {
        Texist e;
        e.option = option;
        e.filename = name;
        e.execute();
        r = e.result;
      }
      {
        std::lock_guard<std::mutex> lock(answer->m);
        answer->done = true;
        answer->result = r;
      }
      answer->cv.notify_all();
      --gWorkers;
    }).detach();
  } catch (const std::system_error& e) {
    --gWorkers;
    ::log(std::string("Trecent: no worker for an existence test (") + e.what() + "); " + name + " counts as missing");
    return false;
  }
  std::unique_lock<std::mutex> lock(answer->m);
  answer->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs <= 0 ? kDefaultLimitMs : timeoutMs),
                      [&] { return answer->done; });
  return answer->done && answer->result;
}

bool timedTest(const std::string& name, int option, int timeoutMs) {
  const auto start = std::chrono::steady_clock::now();
  const bool r = testWithLimit(name, option, timeoutMs);
  const long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  if (ms > kSlowMs) ::log("Trecent " + name + " " + std::to_string(ms));
  return r;
}
}  // namespace

void Texist::execute() {
  result = false;
  std::error_code ec;
  const auto st = std::filesystem::status(filename, ec);
  if (ec) return;
  result = option == testFolder ? std::filesystem::is_directory(st)
                                : std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

int existWorkersRunning() { return gWorkers.load(); }

bool fileExistsEx(const std::string& name, int timeoutMs) {
  if (name.empty()) return false;
  return timedTest(name, Texist::testFile, timeoutMs);
}

bool DirectoryExistsEx(const std::string& name, int timeoutMs) {
  if (name.empty()) return false;
  std::string n = name;
  if (n.size() > 1 && (n.back() == '/' || n.back() == '\\')) n.pop_back();
  return timedTest(n, Texist::testFolder, timeoutMs);
}

// ---------------------------------------------------------------------------------------------
// Picked-files table

Trecent2::Trecent2(std::unique_ptr<TliteDB> database, int maxRows) : db(std::move(database)), max(maxRows) {}

Trecent2::~Trecent2() = default;

void Trecent2::add(const std::string& name, const std::string& table) {
  TprocScope proc(*this, "add");
  seterr("a " + name);
  if (!db || name.empty()) return;
  // Name and table are bound values, whatever quotes they hold.
  const TwhereClause where = TwhereClause::equals("name", name).andEquals("table", table);
  const std::string now = os ? os->DoubleToStrUK(platform::nowLocal(), 6) : std::to_string(platform::nowLocal());
  seterr("b");
  if (db->exists("files", where)) {
    db->setColumnValue("files", "datetime", where, now);
    return;
  }
  seterr("c");
  db->addnewRow("files", TsqlParams{TsqlParam::ofText(name), TsqlParam::ofText(table),
                                    TsqlParam::ofInt(TosFileTypes::getFileType(name)), TsqlParam::ofText(now)});
  if (max > 0) {
    seterr("d");
    // The most recent picks are kept.
    db->ExecParams("DELETE FROM files WHERE ROWID NOT IN (SELECT ROWID FROM files ORDER BY datetime DESC LIMIT ?)",
                   {TsqlParam::ofInt(max)});
  }
}
