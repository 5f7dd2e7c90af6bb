// Character-by-character word wrap.
#include "ui/r_wordWrap.h"

#include <algorithm>
#include <cmath>

#include "core/r_Font.h"
#include "platform/text.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
constexpr char32_t kBreak = 13;
bool noWidth(char32_t c) { return c == 13 || c == 10; }
// The capital height of the canvas font; from the font's pixel size without a font manager.
double visualHeight(TCanvas& cv) {
  if (fontman) return fontman->VisualFontHeight(cv);
  return std::abs(cv.Font.Height()) * 0.7;
}
}  // namespace

std::string TwordWrapLite::value() const {
  std::u32string s;
  for (const charRec& r : a) {
    if (r.ch == kBreak) s += U"||";
    else s += r.ch;
  }
  return fromUtf32(s);
}

void TwordWrapLite::setValue(const std::string& text) {
  a.clear();
  fheight = factualwid = 0;
  issmall = false;
  if (!canvas) {
    for (char32_t c : toUtf32(text)) a.push_back({c, 0, 0, 0});
    return;
  }
  // Tiny fonts measure too coarsely: the layout is made ten times larger and scaled back.
  const int keepHeight = canvas->Font.Height();
  if (std::abs(keepHeight) < 6) {
    issmall = true;
    canvas->Font.setHeight((keepHeight == 0 ? 1 : keepHeight) * 10);
    fwidth *= 10;
  }
  for (char32_t c : toUtf32(text)) {
    if (c == U'|' && !a.empty() && a.back().ch == U'|') {
      a.back() = {kBreak, 0, 0, 0};
      continue;
    }
    a.push_back({c, 0, 0, noWidth(c) ? 0 : canvas->TextWidth(fromCodePoint(c))});
  }
  layout();
  if (issmall) {
    fwidth /= 10;
    canvas->Font.setHeight(keepHeight);
    fheight /= 10;
    factualwid /= 10;
    for (charRec& r : a) {
      r.x /= 10;
      r.y /= 10;
      r.w /= 10;
    }
  }
}

void TwordWrapLite::layout() {
  fheight = factualwid = 0;
  if (!canvas || fwidth <= 20) return;
  const int L = Round32(visualHeight(*canvas) * fspace * 1.4);
  const int n = static_cast<int>(a.size());
  int x = 0, y = 0, brk = -1, placed = 0;
  int i = 0;
  while (i < n) {
    charRec& r = a[static_cast<size_t>(i)];
    r.x = x;
    r.y = y;
    ++placed;
    const bool para = r.ch == kBreak;  // held "||" and a carriage return alike
    if (para || x + r.w >= fwidth) {
      // Close the line; a wrap after a hyphen or before a blank takes the scan back there.
      int next = i + 1;
      if (!para && brk > 0) next = brk + 2;
      brk = -1;
      factualwid = std::max(factualwid, x);
      x = para ? Indent : hangingIndent;
      y += L + (para ? paraSpace : 0);
      placed = 0;
      i = next;
      continue;
    }
    if (!(r.ch == U' ' && x == 0)) x += r.w;
    if (r.ch == U'-' || (i + 1 < n && a[static_cast<size_t>(i + 1)].ch == U' ')) brk = i - 1;
    ++i;
  }
  if (placed > 0) {
    factualwid = std::max(factualwid, x);
    x = hangingIndent;
    y += L;
  }
  factualwid = std::max(factualwid, x);
  fheight = L / 3 + y;
}

void TwordWrapLite::draw(int x, int y) {
  if (!canvas || !canvas->Handle()) return;
  TDeviceContext& dc = *canvas->Handle();
  dc.setTextCharacterExtra(0);
  dc.setTextAlign(TA_LEFT | TA_TOP);
  dc.setBkMode(BkMode::Transparent);
  canvas->Font.Color = static_cast<TColor>(fontColour);
  const bool dots = std::abs(canvas->Font.Height()) <= 3;
  for (const charRec& r : a) {
    if (noWidth(r.ch)) continue;
    if (dots) canvas->SetPixels(x + r.x, y + r.y, static_cast<TColor>(fontColour));
    else canvas->TextOut(x + r.x, y + r.y, fromCodePoint(r.ch));
  }
}
