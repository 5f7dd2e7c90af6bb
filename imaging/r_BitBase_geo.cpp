// r_BitBase: georeferencing. World files keep the outer top-left corner of the image (no half
// pixel), read and written alike; tile names are British National Grid squares in metres; the
// calibration trailer stores 48-bit reals (exponent byte with bias 129, 39-bit fraction, sign).
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "imaging/r_BitBase.h"
#include "imaging/r_BitBase_read.h"
#include "platform/files.h"

using namespace bitbase;

namespace {

constexpr double kFootUS = 0.304800609;  // US survey foot, as the projection files' readers take it
constexpr double kFoot = 0.3048;

void geoLog(const std::string& s) { log("r_BitBase." + s); }

std::string extensionOf(int type) {
  switch (type) {
    case 3: return "bpw";
    case 4: return "tfw";
    case 5: return "jgw";
    default: return "";
  }
}

// The name without its folder.
std::string bareName(const std::string& filename) {
  const size_t slash = filename.find_last_of("/\\");
  return slash == std::string::npos ? filename : filename.substr(slash + 1);
}

// Position of the full stop that starts the extension, npos when the bare name has none.
size_t extensionDot(const std::string& filename) {
  const size_t slash = filename.find_last_of("/\\");
  const size_t dot = filename.rfind('.');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string::npos : dot;
}

// The image's size by its type (BMP, TIFF, JPEG); false when it cannot be measured.
bool sizeByType(const std::string& filename, int32_t& width, int32_t& height) {
  int32_t w = 0, h = 0, depth = 0;
  bool ok = false;
  switch (getfiletype(filename)) {
    case 3: ok = GetBmpSize(filename, w, h, depth); break;
    case 4: ok = GetTifSize(filename, w, h, depth); break;
    case 5: ok = GetJPGSize(filename, w, h); break;
    default: break;
  }
  if (!ok || w < 0) return false;
  width = w;
  height = std::abs(h);  // a top-down BMP stores its height negated
  return true;
}

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

// A whole text as a number with a full stop; false for anything else.
bool parseNumber(const std::string& text, double& v) {
  std::string t = trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(v);
}

// ---- 48-bit reals of the trailer

double real48(const uint8_t* b) {
  if (b[0] == 0) return 0;
  uint64_t f = 0;
  for (int i = 1; i <= 5; ++i) f |= uint64_t(b[i]) << (8 * (i - 1));
  const bool negative = (f >> 39) & 1;
  f &= (uint64_t(1) << 39) - 1;
  const double v = std::ldexp(1.0 + std::ldexp(double(f), -39), int(b[0]) - 129);
  return negative ? -v : v;
}

// The value as the nearest 48-bit real can hold it.
double throughReal48(double v) {
  if (v == 0 || !std::isfinite(v)) return v;
  int ex = 0;
  const double m = std::frexp(std::fabs(v), &ex);  // |v| = m 2^ex, m in [0.5, 1)
  double f = std::nearbyint((m * 2 - 1) * std::ldexp(1.0, 39));
  int e = ex - 1 + 129;
  if (f >= std::ldexp(1.0, 39)) {
    f = 0;
    ++e;
  }
  if (e <= 0) return 0;
  const double r = std::ldexp(1.0 + std::ldexp(f, -39), e - 129);
  return v < 0 ? -r : r;
}

// ---- tile names

// The lower-left corner of the 100 km square of a two-letter grid name; false when the first
// letter names no 500 km square of the grid.
bool gridSquare(char first, char second, double& x, double& y) {
  switch (first) {
    case 'H': x = 0; y = 1000000; break;
    case 'N': x = 0; y = 500000; break;
    case 'S': x = 0; y = 0; break;
    case 'T': x = 500000; y = 0; break;
    default: return false;
  }
  if (second >= 'A' && second <= 'Z' && second != 'I') {
    const int i = second - 'A' - (second > 'I' ? 1 : 0);  // 0..24 without I
    x += (i % 5) * 100000.0;
    y += (4 - i / 5) * 100000.0;
  }
  return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int digit(char c) { return c - '0'; }

bool tileBox(const std::string& filename, double& x1, double& y1, double& x2, double& y2) {
  std::string p = bareName(filename);
  if (const size_t dot = p.rfind('.'); dot != std::string::npos) p.erase(dot);
  double x = 0, y = 0, size = 0;
  bool valid = false;
  if (!p.empty() && isDigit(p[0])) {
    if (p.size() != 8) return false;
    valid = std::all_of(p.begin(), p.end(), isDigit);
    if (valid) {
      x = std::stoi(p.substr(0, 4)) * 100.0;
      y = std::stoi(p.substr(4, 4)) * 100.0;
    }
    size = 1000;
  } else {
    std::string q = p.substr(0, 6);
    q = q.substr(0, q.find('.'));
    for (char& c : q) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (q.size() < 2 || !gridSquare(q[0], q[1], x, y)) return false;
    if (q.size() == 2) {
      size = 100000;
      valid = true;
    } else if (q.size() == 4) {
      if (isDigit(q[2])) {
        valid = isDigit(q[3]);
        if (valid) {
          x += digit(q[2]) * 10000.0;
          y += digit(q[3]) * 10000.0;
        }
        size = 10000;
      } else {
        valid = (q[2] == 'N' || q[2] == 'S') && (q[3] == 'E' || q[3] == 'W');
        if (q[3] == 'E') x += 50000;
        if (q[2] == 'N') y += 50000;
        size = 50000;
      }
    } else if (q.size() == 6) {
      const bool digits = isDigit(q[2]) && isDigit(q[3]);
      if (isDigit(q[4])) {
        valid = digits && isDigit(q[5]);
        if (valid) {
          x += digit(q[2]) * 10000.0 + digit(q[3]) * 1000.0;
          y += digit(q[4]) * 10000.0 + digit(q[5]) * 1000.0;
        }
        size = 1000;
        // Seven and eight characters narrow the 1 km square further.
        if (valid && p.size() == 7) {
          if (p[6] == '1' || p[6] == '3') x += 500;
          if (p[6] == '2' || p[6] == '3') y += 500;
          size = 500;
        } else if (valid && p.size() == 8) {
          if (p[6] >= '0' && p[6] <= '3') {
            valid = isDigit(p[7]);
            x += digit(p[6]) * 250.0;
            y += valid ? digit(p[7]) * 250.0 : 0;
            size = 250;
          } else {
            if (std::toupper(static_cast<unsigned char>(p[7])) == 'E') x += 500;
            if (std::toupper(static_cast<unsigned char>(p[6])) == 'N') y += 500;
            size = 500;
          }
        }
      } else {
        valid = digits && (q[4] == 'N' || q[4] == 'S') && (q[5] == 'E' || q[5] == 'W');
        if (valid) {
          x += digit(q[2]) * 10000.0 + (q[5] == 'E' ? 5000 : 0);
          y += digit(q[3]) * 10000.0 + (q[4] == 'N' ? 5000 : 0);
        }
        size = 5000;
      }
    } else {
      return false;
    }
  }
  if (!valid) return false;
  x1 = x;
  y1 = y;
  x2 = x + size;
  y2 = y + size;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// World files

std::string worldFileName(const std::string& imageName) {
  const std::string ext = extensionOf(getfiletype(imageName));
  if (ext.empty()) return "";
  const size_t dot = extensionDot(imageName);
  return (dot == std::string::npos ? imageName + "." : imageName.substr(0, dot + 1)) + ext;
}

bool getWorldFile(const std::string& filename, double& x1, double& y2, double& mp) {
  std::string text;
  if (!r_fileBase::FileExists(filename)) return false;
  if (!platform::readWholeFile(filename, text)) {
    geoLog("getWorldFile: cannot read " + filename);
    return false;
  }
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size() && lines.size() < 6;) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  double v[6];
  for (size_t i = 0; i < 6; ++i)
    if (i >= lines.size() || !parseNumber(lines[i], v[i])) {
      geoLog("getWorldFile: " + filename + ": line " + std::to_string(i + 1) + " is not a number");
      return false;
    }
  mp = v[0] > 0 ? v[0] : 1;
  x1 = v[4];
  y2 = v[5];
  const std::string prj = filename.size() >= 3 ? filename.substr(0, filename.size() - 3) + "prj" : "";
  std::string wkt;
  if (!prj.empty() && r_fileBase::FileExists(prj) && platform::readWholeFile(prj, wkt)) {
    // The spellings that projection files of either family use for the two feet.
    for (char& c : wkt) c = char(std::tolower(static_cast<unsigned char>(c)));
    auto names = [&](std::initializer_list<const char*> units) {
      return std::any_of(units.begin(), units.end(), [&](const char* u) { return wkt.find(u) != std::string::npos; });
    };
    double factor = 1;
    if (names({"unit[\"feet_us\"", "unit[\"foot_us\"", "unit[\"us survey foot\""}))
      factor = kFootUS;
    else if (names({"unit[\"feet\"", "unit[\"foot\""}))
      factor = kFoot;
    mp *= factor;
    x1 *= factor;
    y2 *= factor;
  }
  return true;
}

bool MakeWorldFile(const std::string& filename, int32_t /*width*/, int32_t height, double x1, double y1, double mp) {
  const std::string name = worldFileName(filename);
  if (name.empty()) {
    geoLog("MakeWorldFile: no world file for the type of " + filename);
    return false;
  }
  std::string text;
  for (double v : {mp, 0.0, 0.0, -mp, x1, y1 + height * mp}) {
    char line[64];
    std::snprintf(line, sizeof line, "%20.8f\r\n", v);  // the C locale: a full stop
    text += line;
  }
  std::string why;
  if (platform::replaceFileContents(name, text, &why)) return true;
  geoLog("MakeWorldFile: cannot write " + name + ": " + why);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Tile names

bool OScalibration(const std::string& filename, int32_t width, int32_t /*height*/, double& x1, double& y1,
                   double& x2, double& y2, double& mp) {
  if (!tileBox(filename, x1, y1, x2, y2)) return false;
  if (width == 0) {
    int32_t h = 0;
    if (!sizeByType(filename, width, h)) width = 0;
  }
  if (width > 0) mp = (x2 - x1) / width;
  return true;
}

bool OScalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp) {
  return OScalibration(filename, 0, 0, x1, y1, x2, y2, mp);
}

bool OScalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2) {
  double mp = 0;
  return OScalibration(filename, -1, 0, x1, y1, x2, y2, mp);
}

// ---------------------------------------------------------------------------------------------
// GeoTIFF

bool GetGeoTiff(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp,
                int32_t& width, int32_t& height, std::string& imageDescription) {
  x1 = y1 = x2 = y2 = mp = 0;
  imageDescription.clear();
  TfileReader r(filename);
  TtiffDir d;
  if (!r.isOpen() || !readTiffDir(r, d)) {
    geoLog("GetGeoTiff: not a TIFF that can be read: " + filename);
    return false;
  }
  TtiffSize s;
  measureTiff(r, d, s, false);
  if (lastBitsPerSample == 0) lastDepth = s.samples * 24;  // samples are at most 65535
  width = s.width;
  height = s.height;
  for (const TtiffEntry& e : d.entries)
    if (e.tag == 270 && e.count > 1 && e.valuePos() >= 0 && int64_t(e.count) - 1 <= r.size() - e.valuePos()) {
      // Only a text that the file holds: the count is checked before anything is allocated.
      std::string text(e.count - 1, '\0');
      if (r.readAt(e.valuePos(), text.data(), text.size())) imageDescription = text;
    }
  readGeoTags(r, d, mp, x1, y2);
  if (mp > 0 && width >= 0 && height >= 0) {
    x2 = x1 + width * mp;
    y1 = y2 - height * mp;
    return true;
  }
  x1 = y1 = 0;
  x2 = width;
  y2 = height;
  mp = 1;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Calibration trailer

bool getQycalibration(const std::string& filename, double& x1, double& y2, double& mp) {
  TfileReader r(filename);
  if (!r.isOpen()) return false;
  uint8_t tail[2];
  if (!r.readAt(r.size() - 2, tail, 2) || tail[1] != 0xED || (tail[0] != 3 && tail[0] != 4)) return false;
  const bool code4 = tail[0] == 4;
  uint8_t rec[24];
  const int len = code4 ? 24 : 22;
  uint16_t dpi = 0;
  if (!r.readAt(r.size() - len, rec, size_t(len)) || !r.u16(r.size() - len + 18, false, dpi)) return false;
  const double left = real48(rec), edge = real48(rec + 6), scale = real48(rec + 12);
  // Without a resolution and a scale the trailer places nothing.
  if (dpi == 0 || !(scale > 0)) {
    geoLog("getQycalibration: " + filename + ": resolution " + std::to_string(dpi) + " or scale not positive");
    return false;
  }
  const double pixel = scale / 1000 * 25.4 / dpi;
  double top = edge;
  if (!code4) {  // the bottom edge is stored: the top lies the image's height above it
    int32_t w = 0, h = 0;
    if (!sizeByType(filename, w, h)) {
      geoLog("getQycalibration: " + filename + ": the image height is unknown");
      return false;
    }
    top = throughReal48(edge + h * pixel);
  }
  x1 = left;
  y2 = top;
  mp = pixel;
  return true;
}

// ---------------------------------------------------------------------------------------------
// The chain

bool doGetCalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp,
                      int32_t& width, int32_t& height, bool wantMp) {
  const int type = getfiletype(filename);
  auto placeBySize = [&] {
    if (!sizeByType(filename, width, height)) width = height = 0;
    x2 = x1 + width * mp;
    y1 = y2 - height * mp;
  };
  if (const std::string world = worldFileName(filename); !world.empty() && getWorldFile(world, x1, y2, mp)) {
    placeBySize();
    return true;
  }
  if (wantMp) {
    double a = 0, b = 0, c = 0, d = 0, m = 0;
    if (OScalibration(filename, a, b, c, d, m)) {
      x1 = a;
      y1 = b;
      x2 = c;
      y2 = d;
      if (m > 0) {
        mp = m;
        width = int32_t(std::nearbyint((x2 - x1) / mp));
        height = int32_t(std::nearbyint((y2 - y1) / mp));
      }
      return true;
    }
  } else if (OScalibration(filename, x1, y1, x2, y2)) {
    return true;
  }
  if (type == 4) {
    std::string description;
    int32_t w = 0, h = 0;
    double a = 0, b = 0, c = 0, d = 0, m = 0;
    if (GetGeoTiff(filename, a, b, c, d, m, w, h, description)) {
      x1 = a;
      y1 = b;
      x2 = c;
      y2 = d;
      mp = m;
      width = w;
      height = h;
      return true;
    }
  }
  if (getQycalibration(filename, x1, y2, mp)) {
    placeBySize();
    return true;
  }
  if (!sizeByType(filename, width, height)) width = height = 0;
  x1 = y1 = 0;
  x2 = width;
  y2 = height;
  mp = 1;
  return false;
}

bool getCalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp) {
  int32_t width = 0, height = 0;
  return doGetCalibration(filename, x1, y1, x2, y2, mp, width, height, true);
}
