// The system's special folders on Linux (documents, application data, temporary files).
// Every folder returned ends in "/". Nothing here creates folders except tempFolder().
// Implemented: [x] XDG documents [x] XDG data home [x] per-user temporary folder (mode 0700)
//              [x] the user's fonts folder [x] system and add-on program folders
#pragma once
#include <string>

namespace platform {
// $HOME, ending in "/".
std::string homeFolder();
// $XDG_DOCUMENTS_DIR, else the DOCUMENTS entry of ~/.config/user-dirs.dirs, else ~/Documents.
std::string documentsFolder();
// $XDG_DATA_HOME, else ~/.local/share: stands for both the local and the common application data.
std::string localAppDataFolder();
// The user's own fonts folder, which fontconfig reads: $XDG_DATA_HOME/fonts/.
std::string fontsFolder();
// Where the file-system hierarchy puts the system's programs (/usr/bin/) and add-on program
// packages (/opt/).
std::string systemProgramsFolder();
std::string programPackagesFolder();
// A per-user folder below $TMPDIR (or /tmp) with mode 0700, created when missing.
std::string tempFolder();
// Appends "/" when missing; turns "\" into "/".
std::string withSlash(std::string folder);
}  // namespace platform
