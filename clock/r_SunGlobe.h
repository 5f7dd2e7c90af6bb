// r_SunGlobe: the globe dial: the world picture shaded for day and night, projected onto an
// orthographic globe centred on the home place.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "astro/r_sunLite.h"

class Tbm24;
class TrawBitmap24;
class Tsun;
class Tobserver;
class TsunBase;
namespace platform {
class TCanvas;
}

namespace r_SunGlobe {

// How high the sun stands over every pixel of an equirectangular world picture, as a byte per
// pixel, and the picture darkened toward black by it.
class TsunEle {
 public:
  TsunEle();

  void setSunLat(double sunlat);
  // Degrees; Long east of the sub-solar meridian. 90 plus the sun's elevation there.
  [[nodiscard]] double elevation(double lat, double Long) const;
  // width × (width div 2) bytes with the sub-solar point at longitude 180 − sunLong.
  void eleMap(int width, double sunLong);
  // False (target untouched) for a target whose width is not the map's or which has more rows.
  bool applyMap(TrawBitmap24& target) const;

  std::vector<uint8_t> buf;
  int width = 0;
  double sx = 0, sy = 0, sz = 0;
  double deg2rad;
  double sunLat = 0;

 private:
  ::TsunEle shape;  // the elevation formula and byte scale shared with the day/night map
};

}  // namespace r_SunGlobe
