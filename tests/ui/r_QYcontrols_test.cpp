// The owner-drawn button on the headless desktop: the click belongs to a release inside, state
// and quick buttons, the options zone, a disabled parent, sizing to the caption, modal results.
#include "ui/r_QYcontrols.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/os_drawing.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDesktop(std::make_unique<THeadlessBackend>());
    createOs();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 400, 300);
    but = std::make_unique<TQYbutton>(form.get());
    but->SetBounds(10, 10, 100, 20);
    but->onClick = [this](TQYbutton*) { events += "click "; };
    but->onOption = [this](TQYbutton*) { events += "option "; };
  }
  void TearDown() override {
    but.reset();
    form.reset();
    freeOs();
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TQYbutton> but;
  std::string events;
};

TEST_F(ButtonTest, ClickOnlyForAReleaseInside) {
  struct Case {
    const char* what;
    int upX, upY;
    bool options;
    const char* expected;
  };
  const Case cases[] = {
      {"inside", 50, 10, false, "click "},
      {"outside, to the right", 150, 10, false, ""},
      {"outside, below", 50, 40, false, ""},
      {"in the options zone", 95, 10, true, "click option "},
      {"inside, options elsewhere", 50, 10, true, "click "},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    events.clear();
    but->hasOptions = k.options;
    but->mouseDown(50, 10);
    EXPECT_EQ(but->state(), but_down);
    but->mouseUp(k.upX, k.upY);
    EXPECT_EQ(events, k.expected);
    EXPECT_EQ(but->state(), but_up);
  }
  // A release with no press before it is no click either.
  events.clear();
  but->mouseUp(50, 10);
  EXPECT_EQ(events, "");
}

TEST_F(ButtonTest, StateQuickAndInactiveButtons) {
  but->isStateBut = true;
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(but->state(), but_down);  // stays down after the release
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(but->state(), but_up);
  EXPECT_EQ(events, "click click ");

  events.clear();
  but->isStateBut = false;
  but->isQuickBut = true;
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(events, "");
  EXPECT_EQ(but->state(), but_up);

  but->isQuickBut = false;
  form->SetEnabled(false);  // a disabled parent makes the button inactive, keeping its own flag
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(events, "");
  EXPECT_TRUE(but->enabled());
  form->SetEnabled(true);
  but->setEnabled(false);
  EXPECT_EQ(but->cursor(), Cursor::No);
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(events, "");
}

TEST_F(ButtonTest, WidthFollowsTheCaptionAndTheModalResultEndsTheForm) {
  but->option = 33;
  but->minwidth = 0;
  but->setCaption("Something long");
  const int w = but->Width();
  but->option = 0;
  but->setCaption("Something long");
  EXPECT_EQ(w - but->Width(), os->gp(24));
  but->minwidth = 500;
  but->setCaption("x");
  EXPECT_EQ(but->Width(), 500);

  but->onClick = nullptr;
  but->modalResult = 7;
  but->mouseDown(5, 5);
  but->mouseUp(5, 5);
  EXPECT_EQ(form->ModalResult, 7);
}

// ---- what the button paints, read back from the presented form ----

int32_t fadeTo(int32_t c, int32_t target, double pc) { return TosDrawing::FadeColour(c, target, pc); }

// Within a couple of levels per channel (blends round).
bool near(TColor a, TColor b, int tol = 2) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tol && std::abs(GetGValue(a) - GetGValue(b)) <= tol &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tol;
}

class ButtonPaint : public ButtonTest {
 protected:
  void SetUp() override {
    ButtonTest::SetUp();
    but->autoSize = false;
    but->setCaption("");
    but->SetBounds(10, 10, 100, 24);
    form->Show();
  }
  // The button's pixel at (x, y) of its own client area.
  TColor at(int x, int y) {
    but->Invalidate();
    form->Update();
    TSurface const* s = headless()->screen(form->Handle());
    return s ? s->pixel(10 + x, 10 + y) : CLR_INVALID;
  }
  // How many pixels of the button satisfy a test.
  template <class F>
  int count(F&& test, TRect r = Rect(0, 0, 100, 24)) {
    but->Invalidate();
    form->Update();
    TSurface const* s = headless()->screen(form->Handle());
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += test(s->pixel(10 + x, 10 + y)) ? 1 : 0;
    return n;
  }
};

