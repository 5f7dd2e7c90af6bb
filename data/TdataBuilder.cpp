// TdataBuilder: the source packages, the download cache, the attribution file and the order of
// the steps; image resampling and blending shared by the steps. See TdataBuilder.h.
#include "data/TdataBuilder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/r_bitmapRaw.h"

namespace fs = std::filesystem;

namespace kdata {

const std::vector<Tsource>& packageList() {
  static const std::vector<Tsource> list = {
      {"gpredict", "", "", "NASA Blue Marble day images of January, March, May, July and August (2048 px)"},
      {"xplanet-images", "", "", "the night image of city lights (2048 px)"},
      {"xplanet", "", "", "the Yale Bright Star Catalogue (stars/BSC) and constellation figures (arcs/constellations)"},
      {"kstars-data", "", "", "constellation boundaries and names, the moon picture, the 5400 px day image"},
      {"libtimezonemap-data", "", "", "GeoNames cities of 15000 people or more, and the country names"},
      {"gmt-dcw", "", "", "country and state polygons of the Digital Chart of the World (the index images)"},
  };
  return list;
}

namespace {
std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string runCapture(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The licences a Debian copyright file names, in order of first mention.
std::string licencesOf(const std::string& copyright) {
  std::vector<std::string> seen;
  std::istringstream in(copyright);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("License:", 0) != 0) continue;
    std::string name = line.substr(8);
    name.erase(0, name.find_first_not_of(" \t"));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
    if (!name.empty() && std::find(seen.begin(), seen.end(), name) == seen.end()) seen.push_back(name);
  }
  std::string out;
  for (const auto& s : seen) out += (out.empty() ? "" : ", ") + s;
  return out;
}

std::string withSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}
}  // namespace

TdataBuilder::TdataBuilder(TbuildOptions options) : fopt(std::move(options)) {
  fopt.target = withSlash(fopt.target);
  fopt.cacheDir = withSlash(fopt.cacheDir);
  froot = withSlash(fopt.sourceRoot.empty() ? fopt.cacheDir + "root/" : fopt.sourceRoot);
  fopt.fontDir = withSlash(fopt.fontDir);
}

bool TdataBuilder::fail(const std::string& message) {
  ferror = (procname().empty() ? "" : procname() + ": ") + message;
  seterr(ferror);
  log(ferror);
  return false;
}

void TdataBuilder::say(const std::string& line) const {
  if (fopt.progress) fopt.progress(line);
}

bool TdataBuilder::loadImage(const std::string& relative, platform::TrgbImage& image) {
  std::string err;
  if (!platform::decodeImageFile(froot + relative, image, err)) return fail(err);
  return true;
}

// Steps: a: folders, b: download, c: unpack.
bool TdataBuilder::fetchSources() {
  TprocScope proc(*this, "fetchSources");
  seterr("a");
  const std::string debs = fopt.cacheDir + "debs/";
  std::error_code ec;
  fs::create_directories(debs, ec);
  fs::create_directories(froot, ec);
  if (ec) return fail("cannot make the cache folder " + fopt.cacheDir);
  bool updated = false;
  for (const auto& src : packageList()) {
    seterr("b");
    auto findDeb = [&]() -> std::string {
      for (const auto& e : fs::directory_iterator(debs, ec))
        if (e.path().filename().string().rfind(src.package + "_", 0) == 0 && e.path().extension() == ".deb")
          return e.path().string();
      return "";
    };
    std::string deb = findDeb();
    if (deb.empty()) {
      say("fetching " + src.package);
      const std::string cmd = "cd " + shellQuote(debs) + " && apt-get download -q " + shellQuote(src.package) + " >/dev/null 2>&1";
      if (std::system(cmd.c_str()) != 0 && !updated) {
        updated = true;
        std::system("apt-get update -qq >/dev/null 2>&1");
        std::system(cmd.c_str());
      }
      deb = findDeb();
      if (deb.empty()) return fail("cannot download the Debian package " + src.package);
    }
    seterr("c");
    const std::string version = runCapture("dpkg-deb -f " + shellQuote(deb) + " Version");
    const std::string stamp = froot + ".unpacked-" + src.package + "-" + version;
    if (!fs::exists(stamp)) {
      say("unpacking " + src.package + " " + version);
      if (std::system(("dpkg-deb -x " + shellQuote(deb) + " " + shellQuote(froot)).c_str()) != 0)
        return fail("cannot unpack " + deb);
      std::ofstream(stamp) << version << "\n";
    }
  }
  return true;
}

