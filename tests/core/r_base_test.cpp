// The error trail, progress mapping and the services object's life.
#include "core/r_base.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "core/r_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "tests/support/testenv.h"

namespace {
class Tworker : public TqyObject {};

struct OsFixture : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

TEST_F(OsFixture, PercentIsMappedIntoSubRangeWithHalvesToEven) {
  struct Case { int start, finish, in, out; } cases[] = {
      {0, 0, 37, 37}, {20, 60, 50, 40}, {20, 60, 25, 30}, {0, 50, 5, 2}, {0, 50, 7, 4}};
  for (auto c : cases) {
    Tworker w;
    w.startPc = c.start;
    w.finishPC = c.finish;
    w.setpercent(c.in);
    EXPECT_EQ(w.percent(), c.out) << c.start << ".." << c.finish << " in " << c.in;
    EXPECT_EQ(w.finishPC, c.finish == 0 ? 100 : c.finish);
  }
}

TEST_F(OsFixture, ObjectWithoutEventRelaysToOs) {
  Tworker w;
  w.setpercent(42);
  EXPECT_EQ(os->percent(), 42);
}

TEST_F(OsFixture, ErrWithoutProcnameCarriesUnitAndClass) {
  Tworker w;
  w.seterr("a");
  EXPECT_EQ(w.err(), "r_base.Tworker.a");
  EXPECT_EQ(os->lasterr, "r_base.Tworker.a");
  TprocScope p(w, "f");
  w.seterr("a");
  EXPECT_EQ(w.err(), "a");
}

TEST_F(OsFixture, StepMarkerUnwindsProceduresLeftOpen) {
  Tworker a, b;
  a.setproc("f");
  b.setproc("g");  // never closed
  a.seterr("a2");
  ASSERT_EQ(os->procnames.size(), 1u);
  EXPECT_EQ(os->procnames.back().name, "Tworker.f");
  a.setproc("");
  EXPECT_TRUE(os->procnames.empty());
}

TEST_F(OsFixture, ClosedNestedProcedureLeavesOuterEntryToBeUnwound) {
  Tworker a, b;
  a.setproc("f");
  b.setproc("g");
  b.setproc("");
  a.seterr("x");
  EXPECT_TRUE(os->procnames.empty());
  a.setproc("");
  EXPECT_TRUE(os->procnames.empty());
}

TEST_F(OsFixture, TrailReadsEntriesBottomUp) {
  EXPECT_EQ(os->trail(), "");
  Tworker a, b;
  a.setproc("f");
  a.seterr("a2");
  b.setproc("g");
  EXPECT_EQ(os->trail(), "Tworker.f [[a2]:Tworker.g [[]");
  b.setproc("");
  a.setproc("");
}

TEST_F(OsFixture, TrailNeverReadsAFreedObject) {
  auto w = std::make_unique<Tworker>();
  w->setproc("f");
  w->seterr("a");
  w.reset();  // freed with its procedure still open
  EXPECT_EQ(os->trail(), "Tworker.f");
  os->procnames.clear();
}

TEST_F(OsFixture, EmptyProcnameOnEmptyStackClearsLastError) {
  os->lasterr = "old";
  Tworker w;
  w.setproc("");
  EXPECT_TRUE(os->procnames.empty());
  EXPECT_EQ(os->lasterr, "");
}

TEST(Tos, BaseDirAndParent) {
  Tos o;
  struct Case { const char* in; const char* base; const char* parent; } cases[] = {
      {"/", "/", "/"}, {"/apps/clock", "/apps/clock/", "/apps/"}, {"/apps/clock/", "/apps/clock/", "/apps/"}};
  for (auto c : cases) {
    o.setBaseDir(c.in);
    EXPECT_EQ(o.basedir(), c.base);
    EXPECT_EQ(o.parentdir, c.parent);
    EXPECT_EQ(o.addonDir, std::string(c.parent) + "add-ons/");
  }
}

TEST_F(OsFixture, SettingConfigDirDeletesOnlyOnChange) {
  std::string a = testenv::tempDir() + "cfgA/", b = testenv::tempDir() + "cfgB/";
  os->setconfig(a);
  testenv::writeFile("cfgA/log.txt", "x");
  os->setconfig(a);
  EXPECT_TRUE(fileExists(a + "log.txt"));
  testenv::writeFile("cfgB/log.txt", "y");
  os->setconfig(b);
  EXPECT_FALSE(fileExists(a + "log.txt"));
  EXPECT_FALSE(fileExists(b + "log.txt"));
}

TEST(Tos, SettingsListIsWrittenSortedAtShutDown) {
  createOs();
  std::string cfg = testenv::tempDir() + "cfgS/";
  os->setconfig(cfg);
  os->fsettings.add("zeta=1");
  os->fsettings.add("Alpha=2");
  std::string file = cfg + os->appname() + ".settings";
  freeOs();
  EXPECT_EQ(testenv::readFile(file), "Alpha=2\r\nzeta=1\r\n");
  createOs();
  os->setconfig(cfg);
  EXPECT_EQ(os->fsettings.value("zeta"), "1");
  freeOs();
}

TEST(Tlog, FirstLineWritesThreeLinesAndPurgeKeepsTail) {
  createOs();
  os->setconfig(testenv::tempDir() + "logs/");
  log("x");
  ASSERT_TRUE(logObject);
  EXPECT_EQ(logObject->lineCount(), 3);
  EXPECT_NE((*logObject->lines())[2].find(" x"), std::string::npos);
  logObject->saveEachTime = false;  // the purge does not depend on the file
  for (int i = 4; i <= 1001; ++i) log("line " + std::to_string(i));
  EXPECT_EQ(logObject->lineCount(), 204);
  EXPECT_EQ((*logObject->lines())[2], "purged");
  for (int i = 0; i < 797; ++i) log("more");  // a second purge drops the first "purged" line
  EXPECT_EQ(logObject->lineCount(), 204);
  EXPECT_EQ(logObject->lines()->text().find("purged"), logObject->lines()->text().rfind("purged"));
  freeOs();
  EXPECT_FALSE(logObject);
}
}  // namespace

