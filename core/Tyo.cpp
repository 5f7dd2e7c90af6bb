// Message boxes of Tyo.h. Sizes are in scaled pixels (os.gp); the text wraps at labelwidth.
#include "core/Tyo.h"

#include <charconv>
#include <cmath>

#include "core/os_scaling.h"
#include "core/text_seams.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/windows.h"

using namespace platform;

std::function<int(Tyo&)> yoRecorder;
bool yoActive = false;

namespace {
int g(int n) { return os ? os->gp(n) : n; }
std::string fontName() { return os ? os->fontname() : std::string("DejaVu Sans"); }
int defaultFontSize() { return os ? os->fontsize() : 8; }
std::string tr(std::string const& term) { return os ? os->wd("general", term) : term; }

// Greedy word wrap at width pixels; explicit line ends (CR, LF, CR LF) always break. A word wider
// than the width is broken between characters, so that all of it is shown.
std::vector<std::string> wrap(std::string const& text, int width, std::string const& face, int points) {
  std::vector<std::string> lines;
  std::string para;
  auto fits = [&](std::string const& t) { return textSeam::extent(face, points, t).cx <= width; };
  auto flush = [&](std::string const& p) {
    std::string line;
    size_t i = 0;
    while (i <= p.size()) {
      size_t j = p.find(' ', i);
      if (j == std::string::npos) j = p.size();
      std::string word = p.substr(i, j - i);
      const std::string tryLine = line.empty() ? word : line + " " + word;
      if (!line.empty() && !fits(tryLine)) {
        lines.push_back(line);
        line.clear();
      } else {
        line = tryLine;
        word.clear();
      }
      if (!word.empty()) line = word;
      // A word that alone is too wide: as many whole characters as fit, then the rest.
      while (!fits(line)) {
        const std::u32string cps = toUtf32(line);
        size_t n = 1;
        while (n + 1 < cps.size() && fits(fromUtf32(cps.substr(0, n + 1)))) ++n;
        if (n >= cps.size()) break;
        lines.push_back(fromUtf32(cps.substr(0, n)));
        line = fromUtf32(cps.substr(n));
      }
      i = j + 1;
    }
    lines.push_back(line);
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      flush(para);
      para.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      para += text[i];
    }
  }
  flush(para);
  return lines;
}

// The widest a box may grow to show a long word (a path): the work area less a margin.
int widestLabel() {
  const int work = os ? os->workarea().width() : 0;
  return std::max(work > 0 ? work - g(60) : 1800, g(240));
}
}  // namespace

Tyo::Tyo() {
  colour = 0xFFFFFF;
  labelwidth = g(240);
  cap1 = tr("OK");
  StayOnTop = true;
  ShowInTaskBar = false;
  Position = poScreenCenter;
  Caption = "Ombrant";
  SetCursor(Cursor::Hand);
  OnResize = [this](TWinControl*) { layoutButtons(); };
}

int Tyo::labelFontSize() const { return std::max(os ? os->fontsize() : 8, 11); }

void Tyo::setcaption(std::string const& text) {
  Color = static_cast<TColor>(colour);
  labelText = text;
  // The label wraps at labelwidth, and is never narrower than that (nor than 120 scaled pixels).
  // A longer word (a file's path) widens it as far as the screen allows, and the buttons need
  // their room: every word is shown whole where it can be, and in pieces where it cannot.
  int width = std::max(labelwidth, g(120));
  int words = 0;
  {
    std::string w;
    auto measure = [&] {
      if (!w.empty()) words = std::max(words, textSeam::extent(fontName(), labelFontSize(), w).cx);
      w.clear();
    };
    for (char c : text) {
      if (c == ' ' || c == '\r' || c == '\n') measure();
      else w += c;
    }
    measure();
  }
  auto capWidth = [&](std::string const& c) { return c.empty() ? 0 : textSeam::extent(fontName(), defaultFontSize(), c).cx + g(12); };
  const int buttons = capWidth(cap1) + capWidth(cap2) + capWidth(cap3) + g(4);
  width = std::min(std::max({width, words, buttons - g(12)}), widestLabel());
  labelLines = wrap(text, width, fontName(), labelFontSize());
  const int lineHeight = textSeam::extent(fontName(), labelFontSize(), "Hg").cy;
  const int height = lineHeight * static_cast<int>(labelLines.size());
  labelBox = Bounds(g(6), g(4), width, height);
  SetBounds(0, 0, width + g(12), height + g(32));
  layoutButtons();
}

void Tyo::layoutButtons() {
  const int w = Width(), h = Height();
  auto capWidth = [&](std::string const& c) { return textSeam::extent(fontName(), defaultFontSize(), c).cx; };
  box1.Right = w - g(4);
  box1.Bottom = h - g(4);
  box1.Left = box1.Right - g(8) - capWidth(cap1);
  box1.Top = box1.Bottom - g(18);
  box2 = box3 = TRect{};
  if (!cap2.empty()) {
    box2.Right = box1.Left - g(4);
    box2.Bottom = box1.Bottom;
    box2.Left = box2.Right - g(8) - capWidth(cap2);
    box2.Top = box2.Bottom - g(18);
  }
  if (!cap3.empty()) {
    box3.Right = box2.Left - g(4);
    box3.Bottom = box1.Bottom;
    box3.Left = box3.Right - g(8) - capWidth(cap3);
    box3.Top = box3.Bottom - g(18);
  }
  labelBox = Bounds(g(6), g(4), labelBox.width(), labelBox.height());
}

