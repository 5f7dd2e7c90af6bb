// The printer object against a print server of the test's own: cupsd with a private
// configuration in a temporary folder, one queue on a file: device whose description declares
// A4 and US Letter with margins and 600 dpi, and passes PDF jobs through unchanged.
#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "imaging/r_print.h"
#include "platform/canvas.h"
#include "platform/gdi.h"
#include "platform/metafile.h"
#include "tests/support/headless_os.h"
#include "tests/support/print_server.h"
#include "tests/support/testenv.h"

namespace {

using testenv::runCommand;

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

// The printer's own papers are the queue's media, in the order and with the names (the size
// keywords, in a program without a language of its own), sizes and margins of the description
// the server keeps for the queue. Sizes in metres (as the paper
// table keeps them); exchanged in landscape.
TEST_F(PrintServer, TheQueuesMediaAreThePrintersOwnPapers) {
  TPrint p;
  // The server's copy of the queue's description: its page sizes and printable areas, in points.
  struct Row {
    std::string name;
    double w = 0, h = 0, left = 0, bottom = 0, right = 0, top = 0;
  };
  std::vector<Row> want;
  const std::string ppd = testenv::readFile(dir + "/ppd/kqueue.ppd");
  static const std::regex kDimension(R"re(\*PaperDimension (\w+)/([^:]+): "(\S+) (\S+)")re");
  std::smatch m;
  for (auto it = ppd.cbegin(); std::regex_search(it, ppd.cend(), m, kDimension); it = m[0].second) {
    Row r;
    r.name = m[1];
    r.w = std::stod(m[3]);
    r.h = std::stod(m[4]);
    std::smatch a;
    ASSERT_TRUE(std::regex_search(ppd, a, std::regex("\\*ImageableArea " + m[1].str() + R"re(/[^:]+: "(\S+) (\S+) (\S+) (\S+)")re")));
    r.left = std::stod(a[1]);
    r.bottom = std::stod(a[2]);
    r.right = r.w - std::stod(a[3]);
    r.top = r.h - std::stod(a[4]);
    want.push_back(r);
  }
  ASSERT_EQ(want.size(), 2u) << ppd;
  const double mmPerPoint = 25.4 / 72;
  ASSERT_EQ(p.currentPrinterPaperNames().count(), int(want.size()));
  for (int i = 0; i < int(want.size()); ++i) {
    const Row& r = want[size_t(i)];
    SCOPED_TRACE(r.name);
    EXPECT_EQ(p.currentPrinterPaperName(i), r.name);
    const Tpaper* paper = p.getPaper(i);
    ASSERT_NE(paper, nullptr);
    EXPECT_NEAR(paper->width, r.w * mmPerPoint / 1000, 0.0002);
    EXPECT_NEAR(paper->Height, r.h * mmPerPoint / 1000, 0.0002);
    EXPECT_NEAR(paper->marginLeft, r.left * mmPerPoint, 0.05);
    EXPECT_NEAR(paper->marginRight, r.right * mmPerPoint, 0.05);
    EXPECT_NEAR(paper->marginTop, r.top * mmPerPoint, 0.05);
    EXPECT_NEAR(paper->marginBottom, r.bottom * mmPerPoint, 0.05);
    EXPECT_DOUBLE_EQ(p.getPaperW(i), paper->width);
    EXPECT_DOUBLE_EQ(p.getPaperH(i), paper->Height);
  }
  EXPECT_EQ(p.getPaper(0)->windowsCode, 9);  // A4
  EXPECT_EQ(p.getPaper(1)->windowsCode, 1);  // US Letter
  EXPECT_EQ(p.getPaper(2), nullptr);
  EXPECT_EQ(p.getPaper(-1), nullptr);
  EXPECT_EQ(p.getPaperW(2), 0);
  EXPECT_EQ(p.getCurrentPaperName(), "A4");
  EXPECT_EQ(p.getPaperShortName(), "A4");
  EXPECT_EQ(p.getPaperName(), "A4 (portrait)");
  p.setlandscape(true);
  EXPECT_NEAR(p.getPaperW(0), 0.297, 0.0002);
  EXPECT_NEAR(p.getPaperH(0), 0.210, 0.0002);
  EXPECT_EQ(p.getPaperName(), "A4 (landscape)");
  p.setPaperSize(1);  // US Letter
  EXPECT_EQ(p.getPaperShortName(), "Letter");
  // The information context: the printer's resolution, nothing to draw on.
  std::unique_ptr<platform::TDeviceContext> dc = p.refdc();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->logPixelsX(), 600);
  EXPECT_EQ(dc->logPixelsY(), 600);
  EXPECT_EQ(dc->technology(), platform::TDeviceContext::Technology::RasterPrinter);
  EXPECT_EQ(dc->surface(), nullptr);
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
  ASSERT_FALSE(out.empty()) << runCommand("cat '" + dir + "/log/error_log'");
  int status = 0;
  std::string check = runCommand("qpdf --check '" + out + "'", &status);
  EXPECT_EQ(status, 0) << check;
  // The server lays the landscape page onto portrait A4, turning it once: the wide diagram stands
  // upright, its 10 mm margins now above and below it.
  std::string info = runCommand("pdfinfo '" + out + "'");
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
