// TrawBitmap24: layout, pixel access, interpolated reads and BMP files (good and hostile).
#include "core/r_bitmapRaw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "core/r_base.h"
#include "tests/core/bmpbytes.h"
#include "tests/support/testenv.h"

namespace {
struct Bm24 : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

Tbgr px(TrawBitmap24& b, int col, int row) {
  Tbgr c;
  b.getPixel(col, row, c);
  return c;
}

// Every pixel a different colour: red = col * 10, green = row * 10, blue = 7.
void paintGradient(TrawBitmap24& b) {
  for (int row = 0; row < b.height(); ++row)
    for (int col = 0; col < b.width(); ++col) b.setPixel(col, row, uint8_t(col * 10), uint8_t(row * 10), uint8_t(7));
}
}  // namespace

TEST_F(Bm24, RowLengthIsPaddedToFourBytes) {
  struct Case { int width, rowL; } cases[] = {{1, 4}, {4, 12}, {5, 16}, {1920, 5760}};
  for (auto c : cases) {
    SCOPED_TRACE(c.width);
    TrawBitmap24 b;
    b.setsize(c.width, 3);
    EXPECT_EQ(b.rowLength(), c.rowL);
    EXPECT_EQ(b.imageSize(), c.rowL * 3);
    EXPECT_EQ(b.fileHeader().fileSize, uint32_t(54 + c.rowL * 3));
    EXPECT_EQ(b.clientrect(), (platform::TRect{0, 0, c.width - 1, 2}));
    EXPECT_EQ(b.clientrectPlus(), (platform::TRect{0, 0, c.width, 3}));
  }
}

TEST_F(Bm24, RowsAreStoredBottomUp) {
  TrawBitmap24 b;
  b.setsize(2, 2);
  b.setPixel(0, 0, uint8_t(1), uint8_t(2), uint8_t(3));
  const uint8_t* mem = b.imageData();
  EXPECT_EQ(mem[b.rowLength() + 0], 3);  // the top row is stored last: blue, green, red
  EXPECT_EQ(mem[b.rowLength() + 1], 2);
  EXPECT_EQ(mem[b.rowLength() + 2], 1);
  EXPECT_EQ(b.rowPt(1), mem);
  EXPECT_EQ(b.rowPt(2), nullptr);
}

TEST_F(Bm24, ReadsClampAndEmptyBufferReadsWhite) {
  TrawBitmap24 b;
  Tbgr c;
  b.getPixel(3, 3, c);
  EXPECT_EQ(c, (Tbgr{255, 255, 255}));
  b.setPixel(0, 0, Tbgr{1, 1, 1});  // outside: nothing, no crash
  b.setsize(10, 10);
  paintGradient(b);
  EXPECT_EQ(px(b, -5, 1000), px(b, 0, 9));
  int32_t colour = 0;
  b.getPixel(3, 2, colour);
  EXPECT_EQ(colour, 30 + 20 * 256 + 7 * 65536);
  b.setPixel(10, 0, Tbgr{1, 1, 1});
  b.setPixel(-1, 0, Tbgr{1, 1, 1});
  EXPECT_EQ(px(b, 9, 0), (Tbgr{7, 0, 90}));
}

TEST_F(Bm24, SizeChangeFiresEveryTimeAndReleasesMemory) {
  TrawBitmap24 b;
  int fired = 0;
  b.onChangeSize = [&](TrawBitmap24*) { ++fired; };
  b.setsize(4, 4);
  b.setPixel(1, 1, Tbgr{9, 9, 9});
  b.setsize(4, 4);
  EXPECT_EQ(fired, 2);
  EXPECT_FALSE(b.hasPixels());
  EXPECT_EQ(px(b, 1, 1), (Tbgr{0, 0, 0}));  // fresh memory is black
  b.setWid(-3);
  EXPECT_EQ(b.width(), 0);
  EXPECT_EQ(b.imageSize(), 0);
  b.setsize(70000, 70000);  // cannot be addressed: stays empty instead of overflowing
  EXPECT_EQ(b.imageSize(), 0);
  EXPECT_EQ(b.imageData(), nullptr);
}

