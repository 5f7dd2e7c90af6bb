// Driving modal loops on the headless desktop: a step run inside the next modal loop, and a click
// on a control of a popup or dialog as injected input.
#pragma once
#include <functional>
#include <memory>

#include "platform/controls.h"
#include "platform/windows.h"

namespace testenv {

// Runs f inside the next modal loop (a timer is served there).
inline void inModal(std::function<void()> f) {
  auto id = std::make_shared<uintptr_t>(0);
  *id = platform::desktop().setTimer(1, [id, f] {
    platform::desktop().killTimer(0, *id);
    f();
  });
}

// Moves onto the control's middle (or the given point of it) and clicks there.
inline void click(platform::TForm& f, platform::TWinControl& c, int dx = -1, int dy = -1) {
  using namespace platform;
  const TPoint p = desktop().screenToClient(
      f.Handle(), c.ClientToScreen(TPoint{dx < 0 ? c.Width() / 2 : dx, dy < 0 ? c.Height() / 2 : dy}));
  for (auto k : {TInputEvent::MouseMove, TInputEvent::ButtonDown, TInputEvent::ButtonUp}) {
    TInputEvent e;
    e.kind = k;
    e.form = f.Handle();
    e.pos = p;
    headless()->inject(e);
  }
}

}  // namespace testenv
