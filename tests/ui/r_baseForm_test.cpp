// The borderless tabbed form on the headless desktop: the tab selection protocol with pages made
// on first use, the caption-bar hit codes, the self-made drag and edge resize, and the re-layout
// that runs the protocol again after a maximise.
#include "ui/r_baseForm.h"

#include <gtest/gtest.h>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_base.h"
#include "core/r_log.h"
#include "core/text_seams.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    TDisplay d;
    d.name = "Test";
    d.box = Rect(0, 0, 1920, 1080);
    d.workArea = Rect(0, 0, 1920, 1040);
    d.modeWidth = 1920;
    d.modeHeight = 1080;
    d.primary = true;
    b->setDisplays({d});
    hb = b.get();
    resetDesktop(std::move(b));
    createOs();
  }
  void TearDown() override { freeOs(); }
  THeadlessBackend* hb = nullptr;
};

// Records every event of the protocol in order.
struct Protocol {
  std::vector<std::string> events;
  std::vector<TformTab*> priors;
  std::vector<std::unique_ptr<TQYcontrol>> pages;
  void wire(TtabForm& f) {
    f.onLeaveTab = [this](TformTab* t) { events.push_back("leave " + t->name()); };
    f.onNeedpage = [this, &f](TformTab* t) {
      events.push_back("need " + t->name());
      pages.push_back(std::make_unique<TQYcontrol>(&f));
      t->page = pages.back().get();
    };
    f.onSelect = [this, &f](TformTab* t) {
      events.push_back("select " + t->name());
      priors.push_back(f.priorTab);
    };
  }
};

TEST_F(FormTest, SelectionProtocolMakesEachPageOnceAndShowsOnlyTheSelected) {
  TtabForm f;
  f.start();
  TformTab* a = f.add("A", 1);
  TformTab* b = f.add("B", 2);
  Protocol p;
  p.wire(f);

  f.selectTab(0);
  EXPECT_EQ(p.events, (std::vector<std::string>{"need A", "select A"}));
  EXPECT_EQ(p.priors.back(), nullptr);
  ASSERT_NE(a->page, nullptr);
  EXPECT_EQ(a->page->BoundsRect(), f.clientrect());

  f.selectTab(1);
  f.selectTab(1);  // re-selection runs the whole protocol but makes no second page
  EXPECT_EQ(p.events, (std::vector<std::string>{"need A", "select A", "leave A", "need B", "select B", "leave B",
                                                "select B"}));
  EXPECT_EQ(p.priors[1], a);
  EXPECT_EQ(p.priors[2], b);
  EXPECT_FALSE(a->page->Visible());
  EXPECT_TRUE(b->page->Visible());
  EXPECT_EQ(f.selected(), b);

  // Out of range and disabled tabs do nothing.
  const size_t n = p.events.size();
  f.selectTab(-1);
  f.selectTab(2);
  a->SetEnabled(false);
  f.selectTab(0);
  EXPECT_EQ(p.events.size(), n);
}

TEST_F(FormTest, TabLayoutLogsItsStartAndItsEnd) {
  TtabForm f;
  f.start();
  f.add("A", 1);
  f.selectTab(0);
  ::log("mark");
  f.redrawtabs(false);
  ASSERT_TRUE(logObject && logObject->lines());
  std::vector<std::string> after;
  bool marked = false;
  for (const std::string& line : logObject->lines()->lines()) {
    if (marked && line.find("redrawtabs") != std::string::npos) after.push_back(line.substr(line.find("r_baseForm")));
    marked = marked || line.find("mark") != std::string::npos;
  }
  EXPECT_EQ(after, (std::vector<std::string>{"r_baseForm.TtabForm.redrawtabs a", "r_baseForm.TtabForm.redrawtabs b"}));
}

TEST_F(FormTest, FindTakesTheLastTabOfAnIdAndTheDividerKeepsItsBounds) {
  TtabForm f;
  f.start();
  f.add("first", 7);
  TformTab* later = f.add("second", 7);
  EXPECT_EQ(f.find(7), later);
  EXPECT_EQ(f.find(8), nullptr);
  f.setx(150);
  EXPECT_EQ(f.xDivide(), 200);
  f.setx(900);
  EXPECT_EQ(f.xDivide(), 400);
}