// Borrowed rows (a window's back buffer) take the writes in place, are never freed by the buffer
// (the sanitizers would see it), and after a clear the buffer makes memory of its own again.
TEST_F(Bm24, BorrowedRowsAreWrittenInPlaceAndLeftToTheirKeeper) {
  TrawBitmap24 b;
  EXPECT_FALSE(b.usePixels(nullptr));
  std::vector<uint8_t> rows(size_t(8) * 2, 0);  // 2 × 2: rows of 8 bytes, bottom row first
  EXPECT_FALSE(b.usePixels(rows.data())) << "no size yet";
  b.setsize(2, 2);
  ASSERT_TRUE(b.usePixels(rows.data()));
  EXPECT_TRUE(b.pixelsBorrowed());
  b.setPixel(1, 0, Tbgr{1, 2, 3});  // the top row is stored last
  EXPECT_EQ(rows[8 + 3], 1);
  EXPECT_EQ(rows[8 + 5], 3);
  b.dc().fillRect(platform::TRect{0, 1, 1, 2}, platform::solidBrush(platform::RGB(9, 9, 9)));
  EXPECT_EQ(rows[0], 9) << "the device context views the same rows";
  b.clear();
  EXPECT_FALSE(b.hasPixels());
  EXPECT_EQ(rows[8 + 3], 1) << "the rows stay with their keeper";
  b.setPixel(0, 0, Tbgr{5, 5, 5});
  EXPECT_FALSE(b.pixelsBorrowed());
  EXPECT_EQ(rows[8], 0) << "new memory of its own";
}

TEST_F(Bm24, MixingWriteRoundsHalvesToEven) {
  struct Case { const char* id; double percent; uint8_t expect; } cases[] = {
      {"half", 50, 128}, {"full", 100, 255}, {"over", 150, 255}, {"none", 0, 0}, {"negative", -20, 0}, {"quarter", 25, 64}};
  for (auto c : cases) {
    SCOPED_TRACE(c.id);
    TrawBitmap24 b;
    b.setsize(1, 1);
    b.setPixel(0, 0, c.percent, 255, 255, 255);
    EXPECT_EQ(px(b, 0, 0), (Tbgr{c.expect, c.expect, c.expect}));
  }
  TrawBitmap24 b;
  b.setsize(1, 1);
  b.setPixel(0, 0, Tbgr{200, 100, 0}, 50);
  EXPECT_EQ(px(b, 0, 0), (Tbgr{100, 50, 0}));
}

TEST_F(Bm24, SubPixelWriteSpreadsOverNeighbours) {
  TrawBitmap24 b;
  b.setsize(6, 6);
  b.setPixel(2.25, 3.0, 100.0, 200, 200, 200);
  EXPECT_EQ(px(b, 2, 3).red, 150);  // 75 %
  EXPECT_EQ(px(b, 3, 3).red, 50);   // 25 %
  EXPECT_EQ(px(b, 2, 4).red, 0);
  b.setPixel(0.5, 0.5, 100.0, 200, 200, 200);
  for (auto [c, r] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) EXPECT_EQ(px(b, c, r).green, 50);
  b.setPixel(5.5, 5.5, 100.0, 200, 200, 200);  // the spill lies outside: dropped
  EXPECT_EQ(px(b, 5, 5).blue, 50);
  b.setPixel(1e300, -1e300, 100.0, 1, 1, 1);  // far away: nothing
}

