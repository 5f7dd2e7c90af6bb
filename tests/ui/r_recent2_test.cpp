// The recent-files and column-settings stores: where they lie, what a picker's picks write
// (read back by Python's own ini reader), groups newest first and at most twelve, the 180-day
// purge and the 30-day EPSG list on a pinned clock, column settings, default attributes, damaged
// store files, existence tests that answer within their limit, and the picked-files table
// (read back by the sqlite3 program).
#include "ui/r_recent2.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/r_date.h"
#include "platform/datetime.h"
#include "platform/process.h"
#include "platform/windows.h"
#include "storage/r_Data.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace {
using namespace platform;
namespace fs = std::filesystem;

TDateTime utc(int y, int mo, int d, int h, int mi = 0, int s = 0) {
  TDateTime day = 0, time = 0;
  tryEncodeDate(y, mo, d, day);
  tryEncodeTime(h, mi, s, 0, time);
  return day + time;
}

class Stores : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    setClockForTesting(utc(2024, 6, 30, 12));  // noon: the local and the GMT date agree
    was = fs::current_path();
    here = testenv::tempDir() + "cwd/";
    fs::create_directories(here);
    fs::current_path(here);
    prefix = TosFiles::ExtractFilePrefix(exePath());
    docs = withSlash(TosFiles::LocationOf(5));
    fs::create_directories(docs);
  }
  void TearDown() override {
    recentShutDown();
    fs::current_path(was);
    setClockForTesting(0);
    freeOs();
  }
  // A store file of the current folder, written before the store is made.
  void writeStore(const std::string& suffix, const std::string& text) {
    std::ofstream(here + prefix + suffix, std::ios::binary) << text;
  }
  static std::string withSlash(std::string s) { return s.empty() || s.back() == '/' ? s : s + "/"; }

  fs::path was;
  std::string here, prefix, docs;
};