int Tyo::ShowModal() {
  yoActive = true;
  fbyButton = false;
  int r;
  if (yoRecorder) {
    layoutButtons();
    r = yoRecorder(*this);
  } else {
    r = TForm::ShowModal();
  }
  yoActive = false;
  return r;
}

void Tyo::answer(int code, bool byButton) {
  fbyButton = byButton;
  ModalResult = code;
}

LRESULT Tyo::WndProc(TMsg& m) {
  const int x = GET_X_LPARAM(m.lParam), y = GET_Y_LPARAM(m.lParam);
  switch (m.message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      downx = x;
      downy = y;
      dragging = true;
      if (m.message == WM_LBUTTONDOWN) desktop().setCapture(Handle());
      return 0;
    case WM_MOUSEMOVE:
      if (dragging) SetBounds(Left() + x - downx, Top() + y - downy, Width(), Height());
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      dragging = false;
      if (desktop().capture() == Handle()) desktop().releaseCapture();
      if (m.message == WM_RBUTTONUP) {
        answer(yo_second, false);
        return 0;
      }
      const TPoint p{x, y};
      if (box1.contains(p)) answer(yo_first, true);
      else if (!cap2.empty() && box2.contains(p)) answer(yo_second, true);
      else if (!cap3.empty() && box3.contains(p)) answer(yo_third, true);
      return 0;
    }
    case WM_KEYDOWN:
      gonedown = true;
      return 0;
    case WM_KEYUP:
      // A key already held when the box opened does not close it on its release.
      if (gonedown) {
        gonedown = false;
        answer(yo_second, false);
      }
      return 0;
    default:
      return TForm::WndProc(m);
  }
}

void Tyo::Paint() {
  TDeviceContext* dc = Canvas().Handle();
  if (!dc) return;
  const TColor bg = static_cast<TColor>(colour), fg = static_cast<TColor>(fontcolour);
  dc->fillRect(ClientRect(), solidBrush(bg));
  dc->setBrush(solidBrush(bg));
  dc->setPen(makePen(PenStyle::Solid, 1, 0x000000));
  dc->rectangle(0, 0, Width(), Height());
  dc->setPen(makePen(PenStyle::Solid, 1, fg));
  dc->rectangle(1, 1, Width() - 1, Height() - 1);
  const int lineHeight = textSeam::extent(fontName(), labelFontSize(), "Hg").cy;
  for (size_t i = 0; i < labelLines.size(); ++i)
    textSeam::draw(Canvas(), labelBox.Left, labelBox.Top + static_cast<int>(i) * lineHeight, labelLines[i], fontName(),
                   labelFontSize(), fg);
  auto button = [&](TRect const& b, std::string const& cap) {
    if (cap.empty()) return;
    dc->rectangle(b.Left, b.Top, b.Right, b.Bottom);
    const int th = textSeam::extent(fontName(), defaultFontSize(), cap).cy;
    textSeam::draw(Canvas(), b.Left + g(3), b.Top + (b.height() - th) / 2, cap, fontName(), defaultFontSize(), fg);
  };
  button(box1, cap1);
  button(box2, cap2);
  button(box3, cap3);
}

// ---------------------------------------------------------------------------------------------
// Module routines

void yo(std::string const& text) {
  Tyo b;
  b.colour = 0x800000;
  b.fontcolour = 0xFFFFFF;
  b.setcaption(text);
  b.ShowModal();
}

bool confirm(std::string const& text, int left, int top) {
  Tyo b;
  b.colour = 0x008000;
  b.fontcolour = 0xFFFFFF;
  b.cap1 = tr("Yes");
  b.cap2 = tr("No");
  b.setcaption(text);
  b.Position = poDesigned;
  b.SetBounds(left, top, b.Width(), b.Height());
  return b.ShowModal() == yo_first;
}

void errmsg(std::string const& text) {
  // There is no cursor confinement to release: the program never confines the pointer.
  Tyo b;
  b.colour = 0x000080;
  b.fontcolour = 0xFFFFFF;
  b.cap2 = "copy to clipboard";
  b.labelwidth = g(500);
  b.setcaption(text);
  // Only the copy button copies: a key or a right click that closes the box leaves the clipboard.
  if (b.ShowModal() == yo_second && b.answeredByButton()) setClipboardText(text);
}

void errmsg(TtrailSource const* sender, std::string const& text) {
  errmsg((sender ? sender->className() : std::string()) + " " + text);
}

void winYo(std::string const& text) { showMessageBox(appTitle, text); }

void beep() {
  if (os && fileExists(os->resourcedir + "sound_beep.wav")) {
    playSound(os->resourcedir + "sound_beep.wav", true);
    return;
  }
  messageBeep();
}

int getdecplaces(double x, int maxplaces) {
  if (x == std::trunc(x) || maxplaces <= 0) return 0;
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, maxplaces);
  if (r.ec != std::errc()) return 2;
  int zeros = 0;
  for (char* p = r.ptr - 1; p > buf && *p == '0'; --p) ++zeros;
  const int n = maxplaces - zeros;
  return n <= 0 ? maxplaces : n;
}

std::string st(double x) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, getdecplaces(x, 10));
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

void YoNumbers(std::string const& text, std::vector<double> const& numbers) {
  std::string s = text;
  for (double d : numbers) s += "\r" + st(d);
  yo(s);
}

void Numbers(std::vector<double> const& numbers) {
  std::string s;
  for (size_t i = 0; i < numbers.size(); ++i) s += (i ? "\r" : "") + st(numbers[i]);
  yo(s);
}
