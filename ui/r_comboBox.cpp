// The control set's drop-down list. The open list is a copy of the items made at opening, shown
// in its own window; a choice is taken by index back into the items, clamped to what is there
// then, so items that change while it is open do no harm.
#include "ui/r_comboBox.h"

#include <algorithm>

#include "core/Tyo.h"
#include "core/os_text.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_editPlus.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_slider.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kArrow = 17;     // the system's scroll-arrow width (SM_CXVSCROLL)
constexpr int kMaxRows = 12;   // rows an open list shows before it scrolls
constexpr TColor kFocusFace = 0xD77800;  // the selection colour behind a focused combo's text
constexpr int kF4 = VK_F1 + 3;  // opens and closes the list, as Alt+Down does
int itemSizeOf(int fontsize) { return fontsize > 0 ? fontsize : fontSize(); }
}  // namespace

// The open list: a stay-on-top window with the list, and the hook that closes it on Escape or a
// press anywhere outside it.
class TcomboBox::Popup : public TForm {
 public:
  explicit Popup(TcomboBox* owner) : fowner(owner) {
    StayOnTop = true;
    ShowInTaskBar = false;  // and it never takes the keyboard focus (CreateParams)
    Color = clWhite;
    flist = std::make_unique<TlistBox>(this);
    flist->withNullFill = false;
    flist->takesFocus = false;
    flist->fontsize = owner->fontsize;
  }
  ~Popup() override { unhook(); }

  void open(TRect face) {
    TlistBox& l = *flist;
    l.clear();
    for (int i = 0; i < fowner->Items.count(); ++i) l.add(fowner->Items[i], fowner->id(i));
    l.setItemIndex(fowner->fitemIndex);
    const int rows = std::clamp(l.count(), 1, kMaxRows);
    const int h = rows * l.itemHeight() + 4;
    const TRect work = workAreaAt(TPoint{face.Left, face.Bottom});
    int top = face.Bottom;
    if (top + h > work.Bottom && face.Top - h >= work.Top) top = face.Top - h;  // above when no room below
    top = std::clamp(top, work.Top, std::max(work.Top, work.Bottom - h));
    const int left = std::clamp(face.Left, work.Left, std::max(work.Left, work.Right - face.width()));
    SetBounds(left, top, face.width(), h);
    l.SetBounds(0, 0, face.width(), h);
    l.scrollIntoView();
    std::weak_ptr<bool> alive = fowner->falive;
    l.onClick = [this, alive](TlistBox* lb) {
      if (auto a = alive.lock(); a && *a) fowner->choose(lb->itemIndex());
    };
    l.onMouseUp2 = nullptr;
    l.OnMouseUp = [this, alive](TWinControl*, TMouseButton b, TShiftState s, int x, int y) {
      if (auto a = alive.lock(); !a || !*a) return;
      if (b == mbRight && fowner->fcumulative) {
        const int i = flist->itemAt(x, y);
        if (i >= 0) fowner->deleteAsked(i, flist->ClientToScreen(TPoint{x, y}));
        return;
      }
      flist->mouseUp(b, s, x, y);
    };
    Show();
    BringToFront();
    hook();
  }
  void close() {
    unhook();
    Hide();
  }
  [[nodiscard]] TlistBox& list() { return *flist; }

 protected:
  void CreateParams(TCreateParams& p) override {
    TForm::CreateParams(p);
    p.style |= WS_EX_NOACTIVATE;
  }
  LRESULT WndProc(TMsg& m) override {
    // The program lost the desktop: the list must not stay over the program now in front.
    if (m.message == WM_ACTIVATEAPP && m.wParam == 0 && Visible()) fowner->closeUp();
    return TForm::WndProc(m);
  }

