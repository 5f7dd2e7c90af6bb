// The control set's list. Fixed heights keep every line's place arithmetic; measured heights keep
// one height per line. Painting walks only the lines that meet the dirty part.
#include "ui/r_listBox.h"

#include <algorithm>

#include "core/TDelayedEvent.h"
#include "core/os_drawing.h"
#include "core/os_text.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_modal.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kEdge = 2;         // the list's sunken edge (SM_CYEDGE)
constexpr int kBar = 17;         // the scroll bar's width (SM_CXVSCROLL)
constexpr int kCheckColumn = 20; // presses left of this toggle a check
int32_t fade(int32_t c, int32_t t, double pc) { return TosDrawing::FadeColour(c, t, pc); }
}  // namespace

TlistBox::TlistBox(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  colour = static_cast<int32_t>(clWhite);
  TabStop = true;
  fitemHeight = gp(18);
  fbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Vertical);
  fbar->Hide();
  fbar->OnChange = [this](TScrollBar* b) {
    setTopIndex(b->Position());
    if (onScroll) onScroll(this);
  };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) { mouseDown(b, s, x, y); };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) { mouseMove(x, y); };
  OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) { mouseUp(b, s, x, y); };
  OnMouseLeave = [this](TWinControl*) { mouseLeave(); };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  OnResize = [this](TWinControl*) { updateBar(); };
}

TlistBox::~TlistBox() { *falive = false; }

// ---- lines --------------------------------------------------------------------------------------

int TlistBox::add(const std::string& s, int32_t itemid) {
  const int i = TosText::addListID(Items, s, itemid);
  syncSize();
  if (fvariable) fheights.back() = onMeasureItem ? std::max(onMeasureItem(this, i), 1) : fitemHeight;
  updateBar();
  invalidateItem(i);
  if (withNullFill) Invalidate();
  return i;
}

void TlistBox::clear() {
  Items.clear();
  fsel.clear();
  fheights.clear();
  fitemIndex = fanchor = -1;
  ftop = 0;
  over = -1;
  updateBar();
  Invalidate();
}

int32_t TlistBox::id(int i) const { return i >= 0 && i < count() ? TosText::ListID(Items, i) : -1; }

int32_t TlistBox::itemId() const { return fitemIndex >= 0 && fitemIndex < count() ? id(fitemIndex) : -1; }

void TlistBox::setItemId(int32_t v) { setItemIndex(TosText::ListIndexOfID(Items, v)); }

void TlistBox::setResult(const std::string& s) { setItemIndex(Items.indexOf(s)); }

void TlistBox::syncSize() {
  const size_t n = static_cast<size_t>(count());
  if (fsel.size() != n) fsel.resize(n, 0);
  if (fvariable && fheights.size() != n) fheights.resize(n, fitemHeight);
  if (fitemIndex >= count()) fitemIndex = count() - 1;
}

// ---- selection ----------------------------------------------------------------------------------

bool TlistBox::selected(int i) const {
  if (i < 0 || i >= count()) return false;
  if (selectMode == TselectMode::Single) return i == fitemIndex;
  return static_cast<size_t>(i) < fsel.size() && fsel[static_cast<size_t>(i)] != 0;
}

void TlistBox::setSelected(int i, bool on) {
  syncSize();
  if (i < 0 || i >= count()) return;
  if (selectMode == TselectMode::Single) {
    if (on) setItemIndex(i);
    else if (i == fitemIndex) setItemIndex(-1);
    return;
  }
  fsel[static_cast<size_t>(i)] = on ? 1 : 0;
  invalidateItem(i);
}

int TlistBox::selCount() const {
  if (selectMode == TselectMode::Single) return fitemIndex >= 0 ? 1 : 0;
  return static_cast<int>(std::count(fsel.begin(), fsel.end(), 1));
}

