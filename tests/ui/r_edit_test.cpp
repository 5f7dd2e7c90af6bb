// The one-line field on the headless desktop, driven by injected input and the fake clock: the
// delayed change rule, the numeric filters, Enter and exit, colours, editing keys, the clipboard
// and bad input.
#include "ui/r_edit.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"

namespace {
using namespace platform;

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDesktop(std::make_unique<THeadlessBackend>());
    hb = headless();
    createOs();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    form->Show();
    ed = std::make_unique<Tedit>(form.get());
    ed->SetBounds(10, 10, 200, 22);
    desktop().setFocus(ed->Handle());
  }
  void TearDown() override {
    ed.reset();
    form.reset();
    freeOs();
  }
  void runFor(uint32_t ms) {
    const uint32_t end = desktop().now() + ms;
    while (static_cast<int32_t>(end - desktop().now()) > 0)
      if (!desktop().processOne()) desktop().idle(end - desktop().now());
    desktop().processMessages();
  }
  void send(TInputEvent::Kind k, int key = 0, const std::string& text = "") {
    TInputEvent e;
    e.kind = k;
    e.form = form->Handle();
    e.key = key;
    e.text = text;
    hb->inject(e);
  }
  void type(const std::string& text) {
    send(TInputEvent::Text, 0, text);
    desktop().processMessages();
  }
  // Each event is taken in turn, as a person types: modifiers held while the key goes down.
  void key(int vk, std::initializer_list<int> mods = {}) {
    auto one = [&](TInputEvent::Kind k, int code) {
      send(k, code);
      desktop().processMessages();
    };
    for (int m : mods) one(TInputEvent::KeyDown, m);
    one(TInputEvent::KeyDown, vk);
    one(TInputEvent::KeyUp, vk);
    for (int m : mods) one(TInputEvent::KeyUp, m);
  }
  THeadlessBackend* hb = nullptr;
  std::unique_ptr<TForm> form;
  std::unique_ptr<Tedit> ed;
};

TEST_F(EditTest, DelayedChangeFiresOnceAfterTheLastKeyAndCodeFiresNothing) {
  std::vector<uint32_t> fired;
  ed->onChange = [&](Tedit*) { fired.push_back(desktop().now()); };
  ed->setText("from code");
  EXPECT_TRUE(fired.empty());
  ed->setText("");
  ed->delay = 500;
  for (char c : std::string("12345")) {
    type(std::string(1, c));
    runFor(100);
  }
  const uint32_t last = desktop().now() - 100;
  EXPECT_TRUE(fired.empty());
  runFor(1000);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0] - last, 500u);
  EXPECT_EQ(ed->text(), "12345");
  ed->delay = 0;
  type("6");
  EXPECT_EQ(fired.size(), 2u);
  ed->ForceChange();
  EXPECT_EQ(fired.size(), 3u);
}

TEST_F(EditTest, NumericModesKeepOnlyTheirCharacters) {
  struct Case {
    int mode;
    const char* typed;
    const char* kept;
  };
  const Case cases[] = {
      {0, "a-1.5x", "a-1.5x"},  {1, "-1a2.3", "123"},   {2, "-12-3", "-123"},   {2, "1-2", "12"},
      {3, "-1.5.2", "-1.52"},   {3, ".5", "5"},         {3, "-.5", "-5"},       {3, "1-", "1"},
      {4, "-1.25", "1.25"},     {4, "1.2.3", "1.23"},   {7, "x\ry", "xy"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("mode ") + std::to_string(k.mode) + " typing " + k.typed);
    ed->numeric = k.mode;
    ed->setText("");
    for (const char* p = k.typed; *p; ++p) ed->Perform(WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*p)));
    EXPECT_EQ(ed->text(), k.kept);
    // A paste is filtered the same way.
    ed->setText("");
    hb->setClipboardText(k.typed);
    ed->pasteFromClipboard();
    EXPECT_EQ(ed->text(), k.mode == 0 || k.mode == 7 ? std::string(k.typed) == "x\ry" ? "x y" : k.typed : k.kept);
  }
}

TEST_F(EditTest, EnterAndLeavingReportTheTypingOnce) {
  int returns = 0;
  ed->onReturn = [&](Tedit*) { ++returns; };
  type("12");
  key(VK_RETURN);
  EXPECT_EQ(returns, 1);
  EXPECT_NE(desktop().focus(), ed->Handle()) << "the focus went to the parent";
  desktop().setFocus(ed->Handle());
  type("3");
  desktop().setFocus(form->Handle());  // leaving after typing
  EXPECT_EQ(returns, 2);
  desktop().setFocus(ed->Handle());
  desktop().setFocus(form->Handle());  // leaving without typing
  EXPECT_EQ(returns, 2);
  int ups = 0, downs = 0;
  ed->onUpArrow = [&](Tedit*) { ++ups; };
  ed->onDownArrow = [&](Tedit*) { ++downs; };
  desktop().setFocus(ed->Handle());
  key(VK_UP);
  key(VK_DOWN);
  key(VK_DOWN);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(downs, 2);
}