 private:
  void hook() {
    if (fhooked) return;
    fhooked = true;
    fprev = desktop().hook;
    std::weak_ptr<bool> alive = fowner->falive;
    // Closing the list puts the previous hook back from inside this one: nothing captured is
    // touched after the filter, only local copies.
    desktop().hook = [self = this, alive, prev = fprev](TMsg& m, bool& handled) {
      const auto next = prev;
      if (auto a = alive.lock(); a && *a && self->Visible()) self->filter(m, handled);
      if (!handled && next) next(m, handled);
    };
  }
  void unhook() {
    if (!fhooked) return;
    fhooked = false;
    if (hasDesktop()) desktop().hook = fprev;
  }
  void filter(TMsg& m, bool& handled) {
    const bool press = m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN || m.message == WM_MBUTTONDOWN ||
                       m.message == WM_LBUTTONDBLCLK;
    const bool mine = HandleAllocated() && desktop().isWindow(m.hwnd) && desktop().topLevel(m.hwnd) == Handle();
    if (press && !mine) {
      const bool onArrow = fowner->downBut && m.hwnd == fowner->downBut->handleIfAllocated();
      const bool onEdit = fowner->editBox && fowner->editBox->Visible() && fowner->editBox->HandleAllocated() &&
                          desktop().isWindow(m.hwnd) && (m.hwnd == fowner->editBox->edit()->handleIfAllocated());
      if (onEdit) return;
      fowner->closeUp();
      handled = !onArrow;  // the press that closes the list does nothing else, but on the arrow
      return;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      handled = true;
      if (fowner->feditable) fowner->AbandonEdit();
      fowner->fbyKeyboard = true;
      fowner->closeUp();
      fowner->fbyKeyboard = false;
      return;
    }
    const int key = static_cast<int>(m.wParam);
    const bool alt = (m.lParam & KF_ALTHELD) != 0;
    const bool closing = key == VK_RETURN || key == kF4 || (alt && (key == VK_UP || key == VK_DOWN));
    const int to = controlset::navigatedIndex(key, flist->itemIndex(), flist->count(), kMaxRows - 1);
    if ((m.message == WM_KEYDOWN || m.message == WM_KEYUP) && !fowner->feditable && (closing || to != -2)) {
      handled = true;
      if (m.message == WM_KEYUP) return;
      if (closing) {
        // The highlighted line is the choice; the focus stays with the combo.
        fowner->fbyKeyboard = true;
        fowner->choose(flist->itemIndex());
        fowner->fbyKeyboard = false;
      } else if (to >= 0) {
        // The highlight moves; nothing is chosen until Enter.
        flist->setItemIndex(to);
        flist->scrollIntoView();
      }
      return;
    }
    if (m.message == WM_MOUSEWHEEL) {
      handled = true;
      flist->Perform(WM_MOUSEWHEEL, m.wParam, m.lParam);
    }
  }
  TcomboBox* fowner;
  std::unique_ptr<TlistBox> flist;
  std::function<void(TMsg&, bool&)> fprev;
  bool fhooked = false;
};

TcomboBox::TcomboBox(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  TabStop = true;
  SetBounds(Left(), Top(), gp(100), gp(16) + 4);
  downBut = std::make_unique<Tbutton>(this);
  downBut->option = 6;
  downBut->widthLimit = 0.6;
  downBut->autoSize = false;
  downBut->TabStop = false;  // the combo is the stop
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  downBut->onClick = [this](TQYbutton* b) { doClick(b); };
  deadPanel = std::make_unique<TdeadPanel>(this);
  deadPanel->OnClick = [this](TWinControl* p) { doClick(p); };
  deadPanel->Hide();
  OnClick = [this](TWinControl*) { doClick(deadPanel.get()); };
  OnResize = [this](TWinControl*) { doresize(); };
  doresize();
}

TcomboBox::~TcomboBox() {
  *falive = false;
  fpopup.reset();
}

// ---- items --------------------------------------------------------------------------------------

int TcomboBox::add(const std::string& s, int32_t itemid) {
  int i = count();
  if (fsorted) {
    // After every item that does not sort behind it, as a sorted list of the platform inserts.
    while (i > 0 && compareNoCase(Items[i - 1], s) > 0) --i;
    Items.insert(i, s, reinterpret_cast<void*>(static_cast<intptr_t>(itemid)));
    if (fitemIndex >= i) ++fitemIndex;
  } else {
    i = TosText::addListID(Items, s, itemid);
  }
  Invalidate();
  return i;
}

void TcomboBox::sortItems() {
  std::vector<int> order(static_cast<size_t>(count()));
  for (int k = 0; k < count(); ++k) order[static_cast<size_t>(k)] = k;
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return compareNoCase(Items[a], Items[b]) < 0; });
  TStringList sorted;
  int selected = -1;
  for (int k : order) {
    if (k == fitemIndex) selected = sorted.count();
    sorted.add(Items[k], Items.object(k));
  }
  Items.clear();
  for (int k = 0; k < sorted.count(); ++k) Items.add(sorted[k], sorted.object(k));
  fitemIndex = selected;
}

int32_t TcomboBox::id(int i) const { return i >= 0 && i < count() ? TosText::ListID(Items, i) : -1; }
int32_t TcomboBox::itemId() const { return id(fitemIndex); }

void TcomboBox::setItemId(int32_t v) {
  const int i = TosText::ListIndexOfID(Items, v);
  if (i >= 0) setItemIndex(i);
}

