// POSIX file access for the pixel buffers; every read is bounded by what the file holds.
#include "core/rawFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    return false;
  }
  return true;
}

bool TrawFile::create(const std::string& path) {
  close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

int64_t TrawFile::size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

size_t TrawFile::readAt(int64_t pos, void* buf, size_t n) const {
  if (fd_ < 0 || pos < 0) return 0;
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(pos + static_cast<int64_t>(done)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

bool TrawFile::write(const void* buf, size_t n) {
  if (fd_ < 0) return false;
  const auto* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t w = ::write(fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

void TrawFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  TrawFile f;
  if (!f.openRead(path)) return false;
  int64_t n = f.size();
  if (n < 0) return false;
  bytes.resize(static_cast<size_t>(n));
  size_t got = f.readAt(0, bytes.data(), bytes.size());
  bytes.resize(got);  // a file that shrank while read gives what it held
  return true;
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool folderExists(const std::string& folder) {
  struct stat st {};
  return stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace rawio
