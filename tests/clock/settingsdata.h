// A small world for the Settings tab: a data folder with "places.db", "zones.db" and "words.db"
// of a few rows, a configuration folder with a "locations.ini", and a headless desktop with the
// given monitors.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "platform/windows.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace settingstest {

struct Tplace {
  const char* code;
  const char* name;
  double lng, lat;
};
// Runs of codes, the country row first; one code carries a quote.
inline const std::vector<Tplace>& places() {
  static const std::vector<Tplace> p = {
      {"NOR", "Norway", 10.75, 59.91},        {"NOR", "Bergen", 5.32, 60.39},
      {"NOR", "Tromsø", 18.96, 69.65},        {"NZL", "New Zealand", 174.78, -41.29},
      {"NZL", "Auckland", 174.76, -36.85},    {"CI'V", "Côte d'Ivoire", -4.01, 5.36},
      {"CI'V", "Abidjan", -4.03, 5.32},       {"ZZZ", "Nowhere Land", 0.5, 0.5},
  };
  return p;
}
// The Windows zone of each code; "ZZZ" has none.
inline const std::vector<std::pair<const char*, const char*>>& zones() {
  static const std::vector<std::pair<const char*, const char*>> z = {
      {"NOR", "W. Europe Standard Time"}, {"NZL", "New Zealand Standard Time"}, {"CI'V", "Greenwich Standard Time"}};
  return z;
}

inline void makeDb(const std::string& file, const std::vector<std::string>& sql) {
  std::filesystem::remove(file);
  auto db = TliteDB::createForWriting();
  db->setfile(file);
  for (const auto& s : sql) db->ExecSQL(s);
}
inline std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

// Makes the folder (below the test's temporary folder) and returns it, ending in "/".
inline std::string dataFolder(const std::string& name = "settingsdata") {
  const std::string dir = testenv::tempDir() + name + "/";
  std::filesystem::create_directories(dir);
  std::vector<std::string> p{"CREATE TABLE `places` (`code` TEXT, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)"};
  for (const auto& r : places())
    p.push_back("INSERT INTO `places` VALUES (" + quoted(r.code) + ", " + quoted(r.name) + ", " + std::to_string(r.lng) +
                ", " + std::to_string(r.lat) + ")");
  makeDb(dir + "places.db", p);
  std::vector<std::string> z{"CREATE TABLE `timezones` (`code` TEXT, `tz` TEXT)"};
  for (const auto& [code, tz] : zones()) z.push_back("INSERT INTO `timezones` VALUES (" + quoted(code) + ", " + quoted(tz) + ")");
  makeDb(dir + "zones.db", z);
  makeDb(dir + "words.db", {"CREATE TABLE `languages` (`name` TEXT, `latin` TEXT)",
                            "INSERT INTO `languages` VALUES ('Nederlands', 'yes')",
                            "INSERT INTO `languages` VALUES ('Deutsch', 'yes')"});
  return dir;
}

// Oslo (home) and Anchorage.
inline const char* twoLocations() {
  return "[settings]\r\nhome=Oslo\r\n\r\n"
         "[location 1]\r\nname=Oslo\r\nlat=59.9\r\nlong=10.75\r\nwindows name=W. Europe Standard Time\r\n\r\n"
         "[location 2]\r\nname=Anchorage\r\nlat=61.2\r\nlong=-149.9\r\nwindows name=Alaskan Standard Time\r\n"
         "hjustify=right\r\nvjustify=bottom\r\n\r\n";
}

inline platform::TDisplay display(const std::string& name, int x, int w, int h, bool primary) {
  platform::TDisplay d;
  d.name = name;
  d.box = platform::Rect(x, 0, x + w, h);
  d.workArea = d.box;
  d.modeWidth = w;
  d.modeHeight = h;
  d.primary = primary;
  return d;
}

}  // namespace settingstest
