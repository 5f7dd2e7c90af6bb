// r_comboBox: TcomboBox, the control set's drop-down list, a widget of our own: a face with the
// arrow button and a list that opens in a stay-on-top window of its own below the face (kept in
// the work area) and closes on a choice, Escape or a press outside it. Items carry integer ids;
// the list can be filled late (values, or onPopulate at each opening); it can be editable (an
// edit over the face while open), cumulative (typed entries join the list, a right click deletes
// one) and show a "various" marker.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/TQYcontrol.h"
#include "platform/TStringList.h"
#include "ui/r_QYcontrols.h"

class TdeadPanel;
class TeditPlus;
class TlistBox;

class TcomboBox : public TQYcontrol {
 public:
  using Notify = std::function<void(TcomboBox*)>;
  explicit TcomboBox(platform::TWinControl* owner);
  ~TcomboBox() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TComboBox"; }
  // Focused and closed: Up, Down, Page Up, Page Down, Home and End choose; Alt+Down (Alt+Up, F4)
  // opens the list. Open: those keys move the highlight, Enter (Alt+Up, F4) chooses, Escape closes.
  [[nodiscard]] bool keepsArrowKeys() const override { return true; }
  void keyDown(int key, platform::TShiftState);

  int add(const std::string& s, int32_t id);
  // Editable: the typed text becomes an item (when new) and is selected; its index.
  int addText();
  void AbandonEdit();

  [[nodiscard]] int count() const { return Items.count(); }
  [[nodiscard]] int32_t id(int i) const;
  [[nodiscard]] int32_t itemId() const;
  void setItemId(int32_t);
  [[nodiscard]] int itemIndex() const { return fitemIndex; }
  void setItemIndex(int);
  [[nodiscard]] std::string text() const;
  void setText(const std::string&);
  [[nodiscard]] std::string bartext() const;
  void setBartext(const std::string&);
  [[nodiscard]] bool various() const { return fvarious; }
  void setVarious(bool);
  [[nodiscard]] bool editable() const { return feditable; }
  void setEditable(bool);
  [[nodiscard]] bool withCharPick() const { return fwithCharPick; }
  void setWithCharPick(bool);
  [[nodiscard]] bool enabled() const { return fenabled; }
  void setEnabled(bool);
  [[nodiscard]] bool cumulative() const { return fcumulative; }
  void setCumulative(bool v) { fcumulative = v; }
  [[nodiscard]] bool sorted() const { return fsorted; }
  void setSorted(bool);
  void setFontColour(int32_t);
  void setTopIndex(int);

  // The list: open or closed, as the arrow does.
  [[nodiscard]] bool droppedDown() const;
  void dropDown();
  void closeUp();
  // The click rule of the combo's parts (the arrow, the marker, the edit, the face, a choice).
  void doClick(void* sender);
  void doresize();
  // The popup list while open (nullptr when closed).
  [[nodiscard]] TlistBox* list() const;
  [[nodiscard]] platform::TForm* listForm() const;

  TStringList Items;
  TStringList values;
  std::unique_ptr<TdeadPanel> varPanel, deadPanel;
  std::unique_ptr<Tbutton> downBut;
  std::unique_ptr<TeditPlus> editBox;
  int tag2 = -1;
  int over = 0;
  int fontsize = 0;
  std::string caption;
  Notify onCloseUp, onPopulate, onFinishEdit, onTextEdit, onChange, onClick, onItemsChanged;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  class Popup;
  void choose(int index);
  void sortItems();  // by text, case-insensitive and stable; the selection follows its item
  void doDropDown();
  void doCloseUp();
  void doFinishEdit();
  void deleteAsked(int index, platform::TPoint screen);
  void showText(const std::string&);
  void drawFace(platform::TCanvas&, platform::TRect);
  std::string ftext;
  int fitemIndex = -1;
  bool fcumulative = false, fwithCharPick = false, fsorted = false, fvarious = false, feditable = false,
       fenabled = true;
  int32_t ffontColour = 0;
  bool fbyKeyboard = false;  // the list is being closed by a key
  std::unique_ptr<Popup> fpopup;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