TEST_F(FormTest, CaptionHitCodes) {
  TtabForm f;
  f.start();
  f.setMaximized(false);
  f.SetBounds(100, 100, 800, 600);
  const int c = f.capH(), W = f.Width();
  struct Case {
    const char* what;
    int x, y;
    bool help;
    int code;
    Cursor cursor;
  };
  const Case cases[] = {
      {"close box", W - c / 2, c / 2, false, hit_close, Cursor::Hand},
      {"maximise box", W - c - c / 2, c / 2, false, hit_maximise, Cursor::Hand},
      {"minimise box", W - 2 * c - c / 2, c / 2, false, hit_minimise, Cursor::Hand},
      {"fourth box without help is caption", W - 3 * c - c / 2, c / 2, false, hit_caption, Cursor::SizeAll},
      {"fourth box with help", W - 3 * c - c / 2, c / 2, true, hit_help, Cursor::Hand},
      {"caption", 300, c / 2, false, hit_caption, Cursor::SizeAll},
      {"right edge", W - 2, 300, false, hit_edge, Cursor::SizeWE},
      {"bottom-right corner", W - 2, f.Height() - 2, false, hit_edge, Cursor::SizeNWSE},
      {"bottom-left corner", 2, f.Height() - 2, false, hit_edge, Cursor::SizeNESW},
      {"top edge", 300, 2, false, hit_edge, Cursor::SizeNS},
      {"client", 300, 300, false, hit_none, Cursor::Arrow},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    f.onHelp = k.help ? TbaseForm::Event([](void*) {}) : nullptr;
    EXPECT_EQ(f.classify(k.x, k.y), k.cursor);
    EXPECT_EQ(f.hit, k.code);
  }
  f.onHelp = nullptr;
  // Maximised: no edges, and the caption shows the arrow.
  f.setMaximized(true);
  EXPECT_EQ(f.classify(2, 300), Cursor::Arrow);
  EXPECT_EQ(f.hit, hit_none);
  EXPECT_EQ(f.classify(300, c / 2), Cursor::Arrow);
  EXPECT_EQ(f.hit, hit_caption);
}

TEST_F(FormTest, CaptionDragMovesAndEdgeDragResizesWithoutAWindowManager) {
  TtabForm f;
  f.start();
  f.setMaximized(false);
  f.SetBounds(100, 100, 800, 600);
  // Caption: the window follows the pointer; the pointer stays at the same form point.
  f.doMouseMove(300, 10, false);
  f.doMouseDown(300, 10);
  f.doMouseMove(350, 30, true);
  f.doMouseUp(300, 10);
  EXPECT_EQ(f.BoundsRect(), Bounds(150, 120, 800, 600));

  // Right edge: the width follows; released, the client rectangle is laid out again.
  f.doMouseMove(798, 300, false);
  ASSERT_EQ(f.hit, hit_edge);
  f.doMouseDown(798, 300);
  f.doMouseMove(700, 300, true);
  EXPECT_EQ(f.sizeStatus, size_edgeDrag);
  f.doMouseUp(650, 300);
  EXPECT_EQ(f.BoundsRect(), Bounds(150, 120, 650, 600));
  EXPECT_EQ(f.clientrect(), Rect(3, f.capH(), 647, 597));

  // Top edge: top and height move together.
  f.doMouseMove(300, 1, false);
  f.doMouseDown(300, 1);
  f.doMouseUp(300, 21);
  EXPECT_EQ(f.BoundsRect(), Bounds(150, 141, 650, 579));
}

