// TbitmapBin: the container's layout, frame reads, single-pixel reads, the writer, and hostile
// headers that must never read out of bounds or leave memory unset.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "tests/support/testenv.h"

namespace {
struct Bin : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }
};

void put32(std::string& s, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(uint32_t(v) >> (8 * i));
}

// A container with `frames` frames; byte k of frame f is (f * 50 + k) & 0xFF.
std::string containerBytes(int32_t w, int32_t h, int frames) {
  const int32_t rowL = ((w * 3 + 3) / 4) * 4, size = rowL * h;
  std::string s(size_t(24 + size * frames), '\0');
  int32_t head[6] = {w, h, 24, rowL, size, frames};
  for (int i = 0; i < 6; ++i) put32(s, size_t(4 * i), head[i]);
  for (int f = 0; f < frames; ++f)
    for (int k = 0; k < size; ++k) s[size_t(24 + f * size + k)] = char((f * 50 + k) & 0xFF);
  return s;
}

Tbgr px(TrawBitmap24& b, int col, int row) {
  Tbgr c;
  b.getPixel(col, row, c);
  return c;
}
}  // namespace

TEST_F(Bin, WriterAndReaderAgreeOnLayout) {
  const std::string dir = testenv::tempDir();
  TStringList files;
  for (int i = 0; i < 3; ++i) {
    TrawBitmap24 b;
    b.setsize(5, 2);
    b.fillAll(Tbgr{uint8_t(i), uint8_t(10 + i), uint8_t(20 + i)});
    b.setPixel(0, 1, Tbgr{uint8_t(100 + i), 0, 0});  // bottom-left
    const std::string name = dir + "f" + std::to_string(i) + ".bmp";
    ASSERT_TRUE(b.savetofile(name));
    files.add(name);
  }
  ASSERT_TRUE(TbitmapBin::MakeFromFiles(dir + "5.bin", 5, 2, 24, files));
  EXPECT_EQ(std::filesystem::file_size(dir + "5.bin"), 120u);
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(dir + "5.bin")) << bin.error();
  EXPECT_EQ(bin.rowLength(), 16);
  EXPECT_EQ(bin.frameSize(), 32);
  EXPECT_EQ(bin.count(), 3);
  EXPECT_EQ(bin.headersize(), 24);
  uint8_t r = 1, g = 2, b = 3;
  bin.getcolour24(1, 0, 0, r, g, b);  // frame 1 starts at byte 56: its bottom-left pixel
  EXPECT_EQ(b, 101);
  bin.getcolour24(2, 4, 1, r, g, b);
  EXPECT_EQ(r, 22);
  r = g = b = 7;
  for (auto [i, c, rw] : {std::tuple{3, 0, 0}, {-1, 0, 0}, {0, 5, 0}, {0, 0, 2}, {0, -1, 0}}) {
    bin.getcolour24(i, c, rw, r, g, b);
    EXPECT_EQ(r + g + b, 21) << i << " " << c << " " << rw;
  }
  TrawBitmap24 rb;
  ASSERT_TRUE(bin.extract(rb, 2));
  EXPECT_EQ(px(rb, 0, 1), (Tbgr{102, 0, 0}));
  EXPECT_EQ(px(rb, 3, 0), (Tbgr{2, 12, 22}));
}

