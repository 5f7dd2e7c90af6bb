// The framework's canvas and bitmap on our device context and surfaces.
#include "platform/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

TPenDesc TPen::desc() const {
  PenStyle s = PenStyle::Solid;
  switch (Style) {
    case psSolid: s = PenStyle::Solid; break;
    case psDash: s = PenStyle::Dash; break;
    case psDot: s = PenStyle::Dot; break;
    case psDashDot: s = PenStyle::DashDot; break;
    case psDashDotDot: s = PenStyle::DashDotDot; break;
    case psClear: s = PenStyle::Null; break;
    case psInsideFrame: s = PenStyle::InsideFrame; break;
  }
  return makePen(s, Width, Color);
}

TBrushDesc TBrush::desc() const {
  switch (Style) {
    case bsSolid: return solidBrush(Color);
    case bsClear: return clearBrush();
    case bsHorizontal: return hatchBrush(HatchStyle::Horizontal, Color);
    case bsVertical: return hatchBrush(HatchStyle::Vertical, Color);
    case bsFDiagonal: return hatchBrush(HatchStyle::FDiagonal, Color);
    case bsBDiagonal: return hatchBrush(HatchStyle::BDiagonal, Color);
    case bsCross: return hatchBrush(HatchStyle::Cross, Color);
    case bsDiagCross: return hatchBrush(HatchStyle::DiagCross, Color);
  }
  return solidBrush(Color);
}

namespace {
Rop2 rop2Of(TPenMode m) {
  switch (m) {
    case pmBlack: return Rop2::Black;
    case pmWhite: return Rop2::White;
    case pmNop: return Rop2::Nop;
    case pmNot: return Rop2::Not;
    case pmCopy: return Rop2::CopyPen;
    case pmNotCopy: return Rop2::NotCopyPen;
    case pmMergePenNot: return Rop2::MergePenNot;
    case pmMaskPenNot: return Rop2::MaskPenNot;
    case pmMergeNotPen: return Rop2::MergeNotPen;
    case pmMaskNotPen: return Rop2::MaskNotPen;
    case pmMerge: return Rop2::MergePen;
    case pmNotMerge: return Rop2::NotMergePen;
    case pmMask: return Rop2::MaskPen;
    case pmNotMask: return Rop2::NotMaskPen;
    case pmXor: return Rop2::XorPen;
    case pmNotXor: return Rop2::NotXorPen;
  }
  return Rop2::CopyPen;
}
}  // namespace

// ---- TFont ---------------------------------------------------------------------------------------

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t p = int64_t(a) * b;
  int64_t q = (p >= 0) == (c > 0) ? (std::abs(p) + std::abs(int64_t(c)) / 2) / std::abs(int64_t(c))
                                   : -((std::abs(p) + std::abs(int64_t(c)) / 2) / std::abs(int64_t(c)));
  return int(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

TFont::TFont() {
  flf.faceName = "Tahoma";
  flf.height = -11;  // 8 points at 96 pixels per inch
}

void TFont::setName(std::string n) {
  if (n.empty() || n == flf.faceName) return;
  flf.faceName = std::move(n);
  fhandle.reset();
}

int TFont::Size() const { return -MulDiv(flf.height, 72, PixelsPerInch); }

void TFont::setSize(int points) { setHeight(-MulDiv(points, PixelsPerInch, 72)); }

void TFont::setHeight(int pixels) {
  if (pixels == flf.height) return;
  flf.height = pixels;
  fhandle.reset();
}

TFontStyles TFont::Style() const {
  return (flf.weight >= FW_BOLD ? fsBold : 0) | (flf.italic ? fsItalic : 0) | (flf.underline ? fsUnderline : 0) |
         (flf.strikeOut ? fsStrikeOut : 0);
}

void TFont::setStyle(TFontStyles st) {
  if (st == Style()) return;
  flf.weight = (st & fsBold) ? FW_BOLD : FW_NORMAL;
  flf.italic = (st & fsItalic) != 0;
  flf.underline = (st & fsUnderline) != 0;
  flf.strikeOut = (st & fsStrikeOut) != 0;
  fhandle.reset();
}

void TFont::setHandle(HFONT h) {
  if (!h) return;
  flf = *h;
  fhandle = std::move(h);
}

HFONT TFont::Handle() const {
  if (!fhandle) fhandle = CreateFontIndirect(flf);
  return fhandle;
}

void TFont::Assign(TFont const& o) {
  flf = o.flf;
  fhandle = o.fhandle;
  Color = o.Color;
  PixelsPerInch = o.PixelsPerInch;
}

// ---- TCanvas -------------------------------------------------------------------------------------

TCanvas::TCanvas(TDeviceContext* dc) : fdc(dc) {}

void TCanvas::applyFont() {
  if (!fdc) return;
  if (fdc->font() != Font.Handle()) fdc->selectFont(Font.Handle());
  fdc->setTextColor(Font.Color);
}

void TCanvas::TextOut(int x, int y, std::string_view s) {
  if (!fdc) return;
  applyFont();
  fdc->textOut(x, y, s);
  if (!(fdc->textAlign() & TA_UPDATECP)) fdc->moveTo(x + fdc->textExtent(s).cx, y);
}

void TCanvas::BeginPath() {
  if (fdc) fdc->beginPath();
}

void TCanvas::EndPath() {
  if (fdc) fdc->endPath();
}

bool TCanvas::StrokePath() {
  if (!fdc) return false;
  applyPen();
  return fdc->strokePath();
}

bool TCanvas::FillPath() {
  if (!fdc) return false;
  applyBrush();
  return fdc->fillPath();
}

bool TCanvas::StrokeAndFillPath() {
  if (!fdc) return false;
  applyBoth();
  return fdc->strokeAndFillPath();
}

bool TCanvas::FlattenPath() { return fdc && fdc->flattenPath(); }

bool TCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& kinds) const {
  if (!fdc) {
    points.clear();
    kinds.clear();
    return false;
  }
  return fdc->getPath(points, kinds);
}

