// TdataBuilder: "places.db" (countries and their towns of 15000 people or more, from GeoNames)
// and "zones.db" (the Windows zone of each place code). A code is the country's ISO 3166
// alpha-3 code for the zone most of its towns' people live in, with 1, 2, ... added for each
// further zone; the first row of a code names the country (and that zone, when it has several).
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "data/TdataBuilder.h"
#include "data/dbwrite.h"
#include "platform/timezones.h"

namespace kdata {
namespace {
constexpr const char* kCities = "usr/share/libtimezonemap/ui/cities15000.txt";
constexpr const char* kCountries = "usr/share/libtimezonemap/ui/countryInfo.txt";

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (!out.empty() && !out.back().empty() && out.back().back() == '\r') out.back().pop_back();
  return out;
}

struct Tcity {
  std::string name;
  double lat = 0, lon = 0;
  long long population = 0;
};
struct Tgroup {
  std::string zone;  // Windows key name
  long long population = 0;
  std::vector<Tcity> cities;
};
struct Tcountry {
  std::string iso3, name, capital;
  std::map<std::string, Tgroup> zones;
};
}  // namespace

// Steps: a: countries, b: towns, c: tables.
bool TdataBuilder::buildPlaces() {
  TprocScope proc(*this, "buildPlaces");
  seterr("a");
  std::map<std::string, Tcountry> countries;  // by ISO alpha-2
  {
    std::ifstream in(froot + kCountries);
    if (!in) return fail("cannot read " + froot + kCountries);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      const auto f = splitTabs(line);
      if (f.size() < 6 || f[0].size() != 2 || f[1].size() != 3) continue;
      countries[f[0]] = Tcountry{f[1], f[4], f[5], {}};
    }
  }
  if (countries.empty()) return fail("no countries in " + froot + kCountries);

  seterr("b");
  {
    std::ifstream in(froot + kCities);
    if (!in) return fail("cannot read " + froot + kCities);
    std::string line;
    std::map<std::string, std::string> zoneOf;  // IANA -> Windows, asked once each
    while (std::getline(in, line)) {
      const auto f = splitTabs(line);
      if (f.size() < 18) continue;
      auto c = countries.find(f[8]);
      if (c == countries.end()) continue;
      auto z = zoneOf.find(f[17]);
      if (z == zoneOf.end()) z = zoneOf.emplace(f[17], platform::windowsZoneOfIana(f[17])).first;
      if (z->second.empty()) continue;  // a zone Windows does not know: no code to give it
      Tcity city{f[1], std::atof(f[4].c_str()), std::atof(f[5].c_str()), std::atoll(f[14].c_str())};
      Tgroup& g = c->second.zones[z->second];
      g.zone = z->second;
      g.population += city.population;
      g.cities.push_back(std::move(city));
    }
  }

  seterr("c");
  struct Trow {
    std::string code, name;
    double lon, lat;
  };
  std::vector<std::pair<std::string, std::string>> codes;  // code, zone
  std::vector<Trow> rows;
  for (auto& [iso2, country] : countries) {
    std::vector<Tgroup*> groups;
    for (auto& [zone, g] : country.zones) groups.push_back(&g);
    std::sort(groups.begin(), groups.end(), [](const Tgroup* a, const Tgroup* b) {
      return a->population != b->population ? a->population > b->population : a->zone < b->zone;
    });
    for (size_t i = 0; i < groups.size(); ++i) {
      Tgroup& g = *groups[i];
      const std::string code = country.iso3 + (i == 0 ? "" : std::to_string(i));
      std::sort(g.cities.begin(), g.cities.end(), [](const Tcity& a, const Tcity& b) { return a.name < b.name; });
      // The country's row stands at its capital, else at its largest town.
      const Tcity* at = &*std::max_element(g.cities.begin(), g.cities.end(),
                                           [](const Tcity& a, const Tcity& b) { return a.population < b.population; });
      for (const auto& c : g.cities)
        if (c.name == country.capital) at = &c;
      const std::string title = groups.size() > 1 ? country.name + " (" + g.zone + ")" : country.name;
      rows.push_back({code, title, at->lon, at->lat});
      for (const auto& c : g.cities) rows.push_back({code, c.name, c.lon, c.lat});
      codes.emplace_back(code, g.zone);
    }
  }
  // Ordered by code, the country row first within its code (a stable sort keeps it there).
  std::stable_sort(rows.begin(), rows.end(), [](const Trow& a, const Trow& b) { return a.code < b.code; });
  std::sort(codes.begin(), codes.end());

  TdbWrite places;
  if (!places.create(fopt.target + "places.db") ||
      !places.exec("CREATE TABLE `places` (`code` TEXT, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)"))
    return fail(places.error());
  for (const auto& r : rows)
    if (!places.insert("places", {r.code, r.name, r.lon, r.lat})) return fail(places.error());
  if (!places.finish()) return fail(places.error());

  TdbWrite zones;
  if (!zones.create(fopt.target + "zones.db") || !zones.exec("CREATE TABLE `timezones` (`code` TEXT, `tz` TEXT)"))
    return fail(zones.error());
  for (const auto& [code, zone] : codes)
    if (!zones.insert("timezones", {code, zone})) return fail(zones.error());
  if (!zones.exec("CREATE INDEX `timezones by code` ON `timezones` (`code`)") || !zones.finish())
    return fail(zones.error());
  return true;
}

}  // namespace kdata
