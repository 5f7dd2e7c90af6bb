// The run log: `logname` + ".txt" in the configuration folder, one line per event with the
// milliseconds since the log opened, rewritten whole after every line and purged beyond 1000 lines.
// The main program keeps "log.txt"; the wall clock sets its own `logname` before it creates `os`,
// so that neither program erases the other's log.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TStringList.h"

class Tlog {
 public:
  explicit Tlog(std::string logdir);  // empty: the documents folder + "Ombrant/"
  ~Tlog();
  Tlog(const Tlog&) = delete;
  Tlog& operator=(const Tlog&) = delete;

  void log(const std::string& s);
  // Writes the list to the log file and, with an archive folder, to a file named by the user
  // and the start time there; failures leave the lines in memory for the next save.
  void save();
  void saveTo(const std::string& filename) const;
  void takebreath() {}
  [[nodiscard]] int lineCount() const { return list ? list->count() : 0; }
  [[nodiscard]] const TStringList* lines() const { return list.get(); }
  [[nodiscard]] std::string fileName() const;

  // File mode: the lines so far go to that file and every later line is appended to it.
  [[nodiscard]] const std::string& filename() const { return fname; }
  void setFilename(const std::string& name);
  // Archive folder: its text files born more than `limit` days ago (last written, where the file
  // system keeps no birth time) are deleted when it is set.
  [[nodiscard]] const std::string& userDir() const { return fuserDir; }
  void setUserDir(const std::string& folder);

  uint32_t logcnt = 0;
  double limit = 30;
  std::string userName;
  std::string startTime;
  std::string logdir;
  bool saveEachTime = false;

 private:
  std::string fname;
  std::string fuserDir;
  std::unique_ptr<TStringList> list;  // unset in file mode
};

// Module variables: the log of the program, its folder (empty: the configuration folder) and
// its base name. Each program names its own log so the main program and the wall clock never
// erase each other's.
extern std::unique_ptr<Tlog> logObject;
extern std::string loggingdir;
extern std::string logname;
// The wall clock's log name.
inline constexpr char kSaverLogName[] = "saverlog";

// The entry point for all log lines; creates the log on first use.
void log(const std::string& s);
// Frees the log (writing it a last time).
void freeLog();
