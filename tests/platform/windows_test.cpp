// The window tree and message loop on the headless backend: queue order, routing of mouse input
// (capture, hidden and disabled windows), painting with children clipped, timers on the injected
// clock, modal loops and the removal of droppable input.
#include "platform/windows.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"

extern char** environ;

namespace {
using namespace platform;

// A window that records what reaches it and paints itself in one colour.
class Probe : public TWindowProc {
 public:
  explicit Probe(std::vector<std::string>* log, std::string name, TColor colour = 0)
      : flog(log), fname(std::move(name)), fcolour(colour) {}
  LRESULT windowProc(TMsg& m) override {
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP ||
        m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_TIMER || m.message >= WM_USER ||
        m.message == WM_CLOSE)
      flog->push_back(fname + ":" + std::to_string(m.message) + "@" + std::to_string(GET_X_LPARAM(m.lParam)) + "," +
                      std::to_string(GET_Y_LPARAM(m.lParam)));
    return 0;
  }
  void paintWindow(TDeviceContext& dc) override {
    ++paints;
    dc.fillRect(Rect(-1000, -1000, 1000, 1000), solidBrush(fcolour));
  }
  int paints = 0;

 private:
  std::vector<std::string>* flog;
  std::string fname;
  TColor fcolour;
};

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<THeadlessBackend>();
    hb = b.get();
    d = &resetDesktop(std::move(b));
  }
  HWND form(Probe& p, TRect box, uint32_t style = WS_VISIBLE) {
    return d->createWindow({0, box, style, "form", "", &p});
  }
  HWND child(HWND parent, Probe& p, TRect box, uint32_t style = WS_VISIBLE | WS_CHILD) {
    return d->createWindow({parent, box, style, "child", "", &p});
  }
  TInputEvent mouse(HWND f, TInputEvent::Kind k, int x, int y) {
    TInputEvent e;
    e.kind = k;
    e.form = f;
    e.pos = {x, y};
    return e;
  }
  TInputEvent key(HWND f, TInputEvent::Kind k, int vk) {
    TInputEvent e;
    e.kind = k;
    e.form = f;
    e.key = vk;
    return e;
  }
  THeadlessBackend* hb = nullptr;
  TDesktop* d = nullptr;
  std::vector<std::string> log;
};

TEST_F(Desktop, QueueServesPostedThenInputThenPaintThenTimers) {
  Probe p(&log, "f");
  HWND f = form(p, Bounds(0, 0, 100, 100));
  d->setTimer(f, 7, 0);
  hb->inject(mouse(f, TInputEvent::MouseMove, 5, 6));
  d->postMessage(f, WM_USER + 1);
  std::vector<uint32_t> order;
  TMsg m;
  while (d->peekMessage(m, true) && order.size() < 5) {
    order.push_back(m.message);
    d->dispatchMessage(m);
    if (m.message == WM_TIMER) d->killTimer(f, 7);
  }
  EXPECT_EQ(order, (std::vector<uint32_t>{WM_USER + 1, WM_MOUSEMOVE, WM_PAINT, WM_TIMER}));
}

TEST_F(Desktop, HookSeesQueuedMessagesBeforeTheirWindowAndCanKeepThemFromIt) {
  Probe p(&log, "f");
  HWND f = form(p, Bounds(0, 0, 100, 100));
  d->hook = [&](TMsg& m, bool& handled) {
    if (m.message == WM_KEYDOWN) {
      log.push_back("hook:key");
      handled = m.wParam == VK_LEFT;
    }
  };
  hb->inject(key(f, TInputEvent::KeyDown, VK_LEFT));
  hb->inject(key(f, TInputEvent::KeyDown, 'A'));
  d->processMessages();
  d->sendMessage(f, WM_KEYDOWN, 'B');  // sent messages bypass the hook
  EXPECT_EQ(log, (std::vector<std::string>{"hook:key", "hook:key", "f:256@1,0", "f:256@0,0"}));
}

