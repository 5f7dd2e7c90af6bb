// The text seams: the canvas's own text (fonts through fontconfig) unless a hook answers.
#include "core/text_seams.h"

namespace textSeam {
ExtentHook extentHook;
DrawHook drawHook;

platform::TSize extent(std::string const& face, int points, std::string const& text) {
  if (extentHook) return extentHook(face, points, text);
  static platform::TBitmap ref;  // measuring needs a canvas, not pixels
  if (ref.Width() == 0) ref.SetSize(1, 1);
  platform::TCanvas& c = ref.Canvas();
  c.Font.setName(face);
  c.Font.setSize(points);
  return c.TextExtent(text);
}

void draw(platform::TCanvas& c, int x, int y, std::string const& text, std::string const& face, int points,
          platform::TColor colour) {
  if (drawHook) {
    drawHook(c, x, y, text, face, points, colour);
    return;
  }
  if (!c.Handle()) return;
  c.Font.setName(face);
  c.Font.setSize(points);
  c.Font.Color = colour;
  c.Handle()->setBkMode(platform::BkMode::Transparent);
  c.TextOut(x, y, text);
}
}  // namespace textSeam
