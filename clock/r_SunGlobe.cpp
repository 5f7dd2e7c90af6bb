#include "clock/r_SunGlobe.h"

#include <cmath>
#include <numbers>

#include "core/r_bitmapRaw.h"
#include "platform/numbers.h"

namespace r_SunGlobe {

TsunEle::TsunEle() : deg2rad(std::numbers::pi / 180.0) {}

void TsunEle::setSunLat(double sunlat) {
  shape.setSunLat(sunlat);
  sx = shape.sx;
  sy = shape.sy;
  sz = shape.sz;
  sunLat = sunlat;
}

double TsunEle::elevation(double lat, double Long) const { return shape.elevation(lat, Long); }

void TsunEle::eleMap(int w, double sunLong) {
  if (w < 0) w = 0;
  const int h = w / 2;
  width = w;
  buf.assign(size_t(w) * size_t(h), 0);
  if (w == 0 || h == 0) return;
  const int64_t s = platform::Round(w / 360.0 * (180 - sunLong));
  const int shift = int(((s % w) + w) % w);
  std::vector<double> longs(static_cast<size_t>(w));
  for (int j = 0; j < w; ++j) longs[size_t(j)] = j / double(w) * 360 - 180;
  for (int i = 0; i < h; ++i) {
    const double lat = 90 - i / double(h) * 180;
    uint8_t* row = buf.data() + size_t(i) * size_t(w);
    for (int j = 0; j < w; ++j) {
      int c = j + shift;
      if (c >= w) c -= w;
      row[c] = ::TsunEle::shade(shape.elevation(lat, longs[size_t(j)]));
    }
  }
}

bool TsunEle::applyMap(TrawBitmap24& target) const {
  const int w = target.width(), h = target.height();
  if (w != width || h > width / 2 || h < 0) return false;
  for (int row = 0; row < h; ++row) {
    const uint8_t* b = buf.data() + size_t(row) * size_t(w);
    for (int col = 0; col < w; ++col) {
      if (b[col] == 255) continue;
      target.setPixel(col, row, Tbgr{0, 0, 0}, int(platform::Round((255 - b[col]) / 255.0 * 85)));
    }
  }
  return true;
}

}  // namespace r_SunGlobe
