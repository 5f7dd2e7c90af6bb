// r_fileBase: see r_fileBase.h. Nothing here logs or needs `os`.
#include "core/r_fileBase.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace r_fileBase {

std::string LocationOf(int csidl) {
  switch (csidl) {
    case csidl_personal: return platform::documentsFolder();
    case csidl_fonts: return platform::fontsFolder();
    case csidl_local_appdata:
    case csidl_common_appdata: return platform::localAppDataFolder();
    case csidl_system: return platform::systemProgramsFolder();
    case csidl_program_files: return platform::programPackagesFolder();
    default: return {};
  }
}

std::string LocationOfProgramData() { return LocationOf(csidl_common_appdata); }

std::string commonPathsFile() { return LocationOfProgramData() + "Ombrant/common data/paths.txt"; }

std::string commonPath(const std::string& name) {
  MakeDirectory(ExtractFilePath(commonPathsFile()));
  TStringList list;
  if (!FileExists(commonPathsFile()) || !list.loadFromFile(commonPathsFile())) return {};
  int i = list.indexOfName(name);
  return i < 0 ? std::string() : TStringList::valueOf(list[i]);
}

bool setCommonPath(const std::string& name, const std::string& value) {
  const std::string file = commonPathsFile();
  MakeDirectory(ExtractFilePath(file));
  TStringList list;
  if (FileExists(file)) list.loadFromFile(file);
  if (int i = list.indexOfName(name); i >= 0) list.remove(i);
  list.add(name + "=" + value);
  return platform::replaceFileContents(file, list.text());
}

bool FileExists(const std::string& name) { return platform::isFile(name); }

bool CopyFileSafely(const std::string& from, const std::string& to) {
  std::string bytes;
  return platform::readWholeFile(from, bytes) && platform::replaceFileContents(to, bytes);
}

std::string ExtractFilePath(const std::string& s) {
  auto sep = s.find_last_of("/\\");
  return sep == std::string::npos ? std::string() : s.substr(0, sep + 1);
}

bool MakeDirectory(const std::string& dir) {
  std::string d = dir;
  if (!d.empty() && (d.back() == '/' || d.back() == '\\')) d.pop_back();
  if (d.empty() || platform::isFolder(d)) return true;
  std::string parent = ExtractFilePath(d);
  if (!parent.empty() && !MakeDirectory(parent)) return false;
  return platform::makeFolder(d);
}

bool FileList(const std::string& dir, const std::string& ext, TStringList& list) {
  list.clear();
  std::string d = platform::withSlash(dir);
  // "*" takes every file, as "*.*" does where the names come from.
  for (const auto& name : platform::listFolder(d, ext == "*" ? "*" : "*." + ext, platform::Entries::Files))
    list.add(d + name);
  return list.count() > 0;
}

bool fileOpen(int& f, const std::string& filename) {
  f = platform::openRead(filename);
  return f != platform::kNoFile;
}

bool fileCreate(int& f, const std::string& filename) {
  f = platform::createTruncate(filename);
  return f != platform::kNoFile;
}

bool Fileamend(int& f, const std::string& filename) {
  f = platform::kNoFile;
  // The attribute is checked, not only the open: a privileged user could write it anyway.
  if (FileExists(filename) && platform::isReadOnly(filename)) return false;
  f = FileExists(filename) ? platform::openReadWrite(filename) : platform::createTruncate(filename);
  if (f == platform::kNoFile) return false;
  platform::seekFile(f, 0);
  return true;
}

int64_t FileRead(int f, void* v, int64_t size) { return platform::readFile(f, v, size); }
bool FileWrite(int f, const void* v, int64_t size) { return platform::writeFile(f, v, size); }
bool FileSeek(int f, int64_t position) { return platform::seekFile(f, position) >= 0; }
int64_t FilePosition(int f) { return platform::filePosition(f); }
int64_t filesize(int f) { return platform::fileLength(f); }
bool FileClose(int f) { return platform::closeFile(f); }

platform::TDateTime FileDateTime(const std::string& name) {
  platform::TDateTime c = 0, a = 0, w = 0;
  return FileExists(name) && platform::fileTimes(name, c, a, w) ? c : 0;
}

platform::TDateTime FileLastModified(const std::string& name) {
  platform::TDateTime c = 0, a = 0, w = 0;
  return FileExists(name) && platform::fileTimes(name, c, a, w) ? w : 0;
}
}  // namespace r_fileBase
