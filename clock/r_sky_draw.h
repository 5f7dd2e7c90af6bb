// Small canvas helpers shared by the sky's drawing steps: pens selected past the canvas's own
// pen (dotted pens), the return to a plain canvas pen, and transparent text.
#pragma once
#include <cstdint>
#include <string>

#include "core/r_base.h"
#include "platform/canvas.h"

namespace skydraw {
// A dotted pen selected into the context; it stays until solidPen. The canvas's own pen is
// selected first (an empty polyline draws nothing), so the canvas does not replace it later.
inline void dottedPen(platform::TCanvas& canvas, int32_t colour) {
  if (!canvas.Handle()) return;
  canvas.Polyline({});
  canvas.Handle()->setPen(TosDrawing::dottedpen(colour));
}
// The canvas's own one-pixel solid pen again, selected at the next drawing call.
inline void solidPen(platform::TCanvas& canvas, int32_t colour) {
  canvas.Pen = platform::TPen{};
  canvas.Pen.Color = platform::TColor(colour);
  canvas.bind(canvas.Handle());
}
inline void transparentText(platform::TCanvas& canvas) {
  if (canvas.Handle()) canvas.Handle()->setBkMode(platform::BkMode::Transparent);
}
inline std::string wd(std::string const& term) { return os ? os->wd("kestrova", term) : term; }
}  // namespace skydraw
