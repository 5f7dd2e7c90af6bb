// GeoPackage geometry blobs made by hand: every envelope code, both byte orders (also mixed
// within one geometry), Z, M and ZM ordinates, the empty flag, and blobs whose counts or headers
// lie, cut at every length and flipped at random.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "drawing/r_GeoPackage.h"
#include "platform/TMemoryStream.h"

namespace {

// Well-known binary, written in either byte order.
class Wkb {
 public:
  explicit Wkb(bool big = false) : big_(big) {}
  Wkb& order() {
    bytes += char(big_ ? 0 : 1);
    return *this;
  }
  Wkb& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes += char(big_ ? v >> (24 - 8 * i) : v >> (8 * i));
    return *this;
  }
  Wkb& f64(double d) {
    uint8_t b[8];
    std::memcpy(b, &d, 8);
    for (int i = 0; i < 8; ++i) bytes += char(b[big_ ? 7 - i : i]);
    return *this;
  }
  Wkb& head(uint32_t type) { return order().u32(type); }
  Wkb& points(const Txyvalues& pts, int extra = 0) {
    u32(uint32_t(pts.size()));
    for (const xyrec& p : pts) {
      f64(p.x).f64(p.y);
      for (int k = 0; k < extra; ++k) f64(99);
    }
    return *this;
  }
  Wkb& polygon(const TpolyXyValues& rings, uint32_t type = 3) {
    head(type).u32(uint32_t(rings.size()));
    for (const Txyvalues& r : rings) points(r);
    return *this;
  }
  std::string bytes;

 private:
  bool big_;
};

// The GeoPackage header and envelope before the geometry.
std::string blob(const std::string& wkb, unsigned envelopeCode = 1, bool littleHeader = true, bool empty = false) {
  std::string b = "GP";
  b += char(0);
  b += char((littleHeader ? 1 : 0) | envelopeCode << 1 | (empty ? 0x10 : 0));
  Wkb h(!littleHeader);
  h.u32(4326);
  static const int doubles[] = {0, 4, 6, 6, 8, 0, 0, 0};
  static const double values[] = {-1, 11, -1, 11, 0, 0, 0, 0};  // x from -1 to 11, y the same, z, m
  for (int i = 0; i < doubles[envelopeCode & 7]; ++i) h.f64(values[i]);
  return b + h.bytes + wkb;
}

Txyvalues square(double x, double y, double s) { return {{x, y}, {x, y + s}, {x + s, y + s}, {x + s, y}, {x, y}}; }

TblobResult decode(const std::string& b, TgpkgGeometry& g) {
  std::string why;
  return decodeBlob(reinterpret_cast<const uint8_t*>(b.data()), b.size(), g, why);
}

TEST(GpkgBlob, EveryEnvelopeCodeAndByteOrder) {
  const TpolyXyValues holed = {square(0, 0, 10), square(2, 2, 3)};
  for (unsigned code = 0; code < 8; ++code)
    for (bool bigWkb : {false, true})
      for (bool littleHeader : {true, false}) {
        SCOPED_TRACE("code " + std::to_string(code) + (bigWkb ? " big-endian" : "") + (littleHeader ? "" : " big header"));
        TgpkgGeometry g;
        const TblobResult r = decode(blob(Wkb(bigWkb).polygon(holed).bytes, code, littleHeader), g);
        if (code > 4) {
          EXPECT_EQ(r, TblobResult::Refused);
          continue;
        }
        ASSERT_EQ(r, TblobResult::Geometry);
        EXPECT_EQ(g.rawType, 6);
        ASSERT_EQ(g.members.size(), 1u);
        EXPECT_EQ(g.members[0], holed);
        EXPECT_TRUE(g.hasEnvelope);
        EXPECT_EQ(g.envelope.right, code == 0 ? 10 : 11);  // the points', or the header's
      }
}