TEST_F(EditTest, ValidAndVariousColoursAreRestoredExactly) {
  ed->Color = 0x123456;
  ed->FontColor = 0x654321;
  ed->setVarious(true);
  EXPECT_EQ(ed->Color, TColor(varColour));
  EXPECT_EQ(ed->FontColor, TColor(0x000080));
  ed->setVarious(true);  // on again: the saved colours stay the first ones
  ed->setVarious(false);
  EXPECT_EQ(ed->Color, TColor(0x123456));
  EXPECT_EQ(ed->FontColor, TColor(0x654321));
  ed->setValid(false);
  EXPECT_EQ(ed->Color, TColor(0xEBEBFF));
  ed->setValid(true);
  EXPECT_EQ(ed->Color, clWhite);
  ed->setEnabled(false);
  EXPECT_EQ(ed->Color, TColor(0xDCDCDC));
}

TEST_F(EditTest, EditingKeysSelectionAndTheClipboard) {
  type("Gr\xC3\xBC\xC3\x9F Gott");  // "Grüß Gott"
  EXPECT_EQ(ed->text(), "Gr\xC3\xBC\xC3\x9F Gott");
  key(VK_BACK);
  EXPECT_EQ(ed->text(), "Gr\xC3\xBC\xC3\x9F Got");
  key(VK_HOME);
  key(VK_RIGHT, {VK_SHIFT});
  key(VK_RIGHT, {VK_SHIFT});
  key(VK_RIGHT, {VK_SHIFT});
  EXPECT_EQ(ed->selText(), "Gr\xC3\xBC");
  key('C', {VK_CONTROL});
  EXPECT_EQ(hb->clipboardText(), "Gr\xC3\xBC");
  key(VK_END);
  key('V', {VK_CONTROL});
  EXPECT_EQ(ed->text(), "Gr\xC3\xBC\xC3\x9F GotGr\xC3\xBC");
  key('A', {VK_CONTROL});
  key('X', {VK_CONTROL});
  EXPECT_EQ(ed->text(), "");
  EXPECT_EQ(hb->clipboardText(), "Gr\xC3\xBC\xC3\x9F GotGr\xC3\xBC");
  ed->setReadOnly(true);
  type("no");
  key('V', {VK_CONTROL});
  EXPECT_EQ(ed->text(), "");
  ed->setReadOnly(false);
  // Mouse: a press places the caret and keeps the pointer in the field until the release.
  ed->setText("abcdef");
  ed->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 5));
  EXPECT_EQ(ed->caret(), 0);
  EXPECT_EQ(hb->confined().first, form->Handle());
  EXPECT_EQ(hb->confined().second, Bounds(10, 10, 200, 22));
  ed->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(190, 5));
  EXPECT_EQ(ed->selText(), "abcdef");
  ed->Perform(WM_LBUTTONUP, 0, MAKELPARAM(190, 5));
  EXPECT_EQ(hb->confined().first, 0u);
}

TEST_F(EditTest, BadInputIsKeptAsTextWithoutACrash) {
  hb->setClipboardText(std::string("a\tb\nc\x01") + "\xFF\xC3" + "d\xE2\x82");
  ed->pasteFromClipboard();
  // Control characters become blanks; each byte that is no part of a whole sequence becomes U+FFFD.
  EXPECT_EQ(ed->text(), "a b c \xEF\xBF\xBD\xEF\xBF\xBD" "d\xEF\xBF\xBD\xEF\xBF\xBD");
  const std::string mega(1 << 20, 'x');
  ed->setText(mega);
  EXPECT_EQ(ed->text().size(), mega.size());
  ed->Repaint();
  key(VK_BACK);
  EXPECT_EQ(ed->text().size(), mega.size() - 1);
  key(VK_HOME);
  ed->Repaint();
  EXPECT_EQ(ed->caret(), 0);
}

TEST_F(EditTest, TabMovesTheFocusInTreeOrderAndTheCaretBlinks) {
  Tedit second(form.get());
  second.SetBounds(10, 40, 200, 22);
  TQYbutton but(form.get());
  but.TabStop = true;
  key(VK_TAB);
  EXPECT_EQ(desktop().focus(), second.Handle());
  key(VK_TAB);
  EXPECT_EQ(desktop().focus(), but.Handle());
  key(VK_TAB);
  EXPECT_EQ(desktop().focus(), ed->Handle());
  key(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(desktop().focus(), but.Handle());
  desktop().setFocus(ed->Handle());
  const bool on = ed->caretShown();
  runFor(600);
  EXPECT_NE(ed->caretShown(), on);
}

// Ideographs the program's face lacks are measured in their fallback face, so the caret lands
// between them where they are drawn.
TEST_F(EditTest, CaretPositionsFollowTheFallbackFacesWidths) {
  if (!isFaceListed("Noto Sans CJK JP")) GTEST_SKIP() << "the packaged CJK face is missing (scripts/setup.sh --tests)";
  ed->setText("\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC");  // four ideographs
  TBitmap bm;
  bm.SetSize(1, 1);
  bm.Canvas().Font.setName(os->fontname().empty() ? "DejaVu Sans" : os->fontname());
  bm.Canvas().Font.setSize(os->fontsize());
  const int w = bm.Canvas().TextWidth("\xE6\x9D\xB1");
  EXPECT_GE(w, bm.Canvas().TextHeight("A") * 3 / 4) << "an ideograph is about an em wide";
  for (int k = 0; k <= 4; ++k) EXPECT_EQ(ed->positionAt(3 + k * w), k) << k;
}

}  // namespace
