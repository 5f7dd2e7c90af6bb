// The saver's rules in memory (command line, mouse jumps, host ids, words for the labels), then
// the program itself under our own Xvfb with a tiny data folder: the map on screen, closing by
// click, mouse jump, close request and command, a refused second start, and the preview.
#include <fcntl.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "astro/r_sunLite.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "core/r_date.h"
#include "core/r_paths.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/x11.h"
#include "saver/RunSaver.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

extern char** environ;

namespace {
using namespace platform;
using Clock = std::chrono::steady_clock;

// ---- rules ----------------------------------------------------------------------------------------

TEST(SaverRules, CommandLine) {
  struct Case {
    const char* exe;
    std::vector<std::string> args;
    SaverMode mode;
    bool quitOnMove;
    const char* host;
  } cases[] = {
      {"/opt/k/Kestrova_Saver", {}, SaverMode::Window, true, ""},
      {"/opt/k/Kestrova_Saver", {"/s"}, SaverMode::Window, true, ""},
      {"/opt/k/Kestrova_Saver", {"/c"}, SaverMode::Window, true, ""},
      {"/opt/k/Kestrova_Saver", {"wall"}, SaverMode::Window, false, ""},
      {"/opt/k/Kestrova_Saver", {"WaLL"}, SaverMode::Window, false, ""},
      {"/opt/k/Kestrova_SaveR", {}, SaverMode::Window, true, ""},
      {"/opt/k/kestrova.exe", {}, SaverMode::Window, false, ""},
      {"/opt/k/Kestrova_Saver", {"/p", "4711"}, SaverMode::Preview, true, "4711"},
      {"/opt/k/Kestrova_Saver", {"-P", "12"}, SaverMode::Preview, true, "12"},
      {"/opt/k/Kestrova_Saver", {"preview", "12"}, SaverMode::Preview, true, "12"},
      {"/opt/k/Kestrova_Saver", {"/p"}, SaverMode::Preview, true, ""},
      {"/opt/k/Kestrova_Saver", {"x/p", "12"}, SaverMode::Window, true, ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.exe) + " " + (c.args.empty() ? "" : c.args[0]));
    const TsaverArgs a = parseSaverArgs(c.exe, c.args);
    EXPECT_EQ(a.mode, c.mode);
    EXPECT_EQ(a.quitOnMove, c.quitOnMove);
    EXPECT_EQ(a.host, c.host);
  }
}

