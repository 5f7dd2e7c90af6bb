// Files on Linux: see files.h. Descriptors are opened with O_CLOEXEC; locks are open-file-
// description locks (F_OFD_*) so that two handles of one process also exclude each other.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

namespace platform {
namespace {
bool gFailNextReplace = false;
std::string gFailReplacePath;  // empty: any file

TDateTime fromTimespec(const struct statx_timestamp& t) {
  return fromUnixSeconds(static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9);
}

struct timespec toTimespec(TDateTime t) {
  double s = toUnixSeconds(t);
  double whole = std::floor(s);
  struct timespec ts {};
  ts.tv_sec = static_cast<time_t>(whole);
  ts.tv_nsec = static_cast<long>(std::nearbyint((s - whole) * 1e9));
  if (ts.tv_nsec >= 1000000000L) {
    ts.tv_sec += 1;
    ts.tv_nsec -= 1000000000L;
  }
  return ts;
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

bool fsyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

int openRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
int openReadWrite(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CLOEXEC); }
int createTruncate(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
int openAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

bool createExclusive(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool closeFile(int fd) { return fd >= 0 && ::close(fd) == 0; }

int64_t readFile(int fd, void* buf, int64_t size) {
  if (fd < 0 || size <= 0) return 0;
  int64_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < size) {
    ssize_t n = ::read(fd, p + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

bool writeFile(int fd, const void* buf, int64_t size) {
  if (fd < 0 || size < 0) return false;
  int64_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < size) {
    ssize_t n = ::write(fd, p + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

int64_t seekFile(int fd, int64_t position) {
  if (fd < 0 || position < 0) return -1;
  return ::lseek(fd, position, SEEK_SET);
}

int64_t filePosition(int fd) { return fd < 0 ? -1 : ::lseek(fd, 0, SEEK_CUR); }

int64_t fileLength(int fd) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  return st.st_size;
}

bool lockRange(int fd, int64_t start, int64_t length) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  return fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool unlockRange(int fd, int64_t start, int64_t length) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  return fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool fileLockedByOther(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  bool locked = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

bool isFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isLink(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  struct stat st {};
  return !p.empty() && ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isHiddenName(std::string_view name) {
  auto slash = name.find_last_of('/');
  if (slash != std::string_view::npos) name = name.substr(slash + 1);
  return !name.empty() && name[0] == '.';
}

bool isReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool setReadOnly(const std::string& path, bool readOnly) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t m = st.st_mode & 07777;
  m = readOnly ? (m & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (m | S_IWUSR);
  return ::chmod(path.c_str(), m) == 0;
}

bool fileSize(const std::string& path, int64_t& size) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  size = st.st_size;
  return true;
}

bool fileTimes(const std::string& path, TDateTime& created, TDateTime& accessed, TDateTime& written) {
  struct statx sx {};
  if (path.empty() ||
      ::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_ATIME | STATX_MTIME, &sx) != 0)
    return false;
  accessed = fromTimespec(sx.stx_atime);
  written = fromTimespec(sx.stx_mtime);
  created = (sx.stx_mask & STATX_BTIME) ? fromTimespec(sx.stx_btime) : written;
  return true;
}

bool setFileTimes(const std::string& path, TDateTime accessed, TDateTime written) {
  struct timespec ts[2] = {toTimespec(accessed), toTimespec(written)};
  return ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern, Entries kind,
                                    bool withHidden) {
  std::vector<std::string> out;
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!d) return out;
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  while (dirent* e = ::readdir(d.get())) {
    std::string name = e->d_name;
    if (name.empty() || name == "." || name == "..") continue;
    if (!withHidden && isHiddenName(name)) continue;
    if (!fnmatchNoCase(pattern, name)) continue;
    if (kind != Entries::All) {
      struct stat st {};
      if (::stat((base + name).c_str(), &st) != 0) continue;
      if (kind == Entries::Files && !S_ISREG(st.st_mode)) continue;
      if (kind == Entries::Folders && !S_ISDIR(st.st_mode)) continue;
    }
    out.push_back(name);
  }
  return out;
}

bool fnmatchNoCase(const std::string& pattern, const std::string& name) {
  return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool makeFolder(const std::string& path, unsigned mode) {
  if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  return errno == EEXIST && isFolder(path);
}

bool ensurePrivateFolder(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (::mkdir(p.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  return (st.st_mode & 0077) == 0 || ::chmod(p.c_str(), st.st_mode & 0700) == 0;
}

bool removeFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool removeFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool renameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails on an existing name just the same.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

namespace {
constexpr int kStaleTemporarySeconds = 60;  // no save takes a minute between its writes

// ".<name>.XXXXXX" as mkostemp makes it from "<name>".
bool temporaryBaseName(std::string_view entry, std::string& base) {
  if (entry.size() < 9 || entry[0] != '.' || entry[entry.size() - 7] != '.') return false;
  for (char c : entry.substr(entry.size() - 6))
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  base = std::string(entry.substr(1, entry.size() - 8));
  return true;
}

// Only names that can be ours go: a file of that base name stands in the folder (or is the one
// being saved), so a user's own ".notes.backup" beside no "notes" is never touched.
void clearStaleTemporaries(const std::string& folder, const std::string& saving) {
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(folder.c_str()), ::closedir);
  if (!d) return;
  const int dfd = ::dirfd(d.get());
  const time_t now = ::time(nullptr);
  std::string base;
  while (dirent* e = ::readdir(d.get())) {
    if (!temporaryBaseName(e->d_name, base)) continue;
    struct stat st {}, other {};
    if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || now - st.st_mtime < kStaleTemporarySeconds)
      continue;
    if (base != saving && ::fstatat(dfd, base.c_str(), &other, AT_SYMLINK_NOFOLLOW) != 0) continue;
    ::unlinkat(dfd, e->d_name, 0);
  }
}

// A new file beside `path`, filled by `fill`, flushed (unless Later) and renamed over `path`: a
// reader finds the old file or the new one whole. The new file gets `mode`. Failing, the old file
// stays, the temporary file goes, and `error` says why.
bool writeBeside(const std::string& path, mode_t mode, const std::function<bool(int fd)>& fill, std::string* error,
                 Flush flush, bool testHook) {
  auto fail = [&](const std::string& why, const std::string& temp) {
    if (error) *error = why;
    if (!temp.empty()) ::unlink(temp.c_str());
    return false;
  };
  std::string folder = folderOf(path);
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  clearStaleTemporaries(folder, name);
  std::string temp = (folder == "/" ? std::string("/") : folder + "/") + "." + name + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return fail("cannot create a file in " + folder + ": " + lastErrorText(), "");
  ::fchmod(fd, mode);
  bool ok = fill(fd);
  ok = ok && (flush == Flush::Later || ::fsync(fd) == 0);
  std::string why = ok ? std::string() : lastErrorText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = lastErrorText();
  }
  if (ok && testHook && gFailNextReplace && (gFailReplacePath.empty() || gFailReplacePath == path)) {
    gFailNextReplace = false;
    ok = false;
    why = "simulated write failure";
  }
  if (!ok) return fail("cannot write " + path + ": " + why, temp);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot replace " + path + ": " + lastErrorText(), temp);
  if (flush == Flush::ToDisk) fsyncFolder(folder);
  return true;
}

// The mode of the file a new one replaces; for a new name, `fresh` less the umask.
mode_t modeFor(const std::string& path, mode_t fresh) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = ::umask(0);
  ::umask(mask);
  return fresh & ~mask;
}
}  // namespace

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string* error, Flush flush) {
  const std::string_view pieces[] = {bytes};
  return replaceFileContents(path, pieces, error, flush);
}

bool replaceFileContents(const std::string& path, std::span<const std::string_view> pieces, std::string* error,
                         Flush flush) {
  // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
  return writeBeside(
      path, modeFor(path, 0666),
      [&](int fd) {
        for (std::string_view piece : pieces)
          if (!writeFile(fd, piece.data(), static_cast<int64_t>(piece.size()))) return false;
        return true;
      },
      error, flush, true);
}

// Copied beside the target and renamed over it: a copy that fails (a full disk, a source that
// cannot be read to its end) leaves the old target whole.
bool copyFileBytes(const std::string& source, const std::string& target) {
  int in = openRead(source);
  if (in < 0) return false;
  struct stat st {}, dst {};
  ::fstat(in, &st);
  // The same file under another name: refused, as a copy onto itself is a caller's mistake.
  if (::stat(target.c_str(), &dst) == 0 && dst.st_dev == st.st_dev && dst.st_ino == st.st_ino) {
    ::close(in);
    errno = EINVAL;
    return false;
  }
  std::unique_ptr<char[]> buf(new char[1 << 16]);
  const bool ok = writeBeside(
      target, modeFor(target, st.st_mode & 0777),
      [&](int out) {
        for (;;) {
          int64_t n = readFile(in, buf.get(), 1 << 16);
          if (n < 0) return false;
          if (n == 0) return true;
          if (!writeFile(out, buf.get(), n)) return false;
        }
      },
      nullptr, Flush::ToDisk, false);
  const int saved = errno;
  ::close(in);
  errno = saved;
  return ok;
}

void failNextReplaceForTesting(const std::string& path) {
  gFailNextReplace = true;
  gFailReplacePath = path;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = openRead(path);
  if (fd < 0) return false;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

std::string lastErrorText() { return std::strerror(errno); }
}  // namespace platform