TEST_F(FormTest, MaximiseFromTheBoxRunsTheProtocolAgainAfterTheDelay) {
  TtabForm f;
  f.start();
  f.add("A", 1);
  Protocol p;
  p.wire(f);
  f.setMaximized(false);
  f.selectTab(0);
  p.events.clear();

  f.doMouseMove(f.Width() - f.capH() - 4, 5, false);
  ASSERT_EQ(f.hit, hit_maximise);
  f.doMouseDown(f.Width() - f.capH() - 4, 5);
  EXPECT_TRUE(f.maximized());
  EXPECT_EQ(f.BoundsRect(), Rect(0, 0, 1920, 1040));
  // The page waits out of sight until the re-layout.
  EXPECT_GE(f.getTab(0)->page->Left(), f.clientrect().Right);
  EXPECT_TRUE(p.events.empty());
  for (int i = 0; i < 20 && f.pendingResizes > 0; ++i) {
    desktop().idle(30);
    desktop().processMessages();
  }
  EXPECT_EQ(f.pendingResizes, 0);
  ASSERT_FALSE(p.events.empty());
  EXPECT_EQ(p.events.back(), "select A");
  EXPECT_EQ(f.getTab(0)->page->BoundsRect(), f.clientrect());
  EXPECT_EQ(f.sizeStatus, size_none);
}

TEST_F(FormTest, PlacementOnAMonitorAndTheStoredBox) {
  TtabForm f;
  f.start();
  f.setMonitor(0);
  EXPECT_EQ(f.BoundsRect(), Bounds(320, 180, 1280, 720));
  f.setMaximized(true);
  f.setMaximized(true);  // twice changes nothing
  f.closedown();
  EXPECT_EQ(settings().readString("settings", "last box", ""), "yes,320,180,1600,900");
  f.setMaximized(false);
  EXPECT_EQ(f.BoundsRect(), Bounds(320, 180, 1280, 720));
  f.closedown();
  EXPECT_EQ(settings().readString("settings", "last box", ""), "no,320,180,1280,720");
}

TEST_F(FormTest, AFailureIsBoxedOnceAndNeverForAMouseMove) {
  int boxes = 0;
  yoRecorder = [&](Tyo&) {
    ++boxes;
    return 1;
  };
  TtabForm f;
  f.start();
  const std::runtime_error failure("no image");
  os->lastWindowsMessage = WM_MOUSEMOVE;
  f.MyExceptionHandler(nullptr, failure);
  EXPECT_EQ(boxes, 0);
  os->lastWindowsMessage = WM_TIMER;
  for (int i = 0; i < 3; ++i) f.MyExceptionHandler(nullptr, failure);  // every second, the same failure
  EXPECT_EQ(boxes, 1);
  f.MyExceptionHandler(nullptr, std::runtime_error("another"));
  EXPECT_EQ(boxes, 2);
  yoRecorder = nullptr;
}

TEST_F(FormTest, CaptionDoubleClickTogglesMaximisedThroughTheWindowMessages) {
  TtabForm f;
  f.start();
  f.setMaximized(false);
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  const HWND h = f.Handle();
  auto click = [&](int x, int y) {
    for (auto k : {TInputEvent::MouseMove, TInputEvent::ButtonDown, TInputEvent::ButtonUp}) {
      TInputEvent e;
      e.kind = k;
      e.form = h;
      e.pos = {x, y};
      hb->inject(e);
    }
    desktop().processMessages();
  };
  click(300, 8);
  EXPECT_FALSE(f.maximized());
  click(300, 8);  // the second press within the double-click time
  EXPECT_TRUE(f.maximized());
  hb->advance(1000);
  click(300, 8);
  hb->advance(1000);
  click(300, 8);  // two presses a second apart are no double click
  EXPECT_TRUE(f.maximized());
}

}  // namespace

TEST_F(FormTest, TheHelpBoxShowsItsHintAndLeavingItTakesTheHintAway) {
  TbaseForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  f.onHelp = [](void*) {};
  f.helpHint = "Help pages";
  const int c = f.capH(), W = f.Width();
  f.classify(W - 3 * c - c / 2, c / 2);
  ASSERT_NE(Application().hintWindow(), nullptr);
  auto* hint = dynamic_cast<TQYhintWindow*>(Application().hintWindow());
  ASSERT_NE(hint, nullptr) << "the form's hints use the system's hint window";
  EXPECT_TRUE(hint->Visible());
  EXPECT_EQ(hint->caption(), "Help pages");
  f.classify(300, c / 2);
  EXPECT_FALSE(hint->Visible());
  EXPECT_TRUE(f.Hint.empty());
  // Back over the box, then out of the form.
  f.classify(W - 3 * c - c / 2, c / 2);
  EXPECT_TRUE(hint->Visible());
  f.doMouseLeave();
  EXPECT_FALSE(hint->Visible());
  EXPECT_EQ(f.hit, hit_none);
}