TEST_F(Bm24, InterpolatedReadBetweenPixelCentres) {
  TrawBitmap24 b;
  b.setsize(4, 4);
  paintGradient(b);
  Tbgr c;
  b.getPixelD(1.5, 1.5, c);
  EXPECT_EQ(c, px(b, 1, 1));
  b.getPixelD(1.0, 1.0, c);  // mean of (0,0), (1,0), (0,1), (1,1): red 5, green 5
  EXPECT_EQ(c, (Tbgr{7, 5, 5}));
  b.getPixelD(-50.0, 2.5, c);  // clamped to the left edge
  EXPECT_EQ(c, px(b, 0, 2));
}

TEST_F(Bm24, ReadWithInitialValuesCountsSamples) {
  TrawBitmap24 b;
  b.setsize(6, 6);
  paintGradient(b);
  struct Case { const char* id; double col, row; uint8_t r, g, b; int dCnt; } cases[] = {
      {"whole position", 3, 4, 30, 40, 7, 1},
      {"half outside left: mean with initial", -0.5, 0, 100, 50, 53, 2},  // (200+0)/2, (100+0)/2, (100+7)/2 truncated
      {"both fractions", 1.5, 1.5, 15, 15, 7, 4},
      {"far outside: untouched", -1.5, 0, 200, 100, 100, 0},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.id);
    uint8_t r = 200, g = 100, bl = 100;
    b.getPixelD(c.col, c.row, r, g, bl, true);
    EXPECT_EQ(r, c.r);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(bl, c.b);
    EXPECT_EQ(b.dCnt, c.dCnt);
  }
}

TEST_F(Bm24, StreamRoundTripKeepsSizeAndPixels) {
  TrawBitmap24 a;
  a.setsize(3, 2);
  paintGradient(a);
  std::vector<uint8_t> mem;
  ASSERT_TRUE(a.saveToMem(mem));
  ASSERT_EQ(mem.size(), 78u);
  EXPECT_EQ(mem[0], 'B');
  EXPECT_EQ(mem[1], 'M');
  EXPECT_EQ(mem[2], 78);
  EXPECT_EQ(mem[10], 54);
  TrawBitmap24 b;
  int loads = 0, sizes = 0;
  b.onLoad = [&](TrawBitmap24*) { ++loads; };
  b.onChangeSize = [&](TrawBitmap24*) { ++sizes; };
  ASSERT_TRUE(b.loadfromMem(mem));
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(sizes, 0);
  EXPECT_EQ(b.clientrect(), (platform::TRect{0, 0, 2, 1}));
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 3; ++col) EXPECT_EQ(px(b, col, row), px(a, col, row));
}

TEST_F(Bm24, FileRoundTripAndSaveConditions) {
  TrawBitmap24 a;
  const std::string dir = testenv::tempDir();
  EXPECT_FALSE(a.savetofile(dir + "empty.bmp"));  // no pixel memory
  a.setsize(5, 3);
  paintGradient(a);
  EXPECT_FALSE(a.savetofile(dir + "no such folder/x.bmp"));
  ASSERT_TRUE(a.savetofile(dir + "a.bmp"));
  EXPECT_EQ(std::filesystem::file_size(dir + "a.bmp"), 54u + 16u * 3u);
  TrawBitmap24 b;
  ASSERT_TRUE(b.loadfromFile(dir + "a.bmp"));
  EXPECT_EQ(b.width(), 5);
  EXPECT_EQ(px(b, 4, 2), px(a, 4, 2));
  EXPECT_FALSE(b.loadfromFile(dir + "missing.bmp"));
  EXPECT_EQ(b.width(), 5);
  // A bare name is a file of the current folder.
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  EXPECT_TRUE(a.savetofile("bare.bmp"));
  std::filesystem::current_path(here);
  EXPECT_TRUE(std::filesystem::exists(dir + "bare.bmp"));
}

