// The control set's start-up colours and the owner-drawn push button.
#include "ui/r_QYcontrols.h"

#include <algorithm>

#include "core/Tblend.h"
#include "core/Ttrans.h"
#include "core/Tyo.h"
#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "platform/text.h"
#include "platform/numbers.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"

using namespace platform;
using controlset::symbolFace;

namespace {
int gp(int n) { return os ? os->gp(n) : n; }
int fontSize() { return os ? os->fontsize() : 8; }
int32_t fade(int32_t c, int32_t target, double pc) { return TosDrawing::FadeColour(c, target, pc); }
std::string programFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
}  // namespace

void initControlSet() { dlgColour = TosDrawing::FadeColour(0x00EAC8AC, 0x00FFFFFF, 70); }

namespace {
std::unique_ptr<TmenuItem3> menuChild(TmenuItem3* parent, const std::string& text, int itemId) {
  auto child = std::make_unique<TmenuItem3>();
  child->parent = parent;
  child->id = itemId;
  child->topid = parent->topid;
  child->caption = text;
  child->enabled = text != "-" && itemId >= 0;
  return child;
}
}  // namespace

TmenuItem3* TmenuItem3::add(const std::string& text, int itemId) {
  if (!onPopulate) id = 0;
  items.push_back(menuChild(this, text, itemId));
  return items.back().get();
}

TmenuItem3* TmenuItem3::insert(int index, const std::string& text, int itemId) {
  id = 0;
  const auto at = items.begin() + std::clamp(index, 0, count());
  return items.insert(at, menuChild(this, text, itemId))->get();
}

void TmenuItem3::clear() {
  boolValue = nullptr;
  items.clear();
}

namespace {
std::string utf8(char32_t c) { return fromCodePoint(c); }
int arialSize(double n) { return os ? os->ArialFontSize(n) : static_cast<int>(n); }
int fontSizeOf(double n) { return os ? os->fontsize(n) : static_cast<int>(n); }
// Text centred on (x, y) by its painted outline.
void inkCentred(TCanvas& cv, const std::string& text, int x, int y) {
  if (fontman) {
    fontman->drawVerticallyCentredText(cv, text, x, y, 6);
  } else {
    const TSize sz = cv.TextExtent(text);
    cv.TextOut(x - sz.cx / 2, y - sz.cy / 2, text);
  }
}
void setFont(TCanvas& cv, const std::string& face, int size, TFontStyles style = 0) {
  cv.Font.setName(face);
  cv.Font.setSize(size);
  cv.Font.setStyle(style);
}

// The pure glyphs drawn in Webdings by option, and the symbol glyphs drawn before a caption.
struct Glyph {
  int option;
  char32_t code;
};
constexpr Glyph kWebGlyphs[] = {{3, 0x33},  {4, 0x34},  {5, 0x35},  {6, 0x36},  {9, 0x39}, {10, 0x3A},
                                {14, 0x69}, {21, 0x3B}, {24, 0x48}, {25, 0x72}, {29, 0x73}};
constexpr Glyph kSymbolGlyphs[] = {{7, 0xCA},  {8, 0xC3},  {19, 0x7E}, {22, 0xCA}, {23, 0x40}, {26, 0xF8},
                                   {27, 0xC4}, {28, 0xC7}, {30, 0xC7}, {31, 0xFD}, {33, 0x26}};
template <size_t N>
char32_t glyphOf(const Glyph (&table)[N], int option) {
  for (const Glyph& g : table)
    if (g.option == option) return g.code;
  return 0;
}

std::unique_ptr<TBitmap>& sharedBitmap() {
  static std::unique_ptr<TBitmap> bm;
  return bm;
}
}  // namespace

TBitmap& TQYbutton::offscreen() {
  auto& bm = sharedBitmap();
  if (!bm) {
    bm = std::make_unique<TBitmap>();
    bm->SetSize(1, 1);
  }
  return *bm;
}

TCanvas& TQYbutton::backCanvas() { return offscreen().Canvas(); }

TQYbutton::TQYbutton(TWinControl* owner) : TQYcontrol(owner) { init(); }

