// TdataBuilder: "sky.db": the stars of the Yale Bright Star Catalogue, the constellation
// figures, names and boundaries (ecliptic coordinates; point-list blobs with x = 360 - ecliptic
// longitude, y = ecliptic latitude), the home place and the night-sky image in galactic
// equirectangular coordinates (galactic longitude 0 in the middle, north at the top).
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "core/r_bitmapRaw.h"
#include "data/TdataBuilder.h"
#include "data/dbwrite.h"
#include "platform/numbers.h"
#include "storage/r_sqlite.h"

namespace kdata {
namespace {
constexpr const char* kStars = "usr/share/xplanet/stars/BSC";
constexpr const char* kFigures = "usr/share/xplanet/arcs/constellations";
constexpr const char* kNames = "usr/share/kstars/cnames.dat";
constexpr const char* kBounds = "usr/share/kstars/cbounds.dat";

struct Tstar {
  double ra, dec, mag;  // degrees, degrees, visual magnitude
};

xyrec eclipticPoint(double raDeg, double dec) {
  double lon = 0, lat = 0;
  equatorialToEcliptic(raDeg, dec, lon, lat);
  return xyrec{360.0 - lon, lat};
}

std::vector<uint8_t> blobOf(const TpolyXyValues& xy) {
  Tbytes mem;
  TsqlBase::XYtoMem(xy, mem);
  return mem;
}

// "HHMMSS" or "+DDMMSS" as degrees (hours times 15 for a right ascension).
double sexagesimal(const std::string& s, bool hours) {
  if (s.size() < 6) return 0;
  const bool negative = s[0] == '-';
  const std::string d = (s[0] == '+' || s[0] == '-') ? s.substr(1) : s;
  if (d.size() < 6) return 0;
  const double v = std::atof(d.substr(0, 2).c_str()) + std::atof(d.substr(2, 2).c_str()) / 60 +
                   std::atof(d.substr(4, 2).c_str()) / 3600;
  return (negative ? -v : v) * (hours ? 15 : 1);
}

}  // namespace

std::string titleCase(const std::string& upper) {
  std::string out = upper;
  bool start = true;
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) c = start ? char(std::toupper(u)) : char(std::tolower(u));
    start = c == ' ';
  }
  return out;
}

namespace {
// The one constellation drawn in two parts is named and bounded once: "SERPENS CAPUT" and
// "SERPENS CAUDA" are both Serpens.
std::string wholeConstellation(std::string name) {
  for (const char* part : {" CAPUT", " CAUDA", " Caput", " Cauda"}) {
    const std::string p = part;
    if (name.size() > p.size() && name.compare(name.size() - p.size(), p.size(), p) == 0) name.resize(name.size() - p.size());
  }
  return name;
}

// The whole sky as a 24-bit BMP: a soft Milky Way band with its bulge towards the galactic
// centre, and every catalogue star as a small disc whose light follows its magnitude.
std::vector<uint8_t> nightSkyBmp(const std::vector<Tstar>& stars, int width) {
  const int height = width / 2;
  std::vector<float> light(size_t(width) * height, 0.f);
  const double pxPerDeg = width / 360.0;
  for (int y = 0; y < height; ++y) {
    const double b = 90.0 - (y + 0.5) / pxPerDeg;
    for (int x = 0; x < width; ++x) {
      const double l = (x + 0.5) / pxPerDeg - 180.0;
      const double band = std::exp(-(b * b) / (2 * 7.0 * 7.0)) * (0.55 + 0.45 * std::cos(l * M_PI / 360.0));
      const double bulge = std::exp(-(l * l + 4 * b * b) / (2 * 18.0 * 18.0));
      light[size_t(y) * width + x] = float(34 * band + 30 * bulge);
    }
  }
  const double sigma = std::max(0.5, width / 2880.0);
  for (const auto& s : stars) {
    double l = 0, b = 0;
    equatorialToGalactic(s.ra, s.dec, l, b);
    if (l >= 180) l -= 360;
    const double cx = (l + 180) * pxPerDeg, cy = (90 - b) * pxPerDeg;
    const double peak = std::min(255.0, 230 * std::pow(10.0, -0.4 * (s.mag - 1.0)) + 40);
    const double r = sigma * (s.mag < 2 ? 2.5 : s.mag < 4 ? 1.8 : 1.2);
    for (int y = int(cy - 3 * r); y <= int(cy + 3 * r); ++y)
      for (int x = int(cx - 3 * r); x <= int(cx + 3 * r); ++x) {
        if (y < 0 || y >= height) continue;
        const int xx = (x % width + width) % width;
        const double d2 = (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy);
        light[size_t(y) * width + xx] += float(peak * std::exp(-d2 / (2 * r * r)));
      }
  }
  TrawBitmap24 rb;
  rb.setsize(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rb.rowPt(y);
    for (int x = 0; x < width; ++x) {
      const double v = std::min(255.0, double(light[size_t(y) * width + x]));
      row[3 * x] = uint8_t(std::lround(std::min(255.0, v * 1.08)));  // a touch of blue
      row[3 * x + 1] = uint8_t(std::lround(v));
      row[3 * x + 2] = uint8_t(std::lround(v * 0.95));
    }
  }
  std::vector<uint8_t> mem;
  rb.saveToMem(mem);
  return mem;
}
}  // namespace

