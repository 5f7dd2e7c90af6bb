// Fixtures of the shapefile and GeoPackage tests: made by gis_fixtures.py (pyshp and GDAL) once
// per build into a folder beside the test program, with what OGR and Shapely find in them
// (expected.tsv). Tests skip when the outside tools are missing.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

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
#include "drawing/r_Dra.h"
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


// Shapely's area of one polygon: the outer ring less its holes.
inline double polygonArea(const TpolyXyValues& poly) {
  double total = 0;
  for (size_t r = 0; r < poly.size(); ++r) {
    double a = 0;
    const Txyvalues& ring = poly[r];
    for (size_t i = 0; i + 1 < ring.size(); ++i) a += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
    total += (r == 0 ? 1 : -1) * std::abs(a) / 2;
  }
  return total;
}

// The same text, or the same number within 1e-9 (OGR and the files write numbers their own way).
inline bool sameValue(const std::string& ours, const std::string& theirs) {
  if (ours == theirs) return true;
  char* e1 = nullptr;
  char* e2 = nullptr;
  const double a = std::strtod(ours.c_str(), &e1), b = std::strtod(theirs.c_str(), &e2);
  return !ours.empty() && !theirs.empty() && *e1 == 0 && *e2 == 0 && std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

inline void expectPoints(TxyPart ours, const Txyvalues& theirs) {
  ASSERT_EQ(ours.size(), theirs.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_NEAR(ours[i].x, theirs[i].x, 1e-9 * std::max(1.0, std::abs(theirs[i].x))) << i;
    EXPECT_NEAR(ours[i].y, theirs[i].y, 1e-9 * std::max(1.0, std::abs(theirs[i].y))) << i;
  }
}

// Which feature an object was made from, and the column of its first attribute.
struct ObjectKey {
  std::function<long(Tgob&)> feature;
  int32_t firstColumn = 0;
};
inline ObjectKey byId() {
  return {[](Tgob& g) { return std::atol(g.fid.str().c_str()); }, 0};
}
inline ObjectKey byFirstColumn() {
  return {[](Tgob& g) { return std::atol(g.rawValue(0).c_str()); }, 1};
}

// Every feature OGR finds, compared with the objects made from it: attributes, points, the parts
// of a line, polygon counts, areas (Shapely's) and bounds. A multi-geometry gives an object per
// member, a line one object with its parts. Polygons whose area is below the reader's tolerance
// are not kept by it.
inline void expectLikeOgr(TgobArray& g, const Layer& want, double tolerance = 0, const ObjectKey& key = byId()) {
  std::map<long, std::vector<Tgob*>> byFeature;
  for (int i = 0; i < g.count(); ++i) byFeature[key.feature(*g.slot(i))].push_back(g.slot(i));
  size_t objects = 0;
  for (const auto& [fid, ft] : want.features) {
    SCOPED_TRACE("feature " + std::to_string(fid));
    const auto& ours = byFeature[fid];
    std::vector<double> wantAreas;
    for (double a : ft.areas)
      if (!(a < tolerance)) wantAreas.push_back(a);
    const size_t lineObjects = ft.lines.empty() ? 0 : ours.size() == ft.lines.size() ? ft.lines.size() : 1;
    const size_t pieces = ft.points.size() + lineObjects + wantAreas.size();
    ASSERT_EQ(ours.size(), pieces);
    objects += pieces;
    for (Tgob* gob : ours)
      for (size_t c = 0; c < ft.attrs.size(); ++c) {
        const std::string v = gob->rawValue(int32_t(c) + key.firstColumn);
        EXPECT_TRUE(sameValue(v, ft.attrs[c])) << v << " / " << ft.attrs[c];
      }
    size_t k = 0;
    for (const Txyvalues& p : ft.points) expectPoints(ours[k++]->xy[0], p);
    if (lineObjects == 1) {  // one object with a part per line
      ASSERT_EQ(ours[k]->xy.size(), ft.lines.size());
      for (size_t j = 0; j < ft.lines.size(); ++j) expectPoints(ours[k]->xy[j], ft.lines[j]);
    } else {
      for (const Txyvalues& l : ft.lines) expectPoints(ours[k++]->xy[0], l);
    }
    if (!wantAreas.empty()) {
      std::vector<double> areas;
      double x1 = INFINITY, y2 = -INFINITY;
      for (Tgob* gob : ours) {
        EXPECT_EQ(gob->obType(), o_polyGon);
        areas.push_back(polygonArea(gob->xy.toList()));
        x1 = std::min(x1, gob->x1);
        y2 = std::max(y2, gob->y2);
      }
      std::sort(areas.begin(), areas.end());
      for (size_t i = 0; i < areas.size(); ++i)
        EXPECT_NEAR(areas[i], wantAreas[i], 1e-7 * std::max(1.0, wantAreas[i]));
      EXPECT_NEAR(x1, ft.x1, 1e-6);
      EXPECT_NEAR(y2, ft.y2, 1e-6);
    }
  }
  EXPECT_EQ(size_t(g.count()), objects);
}

}  // namespace gisfix

#define GIS_FIXTURES_OR_SKIP() \
  if (gisfix::dir().empty()) GTEST_SKIP() << "the GIS fixtures need python3-pyshp, python3-gdal and python3-shapely"
