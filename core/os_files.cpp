// File and folder services of `os`: see os_files.h. Hidden entries (dot names) are never listed,
// so clearing a folder keeps them; symbolic links are removed as links and never followed out of
// the folder being cleared, copied or walked.
#include "core/os_files.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/r_base.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "core/units_seams.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {
bool startsWith(const std::string& s, const std::string& prefix) {
  return !prefix.empty() && s.compare(0, prefix.size(), prefix) == 0;
}

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
  return !prefix.empty() && s.size() >= prefix.size() && platform::sameNoCase(s.substr(0, prefix.size()), prefix);
}

// Stored names may carry Windows separators; on reading they become "/".
std::string slashes(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

// The folder above a root folder, with its trailing "/"; empty when it has none.
std::string folderAbove(std::string root) {
  root = platform::withSlash(root);
  if (root == "/") return root;
  auto prev = root.rfind('/', root.size() - 2);
  return prev == std::string::npos ? std::string() : root.substr(0, prev + 1);
}
}  // namespace

void reportWriteFailure(const std::string& message) {
  log("** " + message);
  // FIXME: message box seam: show `message` in an error box (yo) once message boxes exist.
}

Tos& TosFiles::self() { return static_cast<Tos&>(*this); }
const Tos& TosFiles::self() const { return static_cast<const Tos&>(*this); }

std::string TosFiles::documentsDir() const {
  const std::string& d = self().documents;
  return d.empty() ? platform::documentsFolder() : platform::withSlash(d);
}

std::string TosFiles::myDataDir() {
  Tos& o = self();
  if (o.defaultDataDir.empty()) o.defaultDataDir = documentsDir() + unitsSeam::wd("general", "My Maps") + "/";
  return o.defaultDataDir;
}

// ---------------------------------------------------------------------------------------------
// Name parts

std::string TosFiles::ExtractFilePath(const std::string& FileName) { return r_fileBase::ExtractFilePath(FileName); }

std::string TosFiles::ExtractFileName(const std::string& FileName) {
  auto sep = FileName.find_last_of("/\\");
  return sep == std::string::npos ? FileName : FileName.substr(sep + 1);
}

