// What the file picker asks of a reader that is not in the system yet: the layers of a
// GeoPackage. Until it comes, a GeoPackage lists no tables, as for an unknown file.
#pragma once
#include <string>

#include "platform/TStringList.h"

namespace pickSeam {
// The layer tables of a GeoPackage, added to the list; false when it is none.
bool gpkgLayerNames(const std::string& filename, TStringList& list);
}  // namespace pickSeam