TEST_F(Bin, WriterFramesEqualTheFilesRows) {
  const std::string dir = testenv::tempDir();
  TStringList files;
  for (int i = 0; i < 2; ++i) {
    TrawBitmap24 b;
    b.setsize(3, 2);
    for (int k = 0; k < 6; ++k) b.setPixel(k % 3, k / 3, uint8_t(k * 7 + i), uint8_t(k), uint8_t(i));
    b.savetofile(dir + "s" + std::to_string(i) + ".bmp");
    files.add(dir + "s" + std::to_string(i) + ".bmp");
  }
  ASSERT_TRUE(TbitmapBin::MakeFromFiles(dir + "3.bin", 3, 2, 24, files));
  const std::string bin = testenv::readFile(dir + "3.bin");
  ASSERT_EQ(bin.size(), 72u);
  for (int i = 0; i < 2; ++i) {
    const std::string bmp = testenv::readFile(dir + "s" + std::to_string(i) + ".bmp");
    EXPECT_EQ(bin.substr(size_t(24 + 24 * i), 24), bmp.substr(54, 24));
  }
  // A missing or wrong-sized source gives a black frame and a false result.
  files.add(dir + "missing.bmp");
  EXPECT_FALSE(TbitmapBin::MakeFromFiles(dir + "3b.bin", 3, 2, 24, files));
  EXPECT_EQ(testenv::readFile(dir + "3b.bin").substr(72), std::string(24, '\0'));
  EXPECT_FALSE(TbitmapBin::MakeFromFiles(dir + "3c.bin", 3, 2, 8, files));
}

TEST_F(Bin, ExtractFiresSizeEventsOnlyWhenTheSizeChanges) {
  const std::string name = testenv::writeFile("ev.bin", containerBytes(4, 3, 2));
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(name));
  TrawBitmap24 rb;
  int fired = 0;
  rb.onChangeSize = [&](TrawBitmap24*) { ++fired; };
  rb.setsize(7, 7);
  fired = 0;
  ASSERT_TRUE(bin.extract(rb, 0));
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(rb.width(), 4);
  EXPECT_EQ(rb.height(), 3);
  ASSERT_TRUE(bin.extract(rb, 1));
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(rb.imageData()[0], 50);  // frame 1, byte 0
}

TEST_F(Bin, HostileHeadersAreRefused) {
  const std::string good = containerBytes(5, 2, 3);
  auto with = [&](size_t at, int32_t v) {
    std::string s = good;
    put32(s, at, v);
    return s;
  };
  struct Case { const char* id; std::string bytes; } cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 20)},
      {"width 0", with(0, 0)},
      {"width negative", with(0, -5)},
      {"height 0", with(4, 0)},
      {"depth 32", with(8, 32)},
      {"row length wrong", with(12, 15)},
      {"frame size wrong", with(16, 33)},
      {"frame size negative", with(16, -32)},
      {"count negative", with(20, -1)},
      {"huge dimensions", [&] {
         std::string s = with(0, 0x40000000);
         put32(s, 12, int32_t((0x40000000LL * 3) & 0x7FFFFFFF));
         return s;
       }()},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string name = testenv::writeFile(std::string("bad/") + c.id + ".bin", c.bytes);
    TbitmapBin bin;
    EXPECT_FALSE(bin.open(name));
    EXPECT_FALSE(bin.isOpen());
    EXPECT_FALSE(bin.error().empty());
    TrawBitmap24 rb;
    EXPECT_FALSE(bin.extract(rb, 0));  // a container that never opened gives an empty image
    EXPECT_EQ(rb.width(), 0);
  }
}

TEST_F(Bin, ACutFileIsRefusedAndFramesOutsideTheCountAreNeverMade) {
  std::string bytes = containerBytes(5, 2, 3);
  bytes.resize(24 + 32 * 2 + 10);  // header promises 3 frames; the third is cut short
  TbitmapBin bin;
  EXPECT_FALSE(bin.open(testenv::writeFile("cut.bin", bytes)));
  EXPECT_NE(bin.error().find("shorter than its header says"), std::string::npos) << bin.error();

  ASSERT_TRUE(bin.open(testenv::writeFile("whole.bin", containerBytes(5, 2, 2))));
  TrawBitmap24 rb;
  rb.setsize(5, 2);
  rb.fillWhite();
  for (int index : {2, 3, -1, 1000000}) {
    SCOPED_TRACE(index);
    EXPECT_FALSE(bin.extract(rb, index));
    EXPECT_FALSE(rb.hasPixels());  // refused before any pixel memory was made
    EXPECT_EQ(rb.width(), 5);
    EXPECT_EQ(bin.frameData(index), nullptr);
  }
  EXPECT_TRUE(bin.extract(rb, 1));
  ASSERT_NE(bin.frameData(1), nullptr);
  EXPECT_EQ(std::memcmp(bin.frameData(1), rb.imageData(), 32), 0);  // the mapped frame is the extracted one
  bin.releaseFrame(1);
  EXPECT_EQ(std::memcmp(bin.frameData(1), rb.imageData(), 32), 0);  // and reads back after letting go
  bin.close();
  EXPECT_EQ(bin.frameData(0), nullptr);
  EXPECT_FALSE(bin.extract(rb, 0));  // closed: the size stays, the pixels are zero
  EXPECT_EQ(rb.width(), 5);
  EXPECT_EQ(rb.imageData()[0], 0);
}