std::string TosFiles::ExtractFilePrefix(const std::string& FileName) {
  std::string name = ExtractFileName(FileName);
  auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string TosFiles::ExtractFileExt(const std::string& FileName) {
  std::string name = ExtractFileName(FileName);  // a full stop in a folder name is no extension
  auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : platform::lowerCase(name.substr(dot + 1));
}

void TosFiles::appendBackslash(std::string& dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
}

// ---------------------------------------------------------------------------------------------
// Existence and validity

bool TosFiles::FileExists(const std::string& FileName) { return platform::isFile(FileName); }

bool TosFiles::DirectoryExists(const std::string& Dir) { return platform::isFolder(Dir); }

bool TosFiles::FileInUse(const std::string& fName) {
  return FileExists(fName) && platform::fileLockedByOther(fName);
}

std::string TosFiles::LocationOf(int csidl) { return r_fileBase::LocationOf(csidl); }

bool TosFiles::ValidFilename(const std::string& Filename, NewDir newDirAllowed) {
  if (platform::codePointCount(Filename) <= 4) return false;
  // Refused so that names stay usable on every system the files travel to.
  if (Filename.find_first_of("\"*<>?|:") != std::string::npos) return false;
  std::string dir = ExtractFilePath(Filename);
  if (dir.empty() || DirectoryExists(dir)) return true;
  return newDirAllowed == NewDir::Allowed && MakeDirectory(dir);
}

// ---------------------------------------------------------------------------------------------
// Folders

bool TosFiles::MakeDirectory(const std::string& Dir) {
  std::string d = Dir;
  if (!d.empty() && (d.back() == '/' || d.back() == '\\')) d.pop_back();
  if (d.empty() || DirectoryExists(d)) return true;
  std::string parent = ExtractFilePath(d);
  // A bare name is a folder in the current folder.
  bool ok = (parent.empty() || MakeDirectory(parent)) && platform::makeFolder(d);
  if (!ok) self().log("?? make directory failed: " + d + " (" + platform::lastErrorText() + ")");
  return ok;
}

void TosFiles::copyDirectory(const std::string& source, const std::string& target) {
  std::string s = platform::withSlash(source), t = platform::withSlash(target);
  // A tree copied into itself would grow without end.
  if (t.compare(0, s.size(), s) == 0) {
    self().log("** copy directory into itself refused: " + s + " -> " + t);
    return;
  }
  MakeDirectory(target);
  TStringList files, dirs;
  ShortFileList(s, "*", files);
  for (const auto& f : files.lines()) copyfile(s + f, t + f);
  SubDirListShort(s, dirs);
  for (const auto& d : dirs.lines())
    if (!platform::isLink(s + d)) copyDirectory(s + d, t + d);  // a link could lead back into the tree
}

bool TosFiles::clearDirectory(const std::string& path, RemoveIt removeit) {
  std::string p = platform::withSlash(path);
  if (!DirectoryExists(p)) return false;
  bool ok = true;
  for (const auto& name : platform::listFolder(p, "*", platform::Entries::All)) {
    const std::string full = p + name;
    if (platform::isLink(full)) {
      ok = platform::removeFile(full) && ok;  // the link goes; what it points to stays
    } else if (platform::isFolder(full)) {
      ok = clearDirectory(full, RemoveIt::Yes) && ok;
    } else {
      ok = deletefile(full) && ok;
    }
  }
  if (ok && removeit == RemoveIt::Yes) ok = platform::removeFolder(p);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Path tokens

std::string TosFiles::detoken(const std::string& rootdir, const std::string& path) const {
  if (rootdir.empty()) return path;
  std::string root = platform::withSlash(rootdir);
  struct { const char* token; std::string folder; } tokens[] = {
      {"<root>", root}, {"<root parent>", folderAbove(root)}, {"<mydocs>", documentsDir()}};
  for (const auto& t : tokens)
    if (startsWith(path, t.token)) return t.folder + slashes(path.substr(std::strlen(t.token)));
  return path;
}

std::string TosFiles::enToken(const std::string& rootdir, const std::string& path) const {
  if (rootdir.empty()) return path;
  std::string root = platform::withSlash(rootdir);
  struct { const char* token; std::string folder; } tokens[] = {
      {"<root>", root}, {"<root parent>", folderAbove(root)}, {"<mydocs>", documentsDir()}};
  for (const auto& t : tokens)
    if (startsWith(path, t.folder)) return t.token + path.substr(t.folder.size());
  return path;
}

bool TosFiles::checkpath(const std::string& refname, std::string& filename, AsDir asDir) {
  auto test = [&](const std::string& f) { return asDir == AsDir::Yes ? DirectoryExists(f) : FileExists(f); };
  const Tos& o = self();
  struct { const char* token; std::string folder; } tokens[] = {
      {"<path>", ExtractFilePath(refname)}, {"<my data>", ""}, {"<root>", o.basedir()},
      {"<root parent>", o.parentdir}, {"<mydocs>", documentsDir()}};
  for (auto& t : tokens) {
    if (!startsWith(filename, t.token)) continue;
    if (std::strcmp(t.token, "<my data>") == 0) t.folder = myDataDir();
    filename = t.folder + slashes(filename.substr(std::strlen(t.token)));
    return test(filename);
  }
  if (test(filename)) return true;
  if (filename.find('\\') != std::string::npos && test(slashes(filename))) {
    filename = slashes(filename);
    return true;
  }
  std::string inBase = o.basedir() + slashes(filename);
  if (!o.basedir().empty() && !filename.empty() && test(inBase)) {
    filename = inBase;
    return true;
  }
  filename.clear();
  return false;
}

std::string TosFiles::checkPathReverse(const std::string& refname, const std::string& filename) const {
  const Tos& o = self();
  struct { const char* token; std::string folder; } tokens[] = {
      {"<path>", ExtractFilePath(refname)}, {"<my data>", o.defaultDataDir}, {"<root>", o.basedir()},
      {"<root parent>", o.parentdir}, {"<mydocs>", documentsDir()}};
  for (const auto& t : tokens)
    if (startsWithNoCase(filename, t.folder)) return t.token + filename.substr(t.folder.size());
  return filename;
}

// ---------------------------------------------------------------------------------------------
// Whole text files

std::string TosFiles::ReadTextFile(const std::string& filename) const {
  std::string bytes;
  if (!platform::readWholeFile(filename, bytes)) return {};
  return platform::decodeText(bytes);
}

bool TosFiles::WriteTextFile(const std::string& filename, const std::string& s) {
  std::string why;
  if (platform::replaceFileContents(filename, s, &why)) return true;
  self().log("** write text file failed: " + why);
  return false;
}

bool TosFiles::AppendToTextFile(const std::string& filename, const std::string& s) {
  if (FileInUse(filename)) {
    self().log("** append to text file: in use: " + filename);
    return false;
  }
  int f = platform::openAppend(filename);
  if (f < 0) {
    self().log("** append to text file failed: " + filename + " (" + platform::lastErrorText() + ")");
    return false;
  }
  int64_t end = platform::fileLength(f);
  const auto len = static_cast<int64_t>(s.size());
  bool locked = len == 0 || platform::lockRange(f, end, len);
  bool ok = locked && platform::writeFile(f, s.data(), len);
  if (locked && len > 0) platform::unlockRange(f, end, len);
  ok = platform::closeFile(f) && ok;
  if (!ok) self().log("** append to text file failed: " + filename);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Copying and deleting

bool TosFiles::deletefile(const std::string& filename) { return platform::removeFile(filename); }

bool TosFiles::copyfile(const std::string& source, const std::string& target) {
  if (platform::copyFileBytes(source, target)) return true;
  self().log("** copy file failed: " + source + " -> " + target);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Listing

bool TosFiles::FileListEx(const std::string& dir, const std::string& prefix, const std::string& ext,
                          TStringList& items, Format format) {
  items.clear();
  std::string d = platform::withSlash(dir);
  std::string pre = prefix.empty() ? "*" : prefix;
  std::vector<std::string> names = platform::listFolder(d, "*", platform::Entries::Files);
  std::string rest = ext;
  for (;;) {
    auto comma = rest.find(',');
    std::string part = rest.substr(0, comma);
    for (const auto& n : names) {
      // "*" also takes names without an extension; an empty part takes only those.
      bool match = part.empty() ? n.find('.') == std::string::npos && platform::fnmatchNoCase(pre, n)
                                : platform::fnmatchNoCase(pre + "." + part, n) ||
                                      (part == "*" && n.find('.') == std::string::npos && platform::fnmatchNoCase(pre, n));
      if (match) items.add(format == Format::Short ? n : d + n);
    }
    if (comma == std::string::npos) break;
    rest = rest.substr(comma + 1);
  }
  return items.count() > 0;
}

bool TosFiles::FileList(const std::string& dir, const std::string& ext, TStringList& items) {
  return FileListEx(dir, "*", ext, items, Format::Long);
}

bool TosFiles::ShortFileList(const std::string& dir, const std::string& ext, TStringList& items) {
  return FileListEx(dir, "*", ext, items, Format::Short);
}

bool TosFiles::doSubDir(const std::string& dir, TStringList& items, Format format) {
  items.clear();
  std::string d = platform::withSlash(dir);
  for (const auto& n : platform::listFolder(d, "*", platform::Entries::Folders))
    items.add(format == Format::Short ? n : d + n);
  return items.count() > 0;
}

bool TosFiles::FileListWithSubdirs(const std::string& dir, const std::string& prefix, const std::string& ext,
                                   TStringList& items) {
  items.clear();
  std::vector<std::string> stack{dir};
  while (!stack.empty()) {
    std::string folder = stack.back();
    stack.pop_back();
    TStringList found, subs;
    FileListEx(folder, prefix, ext, found, Format::Long);
    for (const auto& f : found.lines()) items.add(f);
    SubDirList(folder, subs);
    // Pushed in reverse so the first subfolder is visited next (depth first, listing order).
    for (int i = subs.count() - 1; i >= 0; --i)
      if (!platform::isLink(subs[i])) stack.push_back(subs[i]);
  }
  return items.count() > 0;
}

int TosFiles::FileCountWithSubdirs(const std::string& dir, const std::string& ext) {
  TStringList all;
  FileListWithSubdirs(dir, "*", ext, all);
  return all.count();
}

// ---------------------------------------------------------------------------------------------
// Numbered and temporary files

std::string TosFiles::autofilename(const std::string& dir, const std::string& prefix, const std::string& ext) {
  MakeDirectory(dir);
  const std::string e = ext.empty() ? "tmp" : ext;
  for (int n = 1; n < 1000000; ++n) {
    std::string name = dir + (prefix.empty() ? "" : prefix + "-") + std::to_string(n) + "." + e;
    if (!FileExists(name)) return name;
  }
  return {};
}

std::string TosFiles::getTempDir() {
  if (ftempfiledir.empty()) ftempfiledir = platform::tempFolder() + "Ombrant/" + self().appname() + "/";
  if (!tempDirIsPrivate()) self().log("?? temporary folder is not private or cannot be made: " + ftempfiledir);
  return ftempfiledir;
}

// Both levels must be ours alone: another user's folder or a planted link is never written into.
bool TosFiles::tempDirIsPrivate() {
  std::string ombrant = ftempfiledir.substr(0, ftempfiledir.size() - self().appname().size() - 1);
  return platform::ensurePrivateFolder(ombrant) && platform::ensurePrivateFolder(ftempfiledir);
}

std::string TosFiles::tempfilename(const std::string& ext) {
  const std::string dir = getTempDir();
  const std::string e = ext.empty() ? "tmp" : ext;
  for (int n = 1; n < 1000000 && tempDirIsPrivate(); ++n) {
    std::string name = dir + std::to_string(self().sessionID) + "-" + std::to_string(n) + "." + e;
    if (platform::createExclusive(name)) return name;
  }
  self().log("** no temporary file name in " + dir);
  return {};
}

void TosFiles::clearTempDir() {
  if (!ftempfiledir.empty() && tempDirIsPrivate()) clearDirectory(ftempfiledir, RemoveIt::No);
}

// ---------------------------------------------------------------------------------------------
// Handles

bool TosFiles::fileOpen(int& f, const std::string& filename) { return r_fileBase::fileOpen(f, filename); }
bool TosFiles::fileamend(int& f, const std::string& filename) {
  if (r_fileBase::Fileamend(f, filename)) return true;
  self().log("** cannot open for writing: " + filename +
             (platform::isReadOnly(filename) ? " (read-only)" : " (" + platform::lastErrorText() + ")"));
  return false;
}
bool TosFiles::fileCreate(int& f, const std::string& filename) { return r_fileBase::fileCreate(f, filename); }
int64_t TosFiles::FileRead(int f, void* v, int64_t size) { return r_fileBase::FileRead(f, v, size); }
bool TosFiles::FileWrite(int f, const void* v, int64_t size) { return r_fileBase::FileWrite(f, v, size); }
bool TosFiles::FileSeek(int f, int64_t position) { return r_fileBase::FileSeek(f, position); }
int64_t TosFiles::filePosition(int f) { return r_fileBase::FilePosition(f); }
int64_t TosFiles::filesize(int f) { return r_fileBase::filesize(f); }
bool TosFiles::fileEnd(int f) { return filePosition(f) >= filesize(f); }
bool TosFiles::FileClose(int f) { return r_fileBase::FileClose(f); }

// ---------------------------------------------------------------------------------------------
// Sizes, attributes and times

int64_t TosFiles::getfilesize(const std::string& filename) {
  int64_t size = 0;
  return FileExists(filename) && platform::fileSize(filename, size) ? size : 0;
}

std::string TosFiles::getfilesizeStr(const std::string& filename) { return getfilesizeStr(getfilesize(filename)); }

std::string TosFiles::getfilesizeStr(int64_t size) const {
  if (size < 1024) return std::to_string(size) + " bytes";
  if (size < 1048576) return self().DoubleToStr(static_cast<double>(size) / 1024.0, 2) + " Kb";
  return self().DoubleToStr(static_cast<double>(size) / 1048576.0, 2) + " Mb";
}

bool TosFiles::readOnlyFile(const std::string& filename) {
  return FileExists(filename) && platform::isReadOnly(filename);
}

void TosFiles::clearReadOnly(const std::string& filename) {
  if (FileExists(filename)) platform::setReadOnly(filename, false);
}

bool TosFiles::IsDirectoryWriteable(const std::string& dir) {
  std::string d = platform::withSlash(dir);
  if (!DirectoryExists(d)) return false;
  // A fresh exclusive name each time: a leftover probe file never makes a folder look read-only.
  std::string probe = d + ".chk-XXXXXX";
  int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  platform::closeFile(fd);
  platform::removeFile(probe);
  return true;
}

platform::TDateTime TosFiles::FileDateTime(const std::string& filename) { return r_fileBase::FileDateTime(filename); }

platform::TDateTime TosFiles::FileLastModified(const std::string& filename) {
  return r_fileBase::FileLastModified(filename);
}

bool TosFiles::SetDateTime(const std::string& FileName, platform::TDateTime /*dtCreation*/,
                           platform::TDateTime dtLastAccessTime, platform::TDateTime dtLastWriteTime) {
  if (!FileExists(FileName) && !DirectoryExists(FileName)) return false;
  return platform::setFileTimes(FileName, dtLastAccessTime, dtLastWriteTime);
}

platform::TDateTime TosFiles::GetDirectoryDate(const std::string& Folder) {
  std::string f = Folder;
  if (f.size() > 1 && (f.back() == '/' || f.back() == '\\')) f.pop_back();
  if (platform::isHiddenName(f)) return 0;
  platform::TDateTime c = 0, a = 0, w = 0;
  return platform::fileTimes(f, c, a, w) ? w : 0;
}
