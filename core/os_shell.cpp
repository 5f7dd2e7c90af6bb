// Shell services of `os`: see os_shell.h. ZIP archives are read with minizip and gzip files with
// zlib; files and addresses are opened through the platform's desktop opener.
#include "core/os_shell.h"

#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "core/os_filetypes.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/TMemoryStream.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {
Tos& osOf(TosShell* s) { return static_cast<Tos&>(*s); }

bool startsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::strlen(prefix);
  return s.size() >= n && platform::sameNoCase(s.substr(0, n), prefix);
}

bool isWebAddress(const std::string& s) { return startsWithNoCase(s, "http://") || startsWithNoCase(s, "https://"); }

// Extensions of files that run something when opened, which a stored link may never name.
bool isRunnableName(const std::string& name) {
  static const char* const kRunnable[] = {"exe", "dll", "com", "bat", "cmd", "scr", "msi", "desktop", "sh", "bash",
                                          "run", "bin", "appimage", "jar", "py", "pl", "rb", "ps1", "vbs", "js"};
  std::string ext = TosFiles::ExtractFileExt(name);
  for (const char* r : kRunnable)
    if (ext == r) return true;
  struct stat st {};
  return stat(name.c_str(), &st) == 0 && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

// The place of a ZIP entry below the target folder: its parts joined with "/", "." and empty
// parts dropped; nothing for a name that is absolute or climbs out with "..".
std::optional<std::string> safeEntryPath(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  if (name.empty() || name[0] == '/') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return std::nullopt;
  std::string out;
  size_t start = 0;
  while (start <= name.size()) {
    size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    std::string part = name.substr(start, slash - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
    start = slash + 1;
  }
  return out;
}

constexpr unsigned long kUtf8NameFlag = 1u << 11;  // general purpose bit 11: the name is UTF-8

struct TzipEntry {
  std::string name;  // as stored, in UTF-8
  bool folder = false;
};

// Every entry of an open archive, in order; false when the directory cannot be read.
bool listEntries(unzFile zf, std::vector<TzipEntry>& out) {
  int r = unzGoToFirstFile(zf);
  while (r == UNZ_OK) {
    unz_file_info64 info{};
    char raw[4096];
    if (unzGetCurrentFileInfo64(zf, &info, raw, sizeof raw, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::string name(raw, std::min<size_t>(info.size_filename, sizeof raw - 1));
    if (!(info.flag & kUtf8NameFlag) && !platform::isValidUtf8(name)) name = platform::fromCodePage(name, "ibm-437");
    bool folder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    out.push_back({name, folder});
    r = unzGoToNextFile(zf);
  }
  return r == UNZ_END_OF_LIST_OF_FILE;
}

// Writes the current entry's bytes to `path`; a link found there is replaced, never followed.
bool extractCurrent(unzFile zf, const std::string& path) {
  if (platform::isLink(path)) platform::removeFile(path);
  if (unzOpenCurrentFile(zf) != UNZ_OK) return false;
  int fd = platform::createTruncate(path);
  bool ok = fd != platform::kNoFile;
  std::vector<char> buf(1 << 16);
  while (ok) {
    int n = unzReadCurrentFile(zf, buf.data(), static_cast<unsigned>(buf.size()));
    if (n < 0) ok = false;
    if (n <= 0) break;
    ok = platform::writeFile(fd, buf.data(), n);
  }
  if (fd != platform::kNoFile) ok = platform::closeFile(fd) && ok;
  ok = unzCloseCurrentFile(zf) == UNZ_OK && ok;  // reports a CRC mismatch
  return ok;
}

// An archive of no entries and no comment: its end record alone, which the reader does not open.
bool isEmptyArchive(const std::string& source) {
  constexpr int64_t kEndRecord = 22;
  int64_t size = 0;
  std::string bytes;
  if (!platform::fileSize(source, size) || size != kEndRecord || !platform::readWholeFile(source, bytes)) return false;
  return bytes.size() == kEndRecord && std::memcmp(bytes.data(), "PK\x05\x06", 4) == 0 &&
         std::all_of(bytes.begin() + 4, bytes.end(), [](char c) { return c == 0; });
}

std::string firstPart(const std::string& path) { return path.substr(0, path.find('/')); }

// The part of `source` before a final ".gz" (any case); the whole name when it has none.
std::string withoutGz(const std::string& source) {
  if (source.size() > 3 && platform::sameNoCase(source.substr(source.size() - 3), ".gz"))
    return source.substr(0, source.size() - 3);
  return source;
}
}  // namespace

bool TosShell::openWebAddress(const std::string& address) {
  if (!isWebAddress(address)) {
    osOf(this).log("** not a web address, not opened: " + address);
    return false;
  }
  return platform::openWithDesktop(address);
}

// Pictures go to the desktop's viewer with nothing else, as the picture viewer is started.
// A program is run with the parameters; a document with parameters, or asked minimised, is handed
// with them to its default program where one is known; both start in the file's folder. Only our
// own programs can be asked to start minimised: for any other, the log says so.
bool TosShell::ViewFile(const std::string& filename, const std::string& parameters, bool hidden) {
  Tos& o = osOf(this);
  std::string name = filename;
  bool fromLink = false;
  if (filename.find(".qylink") != std::string::npos) {
    name = o.ReadTextFile(filename);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r' || name.back() == 20 || name.back() == ' '))
      name.pop_back();
    if (isWebAddress(name)) return openWebAddress(name);
    fromLink = true;
  } else if (isWebAddress(name)) {
    return openWebAddress(name);
  }
  if (!platform::isFile(name) && !platform::isFolder(name)) {
    o.log("** view file: not found: " + name);
    return false;
  }
  if (fromLink && (!platform::isFile(name) || isRunnableName(name))) {
    o.log("** link file names no document, not opened: " + filename + " -> " + name);
    return false;
  }
  const int type = TosFileTypes::getFileType(name);
  const bool picture = type == file_bmp || type == file_tif || type == file_jpeg || type == file_png || type == file_gif;
  const bool program = !fromLink && platform::isFile(name) && ::access(name.c_str(), X_OK) == 0;
  if (!picture && platform::isFile(name) && (program || !parameters.empty() || hidden)) {
    const std::string folder = TosFiles::ExtractFilePath(name);
    const platform::StartWindow show = hidden ? platform::StartWindow::Minimized : platform::StartWindow::Normal;
    std::string exe = name;
    std::vector<std::string> args = platform::splitCommandLine(parameters);
    if (!program) {
      exe = GetAssociation(name);
      args.insert(args.begin(), name);
    }
    if (!exe.empty()) {
      if (hidden && !platform::isOwnProgram(exe))
        o.log("view file: " + exe + " is not one of our programs and cannot be asked to start minimised");
      if (platform::startDetached(exe, args, show, folder)) return true;
      o.log("** view file: " + exe + " could not be started for " + name);
      return false;
    }
    o.log("view file: no program of its own is known for " + name + "; the desktop opener takes it without" +
          (parameters.empty() ? std::string() : " the parameters \"" + parameters + "\" and without") +
          " being asked to start minimised");
  }
  if (platform::openWithDesktop(name)) return true;
  o.log("** view file: the desktop opener could not be started for " + name);
  return false;
}

bool TosShell::unzip(const std::string& source, const std::string& targetdir) {
  return ShellUnzip(source, targetdir, "");
}

bool TosShell::ShellUnzip(const std::string& source, const std::string& target, const std::string& filter) {
  Tos& o = osOf(this);
  TprocScope proc(o, "ShellUnzip");
  o.seterr("a");  // a: open the archive and read its directory
  unzFile zf = unzOpen64(source.c_str());
  if (!zf && isEmptyArchive(source)) {
    std::string dir = target;
    o.appendBackslash(dir);
    return platform::isFolder(dir) || o.MakeDirectory(dir);
  }
  if (!zf) {
    o.log("** unzip: cannot open archive " + source);
    return false;
  }
  struct Closer {
    unzFile z;
    ~Closer() { unzClose(z); }
  } closer{zf};
  std::vector<TzipEntry> entries;
  if (!listEntries(zf, entries)) {
    o.log("** unzip: damaged archive directory " + source);
    return false;
  }
  o.seterr("b");  // b: refuse names that leave the target folder
  std::vector<std::optional<std::string>> paths;
  bool hostile = false;
  for (const auto& e : entries) {
    paths.push_back(safeEntryPath(e.name));
    if (!paths.back()) {
      o.log("** unzip: refused entry outside the target folder: " + e.name + " in " + source);
      hostile = true;
    }
  }
  if (hostile) return false;
  o.seterr("c");  // c: extract
  std::string dir = target;
  o.appendBackslash(dir);
  if (!platform::isFolder(dir) && !o.MakeDirectory(dir)) return false;
  bool ok = true;
  int i = 0;
  for (int r = unzGoToFirstFile(zf); r == UNZ_OK; r = unzGoToNextFile(zf), ++i) {
    const std::string& rel = *paths[static_cast<size_t>(i)];
    if (rel.empty()) continue;
    if (!filter.empty() && !platform::fnmatchNoCase(filter, firstPart(rel))) continue;
    std::string path = dir + rel;
    if (entries[static_cast<size_t>(i)].folder) {
      if (!platform::isFolder(path) && !o.MakeDirectory(path + "/")) ok = false;
      continue;
    }
    std::string parent = TosFiles::ExtractFilePath(path);
    if (!platform::isFolder(parent) && !o.MakeDirectory(parent)) {
      ok = false;
      continue;
    }
    if (!extractCurrent(zf, path)) {
      o.log("** unzip: cannot extract " + rel + " from " + source);
      ok = false;
    }
  }
  return ok;
}

std::string TosShell::UnzipGZ(const std::string& source, const std::string& ext) {
  std::string target = withoutGz(source) + (ext.empty() ? "" : "." + ext);
  if (target == source) throw EGzipError("gzip: no output name for " + source);
  if (platform::isFile(target) || platform::isFolder(target) || platform::isLink(target))
    throw EGzipError("gzip: output exists, not overwritten: " + target);
  gzFile gz = gzopen(source.c_str(), "rb");
  if (!gz) throw EGzipError("gzip: cannot open " + source);
  // Inflate into a new file beside the output and move it into place only when whole.
  std::string part;
  for (int i = 1; i < 1000 && part.empty(); ++i) {
    std::string candidate = target + "." + std::to_string(i) + ".part";
    if (platform::createExclusive(candidate)) part = candidate;
  }
  int fd = part.empty() ? platform::kNoFile : platform::openReadWrite(part);
  std::string why;
  if (fd == platform::kNoFile) {
    why = "cannot create " + part;
  } else {
    std::vector<char> buf(1 << 16);
    for (;;) {
      int n = gzread(gz, buf.data(), static_cast<unsigned>(buf.size()));
      if (n < 0 || (n == 0 && !gzeof(gz))) {
        int code = 0;
        why = std::string("damaged data: ") + gzerror(gz, &code);
        break;
      }
      if (gzdirect(gz)) {
        why = "not a gzip file";
        break;
      }
      if (n == 0) break;
      if (!platform::writeFile(fd, buf.data(), n)) {
        why = "cannot write " + part;
        break;
      }
    }
    if (why.empty() && gzdirect(gz)) why = "not a gzip file";
    if (why.empty()) {
      int code = Z_OK;
      const char* msg = gzerror(gz, &code);
      if (code != Z_OK) why = std::string("damaged data: ") + msg;
    }
    if (!platform::closeFile(fd) && why.empty()) why = "cannot write " + part;
  }
  gzclose(gz);
  if (why.empty() && !platform::renameNoReplace(part, target)) why = "output exists, not overwritten: " + target;
  if (!why.empty()) {
    if (!part.empty()) platform::removeFile(part);
    throw EGzipError("gzip: " + why + " (" + source + ")");
  }
  return target;
}

std::string TosShell::GetAssociation(const std::string& FileName) const {
  std::string ext = FileName.find('.') != std::string::npos ? TosFiles::ExtractFileExt(FileName)
                                                              : platform::lowerCase(FileName);
  return platform::defaultProgramOf(platform::mimeTypeOfExtension(ext));
}

bool TosShell::notAvailable(const std::string& what) {
  osOf(this).log("?? " + what + " is not available on this platform");
  return false;
}

// The association's files are named as the system's class for the extension ("QY_" and the
// extension); its MIME type is one of the program's own.
bool TosShell::AssociateIcon(int ftype, const std::string& icoFile, const std::string& description) {
  const std::string ext = platform::lowerCase(TosFileTypes::getEXT(ftype));
  if (ext.empty() || ext == "*") return false;
  std::string error;
  platform::TfileAssociation a{ext, "application/x-qy-" + ext, description, icoFile, platform::exePath()};
  switch (platform::writeAssociation("QY_" + ext, a, error)) {
    case platform::AssociationChange::Written: return true;
    case platform::AssociationChange::Unchanged: return false;
    case platform::AssociationChange::Failed: break;
  }
  osOf(this).log("** AssociateIcon ." + ext + ": " + error);
  return false;
}

void TosShell::RefreshAssociations() { platform::refreshAssociations(); }

bool TosShell::RegisterOCX(const std::string& dllpath) { return notAvailable("registering the server " + dllpath); }

std::string TosShell::GetShortcutTarget(const std::string& LinkFileName) {
  return platform::shortcutTarget(LinkFileName);
}

bool TosShell::MakeShortcut(const std::string& LinkFileName, const std::string& target, const std::string& params) {
  std::string error;
  if (platform::makeShortcut(LinkFileName, target, params, error)) return true;
  osOf(this).log("** MakeShortcut " + LinkFileName + ": " + error);
  return false;
}

bool TosShell::ExecAndWait(const std::string& ExecuteFile, const std::string& ParamString) {
  std::string program = ExecuteFile;
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"') program = program.substr(1, program.size() - 2);
  int pid = platform::startProgram(program, platform::splitCommandLine(ParamString));
  if (pid <= 0) {
    osOf(this).log("** cannot start " + program + " (" + platform::lastErrorText() + ")");
    return false;
  }
  platform::waitForProgram(pid);
  return true;
}

int TosShell::blobFormat(const void* pt, size_t length, std::string& name) {
  name.clear();
  if (!pt || length == 0) return file_unknown;
  const auto* b = static_cast<const uint8_t*>(pt);
  auto has = [&](size_t at, const char* sig) {
    size_t n = std::strlen(sig);
    return length >= at + n && std::memcmp(b + at, sig, n) == 0;
  };
  if (length >= 2 && b[0] == 0xFF && b[1] == 0xD8) return file_jpeg;
  if (has(0, "BM")) return file_bmp;
  if (has(0, "%PDF")) return file_pdf;
  if (has(1, "PNG")) return file_png;
  if (has(0, "QYNOTE")) return file_qynotes;
  if (has(0, "QYBLOB")) {
    if (length < 10) return file_jpeg;
    uint32_t u = uint32_t(b[6]) | uint32_t(b[7]) << 8 | uint32_t(b[8]) << 16 | uint32_t(b[9]) << 24;
    int32_t n = static_cast<int32_t>(u);
    if (n <= 0 || static_cast<uint64_t>(n) * 2 > length - 10) return file_jpeg;
    std::u32string text;
    for (int32_t i = 0; i < n; ++i) {
      char32_t c = char32_t(b[10 + 2 * i]) | char32_t(b[11 + 2 * i]) << 8;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
        char32_t lo = char32_t(b[12 + 2 * i]) | char32_t(b[13 + 2 * i]) << 8;
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
          ++i;
        }
      }
      if (c == 0) break;
      text += c;
    }
    name = platform::fromUtf32(text);
    // A stored name is only a name: its type comes from the table, never from a file on disk.
    int code = TosFileTypes::getFileTypeEx(name, file_jpeg);
    return code == file_unknown ? file_jpeg : code;
  }
  return file_jpeg;
}

int TosShell::blobFormat(const void* pt, size_t length) {
  std::string name;
  return blobFormat(pt, length, name);
}

bool TosShell::BlobsEqual(TCustomMemoryStream& msOne, TCustomMemoryStream& msTwo) {
  if (msOne.size() != msTwo.size()) return false;
  return isEqual(msOne.memory(), msTwo.memory(), msOne.size());
}

bool TosShell::isEqual(const void* a, const void* b, int64_t size) {
  if (size <= 0) return true;
  if (!a || !b) return a == b;
  return std::memcmp(a, b, static_cast<size_t>(size)) == 0;
}

bool TosShell::SaveBitmap(TrawBitmap24& bm, TMemoryStream& stream) {
  std::vector<uint8_t> bytes;
  if (!bm.saveToMem(bytes)) return false;
  stream.clear();
  stream.write(bytes.data(), static_cast<int64_t>(bytes.size()));
  return true;
}
