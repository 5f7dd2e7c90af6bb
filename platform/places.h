// The places a folder tree starts from on Linux: the home folder, the documents folder and the
// other XDG user folders, the root of the file system, and the mount points of removable and
// network volumes (read from /proc/self/mounts).
// Implemented: [x] XDG user folders (user-dirs.dirs) [x] volumes below /media, /run/media, /mnt
//              [x] network file systems by type [ ] volume labels
#pragma once
#include <string>
#include <vector>

namespace platform {

struct TfolderPlace {
  enum class Kind { Home, UserFolder, FileSystem, Volume };
  Kind kind = Kind::Home;
  std::string name;  // the folder's own name ("/" for the file system)
  std::string path;  // ending in "/"
};

// Home, documents, the other existing XDG user folders (each once, home itself not again), the
// file system's root, then the volumes.
[[nodiscard]] std::vector<TfolderPlace> folderPlaces();
// The XDG user folders set in user-dirs.dirs (documents from documentsFolder()), documents
// first; only folders that exist. Each ends in "/".
[[nodiscard]] std::vector<std::string> xdgUserFolders();
// Mount points, in the order of the table, of the removable and network volumes of a mounts
// table in the /proc/self/mounts form (octal escapes such as \040 decoded): those below
// /media/, /run/media/ or /mnt/, and those of a network file system type. Each ends in "/".
[[nodiscard]] std::vector<std::string> volumeMounts(const std::string& mountsText);

}  // namespace platform
