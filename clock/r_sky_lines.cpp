// The sky view's two line services, from the shared line manager.
#include "clock/r_sky_lines.h"

#include <cmath>

#include "geometry/r_Geom.h"

namespace skylines {

bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4, double& xc,
                double& yc) {
  TlineMan& lm = createLineman();
  if (!lm.linesCross(x1, y1, x2, y2, x3, y3, x4, y4)) return false;
  xc = lm.xc();
  yc = lm.yc();
  return true;
}

bool LinePercentPoint(double& x, double& y, double& dx, double& dy, const Txyvalues& xy, double percent) {
  if (xy.size() < 2) return false;
  double total = 0;
  for (size_t i = 1; i < xy.size(); ++i) total += std::hypot(xy[i].x - xy[i - 1].x, xy[i].y - xy[i - 1].y);
  if (!(total > 0)) return false;
  createLineman().LinePercentPoint(x, y, dx, dy, xy, percent);
  return std::isfinite(x) && std::isfinite(y);
}

}  // namespace skylines
