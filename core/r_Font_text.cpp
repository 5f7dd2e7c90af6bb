// TfontMan, text drawing: one line placed by the top, middle or baseline of its capitals (the
// visual height v), over an optional halo stroked from the text's outline, with per-character
// colours and styles; composite forms (multi-line, shadow, ink-centred, a glyph fitted to a box)
// and captions beside rectangles.
#include <algorithm>
#include <cmath>

#include "core/r_Font.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

namespace {
// Text alignment of the canvas's context.
unsigned textAlignOf(TCanvas& c) { return c.Handle() ? c.Handle()->textAlign() : 0; }
void setTextAlignOf(TCanvas& c, unsigned a) {
  if (c.Handle()) c.Handle()->setTextAlign(a);
}
void setBk(TCanvas& c, bool opaque) {
  if (c.Handle()) c.Handle()->setBkMode(opaque ? BkMode::Opaque : BkMode::Transparent);
}
}  // namespace

void TfontMan::doText(TCanvas& canvas, int x, int y, std::string const& text) {
  std::u32string cps = toUtf32(text);
  if (charAtt.size() != cps.size()) {
    canvas.TextOut(x, y, text);
    return;
  }
  TColor colour = canvas.Font.Color;
  TFontStyles style = canvas.Font.Style();
  unsigned a = textAlignOf(canvas);
  setTextAlignOf(canvas, a | TA_UPDATECP);
  canvas.MoveTo(x, y);
  for (size_t i = 0; i < cps.size(); ++i) {
    canvas.Font.Color = TColor(charAtt[i].colour);
    canvas.Font.setStyle(charAtt[i].style);
    canvas.TextOut(0, 0, fromCodePoint(cps[i]));
  }
  setTextAlignOf(canvas, a);
  canvas.Font.Color = colour;
  canvas.Font.setStyle(style);  // the caller's style, not the last character's
  charAtt.clear();
}

void TfontMan::halo(TCanvas& canvas, int x, int yb, std::string const& s, int32_t colour, int width) {
  canvas.BeginPath();
  canvas.TextOut(x, yb, s);
  canvas.EndPath();
  TColor keep = canvas.Pen.Color;
  canvas.Pen.Color = TColor(colour);
  canvas.Pen.Width = width;
  canvas.StrokePath();
  canvas.Pen.Width = 1;
  canvas.Pen.Color = keep;
}

void TfontMan::TopTextOut(TCanvas& canvas, int x, int y, std::string const& s, int32_t highLightColour,
                          int highlightWidth) {
  if (s.empty()) return;
  unsigned old = textAlignOf(canvas);
  setTextAlignOf(canvas, (old & ~TA_BOTTOM) | TA_BASELINE);
  double v = VisualFontHeight(canvas);
  if (v <= 2) {
    // Too small to read: a line as long as the text would be.
    int size = canvas.Font.Size();
    canvas.Font.setSize(20);
    int w20 = canvas.TextWidth(s);
    canvas.Font.setSize(size);
    int length = Round32(size * double(w20) / 20);
    canvas.Pen.Color = canvas.Font.Color;
    canvas.MoveTo(x, y + 1);
    canvas.LineTo(x + length, y + 1);
    setTextAlignOf(canvas, old);
    return;
  }
  setBk(canvas, opaque);
  int yb = y + Round32(v);
  if (highLightColour >= 0) halo(canvas, x, yb, s, highLightColour, topHaloWidth(v, highlightWidth));
  if (antiAlias) {
    doText(canvas, x, yb, s);
  } else {
    canvas.BeginPath();
    canvas.TextOut(x, yb, s);
    canvas.EndPath();
    canvas.Brush.Color = canvas.Font.Color;
    canvas.Pen.Color = canvas.Font.Color;
    canvas.StrokeAndFillPath();
  }
  setTextAlignOf(canvas, old);
}

