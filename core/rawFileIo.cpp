// The pixel buffers' file access on the core's raw file handles: a handle that closes itself,
// positioned reads bounded by what the file holds, whole-file reads and writes.
#include "core/rawFileIo.h"

#include <sys/stat.h>

#include "core/r_fileBase.h"

namespace rawio {

TrawFile& TrawFile::operator=(TrawFile&& o) noexcept {
  if (this != &o) {
    close();
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

bool TrawFile::openRead(const std::string& path) {
  close();
  int f = -1;
  if (!r_fileBase::FileExists(path) || !r_fileBase::fileOpen(f, path)) return false;
  fd_ = f;
  return true;
}

bool TrawFile::create(const std::string& path) {
  close();
  int f = -1;
  if (!r_fileBase::fileCreate(f, path)) return false;
  fd_ = f;
  return true;
}

int64_t TrawFile::size() const { return fd_ < 0 ? -1 : r_fileBase::filesize(fd_); }

size_t TrawFile::readAt(int64_t pos, void* buf, size_t n) const {
  if (fd_ < 0 || pos < 0 || !r_fileBase::FileSeek(fd_, pos)) return 0;
  const int64_t got = r_fileBase::FileRead(fd_, buf, int64_t(n));
  return got > 0 ? size_t(got) : 0;
}

bool TrawFile::write(const void* buf, size_t n) { return fd_ >= 0 && r_fileBase::FileWrite(fd_, buf, int64_t(n)); }

void TrawFile::close() {
  if (fd_ >= 0) r_fileBase::FileClose(fd_);
  fd_ = -1;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  TrawFile f;
  if (!f.openRead(path)) return false;
  const int64_t n = f.size();
  if (n < 0) return false;
  bytes.resize(static_cast<size_t>(n));
  bytes.resize(f.readAt(0, bytes.data(), bytes.size()));  // a file that shrank gives what it held
  return true;
}

std::string folderOf(const std::string& path) { return r_fileBase::ExtractFilePath(path); }

bool folderExists(const std::string& folder) {
  struct stat st {};
  return stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace rawio
