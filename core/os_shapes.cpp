// TosShapes: the smoothed ellipse, ring drawing with opacity, text output, the partial-redraw hook
// and the box hit codes. Points are screen pixels; right and bottom edges are exclusive.
#include "core/os_shapes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "core/Tblend.h"
#include "core/Tview.h"
#include "core/r_base.h"
#include "platform/numbers.h"
#include "platform/process.h"

using platform::TCanvas;
using platform::TDeviceContext;
using platform::TPoint;
using platform::TRect;

TosShapes::TosShapes() : ticks([] { return platform::tickCount(); }) {}
TosShapes::~TosShapes() = default;

// ---- shapes -------------------------------------------------------------------------------------

void TosShapes::Ellipse(TCanvas& canvas, int x1, int y1, int x2, int y2) {
  if (!canvas.Handle()) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int p = std::max(1, canvas.Pen.Width), h = p / 2;
  const int64_t w = int64_t(x2) + p - x1 + 1, hh = int64_t(y2) + p - y1 + 1;
  // A work bitmap four times the area: beyond a screenful or two, draw the plain ellipse.
  if (w * hh > 16'000'000) {
    canvas.Ellipse(x1, y1, x2, y2);
    return;
  }
  if (!ebm) {
    ebm = std::make_unique<platform::TBitmap>();
    ebm->SetPixelFormat(platform::pf24bit);
  }
  ebm->SetSize(int(w * 2), int(hh * 2));
  TDeviceContext& work = ebm->dc();
  work.setStretchBltMode(platform::StretchMode::ColorOnColor);
  platform::StretchBlt(work, 0, 0, ebm->Width(), ebm->Height(), canvas.Handle(), x1 - h, y1 - h, x2 - x1 + 2 * h + 1,
                       y2 - y1 + 2 * h + 1, platform::SRCCOPY);
  TCanvas& wc = ebm->Canvas();
  wc.Brush = canvas.Brush;
  wc.Pen = canvas.Pen;
  wc.Pen.Width = 2 * p;
  wc.Ellipse(p, p, ebm->Width() - p, ebm->Height() - p);
  canvas.Handle()->setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(*canvas.Handle(), x1 - h, y1 - h, int(w), int(hh), &work, 0, 0, ebm->Width(), ebm->Height(),
                       platform::SRCCOPY);
}

namespace {
// Ring lengths that the points hold, in order.
std::vector<int> ringsOf(std::span<const TPoint> pts, std::span<const int32_t> polys) {
  std::vector<int> rings;
  size_t at = 0;
  for (int32_t n : polys) {
    if (n < 0 || at + size_t(n) > pts.size()) break;
    rings.push_back(n);
    at += size_t(n);
  }
  return rings;
}
void polyPolyline(TDeviceContext& dc, std::span<const TPoint> pts, std::vector<int> const& rings) {
  size_t at = 0;
  for (int n : rings) {
    dc.polyline(pts.subspan(at, size_t(n)));
    at += size_t(n);
  }
}
void selectCanvasTools(TCanvas& canvas) {
  canvas.Handle()->setPen(canvas.Pen.desc());
  canvas.Handle()->setBrush(canvas.Brush.desc());
}
}  // namespace

void TosShapes::polyline(TDeviceContext& dc, std::span<const TPoint> pts, std::span<const int32_t> polys) {
  if (polys.size() > 1) polyPolyline(dc, pts, ringsOf(pts, polys));
  else dc.polyline(pts);
}

void TosShapes::polygon(TDeviceContext& dc, std::span<const TPoint> pts, std::span<const int32_t> polys) {
  if (polys.size() > 1) {
    const std::vector<int> rings = ringsOf(pts, polys);
    dc.polyPolygon(pts, rings);
  } else {
    dc.polygon(pts);
  }
}

void TosShapes::polyline(TCanvas& canvas, std::span<const TPoint> pts, std::span<const int32_t> polys) {
  if (!canvas.Handle()) return;
  if (polys.size() > 1) {
    selectCanvasTools(canvas);
    polyline(*canvas.Handle(), pts, polys);
  } else {
    canvas.Polyline(pts);
  }
}

void TosShapes::polygon(TCanvas& canvas, std::span<const TPoint> pts, std::span<const int32_t> polys) {
  if (!canvas.Handle()) return;
  if (polys.size() > 1) {
    selectCanvasTools(canvas);
    polygon(*canvas.Handle(), pts, polys);
  } else {
    canvas.Polygon(pts);
  }
}

void TosShapes::polygon(TCanvas& canvas, std::span<const TPoint> pts, std::span<const int32_t> polys, int opacity) {
  polygon(canvas, canvas.ClipRect(), pts, polys, opacity);
}

