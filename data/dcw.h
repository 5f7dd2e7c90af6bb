// The country and state polygons of the Digital Chart of the World as GMT packs them in NetCDF:
// per area two unsigned 16-bit arrays "<code>_lon" and "<code>_lat", each value min + v / scale
// degrees, rings separated by the fill value. Longitudes run on without a jump across 180.
#pragma once
#include <string>
#include <vector>

#include "core/Tutil.h"

namespace kdata {

class TdcwFile {
 public:
  TdcwFile() = default;
  ~TdcwFile();
  TdcwFile(const TdcwFile&) = delete;
  TdcwFile& operator=(const TdcwFile&) = delete;

  bool open(const std::string& filename);
  // Area codes: two letters for a country ("GB"), more for a state ("USAK").
  [[nodiscard]] std::vector<std::string> codes() const;
  // The rings of an area (x = longitude, y = latitude); false when the file has no such area.
  bool rings(const std::string& code, TpolyXyValues& out) const;
  [[nodiscard]] const std::string& error() const { return ferror; }

 private:
  int ncid = -1;
  std::string ferror;
};

// Fills the pixels of a W x W/2 equirectangular map (row 0 at 90 north, column 0 at 180 west)
// whose centres lie inside the rings, even-odd; columns wrap round the map.
template <class Fn>
void rasterise(const TpolyXyValues& rings, int width, Fn&& setPixel);

}  // namespace kdata

#include "data/dcw_raster.h"
