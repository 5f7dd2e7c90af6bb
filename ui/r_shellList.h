// r_shellList: TShellListView, the file picker's list of one folder, a widget of our own on the
// control base over the file system: a report of name, size and date modified (a type column
// kept at width 0), folders first, an add-item hook that may keep an item out, whole-row single
// or multiple selection, item rectangles, scrolling by pixels, batch updates and the wheel.
// Only the rows in view are drawn; listing a folder stats only the items the hook keeps.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "platform/datetime.h"

namespace platform {
class TScrollBar;
}

// A file or folder name as it can be shown: bytes that are no UTF-8 and control characters
// (a newline in a name) become U+FFFD.
[[nodiscard]] std::string shellDisplayName(const std::string& name);

struct TshellItem {
  std::string name;     // as the file system has it
  std::string display;  // as shown
  bool folder = false;
  int64_t size = 0;
  platform::TDateTime modified = 0;  // local time
};

class TShellListView : public TQYcontrol {
 public:
  using Notify = std::function<void(TShellListView*)>;
  using AddItemEvent = std::function<void(TShellListView*, const TshellItem&, bool& canAdd)>;
  enum Column { colName = 0, colSize = 1, colType = 2, colDate = 3 };
  explicit TShellListView(platform::TWinControl* owner = nullptr);
  ~TShellListView() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TShellListView"; }
  // A focused list moves its selection with the arrow keys.
  [[nodiscard]] bool keepsArrowKeys() const override { return true; }

  // ---- the folder (from code: no event)
  [[nodiscard]] const std::string& root() const { return froot; }
  // Lists the folder through the add-item hook; false, with an empty list, when it cannot be
  // read. The selection is cleared and the list scrolled to its top.
  bool setRoot(const std::string& folder);
  // Lists the same folder again.
  bool Refresh();
  void clear();
  // Many changes at once: painted once at the last endUpdate.
  void beginUpdate();
  void endUpdate();

  // ---- items
  [[nodiscard]] int count() const { return static_cast<int>(fitems.size()); }
  [[nodiscard]] const TshellItem& item(int i) const { return fitems.at(static_cast<size_t>(i)); }
  [[nodiscard]] std::string fullPath(int i) const;  // empty out of range
  [[nodiscard]] std::string selectedPath() const;   // of the item index
  // The first item with that name, compared exactly; -1 when none.
  [[nodiscard]] int indexOf(const std::string& name) const;

  // ---- selection (from code: no event)
  bool multiSelect = false;
  [[nodiscard]] int itemIndex() const { return fitemIndex; }
  // Selects that item alone (-1: none).
  void setItemIndex(int);
  [[nodiscard]] bool selected(int i) const;
  void setSelected(int i, bool);
  [[nodiscard]] int selCount() const;
  void clearSelection();

  // ---- columns and geometry, in client pixels
  [[nodiscard]] int columnWidth(int column) const;
  void setColumnWidth(int column, int width);
  [[nodiscard]] int itemHeight() const { return fitemHeight; }
  [[nodiscard]] int topIndex() const { return ftop; }
  void setTopIndex(int);
  // The platform's Scroll: dy pixels down, taken in whole rows.
  void scrollBy(int dy);
  [[nodiscard]] int itemsInView() const;
  // The item's row (empty when not in view).
  [[nodiscard]] platform::TRect itemRect(int i) const;
  [[nodiscard]] int itemAt(int x, int y) const;
  void makeVisible(int i);
  [[nodiscard]] platform::TScrollBar* scrollBar() const { return fbar.get(); }

  // ---- mouse and keys, in client pixels (the window's handlers call them)
  void mouseDown(platform::TMouseButton, platform::TShiftState, int x, int y);
  void keyDown(int key, platform::TShiftState);

  bool readOnly = false;
  int32_t fontColour = 0;
  int fontsize = 0;  // points; 0 for the program's size
  AddItemEvent onAddItem;
  // A user's choice (mouse or keys).
  Notify onClick;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void invalidateItem(int i);
  void updateBar();
  void changed();
  void userSelect(int i, platform::TShiftState);
  [[nodiscard]] platform::TRect viewRect() const;

  std::string froot;
  std::vector<TshellItem> fitems;
  std::vector<uint8_t> fsel;
  int fitemIndex = -1;
  int fanchor = -1;
  int ftop = 0;
  int fitemHeight = 18;
  int fupdating = 0;
  int fwidths[4] = {200, 80, 0, 104};
  std::unique_ptr<platform::TScrollBar> fbar;
};
