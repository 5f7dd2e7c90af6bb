// r_popups: small modal popups of the control set on TmodalControl. TvalueEdit edits one number
// within a range (OK only while the text is such a number); TpopMessage2 asks a yes/no question
// or shows key = value lines on a maroon face; AreYouSure does the whole question in one call.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TStringList.h"
#include "ui/r_edit.h"
#include "ui/r_modal.h"

class TvalueEdit : public TmodalControl {
 public:
  TvalueEdit();
  ~TvalueEdit() override;
  // Opens with its top-left corner at the pointer, raised by half its height.
  int execute();
  // Reads the field: a valid number in range becomes `value` (when store); OK follows.
  void check(bool store = true);

  std::unique_ptr<Tedit> edit;
  double min = 0, max = 2147483647;
  double value = 0;
  int decplaces = 0;
  std::string units;

 protected:
  void Paint() override;
};

class TpopMessage2 : public TmodalControl {
 public:
  TpopMessage2();
  // True for Yes. A point with x below 1 centres the popup across the screen, one third down.
  bool areYouSure(int screenx, int screeny, const std::string& s);
  bool question(int screenx, int screeny, const std::string& s);
  // Beside a control: at its top right corner (centred without one).
  bool areYouSure(platform::TWinControl* c, const std::string& s);
  bool question(platform::TWinControl* c, const std::string& s);
  // Shows "key: value" lines until the popup is closed.
  void showKeyValueList(int screenx, int screeny, const TStringList& lines);

  const TStringList* list = nullptr;  // borrowed, while the list popup shows
  int x1 = 0;
  std::string title;  // the question's bold heading, drawn here in the text colour
  std::string caption;
  int32_t fontcolour = 0xFFFFFF;

 protected:
  void Paint() override;

 private:
  bool ask(int screenx, int screeny, const std::string& s, bool withTitle);
  [[nodiscard]] platform::TPoint besideControl(platform::TWinControl* c) const;
};

// Asks "Are you sure?" with the text; true for Yes.
bool AreYouSure(int screenx, int screeny, const std::string& text);
