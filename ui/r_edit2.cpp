// The multi-line text field of the control set. Lines are kept as code points; widths come from a
// per-character cache of the memo's font, and a line's width is measured only when asked (caret,
// view or the horizontal bar), so an edit touches only the line it changes.
#include "ui/r_edit2.h"

#include <algorithm>

#include "core/os_text.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/numbers.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_QYcontrols.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr TColor kSelection = 0xD77800;
constexpr int kBar = 17;    // a scroll bar's thickness
constexpr int kInset = 3;   // text starts this far from the left edge
TCanvas& measureCanvas() {
  static TBitmap bm;
  if (bm.Width() == 0) bm.SetSize(1, 1);
  return bm.Canvas();
}
// Lines of a text: CR LF, CR and LF all break; other control characters are kept as blanks.
std::vector<std::u32string> splitLines(const std::string& s) {
  std::vector<std::u32string> out(1);
  const std::u32string t = toUtf32(s);
  for (size_t i = 0; i < t.size(); ++i) {
    const char32_t c = t[i];
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < t.size() && t[i + 1] == U'\n') ++i;
      out.emplace_back();
    } else {
      out.back() += c < 0x20 || c == 0x7F ? U' ' : c;
    }
  }
  return out;
}
}  // namespace

Tmemo::Tmemo(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  fcolour = static_cast<int32_t>(clWhite);
  SetCursor(Cursor::IBeam);
  TabStop = true;
  ffontsize = fontSize();
  measureFont();
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) {
    if (hasDesktop() && HandleAllocated()) desktop().setFocus(Handle());
    if (b != mbLeft) return;
    const TPoint p = positionAt(x, y);
    moveCaret({p.Y, p.X}, (s & ssShift) != 0);
    fdragging = true;
    if (hasDesktop() && HandleAllocated()) {
      const TRect t = textRect();
      const TPoint o = ClientToScreen(TPoint{t.Left, t.Top});
      const TRect r = Bounds(o.X, o.Y, t.width(), t.height());
      desktop().clipCursor(Handle(), &r);
    }
  };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) {
    if (!fdragging) return;
    const TPoint p = positionAt(x, y);
    moveCaret({p.Y, p.X}, true);
  };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) {
    if (fdragging && hasDesktop()) desktop().clipCursor(0, nullptr);
    fdragging = false;
  };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  OnResize = [this](TWinControl*) {
    layoutBars();
    updateBars();
  };
}

Tmemo::~Tmemo() {
  *falive = false;
  caretTimer(false);
  if (fdragging && hasDesktop()) desktop().clipCursor(0, nullptr);
}

// ---- text ---------------------------------------------------------------------------------------

std::string Tmemo::text() const {
  std::u32string s;
  for (size_t i = 0; i < flines.size(); ++i) {
    if (i > 0) s += U'\n';
    s += flines[i];
  }
  return fromUtf32(s);
}

void Tmemo::setText(const std::string& value) {
  flines = splitLines(value);
  fwidths.assign(flines.size(), -1);
  fline = faline = fcol = facol = 0;
  ftop = fleft = 0;
  updateBars();
  Invalidate();
}

std::string Tmemo::barText() const { return TosText::Bartext(text()); }
void Tmemo::setBarText(const std::string& value) { setText(TosText::deBarText(value)); }

std::string Tmemo::line(int i) const {
  if (i < 0 || i >= lineCount()) return {};
  return fromUtf32(flines[static_cast<size_t>(i)]);
}

// ---- positions and selection --------------------------------------------------------------------

Tmemo::Pos Tmemo::selFrom() const {
  return (fline < faline || (fline == faline && fcol < facol)) ? Pos{fline, fcol} : Pos{faline, facol};
}
Tmemo::Pos Tmemo::selTo() const {
  return (fline < faline || (fline == faline && fcol < facol)) ? Pos{faline, facol} : Pos{fline, fcol};
}

int Tmemo::offsetOf(Pos p) const {
  int o = 0;
  for (int i = 0; i < p.line; ++i) o += static_cast<int>(flines[static_cast<size_t>(i)].size()) + 1;
  return o + p.col;
}

Tmemo::Pos Tmemo::posOf(int offset) const {
  offset = std::max(offset, 0);
  for (int i = 0; i < lineCount(); ++i) {
    const int n = static_cast<int>(flines[static_cast<size_t>(i)].size());
    if (offset <= n) return {i, offset};
    offset -= n + 1;
  }
  return {lineCount() - 1, static_cast<int>(flines.back().size())};
}

