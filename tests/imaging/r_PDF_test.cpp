// TPDF: documents we write are checked by outside readers (qpdf, pdfinfo, pdftotext, pdftoppm).
#include "imaging/r_PDF.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/r_bitmapRaw.h"
#include "platform/canvas.h"
#include "platform/imagecodec.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {

bool haveTool(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a command and gives its standard output; status in *status.
using testenv::runCommand;

void expectValid(const std::string& file) {
  int status = -1;
  std::string out = runCommand("qpdf --check '" + file + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
}

std::string pdfinfo(const std::string& file) { return runCommand("pdfinfo '" + file + "'"); }
// One field of pdfinfo's report, without the padding.
std::string field(const std::string& info, const std::string& name) {
  size_t at = info.find(name + ":");
  if (at == std::string::npos) return {};
  size_t from = info.find_first_not_of(' ', at + name.size() + 1);
  return info.substr(from, info.find('\n', from) - from);
}

// Blocks of 6 × 6 pixels in distinct colours, so any shift, flip or channel swap shows while a
// renderer's smoothing stays at the block edges.
constexpr int kBlock = 6;
void paint(TrawBitmap24& bm, int w, int h) {
  bm.setsize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int bx = x / kBlock, by = y / kBlock;
      bm.setPixel(x, y, Tbgr{uint8_t(bx * 19), uint8_t(by * 41), uint8_t((bx * 7 + by * 53) & 0xFF)});
    }
}

class PdfTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    if (!haveTool("qpdf") || !haveTool("pdfinfo") || !haveTool("pdftoppm") || !haveTool("pdftotext"))
      GTEST_SKIP() << "qpdf and poppler-utils are needed (scripts/setup.sh --tests installs them)";
  }
  std::string name(const std::string& n) { return testenv::tempDir() + n; }
};

TEST_F(PdfTest, BitmapPageHasThePageSizeOfItsWidth) {
  TrawBitmap24 bm;
  paint(bm, 100, 50);
  TPDF pdf;
  ASSERT_TRUE(pdf.BMtoPDF(bm, 210, name("a.pdf")));
  expectValid(name("a.pdf"));
  std::string info = pdfinfo(name("a.pdf"));
  EXPECT_EQ(field(info, "Page size"), "595 x 298 pts");
  EXPECT_EQ(field(info, "Pages"), "1");
}

