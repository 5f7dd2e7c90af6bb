// Message boxes run modally on the headless desktop with injected input: which input answers
// what, the copy button alone touches the clipboard, dragging moves the box; and the number text.
#include "core/Tyo.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "core/text_seams.h"
#include "platform/system.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "tests/support/headless_os.h"
#include "tests/support/xvfb.h"
#include "tests/ui/xvfb_support.h"

namespace {
using namespace platform;

class Boxes : public testenv::HeadlessOsTest {
 protected:
  void TearDown() override {
    yoRecorder = nullptr;
    HeadlessOsTest::TearDown();
  }
  // Input scripted into whichever box opens next, a few milliseconds after it shows.
  void script(std::vector<TInputEvent> events) { fscript = std::move(events); }
  void arm(Tyo& box) {
    box.OnShow = [this](TForm* f) {
      uint32_t t = desktop().now();
      for (auto e : fscript) {
        e.form = f->Handle();
        hb->injectAt(t += 5, e);
      }
    };
  }
  static TInputEvent ev(TInputEvent::Kind k, int x = 0, int y = 0, int button = 1, int key = 0) {
    TInputEvent e;
    e.kind = k;
    e.pos = {x, y};
    e.button = button;
    e.key = key;
    return e;
  }
  std::vector<TInputEvent> fscript;
};

TEST_F(Boxes, OneWordStillMakesABoxAtLeastTheLabelWidth) {
  Tyo b;
  b.setcaption("Hi");
  EXPECT_GE(b.Width(), os->gp(240) + os->gp(12));
  EXPECT_EQ(b.labelLines.size(), 1u);
  // box1 sits at the bottom right, 4 pixels in, 18 high.
  EXPECT_EQ(b.box1.Right, b.Width() - 4);
  EXPECT_EQ(b.box1.Bottom, b.Height() - 4);
  EXPECT_EQ(b.box1.height(), 18);
}

TEST_F(Boxes, LongTextWrapsAtTheLabelWidth) {
  Tyo b;
  b.setcaption("one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen");
  EXPECT_GT(b.labelLines.size(), 1u);
  EXPECT_EQ(b.Width(), os->gp(240) + os->gp(12));
}

// A long path is one word: the box widens for it, as far as the screen allows, and beyond that the
// word is broken so that every character is still shown. The buttons keep their room too.
TEST_F(Boxes, EveryWordIsShownWholeOrInPiecesNeverCut) {
  const std::string dir = "/home/someone/Documents/Ombrant/Kestrova/version_8_with_a_longer_folder_name/";
  const std::string wide(400, 'w');
  const struct {
    const char* id;
    std::string text;
    bool errorBox;
  } cases[] = {{"a long path", "The locations file was damaged: it is kept as \"" + dir + "locations.ini.bad\".", false},
               {"a word wider than the screen", "Kept as " + wide + ".", false},
               {"an error box's path", "Cannot open " + dir + "a.ini", true}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Tyo b;
    if (c.errorBox) {
      b.cap2 = "copy to clipboard";
      b.labelwidth = os->gp(500);
    }
    b.setcaption(c.text);
    const int points = std::max(os->fontsize(), 11);
    std::string shown;
    for (auto const& line : b.labelLines) {
      EXPECT_LE(textSeam::extent(os->fontname(), points, line).cx, b.labelBox.width()) << line;
      shown += line;
    }
    auto noBlanks = [](std::string t) {
      std::erase(t, ' ');
      return t;
    };
    EXPECT_EQ(noBlanks(shown), noBlanks(c.text));
    EXPECT_LE(b.labelBox.Right, b.Width() - os->gp(4));
    EXPECT_LE(b.Width(), os->workarea().width());
    EXPECT_GE(b.box2.Left, 0);
  }
}

TEST_F(Boxes, AnswersByInput) {
  struct Case {
    const char* id;
    std::vector<TInputEvent> input;
    int expect;
    bool byButton;
  } cases[] = {
      {"Enter pressed and released", {ev(TInputEvent::KeyDown, 0, 0, 1, VK_RETURN), ev(TInputEvent::KeyUp, 0, 0, 1, VK_RETURN)}, 2, false},
      {"a key held from before: its release alone does not close", {ev(TInputEvent::KeyUp, 0, 0, 1, 'X'), ev(TInputEvent::ButtonDown, 5, 5, 2), ev(TInputEvent::ButtonUp, 5, 5, 2)}, 2, false},
      {"right click anywhere", {ev(TInputEvent::ButtonDown, 5, 5, 2), ev(TInputEvent::ButtonUp, 5, 5, 2)}, 2, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.id);
    Tyo b;
    b.cap2 = "No";
    b.setcaption("Question?");
    script(c.input);
    arm(b);
    EXPECT_EQ(b.ShowModal(), c.expect);
    EXPECT_EQ(b.answeredByButton(), c.byButton);
    EXPECT_FALSE(yoActive);
  }
}

TEST_F(Boxes, ButtonsAnswerOneTwoSevenAndAClickBesideThemNothing) {
  Tyo b;
  b.cap2 = "No";
  b.cap3 = "Later";
  b.setcaption("Choose");
  const TRect b1 = b.box1, b2 = b.box2, b3 = b.box3;
  auto click = [](TRect r) {
    return std::vector<TInputEvent>{ev(TInputEvent::ButtonDown, r.Left + 2, r.Top + 2), ev(TInputEvent::ButtonUp, r.Left + 2, r.Top + 2)};
  };
  for (auto [r, expect] : {std::pair{b1, 1}, std::pair{b2, 2}, std::pair{b3, 7}}) {
    SCOPED_TRACE(expect);
    std::vector<TInputEvent> in = click(Rect(2, 2, 4, 4));  // outside every button: no answer yet
    auto onButton = click(r);
    in.insert(in.end(), onButton.begin(), onButton.end());
    script(in);
    arm(b);
    EXPECT_EQ(b.ShowModal(), expect);
    EXPECT_TRUE(b.answeredByButton());
  }
}

TEST_F(Boxes, DraggingMovesTheBoxAndReleaseOverAButtonStillAnswers) {
  Tyo b;
  b.setcaption("Drag me");
  b.Position = poDesigned;
  b.SetBounds(100, 100, b.Width(), b.Height());
  const TRect r = b.box1;
  // Press at (10, 10), move by (+30, +20) in client pixels; the box follows, so the release over
  // the button is given in the moved box's coordinates.
  script({ev(TInputEvent::ButtonDown, 10, 10), ev(TInputEvent::MouseMove, 40, 30),
          ev(TInputEvent::ButtonUp, r.Left + 1, r.Top + 1)});
  arm(b);
  EXPECT_EQ(b.ShowModal(), 1);
  EXPECT_EQ(b.Left(), 130);
  EXPECT_EQ(b.Top(), 120);
}

TEST_F(Boxes, ErrorBoxCopiesOnlyFromItsCopyButton) {
  setClipboardText("before");
  yoRecorder = [](Tyo& b) {
    EXPECT_EQ(b.cap2, "copy to clipboard");
    EXPECT_EQ(b.colour, 0x000080);
    return 2;  // as a key or a right click answers: not the button
  };
  errmsg("disk full");
  EXPECT_EQ(clipboardText(), "before");

  yoRecorder = nullptr;
  Tyo probe;
  probe.cap2 = "copy to clipboard";
  probe.labelwidth = os->gp(500);
  probe.setcaption("disk full");
  const TRect copy = probe.box2;
  // The error box is made inside errmsg: reach it through the top-level window that appears.
  uintptr_t id = 0;
  id = desktop().setTimer(1, [&] {
    desktop().killTimer(0, id);
    for (HWND w : desktop().topLevelWindows())
      if (desktop().className(w) == "Tyo" && desktop().isVisible(w)) {
        TInputEvent d = ev(TInputEvent::ButtonDown, copy.Left + 1, copy.Top + 1), u = ev(TInputEvent::ButtonUp, copy.Left + 1, copy.Top + 1);
        d.form = u.form = w;
        hb->inject(d);
        hb->inject(u);
      }
  });
  errmsg("disk full");
  EXPECT_EQ(clipboardText(), "disk full");
}

TEST_F(Boxes, RoutinesColourAndCaptionTheirBoxes) {
  std::vector<std::string> seen;
  yoRecorder = [&](Tyo& b) {
    seen.push_back(b.cap1 + "/" + b.cap2 + "/" + std::to_string(b.colour) + "/" + b.caption());
    return 1;
  };
  yo("hello");
  EXPECT_TRUE(confirm("sure?", 10, 20));
  YoNumbers("values", {2, 0.25});
  errmsg(os, "broke");
  EXPECT_EQ(seen, (std::vector<std::string>{"OK//8388608/hello", "Yes/No/32768/sure?", "OK//8388608/values\r2\r0.25",
                                            "OK/copy to clipboard/128/Tos broke"}));
}

TEST_F(Boxes, PlatformBoxAndBeepAreRecordedHeadless) {
  recorded().clear();
  winYo("fallback");
  beep();
  EXPECT_EQ(recorded(), (std::vector<std::string>{"box Ombrant|fallback", "beep"}));
}

TEST(NumberText, DecimalsAndText) {
  struct Case {
    double x;
    const char* text;
  } cases[] = {{2, "2"}, {5.0, "5"}, {0.25, "0.25"}, {-0.5, "-0.5"}, {1.0 / 3, "0.3333333333"}, {1e-12, "0.0000000000"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(st(c.x), c.text);
  }
  EXPECT_EQ(getdecplaces(2.5, 0), 0);
  EXPECT_EQ(getdecplaces(2.5, 3), 1);
  EXPECT_EQ(getdecplaces(3, 5), 0);
}

}  // namespace

namespace {
using namespace platform;

// On a real display the text of a box with a long path stays inside the box: nothing of it is
// drawn in the margin between the label and the frame.
TEST(BoxesOnXvfb, ALongPathIsDrawnInsideItsBox) {
  if (!testenv::have("Xvfb")) GTEST_SKIP() << "Xvfb is missing";
  testenv::Xvfb server("1280x800x24");
  testenv::DesktopOnXvfb onScreen(server);
  ASSERT_TRUE(onScreen.open()) << "Xvfb did not start";
  createOs();
  {
    Tyo b;
    b.colour = 0x800000;
    b.fontcolour = 0xFFFFFF;
    b.setcaption("The locations file was damaged: it is kept as \"/home/someone/Documents/Ombrant/Kestrova/"
                 "version_8/locations.ini.bad\" and the default locations are shown.");
    b.Show();
    TSurface shot;
    const unsigned long native = desktop().backend().nativeId(b.Handle());
    ASSERT_TRUE(testenv::pollUntil(10000, [&] {
      return x11::grabWindow(native, shot) && shot.width() == b.Width() && shot.pixel(b.labelBox.Left + 2, 2) == 0x800000;
    }));
    auto white = [&](int x, int y) { return shot.pixel(x, y) == 0xFFFFFF; };
    int text = 0, outside = 0;
    for (int y = b.labelBox.Top; y < b.labelBox.Bottom; ++y) {
      for (int x = b.labelBox.Left; x < b.labelBox.Right; ++x) text += white(x, y);
      for (int x = b.labelBox.Right; x < b.Width() - 2; ++x) outside += white(x, y);
    }
    EXPECT_GT(text, 200) << "the text is drawn";
    EXPECT_EQ(outside, 0) << "text beyond the label, towards the frame";
    b.Hide();
  }
  freeOs();
}
}  // namespace
