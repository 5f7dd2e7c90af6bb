// The picker's seams of r_pick_seams.h, over what the system holds so far: the store keeps the
// groups for the run, the busy window is not shown, and image and GeoPackage readers not yet
// in the system answer as for an unknown file.
#include "ui/r_pick_seams.h"

#include <cstdint>
#include <fstream>
#include <map>

#include "core/os_filetypes.h"

namespace pickSeam {
namespace {
struct Tgroup {
  std::string folder;
  std::vector<std::string> entries;
};
std::map<std::string, Tgroup>& groups() {
  static std::map<std::string, Tgroup> g;
  return g;
}
}  // namespace

std::string recentFolder(const std::string& group) {
  auto it = groups().find(group);
  return it == groups().end() ? std::string() : it->second.folder;
}

void setRecentFolder(const std::string& group, const std::string& folder) { groups()[group].folder = folder; }

void addRecent(const std::string& group, const std::string& entry) { groups()[group].entries.push_back(entry); }

std::vector<std::string> recentEntries(const std::string& group) {
  auto it = groups().find(group);
  return it == groups().end() ? std::vector<std::string>() : it->second.entries;
}

void busy(const std::string&) {}
void busyHide() {}

int bitDepth(const std::string& filename, int fileType) {
  if (fileType != file_bmp) return 0;
  // The bit count of the info header (offset 28, 16 bits); a stored 0 reads as 24.
  std::ifstream in(filename, std::ios::binary);
  unsigned char h[30] = {};
  if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'B' || h[1] != 'M') return 0;
  const int depth = h[28] | (h[29] << 8);
  return depth == 0 ? 24 : depth;
}

bool drawImage(platform::TCanvas&, const std::string&, platform::TRect) { return false; }

bool gpkgLayerNames(const std::string&, TStringList&) { return false; }
}  // namespace pickSeam
