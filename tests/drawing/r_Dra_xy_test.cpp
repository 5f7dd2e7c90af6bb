// TgobText and TgobXy: texts and geometries come back exactly as given, whichever form holds them,
// and the common point of a point layer stays in the object.
#include <cmath>
#include <cstring>

#include "tests/drawing/drafixture.h"

namespace {

TEST(TgobText, KeepsEveryTextWhateverItsLength) {
  struct Case {
    const char* id;
    std::string text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"one byte", "7"},
      {"seven bytes, the most a word holds", "1234567"},
      {"eight bytes", "12345678"},
      {"long", std::string(300, 'x')},
      {"a zero byte inside", std::string("a\0b", 3)},
      {"UTF-8", "Zürich €"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TgobText t;
    t = c.text;
    EXPECT_EQ(t.view(), c.text);
    EXPECT_EQ(t.size(), c.text.size());
    EXPECT_EQ(t.empty(), c.text.empty());
    TgobText copy(t);
    EXPECT_EQ(copy, c.text);
    t = t.view();  // from its own bytes
    EXPECT_EQ(t.str(), c.text);
    TgobText moved(std::move(copy));
    EXPECT_EQ(moved, c.text);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
    moved = "other";
    EXPECT_EQ(moved, "other");
    EXPECT_EQ(t, c.text) << "copies share nothing";
  }
}

uint64_t bitsOf(double d) {
  uint64_t b;
  std::memcpy(&b, &d, 8);
  return b;
}

bool sameBits(const TpolyXyValues& a, const TpolyXyValues& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (size_t k = 0; k < a[i].size(); ++k)
      if (bitsOf(a[i][k].x) != bitsOf(b[i][k].x) || bitsOf(a[i][k].y) != bitsOf(b[i][k].y)) return false;
  }
  return true;
}

TEST(TgobXy, GivesBackEveryGeometryBitForBit) {
  const double markY = std::bit_cast<double>(TgobXy::kHeldMark);
  struct Case {
    const char* id;
    TpolyXyValues parts;
    bool inPlace;
  };
  const Case cases[] = {
      {"nothing", {}, false},
      {"one point", {{{1.5, -2.25}}}, true},
      {"a point of no number", {{{NAN, -0.0}}}, true},
      {"a point whose y has the mark's bits", {{{3, markY}}}, false},
      {"two points", {{{0, 0}, {1, 1}}}, false},
      {"two parts of a point", {{{0, 0}}, {{1, 1}}}, false},
      {"an empty part", {{}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TgobXy xy;
    xy = c.parts;
    EXPECT_EQ(xy.isInPlace(), c.inPlace);
    EXPECT_TRUE(sameBits(xy.toList(), c.parts));
    ASSERT_EQ(xy.size(), c.parts.size());
    int64_t points = 0;
    size_t k = 0;
    for (TxyPart part : xy) {
      ASSERT_EQ(part.size(), c.parts[k].size());
      for (size_t i = 0; i < part.size(); ++i) EXPECT_EQ(bitsOf(part[i].y), bitsOf(c.parts[k][i].y));
      points += static_cast<int64_t>(part.size());
      ++k;
    }
    EXPECT_EQ(xy.pointCount(), points);
    TpolyXyValues spare;
    EXPECT_TRUE(sameBits(xy.list(spare), c.parts));
    const TgobXy copy(xy);
    EXPECT_TRUE(sameBits(copy.toList(), c.parts));
    EXPECT_EQ(copy.isInPlace(), c.inPlace);
  }
}

// Side values away from their creation values need the block; back at them the point returns
// into the object. The geometry and the side values change apart.
TEST(TgobXy, SideValuesTravelWithTheGeometry) {
  TgobXy xy;
  xy = TpolyXyValues{{{4, 5}}};
  ASSERT_TRUE(xy.isInPlace());
  TgobXy::Side s;
  s.tipx = -0.0;
  xy.setSide(s);
  EXPECT_FALSE(xy.isInPlace());
  EXPECT_TRUE(std::signbit(xy.side().tipx)) << "a negative zero is a value of its own";
  xy = TpolyXyValues{{{6, 7}}};
  EXPECT_TRUE(std::signbit(xy.side().tipx)) << "new geometry keeps the side values";
  xy.setSide(TgobXy::Side{});
  EXPECT_TRUE(xy.isInPlace());
  EXPECT_EQ(xy[0][0], (xyrec{6, 7}));

  s = {};
  s.seedy = 3;
  xy.setSide(s);
  xy.clear();
  EXPECT_TRUE(xy.empty());
  EXPECT_EQ(xy.side().seedy, 3) << "clear empties the geometry only";

  xy = TpolyXyValues{{{1, 1}}};
  xy.edit()[0].push_back({2, 2});
  EXPECT_EQ(xy, (TpolyXyValues{{{1, 1}, {2, 2}}}));
}

}  // namespace
