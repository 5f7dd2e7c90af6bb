// A folder made read-only for the length of a test: by its mode for an ordinary user, and for
// root (who writes anywhere) as a read-only bind mount in a mount namespace of the test's own.
#pragma once
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace testenv {

class TreadOnlyFolder {
 public:
  explicit TreadOnlyFolder(std::string dir) : fdir(std::move(dir)) {
    if (geteuid() != 0) {
      fok = chmod(fdir.c_str(), 0500) == 0;
      return;
    }
    static const bool ns = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    fmounted = ns && ::mount(fdir.c_str(), fdir.c_str(), nullptr, MS_BIND, nullptr) == 0;
    if (fmounted && ::mount(nullptr, fdir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      ::umount2(fdir.c_str(), MNT_DETACH);
      fmounted = false;
    }
    fok = fmounted;
  }
  ~TreadOnlyFolder() {
    if (fmounted) ::umount2(fdir.c_str(), MNT_DETACH);
    else if (geteuid() != 0) chmod(fdir.c_str(), 0700);
  }
  TreadOnlyFolder(const TreadOnlyFolder&) = delete;
  TreadOnlyFolder& operator=(const TreadOnlyFolder&) = delete;
  [[nodiscard]] bool ok() const { return fok; }

 private:
  std::string fdir;
  bool fmounted = false;
  bool fok = false;
};

}  // namespace testenv
