// r_wordWrap: TwordWrapLite lays a text out character by character into a width on a canvas,
// with line spacing, paragraph space, an indent after paragraph breaks and a hanging indent after
// wraps, and keeps every placed character, so that height and widest line are known before it is
// drawn. "||" in the text is a paragraph break.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

struct charRec {
  char32_t ch = 0;
  int x = 0, y = 0;  // relative to the text's top-left
  int w = 0;         // advance width
};

class TwordWrapLite {
 public:
  // Held paragraph breaks read back as "||".
  [[nodiscard]] std::string value() const;
  // Builds the characters and lays them out on the canvas in its current font.
  void setValue(const std::string& text);
  void draw(int x, int y);

  [[nodiscard]] int width() const { return fwidth; }
  void setWidth(int v) { fwidth = v; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int actualWidth() const { return factualwid; }
  [[nodiscard]] double linespacing() const { return fspace; }
  void setLinespacing(double v) { fspace = v; }
  [[nodiscard]] const std::vector<charRec>& chars() const { return a; }

  bool issmall = false;
  platform::TCanvas* canvas = nullptr;  // borrowed; set by the caller
  int hangingIndent = 0;
  int paraSpace = 0;
  int Indent = 0;
  int32_t fontColour = 0;

 private:
  void layout();
  std::vector<charRec> a;
  int fwidth = 0;
  int fheight = 0;
  int factualwid = 0;
  double fspace = 1.0;
};
