// The caption manager and the done badge of the control set.
#include "ui/r_controlMan.h"

#include <algorithm>
#include <cmath>

#include "core/Tblend.h"
#include "core/Tunits.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/numbers.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "ui/r_controlSet.h"
#include "ui/r_edit.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int32_t kDoneGreen = 0x00B400;
constexpr uint32_t kFirstStepMs = 500;  // the badge stands still this long
constexpr uint32_t kStepMs = 50;
constexpr int kSteps = 20;

TcontrolMan theControlMan;
// Cleared before the manager goes at the end of the run.
struct TcmGuard {
  ~TcmGuard() { cm = nullptr; }
} cmGuard;
}  // namespace

TcontrolMan* cm = &theControlMan;

// ---- TcontrolMan --------------------------------------------------------------------------------

std::string TcontrolMan::unitText(const std::string& caption) {
  if (!units) return caption;
  if (caption == "area unit") return units->shortUnitName(units->AreaUnits);
  if (caption == "area units") return units->LongUnitName(units->AreaUnits);
  if (caption == "linear unit") return units->LinearUnitStr();
  if (caption == "linear units") return units->LongUnitsName(units->LinearUnits);
  if (caption == "paper unit") return units->shortUnitName(units->PaperUnits);
  if (caption == "paper units") return units->LongUnitName(units->PaperUnits);
  return caption;
}

void TcontrolMan::paint(TWinControl* win, TCanvas& canvas) {
  if (!win || !fontman) return;
  for (TWinControl* c : win->Controls()) {
    auto* e = dynamic_cast<Tedit*>(c);
    if (!e) continue;
    if (!e->leftCaption.empty()) fontman->CaptionL(canvas, static_cast<TWinControl const*>(e), e->leftCaption);
    if (!e->rightCaption.empty()) fontman->CaptionR(canvas, static_cast<TWinControl const*>(e), unitText(e->rightCaption));
  }
}

int TcontrolMan::left(TWinControl* control) const {
  auto* e = dynamic_cast<Tedit*>(control);
  if (!e || e->leftCaption.empty()) return gp(4);
  const std::string face = fontman ? fontman->getFontName(programFace()) : programFace();
  int w = 0;
  if (fontman) {
    w = fontman->TextWidth(face, fontSize(), e->leftCaption);
  } else {
    TBitmap bm;
    bm.SetSize(1, 1);
    bm.Canvas().Font.setName(face);
    bm.Canvas().Font.setSize(fontSize());
    w = bm.Canvas().TextWidth(e->leftCaption);
  }
  return gp(4) + w + gp(4);
}

// ---- the badge ----------------------------------------------------------------------------------

TdoneBadge::TdoneBadge(bool success, int32_t colour) {
  StayOnTop = true;
  ShowInTaskBar = false;
  const TRect work = os ? os->workarea() : Rect(0, 0, 1920, 1040);
  const int x = (work.Left + work.Right) / 2, y = (work.Top + work.Bottom) / 2;
  SetBounds(x, y, kSize, kSize);
  fback.SetSize(kSize, kSize);
  TSurface grabbed;
  // The screen beneath, as it is now; a desktop without a display has none to read.
  if (hasDesktop() && !headless() && x11::grabScreen(BoundsRect(), grabbed) && grabbed.width() == kSize &&
      grabbed.height() == kSize) {
    for (int r = 0; r < kSize; ++r)
      for (int c = 0; c < kSize; ++c) fback.Canvas().SetPixels(c, r, grabbed.pixel(c, r));
  } else {
    fback.Canvas().Brush.Color = static_cast<TColor>(dlgColour);
    fback.Canvas().FillRect(Rect(0, 0, kSize, kSize));
  }
  compose(success, colour);
  fframe.SetSize(kSize, kSize);
}

TdoneBadge::~TdoneBadge() {
  if (ftimer != 0 && hasDesktop()) desktop().killTimer(0, ftimer);
}