int TfontMan::topHaloWidth(double v, int highlightWidth) {
  if (highlightWidth > 0) return highlightWidth;
  // Even widths keep the rim the same on both sides of the stroke.
  int w = Round32(highlightWidth == 0 ? v / 6 : v / 4);
  if (w == 0) w = 2;
  if (w % 2) ++w;
  return w;
}

int TfontMan::haloWidth(double v) { return std::max(2, Round32(v / 6)); }

void TfontMan::BaseTextOut(TCanvas& canvas, int x, int y, std::string const& s, int32_t highLightColour) {
  if (s.empty()) return;
  unsigned old = textAlignOf(canvas);
  setTextAlignOf(canvas, (old & ~TA_BOTTOM) | TA_BASELINE);
  double v = VisualFontHeight(canvas);
  setBk(canvas, opaque);
  if (v > 2) {
    if (highLightColour >= 0) halo(canvas, x, y, s, highLightColour, haloWidth(v));
    doText(canvas, x, y, s);
  }
  setTextAlignOf(canvas, old);
}

void TfontMan::VCentredText(TCanvas& canvas, int x, int y, std::string const& text, int32_t highlightcolour) {
  if (text.empty()) return;
  unsigned old = textAlignOf(canvas);
  setTextAlignOf(canvas, (old & ~TA_BOTTOM) | TA_BASELINE);
  double v = VisualFontHeight(canvas);
  if (v > 2) {
    setBk(canvas, opaque);
    int yb = y + Round32(v / 2);
    if (highlightcolour >= 0) halo(canvas, x, yb, text, highlightcolour, haloWidth(v));
    doText(canvas, x, yb, text);
  }
  setTextAlignOf(canvas, old);
}

void TfontMan::VCentredText(TCanvas& canvas, int x, int y1, int y2, std::string const& text) {
  VCentredText(canvas, x, (y1 + y2) / 2, text);
}

int TfontMan::TopMultiTextOut(TCanvas& canvas, int x, int y, std::string const& bartext) {
  double v = VisualFontHeight(canvas);
  int step = Round32(1.4 * v);
  int result = Round32(v);
  std::string s = bartext;
  bool more = !s.empty();
  while (more) {
    std::string line;
    if (auto bar = s.find('|'); bar != std::string::npos) {
      line = s.substr(0, bar);
      s = s.substr(bar + 1);
    } else {
      line = s;
      s.clear();
    }
    TopTextOut(canvas, x, y, line);
    y += step;
    more = !s.empty();
    if (more) result += step;
  }
  return result;
}

void TfontMan::ShadowTopTextOut(TCanvas& canvas, int x, int y, std::string const& s) {
  canvas.BeginPath();
  TopTextOut(canvas, x, y, s);
  canvas.EndPath();
  canvas.Pen.Color = 0;
  canvas.Pen.Width = 4;
  canvas.StrokePath();
  canvas.Pen.Width = 1;
  TopTextOut(canvas, x, y, s);
}

void TfontMan::drawCentredText(TCanvas& canvas, std::string const& text, int x, int y) {
  drawVerticallyCentredText(canvas, text, x, y, 6);
}

void TfontMan::drawVerticallyCentredText(TCanvas& canvas, std::string const& text, int x, int y, int hAlign) {
  if (text.empty()) return;
  TCanvas& ref = reference();
  ref.Font.Assign(canvas.Font);
  ref.Pen.Width = 1;
  ref.Handle()->setTextAlign(TA_LEFT | TA_TOP);
  ref.Handle()->setBkMode(BkMode::Transparent);
  TRect b = inkBox(ref, 0, 0, text);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
  setBk(canvas, opaque);
  int y0 = y - b.height() / 2;
  int px;
  switch (hAlign) {
    case 0: px = x; break;
    case 2: px = x - b.width(); break;
    case 6: px = x - b.width() / 2 - b.Left; break;
    default: return;
  }
  doText(canvas, px, y0 - b.Top, text);
}

