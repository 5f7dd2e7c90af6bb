// TtabForm: tabs in the caption bar, the selection protocol that creates a page on first use,
// the layout of tabs and left buttons, the re-layout after maximise or restore.
#include <algorithm>

#include "core/os_drawing.h"
#include "core/os_system.h"
#include "core/r_log.h"
#include "ui/r_baseForm.h"

using namespace platform;

namespace {
int gp(int n) { return os ? os->gp(n) : n; }
int fontSize(double points = 8) { return os ? os->fontsize(points) : static_cast<int>(points); }
int32_t fade(int32_t c, int32_t target, double pc) { return TosDrawing::FadeColour(c, target, pc); }
std::string sansFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }

// Caption width in the tab font.
int captionWidth(TWinControl& c, const std::string& text) {
  TBitmap bm;
  bm.SetSize(1, 1);
  TCanvas& cv = bm.Canvas();
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize());
  (void)c;
  return cv.TextWidth(text);
}
}  // namespace

// ---- TformTab -------------------------------------------------------------------------------------

TformTab::TformTab(TtabForm* owner) : TQYcontrol(owner), form(owner) {
  SetBounds(0, 0, gp(40), gp(18));
  selcolour = os ? os->selColour : 0x80503C;
  SetCursor(Cursor::Hand);
  OnClick = [this](TWinControl*) {
    if (form) form->doClick(this);
  };
}

TformTab::~TformTab() = default;

void TformTab::setname(const std::string& text) {
  fname = text;
  SetWidth(captionWidth(*this, text) + gp(16));
  redraw();
}

void TformTab::setshort(bool value) {
  fshort = value;
  SetHeight(gp(value ? 16 : 18));
  redraw();
}

void TformTab::redraw() { Invalidate(); }

void TformTab::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  const int W = Width(), H = Height();
  const bool formActive = form ? form->active : true;
  const bool sel = form && form->fsel == this;
  TColor back, ink, pen, corner;
  if (sel) {
    back = static_cast<TColor>(formActive ? selcolour : 0x808080);
    ink = clWhite;
  } else if (formActive && Enabled()) {
    back = static_cast<TColor>(nonselcolour);
    ink = static_cast<TColor>(nonSelFontColour);
  } else {
    back = static_cast<TColor>(form ? form->disabledColour : 0xFFFFFF);
    ink = 0xC0C0C0;
  }
  if (formActive && Enabled()) {
    pen = fshort ? 0x808080 : clBlack;
    corner = static_cast<TColor>(backcolour);
  } else {
    pen = static_cast<TColor>(fade(static_cast<int32_t>(back), 0, 50));
    corner = static_cast<TColor>(fade(static_cast<int32_t>(back), 0, 25));
  }
  cv.Brush.Color = back;
  cv.Brush.Style = bsSolid;
  cv.Pen.Color = pen;
  cv.Pen.Width = 1;
  cv.Rectangle(0, 0, W, H);
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  cv.Font.Color = ink;
  cv.TextOut(gp(8), (H - cv.TextHeight(fname)) / 2, fname);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {W - 1, 0}, {W - 2, 0}, {W - 1, 1}}) cv.SetPixels(x, y, corner);
  cv.SetPixels(1, 1, pen);
  cv.SetPixels(W - 2, 1, pen);
  cv.Pen.Color = clBlack;
  cv.MoveTo(0, H - 1);
  cv.LineTo(W, H - 1);
}

// ---- TformButton -----------------------------------------------------------------------------------

TformButton::TformButton(TtabForm* owner) : TQYcontrol(owner), form(owner) {
  SetBounds(0, 0, gp(16), gp(18));
  SetCursor(Cursor::Hand);
  OnClick = [this](TWinControl*) {
    if (form) form->doClick(this);
  };
}

TformButton::~TformButton() = default;

void TformButton::setname(const std::string& text) {
  fname = text;
  SetWidth(captionWidth(*this, text) + gp(8) + (ftype >= 1 && ftype <= 6 ? gp(12) : 0));
  redraw();
}

void TformButton::setType(int type) {
  ftype = type;
  if (!fname.empty()) setname(fname);
  else {
    SetWidth(gp(16));
    redraw();
  }
}

void TformButton::setProhibit(bool value) {
  SetEnabled(!value);
  fProhibit = value;
}