TEST_F(ButtonPaint, FaceAndEdgesOfEachState) {
  const int32_t c = but->colour;
  const int32_t hoverFace = fadeTo(c, 0xFFFFFF, 50);
  // 3 % of red over the hover face.
  const TColor tinted = RGB(static_cast<uint8_t>(GetRValue(hoverFace) + (255 - GetRValue(hoverFace)) * 3 / 100),
                            static_cast<uint8_t>(GetGValue(hoverFace) * 97 / 100),
                            static_cast<uint8_t>(GetBValue(hoverFace) * 97 / 100));
  but->boldEdgeColour = 0x00FF00;
  but->downLineColour = 0xFF00FF;
  but->selectedColour = 0x00FFFF;
  EXPECT_EQ(at(50, 12), TColor(c)) << "up, active";
  EXPECT_EQ(at(0, 12), TColor(0xDCDCDC)) << "the light edge on the left";
  EXPECT_EQ(at(50, 0), TColor(0xDCDCDC)) << "and along the top";
  EXPECT_EQ(at(99, 12), TColor(0x00FF00)) << "the frame elsewhere";
  but->mouseMove(50, 12);
  EXPECT_TRUE(near(at(50, 12), tinted)) << std::hex << at(50, 12) << " against " << tinted;
  EXPECT_NE(at(50, 12), TColor(hoverFace)) << "the hover face carries the red tint";
  but->hovercolour = 0x80FF80;
  EXPECT_TRUE(near(at(50, 12), RGB(0x80 + (255 - 0x80) * 3 / 100, 0xFF * 97 / 100, 0x80 * 97 / 100)));
  but->hovercolour = 0;
  but->mouseDown(50, 12);
  EXPECT_EQ(at(50, 12), TColor(0xEAEAEA)) << "pressed";
  EXPECT_EQ(at(0, 12), TColor(0x808080)) << "pressed frame";
  EXPECT_EQ(at(99, 12), TColor(0xFF00FF)) << "the pressed edge on the right";
  EXPECT_EQ(at(50, 23), TColor(0xFF00FF)) << "and along the bottom";
  but->mouseUp(50, 12);
  but->isStateBut = true;
  but->mouseDown(50, 12);
  but->mouseUp(50, 12);
  EXPECT_EQ(at(50, 12), TColor(0x00FFFF)) << "a state button that is down";
  but->mouseDown(50, 12);
  but->mouseUp(50, 12);
  but->isStateBut = false;
  but->setEnabled(false);
  EXPECT_EQ(at(50, 12), TColor(but->disabledColour)) << "disabled";
  but->setProhibit(true);
  EXPECT_EQ(at(0, 0), TColor(0xA0A0FF)) << "the prohibited hatch";
  EXPECT_EQ(at(0, 3), TColor(0xA0A0FF));
  EXPECT_EQ(at(1, 22), TColor(0xA0A0FF));
}

TEST_F(ButtonPaint, HoverEndsWhenThePointerLeaves) {
  auto move = [&](int x, int y) {
    TInputEvent e;
    e.kind = TInputEvent::MouseMove;
    e.form = form->Handle();
    e.pos = {x, y};
    headless()->inject(e);
    desktop().processMessages();
  };
  move(60, 20);
  EXPECT_TRUE(but->hover());
  move(300, 200);
  EXPECT_FALSE(but->hover());
  EXPECT_EQ(at(50, 12), TColor(but->colour));
}

TEST_F(ButtonPaint, FocusFrameOptionsZoneAndTheDrawHooks) {
  desktop().setFocus(but->Handle());
  EXPECT_EQ(at(1, 12), clBlue);
  EXPECT_EQ(at(50, 1), clBlue);
  but->isQuickBut = true;
  EXPECT_NE(at(50, 1), clBlue) << "a quick button shows no focus";
  but->isQuickBut = false;
  desktop().setFocus(form->Handle());

  but->hasOptions = true;
  EXPECT_EQ(at(100 - 12, 12), TColor(0x808080));
  EXPECT_EQ(at(100 - 11, 12), clWhite);
  EXPECT_GT(count([](TColor c) { return c == 0; }, Rect(89, 0, 100, 24)), 2) << "the options arrow";
  but->hasOptions = false;

  std::vector<TRect> boxes;
  but->onDrawing = [&](TQYbutton*, int, bool, TRect box) {
    boxes.push_back(box);
    TQYbutton::backCanvas().Brush.Color = 0x00FF00;
    TQYbutton::backCanvas().FillRect(Rect(0, 0, 5, 5));
  };
  but->onDraw = [&](TQYbutton* b, int, bool, TRect) {
    b->Canvas().Brush.Color = 0xFF00FF;
    b->Canvas().FillRect(Rect(5, 0, 10, 5));
  };
  EXPECT_EQ(at(2, 2), TColor(0x00FF00)) << "drawn on the off-screen bitmap, copied with the face";
  EXPECT_EQ(at(7, 2), TColor(0xFF00FF)) << "drawn on the button after the copy";
  but->mouseDown(50, 12);
  (void)at(50, 12);
  const int p = os->gp(2);
  EXPECT_EQ(boxes.back(), Rect(p, p, 100 + p, 24 + p)) << "moved by the press offset";
  but->mouseUp(50, 12);
}