int Tmemo::selStart() const { return offsetOf(selFrom()); }
int Tmemo::selLength() const { return offsetOf(selTo()) - offsetOf(selFrom()); }

void Tmemo::setSel(int start, int length) {
  const Pos a = posOf(start), c = posOf(start + std::max(length, 0));
  faline = a.line;
  facol = a.col;
  fline = c.line;
  fcol = c.col;
  scrollToCaret();
  Invalidate();
}

void Tmemo::setCaretPos(TPoint p) {
  fline = faline = std::clamp(p.Y, 0, lineCount() - 1);
  fcol = facol = std::clamp(p.X, 0, static_cast<int>(flines[static_cast<size_t>(fline)].size()));
  scrollToCaret();
  Invalidate();
}

std::string Tmemo::selText() const {
  const Pos a = selFrom(), b = selTo();
  std::u32string s;
  for (int i = a.line; i <= b.line; ++i) {
    const std::u32string& l = flines[static_cast<size_t>(i)];
    const int from = i == a.line ? a.col : 0;
    const int to = i == b.line ? b.col : static_cast<int>(l.size());
    s += l.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
    if (i < b.line) s += U'\n';
  }
  return fromUtf32(s);
}

void Tmemo::selectAll() {
  faline = facol = 0;
  fline = lineCount() - 1;
  fcol = static_cast<int>(flines.back().size());
  Invalidate();
}

void Tmemo::copyToClipboard() {
  if (hasSelection() && hasDesktop()) desktop().backend().setClipboardText(selText());
}

void Tmemo::cutToClipboard() {
  if (freadOnly || !hasSelection()) return;
  copyToClipboard();
  replaceSelection(U"", true);
}

void Tmemo::pasteFromClipboard() {
  if (freadOnly || !hasDesktop()) return;
  insertText(desktop().backend().clipboardText());
  if (onPostPaste) onPostPaste(this);
}

void Tmemo::insertText(const std::string& utf8) {
  if (freadOnly) return;
  const auto parts = splitLines(utf8);
  std::u32string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += U'\n';
    joined += parts[i];
  }
  replaceSelection(joined, true);
}

