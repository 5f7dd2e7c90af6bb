// The multi-line field on the headless desktop: typing over lines, keys and selection, the
// clipboard, the line queries and scrolling, and bad input kept as text.
#include "ui/r_edit2.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"

namespace {
using namespace platform;

class MemoTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    memo = std::make_unique<Tmemo>(form.get());
    memo->SetBounds(10, 10, 200, 10 * memo->lineHeight());
    desktop().setFocus(memo->Handle());
    memo->onChange = [this](Tmemo*) { ++changes; };
  }
  void TearDown() override {
    memo.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  void send(TInputEvent::Kind k, int key = 0, const std::string& text = "") {
    TInputEvent e;
    e.kind = k;
    e.form = form->Handle();
    e.key = key;
    e.text = text;
    hb->inject(e);
    desktop().processMessages();
  }
  void type(const std::string& t) { send(TInputEvent::Text, 0, t); }
  void key(int vk, std::initializer_list<int> mods = {}) {
    for (int m : mods) send(TInputEvent::KeyDown, m);
    send(TInputEvent::KeyDown, vk);
    send(TInputEvent::KeyUp, vk);
    for (int m : mods) send(TInputEvent::KeyUp, m);
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<Tmemo> memo;
  int changes = 0;
};

TEST_F(MemoTest, TypingEnterAndEditingKeysWorkAcrossLines) {
  type("ab");
  key(VK_RETURN);
  type("c\xC3\xBC");  // "cü"
  EXPECT_EQ(memo->text(), "ab\nc\xC3\xBC");
  EXPECT_EQ(memo->lineCount(), 2);
  EXPECT_EQ(memo->CaretPos(), (TPoint{2, 1}));
  key(VK_HOME);
  key(VK_BACK);  // joins the lines
  EXPECT_EQ(memo->text(), "abc\xC3\xBC");
  key(VK_END);
  key(VK_LEFT, {VK_SHIFT});
  key(VK_LEFT, {VK_SHIFT});
  EXPECT_EQ(memo->selText(), "c\xC3\xBC");
  key('X', {VK_CONTROL});
  EXPECT_EQ(hb->clipboardText(), "c\xC3\xBC");
  key(VK_HOME);
  key('V', {VK_CONTROL});
  EXPECT_EQ(memo->text(), "c\xC3\xBC" "ab");
  EXPECT_GT(changes, 0);
  const int before = changes;
  memo->setText("from\ncode");
  EXPECT_EQ(changes, before);  // code fires nothing
  memo->setBarText("one|two|three");
  EXPECT_EQ(memo->lineCount(), 3);
  EXPECT_EQ(memo->barText(), "one|two|three");
  // Up and Down keep the column as near as the line allows; Delete at a line end joins.
  memo->setCaretPos({3, 2});
  key(VK_UP);
  EXPECT_EQ(memo->CaretPos(), (TPoint{3, 1}));
  key(VK_DELETE);
  EXPECT_EQ(memo->text(), "one\ntwothree");
  memo->setReadOnly(true);
  type("x");
  key(VK_BACK);
  EXPECT_EQ(memo->text(), "one\ntwothree");
}

TEST_F(MemoTest, LineQueriesFollowScrolling) {
  std::string t;
  for (int i = 0; i < 50; ++i) t += "line " + std::to_string(i) + "\n";
  memo->setVerticalScroll(true);
  memo->setText(t);
  const int lh = memo->lineHeight();
  EXPECT_EQ(memo->lineCount(), 51);
  EXPECT_EQ(memo->VisibleLines(), 10);
  EXPECT_EQ(memo->TopLine(), 0);
  EXPECT_EQ(memo->LastLine(), 9);
  EXPECT_EQ(memo->NaturalHeight(), 52 * lh + 6);
  memo->setCaretPos({0, 30});  // the caret is scrolled into view
  EXPECT_EQ(memo->TopLine(), 21);
  EXPECT_EQ(memo->lineRect(25), Rect(0, 4 * lh, 200, 5 * lh));
  EXPECT_EQ(memo->vertBar()->Position(), 21);
  memo->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(memo->TopLine(), 18);
  memo->vertBar()->wheel(-240);  // the bar moves the text
  EXPECT_EQ(memo->TopLine(), 24);
  memo->ScrollToTop();
  EXPECT_EQ(memo->TopLine(), 0);
  memo->setTopLine(1000);
  EXPECT_EQ(memo->TopLine(), memo->maxTopLine());
  EXPECT_EQ(memo->LastLine(), 50);
  // A click picks the line under it.
  memo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2 * lh + 1));
  memo->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 2 * lh + 1));
  EXPECT_EQ(memo->CaretPos().Y, memo->TopLine() + 2);
}

TEST_F(MemoTest, BadInputIsKeptAsTextWithoutACrash) {
  hb->setClipboardText(std::string("a\r\nb\rc\x01\tz") + "\xFF\xC3" + "d\xE2\x82");
  int pastes = 0;
  memo->onPostPaste = [&](Tmemo*) { ++pastes; };
  memo->pasteFromClipboard();
  EXPECT_EQ(memo->text(), "a\nb\nc  z\xEF\xBF\xBD\xEF\xBF\xBD" "d\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(pastes, 1);
  const std::string mega(1 << 20, 'x');
  memo->setHorizontalScroll(true);
  memo->setText(mega + "\nshort");
  memo->setCaretPos({1 << 20, 0});
  memo->Repaint();
  key(VK_BACK);
  EXPECT_EQ(memo->line(0).size(), mega.size() - 1);
  EXPECT_GT(memo->horzBar()->Position(), 0);
  key(VK_HOME);
  EXPECT_EQ(memo->horzBar()->Position(), 0);
  memo->Repaint();
}

}  // namespace