TEST_F(Stores, StoresLieBesideEachOtherAndStayWhereTheyWereWhenTheFolderChanges) {
  struct Case {
    const char* id;
    bool folderP;
    const char *recentName, *columnsName;
  } cases[] = {{"no folder P", false, "-recent.ini", "-columns.ini"},
               {"folder P", true, "/recent.ini", "/columns.ini"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    if (c.folderP) fs::create_directories(here + prefix);
    createRecent();
    EXPECT_EQ(recent->recentFileName(), here + prefix + c.recentName);
    EXPECT_EQ(recent->columnsFileName(), here + prefix + c.columnsName);
    // The folder changes during the run: the stores are written where they were read.
    const std::string elsewhere = testenv::tempDir() + "elsewhere/";
    fs::create_directories(elsewhere);
    fs::current_path(elsewhere);
    recent->add("maps", docs + "a.dra");
    recent->updateCol("towns.dbf", "name", ftString, 150, true);
    recentShutDown();
    EXPECT_TRUE(fs::exists(here + prefix + c.recentName));
    EXPECT_TRUE(fs::exists(here + prefix + c.columnsName));
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::current_path(here);
  }
}

// The program names its configuration folder: the stores go there, not where it was started.
TEST_F(Stores, AFolderNamedByTheProgramTakesTheStores) {
  const std::string cfg = testenv::tempDir() + "config/";
  fs::create_directories(cfg);
  setRecentStoreFolder(cfg.substr(0, cfg.size() - 1));
  createRecent();
  recent->add("maps", docs + "a.dra");
  recentShutDown();
  setRecentStoreFolder("");
  EXPECT_TRUE(fs::exists(cfg + prefix + "-recent.ini"));
  EXPECT_FALSE(fs::exists(here + prefix + "-recent.ini"));
  createRecent();
  EXPECT_EQ(recent->recentFileName(), here + prefix + "-recent.ini");
}

TEST_F(Stores, PickerFlowWritesDocumentTokensTheGroupFolderAndKeepsTheTwelveNewest) {
  createRecent();
  EXPECT_EQ(recent->MyDocuments(), docs);
  fs::create_directories(docs + "maps");
  // What the picker does after each confirmed open: the folder, then the file.
  for (int i = 0; i < 15; ++i) {
    setClockForTesting(utc(2024, 6, 30, 12, i));
    recent->setRecent("locations", docs + "maps/");
    recent->add("locations", docs + "maps/a" + std::to_string(i) + ".dra");
  }
  EXPECT_EQ(recent->getrecent("locations"), docs + "maps/");
  recentShutDown();

  // An outside reader of ini files sees the token forms and the times.
  const std::string file = here + prefix + "-recent.ini";
  const std::string py =
      "import configparser,sys\n"
      "c=configparser.ConfigParser(delimiters=('=',),interpolation=None)\n"
      "c.optionxform=str\n"
      "c.read(sys.argv[1],encoding='utf-8')\n"
      "print(c['groups']['locations'])\n"
      "print(len(c['locations']))\n"
      "print(c['locations']['<mydocs>maps/a14.dra'])\n";
  testenv::writeFile("read.py", py);
  int status = -1;
  const std::string out =
      testenv::runCommand("/usr/bin/python3 " + testenv::tempDir() + "read.py '" + file + "'", &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(out, "<mydocs>maps/\n15\n2024-06-30 13:14:00\n");  // local time: London is an hour ahead

  createRecent();
  TStringList& l = recent->getGroup("locations");
  ASSERT_EQ(l.count(), 12);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(l[k], docs + "maps/a" + std::to_string(14 - k) + ".dra");
  EXPECT_GT(recent->timeOf(0), recent->timeOf(11));
  EXPECT_EQ(recent->ini->valueCount("locations"), 12) << "the three oldest are forgotten";
}

TEST_F(Stores, GroupQueriesReadWhatTheyCanAndFilterByType) {
  writeStore("-recent.ini",
             "[groups]\r\nmaps=<root>nowhere\r\n\r\n"
             "[maps]\r\n"
             "/data/old.dra=2023-01-01 10:00:00\r\n"
             "/data/roads.gpkg[roads]=2024-05-01 10:00:00\r\n"
             "/data/new.dra=2024-06-01 10:00:00\r\n"
             "/data/same1.dra=2024-04-01 10:00:00\r\n"
             "/data/same2.dra=2024-04-01 10:00:00\r\n"
             "/data/bad.dra=yesterday\r\n"
             "=2024-01-01 10:00:00\r\n"
             "/data/dir/|a.dra|b.dra=2024-03-01 10:00:00\r\n");
  createRecent();
  TStringList& all = recent->getGroup("maps");
  const std::vector<std::string> want{"/data/new.dra",   "/data/roads.gpkg[roads]", "/data/same2.dra",
                                      "/data/same1.dra", "/data/dir/|a.dra|b.dra",  "/data/old.dra"};
  EXPECT_EQ(all.lines(), want) << "newest first; of equal times the later line first; unreadable lines dropped";
  EXPECT_EQ(recent->ini->valueCount("maps"), 6);
  TStringList& dra = recent->recentFilesOfType("maps", TosFileTypes::getFileType("x.dra"));
  EXPECT_EQ(dra.count(), 5) << "the multiple pick is of drawings too";
  // A remembered folder that is gone: the current folder.
  EXPECT_EQ(recent->getrecent("maps"), here);
  EXPECT_EQ(recent->getrecent("never"), here);
  recent->defaultdir = docs;
  EXPECT_EQ(recent->getrecent("never"), docs);

  // With existence checks, entries of files that are gone are forgotten; a table's file counts.
  fs::create_directories(here + "d");
  std::ofstream(here + "d/t.gpkg") << "x";
  recent->add("live", here + "d/t.gpkg[roads]");
  recent->add("live", here + "d/gone.dra");
  recent->checkExist = true;
  EXPECT_EQ(recent->getGroup("live").lines(), std::vector<std::string>{here + "d/t.gpkg[roads]"});
  EXPECT_EQ(recent->ini->valueCount("live"), 1);
}

TEST_F(Stores, ColumnSettingsNotViewedFor180DaysArePurgedAtStart) {
  writeStore("-columns.ini",
             "[only date]\r\nlast viewed=2024-06-01\r\n\r\n"
             "[181 days]\r\nname=no,80\r\nlast viewed=2024-01-01\r\n\r\n"
             "[180 days]\r\nname=no,80\r\nlast viewed=2024-01-02\r\n\r\n"
             "[not a date]\r\nname=no,80\r\nlast viewed=2024-13-45\r\n\r\n"
             "[never viewed]\r\nname=no,80\r\nsize=yes,120\r\n\r\n"
             "[data options]\r\nQY:datafirst=yes\r\n\r\n");
  createRecent();
  TQYini& d = recent->dataSettings();
  EXPECT_FALSE(d.sectionExists("only date"));
  EXPECT_FALSE(d.sectionExists("181 days"));
  EXPECT_TRUE(d.sectionExists("180 days"));
  EXPECT_FALSE(d.sectionExists("not a date"));
  EXPECT_EQ(d.readString("never viewed", "last viewed", ""), "2024-06-30");
  EXPECT_EQ(d.readString("data options", "QY:datafirst", ""), "yes") << "defaults are no per-file settings";

  // Viewed during the run: its date is renewed when the store is written.
  Tcolumns cols;
  cols.Add(ftString, "name");
  recent->getcolumns("180 days", cols);
  EXPECT_TRUE(cols.item(0)->hidden);
  recentShutDown();
  const std::string text = testenv::readFile(here + prefix + "-columns.ini");
  EXPECT_NE(text.find("[180 days]\r\nname=no,80\r\nlast viewed=2024-06-30\r\n"), std::string::npos) << text;
}

TEST_F(Stores, ColumnSettingsWrittenAndApplied) {
  createRecent();
  Tcolumns cols;
  cols.setname = "towns.dbf";
  Tcolumn* name = cols.Add(ftString, "name");
  Tcolumn* pop = cols.Add(ftInteger, "population");

  struct UpdateCase {
    const char* id;
    bool hidden;
    int width;
    const char* pick;
    const char* stored;  // "" when the key is removed
  } updates[] = {
      {"default: removed", false, 200, "", ""},
      {"wider", false, 150, "", "yes,150"},
      {"hidden", true, 200, "", "no,200"},
      {"pick list", false, 200, "towns", "yes,200,towns"},
  };
  for (const UpdateCase& u : updates) {
    SCOPED_TRACE(u.id);
    name->hidden = u.hidden;
    name->width = u.width;
    name->pickListName = u.pick;
    recent->updateCol(*name);
    EXPECT_EQ(recent->dataSettings().readString("towns.dbf", "name", ""), u.stored);
  }

  struct ValueCase {
    const char* id;
    const char* file;
    const char* column;
    int type, width;
    bool visible;
    const char* stored;
  } values[] = {
      {"as by default", "roads.shp", "kind", ftString, 200, true, ""},
      {"hidden", "roads.shp", "kind", ftString, 200, false, "no,200"},
      {"width 0 takes the type's", "roads.shp", "lanes", ftInteger, 0, false, "no,80"},
      {"no file: live", "", "kind", ftBoolean, 70, true, "yes,70"},
      {"hidden by default", "roads.shp", "QY:datafirst", ftString, 200, false, ""},
  };
  for (const ValueCase& v : values) {
    SCOPED_TRACE(v.id);
    recent->updateCol(v.file, v.column, v.type, v.width, v.visible);
    EXPECT_EQ(recent->dataSettings().readString(*v.file ? v.file : "live", v.column, ""), v.stored);
  }
  EXPECT_FALSE(recent->ColVisible("roads.shp", "lanes"));
  EXPECT_TRUE(recent->ColVisible("roads.shp", "unknown"));
  EXPECT_FALSE(recent->ColVisible("roads.shp", "QY:stylename"));
  recent->dataSettings().writestring("data options", "QY:stylename", "yes");
  EXPECT_TRUE(recent->ColVisible("roads.shp", "QY:stylename"));

  // Applying: the stored value sets visibility, width and pick list; a bad width keeps the column's.
  recent->dataSettings().writestring("towns.dbf", "name", "no,120,towns");
  recent->dataSettings().writestring("towns.dbf", "population", "yes,wide");
  pop->width = 80;
  recent->getcolumns("towns.dbf", cols);
  EXPECT_TRUE(name->hidden);
  EXPECT_EQ(name->width, 120);
  EXPECT_EQ(name->pickListName, "towns");
  EXPECT_TRUE(name->customWidth);
  EXPECT_FALSE(pop->hidden);
  EXPECT_EQ(pop->width, 80);
  EXPECT_GE(recent->viewed.indexOf("towns.dbf"), 0);

  // With a list the store is not touched and nothing counts as viewed.
  TStringList lines;
  recent->updateCol(&lines, "ignored", "kind", ftString, 90, true);
  EXPECT_EQ(lines.lines(), std::vector<std::string>{"kind=yes,90"});
  EXPECT_TRUE(recent->ColVisible(&lines, "other.shp", "nothing"));
  EXPECT_LT(recent->viewed.indexOf("other.shp"), 0);
}

TEST_F(Stores, DefaultAttributesRoundTripAndVisibleFields) {
  createRecent();
  TQYini ini;
  Tcolumns cols;
  cols.Add(ftInteger, "lanes")->width = 60;
  Tcolumn* note = cols.Add(ftString, "note");
  note->hidden = true;
  note->deflt = "a, b";
  TStringList options;
  options.add("datafirst=yes");
  ini.writestring("drawing", "other", "kept");
  ini.writestring("drawing", "field:gone", "string,yes,10,");
  recent->saveDefaultAttributes(ini, "drawing", &cols, &options);
  EXPECT_EQ(ini.readString("drawing", "other", ""), "kept");
  EXPECT_EQ(ini.readString("drawing", "field:gone", "none"), "none");
  EXPECT_EQ(ini.readString("drawing", "field:note", ""), "string,no,200,a, b");

  Tcolumns back;
  TStringList opts;
  recent->getDefaultAttributes(ini, "drawing", &back, &opts);
  ASSERT_EQ(back.count(), 2);
  EXPECT_EQ(back.item(0)->datatype(), ftInteger);
  EXPECT_EQ(back.item(0)->width, 60);
  EXPECT_TRUE(back.item(1)->hidden);
  EXPECT_EQ(back.item(1)->deflt, "a, b");
  EXPECT_EQ(opts.lines(), std::vector<std::string>{"datafirst=yes"});

  // Existing columns only: known names change, nothing is added.
  Tcolumns mine;
  mine.Add(ftString, "NOTE");
  recent->getExistingDefaultAttributes(ini, "drawing", &mine, &opts);
  ASSERT_EQ(mine.count(), 1);
  EXPECT_TRUE(mine.item(0)->hidden);
  recent->getDefaultAttributes(ini, "drawing", nullptr, &opts);  // no list: nothing happens

  struct FieldsCase {
    const char* id;
    std::vector<std::string> lines;
    std::vector<int> want;
  } cases[] = {
      {"none stored", {}, {-3, -4, -10, -2, -16, -5, -8, -6}},
      {"two", {"QY:3=yes", "QY:12=yes"}, {-3, -12}},
      {"long keys and words skipped", {"QY:123=yes", "QY:ab=yes", "QY:5=yes"}, {-5}},
  };
  for (const FieldsCase& c : cases) {
    SCOPED_TRACE(c.id);
    TQYini f;
    for (const std::string& l : c.lines) f.writestring("default attributes", l);
    std::vector<int> fields;
    Trecent::getVisibleFields(f, "", fields);
    EXPECT_EQ(fields, c.want);
  }
}

TEST_F(Stores, EpsgCodesOfTheLast30DaysAndFonts) {
  writeStore("-recent.ini",
             "[epsg]\r\n4326=2024-06-20 10:00:00\r\n32633=2024-05-30 11:00:00\r\n2056=2024-06-29 10:00:00\r\n"
             "27700=garbage\r\n3857=2024-06-10 10:00:00\r\n\r\n"
             "[fonts]\r\nArial=0\r\nCabin=1\r\n\r\n");
  createRecent();
  EXPECT_EQ(recent->fonts.lines(), (std::vector<std::string>{"Arial", "Cabin"}));
  TStringList& codes = recent->recentEPSG();
  EXPECT_EQ(codes.lines(), (std::vector<std::string>{"4326", "3857", "2056"})) << "31 days and garbage dropped";
  EXPECT_FALSE(recent->ini->valueExists("epsg", "32633"));
  EXPECT_FALSE(recent->ini->valueExists("epsg", "27700"));
  EXPECT_EQ(recent->recentEPSG(2).lines(), (std::vector<std::string>{"4326", "2056"})) << "the least recent goes";

  recent->addEPSG("25832");
  EXPECT_EQ(recent->ini->readString("epsg", "25832", ""), "2024-06-30 13:00:00");
  for (const char* f : {"A", "B", "C", "D", "E", "Cabin"}) recent->addfont(f);
  EXPECT_EQ(recent->fonts.lines(), (std::vector<std::string>{"Cabin", "E", "D", "C", "B", "A"}));
  recentShutDown();
  createRecent();
  EXPECT_EQ(recent->fonts.lines(), (std::vector<std::string>{"Cabin", "E", "D", "C", "B", "A"}));
  EXPECT_EQ(recent->MyDocPath(docs + "x.dra"), "Documents/x.dra");
  EXPECT_EQ(recent->UnMyDocPath("Documents/x.dra"), docs + "x.dra");
  EXPECT_EQ(recent->MappedPath("/srv/share/x.dra"), "/srv/share/x.dra");
}

TEST_F(Stores, DamagedStoreFilesAreReadAsFarAsSensible) {
  std::string many = "[groups]\r\n";
  for (int i = 0; i < 10000; ++i) many += "g" + std::to_string(i) + "=/data/\r\n";
  for (int i = 0; i < 10000; ++i) many += "[g" + std::to_string(i) + "]\r\n/data/f.dra=2024-01-01 00:00:00\r\n";
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131) & 0xFF);
  struct Case {
    const char* id;
    std::string recentText, columnsText;
  } cases[] = {
      {"empty", "", ""},
      {"binary", binary, "[x]\r\n" + binary},
      {"10,000 groups", many, ""},
      {"100 KB key", "[maps]\r\n/" + std::string(100000, 'k') + ".dra=2024-06-01 10:00:00\r\n", ""},
      {"no equals signs", "[maps]\r\nrubbish\r\n[epsg]\r\nzz\r\n=\r\n", "[t.dbf]\r\nname\r\nlast viewed\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    writeStore("-recent.ini", c.recentText);
    writeStore("-columns.ini", c.columnsText);
    createRecent();
    TStringList& l = recent->getGroup("maps");
    EXPECT_LE(l.count(), 1);
    (void)recent->getGroup("g9999");
    (void)recent->recentEPSG();
    Tcolumns cols;
    cols.Add(ftString, "name");
    recent->getcolumns("t.dbf", cols);
    recent->add("maps", "/data/ok.dra");
    recentShutDown();
    createRecent();
    EXPECT_GE(recent->getGroup("maps").indexOf("/data/ok.dra"), 0) << "the store is written again in order";
    recentShutDown();
  }
  // Names that would read back as other keys are not stored.
  createRecent();
  recent->add("maps", "/data/a=b.dra");
  recent->add("maps", "/data/line\nbreak.dra");
  EXPECT_EQ(recent->ini->valueCount("maps"), 1);
}

TEST_F(Stores, StampsAreReadStrictly) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {{"2024-06-30", true},       {"2024-06-30 13:14:15", true}, {"2024-02-30", false},
               {"2024-06-30 25:00:00", false}, {"2024-06", false},        {"yesterday", false},
               {"", false},                {"2024-06-30 13:14", false},   {"2024-06-30x", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    double jd = 0;
    EXPECT_EQ(stampToJulian(c.text, jd), c.ok);
  }
  double a = 0, b = 0;
  ASSERT_TRUE(stampToJulian("2024-06-30", a));
  ASSERT_TRUE(stampToJulian("2024-06-30 12:00:00", b));
  EXPECT_DOUBLE_EQ(b - a, 0.5);
}

// ---------------------------------------------------------------------------------------------
// Existence tests

class Existence : public ::testing::Test {
 protected:
  void TearDown() override {
    existenceCheck = nullptr;
    // Workers left behind by a test finish before the next one.
    for (int i = 0; i < 500 && existWorkersRunning() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
};

TEST_F(Existence, FilesAndFolders) {
  const std::string dir = testenv::tempDir();
  const std::string file = testenv::writeFile("here.txt", "x");
  struct Case {
    const char* id;
    std::string name;
    bool file, folder;
  } cases[] = {
      {"file", file, true, false},
      {"folder", dir, false, true},
      {"folder without slash", dir.substr(0, dir.size() - 1), false, true},
      {"missing", dir + "missing", false, false},
      {"empty", "", false, false},
      {"root", "/", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(fileExistsEx(c.name), c.file);
    EXPECT_EQ(DirectoryExistsEx(c.name, 200), c.folder);
  }
  // One trailing separator is dropped before the test.
  std::string asked;
  existenceCheck = [&asked](const std::string& n, int) {
    asked = n;
    return true;
  };
  EXPECT_TRUE(DirectoryExistsEx("/data/", 1000));
  EXPECT_EQ(asked, "/data");
}

TEST_F(Existence, AHungTestAnswersMissingAtTheLimitAndTheLoopGoesOn) {
  // The stand-in for a dead network mount: blocks until released (at most 5 s).
  struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
  };
  auto gate = std::make_shared<Gate>();
  existenceCheck = [gate](const std::string&, int) {
    std::unique_lock<std::mutex> lock(gate->m);
    gate->cv.wait_for(lock, std::chrono::seconds(5), [&] { return gate->open; });
    return true;
  };
  resetDesktop(std::make_unique<THeadlessBackend>());
  int ticks = 0;
  desktop().setTimer(10, [&ticks] { ++ticks; });
  for (int limit : {100, 300}) {
    SCOPED_TRACE(limit);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(DirectoryExistsEx("/mnt/dead/share", limit));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, limit - 5);
    EXPECT_LE(ms, limit + 50);
    // The interface thread is free again: its timers tick.
    const int before = ticks;
    for (int i = 0; i < 5; ++i) {
      desktop().idle(20);
      desktop().processMessages();
    }
    EXPECT_GT(ticks, before);
  }
  EXPECT_EQ(existWorkersRunning(), 2) << "both workers still wait on the mount";
  {
    std::lock_guard<std::mutex> lock(gate->m);
    gate->open = true;
  }
  gate->cv.notify_all();
}

// ---------------------------------------------------------------------------------------------
// Picked-files table

TEST_F(Stores, PickedFilesTableUpdatesOneRowPerFileAndTable) {
  const std::string path = testenv::tempDir() + "picks.db";
  auto db = TliteDB::create();
  ASSERT_TRUE(db->setfile(path));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE files (name TEXT, `table` TEXT, type INTEGER, datetime REAL)"));
  recent2 = std::make_unique<Trecent2>(std::move(db));
  const std::string odd = "/data/o'neil \"x\"; DROP TABLE files; --.shp";
  setClockForTesting(utc(2024, 6, 30, 10));
  recent2->add("/data/a.gpkg");
  recent2->add("/data/a.gpkg", "roads");
  recent2->add(odd);
  setClockForTesting(utc(2024, 6, 30, 11));
  recent2->add("/data/a.gpkg");  // again: the same row, a later time
  recent2.reset();

  int status = -1;
  const std::string out = testenv::runCommand(
      "sqlite3 -separator '|' '" + path + "' 'SELECT name, `table`, type > 0, printf(\"%.6f\", datetime) FROM files ORDER BY rowid'",
      &status);
  ASSERT_EQ(status, 0) << out;
  const std::string t10 = "45473.458333", t11 = "45473.500000";  // 2024-06-30 11:00 and 12:00 local
  EXPECT_EQ(out, "/data/a.gpkg||1|" + t11 + "\n/data/a.gpkg|roads|1|" + t10 + "\n" + odd + "||1|" + t10 + "\n");
}

}  // namespace