void Tmemo::replaceSelection(const std::u32string& with, bool user) {
  const Pos a = selFrom(), b = selTo();
  const std::u32string tail = flines[static_cast<size_t>(b.line)].substr(static_cast<size_t>(b.col));
  std::u32string head = flines[static_cast<size_t>(a.line)].substr(0, static_cast<size_t>(a.col));
  // The new lines in place of a.line..b.line.
  std::vector<std::u32string> mid;
  std::u32string cur = head;
  for (char32_t c : with) {
    if (c == U'\n') {
      mid.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  const int caretCol = static_cast<int>(cur.size());
  cur += tail;
  mid.push_back(std::move(cur));
  const auto first = flines.begin() + a.line;
  flines.erase(first, flines.begin() + b.line + 1);
  flines.insert(flines.begin() + a.line, mid.begin(), mid.end());
  fwidths.erase(fwidths.begin() + a.line, fwidths.begin() + b.line + 1);
  fwidths.insert(fwidths.begin() + a.line, mid.size(), -1);
  fline = faline = a.line + static_cast<int>(mid.size()) - 1;
  fcol = facol = caretCol;
  fblink.show();
  if (b.line != a.line || mid.size() > 1) updateBars();
  scrollToCaret();
  Invalidate();
  if (user && onChange) onChange(this);
}

void Tmemo::moveCaret(Pos p, bool extend) {
  fline = std::clamp(p.line, 0, lineCount() - 1);
  fcol = std::clamp(p.col, 0, static_cast<int>(flines[static_cast<size_t>(fline)].size()));
  if (!extend) {
    faline = fline;
    facol = fcol;
  }
  fblink.show();
  scrollToCaret();
  Invalidate();
}

// ---- keys ---------------------------------------------------------------------------------------

void Tmemo::keyDown(int key, TShiftState s) {
  const bool shift = (s & ssShift) != 0, ctrl = (s & ssCtrl) != 0;
  const int n = static_cast<int>(flines[static_cast<size_t>(fline)].size());
  switch (key) {
    case VK_LEFT:
      if (hasSelection() && !shift) moveCaret(selFrom(), false);
      else if (fcol > 0) moveCaret({fline, fcol - 1}, shift);
      else if (fline > 0) moveCaret({fline - 1, static_cast<int>(flines[static_cast<size_t>(fline - 1)].size())}, shift);
      return;
    case VK_RIGHT:
      if (hasSelection() && !shift) moveCaret(selTo(), false);
      else if (fcol < n) moveCaret({fline, fcol + 1}, shift);
      else if (fline + 1 < lineCount()) moveCaret({fline + 1, 0}, shift);
      return;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      const int step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -std::max(VisibleLines(), 1) : std::max(VisibleLines(), 1);
      const int target = std::clamp(fline + step, 0, lineCount() - 1);
      // The caret keeps its x as near as the new line allows.
      moveCaret({target, colAt(target, xOf(fline, fcol))}, shift);
      return;
    }
    case VK_HOME: moveCaret(ctrl ? Pos{0, 0} : Pos{fline, 0}, shift); return;
    case VK_END:
      moveCaret(ctrl ? Pos{lineCount() - 1, static_cast<int>(flines.back().size())} : Pos{fline, n}, shift);
      return;
    case VK_RETURN:
      if (!freadOnly) replaceSelection(U"\n", true);
      return;
    case VK_BACK:
      if (freadOnly) return;
      if (!hasSelection()) {
        if (fcol > 0) facol = fcol - 1;
        else if (fline > 0) {
          faline = fline - 1;
          facol = static_cast<int>(flines[static_cast<size_t>(faline)].size());
        }
      }
      if (hasSelection()) replaceSelection(U"", true);
      return;
    case VK_DELETE:
      if (freadOnly) return;
      if (shift) {
        cutToClipboard();
        return;
      }
      if (!hasSelection()) {
        if (fcol < n) facol = fcol + 1;
        else if (fline + 1 < lineCount()) {
          faline = fline + 1;
          facol = 0;
        }
      }
      if (hasSelection()) replaceSelection(U"", true);
      return;
    default: break;
  }
  if (!ctrl) return;
  switch (key) {
    case 'A': selectAll(); break;
    case 'C': copyToClipboard(); break;
    case 'X': cutToClipboard(); break;
    case 'V': pasteFromClipboard(); break;
    default: break;
  }
}

void Tmemo::typed(char32_t c) {
  if (freadOnly || c < 0x20 || c == 0x7F) return;  // editing keys come as key-downs
  replaceSelection(std::u32string(1, c), true);
}

// ---- measuring ----------------------------------------------------------------------------------

void Tmemo::measureFont() {
  TCanvas& cv = measureCanvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(ffontsize);
  cv.Font.setStyle(0);
  flineheight = std::max(cv.TextHeight("Ay"), 1);
  fcharW.clear();
  std::fill(fwidths.begin(), fwidths.end(), -1);
}

int Tmemo::charWidth(char32_t c) {
  auto it = fcharW.find(c);
  if (it != fcharW.end()) return it->second;
  TCanvas& cv = measureCanvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(ffontsize);
  cv.Font.setStyle(0);
  const int w = cv.TextWidth(fromCodePoint(c));
  fcharW.emplace(c, w);
  return w;
}

int Tmemo::xOf(int line, int col) {
  const std::u32string& l = flines[static_cast<size_t>(line)];
  int x = 0;
  for (int i = 0; i < col && i < static_cast<int>(l.size()); ++i) x += charWidth(l[static_cast<size_t>(i)]);
  return x;
}

int Tmemo::colAt(int line, int x) {
  const std::u32string& l = flines[static_cast<size_t>(line)];
  int at = 0;
  for (int i = 0; i < static_cast<int>(l.size()); ++i) {
    const int w = charWidth(l[static_cast<size_t>(i)]);
    if (x < at + (w + 1) / 2) return i;
    at += w;
  }
  return static_cast<int>(l.size());
}

int Tmemo::lineWidth(int line) {
  int& w = fwidths[static_cast<size_t>(line)];
  if (w < 0) w = xOf(line, static_cast<int>(flines[static_cast<size_t>(line)].size()));
  return w;
}

TPoint Tmemo::positionAt(int x, int y) {
  const TRect t = textRect();
  const int line = std::clamp(ftop + (y - t.Top) / std::max(flineheight, 1) - (y < t.Top ? 1 : 0), 0, lineCount() - 1);
  return {colAt(line, x - kInset + fleft), line};
}

// ---- view and bars ------------------------------------------------------------------------------

TRect Tmemo::textRect() const {
  return Rect(0, 0, Width() - (fvbar ? kBar : 0), Height() - (fhbar ? kBar : 0));
}

int Tmemo::VisibleLines() const { return Height() / std::max(flineheight, 1); }

int Tmemo::LastLine() const { return std::min(ftop + VisibleLines() - 1, lineCount() - 1); }

TRect Tmemo::lineRect(int i) const {
  const int y = (i - ftop) * flineheight;
  return Rect(0, y, Width(), y + flineheight);
}

int Tmemo::NaturalHeight() const { return (lineCount() + 1) * flineheight + (fhbar ? kBar : 0) + 2 * 2 + 2; }

int Tmemo::maxTopLine() const {
  const int fit = std::max(textRect().height() / std::max(flineheight, 1), 1);
  return std::max(0, lineCount() - fit);
}

void Tmemo::setTopLine(int v) {
  v = std::clamp(v, 0, maxTopLine());
  if (v == ftop) return;
  ftop = v;
  if (fvbar) fvbar->SetPosition(ftop);
  Invalidate();
  if (onScroll) onScroll(this);
}

void Tmemo::ScrollToTop() {
  if (ftop > 0) setTopLine(0);
}

void Tmemo::setHorizontalScroll(bool v) {
  fhorz = v;
  layoutBars();
  updateBars();
}

void Tmemo::setVerticalScroll(bool v) {
  fvert = v;
  layoutBars();
  updateBars();
}

void Tmemo::layoutBars() {
  if (fvert && !fvbar) {
    fvbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Vertical);
    fvbar->OnChange = [this](TScrollBar* b) { setTopLine(b->Position()); };
  } else if (!fvert && fvbar) {
    fvbar.reset();
  }
  if (fhorz && !fhbar) {
    fhbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Horizontal);
    fhbar->SmallChange = 8;
    fhbar->OnChange = [this](TScrollBar* b) {
      fleft = b->Position();
      Invalidate();
    };
  } else if (!fhorz && fhbar) {
    fhbar.reset();
  }
  const int W = Width(), H = Height();
  if (fvbar) fvbar->SetBounds(W - kBar, 0, kBar, std::max(H - (fhbar ? kBar : 0) - barBottomGap, 1));
  if (fhbar) fhbar->SetBounds(0, H - kBar, W - (fvbar ? kBar : 0), kBar);
}

