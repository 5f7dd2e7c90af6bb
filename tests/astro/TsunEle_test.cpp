// TsunEle: the elevation figure and its byte, the byte map's landmarks, the roll and the blend.
#include <gtest/gtest.h>

#include "astro/r_sunLite.h"
#include "core/r_ColourBase.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

TEST(TsunEle, ShadeMeetsAtTheTwilightEdgesAndRoundsHalvesToEven) {
  struct Case {
    const char* id;
    double e;
    int byte;
  } cases[] = {
      {"antisolar", 0, 0},        {"night edge", 86, 55},  {"just into twilight", 86.0001, 55},
      {"terminator 127.5", 90, 128}, {"day edge", 94, 200}, {"just into day", 94.0001, 200},
      {"beneath the sun", 180, 255}, {"night middle", 43, 28},  // 27.5 → 28 (even)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TsunEle::shade(c.e), c.byte);
  }
}

TEST(TsunEle, ByteMapLandmarksWithTheSunOnTheEquator) {
  TsunEle se;
  se.setSunLat(0);
  EXPECT_NEAR(se.elevation(0, 0), 180, 1e-9);
  EXPECT_NEAR(se.elevation(0, 180), 0, 1e-6);
  EXPECT_NEAR(se.elevation(45, 90), 90, 1e-9);
  se.eleMap(64);
  ASSERT_EQ(se.buf.size(), 64u * 32);
  EXPECT_EQ(se.noonX, 32);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(se.buf[x], 128) << "north pole row, column " << x;
  EXPECT_EQ(se.buf[16 * 64 + 32], 255);  // sub-solar point
  EXPECT_EQ(se.buf[16 * 64 + 0], 0);     // antisolar point
  // The same arithmetic as elevation() for any pixel.
  EXPECT_EQ(se.buf[5 * 64 + 41], TsunEle::shade(se.elevation(90 - 5.0 / 32 * 180, 41.0 / 64 * 360 - 180)));
}

TEST(TsunEle, BlendRollsByTheSunsLongitudeAndFadesNightAtMost85Percent) {
  TsunEle se;
  se.setSunLat(0);
  se.eleMap(8);
  TrawBitmap24 day, night, target;
  day.setsize(8, 4);
  night.setsize(8, 4);
  target.setsize(8, 4);
  day.fillAll(Tbgr{20, 200, 100});
  night.fillAll(Tbgr{90, 10, 0});

  se.setSunLong(0);
  EXPECT_EQ(se.xoffset, 0);
  se.applyMap(target, day, night);
  Tbgr c;
  target.getPixel(4, 2, c);  // byte 255: the day image as it is
  EXPECT_EQ(c, (Tbgr{20, 200, 100}));
  target.getPixel(0, 2, c);  // byte 0: 85 % of the way to the night image
  Tbgr expect;
  FadeColour(Tbgr{20, 200, 100}, Tbgr{90, 10, 0}, 85, expect);
  EXPECT_EQ(c, expect);

  se.setSunLong(-90);  // a quarter turn west: x′ = x + 2 wraps past the right edge
  EXPECT_EQ(se.xoffset, -2);
  se.applyMap(target, day, night);
  target.getPixel(2, 2, c);
  EXPECT_EQ(c, (Tbgr{20, 200, 100}));
  target.getPixel(6, 2, c);  // reads column 0 of the byte map
  EXPECT_EQ(c, expect);
}

TEST(TsunEle, BlendLeavesTheTargetAloneWhenTheByteMapIsTooSmall) {
  TsunEle se;
  se.setSunLat(0);
  se.eleMap(4);
  TrawBitmap24 day, night, target;
  target.setsize(8, 4);
  target.fillAll(Tbgr{1, 2, 3});
  se.applyMap(target, day, night);
  Tbgr c;
  target.getPixel(7, 3, c);
  EXPECT_EQ(c, (Tbgr{1, 2, 3}));
}

// ---- every build of the hot loops, every number of bands -------------------------------------------

