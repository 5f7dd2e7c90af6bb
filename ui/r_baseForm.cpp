// TbaseForm: the borderless main-window form, its caption bar, hit codes, self-made drag and
// edge resize, placement on a monitor and the application-wide failure handler.
#include "ui/r_baseForm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_Monitors.h"
#include "core/r_log.h"
#include "core/os_drawing.h"
#include "core/os_numbertext.h"
#include "core/text_seams.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "ui/r_PopUpList.h"

using namespace platform;

TbaseForm* baseform = nullptr;

namespace {
int gp(int n) { return os ? os->gp(n) : n; }
int fontSize(double points = 8) { return os ? os->fontsize(points) : static_cast<int>(points); }
int32_t fade(int32_t c, int32_t target, double pc) { return TosDrawing::FadeColour(c, target, pc); }
std::string sansFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
constexpr uint32_t kDoubleClickMs = 500;

// Splits "a,b,c" at commas.
std::vector<std::string> splitCommas(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ',') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}
int toInt(const std::string& s) {
  try {
    size_t used = 0;
    const int v = std::stoi(s, &used);
    return v;
  } catch (...) {
    return 0;  // non-numeric fields read as 0
  }
}
}  // namespace

TbaseForm::TbaseForm() { Caption = "OMBRANT"; }

TbaseForm::~TbaseForm() {
  if (baseform == this) baseform = nullptr;
}

void TbaseForm::start() {
  baseform = this;
  if (!os) createOs();
  OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) { doMouseMove(x, y, (s & ssLeft) != 0); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b != mbLeft) return;
    // Double clicks are recognised here: the window layer reports single presses only.
    const uint32_t now = hasDesktop() ? desktop().now() : 0;
    const bool dbl = now - lastUpTick < kDoubleClickMs && std::abs(x - lastUpX) < 4 && std::abs(y - lastUpY) < 4;
    // The release cleared `hit`; with no move since, the press itself says what it is over.
    if (dbl && hit == hit_none) classify(x, y);
    if (dbl && hit == hit_caption) {
      lastUpTick = 0;
      doDblClick();
      return;
    }
    doMouseDown(x, y);
  };
  OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b != mbLeft) return;
    lastUpTick = hasDesktop() ? desktop().now() : 0;
    lastUpX = x;
    lastUpY = y;
    doMouseUp(x, y);
  };
  OnMouseLeave = [this](TWinControl*) { doMouseLeave(); };
  OnResize = [this](TWinControl*) { doResize(); };

  // Placement at start: the monitor, the centred 1280 × 720 box and the stored box.
  TQYini& ini = settings();
  if (os && os->monitors) {
    const std::string name = ini.readString("settings", "monitor", "");
    os->monitors->setIndex(name.empty() ? 0 : os->monitors->findFromFullName(name));
  }
  const TRect work = os ? os->workarea() : Rect(0, 0, 1920, 1080);
  lastBox = Bounds((work.width() - 1280) / 2, (work.height() - 720) / 2, 1280, 720);
  const std::string last = ini.readString("settings", "last box", "");
  if (last.empty()) {
    SetBounds(lastBox.Left, lastBox.Top, Width(), Height());
  } else {
    auto f = splitCommas(last);
    f.resize(5);
    if (f[0] == "no") {
      setBoundsChecked(toInt(f[1]), toInt(f[2]), toInt(f[3]), toInt(f[4]));
    } else {
      firstResize = true;
      lastBox = Rect(toInt(f[1]), toInt(f[2]), toInt(f[3]), toInt(f[4]));
      if (os && os->monitors && os->monitors->count() >= 2) {
        const TRect r = os->monitors->box(os->monitors->currentIndex());
        SetBounds(r.Left, r.Top, r.width(), r.height());
      }
    }
  }

  setCapH(gp(22));
  leftx = gp(120);
  xBox = TRect{};
  fstatusRect = TRect{};
  colour = fade(0xEAC8AC, 0, 5);
  menuStr.clear();
  statusx = leftx;
  iconTransparentColour = 0x0000FF;
  if (hasDesktop() && !Application().HintWindowClass)
    Application().HintWindowClass = [] { return std::make_unique<TQYhintWindow>(); };
  setTitle("OMBRANT");
  doResize();
}