namespace {
class Tbad {
 public:
  ~Tbad() noexcept(false) { throw std::runtime_error("cannot let go"); }
};

std::string logText() { return logObject ? logObject->lines()->text() : std::string(); }

TEST_F(OsFixture, UnassignFreesClearsAndReports) {
  std::unique_ptr<Tworker> none;
  EXPECT_TRUE(os->unassign(none));

  auto list = std::make_unique<TStringList>();
  list->add("a");
  int changes = 0;
  list->onChange = [&] { ++changes; };
  EXPECT_TRUE(os->unassign(list));
  EXPECT_FALSE(list);
  EXPECT_EQ(changes, 0);  // the change event goes before the list is emptied
  EXPECT_EQ(lastUnassign, "TStringList ");

  auto w = std::make_unique<Tworker>();
  EXPECT_TRUE(os->unassign(w, "closing"));
  EXPECT_EQ(lastUnassign, "Tworker ");

  auto bad = std::make_unique<Tbad>();
  EXPECT_FALSE(os->unassign(bad, "closing"));  // a quoted context, not a showerror flag
  EXPECT_FALSE(bad);
  const std::string text = logText();
  EXPECT_NE(text.find("context: closing\runassign: Tbad |"), std::string::npos) << text;
  EXPECT_NE(text.find("previous: Tworker "), std::string::npos);
}

TEST_F(OsFixture, TempDirKeepsItsTextAndJoinsTheMarker) {
  const std::string a = testenv::tempDir() + "tmpA", b = testenv::tempDir() + "tmpB/";
  os->setTempDir(a);
  EXPECT_EQ(os->tempdir(), a);
  EXPECT_EQ(testenv::readFile(a + "/log.txt"), platform::exePath() + "\r\n");
  EXPECT_FALSE(fileExists(a + "log.txt"));
  os->setTempDir(b);
  EXPECT_FALSE(fileExists(a + "/log.txt"));
  EXPECT_TRUE(fileExists(b + "log.txt"));
}

TEST(Tos, EachProgramKeepsItsOwnLog) {
  const std::string cfg = testenv::tempDir() + "shared/";
  testenv::writeFile("shared/log.txt", "main program's log");
  testenv::writeFile("shared/saverlog.txt", "old saver log");
  logname = kSaverLogName;
  createOs();
  os->setconfig(cfg);
  EXPECT_FALSE(fileExists(cfg + "saverlog.txt"));
  log("tick");
  freeOs();
  logname = "log";
  EXPECT_EQ(testenv::readFile(cfg + "log.txt"), "main program's log");
  const std::string saver = testenv::readFile(cfg + "saverlog.txt");
  EXPECT_NE(saver.find(" tick\r\n"), std::string::npos);
  EXPECT_NE(saver.find(" r_base.Tos.destroyed Tos\r\n"), std::string::npos);
}

TEST(Tos, ProgramNameComesFromTheExecutable) {
  platform::setExePathForTesting(testenv::tempDir() + "apps/My Clock.exe");
  createOs();
  EXPECT_EQ(os->appname(), "My_Clock");
  EXPECT_EQ(os->basedir(), testenv::tempDir() + "apps/");
  os->fsettings.add("k=v");
  const std::string cfg = os->configdir();
  freeOs();
  platform::setExePathForTesting(testenv::programPath());
  EXPECT_TRUE(fileExists(cfg + "My_Clock.settings"));
}

TEST(Tos, VersionCodesAndLocaleItems) {
  struct Case { int major, minor; bool nt; int32_t id; bool asks64; } cases[] = {
      {4, 0, false, win_95, false}, {4, 0, true, win_nt, false}, {5, 1, true, win_XP, true},
      {6, 2, true, win_8, true},    {6, 3, true, win_unknown, true}, {10, 0, true, win_unknown, false}};
  for (auto c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    EXPECT_EQ(Tos::winIDFromVersion(c.major, c.minor, c.nt), c.id);
    EXPECT_EQ(Tos::asks64bit(c.major, c.minor), c.asks64);
  }
  Tos o;
  EXPECT_EQ(o.GetLocaleChar(0x7777, "?"), "?");
  EXPECT_EQ(o.GetLocaleChar(LOCALE_SDECIMAL, "?"), ".");
}

// Locale texts come from the user's locale (LC_ALL, LC_TIME, LANG); C reads as US English.
TEST(Tos, LocaleTextsOfTheUsersLocale) {
  struct Case { int32_t item; const char* c; const char* de; } cases[] = {
      {LOCALE_SDAYNAME1, "Monday", "Montag"},           {LOCALE_SDAYNAME1 + 6, "Sunday", "Sonntag"},
      {LOCALE_SABBREVDAYNAME1 + 6, "Sun", "So."},       {LOCALE_SMONTHNAME1 + 11, "December", "Dezember"},
      {LOCALE_SABBREVMONTHNAME1 + 2, "Mar", "März"},    {LOCALE_S1159, "AM", "AM"},
      {LOCALE_S2359, "PM", "PM"},                       {LOCALE_SENGLANGUAGE, "English", "German"},
      {LOCALE_SLANGUAGE, "English", "Deutsch"},         {LOCALE_SENGCOUNTRY, "United States", "Germany"},
      {LOCALE_SNATIVECTRYNAME, "United States", "Deutschland"}, {LOCALE_SISO639LANGNAME, "en", "de"},
      {LOCALE_SISO3166CTRYNAME, "US", "DE"},            {LOCALE_SDECIMAL, ".", ","},
      {LOCALE_SABBREVMONTHNAME1 + 12, "?", "?"},        {0x7777, "?", "?"},
  };
  Tos o;
  const std::string saved = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
  for (const char* locale : {"C.UTF-8", "de_DE.UTF-8"}) {
    setenv("LC_ALL", locale, 1);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(locale) + " item " + std::to_string(c.item));
      EXPECT_EQ(o.GetLocaleStr(c.item, "?"), locale[0] == 'C' ? c.c : c.de);
    }
  }
  setenv("LC_ALL", saved.c_str(), 1);
}

