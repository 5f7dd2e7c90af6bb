// r_LL: the orthographic projection of a sphere about a reference point (the globe dial's view of
// the world picture), and the datum record with its scaling factor.
#pragma once

namespace platform {
class TCanvas;
}

namespace r_LL {

constexpr double earthRadius = 6378137.0;
constexpr int p_orthographic = 65;

// Angles in degrees, east and north positive; x east, y north.
class Tortho {
 public:
  Tortho() = default;

  void setreflong(double value);
  void setreflat(double value);
  [[nodiscard]] double reflongitude() const { return mapCentreLong; }
  [[nodiscard]] double reflatitude() const { return mapCentreLat; }

  void orthoInit() { hidden = false; }
  // Rotates the point into the frame centred on the reference; false (nothing changed) for a
  // latitude outside -90..90.
  bool CentreLL(double& Long, double& lat);
  // Hidden points (beyond the rim by more than 0.1 % of a right angle) land on the rim in their
  // own direction, and the result is still true.
  bool getXY(double Long, double lat, double& x, double& y);
  // False, with (0, 0), outside the disc.
  bool getLL(double& Long, double& lat, double x, double y);
  bool doOrthoLL(double& Long, double& lat, double x, double y);
  [[nodiscard]] double OrthoBearing(double long0, double lat0, double long1, double lat1);
  [[nodiscard]] double OrthoBearing(double long1, double lat1);
  void OrthoPerimeter(double& Long, double& lat, double bearing);
  void OrthoPerimeter(double& Long, double& lat, double bearing, double factor);
  void orthoGrid(platform::TCanvas& dc, int x1, int y1, int x2, int y2, double elevation, double bearing,
                 double scope);
  void OrthoPath(double Long, double lat, double bearing);

  double mapCentreLong = 0, mapCentreLat = 0;
  double ER = earthRadius;
  bool hidden = false;
  double hiddenLong = 0, hiddenLat = 0;
  double refeasting = 0, refnorthing = 0;
  bool initialized = false;
};

struct TdatumParam {
  double a = 0, b = 0, e2 = 0, n = 0, dx = 0, dy = 0, dz = 0, da = 0, df = 0, rx = 0, ry = 0, rz = 0, ppm = 0;
  unsigned char transform = 0;
};

class Tdatum {
 public:
  void setfactor(double value);
  [[nodiscard]] double scalingfactor() const { return sfactor; }

  double sfactor = 0;
  TdatumParam param, scaled;
  int mifcode = 0;
};

}  // namespace r_LL