void TbaseForm::setIcon(std::vector<int32_t> pixels) {
  icon = std::move(pixels);
  if (icon.size() != 32 * 32 || !hasDesktop()) return;
  std::vector<uint32_t> argb(icon.size());
  for (size_t i = 0; i < icon.size(); ++i) {
    const uint32_t c = static_cast<uint32_t>(icon[i]);
    argb[i] = icon[i] == iconTransparentColour ? 0 : 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  desktop().backend().setWindowIcon(Handle(), argb, 32, 32);
  Invalidate();
}

void TbaseForm::setCapH(int height) {
  fcapH = std::max(4, height);
  if (!fTitle.empty()) setTitle(fTitle);
  setClient();
  Invalidate();
}

void TbaseForm::setTitle(const std::string& text) {
  fTitle = text;
  Caption = text;
  renderTitle(titlebm, colour);
  renderTitle(titlebm2, 0xDCDCDC);
  Invalidate();
}

void TbaseForm::renderTitle(TBitmap& bm, int32_t background) const {
  const int c = fcapH;
  TCanvas& cv = bm.Canvas();
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize(16));
  cv.Font.setStyle(0);
  cv.Font.Color = clWhite;
  const int extra = static_cast<int>(Round(std::abs(cv.Font.Height()) * 0.16));
  bm.dc().setTextCharacterExtra(extra);
  const int w = std::max(2, cv.TextWidth(fTitle) + 2);
  bm.SetSize(w, std::max(2, 2 * c - 2));
  cv.Brush.Color = static_cast<TColor>(background);
  cv.Brush.Style = bsSolid;
  cv.FillRect(Rect(0, 0, bm.Width(), bm.Height()));
  bm.dc().setBkMode(BkMode::Transparent);
  bm.dc().setTextCharacterExtra(extra);
  cv.TextOut(1, (bm.Height() - cv.TextHeight(fTitle)) / 2, fTitle);
  // Shrunk onto itself by area averaging, which smooths the letters.
  TBitmap big;
  big.SetSize(bm.Width(), bm.Height());
  big.Canvas().Draw(0, 0, bm);
  bm.SetSize(std::max(1, bm.Width() / 2), std::max(1, c - 2));
  bm.dc().setStretchBltMode(StretchMode::Halftone);
  cv.StretchDraw(Rect(0, 0, bm.Width(), bm.Height()), big);
}

namespace {
int statusTextWidth(const std::string& s) { return textSeam::extent(sansFace(), fontSize(), s).cx; }
}  // namespace

int TbaseForm::statusWidth() const {
  if (!fstatusRect.isEmpty()) return fstatusRect.width();
  return std::max(10, Width() - fcapH * (onHelp ? 4 : 3) - statusx - 2);
}

void TbaseForm::setStatus(const std::string& text) {
  try {
    const int bw = statusWidth();
    if (bw < 100) {
      Invalidate();  // too narrow to show: only the caption colour
      return;
    }
    captionW = statusTextWidth(text) + gp(16);
    fstatus = text;
    fshown = text;
    int avail = bw;
    if (!frStatus.empty()) avail -= statusTextWidth(frStatus) + gp(8);
    if (captionW > avail) {
      fshown = TosNumberText::shortenedFilename(statusTextWidth, avail - gp(16), text);
      captionW = statusTextWidth(fshown) + gp(16);
    }
    fmarks.clear();
    if (!fname.empty()) {
      fmarks.assign(fshown.size(), mark_plain);
      const auto bracket = fshown.find('[');
      if (bracket != std::string::npos)
        std::fill(fmarks.begin() + static_cast<std::ptrdiff_t>(bracket), fmarks.end(), mark_whiteBold);
      // Only a name with both a folder and an extension has a base name to pick out.
      const auto slash = fshown.rfind('/'), dot = fshown.rfind('.');
      if (slash != std::string::npos && dot != std::string::npos && slash < dot)
        for (size_t i = slash + 1; i < dot; ++i)
          if (fmarks[i] == mark_plain) fmarks[i] = mark_white;
    }
    Invalidate();
  } catch (...) {
  }
}