void TcomboBox::setItemIndex(int i) {
  if (i >= count()) i = count() > 0 ? 0 : -1;
  if (i < -1) i = -1;
  fitemIndex = i;
  if (editBox) {
    ftext = i >= 0 ? Items[i] : std::string();
    showText(ftext);
    editBox->setText(ftext);
  }
  Invalidate();
}

std::string TcomboBox::text() const {
  if (feditable) return ftext;
  return fitemIndex >= 0 && fitemIndex < count() ? Items[fitemIndex] : std::string();
}

void TcomboBox::showText(const std::string& s) {
  deadPanel->Caption = " " + s;
  deadPanel->Invalidate();
}

void TcomboBox::setText(const std::string& v) {
  ftext = v;
  showText(v);
  if (feditable) {
    closeUp();
    fitemIndex = Items.indexOf(v) >= 0 && Items[Items.indexOf(v)] == v ? Items.indexOf(v) : -1;
    if (editBox) editBox->setText(v);
    doresize();
  } else {
    int i = -1;
    for (int k = 0; k < count() && i < 0; ++k)
      if (Items[k] == v) i = k;
    if (i < 0) i = count() > 0 ? 0 : -1;  // a text that is no item shows the first item
    fitemIndex = i;
    ftext = i >= 0 ? Items[i] : std::string();
  }
  Invalidate();
}

std::string TcomboBox::bartext() const {
  std::string s;
  for (int i = 0; i < count(); ++i) s += (i ? "\n" : "") + Items[i];
  return TosText::Bartext(s);
}

