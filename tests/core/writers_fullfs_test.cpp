// Every core writer on a full disk: it answers false (or raises its own error), the old file
// stays byte for byte, and no temporary or part file is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/TQYini.h"
#include "core/Tzip.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "tests/platform/fullfs.h"
#include "tests/support/testenv.h"

namespace {
struct FullDisk : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

TEST_F(FullDisk, EveryWriterFailsAndKeepsTheOldFile) {
  FULLFS_OR_SKIP(fs);
  const std::string source = testenv::writeFile("fullfs-source.txt", std::string(30000, 's'));
  TrawBitmap24 colour;
  colour.setsize(40, 30);
  colour.fillWhite();
  TbitmapMono mono;
  mono.setSize(400, 300);
  mono.fillWhite();
  TrawBitmap raw;
  ASSERT_TRUE(raw.init(60, 40, 8));
  TQYini ini;
  TiniLite lite;
  for (int i = 0; i < 300; ++i) {
    ini.writestring("section", "key" + std::to_string(i), "value");
    lite.writeString("group", "key" + std::to_string(i), "value");
  }
  fullfs::expectEveryWriterFails(
      fs, {{"settings.ini", [&](const std::string& f) { return ini.saveAs(f); }},
           {"small.ini", [&](const std::string& f) { return lite.saveToFile(f); }},
           {"text.txt", [&](const std::string& f) { return os->WriteTextFile(f, std::string(20000, 't')); }},
           {"colour.bmp", [&](const std::string& f) { return colour.savetofile(f); }},
           {"mono.bmp", [&](const std::string& f) { return mono.savetofile(f); }},
           {"raw.bmp", [&](const std::string& f) { return raw.saveToFile(f); }},
           {"copied.txt", [&](const std::string& f) { return os->copyfile(source, f); }},
           {"archive.zip", [&](const std::string& f) {
              Tzip zip;
              try {
                zip.zipFile(source, f);
              } catch (const EZipError&) {
                return false;
              }
              return true;
            }}});
}
// A folder copied over an older copy of itself on a full disk: every file the copy could not
// write keeps its old contents whole (a copy once cut the old file to what fitted).
TEST_F(FullDisk, AFolderCopyKeepsEveryOldFileItCannotReplace) {
  FULLFS_OR_SKIP(fs);
  const std::vector<std::string> names = {"a.txt", "b.bin", "sub/c.txt"};
  for (const auto& n : names) testenv::writeFile("tree/" + n, std::string(40000, n[0]));
  for (const auto& n : names) {
    std::filesystem::create_directories(std::filesystem::path(fs.folder() + "copy/" + n).parent_path());
    std::ofstream(fs.folder() + "copy/" + n, std::ios::binary) << "old " << n;
  }
  fs.fill();
  os->copyDirectory(testenv::tempDir() + "tree", fs.folder() + "copy");
  for (const auto& n : names) {
    SCOPED_TRACE(n);
    EXPECT_EQ(testenv::readFile(fs.folder() + "copy/" + n), "old " + n);
  }
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::recursive_directory_iterator(fs.folder() + "copy"))
    if (e.is_regular_file()) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"a.txt", "b.bin", "c.txt"}));  // no temporary file beside them
}
}  // namespace
