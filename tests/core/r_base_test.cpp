// The error trail, progress mapping and the services object's life.
#include "core/r_base.h"

#include <gtest/gtest.h>

#include "core/r_log.h"
#include "platform/folders.h"
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
  for (int i = 4; i <= 1001; ++i) log("line " + std::to_string(i));
  EXPECT_EQ(logObject->lineCount(), 204);
  EXPECT_EQ((*logObject->lines())[2], "purged");
  freeOs();
  EXPECT_FALSE(logObject);
}
}  // namespace
