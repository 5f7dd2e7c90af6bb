// The owner-drawn button on the headless desktop: the click belongs to a release inside, state
// and quick buttons, the options zone, a disabled parent, sizing to the caption, modal results.
#include "ui/r_QYcontrols.h"

#include <gtest/gtest.h>

#include "core/r_base.h"
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
  EXPECT_EQ(but->cursor(), Cursor::Default);
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

}  // namespace