void Tmemo::updateBars() {
  if (fvbar) {
    const int fit = std::max(textRect().height() / std::max(flineheight, 1), 1);
    fvbar->SetParams(0, std::max(lineCount() - 1, 0), fit);
    fvbar->LargeChange = fit;
    fvbar->SetPosition(ftop);
  }
  if (fhbar) {
    // Only the lines' widths known so far and the caret's line: measuring every line of a long
    // text on each key would cost more than the bar is worth.
    int widest = 0;
    for (int i = 0; i < lineCount(); ++i) widest = std::max(widest, fwidths[static_cast<size_t>(i)]);
    widest = std::max(widest, lineWidth(fline));
    const int room = std::max(textRect().width() - 2 * kInset, 1);
    fhbar->SetParams(0, std::max(widest + kInset, 0), room);
    fhbar->LargeChange = room;
    fhbar->SetPosition(fleft);
  }
}

void Tmemo::scrollToCaret() {
  const TRect t = textRect();
  const int fit = std::max(t.height() / std::max(flineheight, 1), 1);
  int top = ftop;
  if (fline < top) top = fline;
  if (fline >= top + fit) top = fline - fit + 1;
  top = std::clamp(top, 0, std::max(0, lineCount() - 1));
  const int room = std::max(t.width() - 2 * kInset, 1);
  const int cx = xOf(fline, fcol);
  if (cx - fleft > room) fleft = cx - room;
  if (cx < fleft) fleft = std::max(0, cx - room / 3);
  const bool scrolled = top != ftop;
  ftop = top;
  if (fvbar) fvbar->SetPosition(ftop);
  if (fhbar) {
    const int w = lineWidth(fline);
    if (w + kInset > fhbar->Max()) updateBars();
    fhbar->SetPosition(fleft);
  }
  if (scrolled && onScroll) onScroll(this);
}

void Tmemo::caretTimer(bool on) {
  // Only the caret's line is painted again at each blink.
  fblink.set(on, [this] {
    const TRect r = lineRect(fline);
    if (HandleAllocated()) desktop().invalidate(Handle(), &r);
  });
}

// ---- looks --------------------------------------------------------------------------------------

void Tmemo::setReadOnly(bool v) {
  freadOnly = v;
  Invalidate();
}

void Tmemo::setVarious(bool v) {
  if (v && !fvarious) fcolour = static_cast<int32_t>(Color);
  fvarious = v;
  Color = v ? static_cast<TColor>(varColour) : static_cast<TColor>(fcolour);
  Invalidate();
}

