// Caption strips beside controls are invalidated in the right window: after the call, the next
// paint of that window covers exactly the strip (and nothing at all for a hidden control when the
// operation tests visibility).
#include <gtest/gtest.h>

#include "core/r_Font.h"
#include "platform/controls.h"
#include "platform/windows.h"

namespace {
using namespace platform;

class Tpanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<TRect> clips;

 protected:
  void Paint() override { clips.push_back(Canvas().ClipRect()); }
};

TEST(TfontMan, CaptionStripsAreInvalidatedInTheirWindow) {
  resetDesktop(std::make_unique<THeadlessBackend>());
  struct Case {
    const char* name;
    int op;  // 0 refreshL, 1 refreshR, 2 InvalidateL, 3 InvalidateR
    bool visible;
    TRect expected;  // empty: nothing is painted
  };
  const Case cases[] = {
      {"refreshL", 0, true, Rect(0, 100, 200, 130)},
      {"refreshR", 1, true, Rect(300, 100, 600, 130)},  // 500 wide, cut at the window's edge
      {"refreshL hidden", 0, false, {}},
      {"InvalidateL hidden", 2, false, Rect(0, 100, 200, 130)},
      {"InvalidateR to the parent's width", 3, true, Rect(300, 100, 600, 130)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm form;
    form.SetBounds(0, 0, 600, 300);
    Tpanel panel(&form);
    panel.SetBounds(0, 0, 600, 300);
    TWinControl box(&panel);
    box.SetBounds(200, 100, 100, 30);
    box.SetVisible(c.visible);
    form.Show();
    (void)box.Handle();  // a shown control has its window
    desktop().processMessages();
    desktop().update(form.Handle());
    panel.clips.clear();
    if (c.op == 0) TfontMan::refreshL(&panel, &box);
    if (c.op == 1) TfontMan::refreshR(&panel, &box);
    if (c.op == 2) TfontMan::InvalidateL(&box);
    if (c.op == 3) TfontMan::InvalidateR(&box);
    desktop().update(form.Handle());
    if (c.expected.isEmpty()) {
      EXPECT_TRUE(panel.clips.empty());
    } else {
      ASSERT_EQ(panel.clips.size(), 1u);
      EXPECT_EQ(panel.clips[0], c.expected);
    }
  }
  // No window made yet, or no control: nothing to do and nothing made.
  TWinControl lone;
  TfontMan::refreshL(&lone, &lone);
  TfontMan::InvalidateR(&lone);
  TfontMan::refreshR<TWinControl>(&lone, nullptr);
  EXPECT_FALSE(lone.HandleAllocated());
}

}  // namespace
