// The one-line text field of the control set.
#include "ui/r_edit.h"

#include <algorithm>

#include "core/TDelayedEvent.h"
#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"

using namespace platform;

namespace {
constexpr uint32_t kCaretBlinkMs = 530;
constexpr TColor kSelection = 0xD77800;
int fontSize() { return os ? os->fontsize() : 8; }
std::string programFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
// A one-line field keeps every character as text: line breaks and other control characters
// become spaces.
std::u32string oneLine(std::u32string s) {
  for (char32_t& c : s)
    if (c < 0x20 || c == 0x7F) c = U' ';
  return s;
}
TCanvas& measureCanvas() {
  static TBitmap bm;
  if (bm.Width() == 0) bm.SetSize(1, 1);
  return bm.Canvas();
}
}  // namespace

Tedit::Tedit(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  SetCursor(Cursor::IBeam);
  TabStop = true;
  SetHeight(os ? os->gp(21) : 21);
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int) {
    if (hasDesktop() && HandleAllocated()) desktop().setFocus(Handle());
    if (b != mbLeft) return;
    moveCaret(positionAt(x), (s & ssShift) != 0);
    fdragging = true;
    if (hasDesktop() && HandleAllocated()) {
      // A selection drag cannot leave the field.
      const TPoint o = ClientToScreen(TPoint{0, 0});
      const TRect r = Bounds(o.X, o.Y, Width(), Height());
      desktop().clipCursor(Handle(), &r);
    }
  };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int) {
    if (fdragging) moveCaret(positionAt(x), true);
  };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) {
    fdragging = false;
    if (hasDesktop()) desktop().clipCursor(0, nullptr);
  };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  OnKeyUp = [this](TWinControl*, int& key, TShiftState) { keyUp(key); };
}

Tedit::~Tedit() {
  *falive = false;
  caretTimer(false);
  if (fdragging && hasDesktop()) desktop().clipCursor(0, nullptr);
}

std::string Tedit::text() const { return fromUtf32(ftext); }

void Tedit::setText(const std::string& value) {
  ftext = oneLine(toUtf32(value));
  fcaret = fanchor = static_cast<int>(ftext.size());
  fmeasured = false;
  if (freadOnly) Color = static_cast<TColor>(disabledColour);
  scrollToCaret();
  Invalidate();
}

void Tedit::ForceChange() { changeRule(); }

void TchangeDelay::change(int delayMs, std::function<void()> fire) {
  if (delayMs <= 0) {
    fire();
    return;
  }
  if (fserial != 0 && TDelayedEvent::restart(fserial)) return;
  std::weak_ptr<bool> alive = falive;
  const uint64_t generation = fgeneration;
  auto* d = new TDelayedEvent(static_cast<uint32_t>(delayMs), [this, alive, fire, generation](TtrailSource*) {
    if (auto a = alive.lock(); !a || !*a || generation != fgeneration) return;
    fserial = 0;
    fire();
  });
  fserial = d->serial();
}

void TchangeDelay::cancel() {
  ++fgeneration;
  fserial = 0;  // the next change waits afresh
}

bool Tedit::wantsKey(int vk) const {
  if (keepsKey && keepsKey(vk)) return true;
  return vk == VK_RETURN && (onReturn || onEnter);
}

void Tedit::changeRule() {
  if (!onChange) return;
  fdelay.change(delay, [this] {
    if (onChange) onChange(this);
  });
}

void Tedit::setValid(bool value) {
  if (value == fvalid) return;
  fvalid = value;
  Color = value ? clWhite : TColor(0xEBEBFF);
  Invalidate();
}

void Tedit::setVarious(bool value) {
  if (value && !fvarious) {
    colour = static_cast<int32_t>(Color);
    fontcolour = static_cast<int32_t>(FontColor);
  }
  fvarious = value;
  if (value) {
    FontColor = 0x000080;
    Color = static_cast<TColor>(varColour);
  } else {
    FontColor = static_cast<TColor>(fontcolour);
    Color = static_cast<TColor>(colour);
  }
  Invalidate();
}

void Tedit::setEnabled(bool value) {
  SetEnabled(value);
  Color = value ? clWhite : static_cast<TColor>(disabledColour);
  Invalidate();
}

void Tedit::setMagnify(double value) {
  fmagnify = value;  // stored only: the field keeps the interface size
  fmeasured = false;
  Invalidate();
}

void Tedit::setReadOnly(bool value) {
  freadOnly = value;
  if (value) Color = static_cast<TColor>(disabledColour);
  Invalidate();
}

void Tedit::setSel(int start, int length) {
  const int n = static_cast<int>(ftext.size());
  fanchor = std::clamp(start, 0, n);
  fcaret = std::clamp(start + length, 0, n);
  scrollToCaret();
  Invalidate();
}