bool TdataBuilder::writeAttribution() {
  TprocScope proc(*this, "writeAttribution");
  std::error_code ec;
  fs::create_directories(fopt.target + "licences", ec);
  std::ostringstream out;
  out << "The data folder is made by the data builder from these Debian packages.\n"
         "Each package's copyright file, with the full licence texts, is in licences/.\n\n";
  for (const auto& src : packageList()) {
    std::string version = "unknown";
    const std::string prefix = ".unpacked-" + src.package + "-";
    for (const auto& e : fs::directory_iterator(froot, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind(prefix, 0) == 0) version = name.substr(prefix.size());
    }
    const std::string copyright = froot + "usr/share/doc/" + src.package + "/copyright";
    const std::string text = readText(copyright);
    std::string licence = licencesOf(text);
    if (licence.empty()) licence = text.empty() ? "unknown (no copyright file)" : "see licences/" + src.package + ".copyright";
    if (!text.empty()) fs::copy_file(copyright, fopt.target + "licences/" + src.package + ".copyright",
                                     fs::copy_options::overwrite_existing, ec);
    out << "package: " << src.package << "\nversion: " << version << "\nlicence: " << licence
        << "\nused for: " << src.use << "\n\n";
  }
  out << "package: fonts-open-sans, fonts-cabin (installed)\nlicence: Apache-2.0 (Open Sans), OFL-1.1 (Cabin)\n"
         "used for: resources/ (Cabin stands in for the Railway face)\n";
  std::ofstream f(fopt.target + "ATTRIBUTION.txt", std::ios::binary);
  f << out.str();
  if (!f.flush()) return fail("cannot write ATTRIBUTION.txt");
  return true;
}

bool TdataBuilder::build() {
  TprocScope proc(*this, "build");
  std::error_code ec;
  fs::create_directories(fopt.target, ec);
  if (ec) return fail("cannot make the data folder " + fopt.target);
  // The attribution file marks a finished folder: a build that stops half way leaves none.
  fs::remove(fopt.target + "ATTRIBUTION.txt", ec);
  if (fopt.fetch && !fetchSources()) return false;
  say("map images " + std::to_string(fopt.mapWidth));
  if (!buildMaps(fopt.mapWidth, "months")) return false;
  if (fopt.with3840) {
    say("map images 3840");
    if (!buildMaps(3840, "single")) return false;
  }
  say("words.db");
  if (!buildWords()) return false;
  say("places.db, zones.db");
  if (!buildPlaces()) return false;
  say("sky.db");
  if (!buildSky()) return false;
  say("bitmaps, fonts, sound, locations.ini");
  if (!buildFiles()) return false;
  say("preview.bmp");
  if (!buildPreview()) return false;
  // Written last: its time tells when the folder was completed.
  return writeAttribution();
}

// ---- images

platform::TrgbImage resizeImage(const platform::TrgbImage& src, int w, int h) {
  platform::TrgbImage out;
  if (src.empty() || w <= 0 || h <= 0) return out;
  out.width = w;
  out.height = h;
  out.rgb.resize(size_t(w) * h * 3);
  const double sx = double(src.width) / w, sy = double(src.height) / h;
  if (sx >= 1 && sy >= 1) {
    // Area average: each target pixel takes the source area it covers, edges weighted.
    for (int y = 0; y < h; ++y) {
      const double y0 = y * sy, y1 = (y + 1) * sy;
      for (int x = 0; x < w; ++x) {
        const double x0 = x * sx, x1 = (x + 1) * sx;
        double acc[3] = {0, 0, 0}, wsum = 0;
        for (int yy = int(y0); yy < std::min(int(std::ceil(y1)), src.height); ++yy) {
          const double wy = std::min(y1, yy + 1.0) - std::max(y0, double(yy));
          for (int xx = int(x0); xx < std::min(int(std::ceil(x1)), src.width); ++xx) {
            const double wgt = wy * (std::min(x1, xx + 1.0) - std::max(x0, double(xx)));
            const uint8_t* p = src.pixel(xx, yy);
            for (int c = 0; c < 3; ++c) acc[c] += p[c] * wgt;
            wsum += wgt;
          }
        }
        uint8_t* q = out.pixel(x, y);
        for (int c = 0; c < 3; ++c) q[c] = uint8_t(std::lround(acc[c] / wsum));
      }
    }
    return out;
  }
  // Bilinear between source pixel centres.
  for (int y = 0; y < h; ++y) {
    const double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, double(src.height - 1));
    const int y0 = int(fy), y1 = std::min(y0 + 1, src.height - 1);
    const double ty = fy - y0;
    for (int x = 0; x < w; ++x) {
      const double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, double(src.width - 1));
      const int x0 = int(fx), x1 = std::min(x0 + 1, src.width - 1);
      const double tx = fx - x0;
      uint8_t* q = out.pixel(x, y);
      for (int c = 0; c < 3; ++c) {
        const double top = src.pixel(x0, y0)[c] * (1 - tx) + src.pixel(x1, y0)[c] * tx;
        const double bottom = src.pixel(x0, y1)[c] * (1 - tx) + src.pixel(x1, y1)[c] * tx;
        q[c] = uint8_t(std::lround(top * (1 - ty) + bottom * ty));
      }
    }
  }
  return out;
}

