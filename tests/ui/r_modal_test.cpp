// The modal popup and the dialog host on the headless desktop: placement against the main window
// and the work area, the close cross, the wheel handler put back, the dialog's sizing and button
// row, the content moved in and back, and hiding while another program is active.
#include "ui/r_modal.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/ui/modal_support.h"
#include "ui/r_baseForm.h"
#include "ui/r_edit.h"

namespace {
using namespace platform;
using testenv::click;
using testenv::inModal;

class ModalTest : public testenv::HeadlessOsTest {
 protected:
  void runFor(uint32_t ms) {
    const uint32_t end = desktop().now() + ms;
    while (static_cast<int32_t>(end - desktop().now()) > 0)
      if (!desktop().processOne()) desktop().idle(end - desktop().now());
    desktop().processMessages();
  }
};

TEST_F(ModalTest, PopupNearTheMainWindowsCornerEndsInsideIt) {
  TbaseForm main;
  baseform = &main;
  main.SetBounds(100, 100, 800, 600);  // right 900, bottom 700
  (void)main.Handle();
  struct Case {
    const char* id;
    TPoint at;
    TPoint expect;
  };
  const Case cases[] = {
      {"inside", {200, 200}, {200, 200}},
      {"lower right corner", {880, 690}, {900 - 300 - 24, 700 - 60 - 24}},
      {"right only", {850, 300}, {576, 300}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TmodalControl p;
    TRect seen;
    p.onPreShow = [&](TmodalControl* m) {
      seen = m->BoundsRect();
      inModal([m] { m->ModalResult = mrCancel; });
    };
    EXPECT_EQ(p.execute(c.at.X, c.at.Y), mrCancel);
    EXPECT_EQ(seen.Left, c.expect.X);
    EXPECT_EQ(seen.Top, c.expect.Y);
  }
  // Below a box near the right edge: 4 pixels inside first, then the corner rule.
  TmodalControl p;
  TRect seen;
  p.onPreShow = [&](TmodalControl* m) {
    seen = m->BoundsRect();
    inModal([m] { m->ModalResult = mrOk; });
  };
  int oks = 0;
  p.onOk = [&](TmodalControl*) { ++oks; };
  EXPECT_TRUE(p.execute(Rect(800, 200, 890, 220)));
  EXPECT_EQ(seen.Left, 900 - 300 - 4);
  EXPECT_EQ(seen.Top, 220);
  EXPECT_EQ(oks, 1);
  baseform = nullptr;
}

TEST_F(ModalTest, ButtonsEndTheLoopAndTheCloseCrossCancelsWithTheWheelHandlerPutBack) {
  TmodalControl p;
  p.withClose = true;
  int wheels = 0;
  os->onMouseWheel = [&](void*) { wheels = -1; };
  p.onMouseWheel2 = [&](void*) { ++wheels; };
  bool replaced = false;
  p.onPreShow = [&](TmodalControl*) {
    replaced = true;
    os->onMouseWheel(nullptr);
    inModal([&] { click(p, *p.okbut); });
  };
  EXPECT_EQ(p.execute(300, 300), mrOk);
  EXPECT_TRUE(replaced);
  EXPECT_EQ(wheels, 1);
  os->onMouseWheel(nullptr);
  EXPECT_EQ(wheels, -1);  // the services object's own handler again
  // The button pair ends 4 pixels from the right edge, Cancel left of OK.
  EXPECT_EQ(p.okbut->Left() + p.okbut->Width(), p.Width() - os->gp(4));
  EXPECT_EQ(p.cancelBut->Left() + p.cancelBut->Width() + os->gp(4), p.okbut->Left());
  p.onPreShow = [&](TmodalControl*) {
    inModal([&] {
      TInputEvent e;
      e.form = p.Handle();
      e.pos = {p.closeBox.Left + 3, p.closeBox.Top + 3};
      e.kind = TInputEvent::MouseMove;
      hb->inject(e);
      desktop().processMessages();
      EXPECT_EQ(p.hit, 1);
      EXPECT_EQ(hb->cursor(), Cursor::Hand);
      e.kind = TInputEvent::ButtonDown;
      hb->inject(e);
      e.kind = TInputEvent::ButtonUp;
      hb->inject(e);
    });
  };
  EXPECT_EQ(p.execute(300, 300), mrCancel);
}

TEST_F(ModalTest, DialogSizesToItsContentAndLaysOutItsButtonRow) {
  TForm home;
  home.SetBounds(0, 0, 500, 400);
  home.Show();
  Tedit content(&home);
  content.SetBounds(5, 5, 60, 22);
  content.setText("kept");
  TQYdlg dlg(&home);
  dlg.noBut->setCaption("No");
  TRect box = Rect(50, 60, 150, 80);
  dlg.onPreShow = [&](TQYdlg* d) {
    EXPECT_EQ(d->state, 1);
    inModal([&] {
      EXPECT_EQ(dlg.state, 2);
      EXPECT_EQ(content.Parent(), &dlg);
      EXPECT_EQ(dlg.ClientRect().width(), 102);  // narrower content is widened to 100
      EXPECT_EQ(content.Width(), 100);
      EXPECT_EQ(content.Top(), os->gp(20) + 1);
      EXPECT_EQ(dlg.Top(), 80);
      EXPECT_EQ(dlg.Left(), 50);
      EXPECT_TRUE(dlg.noBut->Visible());
      EXPECT_EQ(dlg.noBut->Left(), os->gp(4));
      EXPECT_FALSE(dlg.yesBut->Visible());
      EXPECT_EQ(dlg.okbut->Left() + dlg.okbut->Width(), dlg.Width() - os->gp(4));
      click(dlg, *dlg.noBut);
    });
  };
  std::vector<std::string> events;
  dlg.onFinish = [&](TWinControl*) { events.push_back("finish"); };
  dlg.onResult = [&](TWinControl*) { events.push_back("result"); };
  EXPECT_EQ(dlg.showModal(box, &content), mrNo);
  EXPECT_EQ(events, std::vector<std::string>{"finish"});
  EXPECT_EQ(content.Parent(), &home);  // given back, its state kept
  EXPECT_EQ(content.text(), "kept");
  EXPECT_EQ(dlg.fwin, nullptr);
  // OK runs onPreResult, then the result; kept in the dialog without releaseWindow.
  dlg.releaseWindow = false;
  dlg.onPreShow = [&](TQYdlg*) { inModal([&] { click(dlg, *dlg.okbut); }); };
  int pre = 0;
  dlg.onPreResult = [&](TQYdlg*) { ++pre; };
  events.clear();
  EXPECT_EQ(dlg.showModal(box, &content), mrOk);
  EXPECT_EQ(pre, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"finish", "result"}));
  EXPECT_EQ(content.Parent(), &dlg);
}

