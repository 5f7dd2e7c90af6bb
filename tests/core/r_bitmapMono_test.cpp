// TbitmapMono and TrawBitmap: bit layout, BMP headers and round trips, checked loading.
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "tests/core/bmpbytes.h"
#include "tests/support/testenv.h"

namespace {
struct Mono : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};
}  // namespace

TEST_F(Mono, RowsAndBitsFollowTheOneBitLayout) {
  struct Case { int width, rowL; } cases[] = {{1, 4}, {32, 4}, {33, 8}};
  for (auto c : cases) {
    TbitmapMono m;
    m.setSize(c.width, 2);
    EXPECT_EQ(m.rowLength(), c.rowL) << c.width;
  }
  TbitmapMono m;
  m.setSize(16, 1);
  m.fillBlack();
  m.setPixel(9, 0, true);
  EXPECT_EQ(m.rowPtr(0)[1], 0x40);
  EXPECT_TRUE(m.isWhite(9, 0));
  m.invert(9, 0);
  EXPECT_FALSE(m.isWhite(9, 0));
  m.setPixel(16, 0, true);  // outside: nothing
  m.invert(-1, 0);
  EXPECT_FALSE(m.isWhite(16, 0));
  EXPECT_EQ(m.rowPtr(0)[1], 0);
}

TEST_F(Mono, StreamHasColourTableAndRoundTrips) {
  TbitmapMono m;
  m.setSize(16, 2);
  m.fillBlack();
  m.setPixel(3, 0, true);
  m.setPixel(15, 1, true);
  std::vector<uint8_t> mem;
  ASSERT_TRUE(m.saveToMem(mem));
  ASSERT_EQ(mem.size(), 70u);
  EXPECT_EQ(mem[10], 62);
  EXPECT_EQ(std::vector<uint8_t>(mem.begin() + 54, mem.begin() + 62),
            (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}));
  TbitmapMono n;
  ASSERT_TRUE(n.LoadFromMem(mem)) << n.loadError();
  EXPECT_EQ(n.width(), 16);
  EXPECT_TRUE(n.isWhite(3, 0));
  EXPECT_TRUE(n.isWhite(15, 1));
  EXPECT_FALSE(n.isWhite(3, 1));
  ASSERT_TRUE(m.savetofile(testenv::tempDir() + "m.bmp"));
  TbitmapMono f;
  ASSERT_TRUE(f.loadFromfile(testenv::tempDir() + "m.bmp"));
  EXPECT_TRUE(f.isWhite(15, 1));
}

TEST_F(Mono, PaletteWithWhiteFirstKeepsSetBitsWhite) {
  testbmp::Spec s;
  s.bits = 1;
  s.width = 8;
  s.height = 1;
  auto bytes = testbmp::make(s);  // pixel byte 0x00 with palette black, white: all black
  for (int i = 0; i < 3; ++i) {   // swap the entries: now every pixel is white
    bytes[54 + i] = 0xFF;
    bytes[58 + i] = 0;
  }
  TbitmapMono m;
  ASSERT_TRUE(m.LoadFromMem(bytes));
  EXPECT_TRUE(m.isWhite(0, 0));
  EXPECT_TRUE(m.isWhite(7, 0));
}