TEST_F(ButtonPaint, GlyphOptionsPaintTheirInk) {
  auto blue = [](TColor c) { return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60; };
  auto red = [](TColor c) { return GetRValue(c) > 200 && GetBValue(c) < 60 && GetGValue(c) < 60; };
  auto dark = [](TColor c) { return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80; };
  but->SetBounds(10, 10, 60, 40);
  const TRect all = Rect(1, 1, 59, 39);
  struct Case {
    int option;
    std::function<bool(TColor)> ink;
    TRect where;
    int least;
  };
  const Case cases[] = {
      {1, dark, Rect(20, 10, 40, 30), 8},   {12, dark, Rect(20, 10, 40, 30), 3},
      {3, dark, Rect(10, 5, 50, 35), 8},    {25, dark, Rect(10, 5, 50, 35), 5},
      {11, blue, Rect(10, 5, 50, 35), 8},
      {7, blue, Rect(0, 0, 30, 40), 8},     {31, red, Rect(0, 0, 30, 40), 8},
      {15, dark, all, 8},                   {17, dark, Rect(15, 10, 45, 30), 6},
      {20, dark, Rect(10, 5, 50, 35), 4},
      {2, dark, all, 8},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.option);
    but->option = k.option;
    EXPECT_GE(count(k.ink, k.where), k.least);
    but->option = 0;
    EXPECT_LT(count(k.ink, k.where), 2) << "nothing there without the option";
  }
  // The move arrow: exact strokes through the centre.
  but->option = 34;
  but->SetBounds(10, 10, 60, 60);
  const int x = 60 / 2 - 1, y = 60 / 2 - 1, a = 60 / 3;
  for (TPoint pt : {TPoint{x - a, y}, TPoint{x + a, y}, TPoint{x, y}, TPoint{x, y - a}, TPoint{x, y + a}})
    EXPECT_EQ(at(pt.X, pt.Y), TColor(0)) << pt.X << "," << pt.Y;
  but->setEnabled(false);
  EXPECT_EQ(at(x, y), TColor(0x808080));
}

TEST_F(ButtonPaint, ACharacterCaptionsAndArrows) {
  auto dark = [](TColor c) { return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80; };
  but->widthLimit = 0.6;
  but->ch = U'W';
  auto ink = [&](TColor c) { return c != TColor(but->colour); };
  EXPECT_GE(count(ink, Rect(40, 2, 60, 22)), 5) << "the character, centred";
  EXPECT_EQ(count(ink, Rect(2, 2, 30, 22)), 0);
  but->ch = 0;
  but->setCaption("Go");
  EXPECT_GE(count(dark, Rect(2, 2, 30, 22)), 5) << "a caption at the left";
  EXPECT_EQ(count(dark, Rect(70, 2, 98, 22)), 0);
  but->align = 2;
  EXPECT_GE(count(dark, Rect(70, 2, 98, 22)), 5) << "right aligned";
  but->align = 0;
  but->setEnabled(false);
  auto grey = [](TColor c) { return std::abs(GetRValue(c) - 0x80) < 30 && std::abs(GetBValue(c) - 0x80) < 30; };
  EXPECT_GE(count(grey, Rect(2, 2, 30, 22)), 3) << "the grey caption";
  EXPECT_EQ(count(dark, Rect(2, 2, 30, 22)), 0);
  but->setEnabled(true);
  but->setCaption("");
  but->hasrightarrow = true;
  EXPECT_GE(count(dark, Rect(85, 2, 98, 22)), 4) << "a right arrow at the right end";
}

TEST_F(ButtonPaint, NothingIsPaintedAtZeroSize) {
  but->colour = 0x0000FF;
  but->SetBounds(10, 10, 0, 24);
  form->Invalidate();
  form->Update();
  TSurface const* s = headless()->screen(form->Handle());
  EXPECT_NE(s->pixel(10, 15), TColor(0x0000FF));
}

