// Tzip and TPtrStream: see Tzip.h. Archives are written with minizip into a new file beside the
// target and moved over it only when complete, so a failure never leaves half an archive.
#include "core/Tzip.h"

#include <minizip/zip.h>

#include <ctime>
#include <vector>

#include "core/r_base.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {
constexpr unsigned long kUtf8NameFlag = 1u << 11;  // general purpose bit 11: the name is UTF-8
constexpr int kUnixMadeBy = 3 << 8;                // "made by" a Unix system: external attributes hold the mode

std::string archiveName(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  while (!name.empty() && name.front() == '/') name.erase(0, 1);
  return name;
}

zip_fileinfo infoOf(const std::string& file) {
  zip_fileinfo zi{};
  platform::TDateTime created = 0, accessed = 0, written = 0;
  std::time_t t = std::time(nullptr);
  if (platform::fileTimes(file, created, accessed, written))
    t = static_cast<std::time_t>((written - 25569.0) * 86400.0);  // 25569: 1970-01-01 as a date-time value
  std::tm local{};
  localtime_r(&t, &local);
  zi.tmz_date = {static_cast<uInt>(local.tm_sec), static_cast<uInt>(local.tm_min), static_cast<uInt>(local.tm_hour),
                 static_cast<uInt>(local.tm_mday), static_cast<uInt>(local.tm_mon),
                 static_cast<uInt>(local.tm_year + 1900)};
  zi.external_fa = (0100644ul) << 16;  // a regular file, rw-r--r--
  return zi;
}

void addFile(::zipFile zf, const std::string& file, const std::string& entryName) {
  int fd = platform::openRead(file);
  if (fd == platform::kNoFile) throw EZipError("zip: cannot read " + file);
  struct Closer {
    int fd;
    ~Closer() { platform::closeFile(fd); }
  } closer{fd};
  int64_t size = platform::fileLength(fd);
  zip_fileinfo zi = infoOf(file);
  bool ascii = true;
  for (unsigned char c : entryName) ascii = ascii && c < 0x80;
  if (zipOpenNewFileInZip4_64(zf, entryName.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                              kUnixMadeBy, ascii ? 0 : kUtf8NameFlag, size >= 0xFFFFFFFFLL ? 1 : 0) != ZIP_OK)
    throw EZipError("zip: cannot add " + entryName);
  std::vector<char> buf(1 << 16);
  for (;;) {
    int64_t n = platform::readFile(fd, buf.data(), static_cast<int64_t>(buf.size()));
    if (n <= 0) break;
    if (zipWriteInFileInZip(zf, buf.data(), static_cast<unsigned>(n)) != ZIP_OK) {
      zipCloseFileInZip(zf);
      throw EZipError("zip: cannot write " + entryName);
    }
  }
  if (zipCloseFileInZip(zf) != ZIP_OK) throw EZipError("zip: cannot finish " + entryName);
}

struct Tentry {
  std::string file, name;
};

void writeArchive(const std::vector<Tentry>& entries, const std::string& target) {
  std::string part;
  for (int i = 1; i < 1000 && part.empty(); ++i) {
    std::string candidate = target + "." + std::to_string(i) + ".part";
    if (platform::createExclusive(candidate)) part = candidate;
  }
  if (part.empty()) throw EZipError("zip: cannot create " + target);
  ::zipFile zf = zipOpen64(part.c_str(), APPEND_STATUS_CREATE);
  if (!zf) {
    platform::removeFile(part);
    throw EZipError("zip: cannot create " + target);
  }
  try {
    for (const auto& e : entries) {
      addFile(zf, e.file, e.name);
      platform::pumpPendingMessages();
    }
  } catch (...) {
    zipClose(zf, nullptr);
    platform::removeFile(part);
    throw;
  }
  bool closed = zipClose(zf, nullptr) == ZIP_OK;
  if (!closed || !platform::renameFile(part, target)) {
    platform::removeFile(part);
    throw EZipError("zip: cannot write " + target);
  }
}
}  // namespace

Tzip::Tzip() : list(std::make_unique<TStringList>()) {}

Tzip::~Tzip() {
  if (os) os->unassign(list, false);
}

void Tzip::add(const std::string& filename) { list->add(filename); }

void Tzip::add(const std::string& filename, const std::string& newName) { list->add(filename + "|" + newName); }

void Tzip::zip(const std::string& target) {
  struct Clear {
    TStringList& l;
    ~Clear() { l.clear(); }
  } clear{*list};
  zipList(*list, target);
}

void Tzip::zipFile(const std::string& source, const std::string& target) {
  writeArchive({{source, archiveName(TosFiles::ExtractFileName(source))}}, target);
}

void Tzip::zipList(const TStringList& source, const std::string& target) {
  std::vector<Tentry> entries;
  for (int i = 0; i < source.count(); ++i) {
    std::string rest = source[i];
    std::string file = TosText::GetnextEx(rest, '|');
    std::string name = rest;
    if (useTempfiles) {
      if (!os) throw EZipError("zip: no services object for temporary copies");
      std::string copy = os->tempfilename("tmp");
      if (copy.empty() || !os->copyfile(file, copy)) throw EZipError("zip: cannot copy " + file);
      file = copy;
    }
    if (name.empty()) name = TosFiles::ExtractFileName(file);
    entries.push_back({file, archiveName(name)});
  }
  writeArchive(entries, target);
}

bool Tzip::unzip(const std::string& source, const std::string& targetdir) {
  return os && os->ShellUnzip(source, targetdir, "");
}

void TPtrStream::SetPointer(const void* Ptr, int64_t Size) {
  setPointer(Ptr, Size);
  setPosition(0);
}

void TPtrStream::read(void* Buffer, int64_t count, int64_t offset) {
  if (offset < 0 || offset > size()) throw EReadError("Stream read error");
  setPosition(offset);
  readBuffer(Buffer, count);
}