// Single and multi geometries with their dimension codes; members may use another byte order.
TEST(GpkgBlob, GeometryKindsAndDimensions) {
  const Txyvalues line = {{0, 0}, {1, 2}, {3, 1}};
  struct Case {
    const char* id;
    std::string wkb;
    int32_t rawType;
    TpolyPolyXYvalues members;
  };
  Wkb mixed;
  mixed.head(6).u32(2);
  mixed.bytes += Wkb(true).polygon({square(0, 0, 1)}).bytes;
  mixed.polygon({square(5, 5, 2)});
  Wkb multiline(true);
  multiline.head(1005).u32(2).head(1002).points(line, 1).head(1002).points({{7, 7}, {8, 8}}, 1);
  const Case cases[] = {
      {"point", Wkb().head(1).f64(1.5).f64(-2).bytes, 1, {{{{1.5, -2}}}}},
      {"point Z", Wkb().head(1001).f64(1).f64(2).f64(3).bytes, 1, {{{{1, 2}}}}},
      {"point M", Wkb(true).head(2001).f64(1).f64(2).f64(3).bytes, 1, {{{{1, 2}}}}},
      {"point ZM", Wkb().head(3001).f64(1).f64(2).f64(3).f64(4).bytes, 1, {{{{1, 2}}}}},
      {"point Z by the high bit", Wkb().head(0x80000001u).f64(1).f64(2).f64(3).bytes, 1, {{{{1, 2}}}}},
      {"line M", Wkb().head(2002).points(line, 1).bytes, 2, {{line}}},
      {"line ZM", Wkb(true).head(3002).points(line, 2).bytes, 2, {{line}}},
      {"multipoint", Wkb().head(4).u32(2).head(1).f64(1).f64(1).head(1).f64(2).f64(2).bytes, 10,
       {{{{1, 1}}}, {{{2, 2}}}}},
      {"multilinestring Z, big-endian", multiline.bytes, 11, {{line}, {{{7, 7}, {8, 8}}}}},
      {"multipolygon of mixed byte orders", mixed.bytes, 12, {{square(0, 0, 1)}, {square(5, 5, 2)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TgpkgGeometry g;
    ASSERT_EQ(decode(blob(c.wkb, 0), g), TblobResult::Geometry);
    EXPECT_EQ(g.rawType, c.rawType);
    EXPECT_EQ(g.members, c.members);
  }
}

// The ring filter and the results the layer reader relies on.
TEST(GpkgBlob, RingsThatCannotCloseAreDropped) {
  TMemoryStream mem;
  auto load = [&](const std::string& b) {
    mem.clear();
    mem.write(b.data(), int64_t(b.size()));
  };
  TpolyXyValues xy = {{{9, 9}}};
  load(blob(Wkb().polygon({square(0, 0, 4), {{1, 1}, {2, 1}, {1, 1}}}).bytes));
  ASSERT_TRUE(decodeGeom(6, xy, mem));
  EXPECT_EQ(xy.size(), 1u);  // the 3-point ring went

  xy = {{{9, 9}}};
  load(blob(Wkb().polygon({{{1, 1}, {2, 1}, {1, 1}}}).bytes));
  EXPECT_FALSE(decodeGeom(6, xy, mem));
  EXPECT_EQ(xy, (TpolyXyValues{{{9, 9}}}));  // untouched

  load(blob(Wkb().head(2).points({}).bytes));
  EXPECT_FALSE(decodeGeom(2, xy, mem));
  EXPECT_EQ(xy, (TpolyXyValues{{{9, 9}}}));

  TpolyPolyXYvalues list;
  load(blob(Wkb().head(6).u32(2).polygon({square(0, 0, 1), square(0.2, 0.2, 0.5)}).polygon({square(3, 3, 1)}).bytes));
  ASSERT_TRUE(decodeMultiGeom(12, list, mem));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].size(), 2u);

  load(blob(Wkb().polygon({square(0, 0, 1)}).bytes));  // a POLYGON in a MULTIPOLYGON layer
  ASSERT_TRUE(decodeMultiGeom(12, list, mem));
  EXPECT_EQ(list.size(), 1u);
  load(blob(Wkb().head(6).u32(2).polygon({square(0, 0, 1)}).polygon({square(3, 3, 1)}).bytes));
  ASSERT_TRUE(decodeGeom(6, xy, mem));  // and the reverse: the first member
  EXPECT_EQ(xy, (TpolyXyValues{square(0, 0, 1)}));
}

TEST(GpkgBlob, EmptyAndRefusedBlobs) {
  const std::string point = Wkb().head(1).f64(1).f64(2).bytes;
  struct Case {
    const char* id;
    std::string blob;
    TblobResult result;
  } cases[] = {
      {"empty flag", blob(point, 0, true, true), TblobResult::Empty},
      {"NaN point", blob(Wkb().head(1).f64(std::nan("")).f64(std::nan("")).bytes, 0), TblobResult::Empty},
      {"polygon of no rings", blob(Wkb().head(3).u32(0).bytes), TblobResult::Empty},
      {"extended type", [&] { std::string b = blob(point, 0); b[3] |= 0x20; return b; }(), TblobResult::Refused},
      {"wrong magic", "GQ" + blob(point, 0).substr(2), TblobResult::Refused},
      {"version 1", [&] { std::string b = blob(point, 0); b[2] = 1; return b; }(), TblobResult::Refused},
      {"header alone", blob("", 0), TblobResult::Refused},
      {"shorter than its envelope", blob(point, 4).substr(0, 30), TblobResult::Refused},
      {"no byte order", blob(Wkb().u32(1).bytes, 0), TblobResult::Refused},
      {"collection", blob(Wkb().head(7).u32(0).bytes, 0), TblobResult::Refused},
      {"curve", blob(Wkb().head(8).u32(0).bytes, 0), TblobResult::Refused},
      {"embedded srid", blob(Wkb().head(0x20000001u).u32(4326).f64(1).f64(2).bytes, 0), TblobResult::Refused},
      {"point count near 2^32", blob(Wkb().head(2).u32(0xFFFFFFFFu).f64(1).f64(1).bytes), TblobResult::Refused},
      {"ring count near 2^32", blob(Wkb().head(3).u32(0xFFFFFFF0u).bytes), TblobResult::Refused},
      {"member count near 2^32", blob(Wkb().head(6).u32(0x7FFFFFFFu).bytes), TblobResult::Refused},
      {"member of another kind", blob(Wkb().head(6).u32(1).head(2).points({{0, 0}, {1, 1}}).bytes),
       TblobResult::Refused},
      {"line shorter than its count", blob(Wkb().head(2).u32(3).f64(0).f64(0).f64(1).f64(1).bytes),
       TblobResult::Refused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TgpkgGeometry g;
    EXPECT_EQ(decode(c.blob, g), c.result);
    EXPECT_TRUE(c.result == TblobResult::Geometry || g.members.empty());
  }
}

// A blob cut anywhere is refused whole, never half read; random flips never crash.
TEST(GpkgBlob, CutAndFlippedBlobs) {
  const std::string good = blob(Wkb().head(6).u32(2).polygon({square(0, 0, 4), square(1, 1, 1)}).polygon({square(9, 9, 1)}).bytes, 2);
  for (size_t n = 0; n < good.size(); ++n) {
    TgpkgGeometry g;
    ASSERT_EQ(decode(good.substr(0, n), g), TblobResult::Refused) << n;
    EXPECT_TRUE(g.members.empty());
  }
  std::mt19937 rnd(99);
  for (int round = 0; round < 2000; ++round) {
    std::string bad = good;
    for (int k = 0; k < 3; ++k) bad[rnd() % bad.size()] ^= char(1 + rnd() % 255);
    TgpkgGeometry g;
    decode(bad, g);
  }
}

}  // namespace
