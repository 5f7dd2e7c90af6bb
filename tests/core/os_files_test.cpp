// File and folder services of `os`: name parts, tokens, listing, text files, temporary names,
// clearing folders, handles, sizes and times.
#include "core/os_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/r_base.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace {
struct OsFiles : ::testing::Test {
  void SetUp() override {
    createOs();
    root = testenv::tempDir();
  }
  void TearDown() override { freeOs(); }
  std::string root;
};

TEST(TosFilesNames, SplitNamesAtEitherSeparator) {
  struct Case { const char* in; const char* path; const char* name; const char* prefix; const char* ext; } cases[] = {
      {"readme.txt", "", "readme.txt", "readme", "txt"},
      {"/a/b.txt", "/a/", "b.txt", "b", "txt"},
      {"c:\\a\\b.txt", "c:\\a\\", "b.txt", "b", "txt"},
      {"c:/a/b.c.txt", "c:/a/", "b.c.txt", "b.c", "txt"},
      {"/a.b/c", "/a.b/", "c", "c", ""},
      {"c:\\a.b\\c", "c:\\a.b\\", "c", "c", ""},
      {"X.BMP", "", "X.BMP", "X", "bmp"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(TosFiles::ExtractFilePath(c.in), c.path);
    EXPECT_EQ(TosFiles::ExtractFileName(c.in), c.name);
    EXPECT_EQ(TosFiles::ExtractFilePrefix(c.in), c.prefix);
    EXPECT_EQ(TosFiles::ExtractFileExt(c.in), c.ext);
  }
}

TEST_F(OsFiles, MakeDirectoryCreatesParentsAndReportsWhatCannotExist) {
  EXPECT_TRUE(os->MakeDirectory(root + "md/x/y/z/"));
  EXPECT_TRUE(os->DirectoryExists(root + "md/x/y/z"));
  EXPECT_TRUE(os->MakeDirectory("/"));
  EXPECT_TRUE(os->MakeDirectory(""));
  const std::string plain = testenv::writeFile("md/plain", "x");
  EXPECT_FALSE(os->MakeDirectory(plain + "/sub/"));
  EXPECT_FALSE(os->ValidFilename(plain + "/sub/name.txt", TosFiles::NewDir::Allowed));
}

TEST_F(OsFiles, ValidFilenameRefusesWildcardsAndShortNames) {
  struct Case { std::string name; bool ok; } cases[] = {
      {root + "a.txt", true}, {root + "a?.txt", false}, {root + "a:b.txt", false}, {"a.tx", false},
      {root + "new/a.txt", false}, {"plain.txt", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(os->ValidFilename(c.name, TosFiles::NewDir::NotAllowed), c.ok);
  }
  EXPECT_TRUE(os->ValidFilename(root + "new/a.txt", TosFiles::NewDir::Allowed));
  EXPECT_TRUE(os->DirectoryExists(root + "new"));
}

TEST_F(OsFiles, TokensRoundTripAndStoredBackslashesResolve) {
  const std::string docs = os->documents;
  struct Case { std::string rootdir, path, token; } cases[] = {
      {"/opt/prog", "/opt/prog/maps/a.bmp", "<root>maps/a.bmp"},
      {"/opt/prog/bin/", "/opt/prog/other/f.txt", "<root parent>other/f.txt"},
      {"/opt/prog", docs + "Zürich/東京.txt", "<mydocs>Zürich/東京.txt"},
      {"/opt/prog", "/elsewhere/f.txt", "/elsewhere/f.txt"},
      {"/prog", "/elsewhere/f.txt", "<root parent>elsewhere/f.txt"},  // the parent of /prog is /
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(os->enToken(c.rootdir, c.path), c.token);
    EXPECT_EQ(os->detoken(c.rootdir, c.token), c.path);
  }
  EXPECT_EQ(os->detoken("/prog", "<root>maps\\a.bmp"), "/prog/maps/a.bmp");
  EXPECT_EQ(os->detoken("", "<root>a"), "<root>a");
}

TEST_F(OsFiles, CheckpathFindsNamesInBaseAndReferenceFolders) {
  os->setBaseDir(root + "base");
  testenv::writeFile("base/only.txt", "x");
  testenv::writeFile("maps/img/b.bmp", "x");
  std::string name = "only.txt";
  EXPECT_TRUE(os->checkpath(name));
  EXPECT_EQ(name, root + "base/only.txt");
  name = "nowhere.txt";
  EXPECT_FALSE(os->checkpath(name));
  EXPECT_EQ(name, "");

  const std::string ref = root + "maps/a.dra";
  std::string stored = os->checkPathReverse(ref, root + "maps/img/b.bmp");
  EXPECT_EQ(stored, "<path>img/b.bmp");
  EXPECT_TRUE(os->checkpath(ref, stored));
  EXPECT_EQ(stored, root + "maps/img/b.bmp");

  std::string upper = root + "BASE/Only.TXT";
  EXPECT_EQ(os->checkPathReverse(upper), "<root>Only.TXT");
  stored = "<root>only.txt";
  EXPECT_TRUE(os->checkpath(stored));
  testenv::writeFile("Documents/My Maps/m.txt", "x");
  stored = "<my data>m.txt";
  EXPECT_TRUE(os->checkpath(stored));
  EXPECT_EQ(stored, os->documents + "My Maps/m.txt");
  EXPECT_EQ(os->checkPathReverse(stored), "<my data>m.txt");
  stored = "<root>";
  EXPECT_TRUE(os->checkpath("", stored, TosFiles::AsDir::Yes));
  name = root + "maps\\img\\b.bmp";  // a stored name with Windows separators
  EXPECT_TRUE(os->checkpath(name));
  EXPECT_EQ(name, root + "maps/img/b.bmp");
  stored = "<root>gone.txt";
  EXPECT_FALSE(os->checkpath(stored));
  EXPECT_EQ(stored, root + "base/gone.txt");  // a token name is kept even when missing
}

TEST_F(OsFiles, FileListExFollowsExtensionOrderAndSkipsHidden) {
  for (const char* f : {"ls/a.jpg", "ls/b.bmp", "ls/c.BMP", "ls/.h.bmp", "ls/noext", "ls/sub/d.bmp"})
    testenv::writeFile(f, "");
  TStringList items;
  ASSERT_TRUE(os->FileListEx(root + "ls", "*", "bmp,jpg", items, TosFiles::Format::Short));
  ASSERT_EQ(items.count(), 3);
  EXPECT_EQ(items[2], "a.jpg");
  EXPECT_EQ(TosFiles::ExtractFileExt(items[0]), "bmp");
  ASSERT_TRUE(os->FileListEx(root + "ls", "*", "", items, TosFiles::Format::Long));
  EXPECT_EQ(items.lines(), std::vector<std::string>{root + "ls/noext"});
  EXPECT_TRUE(os->ShortFileList(root + "ls", "*", items));
  EXPECT_EQ(items.count(), 4);
  EXPECT_TRUE(os->SubDirListShort(root + "ls", items));
  EXPECT_EQ(items.lines(), std::vector<std::string>{"sub"});
  EXPECT_EQ(os->FileCountWithSubdirs(root + "ls", "bmp"), 3);
  EXPECT_FALSE(os->FileList(root + "ls-none", "*", items));
}

TEST_F(OsFiles, TextFilesAreUtf8AndReadAnyEncoding) {
  const std::string name = root + "tf/t.txt";
  os->MakeDirectory(root + "tf");
  ASSERT_TRUE(os->WriteTextFile(name, "Zürich 東京\r\n"));
  EXPECT_EQ(testenv::readFile(name), "Zürich 東京\r\n");
  EXPECT_EQ(os->ReadTextFile(name), "Zürich 東京\r\n");
  EXPECT_EQ(os->ReadTextFile(testenv::writeFile("tf/bom.txt", "\xEF\xBB\xBFok")), "ok");
  EXPECT_EQ(os->ReadTextFile(testenv::writeFile("tf/1252.txt", "Z\xFCrich")), "Zürich");
  EXPECT_EQ(os->ReadTextFile(testenv::writeFile("tf/one.txt", "7")), "7");
  EXPECT_EQ(os->ReadTextFile(root + "tf/missing.txt"), "");
  ASSERT_TRUE(os->AppendToTextFile(name, "more"));
  EXPECT_EQ(os->ReadTextFile(name), "Zürich 東京\r\nmore");
  EXPECT_FALSE(os->WriteTextFile(name + "/below.txt", "x"));
}

TEST_F(OsFiles, AppendingWaitsForNoOneAndLeavesAFileInUseAlone) {
  const std::string name = testenv::writeFile("use/f.txt", "a");
  EXPECT_FALSE(os->FileInUse(name));
  int holder = platform::openReadWrite(name);
  ASSERT_TRUE(platform::lockRange(holder, 0, 0));
  EXPECT_TRUE(os->FileInUse(name));
  EXPECT_FALSE(os->AppendToTextFile(name, "b"));
  platform::closeFile(holder);
  EXPECT_TRUE(os->AppendToTextFile(name, "b"));
  EXPECT_EQ(testenv::readFile(name), "ab");
}

TEST_F(OsFiles, TempNamesAreNewFilesInAPrivateFolder) {
  std::string a = os->tempfilename("dat"), b = os->tempfilename("dat");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(os->FileExists(a));
  EXPECT_TRUE(os->FileExists(b));
  EXPECT_EQ(TosFiles::ExtractFilePath(a), os->getTempDir());
  EXPECT_EQ(TosFiles::ExtractFileName(a).rfind(std::to_string(os->sessionID) + "-", 0), 0u);
  struct stat st {};
  ASSERT_EQ(stat(os->getTempDir().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  os->clearTempDir();
  EXPECT_FALSE(os->FileExists(a));
  EXPECT_TRUE(os->DirectoryExists(os->getTempDir()));
}

TEST_F(OsFiles, TempNamesRefuseAPlantedLink) {
  testenv::writeFile("elsewhere/keep", "");
  ASSERT_EQ(symlink((root + "elsewhere").c_str(), (platform::tempFolder() + "Ombrant").c_str()), 0);
  EXPECT_EQ(os->tempfilename("dat"), "");
  EXPECT_EQ(platform::listFolder(root + "elsewhere", "*", platform::Entries::All, true).size(), 1u);
}

TEST_F(OsFiles, AutofilenameTakesFirstFreeNumber) {
  const std::string dir = root + "auto/";
  EXPECT_EQ(os->autofilename(dir, "shot", "png"), dir + "shot-1.png");
  testenv::writeFile("auto/shot-1.png", "");
  EXPECT_EQ(os->autofilename(dir, "shot", "png"), dir + "shot-2.png");
  EXPECT_EQ(os->autofilename(dir, ""), dir + "1.tmp");
}

TEST_F(OsFiles, ClearDirectoryKeepsHiddenFilesAndNeverFollowsLinksOut) {
  testenv::writeFile("outside/keep.txt", "x");
  testenv::writeFile("cd/a.txt", "x");
  testenv::writeFile("cd/sub/b.txt", "x");
  ASSERT_EQ(symlink((root + "outside").c_str(), (root + "cd/sub/link").c_str()), 0);
  ASSERT_EQ(symlink((root + "outside/keep.txt").c_str(), (root + "cd/filelink").c_str()), 0);
  EXPECT_TRUE(os->clearDirectory(root + "cd", TosFiles::RemoveIt::No));
  EXPECT_TRUE(os->DirectoryExists(root + "cd"));
  EXPECT_TRUE(platform::listFolder(root + "cd", "*", platform::Entries::All, true).empty());
  EXPECT_TRUE(os->FileExists(root + "outside/keep.txt"));

  testenv::writeFile("cd2/a.txt", "x");
  testenv::writeFile("cd2/.hidden", "x");
  EXPECT_FALSE(os->clearDirectory(root + "cd2", TosFiles::RemoveIt::Yes));
  EXPECT_FALSE(os->FileExists(root + "cd2/a.txt"));
  EXPECT_TRUE(os->FileExists(root + "cd2/.hidden"));
}

TEST_F(OsFiles, CopyDirectoryCopiesTheTree) {
  testenv::writeFile("cp/a.txt", "a");
  testenv::writeFile("cp/s/t/b.txt", "b");
  os->copyDirectory(root + "cp", root + "cp-copy");
  EXPECT_EQ(testenv::readFile(root + "cp-copy/a.txt"), "a");
  EXPECT_EQ(testenv::readFile(root + "cp-copy/s/t/b.txt"), "b");
  os->copyDirectory(root + "cp", root + "cp/inner");
  EXPECT_FALSE(os->DirectoryExists(root + "cp/inner"));
  EXPECT_FALSE(os->copyfile(root + "cp/a.txt", root + "cp/../cp/a.txt"));  // onto itself
  EXPECT_EQ(testenv::readFile(root + "cp/a.txt"), "a");
  EXPECT_TRUE(os->copyfile(root + "cp/a.txt", root + "cp-copy/s/t/b.txt"));
  EXPECT_EQ(testenv::readFile(root + "cp-copy/s/t/b.txt"), "a");
}

TEST_F(OsFiles, FileamendRefusesReadOnlyFilesAndCreatesMissingOnes) {
  int f = -1;
  const std::string fresh = root + "am/new.bin";
  os->MakeDirectory(root + "am");
  ASSERT_TRUE(os->fileamend(f, fresh));
  EXPECT_EQ(os->filePosition(f), 0);
  EXPECT_TRUE(os->fileEnd(f));
  EXPECT_TRUE(os->FileWrite(f, "abc", 3));
  EXPECT_EQ(os->filesize(f), 3);
  EXPECT_TRUE(os->FileClose(f));

  const std::string ro = testenv::writeFile("am/ro.bin", "keep");
  ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
  EXPECT_TRUE(os->readOnlyFile(ro));
  EXPECT_FALSE(os->fileamend(f, ro));
  EXPECT_EQ(f, -1);
  EXPECT_TRUE(os->readOnlyFile(ro));
  os->clearReadOnly(ro);
  EXPECT_FALSE(os->readOnlyFile(ro));
  ASSERT_TRUE(os->fileamend(f, ro));
  char b[4];
  EXPECT_EQ(os->FileRead(f, b, 4), 4);
  EXPECT_TRUE(os->FileSeek(f, 1));
  EXPECT_EQ(os->FileRead(f, b, 4), 3);
  os->FileClose(f);
}

TEST_F(OsFiles, SizesAsText) {
  struct Case { int64_t size; const char* text; } cases[] = {
      {0, "0 bytes"}, {1023, "1023 bytes"}, {1024, "1.00 Kb"}, {1536, "1.50 Kb"}, {1048576, "1.00 Mb"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(os->getfilesizeStr(c.size), c.text);
  }
  EXPECT_EQ(os->getfilesize(testenv::writeFile("sz/f", std::string(1500, 'x'))), 1500);
  EXPECT_EQ(os->getfilesize(root + "sz/missing"), 0);
}

TEST_F(OsFiles, WriteableFolderIsNotFooledByALeftoverProbe) {
  testenv::writeFile("wr/chk.tmp", "");
  EXPECT_TRUE(os->IsDirectoryWriteable(root + "wr"));
  EXPECT_EQ(platform::listFolder(root + "wr", "*", platform::Entries::All, true).size(), 1u);
  EXPECT_FALSE(os->IsDirectoryWriteable(root + "wr/none"));
}

TEST_F(OsFiles, FileTimesAreUtcBothWays) {
  const std::string name = testenv::writeFile("tm/f.txt", "x");
  platform::TDateTime t = 45444.0 + (10 * 3600 + 1) / 86400.0;  // 2024-06-01 10:00:01 UTC
  ASSERT_TRUE(os->SetDateTime(name, t, t, t));
  EXPECT_NEAR(os->FileLastModified(name), t, 1e-3 / 86400.0);
  EXPECT_EQ(os->FileLastModified(root + "tm/none"), 0.0);
  EXPECT_EQ(os->FileDateTime(root + "tm/none"), 0.0);
  EXPECT_GT(os->FileDateTime(name), 0.0);
  ASSERT_TRUE(os->SetDateTime(root + "tm", t, t, t));
  EXPECT_NEAR(os->GetDirectoryDate(root + "tm/"), t, 1e-3 / 86400.0);
}

TEST(RFileBase, CommonPathMovesNameToTheEndWithItsNewValue) {
  EXPECT_EQ(r_fileBase::commonPath("maps"), "");
  ASSERT_TRUE(r_fileBase::setCommonPath("maps", "/a/"));
  ASSERT_TRUE(r_fileBase::setCommonPath("data", "/d/"));
  ASSERT_TRUE(r_fileBase::setCommonPath("MAPS", "/b/"));
  EXPECT_EQ(testenv::readFile(r_fileBase::commonPathsFile()), "data=/d/\r\nMAPS=/b/\r\n");
  EXPECT_EQ(r_fileBase::commonPath("maps"), "/b/");
}
}  // namespace