TEST_F(Desktop, MouseGoesToTheDeepestVisibleEnabledWindowOrTheCapture) {
  Probe pf(&log, "f"), pa(&log, "a"), pb(&log, "b"), pc(&log, "c");
  HWND f = form(pf, Bounds(100, 100, 200, 200));
  HWND a = child(f, pa, Bounds(10, 10, 80, 80));
  HWND b = child(a, pb, Bounds(5, 5, 20, 20));
  HWND c = child(f, pc, Bounds(50, 50, 40, 40));  // above a where they overlap
  struct Case {
    const char* id;
    int x, y;
    std::string expect;
  } cases[] = {
      {"form itself", 2, 3, "f:512@2,3"},
      {"child's child in child coordinates", 16, 17, "b:512@1,2"},
      {"later sibling is on top", 55, 55, "c:512@5,5"},
  };
  for (auto const& k : cases) {
    SCOPED_TRACE(k.id);
    log.clear();
    hb->inject(mouse(f, TInputEvent::MouseMove, k.x, k.y));
    d->processMessages();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], k.expect);
  }
  // Hidden windows are not hit; disabled ones (and what lies inside them) take nothing.
  d->show(c, false);
  log.clear();
  hb->inject(mouse(f, TInputEvent::MouseMove, 55, 55));
  d->processMessages();
  d->enable(a, false);
  hb->inject(mouse(f, TInputEvent::MouseMove, 16, 17));
  d->processMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"a:512@45,45"}));
  EXPECT_FALSE(d->isEnabled(b));
  // With capture, moves outside the window still reach it, in its client coordinates.
  d->enable(a, true);
  d->setCapture(b);
  log.clear();
  hb->inject(mouse(f, TInputEvent::MouseMove, 0, 0));
  hb->inject(mouse(f, TInputEvent::ButtonUp, 190, 1));
  d->processMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"b:512@-15,-15", "b:514@175,-14"}));
}

TEST_F(Desktop, PaintingClipsVisibleChildrenAndShowsOnlyDirtyParts) {
  Probe pf(&log, "f", RGB(255, 0, 0)), pc(&log, "c", RGB(0, 0, 255));
  HWND f = form(pf, Bounds(0, 0, 20, 10));
  HWND c = child(f, pc, Bounds(5, 2, 4, 4));
  d->update(f);
  TSurface const* s = hb->screen(f);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->pixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(s->pixel(5, 2), RGB(0, 0, 255));
  EXPECT_EQ(s->pixel(8, 5), RGB(0, 0, 255));
  EXPECT_EQ(s->pixel(9, 5), RGB(255, 0, 0));
  // Hiding the child repaints only its area, and the parent now covers it.
  const int before = pf.paints;
  d->show(c, false);
  d->update(f);
  EXPECT_EQ(s->pixel(6, 3), RGB(255, 0, 0));
  EXPECT_EQ(pf.paints, before + 1);
  // Invalidating nothing paints nothing.
  const int presents = hb->presentCount();
  d->update(f);
  EXPECT_EQ(hb->presentCount(), presents);
}

TEST_F(Desktop, LateTimerTicksMergeIntoOne) {
  Probe p(&log, "f");
  HWND f = form(p, Bounds(0, 0, 10, 10));
  d->update(f);
  d->setTimer(f, 1, 100);
  hb->advance(1000);  // ten intervals late
  d->processMessages();
  EXPECT_EQ(log.size(), 1u);
  // The next tick is a whole interval after the late one, not the backlog.
  EXPECT_EQ(d->nextTimerIn(), 100);
}

TEST_F(Desktop, ZeroIntervalCallbackRunsOnTheNextTurnOfTheLoop) {
  int runs = 0;
  uintptr_t id = 0;
  id = d->setTimer(0, [&] {
    ++runs;
    d->killTimer(0, id);
  });
  EXPECT_EQ(runs, 0);  // never inside the call that set it
  const uint32_t start = d->now();
  d->processOne();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(d->now(), start);  // no waiting was needed
  d->processMessages();
  EXPECT_EQ(runs, 1);
}

TEST_F(Desktop, WaitingSleepsUntilTheNextTimerWithoutSpinning) {
  int runs = 0;
  d->setTimer(250, [&] { ++runs; });
  const uint32_t start = d->now();
  TMsg m;
  ASSERT_TRUE(d->getMessage(m));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(d->now() - start, 250u);  // one wait, exactly to the deadline
  EXPECT_FALSE(d->waitMessage(100));  // nothing due within the limit: the wait ends
  EXPECT_EQ(d->now() - start, 350u);
}