std::string Tedit::selText() const {
  return fromUtf32(ftext.substr(static_cast<size_t>(selStart()), static_cast<size_t>(selLength())));
}

void Tedit::copyToClipboard() {
  if (selLength() > 0 && hasDesktop()) desktop().backend().setClipboardText(selText());
}

void Tedit::cutToClipboard() {
  if (freadOnly || selLength() == 0) return;
  copyToClipboard();
  userEdit(U"");
}

void Tedit::pasteFromClipboard() {
  if (freadOnly || !hasDesktop()) return;
  insertText(desktop().backend().clipboardText());
}

bool Tedit::accepts(int numeric, const std::u32string& text, int pos, char32_t c) {
  if (c == 8) return true;
  const bool digit = c >= U'0' && c <= U'9';
  switch (numeric) {
    case 1: return digit;
    case 2: return digit || (c == U'-' && pos == 0);
    case 3:
    case 4: {
      if (digit) return true;
      if (c == U'-') return numeric == 3 && pos == 0;
      if (c != U'.') return false;
      if (text.find(U'.') != std::u32string::npos) return false;
      const int before = !text.empty() && text[0] == U'-' ? pos - 1 : pos;
      return before > 0;
    }
    default: return c != 13;
  }
}

void Tedit::insertText(const std::string& utf8) {
  if (freadOnly) return;
  std::u32string in = toUtf32(utf8);
  if (numeric >= 1 && numeric <= 4) {
    // Only what the mode accepts, character by character as if typed.
    std::u32string t = ftext.substr(0, static_cast<size_t>(selStart())) + ftext.substr(static_cast<size_t>(selStart() + selLength()));
    int pos = selStart();
    std::u32string kept;
    for (char32_t c : in)
      if (c != 8 && accepts(numeric, t, pos, c)) {
        t.insert(static_cast<size_t>(pos), 1, c);
        kept += c;
        ++pos;
      }
    in = kept;
  } else {
    in = oneLine(in);
  }
  if (in.empty() && selLength() == 0) return;
  userEdit(in);
}

void Tedit::userEdit(std::u32string replacement) {
  const int s = selStart();
  ftext.replace(static_cast<size_t>(s), static_cast<size_t>(selLength()), replacement);
  fcaret = fanchor = s + static_cast<int>(replacement.size());
  fchanged = true;  // typed text, a paste or a cut, with or without a key-down before it
  fmeasured = false;
  scrollToCaret();
  Invalidate();
  changeRule();
}

void Tedit::typed(char32_t c) {
  if (freadOnly) return;
  const int mode = numeric >= 1 && numeric <= 4 ? numeric : 0;
  if (!accepts(mode, ftext, fcaret, c)) return;
  if (c == 8) return;  // backspace is an editing key (key-down)
  if (c < 0x20 || c == 0x7F) return;
  userEdit(std::u32string(1, c));
}

void Tedit::exitRule() {
  if (onReturn && fchanged) {
    fchanged = false;
    onReturn(this);
  }
}

void Tedit::keyDown(int key, TShiftState s) {
  fchanged = true;
  const bool shift = (s & ssShift) != 0, ctrl = (s & ssCtrl) != 0;
  const int n = static_cast<int>(ftext.size());
  switch (key) {
    case VK_RETURN:
      if (onReturn) {
        // Leaving the field runs the exit rule, which reports the typing; when the field did not
        // have the focus, Enter reports it here. Either way once.
        if (Parent() && Parent()->HandleAllocated() && hasDesktop()) desktop().setFocus(Parent()->Handle());
        exitRule();
      }
      if (onEnter) onEnter(this);
      return;
    case VK_LEFT: moveCaret(selLength() > 0 && !shift ? selStart() : fcaret - 1, shift); return;
    case VK_RIGHT: moveCaret(selLength() > 0 && !shift ? selStart() + selLength() : fcaret + 1, shift); return;
    case VK_HOME: moveCaret(0, shift); return;
    case VK_END: moveCaret(n, shift); return;
    case VK_BACK:
      if (freadOnly) return;
      if (selLength() == 0 && fcaret > 0) fanchor = fcaret - 1;
      if (selLength() > 0) userEdit(U"");
      return;
    case VK_DELETE:
      if (freadOnly) return;
      if (shift) {
        cutToClipboard();
        return;
      }
      if (selLength() == 0 && fcaret < n) fanchor = fcaret + 1;
      if (selLength() > 0) userEdit(U"");
      return;
    default: break;
  }
  if (ctrl) {
    switch (key) {
      case 'A': selectAll(); break;
      case 'C': copyToClipboard(); break;
      case 'X': cutToClipboard(); break;
      case 'V': pasteFromClipboard(); break;
      default: break;
    }
  }
}

void Tedit::keyUp(int key) {
  if (key == VK_UP && onUpArrow) onUpArrow(this);
  if (key == VK_DOWN && onDownArrow) onDownArrow(this);
}

