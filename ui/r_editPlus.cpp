// The edit with pick buttons.
#include "ui/r_editPlus.h"

#include <algorithm>

#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_charPick.h"
#include "ui/r_listBox.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kBar = 17;  // the memo's scroll bar
}  // namespace

TeditPlus::TeditPlus(TWinControl* owner, bool asMemo) : TCustomControl(owner) {
  fsize = fontSize();
  if (asMemo) {
    fmemo = std::make_unique<Tmemo>(this);
    fmemo->setVerticalScroll(true);
    fmemo->onChange = [this](Tmemo*) { changeRule(); };
    fmemo->onScroll = [this](Tmemo*) { gutterChanged(); };
    fmemo->OnKeyUp = [this](TWinControl*, int& key, TShiftState) { keyRule(key); };
    fmemo->onExit = [this](Tmemo*) {
      if (onFinish) onFinish(this);
    };
    fmemo->OnClick = [this](TWinControl*) {
      if (onClick) onClick(this);
    };
  } else {
    fedit = std::make_unique<Tedit>(this);
    fedit->onChange = [this](Tedit*) { changeRule(); };
    auto arrows = fedit->OnKeyUp;
    fedit->OnKeyUp = [this, arrows](TWinControl* w, int& key, TShiftState s) {
      if (arrows) arrows(w, key, s);
      keyRule(key);
    };
    fedit->onExit = [this](Tedit*) {
      if (onFinish) onFinish(this);
    };
    // Enter finishes the typing (keyRule) rather than answering a dialog.
    fedit->keepsKey = [this](int vk) { return vk == VK_RETURN && onFinish; };
    fedit->OnClick = [this](TWinControl*) {
      if (onClick) onClick(this);
    };
  }
  button = std::make_unique<TQYbutton>(this);
  button->ch = 0x41;
  button->widthLimit = 0.6;
  button->autoSize = false;
  button->colour = TosDrawing::FadeColour(0x0000FF, 0xFFFFFF, 85);
  button->Hint = word("styles", "Pick characters");
  button->ShowHint = true;
  button->onClick = [this](TQYbutton*) { pickCharacter(); };
  OnResize = [this](TWinControl*) { layout(); };
  layout();
}

std::unique_ptr<TeditPlus> TeditPlus::fromPanel(TPanel* panel) {
  if (!panel || !panel->Parent()) return nullptr;
  const bool multi = panel->Height() > gp(36);
  auto e = std::make_unique<TeditPlus>(panel->Parent(), multi);
  int h = panel->Height();
  if (!multi) h = e->fedit->Height() + 1;
  e->SetBounds(panel->Left(), panel->Top(), panel->Width(), h);
  e->Anchors = panel->Anchors;
  panel->Hide();
  return e;
}

TeditPlus::~TeditPlus() = default;

std::string TeditPlus::text() const { return fmemo ? fmemo->text() : fedit->text(); }

void TeditPlus::setText(const std::string& s) {
  if (fmemo) {
    fmemo->setText(s);
    gutterChanged();
    return;
  }
  fedit->setText(s);
  if (!singleChar) checkValidity();
}

void TeditPlus::setFontsize(int v) {
  fsize = v;
  if (fmemo) {
    fmemo->setFontsize(v);
  } else {
    // The field's height follows its font.
    TCanvas& cv = TQYbutton::backCanvas();
    cv.Font.setName(programFace());
    cv.Font.setSize(v);
    fedit->SetHeight(cv.TextHeight("Ay") + gp(8));
    layout();
  }
}

void TeditPlus::setEnabled(bool v) {
  fenabled = v;
  if (fmemo) {
    fmemo->setEnabled(v);
    changeRule();
  } else {
    fedit->setEnabled(v);
  }
  if (withCharPick) button->setEnabled(v);
  SetEnabled(v);
}

void TeditPlus::setHighlitLine(int v) {
  if (v == fhighlit) return;
  fhighlit = v;
  Invalidate();
}

void TeditPlus::setStatus(int s) {
  if (s != -1 && s != 1) s = 0;
  fstatus = s;
  fvalid = s != -1;
  if (!fedit) return;
  switch (s) {
    case -1:
      fedit->FontColor = 0x0000A0;
      fedit->Color = 0xEBEBFF;
      break;
    case 1:
      fedit->FontColor = 0x00A000;
      fedit->Color = 0xEBFFEB;
      break;
    default:
      fedit->FontColor = 0;
      fedit->Color = clWhite;
      break;
  }
  fedit->Invalidate();
}

void TeditPlus::setWithLineNumbers(bool v) {
  flineNum = v && fmemo;
  layout();
  Invalidate();
}

int TeditPlus::gutterWidth() const { return flineNum ? gp(18) : 0; }