TEST_F(Desktop, ModalLoopBlocksOtherFormsButKeepsTimersAndPainting) {
  Probe pm(&log, "main"), pd(&log, "dialog");
  HWND main = form(pm, Bounds(0, 0, 100, 100));
  HWND dlg = form(pd, Bounds(200, 0, 50, 50));
  d->update(main);
  d->update(dlg);
  int ticks = 0;
  d->setTimer(10, [&] { ++ticks; });
  hb->injectAt(d->now() + 5, mouse(main, TInputEvent::ButtonDown, 1, 1));
  hb->injectAt(d->now() + 6, mouse(dlg, TInputEvent::ButtonDown, 2, 2));
  hb->injectAt(d->now() + 50, key(dlg, TInputEvent::KeyDown, VK_RETURN));
  bool done = false;
  d->hook = [&](TMsg& m, bool&) {
    if (m.message == WM_KEYDOWN) done = true;
    if (m.message == WM_TIMER) d->invalidate(main);
  };
  const int painted = pm.paints;
  d->runModal(dlg, [&] { return done; });
  EXPECT_EQ(log, (std::vector<std::string>{"dialog:513@2,2", "dialog:256@1,0"}));
  EXPECT_GE(ticks, 4);
  EXPECT_GT(pm.paints, painted);  // the blocked form still repaints
  EXPECT_EQ(d->modalForm(), 0u);
}

// The wheel turns the window under the pointer, not the focused one; a disabled window's turn
// goes to its enabled parent, and a window holding the capture takes every turn.
TEST_F(Desktop, WheelGoesToTheWindowUnderThePointer) {
  Probe pf(&log, "f"), pa(&log, "a"), pb(&log, "b"), pc(&log, "c");
  HWND f = form(pf, Bounds(0, 0, 200, 100));
  HWND a = child(f, pa, Bounds(0, 0, 50, 50));
  HWND b = child(f, pb, Bounds(100, 0, 50, 50));
  HWND c = child(b, pc, Bounds(10, 10, 20, 20), WS_VISIBLE | WS_CHILD | WS_DISABLED);
  std::vector<HWND> turned;
  d->hook = [&](TMsg& m, bool&) {
    if (m.message == WM_MOUSEWHEEL) turned.push_back(m.hwnd);
  };
  d->setFocus(a);
  auto wheelAt = [&](int x, int y) {
    TInputEvent e = mouse(f, TInputEvent::Wheel, x, y);
    e.wheel = -WHEEL_DELTA;
    hb->inject(e);
    d->processMessages();
  };
  wheelAt(120, 40);  // over b, a has the focus
  wheelAt(115, 15);  // over the disabled c inside b
  wheelAt(70, 70);   // over the form itself
  d->setCapture(a);
  wheelAt(120, 40);
  EXPECT_EQ(turned, (std::vector<HWND>{b, b, f, a}));
  (void)c;
}

// A form that goes with the focus inside gives it back to the window it came from, and the
// desktop's keyboard focus passes to that window's form (without a window manager it would go
// nowhere). A modal loop puts the focus into its form.
TEST_F(Desktop, FocusReturnsWhereItCameFromWhenAFormGoes) {
  Probe pm(&log, "main"), pa(&log, "a"), pd(&log, "dialog"), pe(&log, "e");
  HWND main = form(pm, Bounds(0, 0, 300, 200));
  HWND a = child(main, pa, Bounds(10, 10, 50, 20));
  d->setFocus(a);
  HWND dlg = form(pd, Bounds(50, 50, 100, 80));
  HWND e = child(dlg, pe, Bounds(5, 5, 40, 20));
  bool inside = false;
  d->setTimer(5, [&] {
    inside = d->focus() == dlg;
    d->setFocus(e);
    d->show(dlg, false);
  });
  d->runModal(dlg, [&] { return !d->isVisible(dlg); });
  EXPECT_TRUE(inside) << "the modal loop puts the focus into its form";
  EXPECT_EQ(d->focus(), a);
  ASSERT_FALSE(hb->passedFocus().empty());
  EXPECT_EQ(hb->passedFocus().back(), std::make_pair(dlg, main));
  // Destroyed with the focus inside: the same.
  d->show(dlg, true);
  d->setFocus(e);
  d->destroyWindow(dlg);
  EXPECT_EQ(d->focus(), a);
  // A form that never had the focus leaves it where it is; one that takes no focus passes none.
  Probe ph(&log, "hint");
  HWND hint = form(ph, Bounds(0, 0, 20, 10), WS_VISIBLE | WS_EX_NOACTIVATE);
  const size_t passes = hb->passedFocus().size();
  d->show(hint, false);
  EXPECT_EQ(d->focus(), a);
  EXPECT_EQ(hb->passedFocus().size(), passes);
}