platform::TrgbImage blendImages(const platform::TrgbImage& a, const platform::TrgbImage& b, double t) {
  platform::TrgbImage out = a;
  if (a.width != b.width || a.height != b.height) return out;
  for (size_t i = 0; i < out.rgb.size(); ++i) out.rgb[i] = uint8_t(std::lround(a.rgb[i] + (b.rgb[i] - a.rgb[i]) * t));
  return out;
}

void toBitmap24(const platform::TrgbImage& src, TrawBitmap24& rb) {
  rb.setsize(src.width, src.height);
  for (int y = 0; y < src.height; ++y) {
    uint8_t* row = rb.rowPt(y);
    if (!row) return;
    for (int x = 0; x < src.width; ++x) {
      const uint8_t* p = src.pixel(x, y);
      row[3 * x] = p[2];
      row[3 * x + 1] = p[1];
      row[3 * x + 2] = p[0];
    }
  }
}

std::vector<platform::TrgbImage> interpolateMonths(const std::vector<std::pair<int, platform::TrgbImage>>& known) {
  std::vector<platform::TrgbImage> months(12);
  if (known.empty()) return months;
  std::map<int, const platform::TrgbImage*> byMonth;
  for (const auto& [m, im] : known) byMonth[((m % 12) + 12) % 12] = &im;
  for (int m = 0; m < 12; ++m) {
    if (auto it = byMonth.find(m); it != byMonth.end()) {
      months[m] = *it->second;
      continue;
    }
    int back = 1, ahead = 1;
    while (!byMonth.count((m - back + 12) % 12)) ++back;
    while (!byMonth.count((m + ahead) % 12)) ++ahead;
    months[m] = blendImages(*byMonth[(m - back + 12) % 12], *byMonth[(m + ahead) % 12], double(back) / (back + ahead));
  }
  return months;
}

// ---- coordinates

namespace {
constexpr double kDeg = M_PI / 180.0;
constexpr double kObliquityJ2000 = 23.4392911;  // degrees, the mean obliquity at J2000.0
// The galactic pole and the galactic longitude of the celestial pole, J2000 (IAU 1958 system
// carried to J2000).
constexpr double kPoleRa = 192.85948, kPoleDec = 27.12825, kNcpLong = 122.93192;
double wrap360(double a) {
  a = std::fmod(a, 360.0);
  return a < 0 ? a + 360.0 : a;
}
}  // namespace

void equatorialToEcliptic(double ra, double dec, double& lon, double& lat) {
  const double e = kObliquityJ2000 * kDeg, a = ra * kDeg, d = dec * kDeg;
  lat = std::asin(std::sin(d) * std::cos(e) - std::cos(d) * std::sin(e) * std::sin(a)) / kDeg;
  lon = wrap360(std::atan2(std::sin(a) * std::cos(e) + std::tan(d) * std::sin(e), std::cos(a)) / kDeg);
}

void equatorialToGalactic(double ra, double dec, double& l, double& b) {
  const double a = ra * kDeg, d = dec * kDeg, ap = kPoleRa * kDeg, dp = kPoleDec * kDeg;
  const double sinb = std::sin(d) * std::sin(dp) + std::cos(d) * std::cos(dp) * std::cos(a - ap);
  b = std::asin(std::clamp(sinb, -1.0, 1.0)) / kDeg;
  const double y = std::cos(d) * std::sin(a - ap);
  const double x = std::sin(d) * std::cos(dp) - std::cos(d) * std::sin(dp) * std::cos(a - ap);
  l = wrap360(kNcpLong - std::atan2(y, x) / kDeg);
}

}  // namespace kdata
