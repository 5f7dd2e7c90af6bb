// r_charPick: TcharPickLt, the "Choose character" grid of every character a font has, with a
// vertical scroll bar; shown in a dialog below a button, a click on a character chooses it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "ui/r_QYcontrols.h"
#include "platform/canvas.h"

class TQYdlg;

class TcharPickLt : public TCustomControl {
 public:
  using Notify = std::function<void(TcharPickLt*)>;
  explicit TcharPickLt(platform::TWinControl* owner);
  ~TcharPickLt() override;

  [[nodiscard]] const std::string& fontname() const { return ffont; }
  void setFontname(const std::string& name);
  // Shows the grid in a dialog below the button (or the screen box); true when one was chosen.
  bool execute(platform::TWinControl* but);
  bool execute(const platform::TRect& box);
  // Lays the grid out for the control's size (the resize handler).
  void layout();
  void redraw();
  // The character index under a grid point, -1 where none is.
  [[nodiscard]] int indexAt(int x, int y) const;
  void pickAt(int x, int y);
  [[nodiscard]] const platform::TBitmap& grid() const { return bm; }

  TQYdlg* dlg = nullptr;
  std::vector<int32_t> a;
  std::unique_ptr<platform::TScrollBar> scroll;
  int targetcolwidth = 17;
  int rowheight = 20;
  int colwidth = 1;
  int cols = 1;
  int rows = 0;
  int start = 0;
  char32_t result = 0;
  Notify onClick;
  int fontsize = 16;

 protected:
  void Paint() override;

 private:
  std::string ffont;
  platform::TBitmap bm, bm1;
};
