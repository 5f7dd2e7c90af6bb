// Character word wrap: paragraph breaks, long words, hyphens, tiny fonts and narrow widths.
#include "ui/r_wordWrap.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/canvas.h"

namespace {
using namespace platform;

class WordWrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createOs();
    bm.SetSize(400, 200);
    bm.Canvas().Font.setName("DejaVu Sans");
    bm.Canvas().Font.setHeight(-14);
    w.canvas = &bm.Canvas();
  }
  void TearDown() override { freeOs(); }
  // The characters of each line, by their y.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    int y = -1;
    for (const charRec& r : w.chars()) {
      if (r.y != y) {
        out.emplace_back();
        y = r.y;
      }
      if (r.ch != 13) out.back() += static_cast<char>(r.ch);
    }
    return out;
  }
  TBitmap bm;
  TwordWrapLite w;
};

TEST_F(WordWrapTest, ParagraphBreaksAreHeldAsOneCharacterAndReadBack) {
  w.setWidth(300);
  w.Indent = 7;
  w.paraSpace = 5;
  w.setValue("ab||cd");
  ASSERT_EQ(w.chars().size(), 5u);
  EXPECT_EQ(w.chars()[2].ch, 13u);
  EXPECT_EQ(w.chars()[2].w, 0);
  EXPECT_EQ(w.value(), "ab||cd");
  EXPECT_EQ(w.chars()[3].x, 7) << "the indent after a paragraph break";
  EXPECT_EQ(w.chars()[0].x, 0) << "but not on the first line";
  EXPECT_GT(w.chars()[3].y, w.chars()[0].y);
  const int lineStep = w.chars()[3].y - 5;
  EXPECT_EQ(w.height(), lineStep / 3 + 2 * lineStep + 5);
}

TEST_F(WordWrapTest, LongWordsHyphensAndBlanks) {
  // A word longer than the width: the overflowing character ends the line, the rest goes on at
  // the hanging indent.
  w.hangingIndent = 4;
  w.setWidth(60);
  w.setValue("Abcdefghijklmnop");
  auto ls = lines();
  ASSERT_GE(ls.size(), 2u);
  std::string joined;
  for (const auto& l : ls) joined += l;
  EXPECT_EQ(joined, "Abcdefghijklmnop") << "nothing lost, nothing doubled";
  const charRec& firstOfSecond = w.chars()[ls[0].size()];
  EXPECT_EQ(firstOfSecond.x, 4);
  for (const charRec& r : w.chars()) EXPECT_LE(r.x, 60);

  // A hyphen stays at the end of its line.
  w.setWidth(70);
  w.setValue("well-known words");
  ls = lines();
  ASSERT_GE(ls.size(), 2u);
  EXPECT_EQ(ls[0].back(), '-') << ls[0];
  EXPECT_EQ(ls[1].rfind("known", 0), 0u) << ls[1];
  EXPECT_LE(w.actualWidth(), 70);

  // A blank: the next word starts the new line.
  w.setValue("one two three four");
  ls = lines();
  ASSERT_GE(ls.size(), 2u);
  EXPECT_EQ(ls[0].rfind("one", 0), 0u);
  for (size_t i = 1; i < ls.size(); ++i) EXPECT_NE(ls[i].find_first_not_of(' '), std::string::npos);
}

TEST_F(WordWrapTest, TinyFontsAndNarrowWidths) {
  w.setWidth(20);
  w.setValue("anything at all");
  EXPECT_EQ(w.height(), 0) << "20 pixels or less lays nothing out";

  bm.Canvas().Font.setHeight(-5);
  w.setWidth(200);
  w.setValue("tiny text that wraps into a few lines at last");
  EXPECT_TRUE(w.issmall);
  EXPECT_EQ(bm.Canvas().Font.Height(), -5) << "the font is given back";
  EXPECT_EQ(w.width(), 200);
  EXPECT_GT(w.height(), 0);
  EXPECT_LE(w.actualWidth(), 200);

  // A 3-pixel font draws one pixel per character.
  bm.Canvas().Brush.Color = clWhite;
  bm.Canvas().FillRect(Rect(0, 0, 400, 200));
  bm.Canvas().Font.setHeight(-3);
  w.fontColour = 0x0000FF;
  w.setValue("abc");
  w.draw(10, 10);
  int red = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) red += bm.Canvas().Pixels(x, y) == TColor(0x0000FF);
  EXPECT_EQ(red, 3);
}

}  // namespace
