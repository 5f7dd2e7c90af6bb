// The text seams: an estimate from the point size until the font manager answers.
#include "core/text_seams.h"

#include "platform/numbers.h"
#include "platform/text.h"

namespace textSeam {
ExtentHook extentHook;
DrawHook drawHook;

platform::TSize extent(std::string const& face, int points, std::string const& text) {
  if (extentHook) return extentHook(face, points, text);
  // A sans face at 96 DPI: the em is points × 96 / 72 pixels, letters average a little over half
  // of it, lines are 1.15 em.
  const double em = points * 96.0 / 72.0;
  const int letters = static_cast<int>(platform::codePointCount(text));
  return {platform::Round32(letters * em * 0.55), platform::Round32(em * 1.15)};
}

void draw(platform::TCanvas& c, int x, int y, std::string const& text, std::string const& face, int points,
          platform::TColor colour) {
  if (drawHook) drawHook(c, x, y, text, face, points, colour);
}
}  // namespace textSeam
