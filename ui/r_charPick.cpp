// The character picker: the font's characters in a grid of cells, each drawn at twice its size
// and shrunk with area averaging, so small glyphs stay smooth.
#include "ui/r_charPick.h"

#include <algorithm>
#include <cmath>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/text.h"
#include "ui/r_controlSet.h"
#include "ui/r_modal.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr TColor kCell = 0xF0FAFA;
}  // namespace

TcharPickLt::TcharPickLt(TWinControl* owner) : TCustomControl(owner) {
  Color = clWhite;
  targetcolwidth = gp(17);
  rowheight = gp(20);
  fontsize = 2 * fontSize();
  bm.SetSize(1, 1);
  bm1.SetSize(1, 1);
  scroll = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Vertical);
  scroll->SetBounds(0, 0, gp(17), std::max(Height(), 1));
  scroll->OnChange = [this](TScrollBar*) { redraw(); };
  OnResize = [this](TWinControl*) { layout(); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int x, int y) { pickAt(x, y); };
  OnMouseWheel = [this](TWinControl*, TShiftState, int delta, TPoint) {
    scroll->wheel(delta);
    return true;
  };
  SetCursor(Cursor::Hand);
}

TcharPickLt::~TcharPickLt() = default;

void TcharPickLt::setFontname(const std::string& name) {
  if (name == ffont) return;
  ffont = name;
  a.clear();
  TCanvas& cv = bm.Canvas();
  cv.Font.setName(name);
  cv.Font.setSize(100);
  if (fontman) {
    fontman->CharactersInFont(cv);
    a = fontman->charsInFont;
  }
  if (Width() > scroll->Width()) layout();
}

void TcharPickLt::layout() {
  const int sw = scroll->Width();
  scroll->SetBounds(Width() - sw, 0, sw, std::max(Height(), 1));
  const int gw = std::max(Width() - sw, 1), gh = std::max(Height(), 1);
  bm.SetSize(gw, gh);
  rowheight = std::max(fontsize, 1);
  targetcolwidth = std::max(static_cast<int>(std::lround(0.8 * fontsize)), 1);
  if (a.empty()) return;
  // At least one column, however narrow the grid.
  cols = std::max(static_cast<int>(std::nearbyint(static_cast<double>(gw) / targetcolwidth)), 1);
  colwidth = std::max(gw / cols, 1);
  rows = (static_cast<int>(a.size()) + cols - 1) / cols;
  const int fit = gh / rowheight;
  scroll->SetParams(0, rows, fit < rows ? fit : 0);
  scroll->SetPosition(0);
  scroll->LargeChange = 5;
  redraw();
}

void TcharPickLt::redraw() {
  if (ffont.empty()) return;
  const int gw = bm.Width(), gh = bm.Height();
  bm1.SetSize(2 * colwidth, 2 * rowheight);
  TCanvas& g = bm.Canvas();
  TCanvas& c = bm1.Canvas();
  g.Brush.Style = bsSolid;
  g.Brush.Color = kCell;
  g.FillRect(Rect(0, 0, gw, gh));
  start = scroll->Position() * cols;
  c.Font.setName(ffont);
  c.Font.setSize(fontsize);
  c.Font.Color = 0;
  c.Handle()->setBkMode(BkMode::Transparent);
  g.Handle()->setStretchBltMode(StretchMode::Halftone);
  const int visibleRows = gh / rowheight + 1;
  for (int k = 0; k < visibleRows * cols; ++k) {
    const size_t i = static_cast<size_t>(start + k);
    if (i >= a.size()) break;
    c.Brush.Color = kCell;
    c.FillRect(Rect(0, 0, bm1.Width(), bm1.Height()));
    const std::string ch = fromCodePoint(static_cast<char32_t>(a[i]));
    const TSize sz = c.TextExtent(ch);
    c.TextOut(colwidth - sz.cx / 2, rowheight - sz.cy / 2, ch);
    const int col = k % cols, row = k / cols;
    g.StretchDraw(Bounds(colwidth * col, rowheight * row, colwidth, rowheight), bm1);
  }
  g.Pen.Color = 0;
  g.Pen.Width = 1;
  for (int y = rowheight; y < gh; y += rowheight) {
    g.MoveTo(0, y);
    g.LineTo(gw, y);
  }
  for (int x = colwidth; x < gw; x += colwidth) {
    g.MoveTo(x, 0);
    g.LineTo(x, gh);
  }
  g.Brush.Style = bsClear;
  g.Rectangle(0, 0, gw, gh);
  g.Brush.Style = bsSolid;
  Invalidate();
}

int TcharPickLt::indexAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= bm.Width() || colwidth <= 0 || rowheight <= 0) return -1;
  const int col = x / colwidth;
  if (col >= cols) return -1;
  const int i = start + (y / rowheight) * cols + col;
  return i < static_cast<int>(a.size()) ? i : -1;
}

void TcharPickLt::pickAt(int x, int y) {
  const int i = indexAt(x, y);
  if (i < 0) return;
  result = static_cast<char32_t>(a[static_cast<size_t>(i)]);
  if (onClick) onClick(this);
}

void TcharPickLt::Paint() {
  TQYcontrol::Paint();
  Canvas().Draw(0, 0, bm);
}

bool TcharPickLt::execute(TWinControl* but) {
  TRect box;
  if (but) {
    const TPoint p = but->ClientToScreen(TPoint{0, 0});
    box = Bounds(p.X, p.Y, but->Width(), but->Height());
  }
  return execute(box);
}

bool TcharPickLt::execute(const TRect& box) {
  SetBounds(0, 0, 400, 400);
  TQYdlg d(this);
  d.Caption = word("general", "Choose character") + " - " + ffont;
  dlg = &d;
  Notify caller = onClick;
  onClick = [&d, caller](TcharPickLt* p) {
    if (caller) caller(p);
    d.ModalResult = mrOk;
  };
  const int r = d.showModal(box, this);
  dlg = nullptr;
  onClick = caller;
  return r == mrOk;
}
