// The character picker: its grid keeps at least one column however narrow, a click picks the
// character under it (nothing past the last one), and the dialog ends with the first pick.
#include "ui/r_charPick.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;

class CharPickTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 500, 500);
    form->Show();
  }
  void TearDown() override {
    form.reset();
    HeadlessOsTest::TearDown();
  }
  std::unique_ptr<TForm> form;
};

TEST_F(CharPickTest, GridKeepsAColumnAndClicksPickOnlyExistingCharacters) {
  TcharPickLt p(form.get());
  p.SetBounds(0, 0, 400, 300);
  p.setFontname("DejaVu Sans");
  ASSERT_GT(p.a.size(), 100u);
  EXPECT_EQ(p.cols, static_cast<int>(std::nearbyint((400.0 - p.scroll->Width()) / p.targetcolwidth)));
  EXPECT_EQ(p.rows, (static_cast<int>(p.a.size()) + p.cols - 1) / p.cols);
  std::vector<char32_t> picked;
  p.onClick = [&](TcharPickLt* c) { picked.push_back(c->result); };
  p.pickAt(p.colwidth + 1, p.rowheight + 1);  // row 1, column 1
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0], static_cast<char32_t>(p.a[static_cast<size_t>(p.cols + 1)]));
  // Scrolled to the last row: a click beyond the last character does nothing.
  p.scroll->SetPosition(p.rows - 1);
  p.redraw();
  const int last = static_cast<int>(p.a.size()) - 1 - p.start;
  if (last + 1 < p.cols) {
    p.pickAt((last + 1) * p.colwidth + 1, 1);
    EXPECT_EQ(picked.size(), 1u);
  }
  p.pickAt(p.grid().Width() + 5, 1);  // on the scroll bar's side
  EXPECT_EQ(picked.size(), 1u);
  // Narrower than half a column: still one column.
  p.SetBounds(0, 0, p.scroll->Width() + 3, 300);
  EXPECT_EQ(p.cols, 1);
  EXPECT_GE(p.colwidth, 1);
}

TEST_F(CharPickTest, DialogEndsWithThePickedCharacter) {
  TcharPickLt p(form.get());
  p.setFontname("DejaVu Sans");
  auto id = std::make_shared<uintptr_t>(0);
  *id = desktop().setTimer(1, [&, id] {
    desktop().killTimer(0, *id);
    EXPECT_NE(p.dlg, nullptr);
    EXPECT_EQ(p.dlg->Caption, "Choose character - DejaVu Sans");
    EXPECT_EQ(p.Parent(), p.dlg);
    p.pickAt(1, 1);
  });
  EXPECT_TRUE(p.execute(Rect(10, 10, 50, 30)));
  EXPECT_EQ(p.result, static_cast<char32_t>(p.a[0]));
  EXPECT_EQ(p.Parent(), form.get());
}

}  // namespace