TEST(Tos, InitDirectoriesMakesTheLogAndItsArchive) {
  createOs();
  freeLog();
  os->initDirectories("Planner", true, true);
  const std::string f = os->documents + "Ombrant/Planner/";
  EXPECT_EQ(os->configdir(), f);
  EXPECT_EQ(os->appDataDir(), f);
  EXPECT_EQ(os->epsgDir, os->documents + "Ombrant/common data/epsg/");
  EXPECT_TRUE(std::filesystem::is_directory(f + "log/archive"));
  ASSERT_TRUE(logObject);
  EXPECT_EQ(logObject->userDir(), f + "log/archive/");
  log("x");
  EXPECT_TRUE(fileExists(f + "log/log.txt"));
  EXPECT_TRUE(fileExists(f + "log/archive/" + logObject->userName + " " + logObject->startTime + ".txt"));
  freeOs();
}

TEST(Tlog, FileModeAppendsLinesAndArchiveDropsOldFiles) {
  const std::string dir = testenv::tempDir() + "tlog/";
  forceFolder(dir);
  {
    Tlog l(dir);
    l.log("a");
    l.setFilename(dir + "direct.txt");
    l.log("b");
    EXPECT_EQ(l.lineCount(), 0);
  }
  const std::string direct = testenv::readFile(dir + "direct.txt");
  EXPECT_NE(direct.find(" a\r\n"), std::string::npos);
  EXPECT_NE(direct.find(" b\r\n"), std::string::npos);
  EXPECT_NE(direct.find(" finishing log\r\n"), std::string::npos);
  EXPECT_EQ(testenv::readFile(dir + "log.txt"), direct);  // copied over the log file when done

  const std::string old = testenv::writeFile("tlog/archive/old.txt", "x");
  const std::string young = testenv::writeFile("tlog/archive/new.txt", "x");
  testenv::writeFile("tlog/archive/old.dat", "x");
  const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 31);
  std::filesystem::last_write_time(old, longAgo);
  std::filesystem::last_write_time(dir + "archive/old.dat", longAgo);
  platform::TDateTime born = 0, read = 0, written = 0;
  ASSERT_TRUE(platform::fileTimes(old, born, read, written));
  const bool keepsBirth = born - written > 1;
  Tlog l(dir);
  l.setUserDir(dir + "archive");
  // Born just now: kept where the file system says so, however long ago it was last written.
  EXPECT_EQ(fileExists(old), keepsBirth);
  EXPECT_TRUE(fileExists(young));
  EXPECT_TRUE(fileExists(dir + "archive/old.dat"));

  // A log born before the limit goes even though its program wrote it a moment ago.
  l.limit = 0.3 / 86400;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  testenv::writeFile("tlog/archive/new.txt", "y");
  l.setUserDir(dir + "archive");
  EXPECT_EQ(fileExists(young), !keepsBirth);
  if (!keepsBirth) GTEST_SKIP() << "the file system keeps no birth times: logs age by their last write";
}

TEST(Tlog, EmptyFolderMeansTheDocumentsFolder) {
  Tlog l("");
  EXPECT_EQ(l.logdir, platform::documentsFolder() + "Ombrant/");
}
}  // namespace