TEST_F(ModalTest, DialogNearTheWorkAreasEdgeIsPulledIn) {
  TForm home;
  home.SetBounds(0, 0, 500, 400);
  Tedit content(&home);
  content.SetBounds(0, 0, 300, 200);
  TQYdlg dlg(&home);
  TRect seen;
  dlg.onPreShow = [&](TQYdlg*) {
    inModal([&] {
      seen = dlg.BoundsRect();
      dlg.cancel();
    });
  };
  EXPECT_EQ(dlg.showModal(Rect(1800, 1000, 1850, 1010), &content), mrCancel);
  EXPECT_EQ(seen.Right, 1920 - 24);
  EXPECT_EQ(seen.Bottom, 1040 - 24);
}

TEST_F(ModalTest, DialogHidesWhileAnotherProgramIsActiveAndComesBackInPlace) {
  TForm home;
  home.SetBounds(0, 0, 500, 400);
  home.Show();
  Tedit content(&home);
  TQYdlg dlg(&home);
  auto focusEvent = [&](HWND f, TInputEvent::Kind k) {
    TInputEvent e;
    e.kind = k;
    e.form = f;
    hb->inject(e);
  };
  focusEvent(home.Handle(), TInputEvent::Activated);
  desktop().processMessages();
  TRect before;
  dlg.onPreShow = [&](TQYdlg*) {
    inModal([&] {
      before = dlg.BoundsRect();
      focusEvent(dlg.Handle(), TInputEvent::Activated);
      focusEvent(dlg.Handle(), TInputEvent::Deactivated);
      runFor(300);
      EXPECT_TRUE(dlg.hiddenForDeactivation());
      EXPECT_EQ(dlg.state, 2);  // still in its loop
      focusEvent(dlg.Handle(), TInputEvent::Activated);
      runFor(50);
      EXPECT_FALSE(dlg.hiddenForDeactivation());
      EXPECT_EQ(dlg.BoundsRect(), before);
      dlg.cancel();
    });
  };
  EXPECT_EQ(dlg.showModal(Rect(100, 100, 100, 100), &content), mrCancel);
}

}  // namespace