// Steps: a: stars, c: names (read before the figures, which they group), b: figures, d: boundaries,
// e: tables and image.
bool TdataBuilder::buildSky() {
  TprocScope proc(*this, "buildSky");
  seterr("a");
  std::vector<Tstar> stars;
  {
    std::ifstream in(froot + kStars);
    if (!in) return fail("cannot read " + froot + kStars);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream ls(line);
      double dec = 0, raHours = 0, mag = 0;
      if (ls >> dec >> raHours >> mag) stars.push_back({raHours * 15, dec, mag});
    }
  }
  if (stars.empty()) return fail("no stars in " + froot + kStars);

  seterr("c");
  // The names of the Western sky culture only, each constellation once; the file goes on with
  // other cultures and asterisms, each section opening with a line "C <culture>".
  struct Tname {
    std::string name;
    double lon, lat;
  };
  std::vector<Tname> names;
  std::map<std::string, std::string> nameOfAbbreviation;  // "UMa" -> "Ursa Major"
  {
    std::ifstream in(froot + kNames);
    if (!in) return fail("cannot read " + froot + kNames);
    std::string line;
    bool western = false;
    while (std::getline(in, line)) {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      if (line.size() >= 2 && line[0] == 'C' && line[1] == ' ') {
        western = line == "C Western";
        continue;
      }
      if (!western || line.size() < 18 || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
      const double ra = sexagesimal(line.substr(0, 6), true), dec = sexagesimal(line.substr(6, 7), false);
      const std::string abbreviation = line.substr(13, 3);
      const std::string part = titleCase(line.substr(17));
      const std::string name = wholeConstellation(part);
      nameOfAbbreviation[abbreviation] = name;
      if (name != part) nameOfAbbreviation[name.substr(0, 3)] = name;  // the figures' "Ser"
      if (std::any_of(names.begin(), names.end(), [&](const Tname& n) { return n.name == name; })) continue;
      double lon = 0, lat = 0;
      equatorialToEcliptic(ra, dec, lon, lat);
      names.push_back({name, 360.0 - lon, lat});
    }
  }
  if (names.empty()) return fail("no Western constellation names in " + froot + kNames);

  seterr("b");
  // Figure segments joined into polylines, one list of lines per constellation. A segment names
  // its two stars ("And Gamma1-57,Mirach"); one whose stars both have proper names belongs to the
  // constellation of the segment before it, as the file lists each figure's segments together.
  std::map<std::string, TpolyXyValues> figures;
  {
    std::ifstream in(froot + kFigures);
    if (!in) return fail("cannot read " + froot + kFigures);
    std::string line, current;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream ls(line);
      double dec1, ra1, dec2, ra2;
      if (!(ls >> dec1 >> ra1 >> dec2 >> ra2)) continue;
      const size_t hash = line.find('#');
      std::istringstream stars(hash == std::string::npos ? std::string() : line.substr(hash + 1));
      for (std::string star; std::getline(stars, star, ',');) {
        std::istringstream words(star);
        std::string first;
        words >> first;
        if (const auto it = nameOfAbbreviation.find(first); it != nameOfAbbreviation.end()) {
          current = it->second;
          break;
        }
      }
      TpolyXyValues& lines = figures[current];
      const xyrec a = eclipticPoint(ra1 * 15, dec1), b = eclipticPoint(ra2 * 15, dec2);
      if (!lines.empty() && !lines.back().empty() && lines.back().back() == a) lines.back().push_back(b);
      else lines.push_back({a, b});
    }
  }

  seterr("d");
  // One row per constellation: the parts of one drawn in two go into one row.
  std::vector<std::pair<std::string, TpolyXyValues>> bounds;
  {
    std::ifstream in(froot + kBounds);
    if (!in) return fail("cannot read " + froot + kBounds);
    std::string line;
    Txyvalues* open = nullptr;
    while (std::getline(in, line)) {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      if (!line.empty() && line[0] == ':') {
        const std::string name = wholeConstellation(line.substr(1));
        auto it = std::find_if(bounds.begin(), bounds.end(), [&](const auto& b) { return b.first == name; });
        if (it == bounds.end()) it = bounds.insert(bounds.end(), {name, {}});
        it->second.push_back({});
        open = &it->second.back();
        continue;
      }
      std::istringstream ls(line);
      double raHours, dec;
      if (!open || !(ls >> raHours >> dec)) continue;
      open->push_back(eclipticPoint(raHours * 15, dec));
    }
    for (auto& [name, parts] : bounds)  // a boundary closes on its first point
      for (auto& b : parts)
        if (b.size() > 2 && !(b.front() == b.back())) b.push_back(b.front());
  }

  seterr("e");
  TdbWrite db;
  if (!db.create(fopt.target + "sky.db") ||
      !db.exec("CREATE TABLE `ini` (`key` TEXT, `value` TEXT, `blob` BLOB)") ||
      !db.exec("CREATE TABLE `stars` (`long` INTEGER, `lat` INTEGER, `mag` INTEGER)") ||
      !db.exec("CREATE TABLE `constellations` (`lines` POLYXYBLOB, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)") ||
      !db.exec("CREATE TABLE `constellation boundaries` (`lines` POLYXYBLOB)"))
    return fail(db.error());
  if (!db.insert("ini", {std::string("home"), std::string("London"), nullptr}) ||
      !db.insert("ini", {std::string("night sky"), std::string("galactic"), nightSkyBmp(stars, fopt.skyWidth)}))
    return fail(db.error());
  for (const auto& s : stars) {
    double lon = 0, lat = 0;
    equatorialToEcliptic(s.ra, s.dec, lon, lat);
    // Codes in tenths of a magnitude: smaller is brighter.
    if (!db.insert("stars", {int64_t(platform::Round(lon * 100)), int64_t(platform::Round(lat * 100)),
                             int64_t(platform::Round(s.mag * 10))}))
      return fail(db.error());
  }
  for (const auto& [abbr, lines] : figures)
    if (!db.insert("constellations", {blobOf(lines), std::string(), nullptr, nullptr})) return fail(db.error());
  for (const auto& n : names)
    if (!db.insert("constellations", {nullptr, n.name, n.lon, n.lat})) return fail(db.error());
  for (auto& [name, parts] : bounds) {
    std::erase_if(parts, [](const Txyvalues& b) { return b.size() < 2; });
    if (!parts.empty() && !db.insert("constellation boundaries", {blobOf(parts)})) return fail(db.error());
  }
  if (!db.finish()) return fail(db.error());
  return true;
}

}  // namespace kdata