// A header of 20000 × 35000 pixels with no frames is a valid empty container: nothing of its
// 2.1 GB frame size is ever allocated.
TEST_F(Bin, AHugeHeaderWithoutFramesAllocatesNothing) {
  std::string bytes(24, '\0');
  const int32_t rowL = int32_t(bmpRowLength(20000, 24));
  put32(bytes, 0, 20000);
  put32(bytes, 4, 35000);
  put32(bytes, 8, 24);
  put32(bytes, 12, rowL);
  put32(bytes, 16, int32_t(int64_t(rowL) * 35000 > INT32_MAX ? 0 : rowL * 35000));
  put32(bytes, 20, 0);
  TbitmapBin bin;
  if (!bin.open(testenv::writeFile("huge.bin", bytes))) GTEST_SKIP() << bin.error();  // refused at once: as good
  TrawBitmap24 rb, reduced;
  EXPECT_FALSE(bin.extract(rb, 0));
  EXPECT_FALSE(rb.hasPixels());
  EXPECT_FALSE(bin.extract(reduced, 0, 100));
  EXPECT_FALSE(reduced.hasPixels());
}

TEST_F(Bin, OpeningAgainClosesTheFirstFile) {
  const std::string a = testenv::writeFile("a.bin", containerBytes(2, 2, 1));
  const std::string b = testenv::writeFile("b.bin", containerBytes(3, 1, 2));
  TbitmapBin bin;
  ASSERT_TRUE(bin.open(a));
  ASSERT_TRUE(bin.open(b));
  EXPECT_EQ(bin.width(), 3);
  EXPECT_EQ(bin.count(), 2);
  EXPECT_FALSE(bin.open(testenv::tempDir() + "none.bin"));
  EXPECT_FALSE(bin.isOpen());
}

// Every prefix of a good container, and seeded random corruption of its header: opening either
// refuses or gives frames that extract inside the file (the sanitizer build checks the reads).
TEST_F(Bin, TruncatedAndCorruptedContainersNeverReadOutOfBounds) {
  const std::string good = containerBytes(5, 2, 3);
  for (size_t n = 0; n <= good.size(); n += 3) {
    const std::string name = testenv::writeFile("prefix.bin", good.substr(0, n));
    TbitmapBin bin;
    const bool ok = bin.open(name);
    EXPECT_EQ(ok, n >= 24 && (n - 24) % 32 == 0 && (n - 24) / 32 >= 3) << n;  // a cut file is refused
    if (!ok) continue;
    EXPECT_EQ(bin.count(), 3) << n;
    TrawBitmap24 rb;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bin.extract(rb, i), i < bin.count()) << n << " " << i;
  }
  std::mt19937 rng(11);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = good;
    bytes[rng() % 24] = char(rng());
    const std::string name = testenv::writeFile("fuzz.bin", bytes);
    TbitmapBin bin;
    if (!bin.open(name)) continue;
    ASSERT_EQ(int64_t(bin.frameSize()), int64_t(bin.rowLength()) * bin.height());
    ASSERT_LE(24 + int64_t(bin.count()) * bin.frameSize(), int64_t(bytes.size()));
    TrawBitmap24 rb;
    bin.extract(rb, 0);
    uint8_t r, g, b;
    bin.getcolour24(0, bin.width() - 1, bin.height() - 1, r, g, b);
  }
}
