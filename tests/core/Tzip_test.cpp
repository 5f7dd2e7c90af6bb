// Tzip and TPtrStream: archives written here are listed and extracted by the system's unzip,
// names use "/", a failed write leaves the old target, and the pointer stream never reads past
// its buffer.
#include "core/Tzip.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/r_base.h"
#include "platform/files.h"
#include "tests/support/testenv.h"

namespace {
struct TzipTest : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
  std::string dir(const std::string& rel) { return testenv::tempDir() + rel; }
  // The entry names of an archive as the system's unzip lists them.
  std::string listing(const std::string& archive) {
    std::string out = archive + ".list";
    std::system(("unzip -Z1 '" + archive + "' > '" + out + "' 2>/dev/null").c_str());
    return testenv::readFile(out);
  }
};

std::string binaryBytes() {
  std::string s;
  for (int i = 0; i < 256 * 40; ++i) s += static_cast<char>((i * 7) % 256);
  return s + "\r\n\n\r\0end";
}

TEST_F(TzipTest, WrittenArchiveIsListedAndExtractedBySystemUnzip) {
  std::string a = testenv::writeFile("zw/src/a.txt", "alpha\r\n");
  std::string b = testenv::writeFile("zw/src/b.bin", binaryBytes());
  std::string z = testenv::writeFile("zw/src/Zürich.txt", "umlaut");
  Tzip zip;
  zip.add(a, "docs\\a.txt");
  zip.add(b);
  zip.add(z);
  zip.zip(dir("zw/out.zip"));
  EXPECT_EQ(zip.pending().count(), 0);
  EXPECT_EQ(listing(dir("zw/out.zip")), "docs/a.txt\nb.bin\nZürich.txt\n");
  ASSERT_EQ(std::system(("unzip -tq '" + dir("zw/out.zip") + "' > /dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("cd '" + dir("zw") + "' && unzip -oq out.zip -d x").c_str()), 0);
  EXPECT_EQ(testenv::readFile(dir("zw/x/docs/a.txt")), "alpha\r\n");
  EXPECT_EQ(testenv::readFile(dir("zw/x/b.bin")), binaryBytes());
  EXPECT_EQ(testenv::readFile(dir("zw/x/Zürich.txt")), "umlaut");
}

TEST_F(TzipTest, SecondZipWithoutEntriesWritesAnEmptyArchive) {
  std::string a = testenv::writeFile("ze/a.txt", "a");
  Tzip zip;
  zip.add(a);
  zip.zip(dir("ze/one.zip"));
  zip.zip(dir("ze/empty.zip"));
  EXPECT_EQ(listing(dir("ze/one.zip")), "a.txt\n");
  int64_t size = 0;
  ASSERT_TRUE(platform::fileSize(dir("ze/empty.zip"), size));
  EXPECT_EQ(size, 22);  // the end record alone
  EXPECT_TRUE(os->unzip(dir("ze/empty.zip"), dir("ze/emptyout/")));
}

TEST_F(TzipTest, TempfileCopiesAreArchivedUnderTheirOwnNames) {
  std::string a = testenv::writeFile("zt/a.txt", "copied");
  Tzip zip;
  zip.useTempfiles = true;
  zip.add(a);
  zip.add(a, "named.txt");
  zip.zip(dir("zt/t.zip"));
  std::string names = listing(dir("zt/t.zip"));
  auto firstLine = names.substr(0, names.find('\n'));
  EXPECT_EQ(firstLine.substr(firstLine.size() - 4), ".tmp");
  EXPECT_EQ(names.substr(names.find('\n') + 1), "named.txt\n");
  ASSERT_TRUE(os->unzip(dir("zt/t.zip"), dir("zt/x")));
  EXPECT_EQ(testenv::readFile(dir("zt/x/") + firstLine), "copied");
}

TEST_F(TzipTest, FailedWriteRaisesAndLeavesTheOldArchive) {
  std::string a = testenv::writeFile("zf/a.txt", "a");
  Tzip zip;
  zip.zipFile(a, dir("zf/keep.zip"));
  std::string before = testenv::readFile(dir("zf/keep.zip"));
  zip.add(a);
  zip.add(dir("zf/missing.txt"));
  EXPECT_THROW(zip.zip(dir("zf/keep.zip")), EZipError);
  EXPECT_EQ(zip.pending().count(), 0);
  EXPECT_EQ(testenv::readFile(dir("zf/keep.zip")), before);
  EXPECT_TRUE(platform::listFolder(dir("zf/"), "*.part", platform::Entries::All).empty());
  EXPECT_THROW(zip.zipFile(a, dir("zf/no/such/folder/x.zip")), EZipError);
}

TEST(TPtrStream, ReadsWithinTheBufferOnly) {
  const char bytes[] = {'a', 'b', 'c', 'd', 'e'};
  TPtrStream s;
  s.SetPointer(bytes, 5);
  char out[5] = {'-', '-', '-', '-', '-'};
  s.read(out, 2, 3);
  EXPECT_EQ(std::string(out, 2), "de");
  EXPECT_EQ(s.position(), 5);
  s.read(out, 0, 5);
  struct Case { int64_t count, offset; } bad[] = {{3, 3}, {1, 5}, {1, 6}, {1, -1}, {-1, 0}};
  for (const auto& c : bad) {
    SCOPED_TRACE(c.offset);
    char guard[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_THROW(s.read(guard, c.count, c.offset), EReadError);
    EXPECT_EQ(std::string(guard, 8), "xxxxxxxx");
  }
  EXPECT_EQ(s.size(), 5);
}
}  // namespace