void TfontMan::drawCharInBox(TCanvas& canvas, std::string const& ch, std::string fontname, TRect const& box,
                             double degrees) {
  bool bold = canvas.Font.Style() & fsBold, italic = canvas.Font.Style() & fsItalic;
  if (indexOfFace(fontname) < 0) fontname = "Arial";
  int angle10 = Round32(degrees * 10);
  TCanvas& ref = reference();
  ref.Font.setName(fontname);
  ref.Pen.Width = 1;
  ref.Font.setHandle(anglefont(100, angle10, bold, italic, fontname));
  ref.Handle()->setTextAlign(TA_LEFT | TA_TOP);
  ref.Handle()->setBkMode(BkMode::Transparent);
  TRect ink = inkBox(ref, 0, 0, ch);
  if (ink.width() <= 0 || ink.height() <= 0) return;
  double c = std::min(double(box.height()) / ink.height(), double(box.width()) / ink.width());
  int px = Round32((box.Left + box.Right) / 2 - c * ink.width() / 2 - c * ink.Left);
  int py = Round32((box.Top + box.Bottom) / 2 - c * ink.height() / 2 - c * ink.Top);
  std::string face = canvas.Font.Name();
  int size = canvas.Font.Size();
  canvas.Font.setName(fontname);
  canvas.Font.setHandle(anglefont(Round32(c * 100 * ppmm(ref) / ppmm(canvas)), angle10, bold, italic, fontname));
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
  setBk(canvas, false);
  canvas.TextOut(px, py, ch);
  canvas.Font.setHandle(anglefont(Round32(c * 100), 0, bold, italic, fontname));
  canvas.Font.setName(face);
  canvas.Font.setSize(size);
}

unsigned TfontMan::align(TCanvas& canvas, unsigned value) {
  unsigned a = textAlignOf(canvas);
  setTextAlignOf(canvas, value == TA_BOTTOM ? (a % 8) | TA_BOTTOM : value);
  return a;
}

void TfontMan::getJustify(TCanvas& canvas, int& hjustify, int& vjustify) {
  unsigned a = textAlignOf(canvas);
  hjustify = (a & TA_CENTER) == TA_CENTER ? 6 : (a & TA_RIGHT) ? 2 : 0;
  vjustify = (a & TA_BASELINE) == TA_BASELINE ? 24 : (a & TA_BOTTOM) ? 8 : 0;
}

// ---- captions beside a rectangle -----------------------------------------------------------------

void TfontMan::CaptionL(TCanvas& canvas, TRect const& box, std::string const& caption, int32_t colour) {
  if (colour >= 0) canvas.Font.Color = TColor(colour);
  setBk(canvas, opaque);
  setTextAlignOf(canvas, TA_RIGHT);
  VCentredText(canvas, box.Left - canvas.Font.Size() / 2, (box.Top + box.Bottom) / 2, caption);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
}

void TfontMan::CaptionR(TCanvas& canvas, TRect const& box, std::string const& caption) {
  setBk(canvas, opaque);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
  VCentredText(canvas, box.Right + canvas.Font.Size() / 4, (box.Top + box.Bottom) / 2, caption);
}

void TfontMan::CaptionT(TCanvas& canvas, TRect const& box, std::string const& caption) {
  setBk(canvas, opaque);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
  BaseTextOut(canvas, box.Left, box.Top - Round32(VisualFontHeight(canvas) * 0.5), caption);
}

void TfontMan::CaptionB(TCanvas& canvas, TRect const& box, std::string const& caption) {
  setBk(canvas, opaque);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
  TopTextOut(canvas, box.Left, box.Bottom + Round32(VisualFontHeight(canvas) / 2), caption);
}

void TfontMan::captionLT(TCanvas& canvas, TRect const& b, std::string const& caption, std::string const& caption2) {
  setTextAlignOf(canvas, TA_RIGHT);
  setBk(canvas, opaque);
  int f = canvas.Font.Size();
  VCentredText(canvas, b.Left - f / 2, b.Top, b.Top + 2 * f, caption);
  if (!caption2.empty()) TopTextOut(canvas, b.Left - f / 2, b.Top + 2 * f, caption2);
  setTextAlignOf(canvas, TA_LEFT | TA_TOP);
}
