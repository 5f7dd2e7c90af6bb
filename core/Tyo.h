// Tyo: the library's message box, a borderless stay-on-top window with a coloured background, a
// word-wrapped text and up to three flat buttons at its bottom right; it can be dragged and any
// key closes it. The module routines yo, confirm and errmsg show the common kinds; winYo is the
// platform's own box for where a form cannot be used; beep plays the program's beep.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/r_base.h"
#include "platform/controls.h"

// Result codes of a box.
constexpr int yo_first = 1;   // the first button (OK, Yes)
constexpr int yo_second = 2;  // the second button, a right click or any key
constexpr int yo_third = 7;   // the third button

class Tyo : public platform::TForm {
 public:
  Tyo();
  [[nodiscard]] std::string frameworkClass() const override { return "Tyo"; }

  // Passes the text to the label and sizes the box around it.
  void setcaption(std::string const& text);
  [[nodiscard]] std::string const& caption() const { return labelText; }
  // Shows the box modally and answers 1, 2 or 7.
  int ShowModal();
  // Whether the answer came from a button (not from a key or a right click).
  [[nodiscard]] bool answeredByButton() const { return fbyButton; }

  platform::TRect box1, box2, box3;
  std::string cap1, cap2, cap3;
  std::string fcaption;  // declared for the caption property; the text lives in the label
  int downx = 0, downy = 0;
  bool dragging = false;
  bool gonedown = false;
  int32_t colour = 0xFFFFFF;
  int32_t fontcolour = 0;
  int labelwidth = 240;
  // The label: its text, wrapped lines and box in form pixels.
  std::string labelText;
  std::vector<std::string> labelLines;
  platform::TRect labelBox;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void layoutButtons();
  void answer(int code, bool byButton);
  [[nodiscard]] int labelFontSize() const;
  bool fbyButton = false;
};

// Tests and tools answer boxes instead of showing them: when set, ShowModal calls it and returns
// its answer (the box is laid out first).
extern std::function<int(Tyo&)> yoRecorder;
extern bool yoActive;

void yo(std::string const& text);
bool confirm(std::string const& text, int left, int top);
// The error box: its copy button puts the text on the clipboard.
void errmsg(std::string const& text);
void errmsg(TtrailSource const* sender, std::string const& text);
// The platform's own box, captioned appTitle.
void winYo(std::string const& text);
void beep();
void YoNumbers(std::string const& text, std::vector<double> const& numbers);
void Numbers(std::vector<double> const& numbers);
// Decimals needed to show x with at most maxplaces (0 for whole numbers); st writes x that way.
int getdecplaces(double x, int maxplaces);
std::string st(double x);