TEST_F(Mono, HostileOneBitFilesAreRefused) {
  using testbmp::Spec;
  auto make = [](auto change) {
    Spec s;
    s.bits = 1;
    s.width = 16;
    change(s);
    return testbmp::make(s);
  };
  auto cut = make([](Spec&) {});
  cut.resize(cut.size() - 6);
  auto hugeDims = make([](Spec&) {});
  testbmp::put32(hugeDims, 18, 2000000000);
  struct Case { const char* id; std::vector<uint8_t> bytes; } cases[] = {
      {"24 bits", make([](Spec& s) { s.bits = 24; })},
      {"truncated", cut},
      {"huge dimensions", hugeDims},
      {"palette too long", make([](Spec& s) { s.clrUsed = 3; })},
      {"offset inside palette", make([](Spec& s) { s.pixelOffset = 58; })},
      {"empty", {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    TbitmapMono m;
    m.setSize(8, 8);
    m.fillWhite();
    EXPECT_FALSE(m.LoadFromMem(c.bytes));
    EXPECT_EQ(m.width(), 8);
    EXPECT_TRUE(m.isWhite(7, 7));
  }
}

TEST_F(Mono, RawBitmapHeadersByDepth) {
  TrawBitmap r;
  ASSERT_TRUE(r.init(3, 2, 8));
  EXPECT_EQ(r.rowLength(), 4);
  EXPECT_EQ(r.colours().size(), 256u);
  EXPECT_EQ(r.fileHeader().fileSize, 1086u);
  EXPECT_EQ(r.fileHeader().pixelOffset, 1078u);
  EXPECT_FALSE(r.init(3, 2, 16));
  EXPECT_EQ(r.width(), 0);
  TrawBitmap one;
  one.init(10, 2, 1);
  uint8_t cr = 9, cg = 9, cb = 9;
  one.getcolour24(0, 0, cr, cg, cb);
  EXPECT_EQ(cr + cg + cb, 27);
  one.setMono(9, 0, true);
  EXPECT_TRUE(one.getMono(9, 0));
  EXPECT_EQ(one.rowPt(0)[1], 0x40);
}

TEST_F(Mono, RawBitmapShallowWritesStayInsideTheirRow) {
  TrawBitmap r;
  r.init(4, 1, 8);  // a row of exactly 4 bytes: three bytes per pixel would run past it
  r.setcolour24(3, 0, 200, 200, 200);
  uint8_t cr = 0, cg = 0, cb = 0;
  r.getcolour24(3, 0, cr, cg, cb);
  EXPECT_EQ(cr, 200);
  EXPECT_EQ(r.rowPt(0)[3], 200);
  r.setcolour24(4, 0, 1, 1, 1);  // outside: nothing
  TrawBitmap one;
  one.init(8, 1, 1);
  one.setcolour24(2, 0, 250, 250, 250);
  EXPECT_TRUE(one.getMono(2, 0));
}

TEST_F(Mono, RawBitmapFilesRoundTripAtEveryDepth) {
  for (int depth : {1, 8, 24}) {
    SCOPED_TRACE(depth);
    TrawBitmap a;
    a.init(5, 3, depth);
    a.setcolour24(1, 0, 255, 255, 255);
    a.setcolour24(4, 2, 128, 128, 128);
    const std::string name = testenv::tempDir() + "raw" + std::to_string(depth) + ".bmp";
    ASSERT_TRUE(a.saveToFile(name));
    TrawBitmap b;
    ASSERT_TRUE(b.loadfromfile(name));
    EXPECT_EQ(b.depth(), depth);
    EXPECT_EQ(b.width(), 5);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 5; ++col) {
        uint8_t r1 = 0, g1 = 0, b1 = 0, r2 = 0, g2 = 0, b2 = 0;  // one bit leaves them as they are
        a.getcolour24(col, row, r1, g1, b1);
        b.getcolour24(col, row, r2, g2, b2);
        EXPECT_EQ(r1, r2);
        EXPECT_EQ(g1 + b1, g2 + b2);
        EXPECT_EQ(b.getMono(col, row), a.getMono(col, row));
      }
  }
  TrawBitmap bad;
  bad.init(2, 2, 24);
  EXPECT_FALSE(bad.loadfromfile(testenv::tempDir() + "missing.bmp"));
  EXPECT_EQ(bad.width(), 2);
}

// Rows of nearly 2 GB pass the file checks of a sparse file that long, but not the buffer: the
// load stops at the refusal with nothing read, and the buffer keeps what it held.
TEST_F(Mono, RawBitmapStopsWhereTheBufferRefusesTheSize) {
  testbmp::Spec spec;
  spec.width = 1;
  spec.height = 1;
  std::vector<uint8_t> head = testbmp::make(spec);
  head.resize(54);
  const uint32_t rows = 536870911;  // rows of 4 bytes: 2147483644 bytes, just under 2^31
  testbmp::put32(head, 22, rows);
  const std::string name = testenv::writeFile("huge.bmp", std::string(head.begin(), head.end()));
  ASSERT_EQ(truncate(name.c_str(), 54 + int64_t(rows) * 4), 0);
  TrawBitmap r;
  ASSERT_TRUE(r.init(3, 2, 8));
  r.setcolour24(0, 0, 255, 255, 255);
  EXPECT_FALSE(r.loadfromfile(name));
  EXPECT_EQ(r.width(), 3);
  EXPECT_EQ(r.depth(), 8);
  uint8_t red = 0, green = 0, blue = 0;
  r.getcolour24(0, 0, red, green, blue);
  EXPECT_EQ(red, 255);
}

TEST_F(Mono, RawBitmapLoadsAContainerFrameAndBlends) {
  TrawBitmap24 src;
  src.setsize(3, 2);
  src.fillAll(Tbgr{0, 0, 200});
  src.savetofile(testenv::tempDir() + "c.bmp");
  TStringList files;
  files.add(testenv::tempDir() + "c.bmp");
  ASSERT_TRUE(TbitmapBin::MakeFromFiles(testenv::tempDir() + "c.bin", 3, 2, 24, files));
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(testenv::tempDir() + "c.bin"));
  TrawBitmap a, b;
  ASSERT_TRUE(a.loadFromBin(bin, 0));
  EXPECT_FALSE(b.loadFromBin(bin, 1));  // beyond the count: refused before the buffer changes
  EXPECT_EQ(b.width(), 0);
  ASSERT_TRUE(b.init(3, 2, 24));  // black
  a.blend24(b, 50);
  uint8_t r = 0, g = 0, bl = 0;
  a.getcolour24(2, 1, r, g, bl);
  EXPECT_EQ(r, 100);
}