void TosShapes::polygon(TCanvas& canvas, TRect clip, std::span<const TPoint> pts, std::span<const int32_t> polys,
                        int opacity) {
  if (!canvas.Handle() || pts.empty()) return;
  if (opacity > 99) {
    polygon(canvas, pts, polys);
    return;
  }
  TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const TPoint& p : pts) {
    box.Left = std::min(box.Left, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Right = std::max(box.Right, p.X);
    box.Bottom = std::max(box.Bottom, p.Y);
  }
  box.intersect(clip);
  std::vector<int> rings = ringsOf(pts, polys);
  if (rings.empty()) rings.push_back(int(pts.size()));
  Tos& self = static_cast<Tos&>(*this);
  if (!self.blend) self.blend = std::make_unique<Tblend>();
  if (!box.isEmpty())
    self.blend->Tint(canvas, box, pts, rings, int32_t(canvas.Brush.Color & 0xFFFFFF), opacity);
  if (rings.size() > 1) {
    selectCanvasTools(canvas);
    polyPolyline(*canvas.Handle(), pts, rings);
  } else {
    canvas.Polyline(pts);
  }
}

// ---- text ---------------------------------------------------------------------------------------

void TosShapes::setTextHeight(TCanvas& canvas, int h) {
  const std::string& name = canvas.Font.Name();
  double factor = 1.0;
  if (name == "Arial") factor = 1.1;
  else if (name == "Times New Roman") factor = 1.18;
  else if (name == "Webdings" || name == "Wingdings" || name == "Webdings Regular" || name == "Wingdings Regular")
    factor = 1.06;
  canvas.Font.setHeight(-1000);
  if (!canvas.Handle()) return;
  canvas.applyFont();
  const platform::TTextMetric tm = canvas.Handle()->textMetrics();
  const int capitals = tm.ascent - tm.internalLeading;
  if (capitals <= 0) return;  // a face without metrics keeps the large height rather than dividing by 0
  canvas.Font.setHeight(-platform::Round32(h * 1000.0 / capitals * factor));
}

void TosShapes::textOut(TCanvas& canvas, int x, int y, std::string const& s) {
  if (!canvas.Handle()) return;
  canvas.applyFont();
  canvas.Handle()->textOut(x, y, s);
}

void TosShapes::textOutMultiline(TCanvas& canvas, int x, int y, std::string const& s) {
  std::string piece;
  for (char c : s) {
    if (c == '\r' || c == '|') {
      textOut(canvas, x, y, piece);
      piece.clear();
      y += std::abs(canvas.Font.Height());
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) textOut(canvas, x, y, piece);
}

void TosShapes::CharOut(TCanvas& canvas, std::string const& fontname, int x, int y, uint16_t code) {
  if (!canvas.Handle()) return;
  const std::string oldName = canvas.Font.Name();
  canvas.Font.setName(fontname);
  canvas.Handle()->setBkMode(platform::BkMode::Transparent);
  std::string utf8;
  if (code < 0x80) {
    utf8 += char(code);
  } else if (code < 0x800) {
    utf8 += char(0xC0 | (code >> 6));
    utf8 += char(0x80 | (code & 0x3F));
  } else if (code < 0xD800 || code > 0xDFFF) {
    utf8 += char(0xE0 | (code >> 12));
    utf8 += char(0x80 | ((code >> 6) & 0x3F));
    utf8 += char(0x80 | (code & 0x3F));
  } else {
    utf8 = "\xEF\xBF\xBD";  // half a surrogate pair has no character of its own
  }
  textOut(canvas, x, y, utf8);
  canvas.Font.setName(oldName);
}

// ---- views --------------------------------------------------------------------------------------

void TosShapes::partialDraw(Tview const& view) {
  if (!onPartialDraw || !view.bm || !ticks) return;
  const uint32_t now = ticks();
  if (uint32_t(now - drawCnt) > 500) {
    onPartialDraw(view.bm);
    drawCnt = now;
  }
}

// ---- tests and bits -----------------------------------------------------------------------------

bool TosShapes::PtInRect(TRect const& rect, int x, int y) {
  return rect.Left <= x && x < rect.Right && rect.Top <= y && y < rect.Bottom;
}

int32_t TosShapes::boxHit(TRect const& box, int x, int y, int margin) {
  const TRect grown{box.Left - margin, box.Top - margin, box.Right + margin, box.Bottom + margin};
  if (!PtInRect(grown, x, y)) return boxhit_none;
  const TRect shrunk{box.Left + margin, box.Top + margin, box.Right - margin, box.Bottom - margin};
  int32_t code = PtInRect(box, x, y) ? boxhit_inside : 0;
  if (x < shrunk.Left) code += boxhit_left;
  if (y < shrunk.Top) code += boxhit_top;
  if (x > shrunk.Right) code += boxhit_right;
  if (y > shrunk.Bottom) code += boxhit_bottom;
  return code;
}

bool TosShapes::bitset(uint32_t v, uint8_t bit) { return bit < 32 && ((v >> bit) & 1u) != 0; }

uint32_t TosShapes::setBit(uint32_t v, uint8_t bit, bool setOn) {
  if (bit >= 32) return v;  // no such bit
  const uint32_t m = 1u << bit;
  if (setOn) return v | m;
  return bitset(v, bit) ? v - m : v;
}