TQYbutton::TQYbutton(TWinControl* owner, TPanel* panel) : TQYcontrol(panel && panel->Parent() ? panel->Parent() : owner) {
  init();
  autoSize = false;
  downLineColour = 0xFFFFFF;
  boldEdgeColour = 0x808080;
  selectedColour = 0xFFFFFF;
  if (!panel) return;
  SetBounds(panel->Left(), panel->Top(), panel->Width(), panel->Height());
  if (panel->OnClick) {
    auto click = panel->OnClick;
    onClick = [click](TQYbutton* b) { click(b); };
  }
  setCaption(panel->Caption);
  Anchors = panel->Anchors;
  TabStop = true;
  panel->Hide();
  panel->Tag = reinterpret_cast<intptr_t>(this);
}

void TQYbutton::init() {
  colour = os ? os->levelcolour(1.8) : fade(0xFFFFFF, 0xC40000, 5.4);
  disabledColour = fade(colour, 0xDCDCDC, 70);
  TabStop = true;
  fsize = fontSize();
  SetHeight(gp(20));
  SetCursor(Cursor::Hand);
  OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) { mouseMove(x, y, s); };
  OnMouseDown = [this](TWinControl*, TMouseButton, TShiftState s, int x, int y) { mouseDown(x, y, s); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState s, int x, int y) { mouseUp(x, y, s); };
  // A tint left behind by a pointer that moved off the button would stay until the next visit.
  OnMouseLeave = [this](TWinControl*) { setHover(false); };
}

TQYbutton::~TQYbutton() = default;

bool TQYbutton::isActive() const {
  if (!fenabled) return false;
  const TWinControl* p = Parent();
  return !p || p->Enabled();
}

void TQYbutton::sizeToCaption() {
  TCanvas& cv = backCanvas();
  setFont(cv, programFace(), bold ? static_cast<int>(Round(1.2 * fsize)) : fsize, bold ? fsBold : 0);
  int w = cv.TextWidth(fcaption) + gp(12);
  if (option == 32) w += gp(12);
  else if (option == 33) w += gp(24);
  else if (option != 0) w += gp(18);
  if (hasrightarrow || hasDownArrow) w += gp(18);
  SetWidth(std::max(w, minwidth));
}

void TQYbutton::setCaption(const std::string& text) {
  fcaption = text;
  if (!autoSize) return;
  sizeToCaption();
  Invalidate();
}

void TQYbutton::setFontsize(int value) {
  fsize = value;
  Canvas().Font.setSize(value);
}

void TQYbutton::setEnabled(bool value) {
  fenabled = value;
  Invalidate();
  SetEnabled(value);
  SetCursor(value ? Cursor::Hand : Cursor::No);
  if (onEnable) onEnable(this);
}

void TQYbutton::setProhibit(bool value) {
  fprohibit = value;
  setEnabled(!value);
}

