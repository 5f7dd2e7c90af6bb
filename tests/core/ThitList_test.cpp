// Hit records and hit lists: ownership record by record, purges, append and assign.
#include "core/ThitList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A list holding records of the given object types, each with uid = its position.
void fill(ThitList& list, const std::vector<int32_t>& types) {
  for (int32_t t : types) {
    const int32_t i = list.add();
    list.item(i).obType = t;
    list.item(i).uid = i;
  }
}

std::vector<int32_t> typesOf(const ThitList& list) {
  std::vector<int32_t> v;
  for (int32_t i = 0; i < list.count(); ++i) v.push_back(list.item(i).obType);
  return v;
}

TEST(Thitrec, ClearAssignAndSameness) {
  Thitrec h;
  EXPECT_EQ(h.uid, 0);
  EXPECT_EQ(h.layerIndex, 0);
  h.xy = {{{0, 0}, {1, 1}}};
  h.allhits = {{1, 0.5, 2}};
  h.styleDef = 7;
  h.newvertex = true;
  h.tag = 3;
  h.clear();
  EXPECT_EQ(h.uid, -1);
  EXPECT_EQ(h.layerIndex, -1);
  EXPECT_TRUE(h.xy.empty());
  EXPECT_EQ(h.tag, 3);  // kept

  Thitrec s;
  s.xy = {{{2, 3}}};
  s.uid = 9;
  s.hittype = hittest_line | hittest_vertex;
  s.styleDef = 5;
  h.assign(s);
  EXPECT_EQ(h.xy, s.xy);
  EXPECT_EQ(h.styleDef, 7);  // not copied
  EXPECT_TRUE(h.newvertex);
  EXPECT_TRUE(h.isSame(s));
  s.xy[0][0].x = 99;  // a deep copy
  EXPECT_EQ(h.xy[0][0].x, 2);
}

TEST(ThitList, PurgesKeepTheChosenTypeInOrder) {
  struct Case { const char* id; std::vector<int32_t> in, out; } cases[] = {
      {"two points beat two lines", {o_line, o_point, o_line, o_point}, {o_point, o_point}},
      {"line beats text on a tie", {o_text, o_line}, {o_line}},
      {"a circle alone goes", {o_circle}, {}},
      {"empty stays empty", {}, {}},
      {"polygons win ties", {o_text, o_polyGon}, {o_polyGon}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ThitList list;
    fill(list, c.in);
    list.PurgeAllButCommonest();
    EXPECT_EQ(typesOf(list), c.out);
  }
  ThitList list;
  fill(list, {o_line, o_polyGon, o_line});
  list.PurgeAllBut(o_line);
  EXPECT_EQ(typesOf(list), (std::vector<int32_t>{o_line, o_line}));
  EXPECT_EQ(list.item(1).uid, 2);
}

TEST(ThitList, LookupsByUidIndexFieldAndType) {
  ThitList list;
  fill(list, {o_point, o_line, o_line});
  list.item(2).uid = 1;  // two records with uid 1
  list.item(0).index = 40;
  EXPECT_EQ(list.IndexOf(1), 1);
  EXPECT_EQ(list.IndexOf(7), -1);
  EXPECT_TRUE(list.inList(40));  // the records' index field, not their position
  EXPECT_FALSE(list.inList(2));
  EXPECT_TRUE(list.IncludesObType(o_line));
  EXPECT_FALSE(list.IncludesObType(o_text));
}

TEST(ThitList, AppendCopiesOrMovesRecords) {
  ThitList source;
  fill(source, {o_line, o_polyGon});
  source.item(0).xy = {{{1, 2}, {3, 4}}};
  source.isAnEnd = true;

  ThitList copies;
  copies.append(source);
  ASSERT_EQ(copies.count(), 2);
  EXPECT_NE(&copies.item(0), &source.item(0));
  EXPECT_EQ(copies.item(0).xy, source.item(0).xy);
  EXPECT_TRUE(copies.isAnEnd);
  EXPECT_EQ(source.count(), 2);

  Thitrec* first = &source.item(0);
  ThitList moved;
  moved.append(source, ThitList::Source::Clear);
  ASSERT_EQ(moved.count(), 2);
  EXPECT_EQ(&moved.item(0), first);
  EXPECT_EQ(source.count(), 0);
  EXPECT_FALSE(source.owns);
  EXPECT_FALSE(source.isAnEnd);

  ThitList empty;
  moved.append(empty);  // leaves isAnEnd as it was
  EXPECT_TRUE(moved.isAnEnd);
  moved.assign(empty);  // clears the list and isAnEnd
  EXPECT_EQ(moved.count(), 0);
  EXPECT_FALSE(moved.isAnEnd);

  ThitList self;
  fill(self, {o_point});
  self.append(self);
  self.append(self, ThitList::Source::Clear);
  EXPECT_EQ(typesOf(self), (std::vector<int32_t>{o_point, o_point}));
}

// The caller's records stay the caller's: neither delete, clear, destruction nor a move frees
// them, even in a list that also owns records of its own (the sanitizer build checks this).
TEST(ThitList, NeverFreesARecordTheCallerOwns) {
  Thitrec mine;
  mine.uid = 77;
  {
    ThitList list;
    list.add(mine);
    EXPECT_FALSE(list.owns);
    list.add();  // the list now owns records of its own
    EXPECT_TRUE(list.owns);
    list.remove(0);
    EXPECT_EQ(list.count(), 1);
    list.add(mine);
    ThitList other;
    other.append(list, ThitList::Source::Clear);
    EXPECT_EQ(&other.item(1), &mine);
    list.add(mine);
    list.remove(5);  // outside the list: ignored
  }
  EXPECT_EQ(mine.uid, 77);
}
}  // namespace
