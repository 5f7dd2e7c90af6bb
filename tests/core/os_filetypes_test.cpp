// File-type codes: names to codes, default extensions, filter texts and classes.
#include "core/os_filetypes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "core/r_base.h"
#include "platform/canvas.h"
#include "platform/imagecodec.h"
#include "platform/shell.h"
#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {
TEST(TosFileTypes, NamesGiveTheirCodes) {
  struct Case { const char* name; int code; } cases[] = {
      {"C:\\Maps\\Photo.JPEG", file_jpeg}, {"/maps/photo.jpg", file_jpeg}, {"jpeg", file_jpeg},
      {"c:\\maps\\", file_directory}, {"/home/maps/", file_directory}, {"*", file_any},
      {"http://example.org/index.php", file_htm}, {"HTTPS://example.org/a.png", file_htm},
      {"readme", file_unknown}, {"", file_unknown}, {"a.asc", file_asc}, {"a.db", file_db},
      {"a.db3", file_sqlite}, {"a.tiff", file_tif}, {"a.TIF", file_tif}, {"x.dr$", file_dra},
      {"a.ntf_dtm", file_ntf_DTM}, {"a.qydra", file_qydra}, {"a.b.gpkg", file_gpkg}, {"a.nosuch", 0},
      {"a.", file_unknown}, {"ncm", file_ecw}, {"a.arcinfo", file_arc},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TosFileTypes::getFileType(c.name), c.code);
  }
}

TEST(TosFileTypes, UnknownExtensionTakesDefaultAndOnlyZeroTestsTheDoqHeader) {
  std::string doq = testenv::writeFile("ft/image.raw", "BEGIN_USGS_DOQ_HEADER rest of header");
  std::string shortDoq = testenv::writeFile("ft/short.raw", "BEGIN_USGS_DOQ");
  EXPECT_EQ(TosFileTypes::getFileTypeEx("x.unknown", 3), 3);
  EXPECT_EQ(TosFileTypes::getFileTypeEx(doq, 3), 3);
  EXPECT_EQ(TosFileTypes::getFileTypeEx(doq, 0), file_doq);
  EXPECT_EQ(TosFileTypes::getFileType(shortDoq), file_unknown);
  EXPECT_EQ(TosFileTypes::getFileType(testenv::tempDir() + "ft/missing.raw"), file_unknown);
}

TEST(TosFileTypes, EveryExtensionNamesOneCodeAndEveryCodeItsOwnExtension) {
  for (int code = 1; code < 254; ++code) {
    SCOPED_TRACE(code);
    std::string ext = TosFileTypes::getEXT(code);
    if (ext == "*") continue;
    // The default extension leads back to the code, except where several codes share one.
    std::set<int> shared = {28, 29, 30, 41, 46, 84, 143};
    if (!shared.count(code)) {
      EXPECT_EQ(TosFileTypes::getFileType(ext), code);
    }
  }
}

TEST(TosFileTypes, DefaultExtensions) {
  struct Case { int code; const char* ext; } cases[] = {
      {28, "ntf"}, {29, "ntf"}, {30, "ntf"}, {41, "ntf"}, {21, "*"}, {62, "*"}, {254, ""}, {255, "*"},
      {0, "*"}, {143, "db"}, {84, "asc"}, {101, "QYdra"}, {193, "Views"}, {134, "*"}, {86, "*"}, {999, "*"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TosFileTypes::getEXT(c.code), c.ext);
  }
}