void TlistBox::setItemIndex(int i) {
  syncSize();
  if (i < -1 || i >= count()) i = -1;
  const int old = fitemIndex;
  fitemIndex = i;
  fanchor = i;
  if (selectMode != TselectMode::Single && !fcheckList) {
    // As the framework's lists: the index selects that line alone.
    for (size_t k = 0; k < fsel.size(); ++k)
      if (fsel[k]) {
        fsel[k] = 0;
        invalidateItem(static_cast<int>(k));
      }
    if (i >= 0) fsel[static_cast<size_t>(i)] = 1;
  }
  invalidateItem(old);
  invalidateItem(i);
}

void TlistBox::setAsCheckList(bool v) {
  fcheckList = v;
  selectMode = v ? TselectMode::Multiple : TselectMode::Extended;
  Invalidate();
}

void TlistBox::setVarious(bool v) {
  fvarious = v;
  Invalidate();
}

void TlistBox::userSelect(int i, TShiftState s, bool fromMouse) {
  if (i < 0 || i >= count() || readonly) return;
  flastByMouse = fromMouse;
  syncSize();
  const int old = fitemIndex;
  switch (selectMode) {
    case TselectMode::Single:
      fitemIndex = i;
      invalidateItem(old);
      invalidateItem(i);
      break;
    case TselectMode::Multiple:
      fitemIndex = i;
      if (fromMouse) fsel[static_cast<size_t>(i)] ^= 1;
      invalidateItem(old);
      invalidateItem(i);
      break;
    case TselectMode::Extended: {
      if ((s & ssShift) && fanchor >= 0) {
        for (size_t k = 0; k < fsel.size(); ++k) fsel[k] = 0;
        for (int k = std::min(fanchor, i); k <= std::max(fanchor, i); ++k) fsel[static_cast<size_t>(k)] = 1;
        Invalidate();
      } else if (s & ssCtrl) {
        fsel[static_cast<size_t>(i)] ^= 1;
        fanchor = i;
      } else {
        for (size_t k = 0; k < fsel.size(); ++k)
          if (fsel[k]) {
            fsel[k] = 0;
            invalidateItem(static_cast<int>(k));
          }
        fsel[static_cast<size_t>(i)] = 1;
        fanchor = i;
      }
      fitemIndex = i;
      invalidateItem(old);
      invalidateItem(i);
      break;
    }
  }
  scrollIntoView();
  if (onClick) onClick(this);
}

// ---- heights and scrolling ----------------------------------------------------------------------

void TlistBox::setItemHeight(int v) {
  fitemHeight = std::max(v, 1);
  updateBar();
  Invalidate();
}

void TlistBox::setVariableHeight(bool v) {
  fvariable = v;
  fheights.assign(static_cast<size_t>(count()), fitemHeight);
  if (v) reCalculateHeights();
  updateBar();
  Invalidate();
}

void TlistBox::reCalculateHeights() {
  if (!onMeasureItem) return;
  syncSize();
  for (int i = 0; i < count(); ++i) {
    const int h = std::max(onMeasureItem(this, i), 1);
    if (fvariable) fheights[static_cast<size_t>(i)] = h;
    else if (i == 0) fitemHeight = h;
  }
  updateBar();
  Invalidate();
}

void TlistBox::resetHeight(int index, int height) {
  syncSize();
  if (index < 0 || index >= count()) return;
  if (fvariable) fheights[static_cast<size_t>(index)] = std::max(height, 1);
  else fitemHeight = std::max(height, 1);
  updateBar();
  Invalidate();
}

int TlistBox::heightOf(int i) const {
  if (fvariable && i >= 0 && static_cast<size_t>(i) < fheights.size()) return fheights[static_cast<size_t>(i)];
  return fitemHeight;
}

int TlistBox::viewHeight() const { return std::max(Height() - 2 * kEdge, 0); }

int TlistBox::offsetOf(int i) const {
  if (!fvariable) return i * fitemHeight;
  int y = 0;
  for (int k = 0; k < i; ++k) y += heightOf(k);
  return y;
}