void TQYbutton::setState(int value) {
  if (!isActive()) {
    if (hasDesktop() && HandleAllocated() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  fstate = value;
  if (value == but_down) {
    if (isStateBut) fhover = false;
    else if (hasDesktop()) desktop().setCapture(Handle());
  } else if (value == but_up && !fhover && hasDesktop() && desktop().capture() == Handle()) {
    desktop().releaseCapture();
  }
  Invalidate();
}

void TQYbutton::setHover(bool value) {
  if (!isActive() || value == fhover) return;
  fhover = value;
  setState(fstate);
}

int TQYbutton::setBounds(int left, int top, int width, int height) {
  if (auto* p = dynamic_cast<TQYcontrol*>(Parent())) {
    colour = fade(p->colour, 0xFFFFFF, 40);
    disabledColour = fade(p->colour, 0xDCDCDC, 60);
  }
  SetBounds(left, top, width, height);
  Invalidate();
  return left + width;
}

int TQYbutton::setBounds(int left, int top) { return setBounds(left, top, Width(), gp(20)); }

int TQYbutton::setBoundsR(int right, int top, int width, int height) {
  setBounds(right - width, top, width, height);
  return right - width;
}

int TQYbutton::setBoundsR(int right, int top) { return setBoundsR(right, top, Width(), gp(20)); }

void TQYbutton::mouseMove(int x, int y, TShiftState s) {
  setHover(ClientRect().contains(TPoint{x, y}));
  if (fstate == but_down) {
    moveTp = {x, y};
    fshift = s;
    if (onMove) onMove(this);
  }
}

void TQYbutton::mouseDown(int x, int y, TShiftState s) {
  if (isQuickBut) return;
  if (!isActive()) {
    if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  downTp = moveTp = {x, y};
  fpressedInside = true;
  setState(isStateBut && fstate == but_down ? but_up : but_down);
  fshift = s;
  if (hasDesktop()) desktop().setCapture(Handle());
  if (onDown) onDown(this);
}

void TQYbutton::mouseUp(int x, int y, TShiftState s) {
  if (isQuickBut) return;
  if (!isActive()) {
    if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
    return;
  }
  if (!isStateBut) setState(but_up);
  moveTp = {x, y};
  if (hasDesktop() && desktop().capture() == Handle()) desktop().releaseCapture();
  if (onMove) onMove(this);
  fshift = s;
  if (onUp) onUp(this);
  // A press taken back by moving off the button before the release is no click.
  const bool inside = ClientRect().contains(TPoint{x, y});
  const bool pressed = fpressedInside;
  fpressedInside = false;
  if (!inside || !pressed) {
    fhover = false;
    Invalidate();
    return;
  }
  if (onClick) {
    fhover = false;
    onClick(this);
    if (hasOptions && onOption && Rect(Width() - 12, 0, Width(), Height()).contains(TPoint{x, y})) onOption(this);
  } else if (modalResult != 0) {
    for (TWinControl* p = Parent(); p; p = p->Parent())
      if (auto* f = dynamic_cast<TForm*>(p)) {
        f->ModalResult = modalResult;
        break;
      }
  }
}

void TQYbutton::click() {
  if (isQuickBut || !isActive()) return;
  if (onClick) {
    onClick(this);
  } else if (modalResult != 0) {
    for (TWinControl* p = Parent(); p; p = p->Parent())
      if (auto* f = dynamic_cast<TForm*>(p)) {
        f->ModalResult = modalResult;
        break;
      }
  }
}

LRESULT TQYbutton::WndProc(TMsg& m) {
  switch (m.message) {
    case WM_KEYDOWN:
      // A focused button: Space and Enter press it, as the platform's buttons.
      if (m.wParam == static_cast<WPARAM>(VK_SPACE) || m.wParam == static_cast<WPARAM>(VK_RETURN)) {
        click();
        return 0;
      }
      break;
    case wm_rescale:
      fsize = fontSize();
      setCaption(fcaption);
      Invalidate();
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();  // the focus frame
      break;
    default:
      break;
  }
  return TQYcontrol::WndProc(m);
}

void TQYbutton::paintFace(TCanvas& cv, int W, int H, int& p, bool act) {
  if (fstate == but_down) {
    cv.Brush.Color = static_cast<TColor>(isStateBut || isQuickBut ? selectedColour : 0xEAEAEA);
    cv.Pen.Color = 0x808080;
    cv.Rectangle(0, 0, W, H);
    cv.Pen.Color = static_cast<TColor>(downLineColour);
    cv.MoveTo(0, H - 1);
    cv.LineTo(W - 1, H - 1);
    cv.LineTo(W - 1, 0);
    p = isQuickBut ? 0 : gp(2);
    return;
  }
  const int32_t face = fhover && act ? (hovercolour ? hovercolour : fade(colour, 0xFFFFFF, 50))
                       : act         ? colour
                                     : disabledColour;
  cv.Brush.Color = static_cast<TColor>(face);
  cv.Pen.Color = static_cast<TColor>(boldEdgeColour);
  cv.Rectangle(0, 0, W, H);
  cv.Pen.Color = 0xDCDCDC;
  cv.MoveTo(0, H);
  cv.LineTo(0, 0);
  cv.LineTo(W, 0);
  if (fhover && act && os && os->blend) os->blend->Tint(cv, Rect(0, 0, W, H), 0x0000FF, 3);
}

void TQYbutton::paintCaption(TCanvas& cv, int W, int H, int p, bool act, int x) {
  (void)W;
  const int y = H / 2 + p;
  auto out = [&](int dx) {
    if (texttop != 0 && fontman) {
      fontman->TopTextOut(cv, x + dx, texttop + p + dx, fcaption);
    } else {
      const TSize sz = cv.TextExtent(fcaption);
      cv.TextOut(x + dx, y - sz.cy / 2 + dx, fcaption);
    }
  };
  if (!act) {
    const TColor keep = cv.Font.Color;
    cv.Font.Color = clWhite;
    out(1);
    cv.Font.Color = keep;
  }
  out(0);
}

void TQYbutton::paintContent(TCanvas& cv, int W, int H, int p, bool act) {
  const TColor ink = cv.Font.Color;
  const int bodySize = bold ? static_cast<int>(Round(1.2 * fsize)) : fsize;
  const TFontStyles bodyStyle = bold ? fsBold : 0;
  if (ch != 0) {
    setFont(cv, programFace(), static_cast<int>(Round(fontSize() * widthLimit / 0.8)));
    inkCentred(cv, utf8(ch), W / 2, H / 2 + p);
    return;
  }
  const int o = option;
  if (o == 1 || o == 12) {
    setFont(cv, "Arial", arialSize(14), fsBold);
    inkCentred(cv, o == 1 ? "+" : "-", W / 2 + p, H / 2 + p);
  } else if (o == 2) {
    TRect box = Rect(H / 8, H / 8, W - H / 8, H - H / 8);
    box.offset(p, p);
    if (fontman) fontman->drawCharInBox(cv, utf8(0xB0), symbolFace("Wingdings"), box);
  } else if (char32_t g = glyphOf(kWebGlyphs, o); g != 0) {
    int size = arialSize(11);
    if (widthLimit > 0) size = std::min(size, static_cast<int>(Round(W * widthLimit)));
    if (o == 25) size = static_cast<int>(Round(size * 0.8));
    setFont(cv, symbolFace("Webdings"), size);
    if (rotation != 0) {
      if (!trans) trans = std::make_unique<Ttrans>();
      trans->move(cv, 0, H, rotation);
      inkCentred(cv, utf8(g), W / 2 + p, H / 2 + p);
      trans->clear();
    } else {
      inkCentred(cv, utf8(g), W / 2 + p, H / 2 + p);
    }
  } else if (char32_t sg = glyphOf(kSymbolGlyphs, o); sg != 0) {
    const bool web = o == 19 || o == 22 || o == 23;
    const int size = static_cast<int>(Round(arialSize(13) * static_cast<double>(fsize) / std::max(1, fontSize())));
    setFont(cv, symbolFace(web ? "Webdings" : "Wingdings"), size);
    if (act) cv.Font.Color = o == 31 ? TColor(0x0000FF) : clBlue;
    const int m = o == 23 ? extraMargin : 0;
    const std::string gs = utf8(sg);
    cv.TextOut(5 + p + m, 1 + p + m, gs);
    cv.Font.Color = ink;
    setFont(cv, programFace(), bodySize, bodyStyle);
    paintCaption(cv, W, H, p, act, gp(p + (o == 33 ? 31 : 25)));
  } else if (o == 11 || o == 13) {
    setFont(cv, symbolFace("Wingdings"), arialSize(10));
    cv.Font.Color = clBlue;
    inkCentred(cv, utf8(o == 11 ? 0xC5 : 0x30), W / 2 + p, H / 2 + p);
  } else if (o == 15) {
    setFont(cv, "Arial", arialSize(11));
    const std::string dot = "\u25CF";
    cv.TextOut(W / 2 + fixx - cv.TextWidth(dot) / 2, p + fixy, dot);
  } else if (o == 17) {
    setFont(cv, "Times New Roman", arialSize(7));
    inkCentred(cv, "1:1", W / 2 + p, H / 2 + p);
  } else if (o == 18 || o == 20) {
    setFont(cv, symbolFace(o == 18 ? "Wingdings" : "Webdings"), arialSize(o == 18 ? 11 : 10));
    inkCentred(cv, o == 18 ? utf8(0x33) : "q", W / 2 + p, (p + H + p) / 2);
  } else if (o == 32) {
    setFont(cv, programFace(), bodySize, fsBold);
    paintCaption(cv, W, H, p, act, gp(p + 7));
    setFont(cv, "Arial", static_cast<int>(Round(0.9 * bodySize)));
    cv.TextOut(W - gp(13) + p, gp(4) + p, "\u25BC");
  } else if (o == 34) {
    cv.Pen.Color = fenabled ? TColor(0) : TColor(0x808080);
    cv.Pen.Width = 1;
    const int x = W / 2 + p - 1, y = H / 2 + p - 1, a = W / 3, h = a / 3;
    auto line = [&](std::initializer_list<TPoint> pts) {
      auto it = pts.begin();
      cv.MoveTo(it->X, it->Y);
      for (++it; it != pts.end(); ++it) cv.LineTo(it->X, it->Y);
    };
    line({{x - a, y}, {x + a, y}});
    line({{x - a + h, y + h}, {x - a, y}, {x - a + h + 1, y - h - 1}});
    line({{x + a - h, y + h}, {x + a, y}, {x + a - h - 1, y - h - 1}});
    line({{x, y - a}, {x, y + a}});
    line({{x - h, y - a + h}, {x, y - a}, {x + h + 1, y - a + h + 1}});
    line({{x - h, y + a - h}, {x, y + a}, {x + h + 1, y + a - h - 1}});
  } else {
    // The caption face (options 0, 16 and any value above 34).
    setFont(cv, programFace(), bodySize, bodyStyle);
    const int tw = cv.TextWidth(fcaption);
    int x = gp(6) + p + fixx + (toolicon ? 34 : 0);
    if (align == 2) x = W - tw - gp(6) - (hasOptions ? 12 : 0);
    else if (align == 6) x = (W - tw) / 2;
    paintCaption(cv, W, H, p, act, x);
    if (toolicon && toolbm) {
      toolbm->Canvas().Draw(0, 0, *toolicon);
      cv.StretchDraw(Rect(p + 3, p + 2, p + 3 + gp(22), p + 2 + gp(22)), *toolbm);
      if (fstate == but_down) {
        cv.Pen.Color = static_cast<TColor>(downLineColour);
        cv.MoveTo(0, H - 1);
        cv.LineTo(W - 1, H - 1);
        cv.LineTo(W - 1, 0);
      }
    }
    if (hasOptions) {
      cv.Pen.Color = 0x808080;
      cv.MoveTo(W - 12 + p, p);
      cv.LineTo(W - 12 + p, H);
      cv.Pen.Color = clWhite;
      cv.MoveTo(W - 11 + p, p);
      cv.LineTo(W - 11 + p, H - 2);
      setFont(cv, "Arial", bodySize);
      if (fontman) fontman->BaseTextOut(cv, W - 11 + p, H - 4 + p, "\u25BA");
      else cv.TextOut(W - 11 + p, H - 4 + p - cv.TextHeight("\u25BA"), "\u25BA");
    }
  }
  if (hasrightarrow || hasDownArrow) {
    setFont(cv, "Arial", fontSizeOf(7));
    const std::string arrow = hasrightarrow ? "\u25BA" : "\u25BC";
    const TSize sz = cv.TextExtent(arrow);
    cv.TextOut(W - 13 + p, (H - sz.cy) / 2, arrow);
  }
}

void TQYbutton::Paint() {
  TCanvas& own = Canvas();
  const int W = Width(), H = Height();
  if (!own.Handle() || W <= 0 || H <= 0) return;
  try {
    TBitmap& bm = offscreen();
    if (bm.Width() < W || bm.Height() < H) bm.SetSize(std::max(bm.Width(), W), std::max(bm.Height(), H));
    TCanvas& cv = bm.Canvas();
    const bool act = isActive();
    int p = 0;
    cv.Pen.Width = 1;
    cv.Pen.Style = psSolid;
    cv.Brush.Style = bsSolid;
    paintFace(cv, W, H, p, act);
    if (toolicon && !toolbm) {
      toolbm = std::make_unique<TBitmap>();
      toolbm->SetSize(32, 32);
    }
    if (toolbm) {
      toolbm->Canvas().Brush.Color = cv.Brush.Color;
      toolbm->Canvas().FillRect(Rect(0, 0, 32, 32));
    }
    cv.Font.Color = !act ? TColor(0x808080) : static_cast<TColor>(fhover ? fontHoverColour : fontcolour);
    cv.Font.setSize(fontSize());
    cv.Handle()->setBkMode(BkMode::Transparent);
    paintContent(cv, W, H, p, act);
    TRect box = ClientRect();
    box.offset(p, p);
    const bool down = fstate == but_down;
    if (onDrawing) onDrawing(this, 0, down, box);
    own.CopyRect(ClientRect(), cv, ClientRect());
    if (onDraw) onDraw(this, 0, down, box);
    if (HandleAllocated() && hasDesktop() && desktop().focus() == Handle() && !isQuickBut) {
      own.Brush.Style = bsClear;
      own.Pen.Color = clBlue;
      own.Pen.Width = 2;
      own.Rectangle(1, 1, W, H);
      own.Pen.Width = 1;
      own.Brush.Style = bsSolid;
    }
  } catch (const std::exception&) {
    YoNumbers("TQYbutton paint: ", {static_cast<double>(W), static_cast<double>(H)});
  }
  if (fprohibit) {
    own.Pen.Color = 0xA0A0FF;
    own.Pen.Width = 1;
    for (int yy = 0; yy < H; yy += 3) {
      own.MoveTo(0, yy);
      own.LineTo(H - 1 - yy, H - 1);
    }
  }
}

// ---- TcheckBox ----------------------------------------------------------------------------------

TcheckBox::TcheckBox(TWinControl* owner) : TCustomControl(owner) {
  if (auto* q = dynamic_cast<TQYcontrol*>(owner)) fcolour = q->colour;
  else fcolour = dlgColour;
  colour = fcolour;
  Color = static_cast<TColor>(fcolour);
  fontsize = fontSize();
  SetBounds(Left(), Top(), gp(100), gp(16));
  SetCursor(Cursor::Hand);
  TabStop = true;
  OnResize = [this](TWinControl*) { layout(); };
  OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) { click(); };
  layout();
}

TcheckBox::~TcheckBox() { *falive = false; }

void TcheckBox::setCaption(const std::string& text) {
  fcaption = text;
  layout();
}

void TcheckBox::setChecked(bool value) {
  fchecked = value;
  redrawBitmap();
}

void TcheckBox::setVarious(bool value) {
  fvarious = value;
  redrawBitmap();
}

void TcheckBox::setEnabled(bool value) {
  fenabled = value;
  SetEnabled(value);
  redrawBitmap();
}

void TcheckBox::setProhibit(bool value) {
  fprohibit = value;
  setEnabled(!value);
}

void TcheckBox::setColour(int32_t value) {
  fcolour = value;
  colour = value;
  Color = static_cast<TColor>(value);
}

void TcheckBox::setAutosize(bool value) {
  fauto = value;
  layout();
}

int TcheckBox::NaturalWidth() {
  int w = Width();
  try {
    TCanvas& cv = TQYbutton::backCanvas();
    setFont(cv, programFace(), fontsize, asRadio ? fsBold : 0);
    const int text = fcaption.empty() ? gp(150) : cv.TextWidth(fcaption);
    w = text + static_cast<int>(Round(2.5 * fontsize)) + 4;
  } catch (const std::exception&) {
    // the current width stands
  }
  return std::max(w, gp(18));
}

int TcheckBox::NaturalHeight() {
  if (fauto) return gp(18);
  int h = 0;
  if (fontman) {
    TCanvas& cv = TQYbutton::backCanvas();
    setFont(cv, programFace(), fontSize());
    h = fontman->WordWrap(cv, 0, 0, Width() - gp(18), fcaption, false);
  }
  return std::max(h + gp(8), gp(18));
}

char32_t TcheckBox::markChar() const {
  if (asRadio) return fvarious ? 0xA5 : fchecked ? 0xA4 : 0xA1;
  return fvarious ? 0x6E : fchecked ? (negative ? 0xFD : 0xFE) : 0xA8;
}

int32_t TcheckBox::markColour() const {
  if (fontcolour == 0xFFFFFF) return -1;
  if (!fenabled) return 0xC0C0C0;
  if (fvarious) return varColour;
  if (!fchecked) return 0x0000A0;
  return negative ? 0x000080 : 0x008000;
}

void TcheckBox::layout() {
  if (fauto && !fcaption.empty()) {
    const int w = NaturalWidth();
    if (w != Width()) {
      auto keep = std::move(OnResize);  // the new width would lay out again
      OnResize = nullptr;
      const int right = Left() + Width();
      SetBounds(rightaligned ? right - w : Left(), Top(), w, Height());
      OnResize = std::move(keep);
    }
  }
  if (bm.Width() != Width() || bm.Height() != Height()) bm.SetSize(std::max(Width(), 1), std::max(Height(), 1));
  redrawBitmap();
}

void TcheckBox::redrawBitmap() {
  const int W = bm.Width(), H = bm.Height();
  if (W <= 1) return;
  try {
    TCanvas& cv = bm.Canvas();
    if (fcolour == 0 && Parent()) {
      if (auto* q = dynamic_cast<TQYcontrol*>(Parent())) fcolour = q->colour;
      else fcolour = static_cast<int32_t>(Parent()->Color);
    }
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = static_cast<TColor>(fcolour);
    cv.FillRect(Rect(0, 0, W, H));
    cv.Handle()->setBkMode(BkMode::Transparent);
    const bool boldCaption = fchecked && asRadio;
    setFont(cv, programFace(), fontsize, boldCaption ? fsBold : 0);
    const TColor capColour = !fenabled ? TColor(0xC0C0C0) : static_cast<TColor>(fchecked ? selectedFontColour : fontcolour);
    cv.Font.Color = capColour;
    const int x0 = static_cast<int>(Round(2.5 * fontsize));
    if (rightaligned) {
      const TSize sz = cv.TextExtent(fcaption);
      cv.TextOut(W - x0 - sz.cx, (H - sz.cy) / 2, fcaption);
    } else if (fauto) {
      const auto bracket = fcaption.find('[');
      const std::string head = fenabled && bracket != std::string::npos ? fcaption.substr(0, bracket) : fcaption;
      const TSize sz = cv.TextExtent(fcaption.empty() ? std::string("A") : fcaption);
      const int y = (H - sz.cy) / 2;
      cv.TextOut(x0, y, head);
      if (head.size() < fcaption.size()) {
        cv.Font.Color = clBlue;
        cv.TextOut(x0 + cv.TextWidth(head), y, fcaption.substr(head.size()));
        cv.Font.Color = capColour;
      }
    } else if (fontman) {
      fontman->WordWrap(cv, x0, gp(4), W - gp(18), fcaption, true);
    }
    const int32_t mc = markColour();
    setFont(cv, symbolFace("Wingdings"), arialSize(Round(9.0 * fontsize / std::max(1, fontSize()))));
    cv.Font.Color = mc < 0 ? capColour : static_cast<TColor>(mc);
    const std::string mark = utf8(markChar());
    const TSize ms = cv.TextExtent(mark);
    int m = 0;
    if (rightaligned) {
      m = W - H;
      cv.TextOut(W - ms.cx, (H - ms.cy) / 2, mark);
    } else if (fauto || !fontman) {
      cv.TextOut(0, (H - ms.cy) / 2, mark);
    } else {
      fontman->TopTextOut(cv, 0, gp(3), mark);
    }
    if (fprohibit) {
      cv.Pen.Color = 0xA0A0FF;
      cv.Pen.Width = 1;
      for (int y = 0; y < H; y += 3) {
        cv.MoveTo(m, y);
        cv.LineTo(m + H - y, H);
      }
    }
    setFont(cv, programFace(), fontSize());
  } catch (const std::exception&) {
    // the bitmap stays as far as it was drawn
  }
  Invalidate();
}

void TcheckBox::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  cv.Draw(0, 0, bm);
  if (HandleAllocated() && hasDesktop() && desktop().focus() == Handle()) {
    // The focus: a dotted frame round the whole box, as the platform's check boxes show it.
    cv.Brush.Style = bsClear;
    cv.Pen.Style = psDot;
    cv.Pen.Color = 0;
    cv.Rectangle(0, 0, Width(), Height());
    cv.Pen.Style = psSolid;
    cv.Brush.Style = bsSolid;
  }
}

LRESULT TcheckBox::WndProc(TMsg& m) {
  switch (m.message) {
    case wm_rescale:
      return 0;
    case WM_KEYDOWN:
      if (m.wParam == static_cast<WPARAM>(VK_SPACE)) {
        if (fenabled && !fprohibit) click();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  return TQYcontrol::WndProc(m);
}

void TcheckBox::click() {
  setChecked(!fchecked);
  if (!onClick || !os) return;
  std::weak_ptr<bool> alive = falive;
  os->delay(25, [this, alive](TtrailSource*) {
    if (auto a = alive.lock(); a && *a && onClick) onClick(this);
  });
}