namespace {
using Tpath = TsunEle::Tpath;

struct Trun {
  Tpath path;
  int threads;
  std::string id() const {
    const char* p = path == Tpath::Baseline ? "baseline" : path == Tpath::Avx2 ? "avx2" : "avx512";
    return std::string(p) + " × " + std::to_string(threads) + " bands";
  }
};
// The paths this processor runs, each on one band, three bands and one per core.
std::vector<Trun> runs() {
  std::vector<Trun> out;
  for (Tpath p : {Tpath::Baseline, Tpath::Avx2, Tpath::Avx512}) {
    if (!TsunEle::pathSupported(p)) {
      std::cout << "[ skipped  ] this processor has no " << (p == Tpath::Avx2 ? "AVX2" : "AVX-512") << "\n";
      continue;
    }
    for (int threads : {1, 3, 0}) out.push_back({p, threads});
  }
  return out;
}

// round-half-even((day × 300 + (night − day) × weight) / 300) in integers: an arithmetic of its
// own beside the blend's float trick.
uint8_t fadeReference(int day, int night, int weight) {
  const int n = day * 300 + (night - day) * weight;
  int q = n / 300;
  const int r = n % 300;
  if (r > 150 || (r == 150 && q % 2 == 1)) ++q;
  return static_cast<uint8_t>(q);
}
}  // namespace

TEST(TsunEle, ElevationMapIsTheSameOnEveryPathAndBandCount) {
  // An odd width puts no column on the sun's meridian; a tiny map has fewer rows than bands.
  for (int width : {1921, 6}) {
    for (double lat : {0.0, 23.44, -17.3}) {
      TsunEle reference;
      reference.setSunLat(lat);
      const int h = width / 2;
      std::vector<uint8_t> expect(static_cast<size_t>(width) * h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < width; ++x)
          expect[static_cast<size_t>(y) * width + x] =
              TsunEle::shade(reference.elevation(90 - static_cast<double>(y) / h * 180,
                                                 static_cast<double>(x) / width * 360 - 180));
      for (const Trun& r : runs()) {
        SCOPED_TRACE(std::to_string(width) + " px, sun at " + std::to_string(lat) + ", " + r.id());
        TsunEle se;
        se.path = r.path;
        se.threads = r.threads;
        se.setSunLat(lat);
        se.eleMap(width);
        ASSERT_EQ(se.buf.size(), expect.size());
        size_t differ = 0;
        for (size_t i = 0; i < expect.size(); ++i) differ += se.buf[i] != expect[i];
        EXPECT_EQ(differ, 0u);
      }
    }
  }
}

TEST(TsunEle, BlendIsTheSameOnEveryPathAndBandCount) {
  constexpr int kW = 1921, kH = 960;
  TrawBitmap24 day, night;
  day.setsize(kW, kH);
  night.setsize(kW, kH);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t a = next(), b = next();
      day.setPixel(x, y, Tbgr{uint8_t(a), uint8_t(a >> 8), uint8_t(a >> 16)});
      night.setPixel(x, y, Tbgr{uint8_t(b), uint8_t(b >> 8), uint8_t(b >> 16)});
    }
  TsunEle bytes;
  bytes.setSunLat(10);
  bytes.eleMap(kW);
  // Every byte value, full day and full night among them, in every column.
  for (size_t i = 0; i < bytes.buf.size(); i += 7) bytes.buf[i] = uint8_t(next() >> 24);
  for (int sunLong : {0, 97, -180, 179}) {
    bytes.setSunLong(sunLong);
    int shift = bytes.xoffset % kW;
    if (shift < 0) shift += kW;
    TrawBitmap24 expect;
    expect.setsize(kW, kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int v = bytes.buf[static_cast<size_t>(y) * kW + (x - shift + kW) % kW];
        Tbgr d, n;
        day.getPixel(x, y, d);
        night.getPixel(x, y, n);
        expect.setPixel(x, y, Tbgr{fadeReference(d.blue, n.blue, 255 - v), fadeReference(d.green, n.green, 255 - v),
                                   fadeReference(d.red, n.red, 255 - v)});
      }
    for (const Trun& r : runs()) {
      SCOPED_TRACE("sun at " + std::to_string(sunLong) + ", " + r.id());
      TsunEle se = bytes;
      se.path = r.path;
      se.threads = r.threads;
      TrawBitmap24 target;
      target.setsize(kW, kH);
      se.applyMap(target, day, night);
      EXPECT_EQ(std::memcmp(target.imageData(), expect.imageData(), static_cast<size_t>(expect.imageSize())), 0);
    }
  }
}