// Resources are the BMP files of the base directory's resources folder, found by name with or
// without ".bmp" in any letter case; names that reach elsewhere find nothing.
TEST_F(Bm24, ResourcesComeFromTheResourcesFolder) {
  const std::string base = testenv::tempDir() + "resbase/";
  std::filesystem::create_directories(base + "resources");
  std::filesystem::create_directories(base + "other");
  TrawBitmap24 a;
  a.setsize(5, 3);
  paintGradient(a);
  ASSERT_TRUE(a.savetofile(base + "resources/WaitBm.bmp"));
  ASSERT_TRUE(a.savetofile(base + "resources/plain"));
  ASSERT_TRUE(a.savetofile(base + "other/outside.bmp"));
  testenv::writeFile("resbase/resources/empty.bmp", "");
  os->setBaseDir(base);
  struct Case { const char* name; bool found; } cases[] = {
      {"WaitBm", true}, {"waitbm", true}, {"WAITBM.BMP", true}, {"plain", true}, {"missing", false},
      {"empty", false}, {"", false}, {"../other/outside", false}, {"*", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TrawBitmap24 b;
    EXPECT_EQ(b.loadFromResource(c.name), c.found);
    if (c.found) EXPECT_EQ(px(b, 4, 2), px(a, 4, 2));
    else EXPECT_EQ(b.width(), 0);
  }
}

TEST_F(Bm24, TopDownAndNewerHeadersAreReadTheRightWayUp) {
  struct Case { const char* id; int32_t height; uint32_t infoSize; } cases[] = {
      {"bottom-up V3", 2, 40}, {"top-down", -2, 40}, {"V4 header", 2, 108}, {"V5 top-down", -2, 124}};
  for (auto c : cases) {
    SCOPED_TRACE(c.id);
    testbmp::Spec s;
    s.height = c.height;
    s.infoSize = c.infoSize;
    TrawBitmap24 b;
    ASSERT_TRUE(b.loadfromMem(testbmp::make(s))) << b.loadError();
    EXPECT_EQ(b.height(), 2);
    // The first stored row of the file is the bottom row unless the file is top-down.
    Tbgr first{0, 1, 2};
    EXPECT_EQ(px(b, 0, c.height < 0 ? 0 : 1), first);
    EXPECT_EQ(b.infoHeader().size, 40u);  // saved again as a plain bottom-up file
    EXPECT_EQ(b.infoHeader().height, 2);
  }
}

TEST_F(Bm24, HostileFilesAreRefusedAndLeaveThePictureAlone) {
  using testbmp::Spec;
  auto spec = [](auto change) {
    Spec s;
    change(s);
    return testbmp::make(s);
  };
  auto cut = [](std::vector<uint8_t> b, size_t n) {
    b.resize(std::min(n, b.size()));
    return b;
  };
  const auto good = testbmp::make(Spec{});
  struct Case { const char* id; std::vector<uint8_t> bytes; } cases[] = {
      {"empty", {}},
      {"two bytes", {'B', 'M'}},
      {"not BM", std::vector<uint8_t>(78, 'X')},
      {"ends in info header", cut(good, 30)},
      {"truncated rows", cut(good, good.size() - 5)},
      {"8 bits", spec([](Spec& s) { s.bits = 8; })},
      {"32 bits", spec([](Spec& s) { s.bits = 32; })},
      {"core header", spec([](Spec& s) { s.infoSize = 12; })},
      {"info size 20", spec([](Spec& s) { s.infoSize = 20; })},
      {"compressed", spec([](Spec& s) { s.compression = 1; })},
      {"bitfields", spec([](Spec& s) { s.compression = 3; })},
      {"planes 0", spec([](Spec& s) { s.planes = 0; })},
      {"width 0", spec([](Spec& s) { s.width = 0; })},
      {"width negative", spec([](Spec& s) { s.width = -3; })},
      {"height 0", spec([](Spec& s) { s.height = 0; })},
      {"offset inside headers", spec([](Spec& s) { s.pixelOffset = 20; })},
  };
  // Oversized dimensions in an otherwise small file.
  auto huge = good;
  testbmp::put32(huge, 18, 100000);
  testbmp::put32(huge, 22, 100000);
  auto tall = good;
  testbmp::put32(tall, 22, uint32_t(INT32_MIN));
  auto bigInfo = good;
  testbmp::put32(bigInfo, 14, 0x7FFFFFF0);
  auto farOffset = good;
  testbmp::put32(farOffset, 10, 1000);
  auto wide = good;
  testbmp::put32(wide, 18, 0x7FFFFFFF);
  std::vector<std::pair<const char*, std::vector<uint8_t>>> all;
  for (auto& c : cases) all.emplace_back(c.id, c.bytes);
  all.emplace_back("huge dimensions", huge);
  all.emplace_back("height INT_MIN", tall);
  all.emplace_back("width INT_MAX", wide);
  all.emplace_back("offset past end", farOffset);
  all.emplace_back("info size huge", bigInfo);
  // Found by fuzzing: rows whose total size passes even 64 bits.
  const uint8_t beyond64[] = {0x42, 0x4d, 0x66, 0x00, 0x00, 0x00, 0x00, 0x96, 0x36, 0x00, 0x36, 0x00, 0x00, 0x00,
                              0x28, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x64, 0x03, 0x00, 0x00, 0x8d, 0x01, 0x00,
                              0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x01, 0x00, 0x01, 0x00, 0x0a, 0xc8, 0x1e, 0x24, 0xc8, 0x1e, 0x00};
  all.emplace_back("rows beyond 64 bits", std::vector<uint8_t>(std::begin(beyond64), std::end(beyond64)));

  for (auto& [id, bytes] : all) {
    SCOPED_TRACE(id);
    TrawBitmap24 b;
    b.setsize(2, 2);
    b.setPixel(1, 1, Tbgr{5, 6, 7});
    int loads = 0;
    b.onLoad = [&](TrawBitmap24*) { ++loads; };
    EXPECT_FALSE(b.loadfromMem(bytes));
    EXPECT_FALSE(b.loadError().empty());
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(b.width(), 2);
    EXPECT_EQ(b.infoHeader().bitCount, 24);
    EXPECT_EQ(px(b, 1, 1), (Tbgr{5, 6, 7}));
  }
}

TEST_F(Bm24, LastRowWithoutPaddingIsAcceptedAndPaddedWithZeros) {
  auto bytes = testbmp::make(testbmp::Spec{});
  bytes.resize(bytes.size() - 3);  // 3 px * 3 = 9 bytes of a 12-byte row
  TrawBitmap24 b;
  ASSERT_TRUE(b.loadfromMem(bytes)) << b.loadError();
  EXPECT_EQ(px(b, 2, 0), (Tbgr{18, 19, 20}));
}

// Every prefix of a good file, and seeded random corruption of its header bytes: each load either
// refuses or gives a buffer whose size matches its memory (the sanitizer build checks the reads).
TEST_F(Bm24, TruncatedAndCorruptedFilesNeverReadOutOfBounds) {
  testbmp::Spec s;
  s.width = 5;
  s.height = -3;
  const auto good = testbmp::make(s);
  for (size_t n = 0; n < good.size(); ++n) {
    TrawBitmap24 b;
    const bool ok = b.loadfromMem(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
    EXPECT_EQ(ok, n >= good.size() - 1) << n;  // only the last row's padding byte may be missing
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    auto bytes = good;
    for (int k = 0; k < 3; ++k) bytes[rng() % 54] = uint8_t(rng());
    TrawBitmap24 b;
    if (b.loadfromMem(bytes)) {
      ASSERT_EQ(int64_t(b.imageSize()), int64_t(b.rowLength()) * b.height());
      ASSERT_LE(int64_t(b.width()) * 3, b.rowLength());
      Tbgr c;
      b.getPixel(b.width() - 1, b.height() - 1, c);
    }
  }
}
