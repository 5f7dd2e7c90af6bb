// TsunEle: the sun-elevation byte map and the day/night blend. The elevation figure of a point is
// 180° minus its angular distance from the sub-solar point (90 + the sun's altitude there); its
// byte is 255 in full day (sun above 4°), 0 at the antisolar point, a sine-shaped twilight between.
#include <cmath>
#include <cstring>
#include <numbers>

#include "astro/r_sunLite.h"
#include "platform/numbers.h"

namespace {
constexpr double kPi = std::numbers::pi;

// day + (night − day) × weight / 300 rounded halves to even: the fade by (255 − v) / 3 percent.
// The numerator is an exact integer and float division is correctly rounded, so an exact half
// stays exact; adding and taking away 1.5 × 2^23 then rounds it to the even neighbour (the
// default rounding mode). Plain SSE2 arithmetic, so the loop below vectorises.
inline uint8_t fadeThirds(int day, int night, int weight) {
  constexpr float kRoundEven = 12582912.0f;
  const float q = static_cast<float>(day * 300 + (night - day) * weight) / 300.0f;
  return static_cast<uint8_t>(static_cast<int>((q + kRoundEven) - kRoundEven));
}
}  // namespace

TsunEle::TsunEle() : deg2rad(kPi / 180) {}

void TsunEle::setSunLat(double lat) {
  sunlat = lat;
  sz = std::sin(lat * deg2rad);
  sx = 0;
  sy = std::cos(lat * deg2rad);
}

void TsunEle::setSunLong(double sunLong) {
  xoffset = static_cast<int32_t>(platform::Round(width / 360.0 * sunLong));
}

double TsunEle::elevation(double lat, double lng) const {
  const double phi = lat * deg2rad, lambda = lng * deg2rad;
  const double px = std::sin(lambda) * std::cos(phi), py = std::cos(lambda) * std::cos(phi), pz = std::sin(phi);
  const double c = std::sqrt((sx - px) * (sx - px) + (sy - py) * (sy - py) + (sz - pz) * (sz - pz));
  return (kPi - 2 * std::asin(c / 2)) / deg2rad;
}

uint8_t TsunEle::shade(double e) {
  // Figures a rounding error away from a boundary count as on it (the poles are exactly 90
  // with the sun on the equator, not 89.999999999).
  e = std::nearbyint(e * 1e9) / 1e9;
  double v;
  if (e > 94) v = 200 + (e - 94) / (180 - 94) * 55;
  else if (e < 86) v = e / 86 * 55;
  else v = 55 + 145 * (std::sin(kPi / 2 * (2 * (e - 86) / 8 - 1)) + 1) / 2;
  const int64_t b = platform::Round(v);
  return static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
}

// The same arithmetic as `elevation`, with each row's and column's sines taken once.
void TsunEle::eleMap(int w) {
  width = w > 0 ? w : 0;
  const int h = width / 2;
  noonX = h;
  buf.assign(static_cast<size_t>(width) * h, 0);
  std::vector<double> sinL(static_cast<size_t>(width)), cosL(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    const double lambda = (static_cast<double>(x) / width * 360 - 180) * deg2rad;
    sinL[x] = std::sin(lambda);
    cosL[x] = std::cos(lambda);
  }
  for (int y = 0; y < h; ++y) {
    const double phi = (90 - static_cast<double>(y) / h * 180) * deg2rad;
    const double cp = std::cos(phi), pz = std::sin(phi);
    const double dz2 = (sz - pz) * (sz - pz);
    uint8_t* row = buf.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const double px = sinL[x] * cp, py = cosL[x] * cp;
      const double c = std::sqrt((sx - px) * (sx - px) + (sy - py) * (sy - py) + dz2);
      row[x] = shade((kPi - 2 * std::asin(c / 2)) / deg2rad);
    }
  }
}

void TsunEle::applyMap(TrawBitmap24& target, TrawBitmap24& day, TrawBitmap24& night) {
  const int w = target.width(), h = target.height();
  // The byte map is read with the target's row stride: never past its end.
  if (w <= 0 || h <= 0 || buf.size() < static_cast<size_t>(w) * h) return;
  int shift = xoffset % w;
  if (shift < 0) shift += w;
  const bool direct = day.width() == w && day.height() == h && night.width() == w && night.height() == h &&
                      day.rowPt(0) && night.rowPt(0);
  std::vector<uint16_t> weights(direct ? static_cast<size_t>(3) * w : 0);
  std::vector<uint8_t> rolled(direct ? static_cast<size_t>(w) : 0);  // column x of the row: byte x − shift
  for (int y = 0; y < h; ++y) {
    const uint8_t* bytes = buf.data() + static_cast<size_t>(y) * w;
    uint8_t* t = target.rowPt(y);
    if (!t) return;
    if (direct) {
      // The rolled row as one weight per byte, then one branch-free pass the compiler can
      // vectorise: weight 0 (byte 255) gives the day byte back exactly.
      std::memcpy(rolled.data() + shift, bytes, static_cast<size_t>(w - shift));
      std::memcpy(rolled.data(), bytes + (w - shift), static_cast<size_t>(shift));
      for (int x = 0; x < w; ++x) {
        const uint16_t weight = static_cast<uint16_t>(255 - rolled[x]);  // percent × 300 / 100
        weights[3 * x] = weight;
        weights[3 * x + 1] = weight;
        weights[3 * x + 2] = weight;
      }
      const uint8_t* d = day.rowPt(y);
      const uint8_t* n = night.rowPt(y);
      for (int i = 0; i < 3 * w; ++i) t[i] = fadeThirds(d[i], n[i], weights[i]);
    } else {
      // Images of another size (or none: a missing container) are read through the clamped reader.
      for (int x = 0; x < w; ++x) {
        int xs = x - shift;
        if (xs < 0) xs += w;
        const int v = bytes[xs];
        Tbgr dc, nc;
        day.getPixel(x, y, dc);
        if (v < 255) {
          night.getPixel(x, y, nc);
          const int weight = 255 - v;
          dc = Tbgr{fadeThirds(dc.blue, nc.blue, weight), fadeThirds(dc.green, nc.green, weight),
                    fadeThirds(dc.red, nc.red, weight)};
        }
        target.setPixel(x, y, dc);
      }
    }
  }
}
