// r_listBox: TlistBox, the control set's owner-drawn list, a widget of our own on the control
// base: lines with integer ids, fixed or measured heights, single, multiple and extended
// selection, a check-list mode with check-box glyphs, suffix texts, a hover line, a hatched fill
// below the last line, a scroll bar and the wheel, and a popup mode that shows the list as a
// modal chooser. Only the lines in view are drawn, so long lists stay quick.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "platform/TStringList.h"

class TQYdlg;

// The state a line is drawn in.
using TOwnerDrawState = uint32_t;
constexpr TOwnerDrawState odSelected = 1, odFocused = 2, odDisabled = 4;

enum class TselectMode { Single, Multiple, Extended };

class TlistBox : public TQYcontrol {
 public:
  using Notify = std::function<void(TlistBox*)>;
  using DrawItemEvent = std::function<void(TlistBox*, int index, TOwnerDrawState, platform::TRect)>;
  explicit TlistBox(platform::TWinControl* owner = nullptr);
  ~TlistBox() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TListBox"; }
  // A focused list moves its selection with the arrow keys.
  [[nodiscard]] bool keepsArrowKeys() const override { return true; }

  // ---- lines
  // Appends a line carrying the id; its index. The list itself may also be changed through Items.
  int add(const std::string& s, int32_t id);
  void clear();
  [[nodiscard]] int count() const { return Items.count(); }
  [[nodiscard]] int32_t id(int i) const;
  [[nodiscard]] int32_t itemId() const;  // -1 without a selection
  void setItemId(int32_t);               // none selected when no line carries it
  [[nodiscard]] int32_t selId() const { return itemId(); }
  [[nodiscard]] const std::string& result() const { return fresult; }
  void setResult(const std::string&);

  // ---- selection (from code: no event)
  [[nodiscard]] int itemIndex() const { return fitemIndex; }
  void setItemIndex(int);
  [[nodiscard]] bool selected(int i) const;
  void setSelected(int i, bool);
  [[nodiscard]] int selCount() const;
  TselectMode selectMode = TselectMode::Single;
  [[nodiscard]] bool asCheckList() const { return fcheckList; }
  void setAsCheckList(bool);
  [[nodiscard]] bool various() const { return fvarious; }
  void setVarious(bool);

  // ---- heights and scrolling
  [[nodiscard]] int itemHeight() const { return fitemHeight; }
  void setItemHeight(int);
  [[nodiscard]] bool variableHeight() const { return fvariable; }
  void setVariableHeight(bool);
  void reCalculateHeights();
  void resetHeight(int index, int height);
  [[nodiscard]] int heightOf(int i) const;
  [[nodiscard]] int topIndex() const { return ftop; }
  void setTopIndex(int);
  [[nodiscard]] platform::TRect itemRect(int i) const;  // relative to the list; empty when not in view
  [[nodiscard]] int itemAt(int x, int y) const;          // -1 where there is no line
  [[nodiscard]] int itemsInView() const;
  [[nodiscard]] int bottomIndex() const;
  void scrollIntoView();
  void centreOnSelected();
  void scrollToTop();  // 40 ms later
  [[nodiscard]] int NaturalHeight() const;
  [[nodiscard]] int NaturalWidth() const;
  void setbounds(int left, int top, int width, int height);
  [[nodiscard]] platform::TScrollBar* scrollBar() const { return fbar.get(); }

  // ---- drawing
  void DrawBackground();
  void defaultDraw(int index, platform::TRect box);

  // ---- popup use: the list as a modal chooser below a control or box
  bool PopUp(platform::TWinControl* c);
  bool PopUp(platform::TWinControl* c, int maxHeight);
  bool PopUp(const platform::TRect& box, int maxHeight);

  // ---- mouse and keys, in list coordinates (the window's handlers call them)
  void mouseDown(platform::TMouseButton, platform::TShiftState, int x, int y);
  void mouseMove(int x, int y);
  void mouseUp(platform::TMouseButton, platform::TShiftState, int x, int y);
  void mouseLeave();
  void keyDown(int key, platform::TShiftState);

  TStringList Items;
  TQYdlg* dlg = nullptr;
  int modalFlag = 0;
  bool incheck = false;
  bool supresspaint = false;
  int tag2 = 0;
  int mousex = 0, mousey = 0, downx = 0, downy = 0;
  int downIndex = -1;
  platform::TRect downRect;
  int over = -1;
  bool readonly = false, withNullFill = true, hideFocusRect = false, showItemindex = false;
  bool takesFocus = true;  // a drop-down's list leaves the focus where it is
  int32_t unselectColour = 0x0000FF, selectcolour = 0, selectFontColour = 0xFFFFFF;
  int fontsize = 0;
  Notify onChangeOver, onScroll, onMouseDown2, onMouseMove2, onMouseUp2, onMouseLeave2;
  DrawItemEvent onPostDrawItem;
  // The framework's events: a user's selection (click) and a line's height when measured.
  Notify onClick;
  std::function<int(TlistBox*, int index)> onMeasureItem;
  const TStringList* suffix = nullptr;  // borrowed

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void drawItem(platform::TCanvas&, int index, platform::TRect rect, TOwnerDrawState);
  void rowFill(platform::TCanvas&, int index, platform::TRect rect, TOwnerDrawState);
  void drawSuffix(platform::TCanvas&, int index, platform::TRect rect, int x, TOwnerDrawState);
  void invalidateItem(int i);
  void syncSize();
  void updateBar();
  void userSelect(int i, platform::TShiftState, bool fromMouse);
  bool flastByMouse = false;  // the last user selection was a press (a key only moves it)
  [[nodiscard]] int offsetOf(int i) const;  // pixels above line i (variable heights)
  [[nodiscard]] int viewHeight() const;
  [[nodiscard]] std::string fitText(const std::string&) const;

  std::string fresult;
  bool fcheckList = false, fvarious = false, fvariable = false;
  int fitemHeight = 18;
  int fitemIndex = -1;
  int fanchor = -1;
  int ftop = 0;
  std::vector<uint8_t> fsel;     // per line, sized with the list
  std::vector<int> fheights;     // variable style: per line
  std::unique_ptr<platform::TScrollBar> fbar;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
