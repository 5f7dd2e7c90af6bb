// What the file picker asks of parts of the system that stand beside it: the recent-files store,
// the busy window, image headers and image drawing, and the layers of a GeoPackage. Each is one
// call here, so the picker reads the same whatever answers it.
#pragma once
#include <string>
#include <vector>

#include "platform/TStringList.h"
#include "platform/canvas.h"

namespace pickSeam {
// The recent-files store: a group's last folder, and the files chosen in it.
[[nodiscard]] std::string recentFolder(const std::string& group);
void setRecentFolder(const std::string& group, const std::string& folder);
void addRecent(const std::string& group, const std::string& entry);
[[nodiscard]] std::vector<std::string> recentEntries(const std::string& group);
// The busy window while the tree walks to a folder.
void busy(const std::string& caption);
void busyHide();
// Bits per pixel of a BMP or TIFF file from its header; 0 when it cannot be read.
[[nodiscard]] int bitDepth(const std::string& filename, int fileType);
// Decodes the image and fits it into the box (aspect kept, centred, smoothed); false, with
// nothing drawn, when it cannot be read.
bool drawImage(platform::TCanvas&, const std::string& filename, platform::TRect box);
// The layer tables of a GeoPackage, added to the list; false when it is none.
bool gpkgLayerNames(const std::string& filename, TStringList& list);
}  // namespace pickSeam
