// The value popup and the question popups of the control set.
#include "ui/r_popups.h"

#include <algorithm>

#include "core/os_drawing.h"
#include "core/os_text.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int32_t kMaroon = 0x000080;
TCanvas& measure(int size, TFontStyles style = 0) {
  TCanvas& cv = TQYbutton::backCanvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(size);
  cv.Font.setStyle(style);
  return cv;
}
}  // namespace

// ---- TvalueEdit ---------------------------------------------------------------------------------

TvalueEdit::TvalueEdit() {
  SetBounds(0, 0, gp(200), gp(60));
  edit = std::make_unique<Tedit>(this);
  edit->onChange = [this](Tedit*) { check(); };
  edit->onReturn = [this](Tedit*) {
    if (okbut->enabled()) ModalResult = mrOk;
  };
  // Enter leaves the field to report the typing; a value that does not close the popup keeps
  // the keys in the field.
  edit->onEnter = [this](Tedit*) {
    if (ModalResult == mrNone && edit->HandleAllocated() && hasDesktop()) desktop().setFocus(edit->Handle());
  };
  onPreShow = [this](TmodalControl*) {
    edit->setText(os ? os->DoubleToStr(value, decplaces) : std::to_string(value));
    check(false);  // the value itself stays until the text is edited
    if (edit->HandleAllocated()) desktop().setFocus(edit->Handle());
    edit->selectAll();
  };
  onPostResize = [this](TmodalControl*) {
    if (edit) edit->SetBounds(gp(50), gp(8), gp(80), gp(20));
  };
  layout();
}

TvalueEdit::~TvalueEdit() = default;

int TvalueEdit::execute() {
  const TPoint p = hasDesktop() ? desktop().cursorPos() : TPoint{};
  return TmodalControl::execute(p.X, p.Y - Height() / 2);
}

void TvalueEdit::check(bool store) {
  double d = 0;
  const std::string t = edit->text();
  const bool ok = !t.empty() && os && os->StrToDouble(t, d) && d >= min && d <= max;
  if (ok && store) value = d;
  edit->Color = ok ? clWhite : static_cast<TColor>(TosDrawing::FadeColour(0x0000FF, 0xFFFFFF, 10));
  edit->Invalidate();
  okbut->setEnabled(ok);
}

void TvalueEdit::Paint() {
  TmodalControl::Paint();
  if (!fontman) return;
  TCanvas& cv = Canvas();
  cv.Handle()->setBkMode(BkMode::Transparent);
  fontman->CaptionL(cv, edit.get(), word("general", "Value"));
  if (!units.empty()) fontman->CaptionR(cv, edit.get(), units);
}

// ---- TpopMessage2 -------------------------------------------------------------------------------

TpopMessage2::TpopMessage2() {
  colour = kMaroon;
  Color = static_cast<TColor>(kMaroon);
}

TPoint TpopMessage2::besideControl(TWinControl* c) const {
  if (c) return c->ClientToScreen(TPoint{c->Width(), 0});
  const auto displays = desktop().backend().displays();
  const TRect s = displays.empty() ? Rect(0, 0, 1920, 1080) : displays.front().box;
  return {s.width() / 2 - 120, s.height() / 3};
}

bool TpopMessage2::ask(int screenx, int screeny, const std::string& s, bool withTitle) {
  list = nullptr;
  caption = s;
  title = withTitle ? word("general", "Are you sure") + "?" : std::string();
  colour = kMaroon;
  fontcolour = 0xFFFFFF;
  const int w = std::max(measure(fontSizeOf(10)).TextWidth(s) + gp(16), gp(200));
  okbut->setCaption(word("general", "Yes"));
  cancelBut->setCaption(word("general", "No"));
  okbut->Show();
  cancelBut->Show();
  if (screenx < 1) {
    const auto displays = desktop().backend().displays();
    const TRect scr = displays.empty() ? Rect(0, 0, 1920, 1080) : displays.front().box;
    screenx = (scr.width() - w) / 2;
    screeny = scr.height() / 3;
  }
  SetBounds(Left(), Top(), w, gp(75));
  layout();
  // The pointer is left where it is: a click meant for something else must not answer Yes.
  return execute(screenx, screeny) == mrOk;
}

bool TpopMessage2::areYouSure(int screenx, int screeny, const std::string& s) { return ask(screenx, screeny, s, true); }
bool TpopMessage2::question(int screenx, int screeny, const std::string& s) { return ask(screenx, screeny, s, false); }

bool TpopMessage2::areYouSure(TWinControl* c, const std::string& s) {
  const TPoint p = besideControl(c);
  return areYouSure(p.X, p.Y, s);
}

bool TpopMessage2::question(TWinControl* c, const std::string& s) {
  const TPoint p = besideControl(c);
  return question(p.X, p.Y, s);
}

void TpopMessage2::showKeyValueList(int screenx, int screeny, const TStringList& lines) {
  list = &lines;
  title.clear();
  colour = kMaroon;
  fontcolour = 0xFFFFFF;
  TCanvas& cv = measure(fontSizeOf(10));
  int kw = 0, vw = 0;
  for (int i = 0; i < lines.count(); ++i) {
    std::string rest = lines[i];
    const std::string k = TosText::GetnextEx(rest, '=');
    kw = std::max(kw, cv.TextWidth(k));
    vw = std::max(vw, cv.TextWidth(rest));
  }
  x1 = gp(8) + kw;
  okbut->setCaption(word("general", "Clear"));
  cancelBut->Hide();
  SetBounds(Left(), Top(), gp(16) + vw + x1, lines.count() * gp(18) + gp(32));
  layout();
  (void)execute(screenx, screeny);
  list = nullptr;
}

void TpopMessage2::Paint() {
  TmodalControl::Paint();
  if (!fontman) return;
  TCanvas& cv = Canvas();
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Font.Color = static_cast<TColor>(fontcolour);
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSizeOf(10));
  if (list) {
    int y = gp(4);
    for (int i = 0; i < list->count(); ++i, y += gp(18)) {
      std::string rest = (*list)[i];
      const std::string k = TosText::GetnextEx(rest, '=');
      const unsigned was = TfontMan::align(cv, 2);
      fontman->TopTextOut(cv, x1, y, k + ":");
      TfontMan::align(cv, 0);
      fontman->TopTextOut(cv, x1 + gp(8), y, rest);
      TfontMan::align(cv, was);
    }
    return;
  }
  if (!title.empty()) {
    cv.Font.setStyle(fsBold);
    cv.Font.setSize(fontSize());
    fontman->TopTextOut(cv, gp(8), gp(6), title);
    cv.Font.setStyle(0);
    cv.Font.setSize(fontSizeOf(10));
  }
  const unsigned was = TfontMan::align(cv, 6);
  fontman->TopTextOut(cv, Width() / 2, gp(24), caption);
  TfontMan::align(cv, was);
}

bool AreYouSure(int screenx, int screeny, const std::string& text) {
  TpopMessage2 p;
  return p.areYouSure(screenx, screeny, text);
}