TEST_F(Desktop, ModalLoopEndsWhenItsFormGoesOrQuitIsPosted) {
  Probe pd(&log, "dialog");
  HWND dlg = form(pd, Bounds(0, 0, 50, 50));
  d->setTimer(20, [&] { d->destroyWindow(dlg); });
  d->runModal(dlg, [] { return false; });
  EXPECT_FALSE(d->isWindow(dlg));

  HWND dlg2 = form(pd, Bounds(0, 0, 50, 50));
  d->postQuitMessage();
  d->runModal(dlg2, [] { return false; });
  EXPECT_TRUE(d->terminated());
}

TEST_F(Desktop, ClearingDropsMovesButNeverGestureEndsKeysPaintsOrTimers) {
  Probe p(&log, "f");
  HWND f = form(p, Bounds(0, 0, 50, 50));
  d->setTimer(f, 3, 0);
  hb->inject(mouse(f, TInputEvent::ButtonUp, 1, 1));
  hb->inject(key(f, TInputEvent::KeyUp, 'Q'));
  hb->inject(mouse(f, TInputEvent::MouseMove, 2, 2));
  EXPECT_TRUE(d->removeOneDroppable());
  EXPECT_FALSE(d->removeOneDroppable());
  std::vector<uint32_t> left;
  TMsg m;
  while (d->peekMessage(m, true) && left.size() < 4) {
    left.push_back(m.message);
    d->dispatchMessage(m);
    if (m.message == WM_TIMER) d->killTimer(f, 3);
  }
  EXPECT_EQ(left, (std::vector<uint32_t>{WM_LBUTTONUP, WM_KEYUP, WM_PAINT, WM_TIMER}));
}

TEST_F(Desktop, KeyStatesAnswerHeldAndPressedSinceAsked) {
  Probe p(&log, "f");
  HWND f = form(p, Bounds(0, 0, 50, 50));
  hb->inject(key(f, TInputEvent::KeyDown, VK_ESCAPE));
  hb->inject(key(f, TInputEvent::KeyUp, VK_ESCAPE));
  d->processMessages();
  EXPECT_EQ(d->asyncKeyState(VK_ESCAPE), 1);  // up now, but pressed since last asked
  EXPECT_EQ(d->asyncKeyState(VK_ESCAPE), 0);
  hb->inject(key(f, TInputEvent::KeyDown, VK_SHIFT));
  d->processMessages();
  EXPECT_TRUE(d->keyDown(VK_SHIFT));
  EXPECT_EQ(d->asyncKeyState(VK_SHIFT) & 0x8000, 0x8000);
}

TEST_F(Desktop, DestroyingAWindowTakesItsChildrenTimersCaptureAndFocus) {
  Probe pf(&log, "f"), pa(&log, "a"), pb(&log, "b");
  HWND f = form(pf, Bounds(0, 0, 50, 50));
  HWND a = child(f, pa, Bounds(0, 0, 20, 20));
  HWND b = child(a, pb, Bounds(0, 0, 10, 10));
  d->setTimer(b, 1, 10);
  d->setCapture(b);
  d->setFocus(b);
  d->destroyWindow(a);
  EXPECT_FALSE(d->isWindow(b));
  EXPECT_FALSE(d->hasTimer(b, 1));
  EXPECT_EQ(d->capture(), 0u);
  EXPECT_EQ(d->focus(), 0u);
  EXPECT_FALSE(d->postMessage(b, WM_USER));
}

TEST(RegisteredMessages, SameNameSameNumberAboveTheFixedRange) {
  const uint32_t a = RegisterWindowMessage("wm_ombrant");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterWindowMessage("WM_OMBRANT"), a);
  EXPECT_NE(RegisterWindowMessage("another"), a);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

}  // namespace

namespace {
using namespace platform;

pid_t spawnSleep(const char* seconds) {
  pid_t pid = 0;
  const char* argv[] = {"sleep", seconds, nullptr};
  posix_spawnp(&pid, "sleep", nullptr, nullptr, const_cast<char**>(argv), environ);
  return pid;
}

TEST(WaitProcess, EndsWhenTheChildEndsOrAtTheLimit) {
  resetDesktop(std::make_unique<THeadlessBackend>());
  const pid_t quick = spawnSleep("0.05");
  ASSERT_GT(quick, 0);
  EXPECT_TRUE(waitProcess(quick, 5000));
  const pid_t slow = spawnSleep("5");
  ASSERT_GT(slow, 0);
  const uint32_t start = tickCount();
  EXPECT_FALSE(waitProcess(slow, 100));
  const uint32_t spent = tickCount() - start;
  EXPECT_GE(spent, 100u);
  EXPECT_LT(spent, 2000u);
  kill(slow, SIGKILL);
  waitpid(slow, nullptr, 0);
  EXPECT_FALSE(waitProcess(0, 10));
}
}  // namespace

