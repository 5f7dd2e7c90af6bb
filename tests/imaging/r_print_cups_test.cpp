// The printer object against a print server of the test's own: cupsd with a private
// configuration in a temporary folder, one queue on a file: device whose description declares
// A4 and US Letter with margins and 600 dpi, and passes PDF jobs through unchanged.
#include <gtest/gtest.h>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "imaging/r_print.h"
#include "platform/canvas.h"
#include "platform/metafile.h"
#include "tests/support/headless_os.h"
#include "tests/support/print_server.h"
#include "tests/support/testenv.h"

namespace {

std::string run(const std::string& cmd, int* status = nullptr) { return testenv::runCommand(cmd, status); }

// One cupsd for the suite; tests skip with the reason when it cannot start.
class PrintServer : public testenv::HeadlessOsTest {
 protected:
  static void SetUpTestSuite() { testenv::TprintServer::start(); }
  static void TearDownTestSuite() { testenv::TprintServer::stop(); }
  void SetUp() override {
    HeadlessOsTest::SetUp();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override {
    freeSettings();
    HeadlessOsTest::TearDown();
  }
  static std::string waitForJob() { return testenv::TprintServer::waitForJob(); }
  static inline const std::string& dir = testenv::TprintServer::dir;
  static inline const std::string& why = testenv::TprintServer::why;
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
  const auto page = testenv::TprintServer::inkOf(out);
  const int h = page.height, left = page.left, right = page.right, top = page.top, bottom = page.bottom;
  ASSERT_GT(right, left);
  double margin = 10 / 25.4 * 50;
  EXPECT_NEAR(top, margin, 3);
  EXPECT_NEAR(h - 1 - bottom, margin, 3);
  EXPECT_NEAR(double(bottom - top) / (right - left), 630.0 / 300, 0.1);
}

}  // namespace