void Tedit::moveCaret(int pos, bool extend) {
  fcaret = std::clamp(pos, 0, static_cast<int>(ftext.size()));
  if (!extend) fanchor = fcaret;
  fblink.show();
  scrollToCaret();
  Invalidate();
}

void Tedit::measure() {
  if (fmeasured) return;
  TCanvas& cv = measureCanvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  if (fwidthSize != fontSize()) {
    fwidths.clear();
    fwidthSize = fontSize();
  }
  fx.assign(ftext.size() + 1, 0);
  for (size_t i = 0; i < ftext.size(); ++i) {
    const char32_t c = ftext[i];
    auto it = fwidths.find(c);
    if (it == fwidths.end()) it = fwidths.emplace(c, cv.TextWidth(fromCodePoint(c))).first;
    fx[i + 1] = fx[i] + it->second;
  }
  fmeasured = true;
}

int Tedit::xOf(int pos) {
  measure();
  return fx[static_cast<size_t>(std::clamp(pos, 0, static_cast<int>(ftext.size())))];
}

int Tedit::positionAt(int x) {
  measure();
  const int want = x - 3 + fscroll;
  auto it = std::lower_bound(fx.begin(), fx.end(), want);
  if (it == fx.end()) return static_cast<int>(ftext.size());
  int i = static_cast<int>(it - fx.begin());
  if (i > 0 && want - fx[static_cast<size_t>(i - 1)] < fx[static_cast<size_t>(i)] - want) --i;
  return i;
}

void Tedit::scrollToCaret() {
  const int room = std::max(Width() - 6, 1);
  const int cx = xOf(fcaret);
  if (cx - fscroll > room) fscroll = cx - room;
  if (cx < fscroll) fscroll = std::max(0, cx - room / 3);
}

TcaretBlink::~TcaretBlink() {
  *falive = false;
  set(false, nullptr);
}

void TcaretBlink::set(bool on, std::function<void()> repaint) {
  if (ftimer != 0 && hasDesktop()) desktop().killTimer(0, ftimer);
  ftimer = 0;
  fshown = on;
  if (!on || !hasDesktop()) return;
  std::weak_ptr<bool> alive = falive;
  ftimer = desktop().setTimer(kCaretBlinkMs, [this, alive, repaint = std::move(repaint)] {
    if (auto a = alive.lock(); !a || !*a) return;
    fshown = !fshown;
    if (repaint) repaint();
  });
}

void Tedit::caretTimer(bool on) {
  fblink.set(on, [this] { Invalidate(); });
}

LRESULT Tedit::WndProc(TMsg& m) {
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
      exitRule();
      if (onExit) onExit(this);
      break;
    case wm_rescale:
      fmeasured = false;
      Invalidate();
      return 0;
    default: break;
  }
  return TQYcontrol::WndProc(m);
}

void Tedit::Paint() {
  TCanvas& cv = Canvas();
  const int W = Width(), H = Height();
  if (!cv.Handle() || W <= 0 || H <= 0) return;
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = Color;
  cv.Pen.Color = 0xA0A0A0;
  cv.Pen.Width = 1;
  cv.Rectangle(0, 0, W, H);
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  cv.Handle()->setBkMode(BkMode::Transparent);
  measure();
  const int th = cv.TextHeight("Ay");
  const int y = (H - th) / 2;
  // Only the characters in view are drawn: a line may be very long.
  const int n = static_cast<int>(ftext.size());
  const int first = std::max(0, static_cast<int>(std::upper_bound(fx.begin(), fx.end(), fscroll) - fx.begin()) - 1);
  int last = first;
  while (last < n && fx[static_cast<size_t>(last)] - fscroll < W) ++last;
  auto run = [&](int a, int b) { return fromUtf32(ftext.substr(static_cast<size_t>(a), static_cast<size_t>(b - a))); };
  cv.Font.Color = Enabled() ? FontColor : TColor(0x808080);
  cv.TextOut(3 + fx[static_cast<size_t>(first)] - fscroll, y, run(first, last));
  const int s0 = std::max(selStart(), first), s1 = std::min(selStart() + selLength(), last);
  const bool focused = HandleAllocated() && hasDesktop() && desktop().focus() == Handle();
  if (s1 > s0 && focused) {
    const int x0 = 3 + fx[static_cast<size_t>(s0)] - fscroll, x1 = 3 + fx[static_cast<size_t>(s1)] - fscroll;
    cv.Brush.Color = kSelection;
    cv.FillRect(Rect(x0, y, x1, y + th));
    cv.Font.Color = clWhite;
    cv.TextOut(x0, y, run(s0, s1));
  }
  if (focused && fblink.shown()) {
    const int cx = 3 + xOf(fcaret) - fscroll;
    cv.Pen.Color = FontColor;
    cv.MoveTo(cx, y);
    cv.LineTo(cx, y + th);
  }
}