TEST_F(ButtonTest, TakesThePlaceOfAPanel) {
  TPanel panel(form.get());
  panel.SetBounds(40, 50, 120, 30);
  panel.Caption = "Open";
  panel.Anchors = akRight | akTop;
  int clicks = 0;
  panel.OnClick = [&](TWinControl*) { ++clicks; };
  TQYbutton b(form.get(), &panel);
  EXPECT_EQ(b.Parent(), form.get());
  EXPECT_EQ(b.BoundsRect(), Bounds(40, 50, 120, 30));
  EXPECT_EQ(b.caption(), "Open");
  EXPECT_EQ(b.Anchors, akRight | akTop);
  EXPECT_TRUE(b.TabStop);
  EXPECT_FALSE(b.autoSize);
  EXPECT_FALSE(panel.Visible());
  EXPECT_EQ(panel.Tag, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.downLineColour, 0xFFFFFF);
  EXPECT_EQ(b.boldEdgeColour, 0x808080);
  b.mouseDown(5, 5);
  b.mouseUp(5, 5);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonTest, PlacementFromTheRightAndTheRescaleMessage) {
  EXPECT_EQ(but->setBoundsR(300, 5, 80, 20), 220);
  EXPECT_EQ(but->BoundsRect(), Bounds(220, 5, 80, 20));
  EXPECT_EQ(but->setBoundsR(200, 5), 120);
  but->setCaption("Measure me");
  const int w = but->Width();
  but->fsize = 30;
  but->Perform(wm_rescale);
  EXPECT_EQ(but->fsize, os->fontsize());
  EXPECT_EQ(but->Width(), w) << "measured again at the interface size";
}

// The control set's base: a child of its owner unless made unparented; the wait and hand flags
// exclude each other, and only the hand flag moves the cursor.
TEST_F(ButtonTest, CustomControlParentsToItsOwnerAndKeepsWaitAndHandApart) {
  ::TCustomControl child(form.get());
  EXPECT_EQ(child.Parent(), form.get());
  EXPECT_EQ(::TCustomControl::createUnparented()->Parent(), nullptr);

  child.sethand(true);
  EXPECT_EQ(child.cursor(), Cursor::Hand);
  child.setwait(true);
  EXPECT_TRUE(child.wait());
  EXPECT_FALSE(child.handpoint());
  EXPECT_EQ(child.cursor(), Cursor::Hand) << "the wait flag leaves the cursor to its owner";
  child.sethand(true);
  EXPECT_FALSE(child.wait());
  child.sethand(false);
  EXPECT_EQ(child.cursor(), Cursor::Default);
}

// The button's menu tree: children in order with the parent's topid, separators and negative ids
// disabled, insertion at a place, prohibition, and clearing.
TEST(MenuItem3, AddInsertProhibitAndClear) {
  TmenuItem3 root;
  root.id = 7;
  root.topid = 3;
  root.onPopulate = [](TmenuItem3*) {};
  root.add("open", 1);
  EXPECT_EQ(root.id, 7) << "a root that populates itself keeps its id on add";
  root.add("-", 2);
  root.add("hidden", -1);
  TmenuItem3* first = root.insert(0, "new", 4);
  EXPECT_EQ(root.id, 0) << "insert clears the parent's id";
  TmenuItem3* far = root.insert(99, "last", 5);
  ASSERT_EQ(root.count(), 5);
  std::vector<std::string> captions;
  for (int i = 0; i < root.count(); ++i) captions.push_back(root.item(i)->caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"new", "open", "-", "hidden", "last"}));
  EXPECT_EQ(root.item(0), first);
  EXPECT_EQ(root.item(4), far);
  EXPECT_EQ(first->parent, &root);
  EXPECT_EQ(first->topid, 3);
  EXPECT_TRUE(first->enabled);
  EXPECT_FALSE(root.item(2)->enabled);
  EXPECT_FALSE(root.item(3)->enabled);

  first->setProhibit(true);
  EXPECT_TRUE(first->prohibit());
  EXPECT_FALSE(first->enabled);
  first->setProhibit(false);
  EXPECT_TRUE(first->enabled);

  bool flag = true;
  root.boolValue = &flag;
  first->add("child", 9);
  root.clear();
  EXPECT_EQ(root.count(), 0);
  EXPECT_EQ(root.boolValue, nullptr);
  root.add("again", 1);
  EXPECT_EQ(root.count(), 1);
}

}  // namespace
