// TdataBuilder: the folder's small files: "moon.bmp", "world 600.bmp", the fonts in
// "resources/", "sound_beep.wav" and the default "locations.ini" (CR LF lines, 8-bit text).
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "astro/r_sunLite.h"
#include "core/r_bitmapRaw.h"
#include "data/TdataBuilder.h"

namespace fs = std::filesystem;

namespace kdata {
namespace {
constexpr const char* kWorldImage = "usr/share/pixmaps/gpredict/maps/nasa-bmng-01_2048.jpg";
constexpr const char* kMoonFolder = "usr/share/kstars/textures/";
// The ten faces the programs install, and the face that stands in for Railway.
const char* const kOpenSans[] = {
    "OpenSans-Regular.ttf",   "OpenSans-Italic.ttf",         "OpenSans-Bold.ttf",  "OpenSans-BoldItalic.ttf",
    "OpenSans-Semibold.ttf",  "OpenSans-SemiboldItalic.ttf", "OpenSans-Light.ttf", "OpenSans-LightItalic.ttf",
    "OpenSans-ExtraBold.ttf", "OpenSans-ExtraBoldItalic.ttf",
};
constexpr const char* kOpenSansDir = "truetype/open-sans/";
constexpr const char* kCabin = "opentype/cabin/Cabin-Regular.otf";

void put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}
}  // namespace

std::vector<uint8_t> beepWave(double hertz, double seconds, int sampleRate) {
  const uint32_t samples = uint32_t(std::max(0.0, seconds) * sampleRate);
  std::vector<uint8_t> w;
  w.reserve(44 + samples * 2);
  const auto tag = [&](const char* t) {
    for (int k = 0; k < 4; ++k) w.push_back(uint8_t(t[k]));
  };
  tag("RIFF");
  put32(w, 36 + samples * 2);
  tag("WAVE");
  tag("fmt ");
  put32(w, 16);
  put16(w, 1);  // PCM
  put16(w, 1);  // mono
  put32(w, uint32_t(sampleRate));
  put32(w, uint32_t(sampleRate) * 2);
  put16(w, 2);
  put16(w, 16);
  tag("data");
  put32(w, samples * 2);
  const double fade = 0.01 * sampleRate;  // 10 ms in and out, so the tone starts without a click
  for (uint32_t i = 0; i < samples; ++i) {
    const double env = std::min({1.0, i / fade, (samples - 1 - i) / fade});
    const auto s = int16_t(std::lround(0.5 * 32767 * env * std::sin(2 * M_PI * hertz * i / sampleRate)));
    put16(w, uint16_t(s));
  }
  return w;
}

std::string defaultLocationsIni() {
  struct Tplace {
    const char *name, *zone;
    double lat, lon;
    const char *h, *v;
  };
  static const Tplace kPlaces[] = {
      {"London", "GMT Standard Time", 51.5, -0.116667, "right", "top"},  // Paris stands beside it
      {"Paris", "Romance Standard Time", 48.8566, 2.3522, "left", "bottom"},
      {"New York", "Eastern Standard Time", 40.7128, -74.006, "left", "top"},
      {"Los Angeles", "Pacific Standard Time", 34.0522, -118.2437, "left", "top"},
      {"Sao Paulo", "E. South America Standard Time", -23.5505, -46.6333, "left", "top"},
      {"Cairo", "Egypt Standard Time", 30.0444, 31.2357, "left", "top"},
      {"Moscow", "Russian Standard Time", 55.7558, 37.6173, "left", "bottom"},
      {"Dubai", "Arabian Standard Time", 25.2048, 55.2708, "left", "top"},
      {"Delhi", "India Standard Time", 28.6139, 77.209, "left", "top"},
      {"Beijing", "China Standard Time", 39.9042, 116.4074, "left", "bottom"},
      {"Tokyo", "Tokyo Standard Time", 35.6762, 139.6503, "left", "top"},
      {"Sydney", "AUS Eastern Standard Time", -33.8688, 151.2093, "right", "top"},
  };
  std::string s;
  const auto line = [&](const std::string& t) { s += t + "\r\n"; };
  line("[settings]");
  line("base directory=");
  line("12 hour clock=no");
  line("show locations=yes");
  line("centre long=0.00");
  line("label magnify=100");
  line("home=London");
  line("language=English");
  line("monitor=");
  line("");
  int n = 0;
  for (const auto& p : kPlaces) {
    char lat[32], lon[32];
    std::snprintf(lat, sizeof lat, "%.8f", p.lat);
    std::snprintf(lon, sizeof lon, "%.8f", p.lon);
    line("[location " + std::to_string(++n) + "]");
    line(std::string("name=") + p.name);
    line(std::string("windows name=") + p.zone);
    line(std::string("lat=") + lat);
    line(std::string("long=") + lon);
    line(std::string("hjustify=") + p.h);
    line(std::string("vjustify=") + p.v);
    line("");
  }
  return s;
}

