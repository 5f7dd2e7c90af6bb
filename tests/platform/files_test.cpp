// Whole-file replacement: the old file survives a failed write, and a reader never sees a mix.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/TStringList.h"
#include "platform/imagecodec.h"
#include "tests/platform/fullfs.h"
#include "tests/support/testenv.h"

namespace {
TEST(ReplaceFileContents, WritesNewFileAndKeepsMode) {
  const std::string name = testenv::writeFile("rf/a.txt", "old");
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  ASSERT_TRUE(platform::replaceFileContents(name, "new"));
  EXPECT_EQ(testenv::readFile(name), "new");
  struct stat st {};
  stat(name.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(platform::listFolder(testenv::tempDir() + "rf", "*", platform::Entries::All, true).size(), 1u);
}

TEST(ReplaceFileContents, FailureLeavesOldFileAndNoTemporary) {
  const std::string name = testenv::writeFile("rf2/a.txt", "old");
  platform::failNextReplaceForTesting();
  std::string why;
  EXPECT_FALSE(platform::replaceFileContents(name, "new", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(testenv::readFile(name), "old");
  EXPECT_EQ(platform::listFolder(testenv::tempDir() + "rf2", "*", platform::Entries::All, true).size(), 1u);
  // A folder that cannot exist (below a regular file).
  EXPECT_FALSE(platform::replaceFileContents(name + "/b.txt", "x", &why));
  EXPECT_NE(why.find("cannot create"), std::string::npos);
}

TEST(ReplaceFileContents, KilledWriterLeavesOldOrNewWhole) {
  const std::string name = testenv::writeFile("rf3/a.bin", std::string(3000000, 'A'));
  for (int delayUs : {0, 300, 2000, 8000}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) platform::replaceFileContents(name, std::string(3000000 + i % 2, i % 2 ? 'B' : 'A'));
    }
    usleep(static_cast<useconds_t>(delayUs + 5000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string got = testenv::readFile(name);
    SCOPED_TRACE(delayUs);
    ASSERT_TRUE(got == std::string(3000000, 'A') || got == std::string(3000001, 'B')) << got.size();
  }
}

TEST(ListFolder, MatchesPatternsWithoutCaseAndSkipsHidden) {
  testenv::writeFile("lf/a.BMP", "");
  testenv::writeFile("lf/b.bmp", "");
  testenv::writeFile("lf/.c.bmp", "");
  testenv::writeFile("lf/d.jpg", "");
  testenv::writeFile("lf/sub.bmp/x", "");
  auto files = platform::listFolder(testenv::tempDir() + "lf", "*.bmp", platform::Entries::Files);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"a.BMP", "b.bmp"}));
  EXPECT_EQ(platform::listFolder(testenv::tempDir() + "lf", "*", platform::Entries::Folders),
            std::vector<std::string>{"sub.bmp"});
}

TEST(FileTimes, KeepFullPrecisionInUtc) {
  const std::string name = testenv::writeFile("ft/a.txt", "x");
  // 2024-06-01 10:00:01.250 UTC (summer time in the test's zone: no local shift must appear).
  platform::TDateTime t = 45444.0 + (10 * 3600 + 1.25) / 86400.0;
  ASSERT_TRUE(platform::setFileTimes(name, t, t));
  platform::TDateTime c = 0, a = 0, w = 0;
  ASSERT_TRUE(platform::fileTimes(name, c, a, w));
  EXPECT_NEAR(w, t, 1e-3 / 86400.0);
  EXPECT_NEAR(a, t, 1e-3 / 86400.0);
}

// Saves killed before their rename leave ".name.XXXXXX" files; the next save into the folder
// clears those that are ours and stale, and nothing that only looks like them.
TEST(ReplaceFileContents, ClearsStaleTemporariesOfItsOwn) {
  const std::string dir = testenv::tempDir() + "stale/";
  testenv::writeFile("stale/a.ini", "a");
  testenv::writeFile("stale/notes", "n");
  struct Entry { const char* name; bool old; bool stays; } entries[] = {
      {".a.ini.Ab3xYz", true, false},     // a killed save of a.ini
      {".b.ini.Qq81Zw", true, false},     // a killed save of b.ini, the file being written now
      {".notes.k2LmN0", true, false},     // a killed save of another file of the folder
      {".a.ini.Cd4eFg", false, true},     // young: a save may still be writing it
      {".bashrc.backup", true, true},     // no file "bashrc" stands beside it
      {".a.ini.Ab3x", true, true},        // not six characters
      {".a.ini.Ab3x-z", true, true},      // not what mkstemp makes
      {"a.ini.Ab3xYz", true, true},       // not hidden
  };
  for (const auto& e : entries) {
    const std::string path = testenv::writeFile(std::string("stale/") + e.name, "t");
    if (e.old) {
      const platform::TDateTime twoMinutesAgo = platform::fromUnixSeconds(double(::time(nullptr)) - 120);
      ASSERT_TRUE(platform::setFileTimes(path, twoMinutesAgo, twoMinutesAgo));
    }
  }
  ASSERT_TRUE(platform::replaceFileContents(dir + "b.ini", "b"));
  for (const auto& e : entries) EXPECT_EQ(platform::isFile(dir + e.name), e.stays) << e.name;
  EXPECT_EQ(testenv::readFile(dir + "b.ini"), "b");
}

// A full disk: every platform writer answers false, the old file stays byte for byte and no
// temporary file is left behind.
TEST(FullFileSystem, PlatformWritersFailAndKeepTheOldFile) {
  FULLFS_OR_SKIP(fs);
  platform::TrgbImage image;
  image.width = 64;
  image.height = 64;
  image.rgb.assign(64 * 64 * 3, 0);
  for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = uint8_t(i * 7919 % 251);  // no long runs
  TStringList lines;
  for (int i = 0; i < 200; ++i) lines.add("line " + std::to_string(i));
  fullfs::expectEveryWriterFails(
      fs, {{"replace.bin", [](const std::string& f) { return platform::replaceFileContents(f, std::string(20000, 'n')); }},
           {"list.txt", [&](const std::string& f) { return lines.saveToFile(f); }},
           {"image.png", [&](const std::string& f) { std::string e; return platform::encodePngFile(f, image, e); }},
           {"image.jpg", [&](const std::string& f) { std::string e; return platform::encodeJpegFile(f, image, 95, e); }},
           {"copy.bin", [](const std::string& f) {
              const std::string source = testenv::writeFile("copy-source.bin", std::string(35762, 'c'));
              return platform::copyFileBytes(source, f);
            }}});
}

// A copy replaces its target whole: new bytes, the old target's permissions (a new target takes
// the source's), no temporary file left; the same file under two names is refused untouched.
TEST(CopyFileBytes, ReplacesTheTargetWholeAndKeepsItsMode) {
  const std::string dir = testenv::tempDir() + "copies/";
  const std::string source = testenv::writeFile("copies/source.txt", std::string(100000, 's'));
  ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
  const std::string old = testenv::writeFile("copies/old.txt", "old");
  ASSERT_EQ(::chmod(old.c_str(), 0604), 0);
  ASSERT_TRUE(platform::copyFileBytes(source, old));
  EXPECT_EQ(testenv::readFile(old), std::string(100000, 's'));
  struct stat st {};
  ASSERT_EQ(::stat(old.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
  ASSERT_TRUE(platform::copyFileBytes(source, dir + "new.txt"));
  ASSERT_EQ(::stat((dir + "new.txt").c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0640u & ~mask) << std::oct << st.st_mode;
  EXPECT_EQ(platform::listFolder(dir, "*", platform::Entries::Files, true).size(), 3u);  // nothing beside
  ASSERT_EQ(::link(source.c_str(), (dir + "same.txt").c_str()), 0);
  EXPECT_FALSE(platform::copyFileBytes(source, dir + "same.txt"));
  EXPECT_EQ(testenv::readFile(source), std::string(100000, 's'));
  EXPECT_FALSE(platform::copyFileBytes(dir + "missing.txt", old));
  EXPECT_EQ(testenv::readFile(old), std::string(100000, 's'));
}
}  // namespace