void TformButton::redraw() { Invalidate(); }

void TformButton::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  const int W = Width(), H = Height();
  TColor back, ink;
  if (!active) back = 0xDCDCDC, ink = 0xC0C0C0;
  else if (Enabled()) back = static_cast<TColor>(fade(colour, 0xFFFFFF, 25)), ink = 0xA03C3C;
  else back = static_cast<TColor>(fade(colour, 0xFFFFFF, 50)), ink = 0xC0C0C0;
  cv.Brush.Color = back;
  cv.FillRect(ClientRect());
  cv.Brush.Style = bsClear;
  cv.Pen.Color = ink;
  cv.Pen.Style = psDot;
  cv.Rectangle(0, 0, W, H);
  cv.Pen.Style = psSolid;
  cv.Brush.Style = bsSolid;
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize());
  cv.Font.Color = ink;
  cv.TextOut(gp(4), (H - cv.TextHeight(fname)) / 2, fname);
  const TColor glyph = Enabled() && form && form->active ? clBlue : ink;
  const int m = fname.empty() ? gp(14) : gp(12);
  if (ftype == 1 || ftype == 5 || ftype == 2 || ftype == 6) {
    const bool plus = ftype == 1 || ftype == 5;
    const int h = H / 4 - (plus ? 1 : 0), cx = W + h - m, cy = H / 2;
    cv.Brush.Color = glyph;
    cv.FillRect(Rect(cx - h, cy - 1, cx + h, cy + 1));
    if (plus) cv.FillRect(Rect(cx - 1, cy - h, cx + 1, cy + h + 1));
  } else if (ftype == 3 || ftype == 4) {
    const std::string arrow = ftype == 3 ? "\u25BA" : "\u25C4";
    cv.Font.setName("Arial");
    cv.Font.Color = glyph;
    cv.TextOut(W - m, (H - cv.TextHeight(arrow)) / 2, arrow);
    cv.Font.setName(sansFace());
    cv.Font.setSize(fontSize());
  }
  if (fProhibit) {
    cv.Pen.Color = 0xA0A0FF;
    for (int y = 0; y < H; y += 3) {
      cv.MoveTo(0, y);
      cv.LineTo(H - y, H);
    }
  }
}

// ---- TtabForm -------------------------------------------------------------------------------------

TtabForm::TtabForm() = default;

TtabForm::~TtabForm() {
  // Tabs and buttons go before the form's window.
  b.clear();
  a.clear();
}

void TtabForm::start() {
  TbaseForm::start();
  minXdivide = 200;
  maxXdivide = 400;
  setx(200);
  setCapH(gp(22));
  disabledColour = 0xFFFFFF;
  onMoveX = [this](void*) { doMoveX(); };
  OnResize = [this](TWinControl*) { doResize(); };
  onInternalSizeChanged = [this](void*) { doResize(); };
  onInternalPaint = [this](void*) { doPaint2(); };
  onActivate = [this](void*) { doActivate(active); };
}

TformTab* TtabForm::add(const std::string& name, int id) {
  auto t = std::make_unique<TformTab>(this);
  t->backcolour = colour;
  t->id = id;
  t->setname(name);
  a.push_back(std::move(t));
  return a.back().get();
}

TformButton* TtabForm::addLeftButton(const std::string& name, int id) {
  auto t = std::make_unique<TformButton>(this);
  t->colour = colour;
  t->id = id;
  t->setname(name);
  b.push_back(std::move(t));
  return b.back().get();
}

TformTab* TtabForm::find(int id) const {
  TformTab* found = nullptr;
  for (auto& t : a)
    if (t->id == id) found = t.get();
  return found;
}

void TtabForm::selectTab(int index) {
  if (index < 0 || index >= getCount()) return;
  doClick(a[static_cast<size_t>(index)].get());
}

void TtabForm::setSel(TformTab* tab) {
  if (fsel == tab) return;
  fsel = tab;
  redrawtabs(false);
}

