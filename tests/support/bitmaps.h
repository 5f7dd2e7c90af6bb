// Small bitmaps for the drawing tests of core and above: a white 24-bit canvas, single pixels,
// and a buffer drawn as rows of characters so a wrong shape shows in the failure text.
#pragma once
#include <string>

#include "core/r_bitmapRaw.h"
#include "platform/canvas.h"

namespace testenv {

// Makes bm a white 24-bit bitmap of w x h.
inline void make(platform::TBitmap& bm, int w, int h) {
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(w, h);
  bm.Canvas().Brush.Color = 0xFFFFFF;
  bm.Canvas().FillRect({0, 0, w, h});
}
inline platform::TColor at(platform::TBitmap const& bm, int x, int y) { return bm.Canvas().Pixels(x, y); }

inline Tbgr px(TrawBitmap24& b, int col, int row) {
  Tbgr c;
  b.getPixel(col, row, c);
  return c;
}

// The buffer as rows of characters: '#' where the pixel equals `on`, '.' elsewhere.
inline std::string picture(TrawBitmap24& b, Tbgr on) {
  std::string s;
  for (int row = 0; row < b.height(); ++row) {
    for (int col = 0; col < b.width(); ++col) s += px(b, col, row) == on ? '#' : '.';
    s += '\n';
  }
  return s;
}

}  // namespace testenv
