// The run log: see r_log.h. Lines are written as UTF-8 text with CR LF line ends.
#include "core/r_log.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "core/r_base.h"
#include "platform/datetime.h"
#include "platform/process.h"

std::unique_ptr<Tlog> logObject;
std::string loggingdir;
std::string logname = "log";

namespace {
constexpr int kPurgeAbove = 1000;   // lines kept before a purge
constexpr int kPurgeKeepFrom = 800; // index of the first line kept after a purge

std::string two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// year-month-day hour-minute-second, local time
std::string startTimeText(platform::TDateTime local) {
  auto p = platform::decodeDateTime(local);
  return std::to_string(p.year) + "-" + two(p.month) + "-" + two(p.day) + " " + two(p.hour) + "-" +
         two(p.minute) + "-" + two(p.second);
}

std::string fileTimeText(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "";
  double utc = platform::fromUnixSeconds(static_cast<double>(st.st_mtime));
  auto p = platform::decodeDateTime(utc + platform::localOffsetMinutes(utc) / 1440.0);
  return two(p.day) + "/" + two(p.month) + "/" + std::to_string(p.year) + " " + two(p.hour) + ":" +
         two(p.minute) + ":" + two(p.second);
}
}  // namespace

Tlog::Tlog(std::string dir) : list(std::make_unique<TStringList>()) {
  userName = platform::userName();
  if (dir.empty()) dir = os ? os->documents + "Ombrant/" : std::string("./");
  if (dir.back() != '/') dir += '/';
  logdir = dir;
  logcnt = platform::tickCount();
  startTime = startTimeText(platform::nowLocal());
  list->add(userName + " " + platform::exePath() + "  " + startTime);
}

Tlog::~Tlog() {
  if (list) save();
}

std::string Tlog::fileName() const { return logdir + logname + ".txt"; }

void Tlog::log(const std::string& s) {
  // Unsigned difference: the tick count wrapping after 49.7 days still gives a small count.
  uint32_t ms = platform::tickCount() - logcnt;
  list->add(std::to_string(ms) + " " + s);
  if (saveEachTime) save();
  if (list->count() > kPurgeAbove) {
    auto purged = std::make_unique<TStringList>();
    purged->add((*list)[0]);
    if (list->count() > 1) purged->add((*list)[1]);
    purged->add("purged");
    for (int i = kPurgeKeepFrom; i < list->count(); ++i) purged->add((*list)[i]);
    list = std::move(purged);
  }
}

void Tlog::save() {
  if (list) list->saveToFile(fileName());  // a log that cannot be written stays in memory
}

void Tlog::saveTo(const std::string& filename) const {
  if (list) list->saveToFile(filename);
}

void log(const std::string& s) {
  logging = true;
  if (!logObject) {
    std::string dir = loggingdir;
    if (dir.empty() && os) {
      dir = os->configdir();
      if (instanceID > 0) dir += "instance " + std::to_string(instanceID) + "/";
    }
    logObject = std::make_unique<Tlog>(dir);
    logObject->saveEachTime = true;
    logObject->log(platform::exePath() + "  compiled:" + fileTimeText(platform::exePath()));
  }
  logObject->log(s);
}

void freeLog() { logObject.reset(); }