TEST_F(PdfTest, RenderedPageEqualsTheBitmapAndLeavesTheCallersPixels) {
  // 72 pixels across 25.4 mm: 72 dpi, one point per pixel, so a 72 dpi rendering is 1:1.
  for (bool compress : {true, false}) {
    SCOPED_TRACE(compress ? "compressed" : "plain");
    TrawBitmap24 bm;
    paint(bm, 72, 36);
    std::vector<uint8_t> before(bm.imageData(), bm.imageData() + bm.imageSize());
    TPDF pdf;
    pdf.Compress = compress;
    ASSERT_TRUE(pdf.BMtoPDF(bm, 25.4, name("img.pdf")));
    EXPECT_EQ(std::vector<uint8_t>(bm.imageData(), bm.imageData() + bm.imageSize()), before);
    expectValid(name("img.pdf"));
    runCommand("pdftoppm -r 72 -singlefile '" + name("img.pdf") + "' '" + name("img") + "'");
    TrawBitmap24 back;
    // pdftoppm writes PPM: P6, width, height, 255, then RGB rows from the top.
    std::ifstream f(name("img.ppm"), std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxv = 0;
    f >> magic >> w >> h >> maxv;
    f.get();
    ASSERT_EQ(magic, "P6");
    ASSERT_EQ(w, 72);
    ASSERT_EQ(h, 36);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        unsigned char rgb[3];
        f.read(reinterpret_cast<char*>(rgb), 3);
        Tbgr c;
        bm.getPixel(x, y, c);
        bool inner = x % kBlock != 0 && x % kBlock != kBlock - 1 && y % kBlock != 0 && y % kBlock != kBlock - 1;
        bool bad = inner && (rgb[0] != c.red || rgb[1] != c.green || rgb[2] != c.blue);
        if (bad && wrong == 0)
          ADD_FAILURE() << "first difference at " << x << "," << y << ": page " << int(rgb[0]) << " "
                        << int(rgb[1]) << " " << int(rgb[2]) << ", bitmap " << int(c.red) << " "
                        << int(c.green) << " " << int(c.blue);
        wrong += bad;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(PdfTest, OtherDepthsAreConvertedFirst) {
  platform::TBitmap bm;
  bm.SetSize(72, 36);
  bm.SetPixelFormat(platform::pf8bit);
  bm.surface().setPixel(10, 10, 0x00FFFFFF);
  bm.surface().setPixel(11, 10, 0x00000000);
  TPDF pdf;
  ASSERT_TRUE(pdf.BMtoPDF(bm, 25.4, name("grey.pdf")));
  expectValid(name("grey.pdf"));
}

TEST_F(PdfTest, TextComesBackWithParenthesesBackslashesAndAccents) {
  TPDF pdf;
  pdf.FileName = name("text.pdf");
  pdf.TITLE = "Shadows (test) \\ é";
  pdf.BeginDoc(210, 297);
  pdf.Font.Name = poHelvetica;
  pdf.TextOut(72, 100, "Unbalanced ) ( \\ café");
  pdf.DrawRectangle(50, 50, 300, 200);
  pdf.NewPage();
  pdf.MemoOut(72, 100, {"first line", "second (line"});
  pdf.NewPage();
  pdf.DrawLine(0, 0, 100, 100);
  ASSERT_TRUE(pdf.EndDoc());
  expectValid(name("text.pdf"));
  std::string info = pdfinfo(name("text.pdf"));
  EXPECT_EQ(field(info, "Pages"), "3");
  EXPECT_EQ(field(info, "Title"), "Shadows (test) \\ é");
  EXPECT_EQ(field(info, "Page size"), "595 x 842 pts (A4)");
  std::string text = runCommand("pdftotext '" + name("text.pdf") + "' -");
  EXPECT_NE(text.find("Unbalanced ) ( \\ café"), std::string::npos) << text;
  EXPECT_NE(text.find("second (line"), std::string::npos) << text;
}

TEST_F(PdfTest, InformationInOtherScriptsIsUtf16) {
  TPDF pdf;
  pdf.FileName = name("tokyo.pdf");
  pdf.TITLE = "東京 ☀";
  pdf.Compress = false;
  pdf.BeginDoc();
  pdf.TextOut(10, 10, "東京");  // no place in the standard fonts: question marks
  ASSERT_TRUE(pdf.EndDoc());
  expectValid(name("tokyo.pdf"));
  EXPECT_EQ(field(pdfinfo(name("tokyo.pdf")), "Title"), "東京 ☀");
  EXPECT_NE(runCommand("pdftotext '" + name("tokyo.pdf") + "' -").find("??"), std::string::npos);
}

TEST_F(PdfTest, EmptyDocumentIsStillValid) {
  for (bool compress : {true, false}) {
    TPDF pdf;
    pdf.Compress = compress;
    pdf.FileName = name("empty.pdf");
    pdf.BeginDoc();
    ASSERT_TRUE(pdf.EndDoc());
    expectValid(name("empty.pdf"));
  }
}

TEST_F(PdfTest, BadInputAndUnwritableTargetsFailAndKeepTheOldFile) {
  TrawBitmap24 empty;
  TPDF pdf;
  EXPECT_FALSE(pdf.BMtoPDF(empty, 210, name("none.pdf")));
  TrawBitmap24 bm;
  paint(bm, 8, 8);
  EXPECT_FALSE(pdf.BMtoPDF(bm, 0, name("none.pdf")));
  EXPECT_FALSE(pdf.BMtoPDF(bm, -5, name("none.pdf")));
  struct stat st;
  EXPECT_NE(stat(name("none.pdf").c_str(), &st), 0);
  EXPECT_FALSE(pdf.BMtoPDF(bm, 100, name("no/such/folder/x.pdf")));
  EXPECT_FALSE(pdf.lastError().empty());

  // A failed save leaves the older file as it was.
  std::string old = testenv::writeFile("ro/old.pdf", "old bytes");
  chmod((testenv::tempDir() + "ro").c_str(), 0500);
  bool wrote = pdf.BMtoPDF(bm, 100, old);
  chmod((testenv::tempDir() + "ro").c_str(), 0700);
  if (geteuid() != 0) {  // root writes anywhere
    EXPECT_FALSE(wrote);
    EXPECT_EQ(testenv::readFile(old), "old bytes");
  }
  EXPECT_FALSE(TPDF().EndDoc());  // no document begun
}

namespace {
// A page rendered by pdftoppm at `dpi`: red, green, blue rows from the top.
struct Trendered {
  int w = 0, h = 0;
  std::string rgb;
  [[nodiscard]] std::string at(int x, int y) const { return rgb.substr((size_t(y) * w + x) * 3, 3); }
};
Trendered render(const std::string& pdf, const std::string& stem, int dpi) {
  runCommand("pdftoppm -r " + std::to_string(dpi) + " -singlefile '" + pdf + "' '" + stem + "'");
  std::ifstream f(stem + ".ppm", std::ios::binary);
  std::string magic;
  int maxv = 0;
  Trendered r;
  f >> magic >> r.w >> r.h >> maxv;
  f.get();
  r.rgb.resize(size_t(r.w) * r.h * 3);
  f.read(r.rgb.data(), std::streamsize(r.rgb.size()));
  return r;
}
// The colour of the blocks paint() lays, as red, green, blue.
std::string blockColour(int x, int y) {
  const int bx = x / kBlock, by = y / kBlock;
  return {char((bx * 7 + by * 53) & 0xFF), char(by * 41), char(bx * 19)};
}
bool innerOfBlock(int x, int y) {
  return x % kBlock != 0 && x % kBlock != kBlock - 1 && y % kBlock != 0 && y % kBlock != kBlock - 1;
}
}  // namespace

// A picture (a bitmap, or an image decoded from a file) goes through the writer's image buffer
// at its size on the screen measured against the page: width × page width / (8 × the screen's
// pixels per inch) points. On a page of 768 × 1020 points at 96 pixels per inch that is a point
// a pixel; at 192, half a point. Checked by qpdf and by the rendered page's pixels.
TEST_F(PdfTest, PicturesArePlacedAtTheirScreenSize) {
  platform::TBitmap bm;
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(48, 30);
  platform::TrgbImage im;
  im.width = 36;
  im.height = 24;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 48; ++x) {
      const std::string c = blockColour(x, y);
      bm.surface().setPixel(x, y, platform::RGB(uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])));
      if (x < im.width && y < im.height) im.rgb.insert(im.rgb.end(), c.begin(), c.end());
    }
  for (int dpi : {96, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " pixels per inch");
    hb->setLogicalDpi(dpi);
    TPDF pdf;
    pdf.FileName = name("pictures.pdf");
    pdf.PageWidth = 8 * 96;
    pdf.PageHeight = 1020;
    pdf.BeginDoc();
    ASSERT_TRUE(pdf.ImageOut(10, 20, bm));
    ASSERT_TRUE(pdf.Draw(100, 200, im));
    ASSERT_TRUE(pdf.EndDoc());
    expectValid(name("pictures.pdf"));
    // Rendered at 72 × dpi / 96 dots an inch, each picture pixel is one dot.
    const Trendered dots = render(name("pictures.pdf"), name("dots"), 72 * dpi / 96);
    ASSERT_EQ(dots.w, 768 * dpi / 96);
    struct Placed { int x, y, w, h; } placed[] = {{10, 20, 48, 30}, {100, 200, 36, 24}};
    int wrong = 0;
    for (const Placed& p : placed)
      for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
          if (!innerOfBlock(x, y)) continue;
          const int px = p.x * dpi / 96 + x, py = p.y * dpi / 96 + y;  // the corner at (x, y) points
          if (dots.at(px, py) != blockColour(x, y) && wrong++ == 0)
            ADD_FAILURE() << "first difference at " << x << "," << y << " of the picture at " << p.x << "," << p.y;
        }
    EXPECT_EQ(wrong, 0);
    // Nothing but white beside them.
    EXPECT_EQ(dots.at(5, 5), "\xFF\xFF\xFF");
    EXPECT_EQ(dots.at(10 * dpi / 96 + 48 + 2, 20 * dpi / 96 + 3), "\xFF\xFF\xFF");
  }
  // Nothing to place: no picture, a picture short of its pixels, no document.
  TPDF pdf;
  EXPECT_FALSE(pdf.ImageOut(0, 0, bm));  // no document begun
  pdf.FileName = name("none.pdf");
  pdf.BeginDoc();
  EXPECT_FALSE(pdf.ImageOut(0, 0, platform::TBitmap()));
  platform::TrgbImage shortOfPixels = im;
  shortOfPixels.rgb.resize(10);
  EXPECT_FALSE(pdf.Draw(0, 0, shortOfPixels));
  EXPECT_FALSE(pdf.Draw(0, 0, platform::TrgbImage()));
  ASSERT_TRUE(pdf.EndDoc());
  expectValid(name("none.pdf"));
}

TEST(PdfStrings, EscapingAndCodePage) {
  EXPECT_EQ(pdfLiteral("a(b)c\\"), "(a\\(b\\)c\\\\)");
  EXPECT_EQ(pdfAnsiText("café €"), "caf\xE9 \x80");
  EXPECT_EQ(pdfAnsiText("東"), "?");
  EXPECT_EQ(pdfInfoString("abc"), "(abc)");
  EXPECT_EQ(pdfInfoString("東"), "<FEFF6771>");
  EXPECT_EQ(pdfInfoString("😀"), "<FEFFD83DDE00>");
}

}  // namespace