void TbaseForm::setFname(const std::string& name) {
  fname = name;
  setStatus(name);
}

void TbaseForm::setOnmenu(Event event) {
  fonMenu = std::move(event);
  menuW = menuStr.empty() ? gp(6) : textSeam::extent(sansFace(), fontSize(7), menuStr).cx + gp(12);
  if (fonMenu) DrawMenuBox(false);
  Invalidate();
}

void TbaseForm::DrawMenuBox(bool pressed) {
  const int c = fcapH, p = pressed ? 1 : 0;
  menuPressed = pressed;
  menuW = menuStr.empty() ? gp(6) : textSeam::extent(sansFace(), fontSize(7), menuStr).cx + gp(12);
  fmenuBox = Rect(p + 2, p + 2, c + menuW + p - gp(8), c + p - 2);
  TCanvas& cv = Canvas();
  if (!cv.Handle()) {
    Invalidate();  // drawn at the next paint
    return;
  }
  cv.Brush.Color = static_cast<TColor>(active ? colour : 0xDCDCDC);
  cv.Brush.Style = bsSolid;
  cv.FillRect(Rect(1, 1, c + menuW - gp(4), c - 1));
  cv.Pen.Color = clBlack;
  cv.Pen.Width = 1;
  cv.Brush.Style = bsClear;
  cv.Rectangle(fmenuBox.Left, fmenuBox.Top, fmenuBox.Right, fmenuBox.Bottom);
  cv.Brush.Style = bsSolid;
  if (!pressed) {
    cv.Pen.Color = clWhite;
    cv.MoveTo(fmenuBox.Left + 1, fmenuBox.Bottom - 2);
    cv.LineTo(fmenuBox.Left + 1, fmenuBox.Top + 1);
    cv.LineTo(fmenuBox.Right - 1, fmenuBox.Top + 1);
  }
  if (!menuStr.empty()) {
    cv.Font.setName(sansFace());
    cv.Font.setSize(fontSize(7));
    cv.Font.setStyle(0);
    cv.Font.Color = clBlack;
    cv.TextOut(c + p, p + (c - cv.TextHeight(menuStr)) / 2, menuStr);
  }
  drawIcon(cv, p + 4, p + 4, c - 8);
}

void TbaseForm::drawIcon(TCanvas& cv, int left, int top, int side) {
  if (icon.size() != 32 * 32 || side <= 0) return;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int32_t px = icon[static_cast<size_t>((y * 32 / side) * 32 + x * 32 / side)];
      if (px != iconTransparentColour) cv.SetPixels(left + x, top + y, static_cast<TColor>(px));
    }
}

