// Private helpers of the drawing module: number texts of stored values and files written beside
// their target, then renamed into place so a reader never finds half a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/r_base.h"
#include "drawing/r_Dra_internal.h"
#include "platform/files.h"

namespace dra {

bool parseNumber(const std::string& s, double& d) {
  const std::string t = TosText::Trim(s);
  if (t.empty()) return false;
  return os->StrToDoubleUK(t, d) || os->StrToDouble(t, d);
}

double storedNumber(const std::string& s) {
  double d = 0;
  return parseNumber(s, d) ? d : 0.0;
}

std::string fileNumber(const std::string& s) {
  double d = 0;
  if (os->StrToDoubleUK(TosText::Trim(s), d)) return TosText::Trim(s);
  if (!parseNumber(s, d)) return s;
  return os->DoubleToStringUK(d, 15);
}

std::string tempBeside(const std::string& target, std::string& why) {
  std::string folder = TosFiles::ExtractFilePath(target);
  if (folder == target) folder.clear();  // a bare name: the current folder
  std::string pattern = folder + "." + TosFiles::ExtractFileName(target) + ".XXXXXX";
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return "";
  }
  // The permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  return pattern;
}

bool syncToDisk(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool moveInto(const std::string& temp, const std::string& target, std::string& why) {
  // Whole on disk before it takes the old file's name, so no crash leaves an empty file there.
  if (!syncToDisk(temp)) {
    why = platform::lastErrorText();
    removeQuietly(temp);
    return false;
  }
  if (platform::renameFile(temp, target)) return true;
  why = platform::lastErrorText();
  removeQuietly(temp);
  return false;
}

void removeQuietly(const std::string& path) {
  if (!path.empty()) platform::removeFile(path);
}

}  // namespace dra
