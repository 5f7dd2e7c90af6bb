// Pixel surfaces: row layout by depth, owned and borrowed memory, pixel access, rectangles and
// clip regions.
#include "platform/surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/gdi.h"

using namespace platform;

TEST(TSurface, RowsArePaddedToWordsPerDepth) {
  struct Case { const char* id; int width, bpp, stride; } cases[] = {
      {"1 bit, 1 wide", 1, 1, 4},   {"1 bit, 33 wide", 33, 1, 8}, {"8 bits, 3 wide", 3, 8, 4},
      {"24 bits, 1 wide", 1, 24, 4}, {"24 bits, 3 wide", 3, 24, 12}, {"24 bits, 5 wide", 5, 24, 16},
      {"32 bits, 3 wide", 3, 32, 12}, {"bad depth", 3, 16, 0},       {"negative width", -1, 24, 0},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TSurface::rowBytes(c.width, c.bpp), c.stride);
    TSurface s;
    EXPECT_EQ(s.create(c.width, 2, c.bpp), c.stride != 0);
    EXPECT_EQ(s.stride(), c.stride);
  }
}

TEST(TSurface, RowsAreStoredBottomUpInBlueGreenRedOrder) {
  TSurface s;
  ASSERT_TRUE(s.create(2, 3, 24));
  s.setPixel(1, 0, RGB(0x11, 0x22, 0x33));  // top row, second pixel
  uint8_t const* last = s.bits() + 2 * s.stride();
  EXPECT_EQ(last[3], 0x33);
  EXPECT_EQ(last[4], 0x22);
  EXPECT_EQ(last[5], 0x11);
  EXPECT_EQ(s.pixel(1, 0), RGB(0x11, 0x22, 0x33));
  EXPECT_EQ(s.pixel(2, 0), CLR_INVALID);
  EXPECT_EQ(s.pixel(0, -1), CLR_INVALID);
}

TEST(TSurface, ViewWritesIntoTheCallersRowsAndRefusesShortStrides) {
  std::vector<uint8_t> mem(8 * 2, 0);
  TSurface s;
  EXPECT_FALSE(s.bind(mem.data(), 2, 2, 24, 4));  // a row of 2 × 24 bits needs 8 bytes
  EXPECT_TRUE(s.empty());
  EXPECT_FALSE(s.bind(nullptr, 2, 2, 24));
  ASSERT_TRUE(s.bind(mem.data(), 2, 2, 24));
  EXPECT_EQ(s.memory(), TSurface::Memory::View);
  s.setPixel(0, 1, RGB(1, 2, 3));  // bottom row is stored first
  EXPECT_EQ(mem[0], 3);
  EXPECT_EQ(mem[2], 1);
  s.release();
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(mem[0], 3);  // releasing a view leaves the caller's rows alone
}

TEST(TSurface, PaletteDepthsStoreTheNearestEntry) {
  TSurface mono;
  ASSERT_TRUE(mono.create(16, 1, 1));
  mono.setPixel(9, 0, RGB(200, 200, 200));
  EXPECT_EQ(mono.bits()[1], 0x40);  // bit 6 of byte 1
  EXPECT_EQ(mono.pixel(9, 0), 0xFFFFFFu);
  mono.setPixel(9, 0, RGB(60, 60, 60));
  EXPECT_EQ(mono.bits()[1], 0);

  TSurface grey;
  ASSERT_TRUE(grey.create(1, 1, 8));
  grey.setPixel(0, 0, RGB(100, 102, 104));
  EXPECT_EQ(grey.bits()[0], 102);
  TColor pal[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  grey.setPalette(pal);
  grey.setPixel(0, 0, RGB(20, 30, 200));
  EXPECT_EQ(grey.bits()[0], 2);
  EXPECT_EQ(grey.pixel(0, 0), RGB(0, 0, 255));
}

TEST(TSurface, ThirtyTwoBitsKeepAlphaByteAsStored) {
  TSurface s;
  ASSERT_TRUE(s.create(1, 1, 32));
  s.bits()[3] = 0x80;
  s.setPixel(0, 0, RGB(1, 2, 3));
  EXPECT_EQ(s.pixel32(0, 0), 0x00010203u);  // drawing writes no alpha
  EXPECT_EQ(s.pixel(0, 0), RGB(1, 2, 3));
}

TEST(TRect, IntersectUniteNormalize) {
  TRect a{0, 0, 10, 10};
  EXPECT_EQ(a.intersected({5, 5, 20, 20}), (TRect{5, 5, 10, 10}));
  EXPECT_TRUE(a.intersected({10, 0, 20, 10}).isEmpty());  // touching right edge: nothing shared
  EXPECT_EQ(a.united({20, 20, 30, 30}), (TRect{0, 0, 30, 30}));
  EXPECT_EQ(a.united({}), a);
  EXPECT_EQ((TRect{5, 8, 1, 2}).normalized(), (TRect{1, 2, 5, 8}));
  EXPECT_FALSE(a.contains(TPoint{10, 5}));
}

TEST(TRegion, ClipOperationsKeepDisjointCoverage) {
  // Checks every pixel of a 12 × 12 field against a plain membership rule.
  struct Case {
    const char* id;
    std::function<void(TRegion&)> build;
    std::function<bool(int, int)> in;
  } cases[] = {
      {"hole", [](TRegion& r) { r.setRect({0, 0, 10, 10}); r.subtract({3, 3, 6, 6}); },
       [](int x, int y) { return x < 10 && y < 10 && !(x >= 3 && x < 6 && y >= 3 && y < 6); }},
      {"cut and intersect", [](TRegion& r) { r.setRect({0, 0, 10, 10}); r.subtract({0, 0, 5, 12}); r.intersect(TRect{2, 2, 8, 8}); },
       [](int x, int y) { return x >= 5 && x < 8 && y >= 2 && y < 8; }},
      {"overlapping union", [](TRegion& r) { r.setRect({0, 0, 6, 6}); r.unite({4, 4, 10, 10}); },
       [](int x, int y) { return (x < 6 && y < 6) || (x >= 4 && x < 10 && y >= 4 && y < 10); }},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    TRegion r;
    c.build(r);
    int area = 0;
    for (auto const& q : r.rects()) area += q.width() * q.height();
    int expected = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(r.contains({x, y}), c.in(x, y)) << x << "," << y;
        expected += c.in(x, y);
      }
    EXPECT_EQ(area, expected);  // no pixel counted twice
  }
}