TEST_F(Desktop, ChildMovesToAnotherFormWithItsChildrenAndBack) {
  Probe pa(&log, "a", 0x0000FF), pb(&log, "b", 0x00FF00), pc(&log, "c", 0xFF0000), pg(&log, "g", 0x00FFFF);
  HWND a = form(pa, Bounds(0, 0, 100, 100));
  HWND b = form(pb, Bounds(200, 0, 100, 100));
  HWND c = child(a, pc, Bounds(10, 10, 40, 40));
  HWND g = child(c, pg, Bounds(5, 5, 10, 10));
  d->setFocus(g);
  ASSERT_TRUE(d->setParent(c, b));
  EXPECT_EQ(d->parent(c), b);
  EXPECT_EQ(d->topLevel(g), b);
  EXPECT_EQ(d->focus(), g);  // the state inside goes along
  EXPECT_EQ(d->clientToScreen(g, {0, 0}), (TPoint{215, 15}));
  d->processMessages();
  EXPECT_EQ(hb->screen(b)->pixel(40, 40), 0xFF0000u);
  EXPECT_EQ(hb->screen(b)->pixel(16, 16), 0x00FFFFu);
  EXPECT_EQ(hb->screen(a)->pixel(40, 40), 0x0000FFu);  // the old place is painted again
  EXPECT_FALSE(d->setParent(c, g));  // not into its own child
  EXPECT_FALSE(d->setParent(a, b));  // a form is no child
  EXPECT_TRUE(d->setParent(c, a));
  EXPECT_EQ(d->children(b).size(), 0u);
  EXPECT_EQ(d->topLevel(g), a);
}

TEST_F(Desktop, SecondPressOfADoubleClickComesAsDoubleClickMessageToWindowsThatAsk) {
  Probe p(&log, "f"), q(&log, "g");
  HWND f = form(p, Bounds(0, 0, 100, 100), WS_VISIBLE | CS_DBLCLKS);
  HWND g = form(q, Bounds(200, 0, 100, 100));
  std::vector<uint32_t> seen;
  d->hook = [&](TMsg& m, bool&) {
    if (m.message >= WM_LBUTTONDOWN && m.message <= WM_LBUTTONDBLCLK) seen.push_back(m.message);
  };
  auto press = [&](HWND w, int clicks) {
    TInputEvent e = mouse(w, TInputEvent::ButtonDown, 5, 5);
    e.clicks = clicks;
    hb->inject(e);
    hb->inject(mouse(w, TInputEvent::ButtonUp, 5, 5));
  };
  press(f, 1);
  press(f, 2);
  press(g, 2);  // an ordinary press for a window that did not ask
  d->processMessages();
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
                                         WM_LBUTTONUP}));
}

TEST_F(Desktop, ProgramDeactivationIsToldOnceFocusStaysAwayAndNotWhenItMovesBetweenOwnWindows) {
  Probe pa(&log, "a"), pb(&log, "b");
  HWND a = form(pa, Bounds(0, 0, 100, 100));
  HWND b = form(pb, Bounds(200, 0, 100, 100));
  std::vector<std::string> told;
  d->hook = [&](TMsg& m, bool&) {
    if (m.message == WM_ACTIVATEAPP) told.push_back(std::to_string(m.hwnd == a ? 'a' : 'b') + ":" + std::to_string(m.wParam));
  };
  auto focusEvent = [&](HWND f, TInputEvent::Kind k) {
    TInputEvent e;
    e.kind = k;
    e.form = f;
    hb->inject(e);
  };
  auto runFor = [&](uint32_t ms) {
    const uint32_t end = d->now() + ms;
    while (static_cast<int32_t>(end - d->now()) > 0)
      if (!d->processOne()) d->idle(end - d->now());
  };
  focusEvent(a, TInputEvent::Activated);
  runFor(10);
  const std::string A = std::to_string('a'), B = std::to_string('b');
  EXPECT_EQ(told, (std::vector<std::string>{A + ":1", B + ":1"}));
  told.clear();
  focusEvent(a, TInputEvent::Deactivated);  // into our own other window
  runFor(20);
  focusEvent(b, TInputEvent::Activated);
  runFor(500);
  EXPECT_TRUE(told.empty());
  EXPECT_TRUE(d->appActive());
  focusEvent(b, TInputEvent::Deactivated);  // to another program
  runFor(500);
  EXPECT_EQ(told, (std::vector<std::string>{A + ":0", B + ":0"}));
  EXPECT_FALSE(d->appActive());
}
