// A file system that is full: a small tmpfs mounted on a fresh folder and filled to the last
// byte. Mounting needs root; where the test may not mount, it skips with a message. The mount
// lives in a mount namespace of the test's own where it can have one, so a crashed test leaves
// nothing mounted behind.
#pragma once
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/testenv.h"

namespace fullfs {

class FullFolder {
 public:
  // Mounts; ready() is false (and the reason given) when this process may not.
  FullFolder() {
    static const bool ownNamespace = ::unshare(CLONE_NEWNS) == 0 &&
                                     ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    (void)ownNamespace;
    std::string pattern = testenv::tempDir() + "full-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      why_ = "cannot make a folder: " + std::string(std::strerror(errno));
      return;
    }
    folder_ = pattern + "/";
    if (::mount("tmpfs", pattern.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=512k,mode=0700") != 0) {
      why_ = "cannot mount a small tmpfs (" + std::string(std::strerror(errno)) + "); run the tests as root";
      return;
    }
    mounted_ = true;
  }
  ~FullFolder() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    if (!folder_.empty()) ::rmdir(folder_.c_str());
  }
  FullFolder(const FullFolder&) = delete;
  FullFolder& operator=(const FullFolder&) = delete;

  [[nodiscard]] bool ready() const { return mounted_; }
  [[nodiscard]] const std::string& why() const { return why_; }
  [[nodiscard]] const std::string& folder() const { return folder_; }

  // Writes a file that takes every block left.
  void fill() {
    std::ofstream f(folder_ + "filler", std::ios::binary | std::ios::app);
    const std::string block(4096, 'f');
    while (f.write(block.data(), block.size()) && f.flush()) {
    }
    f.close();
    // Stream buffering may leave a part block: top it up byte by byte.
    std::ofstream g(folder_ + "filler", std::ios::binary | std::ios::app);
    g.rdbuf()->pubsetbuf(nullptr, 0);
    while (g.put('f')) {
    }
  }

  // Every name in the folder but the filler, sorted.
  [[nodiscard]] std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder_))
      if (e.path().filename() != "filler") out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string folder_, why_;
  bool mounted_ = false;
};

// A writer of one file, named by the file it writes in the full folder.
struct Writer {
  const char* name;
  std::function<bool(const std::string& path)> write;
};

// Gives every writer an old file, fills the disk, and checks that each writer answers false,
// leaves its old file byte for byte and leaves no other file behind.
inline void expectEveryWriterFails(FullFolder& fs, const std::vector<Writer>& writers) {
  const std::string old = "old contents\r\n";
  for (const auto& w : writers) std::ofstream(fs.folder() + w.name, std::ios::binary) << old;
  fs.fill();
  std::vector<std::string> expected;
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    EXPECT_FALSE(w.write(fs.folder() + w.name));
    EXPECT_EQ(testenv::readFile(fs.folder() + w.name), old);
    expected.push_back(w.name);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(fs.names(), expected);
}

}  // namespace fullfs

// Skips the test with the reason when no full file system can be had.
#define FULLFS_OR_SKIP(name)                         \
  fullfs::FullFolder name;                           \
  if (!name.ready()) GTEST_SKIP() << name.why()
