// The two line services the sky view takes from the shared line manager: segment crossing and
// the point at a percentage of a polyline's length.
#pragma once
#include "core/Tutil.h"

namespace skylines {
// Segment 1-2 against segment 3-4: true when they cross (a shared end point does not), with the
// crossing point in xc, yc.
bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4, double& xc,
                double& yc);
// The point at percent (0 to 100) of the polyline's length and the unit direction of the segment
// it falls on; below 0 and above 100 the first and last segments are extended. False for fewer
// than two points or a line without length.
bool LinePercentPoint(double& x, double& y, double& dx, double& dy, const Txyvalues& xy, double percent);
}  // namespace skylines