void TeditPlus::layout() {
  if (!button) return;
  const int W = Width(), H = Height();
  const int b = gp(10);
  if (fmemo) {
    const int h = gp(18);
    const int g = gutterWidth();
    fmemo->barBottomGap = h;
    fmemo->SetBounds(g, 0, std::max(W - g, 1), H);
    button->SetBounds(W - kBar, H - h, kBar, h);
    button->SetVisible(withCharPick);
    button->BringToFront();
    return;
  }
  int t = 0;
  if (pickList.count() > 0) {
    t = b;
    if (!tokenBut) {
      tokenBut = std::make_unique<TQYbutton>(this);
      tokenBut->option = 18;
      tokenBut->autoSize = false;
      tokenBut->Hint = word("general", "Pick predefined text");
      tokenBut->ShowHint = true;
      tokenBut->onClick = [this](TQYbutton*) { pickToken(); };
    }
  }
  const int eh = fedit->Height();
  if (Height() != eh) {
    SetHeight(eh);  // the control follows the field's height
    return;         // laid out again by the resize
  }
  if (withCharPick) {
    fedit->SetBounds(0, 0, std::max(W - b - t - customIndent, 1), eh);
    button->SetBounds(W - b - t - customIndent, 1, b, eh - 1);
    button->Show();
  } else {
    fedit->SetBounds(0, 0, std::max(W - t - customIndent, 1), eh);
    button->Hide();
  }
  if (tokenBut) {
    tokenBut->SetBounds(W - t - customIndent, 0, t, eh);
    tokenBut->SetVisible(t > 0);
  }
  Invalidate();
}

void TeditPlus::checkValidity() {
  if (!prohibited) return;
  const std::string t = text();
  if (!permitted.empty() && t == permitted) setStatus(1);
  else if (prohibited->indexOf(t) >= 0 && std::any_of(prohibited->lines().begin(), prohibited->lines().end(),
                                                      [&](const std::string& p) { return p == t; }))
    setStatus(-1);
  else if (emptyallowed || !t.empty()) setStatus(1);
  else setStatus(-1);
}

void TeditPlus::changeRule() {
  if (fmemo) gutterChanged();
  checkValidity();  // the colours follow the typing even while onFinish silences onChange
  if (!onChange || onFinish) return;
  fdelay.change(delay, [this] {
    if (onChange) onChange(this);
  });
}

void TeditPlus::keyRule(int key) {
  switch (key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END: return;
    default: break;
  }
  checkValidity();
  if (key == VK_RETURN) {
    if (fedit && onFinish && Parent() && Parent()->HandleAllocated()) desktop().setFocus(Parent()->Handle());
    if (fmemo) fmemo->Invalidate();
  }
}

void TeditPlus::gutterChanged() {
  if (!fmemo) return;
  if (flineNum && fmemo->TopLine() != ftopline) {
    ftopline = fmemo->TopLine();
    const TRect g = Rect(0, 0, gutterWidth(), Height());
    if (HandleAllocated()) desktop().invalidate(Handle(), &g);
  }
  ftopline = fmemo->TopLine();
}

void TeditPlus::insertAtCaret(const std::string& s) {
  if (fmemo) {
    fmemo->insertText(s);
    desktop().setFocus(fmemo->Handle());
  } else {
    fedit->insertText(s);
    desktop().setFocus(fedit->Handle());
  }
}

void TeditPlus::pickCharacter() {
  TcharPickLt picker(this);
  picker.fontsize = gp(30);
  picker.setFontname(programFace());
  if (picker.execute(button.get())) insertAtCaret(fromCodePoint(picker.result));
}

void TeditPlus::pickToken() {
  if (pickList.count() == 0 || !tokenBut) return;
  TlistBox lb(this);
  lb.Hide();
  for (int i = 0; i < pickList.count(); ++i) lb.add(pickList[i], i);
  if (lb.PopUp(tokenBut.get()) && !lb.result().empty()) insertAtCaret(lb.result());
}

void TeditPlus::Paint() {
  TQYcontrol::Paint();
  TCanvas& cv = Canvas();
  if (fmemo && flineNum) {
    const int g = gutterWidth(), lh = std::max(fmemo->lineHeight(), 1);
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = clWhite;
    cv.Pen.Color = 0;
    cv.Pen.Width = 1;
    cv.Rectangle(0, 0, g, Height());
    cv.Font.setName(programFace());
    cv.Font.setSize(fontSizeOf(7));
    cv.Font.Color = 0;
    cv.Handle()->setBkMode(BkMode::Transparent);
    for (int k = 0, y = 0; y < Height(); ++k, y += lh) {
      const int line = ftopline + k;
      if (line == fhighlit) {
        cv.Brush.Color = 0x00FFFF;
        cv.FillRect(Rect(1, y + 1, g - 1, y + lh));
      }
      cv.MoveTo(0, y + lh);
      cv.LineTo(g, y + lh);
      if (fontman) fontman->VCentredText(cv, gp(2), y, y + lh, std::to_string(line + 1));
    }
  }
  if (fedit && withCharPick && button->Visible()) {
    cv.Pen.Color = 0;
    const TRect r = button->BoundsRect();
    cv.MoveTo(r.Left, r.Top - 1);
    cv.LineTo(r.Right, r.Top - 1);
    cv.MoveTo(r.Left, r.Bottom);
    cv.LineTo(r.Right, r.Bottom);
  }
}