void TdoneBadge::compose(bool success, int32_t colour) {
  fbadge.SetSize(kSize, kSize);
  TCanvas& cv = fbadge.Canvas();
  cv.Draw(0, 0, fback);
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(colour);
  cv.Pen.Color = 0;
  cv.Pen.Width = 1;
  cv.Ellipse(0, 0, kSize, kSize);
  cv.Font.setName(programFace());
  cv.Font.Color = clWhite;
  cv.Font.setStyle(0);
  cv.Font.setSize(fontSizeOf(success ? 17 : 14));
  const std::string english = success ? "DONE" : "FAILED";
  const int p = cv.TextWidth(english);
  fword = os ? os->wd("general", english) : english;
  const int w = std::max(cv.TextWidth(fword), 1);
  // A longer translation gets a smaller font.
  fwordSize = fontSizeOf(Round(15.0 * p / w));
  cv.Font.setSize(fwordSize);
  cv.Handle()->setBkMode(BkMode::Transparent);
  const std::string symbol = fromCodePoint(success ? 252 : 251);
  const TRect symbolBox = Rect(35, 17, 105, 105);
  const unsigned was = TfontMan::align(cv, 0);
  // Word and symbol; fitting the symbol leaves the canvas left-aligned, so the word sets its own
  // centred alignment each time (the outline pass must lie on the painted glyphs).
  auto drawWordAndSymbol = [&] {
    TfontMan::align(cv, 6);
    fontman->TopTextOut(cv, 70, 105, fword);
    fontman->drawCharInBox(cv, symbol, symbolFace(), symbolBox);
  };
  if (fontman) drawWordAndSymbol();
  if (colour != kDoneGreen && fontman) {
    // Outlined in black so that the glyphs stand out on any colour.
    TDeviceContext& dc = *cv.Handle();
    cv.Pen.Color = 0;
    cv.Brush.Style = bsClear;
    dc.beginPath();
    drawWordAndSymbol();
    dc.endPath();
    dc.setPen(cv.Pen.desc());
    dc.strokePath();
    cv.Brush.Style = bsSolid;
  }
  TfontMan::align(cv, was);
}

void TdoneBadge::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  // Round with a window manager too: none frames it, and it takes no focus.
  p.style |= WS_EX_NOACTIVATE;
}

void TdoneBadge::Paint() { Canvas().Draw(0, 0, fframe); }

void TdoneBadge::nextStep() {
  ++fstep;
  if (fstep > kSteps) {
    ffinished = true;
    if (ftimer != 0) desktop().killTimer(0, ftimer);
    ftimer = 0;
    Hide();  // the windows below simply show again
    return;
  }
  fframe.Canvas().Draw(0, 0, fback);
  if (os && os->blend) os->blend->PercentBlend(fframe.Canvas(), fbadge, 0, 0, 100 - 5 * fstep);
  Invalidate();
  if (fstep == 1) {
    if (ftimer != 0) desktop().killTimer(0, ftimer);
    ftimer = desktop().setTimer(kFirstStepMs, [this] {
      desktop().killTimer(0, ftimer);
      ftimer = desktop().setTimer(kStepMs, [this] { nextStep(); });
      nextStep();
    });
  }
}

void TdoneBadge::run() {
  // Round: only the disc is the window's.
  std::vector<TRect> spans;
  const double r = kSize / 2.0;
  for (int y = 0; y < kSize; ++y) {
    const double dy = y + 0.5 - r;
    const double half = std::sqrt(std::max(0.0, r * r - dy * dy));
    const int x0 = static_cast<int>(std::ceil(r - half - 0.5)), x1 = static_cast<int>(std::floor(r + half - 0.5)) + 1;
    if (x1 > x0) spans.push_back(Rect(x0, y, x1, y + 1));
  }
  (void)Handle();
  if (const unsigned long id = desktop().backend().nativeId(Handle())) x11::shapeWindow(id, spans);
  nextStep();
  Show();
  BringToFront();
  while (!ffinished && !desktop().terminated())
    if (!desktop().processOne()) desktop().idle();
}

void doDone(bool success, int32_t colour) {
  TdoneBadge b(success, colour);
  b.run();
}

void done() { doDone(true, kDoneGreen); }