TEST(SaverRules, HostIds) {
  unsigned long id = 0;
  EXPECT_TRUE(parseHostId("2097153", id));
  EXPECT_EQ(id, 2097153ul);
  for (const char* bad : {"", "abc", "12x", "-5", " 12", "0x200001", "0", "99999999999999999999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parseHostId(bad, id));
  }
}

TEST(SaverRules, MouseJumps) {
  TPoint tp{0, 0};
  EXPECT_FALSE(mouseJumpCloses(tp, 500, 400));  // the first move only records
  EXPECT_EQ(tp, (TPoint{500, 400}));
  EXPECT_FALSE(mouseJumpCloses(tp, 510, 390));  // 10 along both axes
  EXPECT_EQ(tp, (TPoint{510, 390}));             // the reference follows
  EXPECT_FALSE(mouseJumpCloses(tp, 500, 400));
  EXPECT_TRUE(mouseJumpCloses(tp, 511, 400));
  EXPECT_TRUE(mouseJumpCloses(tp, 500, 389));
  EXPECT_EQ(tp, (TPoint{500, 400}));  // a jump leaves the reference alone
}

// The wall clock's monitor: the settings page's choice in "paths.ini" wins; "locations.ini" names
// it only when the page never chose one.
TEST(SaverRules, MonitorFromPathsBeforeLocations) {
  const std::string docs = documentsFolder();
  const std::string pathsIni = "Ombrant/configuration/paths.ini";
  struct Case {
    const char* id;
    const char* paths;      // the "kestrova" group's monitor; nullptr: no paths.ini at all
    const char* locations;  // the "settings" monitor of locations.ini
    const char* monitor;
  } cases[] = {
      {"both", "2 Side  (1280 x 1024)", "1 Main  (1920 x 1080)", "2 Side  (1280 x 1024)"},
      {"paths only", "2 Side  (1280 x 1024)", "", "2 Side  (1280 x 1024)"},
      {"paths empty", "", "1 Main  (1920 x 1080)", "1 Main  (1920 x 1080)"},
      {"no paths file", nullptr, "1 Main  (1920 x 1080)", "1 Main  (1920 x 1080)"},
      {"neither", nullptr, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::remove((docs + pathsIni).c_str());
    if (c.paths) testenv::writeFile(docs.substr(testenv::tempDir().size()) + pathsIni,
                                    std::string("[kestrova]\r\nmonitor=") + c.paths + "\r\n\r\n");
    const std::string loc = testenv::writeFile(
        "monitor-locations.ini", std::string("[settings]\r\nbase directory=/srv/k/\r\nmonitor=") + c.locations + "\r\n");
    freePaths();  // the store is read once per run: this run starts now
    const TsaverSettings s = readSaverSettings(loc);
    EXPECT_EQ(s.monitor, c.monitor);
    EXPECT_EQ(s.baseDir, "/srv/k/");
  }
  freePaths();
}

// ---- a tiny data folder ---------------------------------------------------------------------------

constexpr int kW = 256, kH = 128;
const Tbgr kDay{40, 200, 60};     // blue, green, red
const Tbgr kNight{120, 20, 10};
const Tbgr kPreview{200, 30, 220};

std::string dataDir() { return testenv::tempDir() + "data/"; }
std::string configDir() { return documentsFolder() + "Ombrant/Kestrova/version 8/"; }

void writeLocations(const std::string& extra = "") {
  const std::string rel = configDir().substr(testenv::tempDir().size());
  testenv::writeFile(rel + "locations.ini",
                     "[settings]\r\nbase directory=" + dataDir() + "\r\nshow locations=no\r\n" + extra + "\r\n");
}

// Day frames all alike, a distinct night frame: the window shows which side a point is on.
void makeDataFolder() {
  TStringList files;
  for (int f = 0; f < 15; ++f) {
    TrawBitmap24 b;
    b.setsize(kW, kH);
    b.fillAll(f < 12 ? kDay : f == 12 ? kNight : Tbgr{255, 255, 255});
    const std::string name = testenv::writeFile("data/frame" + std::to_string(f) + ".bmp", "");
    ASSERT_TRUE(b.savetofile(name));
    files.add(name);
  }
  ASSERT_TRUE(TbitmapBin::MakeFromFiles(dataDir() + "1920.bin", kW, kH, 24, files));
  TrawBitmap24 p;
  p.setsize(40, 30);
  p.fillAll(kPreview);
  ASSERT_TRUE(p.savetofile(dataDir() + "preview.bmp"));
}

// Words for one language besides English.
void makeWords() {
  auto db = TliteDB::createForWriting();
  ASSERT_TRUE(db->setfile(dataDir() + "words.db"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE `languages` (`name` TEXT, `latin` TEXT)"));
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE `words` (`language` TEXT, `english` TEXT, `word` TEXT)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO `languages` VALUES ('Deutsch', 'yes')"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO `words` VALUES ('Deutsch', 'Monday', 'Montag')"));
}

TEST(SaverRules, TheTickLandsJustAfterTheSecondTurns) {
  createDateman();
  for (double fraction : {0.25, 0.999, 0.0}) {
    SCOPED_TRACE(fraction);
    platform::setClockForTesting(45000.5 + (17 + fraction) / 86400);  // a whole second, then the fraction
    const int expect = int((1 - fraction) * 1000 + 0.5) + int(kSaverTickLateMs);
    EXPECT_NEAR(int(msToNextSecond()), expect, 1);
  }
  platform::setClockForTesting(0);
}

TEST(SaverWords, LabelsOfAnotherLanguageAreTranslated) {
  makeDataFolder();
  makeWords();
  createOs();
  createDateman();
  struct Free {
    ~Free() {
      locationsFile.clear();
      freeOs();
    }
  } freeAtEnd;
  os->setconfig(configDir());
  writeLocations("language=Deutsch\r\n");
  locationsFile = configDir() + "locations.ini";
  TsunLite r(dataDir(), WithTimezones::No, 1920, 1.0);
  EXPECT_EQ(r.locations().translate("Monday"), "Monday");  // no words yet: the English word
  auto words = attachWords(r, dataDir());
  ASSERT_TRUE(words);
  EXPECT_EQ(r.locations().translate("Monday"), "Montag");
  EXPECT_TRUE(r.locations().isLatin);
  EXPECT_FALSE(attachWords(r, testenv::tempDir() + "nowhere/"));
}

int dist(TColor a, Tbgr b) {
  return std::max({std::abs(int(a & 0xFF) - b.red), std::abs(int((a >> 8) & 0xFF) - b.green),
                   std::abs(int((a >> 16) & 0xFF) - b.blue)});
}
TColor pixelOf(TSurface const& s, int x, int y) {
  uint8_t const* p = s.row(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

TEST(SaverWindow, PaintsLetterboxedAndClosesOnCommand199Only) {
  makeDataFolder();
  createOs();
  createDateman();
  TDesktop& d = resetDesktop(std::make_unique<THeadlessBackend>());
  struct Free {
    ~Free() {
      locationsFile.clear();
      freeOs();
    }
  } freeAtEnd;
  os->setBaseDir(dataDir());
  os->setconfig(configDir());
  writeLocations();
  locationsFile = configDir() + "locations.ini";
  TsaverWindow w;
  const HWND h = CreateSaverWindow(w, Bounds(0, 0, 320, 240), 1.0, "Kestrova");
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(w.renderer);
  EXPECT_EQ(d.className(h), kSaverClass);
  d.update(h);
  TSurface const* screen = headless()->screen(h);
  ASSERT_TRUE(screen);
  EXPECT_EQ(pixelOf(*screen, 160, 0), RGB(0, 0, 0));  // above the 320 × 160 map
  EXPECT_NE(pixelOf(*screen, 160, 120), RGB(0, 0, 0));
  EXPECT_EQ(headless()->cursor(), Cursor::Hidden);
  // One window timer, due just after the next turn of the second: the loop sleeps until then.
  EXPECT_TRUE(d.hasTimer(h, kSaverTimerId));
  EXPECT_LE(d.nextTimerIn(), 1000 + kSaverTickLateMs);

  d.sendMessage(h, kSaverWmCommand, 198);
  EXPECT_TRUE(d.isWindow(h));
  d.sendMessage(h, kSaverWmCommand, kSaverCloseCommand);
  EXPECT_FALSE(d.isWindow(h));
  EXPECT_FALSE(w.renderer);  // freed with the window
  EXPECT_TRUE(d.quitPosted());
}

// ---- the program under Xvfb -----------------------------------------------------------------------

// One run of the program; killed if a test leaves it running.
class Saver {
 public:
  explicit Saver(std::vector<std::string> args) {
    const auto testsDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    std::string exe = testsDir.parent_path().string() + "/bin/" + kSaverExeName;
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, (testenv::tempDir() + "saver.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    // The program opens real windows: the tests' own headless switch stays behind.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
      if (!std::string(*e).starts_with("KESTROVA_HEADLESS=")) env.push_back(*e);
    env.push_back(nullptr);
    if (posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), env.data()) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&fa);
  }
  ~Saver() {
    if (running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  [[nodiscard]] bool started() const { return pid_ > 0; }
  // Waits at most ms for the program to end; its exit status, −1 while it runs.
  int waitExit(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(testenv::deadlineMs(ms));
    for (;;) {
      if (status_ >= 0) return status_;
      int st = 0;
      if (waitpid(pid_, &st, WNOHANG) == pid_) {
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
        return status_;
      }
      if (Clock::now() >= end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  bool running() { return pid_ > 0 && waitExit(0) < 0; }

 private:
  pid_t pid_ = 0;
  int status_ = -1;
};

template <typename F>
bool pollUntil(int ms, F done) {
  const auto end = Clock::now() + std::chrono::milliseconds(testenv::deadlineMs(ms));
  while (!done()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void xdotool(const std::string& display, const std::string& args) {
  const std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

struct SaverOnXvfb : ::testing::Test {
  testenv::Xvfb server{"320x240x24", {"-noreset"}};
  void SetUp() override {
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server.display().c_str(), 1);
    makeDataFolder();
    writeLocations();
  }
  // The saver's window once it shows the map (its centre no longer black).
  unsigned long waitForMap() {
    unsigned long w = 0;
    std::string state;
    const bool shown = pollUntil(30000, [&] {
      w = x11::findWindowByClass(kSaverClass);
      TSurface s;
      if (w == 0) return state = "no window", false;
      if (!x11::grabWindow(w, s)) return state = "window not mapped", false;
      if (s.width() != 320) return state = "window width " + std::to_string(s.width()), false;
      return state = "black", pixelOf(s, 160, 120) != 0;
    });
    if (!shown) ADD_FAILURE() << "the map is not shown: " << state << "; " << testenv::readFile(testenv::tempDir() + "saver.err");
    return shown ? w : 0;
  }
};

// Where the sun and the moon stand now, from the same astronomy the map uses.
void subSolarPoint(double& lat, double& lng, double& moonLat, double& moonLng) {
  createOs();
  createDateman();
  Tobserver ob;
  ob.setDT(dateman->getgmtDt());
  ob.setlat(0);
  ob.setlong(0);
  ob.setTZ(0);
  Tsun sun(ob);
  sun.sun();
  lat = sun.SunDec * 180 / M_PI;
  lng = -sun.sunHourA * 180 / M_PI;
  while (lng < -180) lng += 360;
  while (lng > 180) lng -= 360;
  sun.Moon();
  moonLat = sun.MoonDec * 180 / M_PI;
  moonLng = std::remainder(-sun.MoonHourA * 180 / M_PI, 360.0);
  freeOs();
}

TEST_F(SaverOnXvfb, WallClockShowsDayAndNightAndClosesOnlyWhenAsked) {
  Saver first({"wall"});
  ASSERT_TRUE(first.started());
  const unsigned long w = waitForMap();
  ASSERT_NE(w, 0ul) << "no map window";
  TSurface shot;
  ASSERT_TRUE(x11::grabWindow(w, shot));
  double lat = 0, lng = 0, moonLat = 0, moonLng = 0;
  subSolarPoint(lat, lng, moonLat, moonLng);
  // The 320 × 240 window letterboxes a 320 × 160 map (with its hours strip above).
  const int top = 40 + 2;
  auto px = [&](double la, double lo) {
    while (lo < -180) lo += 360;
    while (lo >= 180) lo -= 360;
    return pixelOf(shot, int((lo + 180) / 360 * 320), std::clamp(top + int((90 - la) / 180 * 160), top, top + 159));
  };
  // Round the sub-solar point (clear of the sun mark) it is day; round the antisolar point night.
  // Samples near the moon's mark (near the sun around new moon, opposite it around full moon)
  // are left out; a sample counts for the side whose colour it is nearer (marks and the
  // smoothing of the small map tint a few).
  auto nearMoon = [&](double la, double lo) {
    return std::fabs(la - moonLat) < 20 && std::fabs(std::remainder(lo - moonLng, 360.0)) < 25;
  };
  int day = 0, night = 0, daySamples = 0, nightSamples = 0;
  for (double off : {-30.0, -20.0, 20.0, 30.0})
    for (double dl : {-8.0, 8.0}) {
      if (!nearMoon(lat + dl, lng + off)) {
        ++daySamples;
        const auto c = px(lat + dl, lng + off);
        if (dist(c, kDay) < dist(c, kNight)) ++day;
      }
      if (!nearMoon(-lat + dl, lng + 180 + off)) {
        ++nightSamples;
        const auto c = px(-lat + dl, lng + 180 + off);
        if (dist(c, kNight) < dist(c, kDay)) ++night;
      }
    }
  EXPECT_GE(daySamples, 4);
  EXPECT_GE(nightSamples, 4);
  EXPECT_EQ(day, daySamples);
  EXPECT_EQ(night, nightSamples);

  // The wall clock never closes on mouse movement.
  xdotool(server.display(), "mousemove 100 100");
  xdotool(server.display(), "mousemove 200 180");
  xdotool(server.display(), "mousemove 20 20");
  EXPECT_EQ(first.waitExit(500), -1);

  // A second start ends at once and leaves the first alone.
  Saver second({"wall"});
  EXPECT_EQ(second.waitExit(30000), 0);
  EXPECT_EQ(x11::findWindowByClass(kSaverClass), w);

  // Another program finds it by class and asks it to close.
  EXPECT_TRUE(x11::closeWindow(w));
  EXPECT_EQ(first.waitExit(30000), 0) << testenv::readFile(testenv::tempDir() + "saver.err");
  EXPECT_EQ(x11::findWindowByClass(kSaverClass), 0ul);
}

TEST_F(SaverOnXvfb, ScreenSaverClosesOnAJumpOfElevenPixels) {
  xdotool(server.display(), "mousemove 100 100");  // before the window: no jump on its arrival
  Saver s({"/s"});
  ASSERT_TRUE(s.started());
  ASSERT_NE(waitForMap(), 0ul);
  xdotool(server.display(), "mousemove 110 100");
  xdotool(server.display(), "mousemove 110 110");
  xdotool(server.display(), "mousemove 100 100");
  EXPECT_EQ(s.waitExit(500), -1) << "closed on moves of 10 pixels" << testenv::readFile(testenv::tempDir() + "saver.err");
  xdotool(server.display(), "mousemove 100 111");
  EXPECT_EQ(s.waitExit(30000), 0) << testenv::readFile(testenv::tempDir() + "saver.err");
}

TEST_F(SaverOnXvfb, ClickCloses) {
  Saver s({"wall"});
  ASSERT_TRUE(s.started());
  ASSERT_NE(waitForMap(), 0ul);
  xdotool(server.display(), "click 1");
  EXPECT_EQ(s.waitExit(30000), 0) << testenv::readFile(testenv::tempDir() + "saver.err");
}

TEST_F(SaverOnXvfb, PreviewDrawsIntoTheHostAndEndsWithIt) {
  {
    Saver bad({"/p", "notanumber"});
    EXPECT_EQ(bad.waitExit(30000), 2);
    EXPECT_NE(testenv::readFile(testenv::tempDir() + "saver.err").find("not a number"), std::string::npos);
    Saver none({"/p", "12345"});
    EXPECT_EQ(none.waitExit(kPreviewHostWaitMs + 5000), 1);
  }
  auto backend = makeSdlBackend();
  ASSERT_TRUE(backend);
  TDesktop& d = resetDesktop(std::move(backend));
  struct Restore {
    ~Restore() { resetDesktop(std::make_unique<THeadlessBackend>()); }
  } restore;
  struct Host : TWindowProc {
    LRESULT windowProc(TMsg&) override { return 0; }
  } hostProc;
  TWindowDesc desc;
  desc.bounds = Bounds(20, 30, 120, 90);
  desc.style = WS_VISIBLE;
  desc.className = "previewhost";
  desc.proc = &hostProc;
  const HWND h = d.createWindow(desc);
  ASSERT_NE(h, 0u);
  const unsigned long native = d.backend().nativeId(h);
  ASSERT_NE(native, 0ul);
  {
    // A host that is never shown: the wait for it ends.
    TWindowDesc hidden = desc;
    hidden.style = 0;
    const HWND never = d.createWindow(hidden);
    Saver waiting({"/p", std::to_string(d.backend().nativeId(never))});
    EXPECT_EQ(waiting.waitExit(kPreviewHostWaitMs + 5000), 1);
    d.destroyWindow(never);
  }
  Saver preview({"/p", std::to_string(native)});
  ASSERT_TRUE(preview.started());
  TSurface shot;
  const bool shown = pollUntil(30000, [&] {
    d.processMessages();
    return x11::grabWindow(native, shot) && dist(pixelOf(shot, 60, 45), kPreview) < 8 &&
           dist(pixelOf(shot, 1, 1), kPreview) < 8 && dist(pixelOf(shot, 118, 88), kPreview) < 8;
  });
  EXPECT_TRUE(shown) << "the preview picture is not in the host window";
  EXPECT_EQ(preview.waitExit(0), -1);
  d.destroyWindow(h);
  EXPECT_EQ(preview.waitExit(30000), 0);
}

}  // namespace