// A 24-byte container whose header names 2.1 GB frames and holds none: the frame is refused
// before any buffer is sized (it once zero-filled 2.1 GB first).
TEST_F(Mono, ContainerFrameIsCheckedAgainstTheFileBeforeTheBuffer) {
  const int32_t w = 23860, h = 30000, rowL = int32_t(bmpRowLength(w, 24));
  std::string head;
  for (int32_t v : {w, h, 24, rowL, rowL * h, 0})
    for (int i = 0; i < 4; ++i) head += char(uint32_t(v) >> (8 * i));
  ASSERT_EQ(head.size(), 24u);
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(testenv::writeFile("huge.bin", head)));
  ASSERT_EQ(bin.count(), 0);
  for (int index : {0, 1, -1}) {
    SCOPED_TRACE(index);
    TrawBitmap raw;
    EXPECT_FALSE(raw.loadFromBin(bin, index));
    EXPECT_EQ(raw.width(), 0);
    EXPECT_EQ(raw.getBitmap(), nullptr);
  }
  TbitmapBin closed;
  TrawBitmap raw;
  EXPECT_FALSE(raw.loadFromBin(closed, 0));
}

// Every prefix of good one-bit and palette files either loads whole or is refused; the sanitizer
// build checks that no prefix is read past its end.
TEST_F(Mono, TruncatedFilesAreRefusedAtEveryLength) {
  testbmp::Spec one;
  one.bits = 1;
  one.width = 20;
  one.height = -3;
  const auto mono = testbmp::make(one);
  for (size_t n = 0; n < mono.size(); ++n) {
    TbitmapMono m;
    EXPECT_EQ(m.LoadFromMem(std::vector<uint8_t>(mono.begin(), mono.begin() + long(n))), n >= mono.size() - 1) << n;
  }
  testbmp::Spec eight;
  eight.bits = 8;
  eight.width = 3;
  eight.clrUsed = 16;
  eight.paletteEntries = 16;
  const auto pal = testbmp::make(eight);
  const std::string name = testenv::tempDir() + "cut8.bmp";
  for (size_t n = 0; n + 1 < pal.size(); n += 5) {  // the last byte is padding: see above
    testenv::writeFile("cut8.bmp", std::string(pal.begin(), pal.begin() + long(n)));
    TrawBitmap r;
    EXPECT_FALSE(r.loadfromfile(name)) << n;
  }
  testenv::writeFile("cut8.bmp", std::string(pal.begin(), pal.end()));
  TrawBitmap r;
  ASSERT_TRUE(r.loadfromfile(name));
  EXPECT_EQ(r.colours()[15], 0x0F0F0Fu);  // the file's own entries; the rest of 256 are black
  EXPECT_EQ(r.colours()[16], 0u);
  uint8_t cr = 0, cg = 0, cb = 0;
  r.getcolour24(0, 1, cr, cg, cb);  // bottom row, first byte of the block: index 0
  EXPECT_EQ(cr, 0);
}