TSize TCanvas::TextExtent(std::string_view s) {
  if (!fdc) return {};
  applyFont();
  return fdc->textExtent(s);
}

void TCanvas::applyPen() {
  if (fpenApplied && *fpenApplied == Pen) return;
  fpenApplied = Pen;
  fdc->setPen(Pen.desc());
  fdc->setROP2(rop2Of(Pen.Mode));
}

void TCanvas::applyBrush() {
  if (fbrushApplied && *fbrushApplied == Brush) return;
  fbrushApplied = Brush;
  fdc->setBrush(Brush.desc());
  // The framework's canvas: a solid brush sets an opaque background of its own colour; any other
  // brush draws transparent, so hatches show what lies under them.
  if (Brush.Style == bsSolid) {
    fdc->setBkColor(Brush.Color);
    fdc->setBkMode(BkMode::Opaque);
  } else {
    fdc->setBkMode(BkMode::Transparent);
  }
}

void TCanvas::applyBoth() {
  applyPen();
  applyBrush();
}

void TCanvas::MoveTo(int x, int y) {
  if (fdc) fdc->moveTo(x, y);
}

void TCanvas::LineTo(int x, int y) {
  if (!fdc) return;
  applyBoth();
  fdc->lineTo(x, y);
}

TPoint TCanvas::PenPos() const { return fdc ? fdc->currentPosition() : TPoint{}; }

void TCanvas::Polyline(std::span<TPoint const> pts) {
  if (!fdc) return;
  applyBoth();
  fdc->polyline(pts);
}

void TCanvas::Polygon(std::span<TPoint const> pts) {
  if (!fdc) return;
  applyBoth();
  fdc->polygon(pts);
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  if (!fdc) return;
  applyBoth();
  fdc->rectangle(l, t, r, b);
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  if (!fdc) return;
  applyBoth();
  fdc->ellipse(l, t, r, b);
}

void TCanvas::RoundRect(int l, int t, int r, int b, int cw, int ch) {
  if (!fdc) return;
  applyBoth();
  fdc->roundRect(l, t, r, b, cw, ch);
}

void TCanvas::Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (!fdc) return;
  applyBoth();
  fdc->arc(l, t, r, b, x1, y1, x2, y2);
}

void TCanvas::Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (!fdc) return;
  applyBoth();
  fdc->pie(l, t, r, b, x1, y1, x2, y2);
}

void TCanvas::Chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  if (!fdc) return;
  applyBoth();
  fdc->chord(l, t, r, b, x1, y1, x2, y2);
}

void TCanvas::FillRect(TRect const& r) {
  if (!fdc) return;
  applyBrush();
  fdc->fillRect(r, Brush.desc());
}

void TCanvas::FrameRect(TRect const& r) {
  if (!fdc) return;
  applyBrush();
  fdc->frameRect(r, Brush.desc());
}

