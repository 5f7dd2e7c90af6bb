// Shapes, text output, box hit tests and bits of the services object: a smoothed ellipse,
// polylines and polygons of one or several rings (opaque or tinted), text that bypasses the
// framework's text processing, the partial-redraw hook of a view, and named edge codes.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/canvas.h"

class Tview;

// Box hit codes: a code is the sum of the parts that apply.
constexpr int32_t boxhit_none = 0;
constexpr int32_t boxhit_inside = 1;
constexpr int32_t boxhit_left = 2;
constexpr int32_t boxhit_top = 4;
constexpr int32_t boxhit_topleft = 6;
constexpr int32_t boxhit_right = 8;
constexpr int32_t boxhit_topright = 12;
constexpr int32_t boxhit_bottom = 16;
constexpr int32_t boxhit_bottomleft = 18;
constexpr int32_t boxhit_bottomright = 24;
constexpr int32_t boxhit_alledges = 30;
constexpr int32_t boxhit_anchor = 32;  // for callers that test an anchor handle themselves

class TosShapes {
 public:
  TosShapes();
  ~TosShapes();
  TosShapes(TosShapes const&) = delete;
  TosShapes& operator=(TosShapes const&) = delete;

  // ---- shapes ----
  // An ellipse in the bounding box with the canvas pen and brush, drawn twice the size over a
  // copy of the background and shrunk back with halftone stretching.
  void Ellipse(platform::TCanvas&, int x1, int y1, int x2, int y2);
  // Several ring lengths: all rings at once (holes for polygons); otherwise one ring of all points.
  static void polyline(platform::TDeviceContext&, std::span<const platform::TPoint>, std::span<const int32_t> polys);
  static void polygon(platform::TDeviceContext&, std::span<const platform::TPoint>, std::span<const int32_t> polys);
  static void polyline(platform::TCanvas&, std::span<const platform::TPoint>, std::span<const int32_t> polys);
  static void polygon(platform::TCanvas&, std::span<const platform::TPoint>, std::span<const int32_t> polys);
  // Opacity above 99: opaque. Otherwise the inside is tinted with the brush colour at opacity
  // within the points' bounds and clip, and the outline drawn with the pen (open unless the
  // last point repeats the first). Without a clip, the canvas's visible area.
  void polygon(platform::TCanvas&, std::span<const platform::TPoint>, std::span<const int32_t> polys, int opacity);
  void polygon(platform::TCanvas&, platform::TRect clip, std::span<const platform::TPoint>,
               std::span<const int32_t> polys, int opacity);

  // ---- text ----
  // A font height for which the capitals (no internal leading) are h pixels, times a factor
  // for a few faces.
  static void setTextHeight(platform::TCanvas&, int h);
  // The whole text with the context's alignment, colours and background mode.
  static void textOut(platform::TCanvas&, int x, int y, std::string const& s);
  // Pieces cut at every carriage return and "|", each a font height further down.
  static void textOutMultiline(platform::TCanvas&, int x, int y, std::string const& s);
  // One character of a UTF-16 code in the font, transparent; the font name is put back.
  static void CharOut(platform::TCanvas&, std::string const& fontname, int x, int y, uint16_t code);
  static void CharOut(platform::TCanvas& canvas, int x, int y, uint16_t code) { CharOut(canvas, "Arial", x, y, code); }

  // ---- views ----
  // Shows the view's bitmap through onPartialDraw at most every 500 ms.
  void partialDraw(Tview const& view);
  std::function<void(platform::TBitmap*)> onPartialDraw;
  uint32_t drawCnt = 0;
  std::function<uint32_t()> ticks;  // the millisecond clock (tests inject one)

  // ---- tests and bits ----
  [[nodiscard]] static bool PtInRect(platform::TRect const& rect, int x, int y);
  [[nodiscard]] static int32_t boxHit(platform::TRect const& box, int x, int y, int margin = 3);
  [[nodiscard]] static bool bitset(uint32_t v, uint8_t bit);
  [[nodiscard]] static uint32_t setBit(uint32_t v, uint8_t bit, bool setOn);
  [[nodiscard]] static void* GetOffset(void* p, int offset) { return static_cast<uint8_t*>(p) + offset; }

  std::unique_ptr<platform::TBitmap> ebm;  // the ellipse work bitmap, made on first use
};
