// The run log: "log.txt" in the configuration folder, one line per event with the milliseconds
// since the log opened, rewritten whole after every line and purged beyond 1000 lines.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TStringList.h"

class Tlog {
 public:
  explicit Tlog(std::string logdir);
  ~Tlog();
  Tlog(const Tlog&) = delete;
  Tlog& operator=(const Tlog&) = delete;

  void log(const std::string& s);
  void save();
  void saveTo(const std::string& filename) const;
  void takebreath() {}
  [[nodiscard]] int lineCount() const { return list ? list->count() : 0; }
  [[nodiscard]] const TStringList* lines() const { return list.get(); }
  [[nodiscard]] std::string fileName() const;

  uint32_t logcnt = 0;
  double limit = 30;
  std::string userName;
  std::string startTime;
  std::string logdir;
  bool saveEachTime = false;

 private:
  std::unique_ptr<TStringList> list;
};

// Module variables: the log of the program, its folder (empty: the configuration folder) and
// its base name. Each program names its own log so the main program and the wall clock never
// erase each other's.
extern std::unique_ptr<Tlog> logObject;
extern std::string loggingdir;
extern std::string logname;

// The entry point for all log lines; creates the log on first use.
void log(const std::string& s);
// Frees the log (writing it a last time).
void freeLog();