// Every character 6 pixels wide, so that fitting is predictable.
struct FixedWidthText {
  FixedWidthText() {
    textSeam::extentHook = [](std::string const&, int, std::string const& t) {
      return TSize{static_cast<int>(t.size()) * 6, 12};
    };
  }
  ~FixedWidthText() { textSeam::extentHook = nullptr; }
};

TEST_F(FormTest, StatusIsShortenedAsAPathWhenItDoesNotFit) {
  FixedWidthText fixed;
  TbaseForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.statusx = 100;
  f.fstatusRect = Rect(100, 0, 400, f.capH());  // 300 pixels: 47 characters after the margin
  const std::string longPath = "/home/user/Documents/charts/europe/winter/solstice-2026.kst";
  struct Case {
    const char* what;
    std::string text, rStatus, shown;
  };
  const Case cases[] = {
      {"short text whole", "Berlin 12:00", "", "Berlin 12:00"},
      {"long path shortened", longPath, "", "/.../charts/europe/winter/solstice-2026.kst"},
      {"right status takes room", longPath, "UTC+1", "/.../europe/winter/solstice-2026.kst"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    f.frStatus = k.rStatus;
    f.setStatus(k.text);
    EXPECT_EQ(f.status(), k.text);
    EXPECT_EQ(f.shownStatus(), k.shown);
    EXPECT_EQ(f.captionW, static_cast<int>(k.shown.size()) * 6 + 16);
  }
  // Too narrow a status area keeps the old text.
  f.fstatusRect = Rect(100, 0, 180, f.capH());
  f.setStatus("other");
  EXPECT_EQ(f.status(), longPath);
}

TEST_F(FormTest, AFileNameStatusMarksItsBaseNameAndBracketedTail) {
  FixedWidthText fixed;
  TbaseForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.fstatusRect = Rect(100, 0, 600, f.capH());
  f.setFname("/maps/world.kst [changed]");
  const std::string& s = f.shownStatus();
  const auto& marks = f.statusMarks();
  ASSERT_EQ(marks.size(), s.size());
  std::string picked;
  for (size_t i = 0; i < s.size(); ++i) picked += static_cast<char>('0' + marks[i]);
  EXPECT_EQ(picked, "0000001111100000222222222");
  // A name without folder or extension has no base name to mark, and is safe.
  f.setFname("untitled [new]");
  picked.clear();
  for (uint8_t m : f.statusMarks()) picked += static_cast<char>('0' + m);
  EXPECT_EQ(picked, "00000000022222");
  f.setFname("");
  EXPECT_TRUE(f.statusMarks().empty());
}

TEST_F(FormTest, FocusChangesGreyTheCaptionAndReachTheOwner) {
  TtabForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  std::vector<bool> seen;
  f.onActivateForm = [&](void*) { seen.push_back(f.active); };
  auto send = [&](TInputEvent::Kind k) {
    TInputEvent e;
    e.kind = k;
    e.form = f.Handle();
    hb->inject(e);
    desktop().processMessages();
  };
  send(TInputEvent::Deactivated);
  EXPECT_FALSE(f.active);
  send(TInputEvent::Activated);
  EXPECT_TRUE(f.active);
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST_F(FormTest, ADisplayChangePlacesTheFormAfreshAndKeepsItsState) {
  TbaseForm f;
  f.start();
  f.Show();
  auto changeTo = [&](int w, int h) {
    TDisplay d;
    d.name = "Test";
    d.box = Rect(0, 0, w, h);
    d.workArea = Rect(0, 0, w, h - 40);
    d.modeWidth = w;
    d.modeHeight = h;
    d.primary = true;
    hb->setDisplays({d});
    TInputEvent e;
    e.kind = TInputEvent::DisplayChanged;
    e.form = f.Handle();
    hb->inject(e);
    desktop().processMessages();
  };
  f.setMaximized(true);
  changeTo(2560, 1440);
  EXPECT_TRUE(f.maximized());
  EXPECT_EQ(f.Width(), 2560);
  EXPECT_EQ(f.Height(), 1400);
  // Restored through the box, the form keeps its restored state on the new monitor: centred,
  // two thirds of a large screen.
  f.doCommand(-3);
  changeTo(2560, 1440);
  EXPECT_FALSE(f.maximized());
  EXPECT_EQ(f.BoundsRect(), Bounds((2560 - 1707) / 2, (1440 - 960) / 2, 1707, 960));
}

TEST_F(FormTest, TheMenuBoxOpensItsMenuBelowItselfAndPressesWhileHeld) {
  TbaseForm f;
  f.start();
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  TPoint openedAt{-1, -1};
  f.setOnmenu([&](void*) { openedAt = f.menuXY; });
  const TRect raised = f.fmenuBox;
  ASSERT_FALSE(raised.isEmpty());
  EXPECT_EQ(f.classify(raised.Left + 2, raised.Top + 2), Cursor::Hand);
  EXPECT_EQ(f.hit, hit_menu);
  f.doMouseDown(raised.Left + 2, raised.Top + 2);
  EXPECT_EQ(f.hit, hit_menuDown);
  EXPECT_EQ(f.fmenuBox, Rect(raised.Left + 1, raised.Top + 1, raised.Right + 1, raised.Bottom + 1));
  EXPECT_EQ(openedAt, f.ClientToScreen(TPoint{f.fmenuBox.Left, f.fmenuBox.Bottom}));
  f.doMouseUp(raised.Left + 2, raised.Top + 2);
  EXPECT_EQ(f.fmenuBox, raised);
  EXPECT_EQ(f.hit, hit_none);
  desktop().processMessages();  // paints with the menu box in place of the icon
}

TEST_F(FormTest, TheTitleIsRenderedSmoothForBothCaptionStates) {
  TbaseForm f;
  f.start();
  f.setTitle("Kestrova");
  const int c = f.capH();
  struct Case {
    const char* what;
    TBitmap& bm;
    TColor background;
  };
  const Case cases[] = {{"active", f.titlebm, static_cast<TColor>(f.colour)}, {"inactive", f.titlebm2, 0xDCDCDC}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(k.bm.Height(), c - 2);
    ASSERT_GT(k.bm.Width(), 10);
    EXPECT_EQ(k.bm.Canvas().Pixels(0, 0), k.background);
    // White letters shrunk by averaging leave blended edge pixels.
    bool blended = false;
    for (int y = 0; y < k.bm.Height(); ++y)
      for (int x = 0; x < k.bm.Width(); ++x) {
        const TColor p = k.bm.Canvas().Pixels(x, y);
        blended = blended || (p != clWhite && p != k.background);
      }
    EXPECT_TRUE(blended);
  }
  // A new caption height renders the title again.
  f.setCapH(30);
  EXPECT_EQ(f.titlebm.Height(), 28);
}

namespace {
TDisplay display(const char* name, TRect box, TRect work) {
  TDisplay d;
  d.name = name;
  d.box = box;
  d.workArea = work;
  d.modeWidth = box.width();
  d.modeHeight = box.height();
  return d;
}
}  // namespace

TEST_F(FormTest, MaximisingFillsTheWorkAreaOfTheMonitorUnderTheWindow) {
  struct Case {
    const char* what;
    std::vector<TDisplay> displays;
    TRect restored;      // the window before maximising
    TRect maximised;     // expected box
    int monitor;         // expected current monitor
    bool storesMonitor;  // the "monitor" setting is written
  };
  const TDisplay left = display("Left", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1040));
  const TDisplay right = display("Right", Rect(1920, 0, 4480, 1440), Rect(1920, 0, 4480, 1400));
  const Case cases[] = {
      {"second monitor, its own panel", {left, right}, Bounds(2500, 300, 1280, 720), Rect(1920, 0, 4480, 1400), 1, true},
      {"first monitor of two", {left, right}, Bounds(100, 100, 800, 600), Rect(0, 0, 1920, 1040), 0, true},
      {"one monitor without a task bar: 3 pixels stay free",
       {display("Only", Rect(0, 0, 1280, 800), Rect(0, 0, 1280, 800))},
       Bounds(100, 100, 800, 600),
       Rect(0, 0, 1280, 797),
       0,
       false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    hb->setDisplays(k.displays);
    os->monitors->refresh();
    settings().writestring("settings", "monitor", "");
    TtabForm f;
    f.start();
    f.setMaximized(false);
    f.SetBounds(k.restored.Left, k.restored.Top, k.restored.width(), k.restored.height());
    f.setMaximized(true);
    EXPECT_EQ(f.BoundsRect(), k.maximised);
    EXPECT_EQ(f.clientrect(), Rect(0, f.capH(), k.maximised.width(), k.maximised.height()));
    EXPECT_EQ(os->monitors->currentIndex(), k.monitor);
    EXPECT_EQ(settings().readString("settings", "monitor", ""), k.storesMonitor ? os->monitors->fullname(k.monitor) : "");
    f.setMaximized(false);
    EXPECT_EQ(f.BoundsRect(), k.restored);
  }
}

TEST_F(FormTest, CaptionDoubleClickWithoutAMoveBetweenTheClicks) {
  TtabForm f;
  f.start();
  f.setMaximized(false);
  f.SetBounds(100, 100, 800, 600);
  f.Show();
  const HWND h = f.Handle();
  auto inject = [&](TInputEvent::Kind k) {
    TInputEvent e;
    e.kind = k;
    e.form = h;
    e.pos = {300, 8};
    hb->inject(e);
  };
  inject(TInputEvent::MouseMove);
  for (int i = 0; i < 2; ++i) {
    inject(TInputEvent::ButtonDown);
    inject(TInputEvent::ButtonUp);
  }
  desktop().processMessages();
  EXPECT_TRUE(f.maximized());
  hb->advance(1000);
  for (int i = 0; i < 2; ++i) {
    inject(TInputEvent::ButtonDown);
    inject(TInputEvent::ButtonUp);
  }
  desktop().processMessages();
  EXPECT_FALSE(f.maximized());
}

TEST_F(FormTest, TheErrorBoxNamesTheFailureTheSourceAndTheWindow) {
  std::string shown;
  yoRecorder = [&](Tyo& y) {
    shown = y.caption();
    return 1;
  };
  TtabForm f;
  f.start();
  f.Show();
  TQYcontrol page(&f);
  desktop().sendMessage(page.Handle(), WM_NULL);
  TMsg m;
  m.hwnd = page.Handle();
  m.message = WM_TIMER;
  desktop().dispatchMessage(m);
  os->lastWindowsMessage = WM_TIMER;
  TqyObject source("places");
  f.MyExceptionHandler(&source, std::out_of_range("index 7"));
  yoRecorder = nullptr;
  EXPECT_NE(shown.find("Error: out_of_range"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Source: r_base.places (TqyObject)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Window: TQYcontrol"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("St12"), std::string::npos) << "no mangled type name: " << shown;
}

TEST_F(FormTest, SimulatedMagnificationGrowsTheCaption) {
  TtabForm f;
  f.start();
  const int before = f.capH();
  f.SimulateMagnification(1.5);
  EXPECT_EQ(f.capH(), os->gp(22));
  EXPECT_GT(f.capH(), before);
  f.SimulateMagnification(1.0);
  EXPECT_EQ(f.capH(), before);
}

TEST_F(FormTest, LeftButtonsOfTheArrowTypesDrawTheirArrow) {
  TtabForm f;
  f.start();
  f.SetBounds(0, 0, 800, 600);
  f.Show();
  f.active = true;
  for (int type : {3, 4}) {
    SCOPED_TRACE(type);
    TformButton* b = f.addLeftButton("", type);
    b->setType(type);
    b->SetBounds(10, 2, 40, 18);
    b->redraw();
    desktop().update(f.Handle());
    TSurface const* s = hb->screen(f.Handle());
    ASSERT_NE(s, nullptr);
    // Blue ink in the glyph's place at the right end.
    int leftMost = 1000, blue = 0;
    for (int y = 2; y < 20; ++y)
      for (int x = 10; x < 50; ++x)
        if (s->pixel(x, y) == clBlue) {
          ++blue;
          leftMost = std::min(leftMost, x);
        }
    EXPECT_GT(blue, 3);
    EXPECT_GE(leftMost, 10 + 40 - os->gp(14));
    b->Hide();
  }
}