void Tmemo::setEnabled(bool v) {
  SetEnabled(v);
  Color = v ? clWhite : TColor(0xDCDCDC);
  Invalidate();
}

void Tmemo::setMagnify(double v) {
  fmagnify = v;
  setFontsize(static_cast<int>(Round(fontSize() * v)));
}

void Tmemo::setFontsize(int v) {
  ffontsize = std::max(v, 1);
  measureFont();
  updateBars();
  Invalidate();
}

LRESULT Tmemo::WndProc(TMsg& m) {
  switch (m.message) {
    case WM_CHAR:
      typed(static_cast<char32_t>(m.wParam));
      return 0;
    case WM_SETFOCUS:
      caretTimer(true);
      Invalidate();
      break;
    case WM_KILLFOCUS:
      caretTimer(false);
      Invalidate();
      if (onExit) onExit(this);
      break;
    case WM_MOUSEWHEEL:
      if (OnMouseWheel) break;
      setTopLine(ftop - GET_WHEEL_DELTA_WPARAM(m.wParam) / WHEEL_DELTA * 3);
      return 1;
    case wm_rescale:
      ffontsize = fontSize();
      measureFont();
      Invalidate();
      return 0;
    default: break;
  }
  return TQYcontrol::WndProc(m);
}

void Tmemo::Paint() {
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  if (onDraw) onDraw(this);
  const TRect t = textRect();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = Color;
  cv.FillRect(t);
  cv.Font.setName(programFace());
  cv.Font.setSize(ffontsize);
  cv.Font.setStyle(0);
  cv.Handle()->setBkMode(BkMode::Transparent);
  const bool focused = HandleAllocated() && hasDesktop() && desktop().focus() == Handle();
  const Pos a = selFrom(), b = selTo();
  const TRect clip = cv.Handle()->clipBox();
  const int last = std::min(lineCount() - 1, ftop + t.height() / std::max(flineheight, 1));
  for (int i = ftop; i <= last; ++i) {
    const TRect r = lineRect(i);
    if (r.Bottom <= clip.Top || r.Top >= clip.Bottom) continue;
    const std::u32string& l = flines[static_cast<size_t>(i)];
    // Only the characters in view.
    int x = 0, first = 0;
    const int n = static_cast<int>(l.size());
    while (first < n && x + charWidth(l[static_cast<size_t>(first)]) <= fleft) x += charWidth(l[static_cast<size_t>(first++)]);
    int end = first, xe = x;
    while (end < n && xe - fleft < t.width()) xe += charWidth(l[static_cast<size_t>(end++)]);
    const int x0 = kInset + x - fleft;
    cv.Font.Color = Enabled() ? FontColor : TColor(0x808080);
    cv.TextOut(x0, r.Top, fromUtf32(l.substr(static_cast<size_t>(first), static_cast<size_t>(end - first))));
    if (hasSelection() && i >= a.line && i <= b.line) {
      const int s0 = std::max(i == a.line ? a.col : 0, first);
      const int s1 = std::min(i == b.line ? b.col : n, end);
      if (s1 > s0 || (i < b.line && s1 == n)) {
        const int sx0 = kInset + xOf(i, s0) - fleft;
        const int sx1 = kInset + xOf(i, s1) - fleft + (i < b.line ? 4 : 0);
        cv.Brush.Color = focused ? kSelection : TColor(0xC0C0C0);
        cv.FillRect(Rect(sx0, r.Top, sx1, r.Bottom));
        cv.Font.Color = clWhite;
        cv.TextOut(sx0, r.Top, fromUtf32(l.substr(static_cast<size_t>(s0), static_cast<size_t>(s1 - s0))));
      }
    }
    if (focused && fblink.shown() && i == fline) {
      const int cx = kInset + xOf(i, fcol) - fleft;
      cv.Pen.Color = FontColor;
      cv.Pen.Width = 1;
      cv.MoveTo(cx, r.Top);
      cv.LineTo(cx, r.Bottom);
    }
  }
  if (fvbar && fhbar) {
    // Where the two bars meet no bar paints: the dialog colour, as the platform's corner.
    cv.Brush.Color = static_cast<TColor>(dlgColour);
    cv.FillRect(Rect(Width() - kBar, Height() - kBar, Width(), Height()));
  }
  cv.Brush.Style = bsClear;
  cv.Pen.Color = 0xA0A0A0;
  cv.Rectangle(0, 0, Width(), Height());
  cv.Brush.Style = bsSolid;
  if (onPostDraw) onPostDraw(this);
}
