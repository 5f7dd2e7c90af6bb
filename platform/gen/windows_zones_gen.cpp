// Writes what ICU knows of the Windows zone names as C++ tables for platform/timezones.cpp: each
// Windows zone with its IANA zones (the zone of territory 001 first), the English exemplar city of
// each of those IANA zones, and the Windows zone of every zone name ICU knows, aliases included.
// Run at build time, so that the programs need no ICU to build their zone table at start.
#include <unicode/locid.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>
#include <unicode/tznames.h>
#include <unicode/uclean.h>
#include <unicode/ures.h>
#include <unicode/uvernum.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {
std::string utf8(const icu::UnicodeString& u) {
  std::string s;
  u.toUTF8String(s);
  return s;
}

// A C++ string literal: bytes outside printable ASCII as three-digit octal escapes.
std::string literal(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", c);
      out += esc;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

struct Zone {
  std::string keyName;
  std::vector<std::string> ianaIds;
};

bool readWindowsZones(std::vector<Zone>& out) {
  UErrorCode status = U_ZERO_ERROR;
  UResourceBundle* top = ures_openDirect(nullptr, "windowsZones", &status);
  UResourceBundle* map = ures_getByKey(top, "mapTimezones", nullptr, &status);
  const bool ok = U_SUCCESS(status);
  while (ok && ures_hasNext(map)) {
    UErrorCode st = U_ZERO_ERROR;
    UResourceBundle* zone = ures_getNextResource(map, nullptr, &st);
    if (U_FAILURE(st)) {
      ures_close(zone);
      break;
    }
    Zone w;
    w.keyName = ures_getKey(zone);
    std::vector<std::string> golden, others;
    while (ures_hasNext(zone)) {
      UErrorCode s2 = U_ZERO_ERROR;
      int32_t len = 0;
      const char* region = nullptr;
      const UChar* ids = ures_getNextString(zone, &len, &region, &s2);
      if (U_FAILURE(s2) || !ids) continue;
      const std::string list = utf8(icu::UnicodeString(ids, len));
      auto& dest = region && std::string(region) == "001" ? golden : others;
      size_t p = 0;
      while (p < list.size()) {
        size_t q = list.find(' ', p);
        if (q == std::string::npos) q = list.size();
        if (q > p) dest.push_back(list.substr(p, q - p));
        p = q + 1;
      }
    }
    ures_close(zone);
    for (auto& id : golden) w.ianaIds.push_back(id);
    for (auto& id : others)
      if (std::find(w.ianaIds.begin(), w.ianaIds.end(), id) == w.ianaIds.end()) w.ianaIds.push_back(id);
    if (!w.ianaIds.empty()) out.push_back(std::move(w));
  }
  ures_close(map);
  ures_close(top);
  return ok && !out.empty();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: windows_zones_gen OUTPUT\n");
    return 2;
  }
  std::vector<Zone> zones;
  if (!readWindowsZones(zones)) {
    std::fprintf(stderr, "windows_zones_gen: ICU has no windowsZones table\n");
    return 1;
  }
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::TimeZoneNames> names(icu::TimeZoneNames::createInstance(icu::Locale::getEnglish(), status));
  if (U_FAILURE(status) || !names) {
    std::fprintf(stderr, "windows_zones_gen: ICU has no English zone names\n");
    return 1;
  }
  std::map<std::string, std::string> cities;  // ordered by id, as the lookup expects
  for (const auto& z : zones)
    for (const auto& id : z.ianaIds) {
      icu::UnicodeString city;
      names->getExemplarLocationName(icu::UnicodeString::fromUTF8(id), city);
      if (!city.isBogus() && !city.isEmpty()) cities[id] = utf8(city);
    }
  std::map<std::string, std::string> windowsOf;
  std::unique_ptr<icu::StringEnumeration> all(icu::TimeZone::createEnumeration(status));
  if (U_FAILURE(status) || !all) {
    std::fprintf(stderr, "windows_zones_gen: ICU lists no zones\n");
    return 1;
  }
  while (const icu::UnicodeString* id = all->snext(status)) {
    if (U_FAILURE(status)) break;
    UErrorCode st = U_ZERO_ERROR;
    icu::UnicodeString win;
    icu::TimeZone::getWindowsID(*id, win, st);
    if (U_SUCCESS(st) && !win.isBogus() && !win.isEmpty()) windowsOf[utf8(*id)] = utf8(win);
  }
  names.reset();
  all.reset();

  // Written beside the output and renamed over it: a failed run leaves no half table behind.
  const std::string target = argv[1], part = target + ".part";
  std::FILE* out = std::fopen(part.c_str(), "w");
  if (!out) {
    std::perror(part.c_str());
    return 1;
  }
  std::fprintf(out, "// Made by windows_zones_gen from ICU %s at build time.\n", U_ICU_VERSION);
  std::fprintf(out, "constexpr TwindowsZoneRow kWindowsZoneRows[] = {\n");
  for (const auto& z : zones) {
    std::string ids;
    for (const auto& id : z.ianaIds) ids += (ids.empty() ? "" : " ") + id;
    std::fprintf(out, "    {%s, %s},\n", literal(z.keyName).c_str(), literal(ids).c_str());
  }
  std::fprintf(out, "};\nconstexpr TzonePair kExemplarCities[] = {\n");
  for (const auto& [id, city] : cities) std::fprintf(out, "    {%s, %s},\n", literal(id).c_str(), literal(city).c_str());
  std::fprintf(out, "};\nconstexpr TzonePair kWindowsZoneOf[] = {\n");
  for (const auto& [id, win] : windowsOf) std::fprintf(out, "    {%s, %s},\n", literal(id).c_str(), literal(win).c_str());
  std::fprintf(out, "};\n");
  u_cleanup();
  const bool written = !std::ferror(out);
  if (std::fclose(out) != 0 || !written || std::rename(part.c_str(), target.c_str()) != 0) {
    std::perror(target.c_str());
    std::remove(part.c_str());
    return 1;
  }
  return 0;
}