TColor TCanvas::Pixels(int x, int y) const { return fdc ? fdc->getPixel(x, y) : CLR_INVALID; }

void TCanvas::SetPixels(int x, int y, TColor c) {
  if (fdc) fdc->setPixel(x, y, c);
}

namespace {
// A one-bit bitmap shows as black and white, whatever the canvas's colours are meanwhile.
class MonoColours {
 public:
  MonoColours(TDeviceContext& dc, TBitmap const& bm) : fdc(dc), fon(bm.Monochrome()) {
    if (!fon) return;
    ftext = fdc.setTextColor(clBlack);
    fbk = fdc.setBkColor(clWhite);
  }
  ~MonoColours() {
    if (!fon) return;
    fdc.setTextColor(ftext);
    fdc.setBkColor(fbk);
  }
  MonoColours(MonoColours const&) = delete;
  MonoColours& operator=(MonoColours const&) = delete;

 private:
  TDeviceContext& fdc;
  bool fon;
  TColor ftext = 0, fbk = 0;
};
}  // namespace

void TCanvas::Draw(int x, int y, TBitmap const& bm) {
  if (!fdc || bm.Width() == 0 || bm.Height() == 0) return;
  applyBrush();
  MonoColours mono(*fdc, bm);
  BitBlt(*fdc, x, y, bm.Width(), bm.Height(), &bm.dc(), 0, 0, CopyMode);
}

void TCanvas::StretchDraw(TRect const& r, TBitmap const& bm) {
  if (!fdc || bm.Width() == 0 || bm.Height() == 0) return;
  applyBrush();
  MonoColours mono(*fdc, bm);
  StretchBlt(*fdc, r.Left, r.Top, r.width(), r.height(), &bm.dc(), 0, 0, bm.Width(), bm.Height(), CopyMode);
}

void TCanvas::CopyRect(TRect const& dest, TCanvas const& source, TRect const& src) {
  if (!fdc || !source.fdc) return;
  applyBrush();
  StretchBlt(*fdc, dest.Left, dest.Top, dest.width(), dest.height(), source.fdc, src.Left, src.Top,
             src.width(), src.height(), CopyMode);
}

TRect TCanvas::ClipRect() const { return fdc ? fdc->clipBox() : TRect{}; }

// ---- TBitmap -------------------------------------------------------------------------------------

namespace {
int bitsOf(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf8bit: return 8;
    case pf32bit: return 32;
    default: return 24;
  }
}
}  // namespace

TBitmap::TBitmap()
    : fsurface(std::make_unique<TSurface>()), fdc(std::make_unique<TDeviceContext>()),
      fcanvas(std::make_unique<TCanvas>(fdc.get())) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetWidth(int w) { SetSize(w, fheight); }
void TBitmap::SetHeight(int h) { SetSize(fwidth, h); }

void TBitmap::SetSize(int w, int h) {
  w = std::max(0, w);
  h = std::max(0, h);
  if (w == fwidth && h == fheight && !fsurface->empty()) return;
  rebuild(w, h, fformat);
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
  if (f == fformat) return;
  if (bitsOf(f) == bitsOf(fformat)) {
    fformat = f;
    return;
  }
  rebuild(fwidth, fheight, f);
}

void TBitmap::rebuild(int w, int h, TPixelFormat f) {
  auto next = std::make_unique<TSurface>();
  if (!next->create(w, h, bitsOf(f))) next->create(0, 0, bitsOf(f));
  // New pixels are white; the old ones that still fit are carried over, converted.
  next->fillBytes(0xFF);
  if (!fsurface->empty() && fwidth > 0 && fheight > 0 && w > 0 && h > 0) {
    TDeviceContext to(next.get());
    BitBlt(to, 0, 0, std::min(w, fwidth), std::min(h, fheight), fdc.get(), 0, 0, SRCCOPY);
  }
  fsurface = std::move(next);
  fdc->bind(fsurface.get());
  fwidth = fsurface->width();
  fheight = fsurface->height();
  fformat = f;
}

uint8_t* TBitmap::ScanLine(int y) {
  if (fsurface->empty() || y < 0 || y >= fheight) return nullptr;
  return fsurface->row(y);
}

uint8_t const* TBitmap::ScanLine(int y) const {
  if (fsurface->empty() || y < 0 || y >= fheight) return nullptr;
  return fsurface->row(y);
}

}  // namespace platform
