// The fast drawing reader: files of the writer read back in order, records of other producers,
// files that are not drawings, and damaged files (cut short, bytes flipped, lengths that lie)
// that must end the reading cleanly; the sanitizer build runs the same.
#include <climits>
#include <random>

#include "drawing/r_Dra_internal.h"
#include "tests/drawing/drafixture.h"

namespace {
using drafix::box;
using drafix::DraTest;

// A record as another producer might write it: header, block of B bytes, 13-byte entries.
std::string record(uint8_t kind, int64_t length, uint16_t b, const Txyvalues& points, std::string block = "",
                   bool label = true) {
  std::string r(24, '\0');
  auto* p = reinterpret_cast<uint8_t*>(r.data());
  p[0] = 0xF0;
  p[1] = kind;
  dra::put32(p + 2, static_cast<uint32_t>(length));
  dra::put16(p + 22, b);
  block.resize(b, '\0');
  r += block;
  for (size_t i = 0; i < points.size(); ++i) {
    uint8_t e[13] = {};
    doubleToReal48(points[i].x, e);
    doubleToReal48(points[i].y, e + 6);
    e[12] = i == 0 || i + 1 == points.size() ? 0x10 : 0;
    r.append(reinterpret_cast<char*>(e), 13);
  }
  if (label) r += std::string(12, '\0') + '\x40';
  return r;
}
std::string fileHeader(int32_t x2 = 0) {
  std::string h = record(8, 24, 0, {}, "", false);
  dra::put32(reinterpret_cast<uint8_t*>(h.data()) + 14, static_cast<uint32_t>(x2));
  return h;
}
// A record whose length field tells the truth.
std::string honest(uint8_t kind, const Txyvalues& points, uint16_t b = 3) {
  std::string r = record(kind, 0, b, points);
  dra::put32(reinterpret_cast<uint8_t*>(r.data()) + 2, static_cast<uint32_t>(r.size()));
  return r;
}

struct Read {
  std::vector<int> types;
  std::vector<TpolyXyValues> parts;
};
Read readAll(TveryFastDra& r) {
  Read out;
  while (r.getnext()) {
    out.types.push_back(r.obType);
    out.parts.push_back(r.xy);
  }
  EXPECT_EQ(r.obType, -1);
  EXPECT_FALSE(r.getnext()) << "stays at the end";
  return out;
}

TEST_F(DraTest, WriterFilesReadBackInOrder) {
  TgobArray d;
  d.addPoint(1.5, -2.25);
  d.add(o_line, Txyvalues{{0, 0}, {10, 0.5}, {20, 3}});
  d.add(o_text, Txyvalues{{7, 7}});
  const TpolyXyValues rings{box(0, 0, 10, 10), drafix::reversed(box(2, 2, 4, 4))};
  d.add(o_polyGon, rings);
  const TpolyXyValues lines{{{0, 0}, {1, 1}}, {{5, 5}, {6, 5}, {7, 7}}};
  d.add(o_multiline, lines);
  d.slot(0)->fcaption = "captions and ids are stepped over";
  const std::string f = path("all.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  TveryFastDra r;
  ASSERT_TRUE(r.create(f));
  EXPECT_EQ(std::vector<double>({r.x1, r.y1, r.x2, r.y2}), std::vector<double>({0, -2.25, 20, 10}));
  ASSERT_TRUE(r.getnext());
  EXPECT_EQ(r.obType, o_point);
  EXPECT_EQ(r.xy, (TpolyXyValues{{{1.5, -2.25}}}));
  EXPECT_EQ(r.ox1, r.ox2);
  EXPECT_EQ(r.oy1, -2.25);
  Read rest = readAll(r);
  EXPECT_EQ(rest.types, (std::vector<int>{o_line, o_polyGon, o_multiline}));
  EXPECT_EQ(rest.parts[1], rings);
  EXPECT_EQ(rest.parts[2], lines);
}

TEST_F(DraTest, EmptyDrawingReadsNothing) {
  TgobArray d;
  const std::string f = path("empty.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  TveryFastDra r;
  ASSERT_TRUE(r.create(f));
  EXPECT_EQ(std::vector<double>({r.x1, r.y1, r.x2, r.y2}), std::vector<double>({0, 0, 0, 0}));
  EXPECT_FALSE(r.getnext());
}

TEST_F(DraTest, RecordsOfOtherProducers) {
  const std::string f =
      testenv::writeFile("other.dra", fileHeader(12345) + honest(ob_node, {{1, 2}}) + honest(ob_link, {{0, 0}, {3, 4}}) +
                                          honest(99, {{9, 9}}) + honest(ob_dimension, {{5, 5}, {6, 6}}) +
                                          honest(ob_text, {{8, 8}}));
  TveryFastDra r;
  ASSERT_TRUE(r.create(f));
  EXPECT_EQ(r.x2, 123.45);
  Read all = readAll(r);
  EXPECT_EQ(all.types, (std::vector<int>{o_point, o_line, o_line}));
  EXPECT_EQ(all.parts[0], (TpolyXyValues{{{1, 2}}}));
  EXPECT_EQ(all.parts[2], (TpolyXyValues{{{5, 5}, {6, 6}}}));
}

TEST_F(DraTest, LongObjectsAreReadWhole) {
  TgobArray d;
  Txyvalues many;
  for (int i = 0; i < 70000; ++i) many.push_back({double(i), double(i % 7)});
  d.add(o_line, many);
  const std::string f = path("long.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  TveryFastDra r;
  ASSERT_TRUE(r.create(f));
  ASSERT_TRUE(r.getnext());
  ASSERT_EQ(r.xy.size(), 1u);
  EXPECT_EQ(r.xy[0], many);
  EXPECT_EQ(r.ox2, 69999);
}

TEST_F(DraTest, FilesThatAreNotDrawings) {
  struct Case {
    const char* id;
    std::string bytes;
  };
  const Case cases[] = {{"empty", ""},
                        {"short", std::string("\xF0\x08\x18\x00", 4)},
                        {"a text renamed", std::string(100, 'x')},
                        {"another record first", honest(ob_point, {{1, 1}})}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TveryFastDra r;
    EXPECT_FALSE(r.create(testenv::writeFile("not.dra", c.bytes)));
    EXPECT_NE(r.err().find("not a drawing file"), std::string::npos) << r.err();
    EXPECT_FALSE(r.getnext());
  }
  TveryFastDra r;
  EXPECT_FALSE(r.create(path("missing.dra")));
  EXPECT_FALSE(r.getnext());
}

TEST_F(DraTest, LengthsThatLieEndTheReading) {
  const std::string good = honest(ob_point, {{1, 1}});
  struct Case {
    const char* id;
    std::string bad;
  };
  const Case cases[] = {
      {"length 0", record(ob_line, 0, 3, {{0, 0}, {1, 1}})},
      {"length 23", record(ob_line, 23, 3, {{0, 0}, {1, 1}})},
      {"length 2^31", record(ob_line, int64_t(1) << 31, 3, {{0, 0}, {1, 1}})},
      {"past the end", record(ob_line, 500, 3, {{0, 0}, {1, 1}})},
      {"block beyond the record", record(ob_line, 40, 60000, {}, "", false)},
      {"other kind of length 0", record(54, 0, 0, {}, std::string(40, 'x'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    TveryFastDra r;
    ASSERT_TRUE(r.create(testenv::writeFile("lies.dra", fileHeader() + good + c.bad + good)));
    EXPECT_EQ(readAll(r).types, std::vector<int>{o_point});
  }
  // garbage flags: every entry a new part, or none a point
  std::string odd = honest(ob_polygon, {{0, 0}, {1, 0}, {1, 1}, {0, 0}});
  for (size_t at = 24 + 3 + 12; at < odd.size(); at += 13) odd[at] = char(0xFF);
  TveryFastDra r;
  ASSERT_TRUE(r.create(testenv::writeFile("flags.dra", fileHeader() + odd)));
  ASSERT_TRUE(r.getnext());
  EXPECT_EQ(r.obType, o_polyGon);
  for (const auto& part : r.xy) EXPECT_TRUE(part.empty());
}

// Written files cut at many lengths and with bytes flipped at many offsets: every reading ends,
// within one step per 24 bytes, and never reads more than the file holds.
TEST_F(DraTest, DamagedFilesAreReadSafely) {
  TgobArray d;
  d.addColumn("name", "", ftString);
  for (int i = 0; i < 6; ++i) {
    d.add(i % 2 ? o_line : o_polyGon, TpolyXyValues{box(i, i, i + 3, i + 2), box(i + 1, i + 1, i + 2, i + 1.5)});
    d.slot(i)->fcaption = "object " + std::to_string(i);
    d.slot(i)->setcol(0, "value " + std::to_string(i));
  }
  d.slot(1)->xy.edit().pop_back();  // a line has one part
  d.slot(3)->xy.edit().pop_back();
  d.slot(5)->xy.edit().pop_back();
  d.addPoint(1, 2);
  const std::string f = path("whole.dra");
  ASSERT_TRUE(SaveDraFile(d, f));
  const std::string whole = testenv::readFile(f);
  std::mt19937 random(20240607);
  auto readsSafely = [&](const std::string& bytes) {
    TveryFastDra r;
    if (!r.create(testenv::writeFile("damaged.dra", bytes))) return;
    size_t steps = 0;
    while (r.getnext()) {
      ASSERT_LE(++steps, bytes.size() / 24 + 1);
      for (const auto& part : r.xy) ASSERT_LE(part.size() * 13, bytes.size());
    }
  };
  for (int n = 0; n < 150; ++n) {
    const size_t cut = random() % (whole.size() + 1);
    SCOPED_TRACE("cut at " + std::to_string(cut));
    readsSafely(whole.substr(0, cut));
  }
  for (int n = 0; n < 150; ++n) {
    std::string bytes = whole;
    const size_t at = random() % bytes.size();
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
    if (n % 3 == 0) bytes[random() % bytes.size()] = static_cast<char>(random());
    SCOPED_TRACE("flipped at " + std::to_string(at));
    readsSafely(bytes);
  }
}
}  // namespace