TRect TlistBox::itemRect(int i) const {
  if (i < ftop || i >= count()) return {};
  const int y = kEdge + (fvariable ? offsetOf(i) - offsetOf(ftop) : (i - ftop) * fitemHeight);
  if (y >= Height()) return {};
  const int right = Width() - kEdge - (fbar->Visible() ? kBar : 0);
  return Rect(kEdge, y, right, y + heightOf(i));
}

int TlistBox::itemAt(int x, int y) const {
  if (x < 0 || x >= Width() || y < kEdge) return -1;
  if (!fvariable) {
    const int i = ftop + (y - kEdge) / fitemHeight;
    return i < count() ? i : -1;
  }
  int at = kEdge;
  for (int i = ftop; i < count(); ++i) {
    at += heightOf(i);
    if (y < at) return i;
    if (at > Height()) break;
  }
  return -1;
}

int TlistBox::itemsInView() const { return viewHeight() / std::max(fitemHeight, 1); }

int TlistBox::bottomIndex() const {
  const int i = itemAt(10, Height() - 2 * kEdge);
  return i < 0 ? count() : i;
}

void TlistBox::setTopIndex(int v) {
  const int maxTop = std::max(0, count() - std::max(itemsInView(), 1));
  v = std::clamp(v, 0, maxTop);
  if (v == ftop) return;
  ftop = v;
  fbar->SetPosition(ftop);
  Invalidate();
}

void TlistBox::scrollIntoView() {
  if (fitemIndex < 0) return;
  if (fitemIndex < ftop) setTopIndex(fitemIndex);
  else if (fitemIndex - ftop >= itemsInView()) setTopIndex(fitemIndex - itemsInView() + 1);
}

void TlistBox::centreOnSelected() {
  if (fitemIndex > 0 && count() > itemsInView()) setTopIndex(std::max(0, fitemIndex - itemsInView() / 2 - 1));
}

void TlistBox::scrollToTop() {
  if (!os) return;
  std::weak_ptr<bool> alive = falive;
  os->delay(40, [this, alive](TtrailSource*) {
    if (auto a = alive.lock(); a && *a && count() > 0) setTopIndex(0);
  });
}

int TlistBox::NaturalHeight() const {
  int h = 0;
  if (count() > 0) h = fvariable ? offsetOf(count()) : count() * fitemHeight;
  return h + 2 * kEdge;
}

