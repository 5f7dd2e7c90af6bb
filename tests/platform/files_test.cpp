// Whole-file replacement: the old file survives a failed write, and a reader never sees a mix.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
}  // namespace
