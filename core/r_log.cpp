// The run log: see r_log.h. Lines are written as UTF-8 text with CR LF line ends.
#include "core/r_log.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/r_base.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"

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

// Age of an archived log: its birth, where the file system keeps it (every save rewrites the
// file, so its last write only tells when its program last ran), else its last write.
double fileBornSeconds(const std::string& path) {
  platform::TDateTime created = 0, accessed = 0, written = 0;
  return platform::fileTimes(path, created, accessed, written) ? platform::toUnixSeconds(created) : 0.0;
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
  if (dir.empty()) dir = platform::documentsFolder() + "Ombrant/";
  if (dir.back() != '/') dir += '/';
  logdir = dir;
  logcnt = platform::tickCount();
  startTime = startTimeText(platform::nowLocal());
  list->add(userName + " " + platform::exePath() + "  " + startTime);
}

Tlog::~Tlog() {
  if (list) {
    save();
    return;
  }
  log("finishing log");
  std::error_code ec;
  std::filesystem::copy_file(fname, fileName(), std::filesystem::copy_options::overwrite_existing, ec);
}

std::string Tlog::fileName() const { return logdir + logname + ".txt"; }

void Tlog::log(const std::string& s) {
  // Unsigned difference: the tick count wrapping after 49.7 days still gives a small count.
  uint32_t ms = platform::tickCount() - logcnt;
  std::string line = std::to_string(ms) + " " + s;
  if (!list) {
    // File mode: appended with the same line end as the list form.
    if (FILE* f = std::fopen(fname.c_str(), "ab")) {
      line += "\r\n";
      std::fwrite(line.data(), 1, line.size(), f);
      std::fclose(f);
    }
    return;
  }
  list->add(line);
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
  if (!list) return;
  list->saveToFile(fileName());  // a log that cannot be written stays in memory
  if (!fuserDir.empty()) list->saveToFile(fuserDir + userName + " " + startTime + ".txt");
}

void Tlog::saveTo(const std::string& filename) const {
  if (list) list->saveToFile(filename);
}

void Tlog::setFilename(const std::string& name) {
  if (!list) return;
  list->saveToFile(name);
  list.reset();
  fname = name;
}

void Tlog::setUserDir(const std::string& folder) {
  fuserDir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  if (fuserDir.empty()) return;
  const double now = platform::toUnixSeconds(platform::nowUTC());
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(fuserDir, ec)) {
    if (!e.is_regular_file(ec) || !platform::sameNoCase(e.path().extension().string(), ".txt")) continue;
    if (fileBornSeconds(e.path().string()) + limit * 86400.0 < now) std::filesystem::remove(e.path(), ec);
  }
}

void log(const std::string& s) {
  logging = true;
  if (!logObject) {
    std::string dir = loggingdir.empty() && os ? os->configdir() : loggingdir;
    // A second instance keeps its log apart, below the configuration folder.
    if (instanceID > 0 && os) dir = os->configdir() + "instance " + std::to_string(instanceID) + "/";
    logObject = std::make_unique<Tlog>(dir);
    logObject->saveEachTime = true;
    logObject->log(platform::exePath() + "  compiled:" + fileTimeText(platform::exePath()));
  }
  logObject->log(s);
}

void freeLog() { logObject.reset(); }
