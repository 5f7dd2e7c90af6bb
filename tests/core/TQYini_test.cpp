// TQYini: the file layout as read and written, key lookup, typed values, tokens, change tracking,
// saves that fail or are killed half-way, and the program settings file.
#include "core/TQYini.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/os_files.h"
#include "core/r_base.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/core/ini_roundtrip.h"
#include "tests/support/testenv.h"

#include <filesystem>
#include <random>

namespace {
struct IniFixture : ::testing::Test {
  void SetUp() override {
    createOs();
    testenv::writeFile("ini/.keep", "");  // the folder the tests' files go to
  }
  void TearDown() override { freeOs(); }
  std::string file(const std::string& rel, const std::string& bytes) { return testenv::writeFile(rel, bytes); }
};

TEST_F(IniFixture, ReadsSectionsAndWritesOnlyThoseWithLines) {
  const std::string name = file("ini/a.ini", "[a]\r\nx=1\r\n\r\n[b]\r\n");
  {
    TQYini ini(name);
    EXPECT_TRUE(ini.valid);
    ASSERT_EQ(ini.sections().count(), 2);
    EXPECT_EQ(ini.valueCount("a"), 1);
    EXPECT_EQ(ini.valueCount("B"), 0);
    EXPECT_FALSE(ini.changed);
    ASSERT_TRUE(ini.saveAs(name));
  }
  EXPECT_EQ(testenv::readFile(name), "[a]\r\nx=1\r\n\r\n");
}

TEST_F(IniFixture, OddLinesFollowTheReadingRules) {
  TQYini ini(file("ini/odd.ini", "[s]\n  Key = 5 \nnoequals\n[abc] ; note\ny=2\n[\nz=3\n"));
  EXPECT_EQ(ini.readString("S", "key", "d"), "5");
  EXPECT_FALSE(ini.valueExists("s", "key"));  // the name lookup there is not trimmed
  EXPECT_EQ(ini.readString("s", "noequals", "d"), "d");
  EXPECT_TRUE(ini.sectionExists("abc] ; not"));
  EXPECT_EQ(ini.readString("abc] ; not", "y", ""), "2");
  EXPECT_EQ(ini.readString("", "z", ""), "3");  // a bare "[" opens a section with no name
}

TEST_F(IniFixture, FilesThatCannotBeUsedLeaveDefaultsAndAreReplacedOnSave) {
  struct Case { const char* id; std::string bytes; } cases[] = {
      {"no bracket first", "x=1\n[a]\ny=2\n"}, {"empty", ""}, {"binary", std::string("\0\1[a]", 5)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string name = file(std::string("ini/bad-") + c.id + ".ini", c.bytes);
    TQYini ini(name);
    EXPECT_FALSE(ini.valid);
    EXPECT_EQ(ini.sections().count(), 0);
    EXPECT_EQ(ini.readInteger("a", "y", 7), 7);
    ini.writeInteger("a", "y", 3);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(testenv::readFile(name), "[a]\r\ny=3\r\n\r\n");
  }
  // A folder where the file should be: unreadable, defaults.
  testenv::writeFile("ini/isdir.ini/x", "");
  TQYini dirIni(testenv::tempDir() + "ini/isdir.ini");
  EXPECT_EQ(dirIni.readString("a", "b", "def"), "def");
  dirIni.changed = false;
}

TEST_F(IniFixture, NonAsciiNamesSurviveRepeatedSaves) {
  const std::string name = testenv::tempDir() + "ini/place.ini";
  {
    TQYini ini(name);
    ini.writestring("Zürich", "東京", "Größe=1; 東京");
    ini.writeFilename("Zürich", "file", testenv::tempDir() + "ini/maps/Zürich.bmp");
  }
  for (int i = 0; i < 3; ++i) {
    TQYini ini(name);
    ASSERT_EQ(ini.readString("zürich", "東京", ""), "Größe=1; 東京") << i;
    ini.writeInteger("Zürich", "n", i);
  }
  const std::string bytes = testenv::readFile(name);
  EXPECT_EQ(bytes.substr(0, 9), "[Zürich]");
  EXPECT_NE(bytes.find("file=<root>maps/Zürich.bmp"), std::string::npos);
  TQYini ini(name);
  EXPECT_EQ(ini.readFilename("Zürich", "file", ""), testenv::tempDir() + "ini/maps/Zürich.bmp");

  // Other encodings are read: a byte-order mark, or Windows-1252 bytes.
  TQYini bom(file("ini/bom.ini", "\xEF\xBB\xBF[Z\xC3\xBCrich]\r\nk=v\r\n"));
  EXPECT_EQ(bom.readString("Zürich", "k", ""), "v");
  TQYini cp(file("ini/1252.ini", "[Z\xFCrich]\r\nk=v\r\n"));
  EXPECT_EQ(cp.readString("Zürich", "k", ""), "v");
}

TEST_F(IniFixture, TypedValues) {
  TQYini ini;
  ini.writestring("c", "rgb", "10,20");
  EXPECT_EQ(ini.readRGB("c", "rgb", 0xFF0000), 10 + 20 * 256 + 0xFF * 65536);
  ini.writeRGB("c", "rgb2", 0x123456);
  EXPECT_EQ(ini.readString("c", "rgb2", ""), "86,52,18");
  EXPECT_EQ(TQYini::RGBstr("300,1,2"), 44 + 256 + 2 * 65536);
  ini.writeFloatUK("f", "half", 0.5);
  EXPECT_EQ(ini.readString("f", "half", ""), "0.50000000");
  ini.writestring("f", "grouped", "1,234.5");
  EXPECT_DOUBLE_EQ(ini.readFloatUK("f", "grouped", 0), 1234.5);
  EXPECT_DOUBLE_EQ(ini.readFloatUK("f", "missing", 2.25), 2.25);
  ini.writestring("f", "junk", "abc");
  EXPECT_EQ(ini.readFloatUK("f", "junk", 1), 0);
  EXPECT_EQ(ini.readInteger("f", "junk", 1), 0);
  EXPECT_EQ(ini.readFloat("f", "half", 0), 0.5);
  ini.writeCardinal("n", "big", 4000000000u);
  EXPECT_EQ(ini.readCardinal("n", "big", 0), 4000000000u);
  std::vector<uint8_t> blob{0x00, 0xAB, 0x7F}, back;
  ini.writeBinaryStream("b", "blob", blob);
  EXPECT_EQ(ini.readString("b", "blob", ""), "00AB7F");
  EXPECT_EQ(ini.readBinaryStream("b", "blob", back), 3u);
  EXPECT_EQ(back, blob);
  ini.writestring("kv", " name = some=thing ");
  EXPECT_EQ(ini.readString("kv", "name", ""), "some=thing");
  ini.writestring("kv", "name", "", TQYini::ClearBlanks::Yes);
  EXPECT_FALSE(ini.valueExists("kv", "name"));
  EXPECT_EQ(ini.wd("Hello"), "Hello");
}

TEST_F(IniFixture, ReadOrCreateWritesOnlyIntoAMissingSection) {
  TQYini ini;
  EXPECT_EQ(ini.readOrCreateString("s", "k", "d"), "d");
  EXPECT_TRUE(ini.valueExists("s", "k"));
  EXPECT_EQ(ini.readOrCreateInteger("s", "other", 4), 4);
  EXPECT_FALSE(ini.valueExists("s", "other"));
}

TEST_F(IniFixture, TokensFollowTheFilesFolder) {
  TQYini ini;
  ini.setname("/data/maps/set.ini");
  EXPECT_EQ(ini.dir(), "/data/maps/");
  EXPECT_EQ(ini.parentDir(), "/data/");
  struct Case { std::string path, stored; } cases[] = {
      {"/data/maps/a.bmp", "<root>a.bmp"}, {"/data/other/b.bmp", "<root parent>other/b.bmp"},
      {"/elsewhere/c.bmp", "/elsewhere/c.bmp"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ini.enToken(c.path), c.stored);
    EXPECT_EQ(ini.detoken(c.stored), c.path);
  }
  EXPECT_EQ(ini.detoken("<root>sub\\d.bmp"), "/data/maps/sub/d.bmp");
  ini.writeFilename("/elsewhere/", "s", "k", "/elsewhere/c.bmp");
  EXPECT_EQ(ini.readString("s", "k", ""), "<root>c.bmp");
  TQYini bare;
  bare.setname("x.ini");
  EXPECT_EQ(bare.dir(), "");
}

TEST_F(IniFixture, EveryKindOfEditMarksTheFileChanged) {
  const std::string name = file("ini/ch.ini", "[a]\nx=1\n[b]\ny=2\n");
  using Edit = void (*)(TQYini&);
  struct Case { const char* id; Edit edit; } cases[] = {
      {"writestring", [](TQYini& i) { i.writestring("a", "x", "2"); }},
      {"EraseValue", [](TQYini& i) { i.EraseValue("a", "x"); }},
      {"EraseSection", [](TQYini& i) { i.EraseSection("b"); }},
      {"EraseAll", [](TQYini& i) { i.EraseAll(); }},
      {"ClearSection", [](TQYini& i) { i.ClearSection("a"); }},
      {"insertSection", [](TQYini& i) { i.insertSection(0, "new"); }},
      {"WriteSection", [](TQYini& i) { TStringList l; l.add("q=1"); i.WriteSection("a", l); }},
      {"getSection edit", [](TQYini& i) { i.getSection("a")->add("z=9"); }},
      {"created section edit", [](TQYini& i) { i.getOrCreateSection("c"); i.changed = false; i.getSection("c")->add("w=1"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TQYini ini(name, TQYini::ReadOnly::Yes);
    ASSERT_FALSE(ini.changed);
    c.edit(ini);
    EXPECT_TRUE(ini.changed);
  }
  TQYini same(name, TQYini::ReadOnly::Yes);
  same.writestring("a", "x", "1");  // the same line again
  same.EraseValue("a", "nothing");
  EXPECT_FALSE(same.changed);
}

TEST_F(IniFixture, AutoUpdateSavesEachWriteOnce) {
  const std::string name = testenv::tempDir() + "ini/auto.ini";
  TQYini ini(name);
  ini.autoUpdate = true;
  ini.writestring("s", "k", "v");
  EXPECT_FALSE(ini.changed);
  EXPECT_EQ(testenv::readFile(name), "[s]\r\nk=v\r\n\r\n");
}

TEST_F(IniFixture, FailedSaveKeepsOldFileAndChangedFlag) {
  const std::string name = file("ini/keep.ini", "[a]\r\nx=1\r\n\r\n");
  {
    TQYini ini(name);
    ini.writestring("a", "x", "2");
    platform::failNextReplaceForTesting(name);
    EXPECT_FALSE(ini.save());
    EXPECT_TRUE(ini.changed);
    EXPECT_EQ(testenv::readFile(name), "[a]\r\nx=1\r\n\r\n");
    EXPECT_EQ(platform::listFolder(testenv::tempDir() + "ini", "keep*", platform::Entries::All, true).size(), 1u);
    ini.changed = false;
  }
  // A folder that cannot be created: below a regular file.
  TQYini lost(name + "/below.ini");
  lost.writestring("a", "x", "3");
  EXPECT_FALSE(lost.save());
  EXPECT_TRUE(lost.changed);
  EXPECT_EQ(lost.readString("a", "x", ""), "3");  // nothing lost in memory
  lost.changed = false;
}

TEST_F(IniFixture, KilledSaveLeavesOldOrNewFileWhole) {
  const std::string name = testenv::tempDir() + "ini/killed.ini";
  auto content = [](int v) {
    TQYini ini;
    for (int s = 0; s < 200; ++s)
      for (int k = 0; k < 50; ++k) ini.writeInteger("Zürich " + std::to_string(s), "key" + std::to_string(k), v);
    return ini.asText();
  };
  const std::string a = content(1), b = content(2);
  ASSERT_TRUE(platform::replaceFileContents(name, a));
  for (int delayUs : {0, 500, 3000, 10000}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TQYini ini(name);
      for (int i = 0;; ++i) {
        ini.EraseAll();
        auto next = TQYini::fromText(i % 2 ? b : a);
        ini.assign(*next);
        ini.save();
      }
    }
    usleep(static_cast<useconds_t>(delayUs + 20000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    SCOPED_TRACE(delayUs);
    const std::string got = testenv::readFile(name);
    ASSERT_TRUE(got == a || got == b) << got.size();
  }
}

TEST_F(IniFixture, ProgramSettingsFileLivesInTheApplicationFolder) {
  std::string prog = platform::exeName();
  if (auto dot = prog.rfind('.'); dot != std::string::npos && dot > 0) prog = prog.substr(0, dot);
  EXPECT_EQ(settings().filename(), os->appDataDir() + prog + ".ini");
  int fired = 0;
  onChangedChanged = [&](TQYini*) { ++fired; };
  setChanged();
  os->setChanged(nullptr);
  EXPECT_EQ(fired, 1);
  onChangedChanged = nullptr;
  const std::string name = settings().filename();
  freeSettings();
  EXPECT_EQ(testenv::readFile(name), "[settings]\r\nchanged=yes\r\n\r\n");
}

TEST(TQYiniNames, ProgramWithBlanksKeepsThemInItsSettingsFile) {
  platform::setExePathForTesting("/opt/clock/My Clock.exe");
  createOs();
  EXPECT_EQ(TosFiles::ExtractFileName(settings().filename()), "My Clock.ini");
  freeOs();
  platform::setExePathForTesting(testenv::programPath());
}

// Hostile text for both settings readers: the encoding is decided once for the whole file, and a
// section line loses whole characters only.
TEST_F(IniFixture, HostileTextStaysWholeInBothReaders) {
  struct Case { const char* id; std::string bytes; const char* section; const char* value; } cases[] = {
      {"byte-order mark and a byte that is no UTF-8", "\xEF\xBB\xBF[Z\xC3\xBCrich]\r\nname=Z\xC3\xBCrich\r\nbad=\xFF\r\n",
       "Z\xC3\xBCrich", "Z\xC3\xBCrich"},
      {"header cut at a two-byte last character", "[ab\xC3\xBC\nname=x\n", "ab", "x"},
      {"header cut at a four-byte last character", "[ab\xF0\x9F\x8C\x8D\nname=y\n", "ab", "y"},
      {"header of a multi-byte character in brackets", "[\xE2\x82\xAC]\nname=z\n", "\xE2\x82\xAC", "z"},
      {"Windows-1252 file", "[Z\xFCrich]\nname=\xE9t\xE9\n", "Z\xC3\xBCrich", "\xC3\xA9t\xC3\xA9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string name = file("ini/hostile.ini", c.bytes);
    {
      TQYini ini(name, TQYini::ReadOnly::Yes);
      EXPECT_EQ(ini.readString(c.section, "name", "?"), c.value);
      EXPECT_TRUE(platform::isValidUtf8(ini.asText()));
    }
    {
      TiniLite lite(name);
      EXPECT_EQ(lite.readString(c.section, "name", "?"), c.value);
    }
    EXPECT_EQ(iniproperty::roundTripFault(c.bytes, testenv::tempDir() + "ini/"), "");
  }
  // The invalid byte is kept as a replacement character, not dropped or passed on.
  TQYini ini(file("ini/hostile.ini", cases[0].bytes), TQYini::ReadOnly::Yes);
  EXPECT_EQ(ini.readString("Z\xC3\xBCrich", "bad", ""), "\xEF\xBF\xBD");
}

// Any bytes at all: built from the pieces that matter to the readers, so that sections, keys,
// line ends, byte-order marks and broken UTF-8 sequences meet in every order.
TEST_F(IniFixture, RandomBytesReadSaveAndReadBackTheSame) {
  const std::vector<std::string> pieces = {
      "[", "]", "=", "\r", "\n", "\r\n", " ", "\t", "a", "Key", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF",
      "\xC3\xBC", "\xC3", "\xBC", "\xE2\x82\xAC", "\xE2\x82", "\xF0\x9F\x8C\x8D", "\xF0\x9F", "\xFF", "\x80",
      std::string(1, '\0'), "\x01", "\xED\xA0\x80", "\xC0\xAF"};
  // Saves are flushed to disk: a memory file system, where there is one, keeps the rounds quick.
  std::string folder = "/dev/shm/kestrova-ini-XXXXXX";
  folder = mkdtemp(folder.data()) ? folder + "/" : testenv::tempDir() + "ini/";
  std::mt19937 rng(20261210);
  for (int round = 0; round < 500; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      if (rng() % 5 == 0) bytes += static_cast<char>(rng() % 256);
      else bytes += pieces[rng() % pieces.size()];
    }
    if (rng() % 2) bytes.insert(0, "[");
    const std::string fault = iniproperty::roundTripFault(bytes, folder);
    ASSERT_EQ(fault, "") << "bytes: " << testing::PrintToString(bytes);
  }
  if (folder.rfind("/dev/shm/", 0) == 0) std::filesystem::remove_all(folder);
}
}  // namespace