int TlistBox::NaturalWidth() const {
  TCanvas& cv = TQYbutton::backCanvas();
  cv.Font.setName(fontman ? fontman->getFontName(programFace()) : programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  int w = 0;
  for (int i = 0; i < count(); ++i) w = std::max(w, cv.TextWidth(fitText(Items[i])));
  w += gp(8) + 2 * kEdge;
  if (Height() < NaturalHeight()) w += kBar;
  return w;
}

void TlistBox::setbounds(int left, int top, int width, int height) {
  try {
    SetBounds(left, top, width, height);
  } catch (...) {
    // as the framework's: a failure to place is not reported
  }
}

void TlistBox::updateBar() {
  syncSize();
  const int fit = std::max(itemsInView(), 1);
  const bool need = NaturalHeight() > Height() && count() > fit;
  fbar->SetBounds(Width() - kEdge - kBar, kEdge, kBar, viewHeight());
  fbar->SetParams(0, std::max(count() - 1, 0), fit);
  fbar->LargeChange = fit;
  if (need != fbar->Visible()) fbar->SetVisible(need);
  const int maxTop = std::max(0, count() - fit);
  if (ftop > maxTop) ftop = maxTop;
  fbar->SetPosition(ftop);
}

// ---- drawing ------------------------------------------------------------------------------------

std::string TlistBox::fitText(const std::string& s) const {
  // A line far longer than the list is cut to what could show (no glyph is under 1 pixel).
  const size_t limit = static_cast<size_t>(std::max(Width(), 100)) * 4;
  if (s.size() <= limit) return s;
  std::u32string u = toUtf32(std::string_view(s).substr(0, limit + 4));
  return fromUtf32(std::u32string_view(u).substr(0, std::min(u.size(), static_cast<size_t>(std::max(Width(), 100)))));
}

void TlistBox::invalidateItem(int i) {
  const TRect r = itemRect(i);
  if (!r.isEmpty() && HandleAllocated() && hasDesktop()) desktop().invalidate(Handle(), &r);
}

void TlistBox::rowFill(TCanvas& cv, int index, TRect rect, TOwnerDrawState state) {
  const bool sel = (state & odSelected) != 0;
  if (!Enabled()) {
    cv.Brush.Color = sel ? TColor(0xC0C0C0) : TColor(0xDCDCDC);
    cv.Font.Color = sel ? TColor(0x404040) : TColor(0x808080);
  } else if (fvarious) {
    cv.Brush.Color = static_cast<TColor>(varColour);
  } else if (sel && !fcheckList) {
    cv.Brush.Color = static_cast<TColor>(os ? os->selColour : 0x80503C);
  } else if (index == over) {
    cv.Brush.Color = static_cast<TColor>(fade(0xFFFFFF, os ? os->selColour : 0x80503C, 5));
  }
  cv.Brush.Style = bsSolid;
  cv.FillRect(rect);
  cv.Brush.Color = clWhite;
  defaultDraw(index, rect);
}

void TlistBox::drawSuffix(TCanvas& cv, int index, TRect rect, int x, TOwnerDrawState state) {
  if (!suffix || index >= suffix->count() || (*suffix)[index].empty()) return;
  const TColor keep = cv.Font.Color;
  if (!(state & odSelected)) cv.Font.Color = 0xFF0000;
  const std::string t = fitText(Items[index]);
  const std::string& sfx = (*suffix)[index];
  cv.TextOut(x + cv.TextWidth(t), rect.Top + (rect.height() - cv.TextHeight(sfx)) / 2, sfx);
  cv.Font.Color = keep;
}

void TlistBox::drawItem(TCanvas& cv, int index, TRect rect, TOwnerDrawState state) {
  if (index < 0) return;
  cv.Font.setName(programFace());
  cv.Font.setSize(fontsize > 0 ? fontsize : fontSize());
  cv.Font.setStyle(0);
  cv.Brush.Color = clWhite;
  cv.Font.Color = 0;
  if (readonly) state &= ~(odSelected | odFocused);
  const std::string text = fitText(Items[index]);
  auto centred = [&](int x, const std::string& s) {
    if (fontman) fontman->VCentredText(cv, x, rect.Top, rect.Bottom, s);
    else cv.TextOut(x, rect.Top + (rect.height() - cv.TextHeight(s)) / 2, s);
  };
  if (fcheckList) {
    const bool sel = (state & odSelected) != 0;
    cv.Font.setName(symbolFace());
    if (sel) {
      if (selectcolour == 0) {
        cv.Font.Color = 0x00A000;
        cv.Brush.Color = 0xE6FFE6;
      } else {
        cv.Font.Color = selectcolour == 0xFFFFFF ? TColor(0xFF0000) : static_cast<TColor>(selectFontColour);
        cv.Brush.Color = static_cast<TColor>(selectcolour);
      }
    } else if (unselectColour == 0xFFFFFF) {
      cv.Font.Color = 0;
      cv.Brush.Color = clWhite;
    } else {
      cv.Font.Color = static_cast<TColor>(unselectColour);
      cv.Brush.Color = static_cast<TColor>(fade(unselectColour, 0xFFFFFF, 90));
    }
    const TColor glyphColour = cv.Font.Color;
    rowFill(cv, index, rect, state);
    cv.Font.Color = glyphColour;
    const std::string glyph = fromCodePoint(sel ? 254 : 168);
    cv.TextOut(rect.Left + gp(4), rect.Top + (rect.height() - cv.TextHeight(glyph)) / 2, glyph);
    cv.Font.setName(programFace());
    cv.Font.Color = Enabled() ? TColor(0) : cv.Font.Color;
    centred(rect.Left + gp(24), text);
    drawSuffix(cv, index, rect, rect.Left + gp(24), state);
    return;
  }
  if (state & odSelected) cv.Font.Color = clWhite;
  rowFill(cv, index, rect, state);
  centred(rect.Left + gp(4), text);
  drawSuffix(cv, index, rect, rect.Left + gp(4), state);
  if ((state & odFocused) && !hideFocusRect) {
    cv.Pen.Style = psDot;
    cv.Pen.Color = 0x808080;
    cv.Brush.Style = bsClear;
    cv.Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
    cv.Brush.Style = bsSolid;
    cv.Pen.Style = psSolid;
  }
  if (onPostDrawItem) onPostDrawItem(this, index, state, rect);
}

void TlistBox::defaultDraw(int index, TRect box) {
  if (index != count() - 1 || !withNullFill || box.Bottom >= Height() - kEdge) return;
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  const int right = Width() - kEdge - (fbar->Visible() ? kBar : 0);
  TosDrawing::NullFill(cv, Rect(box.Left, box.Bottom, right, Height() - kEdge),
                       fade(0xEAC8AC, 0xFFFFFF, 85), 0xFFFFFF);
  cv.Pen.Color = 0x808080;
  cv.Pen.Style = psDot;
  cv.MoveTo(box.Left, box.Bottom);
  cv.LineTo(right, box.Bottom);
  cv.Pen.Style = psSolid;
}

void TlistBox::DrawBackground() {
  TCanvas& cv = Canvas();
  if (!cv.Handle()) {
    Invalidate();
    return;
  }
  TosDrawing::NullFill(cv, Rect(kEdge, kEdge, Width() - kEdge, Height() - kEdge), fade(0xEAC8AC, 0xFFFFFF, 85), 0xFFFFFF);
}

void TlistBox::Paint() {
  if (supresspaint) return;
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  syncSize();
  const int W = Width(), H = Height();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = clWhite;
  const TRect clip = cv.Handle()->clipBox();
  const bool focused = HandleAllocated() && hasDesktop() && desktop().focus() == Handle();
  int y = kEdge;
  const int right = W - kEdge - (fbar->Visible() ? kBar : 0);
  for (int i = ftop; i < count() && y < H - kEdge; ++i) {
    const int h = heightOf(i);
    const TRect r = Rect(kEdge, y, right, y + h);
    y += h;
    if (r.Bottom <= clip.Top || r.Top >= clip.Bottom || !cv.Handle()->rectVisible(r)) continue;
    TOwnerDrawState st = 0;
    if (selected(i)) st |= odSelected;
    if (focused && i == fitemIndex) st |= odFocused;
    if (!Enabled()) st |= odDisabled;
    drawItem(cv, i, r, st);
  }
  if (y < H - kEdge && (count() == 0 || !withNullFill)) {
    cv.Brush.Color = clWhite;
    cv.FillRect(Rect(kEdge, y, right, H - kEdge));
  }
  // The sunken edge.
  cv.Pen.Width = 1;
  cv.Pen.Color = 0xA0A0A0;
  cv.Brush.Style = bsClear;
  cv.Rectangle(0, 0, W, H);
  cv.Pen.Color = 0xE0E0E0;
  cv.Rectangle(1, 1, W - 1, H - 1);
  cv.Brush.Style = bsSolid;
}

// ---- mouse and keys -----------------------------------------------------------------------------

void TlistBox::mouseDown(TMouseButton b, TShiftState s, int x, int y) {
  mousex = x;
  mousey = y;
  incheck = fcheckList && x < kCheckColumn;
  downIndex = itemAt(x, y);
  downRect = itemRect(downIndex);
  downx = x;
  downy = y;
  if (takesFocus && hasDesktop() && HandleAllocated()) desktop().setFocus(Handle());
  // In check-list mode only a press in the check column changes a check.
  if (b == mbLeft && downIndex >= 0 && (!fcheckList || incheck)) userSelect(downIndex, s, true);
  if (onMouseDown2) onMouseDown2(this);
}

void TlistBox::mouseMove(int x, int y) {
  mousex = x;
  mousey = y;
  const int i = itemAt(x, y);
  if (i != over) {
    const int old = over;
    over = i;
    if (onChangeOver) onChangeOver(this);
    if (old != -1) invalidateItem(old);
    invalidateItem(over);
  }
  if (onMouseMove2) onMouseMove2(this);
}

void TlistBox::mouseLeave() {
  const int old = over;
  over = -1;
  if (onChangeOver) onChangeOver(this);
  if (onMouseLeave2) onMouseLeave2(this);
  invalidateItem(old);
}

void TlistBox::mouseUp(TMouseButton b, TShiftState, int x, int y) {
  if (b == mbRight && selectMode != TselectMode::Single) {
    const int i = itemAt(x, y);
    if (i >= 0 && selected(i)) {
      setSelected(i, false);
      if (onClick) onClick(this);
    }
  } else if (b == mbLeft && fitemIndex >= 0 && onMouseUp2) {
    onMouseUp2(this);
  }
}

void TlistBox::keyDown(int key, TShiftState s) {
  if (count() == 0) return;
  const int page = std::max(itemsInView() - 1, 1);
  int to = fitemIndex;
  switch (key) {
    case VK_UP: to = std::max(fitemIndex - 1, 0); break;
    case VK_DOWN: to = std::min(fitemIndex + 1, count() - 1); break;
    case VK_PRIOR: to = std::max(fitemIndex - page, 0); break;
    case VK_NEXT: to = std::min(std::max(fitemIndex, 0) + page, count() - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count() - 1; break;
    case VK_SPACE:
      if (selectMode == TselectMode::Multiple && fitemIndex >= 0) userSelect(fitemIndex, 0, true);
      return;
    default: return;
  }
  if (to == fitemIndex) return;
  if (selectMode == TselectMode::Multiple) {
    const int old = fitemIndex;
    fitemIndex = to;
    invalidateItem(old);
    invalidateItem(to);
    scrollIntoView();
    return;
  }
  userSelect(to, s & ssShift, false);
}

LRESULT TlistBox::WndProc(TMsg& m) {
  switch (m.message) {
    case WM_MOUSEWHEEL: {
      if (OnMouseWheel) break;
      setTopIndex(ftop - GET_WHEEL_DELTA_WPARAM(m.wParam) / WHEEL_DELTA * 3);
      if (onScroll) onScroll(this);
      return 1;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      invalidateItem(fitemIndex);
      break;
    case wm_rescale:
      fitemHeight = gp(16);
      updateBar();
      Invalidate();
      return 0;
    default: break;
  }
  return TQYcontrol::WndProc(m);
}

// ---- popup --------------------------------------------------------------------------------------

bool TlistBox::PopUp(TWinControl* c) { return PopUp(c, gp(200)); }

bool TlistBox::PopUp(TWinControl* c, int maxHeight) {
  TRect box;
  if (c) {
    const TPoint p = c->ClientToScreen(TPoint{0, 0});
    box = Bounds(p.X, p.Y, c->Width(), c->Height());
  }
  return PopUp(box, maxHeight);
}

bool TlistBox::PopUp(const TRect& box, int maxHeight) {
  if (count() == 0) return false;
  SetBounds(Left(), Top(), std::max(NaturalWidth(), 100), std::min(maxHeight, NaturalHeight()));
  updateBar();
  TQYdlg d(this);
  dlg = &d;
  Notify caller = onClick;
  onClick = [this, caller](TlistBox* l) {
    if (caller) caller(l);
    fresult = fitemIndex >= 0 ? Items[fitemIndex] : std::string();
    // One click chooses and closes; the keys move the line, Enter chooses it (the dialog's OK).
    if (!fcheckList && dlg && flastByMouse) dlg->ModalResult = mrOk;
  };
  const int r = d.showModal(box, this);
  dlg = nullptr;
  onClick = caller;
  return r == mrOk;
}
