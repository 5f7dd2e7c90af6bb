// Fixtures of the shapefile and GeoPackage tests: made by gis_fixtures.py (pyshp and GDAL) once
// per build into a folder beside the test program, with what OGR and Shapely find in them
// (expected.tsv). Tests skip when the outside tools are missing.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/Tutil.h"
#include "tests/support/testenv.h"

namespace gisfix {

inline std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  if (s.empty()) return out;
  size_t from = 0;
  for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + 1) out.push_back(s.substr(from, at - from));
  out.push_back(s.substr(from));
  return out;
}

struct Feature {
  std::vector<std::string> attrs;
  std::vector<Txyvalues> points;  // point members: one point each
  std::vector<Txyvalues> lines;
  int polygons = 0;
  std::vector<double> areas;  // sorted
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct Layer {
  int count = 0;
  std::vector<std::string> fields;
  std::map<long, Feature> features;  // by OGR's feature id
};

struct Expected {
  std::map<std::string, Layer> layers;  // "file" or "file:layer"
  std::map<std::string, std::string> facts;
  const Layer& layer(const std::string& key) const {
    static const Layer none;
    auto it = layers.find(key);
    return it == layers.end() ? none : it->second;
  }
};

inline Txyvalues parsePoints(const std::string& s) {
  Txyvalues out;
  for (const std::string& p : split(s, ';')) {
    const auto xy = split(p, ',');
    out.push_back({std::strtod(xy[0].c_str(), nullptr), std::strtod(xy[1].c_str(), nullptr)});
  }
  return out;
}

inline Expected parse(const std::string& path) {
  Expected e;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto f = split(line, '\t');
    if (f.size() < 3) continue;
    if (f[0] == "N") {
      e.facts[f[1]] = f[2];
    } else if (f[0] == "C") {
      Layer& l = e.layers[f[1]];
      l.count = std::atoi(f[2].c_str());
      l.fields = split(f.size() > 3 ? f[3] : "", '\x1f');
    } else {
      Feature& ft = e.layers[f[1]].features[std::atol(f[2].c_str())];
      if (f[0] == "F") {
        ft.attrs = split(f.size() > 3 ? f[3] : "", '\x1f');
      } else if (f[0] == "G") {
        (f[3] == "point" ? ft.points : ft.lines).push_back(parsePoints(f[5]));
      } else if (f[0] == "A") {
        ft.polygons = std::atoi(f[3].c_str());
        for (const std::string& a : split(f[4], '\x1f')) ft.areas.push_back(std::strtod(a.c_str(), nullptr));
        ft.x1 = std::strtod(f[5].c_str(), nullptr);
        ft.y1 = std::strtod(f[6].c_str(), nullptr);
        ft.x2 = std::strtod(f[7].c_str(), nullptr);
        ft.y2 = std::strtod(f[8].c_str(), nullptr);
      }
    }
  }
  return e;
}

// The folder of the fixtures, ending in "/"; empty when they cannot be made here. A build makes
// them once: each test process after the first finds them complete beside the program.
inline const std::string& dir() {
  static const std::string made = [] {
    const std::string script = testenv::sourceDir() + "tests/drawing/gis_fixtures.py";
    std::ifstream in(script);
    std::stringstream text;
    text << in.rdbuf();
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    const std::string folder =
        exe.parent_path().string() + "/gis-fixtures-" + std::to_string(std::hash<std::string>{}(text.str()));
    if (std::filesystem::exists(folder + "/expected.tsv")) return folder + "/";
    const std::string part = folder + ".part" + std::to_string(getpid());
    int status = 0;
    const std::string output = testenv::runCommand("/usr/bin/python3 '" + script + "' '" + part + "'", &status);
    std::error_code ec;
    if (status != 0) {
      std::fprintf(stderr, "GIS fixtures not made (%d): %s\n", status, output.c_str());
      std::filesystem::remove_all(part, ec);
      return std::string();
    }
    std::filesystem::rename(part, folder, ec);  // another process may have been first
    if (ec) std::filesystem::remove_all(part, ec);
    return std::filesystem::exists(folder + "/expected.tsv") ? folder + "/" : std::string();
  }();
  return made;
}

inline const Expected& expected() {
  static const Expected e = dir().empty() ? Expected() : parse(dir() + "expected.tsv");
  return e;
}

}  // namespace gisfix

#define GIS_FIXTURES_OR_SKIP() \
  if (gisfix::dir().empty()) GTEST_SKIP() << "the GIS fixtures need python3-pyshp, python3-gdal and python3-shapely"