TEST(TosFileTypes, Descriptions) {
  struct Case { int code; const char* text; } cases[] = {
      {0, "Any file (*.*)"}, {255, "Any file (*.*)"}, {254, "directory"}, {1, "Ombrant Drawing file (*.dra)"},
      {47, "EXE file (*.exe)"}, {34, "WPT file (*.wpt)"}, {72, "GPL file (*.gpl)"}, {21, "* file (*.*)"},
      {31, "ArcInfo coverage (*.adf, arc.*)"}, {62, "USGS DEM (*.*)"}, {137, "MS SQL Server"},
      {143, "SQLite database (*.db)"}, {222, "SQLite database (*.db)"}, {209, "g-Zipped file (*.gz)"},
      {225, "Ombrant Drawing 2 (*.draDb)"}, {134, "* file (*.*)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TosFileTypes::fileDescription(c.code), c.text);
  }
}

TEST(TosFileTypes, ClassesAndClassNames) {
  struct Case { int code; int cls; } cases[] = {
      {186, file_class_remote}, {20, file_class_unknown}, {1, file_class_vector}, {140, file_class_bitmap},
      {27, file_class_data}, {154, file_class_dem}, {209, file_class_resource}, {90, file_class_vector},
      {102, file_class_dem}, {192, file_class_resource}, {195, file_class_resource}, {220, file_class_resource},
      {86, file_class_unknown}, {254, file_class_unknown}, {134, file_class_unknown}, {-5, 0}, {300, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TosFileTypes::FileClass(c.code), c.cls);
  }
  EXPECT_EQ(TosFileTypes::fileclassName(file_class_vector), "vector");
  EXPECT_EQ(TosFileTypes::fileclassName(file_class_bitmap), "bitmap");
  EXPECT_EQ(TosFileTypes::fileclassName(file_class_dem), "terrain");
  EXPECT_EQ(TosFileTypes::fileclassName(file_class_data), "");
  EXPECT_EQ(TosFileTypes::fileclassName(file_class_remote), "");
}

TEST(TosFileTypes, IconsComeFromTheThemeOrNotAtAll) {
  // A data folder of our own: a MIME glob for pdf and a theme icon for it; nothing for bmp.
  std::string data = testenv::tempDir() + "ftdata/";
  testenv::writeFile("ftdata/mime/globs2", "50:application/pdf:*.pdf\n50:image/bmp:*.bmp\n");
  testenv::writeFile("ftdata/icons/hicolor/16x16/mimetypes/application-pdf.png", "png");
  std::string saved = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
  setenv("XDG_DATA_DIRS", data.c_str(), 1);
  int h = TosFileTypes::getIcon(file_pdf, true);
  EXPECT_EQ(platform::iconFile(h), data + "icons/hicolor/16x16/mimetypes/application-pdf.png");
  platform::freeIcon(h);
  EXPECT_EQ(platform::iconFile(h), "");
  EXPECT_EQ(TosFileTypes::getIcon(file_pdf, false), 0);  // no 32-pixel icon
  EXPECT_EQ(TosFileTypes::getIcon(file_bmp, true), 0);
  EXPECT_EQ(TosFileTypes::getIcon(file_directory, true), 0);
  EXPECT_EQ(TosFileTypes::getIcon(file_mpk, true), 0);  // no default extension
  if (saved.empty()) unsetenv("XDG_DATA_DIRS"); else setenv("XDG_DATA_DIRS", saved.c_str(), 1);
}
// A tool cursor drawn on red: the picture's magenta key shows the red ground, its other pixels
// stand as they are, and a number without a picture gives red alone.
class CursorPictures : public testenv::HeadlessOsTest {};

TEST_F(CursorPictures, CursorToBitmapDrawsTheToolPictureOnRed) {
  platform::TrgbImage pan{40, 40, std::vector<uint8_t>(40 * 40 * 3)};
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      uint8_t* p = pan.pixel(x, y);
      const bool mark = x == y;  // a black diagonal on the magenta key, white at (3, 0)
      p[0] = mark ? 0 : 255, p[1] = 0, p[2] = mark ? 0 : 255;
    }
  pan.pixel(3, 0)[0] = pan.pixel(3, 0)[1] = pan.pixel(3, 0)[2] = 255;
  const std::string folder = testenv::tempDir() + "/cursorpictures/";
  std::string error;
  std::filesystem::create_directories(folder + "cursors");
  ASSERT_TRUE(platform::encodePngFile(folder + "cursors/tool_pan.png", pan, error)) << error;
  os->loadToolCursors(folder);

  auto bm = TosFileTypes::CursorToBitmap(1);  // the pan tool
  ASSERT_TRUE(bm);
  ASSERT_EQ(bm->Width(), 32);
  ASSERT_EQ(bm->Height(), 32);
  EXPECT_EQ(bm->PixelFormat(), platform::pf24bit);
  auto bgr = [&](platform::TBitmap const& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return (p[2] << 16) | (p[1] << 8) | p[0];
  };
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int want = x == 3 && y == 0 ? 0xFFFFFF : x == y ? 0 : 0xFF0000;
      ASSERT_EQ(bgr(*bm, x, y), want) << x << "," << y;
    }

  auto plain = TosFileTypes::CursorToBitmap(9999);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(bgr(*plain, x, y), 0xFF0000) << x << "," << y;
}
}  // namespace
