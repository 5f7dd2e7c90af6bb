// The picker's seam of r_pick_seams.h: no GeoPackage reader yet, so no layers.
#include "ui/r_pick_seams.h"

namespace pickSeam {
bool gpkgLayerNames(const std::string&, TStringList&) { return false; }
}  // namespace pickSeam
