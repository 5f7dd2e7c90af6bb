// Small drawing routines of the services object: colour fades, a bilinear colour sample, pixel
// writes into 24-bit bitmaps, pens with dash patterns, patterned fills and pixel-scaled marks.
// Colours are integers 0x00BBGGRR (red low); a negative colour is no colour. Percents run 0..100.
#pragma once
#include <cstdint>
#include <string>

#include "platform/canvas.h"

class TosDrawing {
 public:
  // ---- colours ----
  // round((target − value) × percent / 100 + value), kept within 0..255.
  [[nodiscard]] static uint8_t fadeByte(uint8_t value, uint8_t target, double percent);
  // Each of red, green, blue moved percent (clamped to 0..100) of the way to target; −1 when
  // target is negative.
  [[nodiscard]] static int32_t FadeColour(int32_t colour, int32_t target, double percent);
  // The same three bytes separately; a negative target is not tested.
  static void FadeColour(int32_t colour, int32_t target, double percent, uint8_t& r, uint8_t& g, uint8_t& b);
  // The base colour's light partner faded toward the base colour by 3x percent.
  [[nodiscard]] int32_t levelcolour(double x) const;
  // Bilinear sample at a fractional pixel; white outside the bitmap or without one. Continuous
  // wraps neighbours across the edges (an image that goes round the world).
  [[nodiscard]] static int32_t SmoothenColour(platform::TBitmap const* bm, double x, double y, bool continuous);

  // Pixel writes into a 24-bit bitmap; positions outside are ignored.
  static void setPixel24(platform::TBitmap& bm, int x, int y, uint8_t r, uint8_t g, uint8_t b);
  // Blends toward (r, g, b) by percent.
  static void setPixel24(platform::TBitmap& bm, int x, int y, uint8_t r, uint8_t g, uint8_t b, int percent);
  // The blend on raw bottom-up rows of rowLength bytes; the bitmap gives only the bounds.
  static void setPixel24(platform::TBitmap const& bm, uint8_t* bits, int rowLength, int x, int y, uint8_t r,
                         uint8_t g, uint8_t b, int percent);

  // ---- pens: values the caller selects into a context ----
  [[nodiscard]] static platform::TPenDesc dottedpen(int32_t colour);  // every other pixel
  // Dashes as long as the width, then gap; flat ends.
  [[nodiscard]] static platform::TPenDesc dottedpen(int32_t colour, int width, int gap);
  [[nodiscard]] static platform::TPenDesc dottedpensparse(int32_t colour, int gap) { return dottedpen(colour, 1, gap); }
  [[nodiscard]] static platform::TPenDesc dashpen(int32_t colour, int width, int dash, int gap);
  [[nodiscard]] static platform::TPenDesc dashDotPen(int32_t colour, int width, int dash, int dot, int gap);
  [[nodiscard]] static platform::TPenDesc solidpen(int32_t colour);
  [[nodiscard]] static platform::TPenDesc solidpen(int32_t colour, int width);  // round ends and joins
  [[nodiscard]] static platform::TPenDesc solidpenSquare(int32_t colour, int width);

  // ---- fills and outlines ----
  // A dotted outline of the box; leaves a solid brush style.
  static void dotBox(platform::TCanvas&, int32_t colour, platform::TRect box);
  // Cross-hatch of colour on backColour (the context's background colour, left set).
  static void NullFill(platform::TCanvas&, platform::TRect box, int32_t colour, int32_t backColour);
  static void NullFill(platform::TCanvas& canvas, platform::TRect box) { NullFill(canvas, box, 0xFFF0E1, 0xFFFAF0); }
  static void PaleFill(platform::TCanvas& canvas, platform::TRect box) { NullFill(canvas, box, 0xF5F5F5, 0xFFFFFF); }
  // Lines with the canvas pen every gap pixels, aligned across neighbouring boxes: 2 and 3
  // diagonals, 4 both, 5 verticals, 6 horizontals, 7 both; other codes draw nothing.
  static void drawHatch(platform::TCanvas&, platform::TRect box, int hatch, int gap);
  // A white page with a soft drop shadow on a hatched ground.
  static void drawPage(platform::TCanvas&, platform::TRect viewbox, platform::TRect page);

  // ---- marks (sizes pass through display scaling) ----
  static void tick(platform::TCanvas&, int x, int y);  // with the current pen
  // At the right end of a box, in the font colour; return the hit rectangle.
  static platform::TRect tick(platform::TCanvas&, platform::TRect box);
  static void anchor(platform::TCanvas&, int x, int y);
  static platform::TRect drawCloseCross(platform::TCanvas&, platform::TRect box, int semiwidth);
  static platform::TRect drawCloseCross(platform::TCanvas& canvas, platform::TRect box) {
    return drawCloseCross(canvas, box, 4);
  }
  enum class Open { No, Yes };
  static platform::TRect drawRightArrow(platform::TCanvas&, platform::TRect box, Open);
  static platform::TRect drawDownArrow(platform::TCanvas&, platform::TRect box, Open);
  // A small scale bar at the scale 1 : scale (isLL: the ground units are degrees); its length.
  int DrawMiniScaleBar(platform::TCanvas&, int x, int y, int maxwidth, double scale, bool isLL) const;
  int DrawMiniScaleBar(platform::TCanvas& canvas, int x, int y, int maxwidth, double scale) const {
    return DrawMiniScaleBar(canvas, x, y, maxwidth, scale, false);
  }
  // The label at the bar's end for a grid step g: degrees, metres below 2000, else kilometres.
  [[nodiscard]] static std::string MiniScaleBarLabel(double g, bool isLL);
  // The text and, when bracketvalue is not empty, "  [bracketvalue]" with the suffix in blue.
  static int TextWidthBracket(platform::TCanvas&, std::string const& value, std::string const& bracketvalue);
  static void TextOutBracket(platform::TCanvas&, int x, int y, std::string const& value,
                             std::string const& bracketvalue);
};
