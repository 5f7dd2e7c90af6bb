// The printer object against a print server of the test's own: cupsd with a private
// configuration in a temporary folder, one queue on a file: device whose description declares
// A4 and US Letter with margins and 600 dpi, and passes PDF jobs through unchanged.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "imaging/r_print.h"
#include "platform/canvas.h"
#include "platform/metafile.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

constexpr char kPpd[] = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "KTEST.PPD"
*Manufacturer: "Test"
*Product: "(Test)"
*ModelName: "Test PDF"
*ShortNickName: "Test PDF"
*NickName: "Test PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*ImageableArea Letter/US Letter: "18 36 594 756"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
)PPD";

std::string run(const std::string& cmd, int* status = nullptr) { return testenv::runCommand(cmd, status); }

// One cupsd for the suite; tests skip with the reason when it cannot start.
class PrintServer : public testenv::HeadlessOsTest {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) {
      why = "a private print server needs root (cupsd refuses to run its filters otherwise)";
      return;
    }
    if (access("/usr/sbin/cupsd", X_OK) != 0 || std::system("command -v lpadmin >/dev/null 2>&1") != 0) {
      why = "cupsd or lpadmin missing (scripts/setup.sh --tests installs cups and cups-client)";
      return;
    }
    char tmpl[] = "/tmp/kestrova-cups-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir = tmpl;
    for (const char* d : {"/spool", "/cache", "/run", "/log", "/out"}) mkdir((dir + d).c_str(), 0777);
    chmod(dir.c_str(), 0755);
    chmod((dir + "/out").c_str(), 0777);
    std::ofstream(dir + "/cupsd.conf") << "Listen " << dir << "/run/cups.sock\nLogLevel warn\nWebInterface No\n"
                                          "Browsing No\nDefaultPaperSize A4\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
    std::ofstream(dir + "/cups-files.conf")
        << "ServerRoot " << dir << "\nRequestRoot " << dir << "/spool\nCacheDir " << dir << "/cache\nStateDir " << dir
        << "/run\nTempDir " << dir << "/spool\nErrorLog " << dir << "/log/error_log\nAccessLog " << dir
        << "/log/access_log\nPageLog " << dir << "/log/page_log\nFileDevice Yes\nSandboxing Relaxed\n";
    std::ofstream(dir + "/test.ppd") << kPpd;
    pid = fork();
    if (pid == 0) {
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (dir + "/cupsd.conf").c_str(), "-s",
            (dir + "/cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("CUPS_SERVER", (dir + "/run/cups.sock").c_str(), 1);
    for (int i = 0; i < 100 && run("lpstat -r").find("is running") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int status = 0;
    std::string out = run("lpadmin -p kqueue -E -v file://" + dir + "/out/job.pdf -P " + dir + "/test.ppd && lpadmin -d kqueue", &status);
    if (status != 0) why = "the test print server did not take its queue: " + out;
  }
  static void TearDownTestSuite() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    unsetenv("CUPS_SERVER");
    if (!dir.empty() && !std::getenv("KEEP_CUPS")) run("rm -rf '" + dir + "'");
  }
  void SetUp() override {
    HeadlessOsTest::SetUp();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override {
    freeSettings();
    HeadlessOsTest::TearDown();
  }
  // The job's file once the queue has written it.
  static std::string waitForJob() {
    std::string out = dir + "/out/job.pdf";
    struct stat st;
    for (int i = 0; i < 200; ++i) {
      if (stat(out.c_str(), &st) == 0 && st.st_size > 0 && run("lpstat -o").empty()) return out;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
  }
  static inline std::string dir;
  static inline std::string why;
  static inline pid_t pid = 0;
};

TEST_F(PrintServer, MeasuresThePaperMarginsAndResolutionTheQueueDeclares) {
  TPrint p;
  EXPECT_TRUE(p.isPresent());
  EXPECT_EQ(p.getPrinterName(), "kqueue");
  EXPECT_EQ(settings().readString("settings", "current printer", ""), "kqueue");
  EXPECT_EQ(p.dpi(), 600);
  EXPECT_NEAR(p.paperWidth(), 210, 0.2);
  EXPECT_NEAR(p.paperHeight(), 297, 0.2);
  EXPECT_NEAR(p.leftmargin(), 18 / 72.0 * 25.4, 0.1);
  EXPECT_NEAR(p.topmargin(), 36 / 72.0 * 25.4, 0.1);
  EXPECT_EQ(p.PaperSizeCode(), 9);
  // 600 dpi A4 within 200 MB keeps its resolution: 4961 × 7016 pixels.
  ASSERT_NE(p.StartBM(210, 297), nullptr);
  EXPECT_EQ(p.bm()->width(), 4961);
  EXPECT_EQ(p.bm()->height(), 7016);
  p.setlandscape(true);
  EXPECT_NEAR(p.paperWidth(), 297, 0.2);
  EXPECT_NEAR(p.leftmargin(), 36 / 72.0 * 25.4, 0.1);  // left and top exchange
}

TEST_F(PrintServer, ChoiceAndOptionsSurviveARestart) {
  {
    TPrint p;
    p.setPaperSize(1);  // US Letter
    p.setlandscape(true);
    p.storePrinter();
    EXPECT_NEAR(p.paperWidth(), 279.4, 0.2);
  }
  ASSERT_TRUE(settings().save());
  freeSettings();
  TPrint again;
  EXPECT_EQ(again.getPrinterName(), "kqueue");
  EXPECT_TRUE(again.landscape());
  EXPECT_NEAR(again.paperWidth(), 279.4, 0.2);
  EXPECT_NEAR(again.paperHeight(), 215.9, 0.2);
}

TEST_F(PrintServer, UnparsableStoredOptionsAreIgnored) {
  settings().writestring("printers", "kqueue", "=junk ###");
  TPrint p;
  EXPECT_TRUE(p.isPresent());
  EXPECT_NEAR(p.paperWidth(), 210, 0.2);
}

TEST_F(PrintServer, PrintsADiagramOnOneLandscapePage) {
  platform::TMetafile emf;
  {
    platform::TMetafileCanvas mc(emf, 630, 300, 1.0);
    mc.canvas().Brush.Color = 0;
    mc.canvas().Rectangle(0, 0, 630, 300);
  }
  TPrint p;
  p.setlandscape(true);
  ASSERT_TRUE(p.printEMF(emf, 0, 0, 10, true)) << p.lastError();
  std::string out = waitForJob();
  ASSERT_FALSE(out.empty()) << run("cat '" + dir + "/log/error_log'");
  int status = 0;
  std::string check = run("qpdf --check '" + out + "'", &status);
  EXPECT_EQ(status, 0) << check;
  // The server lays the landscape page onto portrait A4, turning it once: the wide diagram stands
  // upright, its 10 mm margins now above and below it.
  std::string info = run("pdfinfo '" + out + "'");
  EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
  run("pdftoppm -r 50 -gray -singlefile '" + out + "' '" + dir + "/out/page'");
  std::ifstream f(dir + "/out/page.pgm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxv = 0;
  f >> magic >> w >> h >> maxv;
  f.get();
  std::vector<unsigned char> px(size_t(w) * size_t(h));
  f.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size()));
  int left = w, right = -1, top = h, bottom = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (px[size_t(y) * w + x] < 100) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  ASSERT_GT(right, left);
  double margin = 10 / 25.4 * 50;
  EXPECT_NEAR(top, margin, 3);
  EXPECT_NEAR(h - 1 - bottom, margin, 3);
  EXPECT_NEAR(double(bottom - top) / (right - left), 630.0 / 300, 0.1);
}

}  // namespace