void TcomboBox::setBartext(const std::string& v) {
  if (v.empty()) return;  // no text changes nothing
  Items.clear();
  std::string cur;
  for (char c : TosText::deBarText(v)) {
    if (c == '\r') continue;
    if (c == '\n') {
      Items.add(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  Items.add(cur);
  if (fitemIndex >= count()) fitemIndex = -1;
  if (fsorted) sortItems();
  Invalidate();
}

void TcomboBox::setVarious(bool v) {
  fvarious = v;
  if (v && !varPanel) {
    fitemIndex = -1;
    varPanel = std::make_unique<TdeadPanel>(this);
    varPanel->faceColour = varColour;
    varPanel->fontColour = 0x000080;
    varPanel->Caption = "  " + word("general", "Various");
    varPanel->OnClick = [this](TWinControl* p) { doClick(p); };
  } else if (!v) {
    varPanel.reset();
  }
  doresize();
  Invalidate();
}

void TcomboBox::setEditable(bool v) {
  feditable = v;
  if (v && !editBox) {
    editBox = std::make_unique<TeditPlus>(this);
    if (fontsize > 0) editBox->setFontsize(fontsize);
    editBox->withCharPick = fwithCharPick;
    editBox->edit()->FontColor = static_cast<TColor>(ffontColour);
    auto inner = editBox->edit();
    auto own = inner->onChange;
    inner->onChange = [this, own](Tedit* e) {
      if (own) own(e);
      doClick(e);
    };
    editBox->onFinish = [this](TeditPlus*) { doFinishEdit(); };
    editBox->Hide();
  }
  doresize();
}

void TcomboBox::setWithCharPick(bool v) {
  fwithCharPick = v;
  if (editBox) {
    editBox->withCharPick = v;
    editBox->layout();
  }
}

void TcomboBox::setEnabled(bool v) {
  fenabled = v;
  SetEnabled(v);
  if (editBox) editBox->setEnabled(v);
  Invalidate();
}

void TcomboBox::setSorted(bool v) {
  fsorted = v;
  // The items keep their ids and the selection its item.
  if (v) sortItems();
  Invalidate();
}

void TcomboBox::setFontColour(int32_t c) {
  if (c == 0xFFFFFF) c = 0;  // white is taken as black
  ffontColour = c;
  if (editBox) editBox->edit()->FontColor = static_cast<TColor>(c);
  Invalidate();
}

void TcomboBox::setTopIndex(int v) {
  if (fpopup) fpopup->list().setTopIndex(v);
}

// ---- layout and drawing -------------------------------------------------------------------------

void TcomboBox::doresize() {
  const int W = Width(), H = Height();
  if (varPanel) {
    varPanel->SetBounds(1, 1, std::max(W - kArrow - 4, 1), std::max(H - 3, 1));
    varPanel->BringToFront();
  }
  deadPanel->SetBounds(1, 1, std::max(W - kArrow - 4, 1), std::max(H - 3, 1));
  deadPanel->SetVisible(feditable);
  downBut->SetBounds(W - kArrow - 4, 1, kArrow + 2, std::max(H - 3, 1));
  if (Items.count() == 0 && values.count() > 0) {
    for (int i = 0; i < values.count(); ++i) Items.add(values[i], values.object(i));
    if (fsorted) sortItems();
  }
}

void TcomboBox::drawFace(TCanvas& cv, TRect r) {
  cv.Font.setName(programFace());
  cv.Font.setSize(itemSizeOf(fontsize));
  cv.Brush.Style = bsSolid;
  if (!fenabled) {
    cv.Brush.Color = 0xDCDCDC;
    cv.Font.Color = 0x808080;
  } else {
    cv.Brush.Color = clWhite;
    cv.Font.Color = static_cast<TColor>(ffontColour);
  }
  cv.FillRect(r);
  if (fenabled && !feditable && !droppedDown() && HandleAllocated() && hasDesktop() && desktop().focus() == Handle()) {
    // Focused and closed: the chosen text stands on the selection colour, as the platform's does.
    cv.Brush.Color = kFocusFace;
    cv.FillRect(Rect(r.Left + 2, r.Top + 2, std::max(r.Left + 2, r.Right - kArrow - 5), r.Bottom - 2));
    cv.Font.Color = clWhite;
  }
  cv.Handle()->setBkMode(BkMode::Transparent);
  const std::string t = fitemIndex >= 0 && fitemIndex < count() ? Items[fitemIndex] : ftext;
  if (fontman) fontman->VCentredText(cv, gp(4), r.Top, r.Bottom, t);
  else cv.TextOut(gp(4), r.Top, t);
}

void TcomboBox::Paint() {
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  drawFace(cv, ClientRect());
  cv.Pen.Color = 0xA0A0A0;
  cv.Brush.Style = bsClear;
  cv.Rectangle(0, 0, Width(), Height());
  cv.Brush.Style = bsSolid;
}

// ---- the list -----------------------------------------------------------------------------------

bool TcomboBox::droppedDown() const { return fpopup && fpopup->Visible(); }
TlistBox* TcomboBox::list() const { return droppedDown() ? &fpopup->list() : nullptr; }
TForm* TcomboBox::listForm() const { return fpopup.get(); }

void TcomboBox::dropDown() {
  if (droppedDown() || !fenabled) return;
  if (!feditable && HandleAllocated() && hasDesktop()) desktop().setFocus(Handle());
  doDropDown();
  if (!fpopup) fpopup = std::make_unique<Popup>(this);
  const TPoint p = ClientToScreen(TPoint{0, 0});
  fpopup->open(Bounds(p.X, p.Y, Width(), Height()));
  if (feditable && editBox) {
    editBox->SetBounds(0, 0, std::max(Width() - kArrow - 4, 1), gp(20));
    editBox->setText(ftext);
    editBox->Show();
    editBox->BringToFront();
    if (editBox->edit()->HandleAllocated()) desktop().setFocus(editBox->edit()->Handle());
  }
}

void TcomboBox::closeUp() {
  if (!droppedDown()) return;
  fpopup->close();
  doCloseUp();
}

void TcomboBox::doDropDown() {
  if (onPopulate) onPopulate(this);
  doresize();
}

void TcomboBox::doCloseUp() {
  if (feditable) {
    downBut->Tag = 0;
    const TPoint at = desktop().cursorPos();
    const HWND under = desktop().windowFromPoint(at);
    const bool onEdit = editBox && editBox->edit()->handleIfAllocated() == under;
    if (!onEdit) {
      if (editBox) {
        const std::string t = fitemIndex >= 0 && fitemIndex < count() ? Items[fitemIndex] : editBox->text();
        ftext = t;
        showText(t);
        editBox->Hide();
      }
      if (Parent() && Parent()->HandleAllocated()) desktop().setFocus(Parent()->Handle());
      // The press on the arrow that closed the list must not open it again.
      if (under != 0 && under == downBut->handleIfAllocated()) downBut->Tag = 1;
    }
  } else if (!fbyKeyboard && Parent() && Parent()->HandleAllocated()) {
    // Closed by the keyboard the combo keeps the focus, so that the keys go on reaching it.
    desktop().setFocus(Parent()->Handle());
  }
  Invalidate();
  if (onCloseUp) onCloseUp(this);
}

void TcomboBox::keyDown(int key, TShiftState s) {
  if (!fenabled || droppedDown()) return;
  if (key == kF4 || ((s & ssAlt) && (key == VK_DOWN || key == VK_UP))) {
    dropDown();
    return;
  }
  // Closed, the keys step through the items as a choice each.
  const int to = controlset::navigatedIndex(key, fitemIndex, count(), 1);
  if (to < 0 || to == fitemIndex) return;
  varPanel.reset();
  fvarious = false;
  fitemIndex = to;
  ftext = Items[to];
  if (editBox) {
    editBox->setText(ftext);
    showText(ftext);
  }
  Invalidate();
  if (onClick) onClick(this);
}

void TcomboBox::choose(int index) {
  closeUp();
  // The items may have changed while the list was open.
  if (index >= count()) index = count() - 1;
  fitemIndex = index;
  varPanel.reset();
  fvarious = false;
  ftext = index >= 0 ? Items[index] : std::string();
  if (editBox) {
    editBox->setText(ftext);
    showText(ftext);
  }
  Invalidate();
  if (onClick) onClick(this);
}

void TcomboBox::doClick(void* sender) {
  if (sender == downBut.get()) {
    if (downBut->Tag == 1) {
      downBut->Tag = 0;
      return;
    }
    droppedDown() ? closeUp() : dropDown();
    return;
  }
  if (varPanel && sender == varPanel.get()) {
    droppedDown() ? closeUp() : dropDown();
    return;
  }
  if (editBox && sender == editBox->edit()) {
    ftext = editBox->text();
    showText(ftext);
    if (onTextEdit) onTextEdit(this);
    return;
  }
  if (sender == deadPanel.get()) {
    if (feditable) dropDown();
    else droppedDown() ? closeUp() : dropDown();
  }
}

int TcomboBox::addText() {
  if (!feditable || !editBox) return fitemIndex;
  const std::string t = editBox->text();
  ftext = t;
  editBox->Hide();
  if (Parent() && Parent()->HandleAllocated()) desktop().setFocus(Parent()->Handle());
  if (fpopup) fpopup->close();
  int i = -1;
  for (int k = 0; k < count() && i < 0; ++k)
    if (Items[k] == t) i = k;
  if (i < 0) i = Items.add(t);
  fitemIndex = i;
  showText(t);
  return i;
}

void TcomboBox::AbandonEdit() {
  if (!editBox) return;
  const bool focused = editBox->edit()->HandleAllocated() && desktop().focus() == editBox->edit()->Handle();
  if (!focused) return;
  editBox->Hide();
  if (Parent() && Parent()->HandleAllocated()) desktop().setFocus(Parent()->Handle());
  if (fpopup) fpopup->close();
  downBut->Tag = 0;
}

void TcomboBox::doFinishEdit() {
  if (!editBox) return;
  const std::string t = editBox->text();
  ftext = t;
  showText(t);
  if (onFinishEdit) onFinishEdit(this);
  editBox->Hide();
  if (Parent() && Parent()->HandleAllocated()) desktop().setFocus(Parent()->Handle());
  if (fpopup) fpopup->close();
  bool isItem = false;
  for (int k = 0; k < count() && !isItem; ++k) isItem = Items[k] == t;
  if (fcumulative && !isItem && !t.empty()) {
    Items.add(t);
    // Numbers first, ascending; the other entries after them.
    if (os) os->numberSort(&Items, fsorted);
    if (onItemsChanged) onItemsChanged(this);
    for (int k = 0; k < count(); ++k)
      if (Items[k] == t) fitemIndex = k;
  }
  downBut->Tag = 0;
  Invalidate();
  if (onChange) onChange(this);
}

void TcomboBox::deleteAsked(int index, TPoint screen) {
  if (index < 0 || index >= count()) return;
  if (!confirm("delete \"" + Items[index] + "\"", screen.X, screen.Y)) return;
  const bool wasSelected = index == fitemIndex;
  Items.remove(index);
  if (fpopup) fpopup->list().Items.remove(index);
  if (wasSelected) fitemIndex = count() > 0 ? 0 : -1;
  else if (fitemIndex > index) --fitemIndex;
  if (fpopup) fpopup->list().Invalidate();
  Invalidate();
  if (onItemsChanged) onItemsChanged(this);
}

LRESULT TcomboBox::WndProc(TMsg& m) {
  switch (m.message) {
    case WM_MOUSEWHEEL:
      // Never changes the choice of a closed list.
      if (droppedDown()) fpopup->list().Perform(m.message, m.wParam, m.lParam);
      return 1;
    case wm_rescale:
      SetHeight(gp(16) + 4);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();  // the focused face
      break;
    default: break;
  }
  return TQYcontrol::WndProc(m);
}