void TbaseForm::drawStatus(TCanvas& cv) {
  const int bw = statusWidth(), c = fcapH;
  if (bw < 100) return;
  cv.Font.setName(sansFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  if (!frStatus.empty() && captionW < bw - cv.TextWidth(frStatus) - gp(8)) {
    cv.Font.Color = static_cast<TColor>(active ? 0x800000 : 0x808080);
    cv.TextOut(statusx + bw - cv.TextWidth(frStatus) - gp(8), 1 + (c - 2 - cv.TextHeight(frStatus)) / 2, frStatus);
  }
  if (fshown.empty()) return;
  const TColor ink = static_cast<TColor>(active ? statusFontColour : 0x808080);
  int x = statusx + gp(8);
  const int y = (c - cv.TextHeight(fshown)) / 2;
  auto run = [&](const std::string& s, uint8_t mark) {
    cv.Font.setStyle(mark == mark_whiteBold ? fsBold : 0);
    cv.Font.Color = mark == mark_plain ? ink : clWhite;
    cv.TextOut(x, y, s);
    x += cv.TextWidth(s);
  };
  if (!fmarks.empty()) {
    // Runs change only at ASCII marks ("[", "/", "."), so no character is split.
    size_t from = 0;
    for (size_t i = 1; i <= fshown.size(); ++i)
      if (i == fshown.size() || fmarks[i] != fmarks[from]) {
        run(fshown.substr(from, i - from), fmarks[from]);
        from = i;
      }
  } else if (const auto bracket = fshown.find('['); bracket != std::string::npos && active) {
    run(fshown.substr(0, bracket), mark_plain);
    // The tail loses its brackets: "[" here and the closing character at the end.
    const std::string tail = fshown.substr(bracket + 1);
    run(tail.empty() ? tail : tail.substr(0, tail.size() - 1), mark_whiteBold);
  } else {
    run(fshown, mark_plain);
  }
  cv.Font.setStyle(0);
}

void TbaseForm::log(const std::string& text) const {
  if (::logging) ::log(std::string(unitName()) + "." + className() + "." + text);
}

namespace {
// The failure's type as a reader knows it: demangled, without its namespaces.
std::string plainTypeName(const std::type_info& t) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(t.name(), nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && d ? d.get() : "unknown failure";
  const auto angle = name.find('<');
  const auto colon = name.rfind("::", angle);
  if (colon != std::string::npos) name = name.substr(colon + 2);
  return name;
}
std::string windowClass(HWND h) {
  TWinControl* c = h && hasDesktop() && desktop().isWindow(h) ? FindControl(h) : nullptr;
  if (!c) return "";
  if (auto* t = dynamic_cast<TtrailSource*>(c)) return t->className();
  return c->frameworkClass();
}
}  // namespace

void TbaseForm::MyExceptionHandler(TtrailSource* sender, const std::exception& e) {
  std::string context = os ? os->trail() : std::string();
  if (os && !os->lasterr.empty()) context = context.empty() ? os->lasterr : context + "." + os->lasterr;
  const uint32_t last = os ? os->lastWindowsMessage : 0;
  const std::string msgName = messageName(last);
  const TtrailSource* src = sender ? sender : this;
  std::string source = src->className();
  if (auto* q = dynamic_cast<const TqyObject*>(src); q && !q->id.empty()) source = q->id + " (" + source + ")";
  source = std::string(src->unitName()) + "." + source;
  const std::string window = hasDesktop() ? windowClass(desktop().lastTarget()) : std::string();
  const std::string cls = plainTypeName(typeid(e));
  std::string line = "ERROR MESSAGE: " + cls + " | " + e.what() + " | Source: " + source +
                     " | Last windows message: " + msgName;
  if (!window.empty()) line += "|Window: " + window;
  if (!context.empty()) line += " | " + context;
  ::log(line);
  ::log(std::string(63, '-'));
  std::string box = "Error: " + cls + "\rSource: " + source + "\rLast windows message: " + msgName;
  if (!context.empty()) box += "\rContext: " + context;
  if (!window.empty()) box += "\rWindow: " + window;
  if (onError) onError(this);
  if (last != WM_MOUSEMOVE && shownErrors.insert(box + "|" + e.what()).second) errmsg(box);
  if (os) os->procnames.clear();
}

// ---- hit codes and the mouse ------------------------------------------------------------------

Cursor TbaseForm::classify(int x, int y) {
  const int W = Width(), H = Height(), c = fcapH;
  rightEdge = false;
  topedge = false;
  if (menuPressed && fonMenu) DrawMenuBox(false);
  int code = hit_none;
  Cursor cur = Cursor::Arrow;
  if (fonMenu && fmenuBox.contains(TPoint{x, y})) {
    code = hit_menu;
    cur = Cursor::Hand;
  } else if (!fmaximized && (x < 4 || x > W - 4 || y > H - 4 || y < 4)) {
    code = hit_edge;
    if (x > W - 4) {
      rightEdge = true;
      cur = y > H - 4 ? Cursor::SizeNWSE : Cursor::SizeWE;
    } else if (x < 4) {
      cur = y > H - 4 ? Cursor::SizeNESW : Cursor::SizeWE;
    } else {
      topedge = y < 4;
      cur = Cursor::SizeNS;
    }
    edgeCursor = cur;
  } else if (y < c) {
    code = hit_caption;
    cur = fmaximized ? Cursor::Arrow : Cursor::SizeAll;
    if (onHelp && x > W - 4 * c) code = hit_help, cur = Cursor::Hand;
    if (x > W - 3 * c) code = hit_minimise, cur = Cursor::Hand;
    if (x > W - 2 * c) code = hit_maximise;
    if (x > W - c) code = hit_close;
    if (!xBox.isEmpty() && xBox.contains(TPoint{x, y})) code = hit_divider, cur = Cursor::SizeWE;
    if (onOverStatus && fstatusRect.contains(TPoint{x, y})) code = hit_status, cur = Cursor::SizeAll;
  }
  const int prior = hit;
  hit = code;
  if (code == hit_status && prior != hit_status && onOverStatus) onOverStatus(this);
  if (prior == hit_status && code != hit_status && code != hit_none && onOverStatus) onOverStatus(nullptr);
  if (code == hit_help && !helpHint.empty()) {
    Hint = helpHint;
    ShowHint = true;
    // Shown on entering the box only, so that moving within it does not restart the hint.
    if (prior != hit_help && hasDesktop()) Application().ActivateHint(ClientToScreen(TPoint{x, y}));
  } else {
    clearHint();
  }
  return cur;
}

void TbaseForm::doMouseMove(int x, int y, bool leftDown) {
  if (!leftDown) {
    SetCursor(classify(x, y));
    return;
  }
  switch (hit) {
    case hit_caption:
    case hit_status:
      if (!fmaximized) setBoundsChecked(Left() + x - x0, Top() + y - y0, Width(), Height());
      break;
    case hit_edge:
      sizeStatus = size_edgeDrag;
      applyEdge(x, y);
      if (onSizeChanged) onSizeChanged(this);
      break;
    case hit_divider:
      mouseX = x;
      if (onMoveX) onMoveX(this);
      break;
    default:
      break;
  }
}

void TbaseForm::applyEdge(int x, int y) {
  int l = Left(), t = Top(), w = Width(), h = Height();
  switch (edgeCursor) {
    case Cursor::SizeWE:
      if (rightEdge) w = x;
      else l += x, w -= x;
      break;
    case Cursor::SizeNWSE:
      w = x, h = y;
      break;
    case Cursor::SizeNS:
      if (topedge) t += y, h -= y;
      else h = y;
      break;
    case Cursor::SizeNESW:
      l += x, w -= x, h = y;
      break;
    default:
      return;
  }
  setBoundsChecked(l, t, std::max(w, 3 * fcapH + 20), std::max(h, fcapH + 20));
}

void TbaseForm::doMouseDown(int x, int y) {
  x0 = x;
  y0 = y;
  sizeStatus = size_none;
  switch (hit) {
    case hit_minimise:
      sizeStatus = size_restored;
      doCommand(-2);
      break;
    case hit_maximise:
      doCommand(fmaximized ? -3 : -1);
      break;
    case hit_close:
      Close();
      break;
    case hit_menu:
      DrawMenuBox(true);
      hit = hit_menuDown;
      menuXY = ClientToScreen(TPoint{fmenuBox.Left, fmenuBox.Bottom});
      if (fonMenu) {
        // The menu's loop: the active form hears of its start and end, `win` of its closing.
        TmenuLoop loop;
        fonMenu(this);
      }
      break;
    case hit_help:
      if (onHelp) onHelp(this);
      break;
    default:
      break;
  }
}

void TbaseForm::doMouseUp(int x, int y) {
  x0 = x;
  y0 = y;
  if (hit == hit_edge) {
    sizeStatus = size_edgeDone;
    applyEdge(x, y);
    if (main) main->SetBounds(fclient.Left, fclient.Top, fclient.width(), fclient.height());
    if (onInternalSizeChanged) onInternalSizeChanged(this);
    if (onSizeChanged) onSizeChanged(this);
    SetCursor(Cursor::Arrow);
  } else if (hit == hit_divider) {
    if (onMoveX) onMoveX(nullptr);
  } else if (hit == hit_menuDown) {
    DrawMenuBox(false);
  }
  hit = hit_none;
}

void TbaseForm::doMouseLeave() {
  if (hit == hit_status && onOverStatus) onOverStatus(nullptr);
  hit = hit_none;
  clearHint();
}

void TbaseForm::clearHint() {
  ShowHint = false;
  if (Hint.empty()) return;
  Hint.clear();
  if (hasDesktop()) Application().CancelHint();
}

void TbaseForm::doDblClick() {
  hit = hit_none;
  doCommand(fmaximized ? -3 : -1);
}

void TbaseForm::setClient() {
  const int W = Width(), H = Height(), c = fcapH;
  fclient = fmaximized ? Rect(0, c, W, H) : Rect(3, c, W - 3, H - 3);
}

bool TbaseForm::minimised() {
  return hasDesktop() && HandleAllocated() && desktop().backend().isMinimized(Handle());
}

void TbaseForm::doResize() {
  if (minimised()) return;
  setClient();
  if (!fmaximized && !firstResize) {
    const TRect w = workArea();
    lastBox = Bounds(Left() - w.Left, Top() - w.Top, Width(), Height());
  }
  firstResize = false;
  setStatus(fstatus);  // the room for it may have changed
  if (sizeStatus != size_edgeDrag) {
    if (main) main->SetBounds(fclient.Left, fclient.Top, fclient.width(), fclient.height());
    if (onSizeChanged) onSizeChanged(this);
  }
  Invalidate();
}

// ---- placement ----------------------------------------------------------------------------------

void TbaseForm::setBoundsChecked(int left, int top, int width, int height) {
  SetBounds(left, top, std::max(width, minwidth), std::max(height, minheight));
}

TRect TbaseForm::workArea() {
  if (hasDesktop()) {
    auto displays = desktop().backend().displays();
    if (!displays.empty()) {
      TRect r = displays.front().workArea;
      for (auto const& d : displays) r = Rect(std::min(r.Left, d.workArea.Left), std::min(r.Top, d.workArea.Top),
                                               std::max(r.Right, d.workArea.Right), std::max(r.Bottom, d.workArea.Bottom));
      return r;
    }
  }
  return os ? os->workarea() : Rect(0, 0, 1920, 1080);
}

void TbaseForm::setMonitor(int index) {
  TRect b = Rect(0, 0, 1920, 1080);
  if (os && os->monitors) {
    os->monitors->refresh();
    if (index < 0 || index >= os->monitors->count()) index = 0;
    os->monitors->setIndex(index);
    b = os->monitors->box(index);
  }
  const int w = b.width() > 1920 ? static_cast<int>(Round(b.width() * 2.0 / 3.0)) : 1280;
  const int h = b.height() > 1080 ? static_cast<int>(Round(b.height() * 2.0 / 3.0)) : 720;
  setBoundsChecked((b.Left + b.Right - w) / 2, (b.Top + b.Bottom - h) / 2, w, h);
}

int TbaseForm::findMonitor(TPoint p) {
  if (!os || !os->monitors) return 0;
  TmyMonitors& m = *os->monitors;
  m.refresh();
  int found = 0;
  for (int i = 0; i < m.count(); ++i)
    if (m.item(i).box.contains(p)) found = i;
  m.setIndex(found);
  if (m.count() >= 2) settings().writestring("settings", "monitor", m.fullname(found));
  return found;
}

void TbaseForm::setMaximized(bool value) {
  sizeStatus = size_none;
  if (fmaximized == value) return;
  auto resize = std::move(OnResize);
  OnResize = nullptr;
  const TRect a = workArea();
  if (!fmaximized) lastBox = Bounds(Left() - a.Left, Top() - a.Top, Width(), Height());
  fmaximized = value;
  if (value) {
    sizeStatus = size_maximised;
    // The work area of the monitor under the window's centre, not the box around all monitors.
    TRect w = a, screen = a;
    if (os && os->monitors) {
      const int k = findMonitor(TPoint{(Left() + Left() + Width()) / 2, (Top() + Top() + Height()) / 2});
      if (k < os->monitors->count()) {
        w = os->monitors->item(k).workArea;
        screen = os->monitors->item(k).box;
      }
    }
    // No panel above or below: 3 pixels stay free, so that a hidden task bar can still be called up.
    if (w.height() == screen.height()) w.Bottom -= 3;
    fclient = Rect(0, fcapH, w.width(), w.height());
    SetBounds(w.Left, w.Top, w.width(), w.height());
    if (onInternalSizeChanged) onInternalSizeChanged(this);
    if (onMaximized) onMaximized(nullptr);
  } else {
    sizeStatus = size_restored;
    SetBounds(lastBox.Left + a.Left, lastBox.Top + a.Top, lastBox.width(), lastBox.height());
  }
  OnResize = std::move(resize);
  if (OnResize) OnResize(this);
}

void TbaseForm::SimulateMagnification(double factor) {
  if (os) os->setMagnify(factor);
  setCapH(gp(22));
}

void TbaseForm::wm_displaychange() {
  if (sizeStatus == size_restored) return;
  // Only a maximised form is maximised again: a restored one keeps its state on the new layout.
  const bool was = fmaximized;
  setMaximized(false);
  setMonitor(os && os->monitors ? os->monitors->currentIndex() : 0);
  if (was) setMaximized(true);
}

void TbaseForm::closedown() {
  TQYini& ini = settings();
  std::string v;
  if (fmaximized)
    v = "yes," + std::to_string(lastBox.Left) + "," + std::to_string(lastBox.Top) + "," + std::to_string(lastBox.Right) +
        "," + std::to_string(lastBox.Bottom);
  else
    v = "no," + std::to_string(Left()) + "," + std::to_string(Top()) + "," + std::to_string(Width()) + "," +
        std::to_string(Height());
  ini.writestring("settings", "last box", v);
  ::setChanged();
}

void TbaseForm::ResetMonitor() {
  fmaximized = false;
  setBoundsChecked(100, 100, 1000, 720);
}

void TbaseForm::doCommand(int code) {
  switch (code) {
    case -1:
    case -3: {
      const bool was = fmaximized;
      sizeStatus = was ? size_maximised : size_restoredByBox;
      if (onInternalSizeChanged) onInternalSizeChanged(this);
      setMaximized(code == -1);
      sizeStatus = fmaximized ? size_maximised : size_restoredByBox;
      if (onInternalSizeChanged) onInternalSizeChanged(this);
      if (onMaximized) onMaximized(this);
      Invalidate();
      break;
    }
    case -2:
      if (hasDesktop() && HandleAllocated()) {
        desktop().backend().minimizeWindow(Handle());
        if (OnResize) OnResize(this);
      }
      break;
    case -4:
      Close();
      break;
    default:
      break;
  }
}

LRESULT TbaseForm::WndProc(TMsg& m) {
  if (m.message == WM_ERASEBKGND) return 1;
  if (m.message == WM_NCACTIVATE) {
    active = m.wParam == 1;
    setStatus(fstatus);
    Invalidate();
    if (onActivate) onActivate(this);
    return 1;
  }
  if (m.message == WM_DISPLAYCHANGE) {
    wm_displaychange();
    return 0;
  }
  if (m.message == WM_ACTIVATE) {
    // A restore from the task bar comes back as an activation.
    const bool act = LOWORD(m.wParam) != 0;
    if (act != active) {
      active = act;
      Invalidate();
      if (onActivate) onActivate(this);
    }
    return 0;
  }
  return TForm::WndProc(m);
}

// ---- paint --------------------------------------------------------------------------------------

void TbaseForm::Paint() {
  TCanvas& cv = Canvas();
  TDeviceContext* dc = cv.Handle();
  if (!dc) return;
  const int W = Width(), H = Height(), c = fcapH;
  dc->setBkMode(BkMode::Transparent);
  cv.Brush.Color = clWhite;
  cv.Brush.Style = bsSolid;
  cv.Pen.Color = clBlack;
  cv.Pen.Width = 1;
  cv.Rectangle(0, c - 1, W, H);
  cv.Pen.Color = 0xC0C0C0;
  cv.Rectangle(fclient.Left - 1, fclient.Top - 1, fclient.Right + 1, fclient.Bottom + 1);
  cv.Brush.Color = 0xF0F0F0;
  cv.FillRect(fclient);

  // Caption bar.
  cv.Brush.Color = static_cast<TColor>(active ? colour : 0xDCDCDC);
  cv.Pen.Color = clBlack;
  cv.Rectangle(0, 0, W, c);
  const TColor sep = static_cast<TColor>(active ? linecolour : 0x808080);
  const int q = c / 4, m = c / 2;
  const int boxes = onHelp ? 4 : 3;
  for (int i = 1; i <= boxes; ++i) {
    const int xi = W - i * c, x = xi + m + 1;
    cv.Pen.Color = sep;
    cv.Pen.Width = 1;
    cv.MoveTo(xi, 1);
    cv.LineTo(xi, c - 1);
    cv.Brush.Style = bsClear;
    switch (i) {
      case 1:
        cv.Pen.Width = 2;
        cv.MoveTo(x - (q - 2), m - (q - 2));
        cv.LineTo(x + q - 2, m + q - 2);
        cv.MoveTo(x + q - 2, m - (q - 2));
        cv.LineTo(x - (q - 2), m + q - 2);
        break;
      case 2:
        if (!fmaximized) {
          cv.Rectangle(x - q, m - q, x + q, m + q);
          cv.MoveTo(x - q, m + q - 2);
          cv.LineTo(x + q, m + q - 2);
        } else {
          cv.Rectangle(x - q, m - 2, x + q - 1, m + q);
          cv.Rectangle(x - q + 2, m - 4, x + q + 1, m + q - 2);
        }
        break;
      case 3:
        cv.Rectangle(x - q, m, x + q, m + q);
        cv.MoveTo(x - q, m + q - 2);
        cv.LineTo(x + q, m + q - 2);
        break;
      default:
        cv.Font.setName(sansFace());
        cv.Font.setHeight(-static_cast<int>(Round(c * 0.5)));
        cv.Font.setStyle(fsBold);
        cv.Font.Color = clWhite;
        cv.TextOut(x - cv.TextWidth("?") / 2, m - cv.TextHeight("?") / 2, "?");
        break;
    }
    cv.Brush.Style = bsSolid;
  }
  cv.Pen.Width = 1;

  if (!xBox.isEmpty()) {
    cv.Brush.Color = static_cast<TColor>(fade(colour, 0xFFFFFF, 40));
    cv.FillRect(xBox);
    for (int y = xBox.Top; y < xBox.Bottom; y += 2) cv.SetPixels(xBox.Left + 2, y, clRed);
  }

  // Title, rendered at twice the size and shrunk (setTitle).
  const int tx = c + q + menuW - 4;
  cv.Draw(tx, 1, active ? titlebm : titlebm2);
  const int titleRight = tx + titlebm.Width() + 8;
  if (statusx < titleRight) statusx = titleRight;

  // Icon.
  if (fonMenu) DrawMenuBox(menuPressed);
  else drawIcon(cv, 4, 4, c - 8);

  drawStatus(cv);
  if (onInternalPaint) onInternalPaint(this);
  if (onPostPaint) onPostPaint(this);
}