// Steps: a: world picture, b: moon, c: fonts, d: sound and locations, e: tool cursors.
bool TdataBuilder::buildFiles() {
  TprocScope proc(*this, "buildFiles");
  seterr("a");
  {
    platform::TrgbImage im;
    if (!loadImage(kWorldImage, im)) return false;
    TrawBitmap24 rb;
    toBitmap24(resizeImage(im, 600, 300), rb);
    if (!rb.savetofile(fopt.target + "world 600.bmp")) return fail("cannot write world 600.bmp");
  }

  seterr("b");
  {
    // The brightest of the phase pictures is the full moon.
    platform::TrgbImage best;
    double bestLight = -1;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(froot + kMoonFolder, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("moon", 0) != 0 || e.path().extension() != ".png") continue;
      platform::TrgbImage im;
      std::string err;
      if (!platform::decodeImageFile(e.path().string(), im, err)) continue;
      double light = 0;
      for (uint8_t v : im.rgb) light += v;
      light /= std::max<size_t>(1, im.rgb.size());
      if (light > bestLight) {
        bestLight = light;
        best = std::move(im);
      }
    }
    if (best.empty()) return fail("no moon picture in " + froot + kMoonFolder);
    TrawBitmap24 rb;
    toBitmap24(best, rb);
    if (!rb.savetofile(fopt.target + "moon.bmp")) return fail("cannot write moon.bmp");
  }

  seterr("c");
  {
    std::error_code ec;
    fs::create_directories(fopt.target + "resources", ec);
    std::vector<std::pair<std::string, std::string>> copies;
    for (const char* face : kOpenSans) copies.emplace_back(fopt.fontDir + kOpenSansDir + face, face);
    copies.emplace_back(fopt.fontDir + kCabin, "Railway.otf");
    for (const auto& [from, to] : copies) {
      fs::copy_file(from, fopt.target + "resources/" + to, fs::copy_options::overwrite_existing, ec);
      if (ec) return fail("cannot copy the font " + from + " (is fonts-open-sans and fonts-cabin installed?)");
    }
  }

  seterr("d");
  const auto wav = beepWave(880, 0.15, 22050);
  std::ofstream(fopt.target + "resources/sound_beep.wav", std::ios::binary)
      .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
  const std::string ini = defaultLocationsIni();
  std::ofstream out(fopt.target + "locations.ini", std::ios::binary);
  out.write(ini.data(), std::streamsize(ini.size()));
  if (!out.flush()) return fail("cannot write locations.ini");

  seterr("e");
  std::string error;
  if (!writeToolCursors(fopt.target + "resources/cursors/", error)) return fail("tool cursors: " + error);
  return true;
}

// The screen saver's preview: the map as our renderer draws it now, with the default labels.
// Steps: a: render, b: shrink and save.
bool TdataBuilder::buildPreview() {
  TprocScope proc(*this, "buildPreview");
  if (!fs::exists(fopt.target + "1920.bin")) return true;  // nothing to render from
  seterr("a");
  const std::string savedLabels = locationsFile;
  locationsFile = fopt.target + "locations.ini";
  platform::TrgbImage map;
  {
    TsunLite renderer(fopt.target, WithTimezones::No, 1920, 1.0);
    TrawBitmap24& top = *renderer.toprb;
    map.width = top.width();
    map.height = top.height();
    map.rgb.resize(size_t(map.width) * map.height * 3);
    for (int y = 0; y < map.height; ++y) {
      const uint8_t* row = top.rowPt(y);
      for (int x = 0; row && x < map.width; ++x) {
        uint8_t* p = map.pixel(x, y);
        p[0] = row[3 * x + 2];
        p[1] = row[3 * x + 1];
        p[2] = row[3 * x];
      }
    }
  }
  locationsFile = savedLabels;
  if (map.empty()) return fail("the renderer drew no map");
  seterr("b");
  TrawBitmap24 rb;
  toBitmap24(resizeImage(map, 640, 320), rb);
  if (!rb.savetofile(fopt.target + "preview.bmp")) return fail("cannot write preview.bmp");
  return true;
}

}  // namespace kdata
