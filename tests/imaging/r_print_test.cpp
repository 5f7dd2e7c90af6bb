// The paper table and the printer object without a print server: the no-printer state, page
// bitmaps, and jobs written to a PDF file (read back by pdfinfo and pdftoppm).
#include "imaging/r_print.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "core/TQYini.h"
#include "core/r_bitmapRaw.h"
#include "platform/canvas.h"
#include "platform/metafile.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

using testenv::runCommand;

class PrintTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    // No print server: the tests see the no-printer state whatever the machine has.
    setenv("CUPS_SERVER", (testenv::tempDir() + "no-server.sock").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("CUPS_SERVER");
    freeSettings();
    HeadlessOsTest::TearDown();
  }
};

TEST_F(PrintTest, PaperTableRowsAndLines) {
  TPrint p;
  Tpapers& t = p.papers();
  ASSERT_EQ(t.count(), 25);
  EXPECT_EQ(t.index(), 0);
  EXPECT_TRUE(t.isCustom());
  EXPECT_EQ(t.line(3), "A5 portrait  (149 x 210mm)");
  EXPECT_EQ(t.line(16), "ANS1 A (US Letter) landscape  (279 x 216mm)");
  EXPECT_EQ(t.line(1), "Current printer paper portrait");
  EXPECT_NEAR(t.paperWidth(), 210.224, 1e-9);  // the custom size, put in by getPaper
  EXPECT_NEAR(t.paperHeight(), 297.302, 1e-9);
  EXPECT_EQ(t.getPaper(25), nullptr);
  EXPECT_EQ(t.getPaper(-1), nullptr);
  t.setIndex(99);
  EXPECT_EQ(t.index(), 0);
  t.setIndex(6);
  EXPECT_FALSE(t.isCustom());
  EXPECT_DOUBLE_EQ(t.paperWidth(), 297);
}

TEST_F(PrintTest, PaperSizesAgreeWithPaperconf) {
  if (std::system("command -v paperconf >/dev/null 2>&1") != 0) GTEST_SKIP() << "paperconf (libpaper-utils) missing";
  TPrint p;
  struct { const char* name; int row; } cases[] = {{"a5", 3}, {"a4", 5}, {"a3", 7}, {"a2", 9}, {"a1", 11},
                                                  {"a0", 13}, {"letter", 15}, {"tabloid", 17}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    double w = 0, h = 0;
    std::sscanf(runCommand(std::string("paperconf -p ") + c.name + " -s -m").c_str(), "%lf mm %lf mm", &w, &h);
    ASSERT_GT(w, 0);
    Tpaper* row = p.papers().getPaper(c.row);
    // ISO rows are stored to the nearest millimetre of the √2 series.
    EXPECT_NEAR(row->width * 1000, w, 1.0);
    EXPECT_NEAR(row->Height * 1000, h, 1.0);
  }
  // ANSI C to E in inches: 17 × 22, 22 × 34, 34 × 44.
  EXPECT_DOUBLE_EQ(p.papers().getPaper(19)->width * 1000, 17 * 25.4);
  EXPECT_DOUBLE_EQ(p.papers().getPaper(22)->width * 1000, 34 * 25.4);
  EXPECT_DOUBLE_EQ(p.papers().getPaper(24)->Height * 1000, 34 * 25.4);
}

TEST_F(PrintTest, IndexFromSize) {
  TPrint p;
  Tpapers& t = p.papers();
  struct { double w, h; bool exclude; int row; } cases[] = {
      {210, 297, true, 5},      {211.5, 298.9, true, 5}, {297, 210, true, 6},  {215.9, 279.4, true, 15},
      {1117.6, 863.6, true, 24}, {210, 297, false, 1},   {297, 210, false, 2}, {100, 100, true, 0}};
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
    EXPECT_EQ(t.indexfromsize(c.w, c.h, c.exclude), c.row);
  }
  EXPECT_NEAR(t.getPaper(0)->width * 1000, 210.224, 1e-9);  // the custom size comes back
}

TEST_F(PrintTest, NoPrinterStateAndLandscape) {
  TPrint p;
  EXPECT_FALSE(p.isPresent());
  EXPECT_EQ(p.getPrinterName(), "");  // no server, so no default either
  EXPECT_DOUBLE_EQ(p.paperWidth(), 210);
  EXPECT_DOUBLE_EQ(p.paperHeight(), 297);
  EXPECT_EQ(p.dpi(), 300);
  // No printer, no papers of its own: no name for the paper in use.
  EXPECT_EQ(p.currentPrinterPaperNames().count(), 0);
  EXPECT_EQ(p.getPaper(0), nullptr);
  EXPECT_EQ(p.getPaperW(0), 0);
  EXPECT_EQ(p.getPaperShortName(), "");
  EXPECT_EQ(p.refdc()->logPixelsX(), 300);
  p.setlandscape(true);
  EXPECT_DOUBLE_EQ(p.paperWidth(), 297);
  EXPECT_DOUBLE_EQ(p.paperHeight(), 210);
  // An unknown printer keeps the stored choice.
  settings().writestring("settings", "current printer", "kept");
  p.setPrinterName("no such printer");
  EXPECT_EQ(settings().readString("settings", "current printer", ""), "kept");
  // Jobs without a printer or a PDF target fail at once.
  EXPECT_EQ(p.start(), nullptr);
  EXPECT_EQ(p.lastError(), "no printer");
  platform::TMetafile m;
  EXPECT_FALSE(p.printEMF(m, 0, 0, 10, true));
}