void TtabForm::doClick(TWinControl* sender) {
  if (auto* button = dynamic_cast<TformButton*>(sender)) {
    if (onButton) onButton(button);
    active = true;
    redrawtabs();
    return;
  }
  auto* tab = dynamic_cast<TformTab*>(sender);
  if (!tab || !tab->Enabled()) return;
  SetCursor(Cursor::Wait);
  if (fsel) {
    if (onLeaveTab) onLeaveTab(fsel);
    fsel->currentStatusStr = fstatus;
  }
  fsel = tab;
  if (!tab->page && onNeedpage) onNeedpage(tab);
  if (tab->page) tab->page->SetBounds(fclient.Left, fclient.Top, fclient.width(), fclient.height());
  for (auto& t : a)
    if (t->page) t->page->SetVisible(t.get() == tab);
  redrawtabs();
  setStatus(tab->currentStatusStr);
  if (onSelect) onSelect(tab);
  priorTab = tab;
  SetCursor(Cursor::Default);
}

void TtabForm::redrawtabs(bool startFirst) {
  if (sizeStatus == size_frozen) return;
  if (startFirst && !fsel && !a.empty()) {
    doClick(a.front().get());
    return;
  }
  log("redrawtabs a");
  fcapH = gp(22);
  int x = gp(fx + 4);
  for (auto& t : a) {
    if (!t->Visible()) continue;
    t->SetBounds(x, fcapH - t->Height(), t->Width(), t->Height());
    t->redraw();
    x += gp(2) + t->Width() + t->spacer;
    statusx = x;
  }
  int s = Width() - 4 * fcapH - statusx - 2;
  if (s <= 10) s = 10;
  else if (!onHelp) s += fcapH;
  fstatusRect = Rect(statusx, 0, statusx + s, fcapH);
  setStatus(fstatus);
  RefreshButtons();
  log("redrawtabs b");
  Invalidate();
}

void TtabForm::RefreshButtons() {
  if (b.empty()) return;
  int x = gp(fx - 4);
  for (auto& bt : b) {
    if (!bt->Visible()) continue;
    bt->SetBounds(x - bt->Width(), (fcapH - bt->Height()) / 2, bt->Width(), bt->Height());
    bt->active = active;
    bt->redraw();
    x -= gp(2) + bt->Width();
  }
}

void TtabForm::setx(int x) {
  fx = std::clamp(x, minXdivide, maxXdivide);
  if (onXdivide) xBox = Rect(fx - 2, 1, fx + 2, fcapH - 1);
}

void TtabForm::setLeftStatus(const std::string& text) {
  if (!active || text == fleft) return;
  fleft = text;
  Invalidate();
}

void TtabForm::doResize() {
  if (sizeStatus == size_frozen) return;
  TbaseForm::doResize();
  if (minimised() || !fsel) return;
  if (sizeStatus == size_maximised || sizeStatus == size_restoredByBox) {
    if (fsel->page) fsel->page->SetLeft(fclient.Right + 20);
    Invalidate();
    ++pendingResizes;
    if (os) {
      os->delay(20, [this, alive = std::weak_ptr<bool>(falive)](TtrailSource*) {
        if (alive.expired()) return;  // the form went before the re-layout
        if (pendingResizes > 0) --pendingResizes;
        doResize2();
      });
    } else {
      doResize2();
    }
  } else if (sizeStatus == size_edgeDone) {
    doResize2();
  } else if (fsel->page) {
    // A size that came from outside (the window manager, a display change): the page follows.
    fsel->page->SetBounds(fclient.Left, fclient.Top, fclient.width(), fclient.height());
  }
}

void TtabForm::doResize2() {
  sizeStatus = size_none;
  if (!fsel) return;
  if (fsel->page) fsel->page->SetBounds(fclient.Left, fclient.Top, fclient.width(), fclient.height());
  doClick(fsel);
  sizeStatus = size_none;
}

void TtabForm::doPaint2() {
  const char* text = sizeStatus == size_maximised || sizeStatus == size_restoredByBox ? "resizing..."
                     : sizeStatus == size_initializing                                ? "initializing..."
                                                                                      : nullptr;
  if (!text) return;
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize(12));
  cv.Font.Color = clBlack;
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.TextOut((fclient.Left + fclient.Right - cv.TextWidth(text)) / 2,
             fclient.Top + static_cast<int>(fclient.height() * 0.4), text);
}

void TtabForm::doActivate(bool value) {
  active = value;
  redrawtabs();
  if (onActivateForm) onActivateForm(this);
}

void TtabForm::doMoveX() {
  setx(os ? os->shrinkPixels(mouseX) : mouseX);
  TbaseForm::doResize();
  if (onXdivide) onXdivide(this);
}
