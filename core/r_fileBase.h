// r_fileBase: file handles, file times, special folders and the common paths file, usable before
// or without `os` (the pixel buffers and the run log need files early). Handles are integers,
// -1 when no file is open; positions are 64-bit byte counts; times are UTC date-time values.
#pragma once
#include <cstdint>
#include <string>

#include "platform/TStringList.h"
#include "platform/datetime.h"

namespace r_fileBase {
// Special folder numbers the system asks for.
constexpr int csidl_personal = 5;         // documents
constexpr int csidl_fonts = 20;           // the user's fonts folder
constexpr int csidl_local_appdata = 28;
constexpr int csidl_common_appdata = 35;  // the same folder as the local one: nothing is system-wide
constexpr int csidl_system = 37;          // the system's programs
constexpr int csidl_program_files = 38;   // add-on program packages

// The folder with a trailing "/" (the XDG or file-system hierarchy counterpart); empty for a
// number the system never asks for.
std::string LocationOf(int csidl);
std::string LocationOfProgramData();

// The common paths file "Ombrant/common data/paths.txt" below the common data folder.
std::string commonPathsFile();
// The value of the first line named `name` (any letter case); empty when missing.
std::string commonPath(const std::string& name);
// Moves `name` to the end of the file with its new value; false when the file cannot be written.
bool setCommonPath(const std::string& name, const std::string& value);

bool FileExists(const std::string& name);
// Copies a file through a temporary file in the target's folder and a rename: a kill or a full
// disk leaves the old target (or none), never a cut one. False when either step fails.
bool CopyFileSafely(const std::string& from, const std::string& to);
// Up to and including the last "/" or "\"; empty for a bare name.
std::string ExtractFilePath(const std::string& s);
// Creates the folder and every missing folder above it; true when it exists afterwards.
bool MakeDirectory(const std::string& dir);
// Full names of the visible files `dir` + "*." + `ext` (one extension).
bool FileList(const std::string& dir, const std::string& ext, TStringList& list);

// Handles.
bool fileOpen(int& f, const std::string& filename);     // an existing file, for reading
bool fileCreate(int& f, const std::string& filename);   // created or emptied, reading and writing
// An existing file for reading and writing, or a new one; never clears a read-only file's
// protection to write it anyway: a read-only file fails.
bool Fileamend(int& f, const std::string& filename);
int64_t FileRead(int f, void* v, int64_t size);
bool FileWrite(int f, const void* v, int64_t size);
bool FileSeek(int f, int64_t position);
int64_t FilePosition(int f);
int64_t filesize(int f);
bool FileClose(int f);

// Creation and last-write times; 0 when the file does not exist.
platform::TDateTime FileDateTime(const std::string& name);
platform::TDateTime FileLastModified(const std::string& name);
}  // namespace r_fileBase