TEST_F(PrintTest, StartBMKeepsOrLowersTheResolution) {
  {
    TPrint p;  // the 300 dpi page of no printer fits the default 200 MB
    ASSERT_NE(p.StartBM(), nullptr);
    EXPECT_EQ(p.bm()->width(), 2480);
    EXPECT_EQ(p.bm()->height(), 3508);
    EXPECT_EQ(p.StartBM(0, 297), nullptr);
    EXPECT_EQ(p.StartBM(-1, 297), nullptr);
  }
  // 20 MB lowers it to sqrt(20 × 2^20 / (210 × 297 × 3)) = 10.587 pixels per millimetre.
  settings().writeInteger("settings", "max printer bitmap size", 20);
  TPrint p;
  ASSERT_NE(p.StartBM(), nullptr);
  EXPECT_NEAR(p.printdpmm(), 10.5874, 1e-3);
  EXPECT_EQ(p.bm()->width(), 2223);
  EXPECT_EQ(p.bm()->height(), 3144);
}

TEST_F(PrintTest, LimitsThatDoNotFitFallBackToTheDefaults) {
  settings().writeInteger("settings", "max printer bitmap size", 5000);  // beyond 32 bits of bytes
  settings().writeInteger("settings", "max printer dpi", 0);
  TPrint p;
  EXPECT_EQ(p.MaximumBitmapSize(), 200u * 1024 * 1024);
  EXPECT_EQ(p.MaxDPI(), 600);
}

TEST_F(PrintTest, MetafileJobToPdfIsLandscapeWithTheMarginBox) {
  if (std::system("command -v pdftoppm >/dev/null && command -v pdfinfo >/dev/null") != 0)
    GTEST_SKIP() << "poppler-utils missing";
  // A diagram 630 × 300 mm filled black: printed with its aspect into the 10 mm margin box.
  platform::TMetafile emf;
  {
    platform::TMetafileCanvas mc(emf, 630, 300, 1.0);
    mc.canvas().Brush.Color = 0;
    mc.canvas().Pen.Color = 0;
    mc.canvas().Rectangle(0, 0, 630, 300);
  }
  TPrint p;
  p.setlandscape(true);
  p.targetPDFfile = testenv::tempDir() + "diagram.pdf";
  ASSERT_TRUE(p.printEMF(emf, 0, 0, 10, true)) << p.lastError();
  EXPECT_FALSE(p.isPrinting());
  std::string info = runCommand("pdfinfo '" + p.targetPDFfile + "'");
  EXPECT_NE(info.find("842 x 595 pts (A4)"), std::string::npos) << info;
  runCommand("pdftoppm -r 300 -singlefile -gray '" + p.targetPDFfile + "' '" + testenv::tempDir() + "page'");
  std::ifstream f(testenv::tempDir() + "page.pgm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxv = 0;
  f >> magic >> w >> h >> maxv;
  f.get();
  ASSERT_NEAR(w, 3508, 1);  // 842 × 595 points at 300 dpi
  ASSERT_NEAR(h, 2480, 1);
  std::vector<unsigned char> px(size_t(w) * h);
  f.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size()));
  auto at = [&](int x, int y) { return int(px[size_t(y) * w + x]); };
  // Box (118, 118)–(3390, 2362) at 300 dpi; 630:300 fits its width (3272 px), 1558 px high,
  // centred in the box's 2244 rows: rows 461–2019.
  EXPECT_GT(at(100, 1240), 200);   // margin: white
  EXPECT_LT(at(130, 1240), 60);    // inside the box: black
  EXPECT_LT(at(3370, 1240), 60);
  EXPECT_GT(at(3410, 1240), 200);
  EXPECT_GT(at(1754, 440), 200);   // above the centred diagram
  EXPECT_LT(at(1754, 480), 60);
  EXPECT_LT(at(1754, 2000), 60);
  EXPECT_GT(at(1754, 2040), 200);
}

TEST_F(PrintTest, PageBitmapToFiles) {
  TPrint p;
  EXPECT_FALSE(p.PrintBMtoFile(testenv::tempDir() + "x.pdf"));  // no page bitmap yet
  ASSERT_NE(p.StartBM(50, 20), nullptr);
  EXPECT_TRUE(p.PrintBMtoFile(testenv::tempDir() + "page.bmp"));
  EXPECT_TRUE(p.PrintBMtoFile(testenv::tempDir() + "page.pdf"));
  EXPECT_FALSE(p.PrintBMtoFile(testenv::tempDir() + "page.txt"));
  if (std::system("command -v pdfinfo >/dev/null") == 0) {
    std::string info = runCommand("pdfinfo '" + testenv::tempDir() + "page.pdf'");
    EXPECT_NE(info.find("142 x 57 pts"), std::string::npos) << info;  // 50 × 20 mm
  }
}

}  // namespace
