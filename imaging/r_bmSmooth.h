// r_bmSmooth: drawing a raster image smoothly into a rectangle of a canvas or of a 24-bit
// bitmap at every scale (a copy at equal widths, the HALFTONE stretch for reductions and small
// magnifications, our own bilinear resampler beyond), and the per-pixel treatment of what is
// drawn (white transparent, grey, tint, lighten, fade), inside and outside a one-bit mask.
// Sources are bitmaps or buffers of 24-bit rows (blue, green, red; top row first). Colours are
// 0x00BBGGRR, percentages 0..100, values to the nearest integer with halves to even.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/r_base.h"
#include "platform/surface.h"

namespace platform {
class TBitmap;
class TCanvas;
}  // namespace platform
class Tbm24;

struct maskRec {
  int32_t opacity = 100;         // percent of the treated pixel kept over the background, inside
  int32_t intensity = 100;       // percent of colour kept when lightening toward white, inside
  int32_t outerOpacity = 100;    // the same outside the mask
  int32_t outerIntensity = 100;
  bool grey = false;             // grey inside
  bool outergrey = false;        // grey outside
  int32_t monoColour = 0;        // positive: tint inside, black becoming this colour
  int32_t outMonoColour = 0;     // positive: tint outside (with outergrey only)
  bool whiteIsTransparent = false;
  bool isVector = false;         // the unmasked treatment does not lighten; clear() keeps it
  uint8_t whiteLimit = 250;      // near-white: all three channels at least this
};

class TmaskBase {
 public:
  TmaskBase() { clear(); }

  // The defaults (isVector kept).
  static void clear(maskRec& m);
  // The defaults, and the mask bitmap's rows forgotten.
  void clear();
  // A mask bitmap or callback is set, or the inner settings change anything.
  [[nodiscard]] bool maskUsed() const;
  // Splits the tint colours into channels; runs before every draw.
  void start();
  [[nodiscard]] platform::TBitmap* mono() const { return fmono; }
  // The mask (one bit a pixel, borrowed); a set bit is inside.
  void setMono(platform::TBitmap* value);
  // Inside the mask: the callback's answer, else the mask's bit; a point outside the mask
  // bitmap is outside; without either, everything is inside.
  bool isWhite(int col, int row);
  // Treats one pixel in place; current is the colour beneath it.
  void ProcessPixel(int col, int row, uint8_t currentR, uint8_t currentG, uint8_t currentB, uint8_t& r, uint8_t& g,
                    uint8_t& b);

  platform::TRect target;   // the target rectangle of the current draw
  platform::TRect viewBox;  // its Left and Top are taken from target coordinates for the mask's
  std::function<void(TmaskBase*)> onPixel;
  int pendingCol = 0, pendingRow = 0;
  bool pendingWhite = false;
  maskRec m;
  int mr = -1, mg = -1, mb = -1;     // monoColour by channel, -1 when not positive
  int mor = -1, mog = -1, mob = -1;  // outMonoColour by channel

 private:
  // Tables of the treatments, made when their setting is first met (slot 0 inside, 1 outside):
  // fade[current * 256 + c], light[c], tint[channel * 256 + grey].
  const uint8_t* fadeTable(int slot, int keep);
  const uint8_t* lightTable(int slot, int keep);
  const uint8_t* tintTable(int slot, int r, int g, int b);

  platform::TBitmap* fmono = nullptr;
  const uint8_t* pt0 = nullptr;  // the mask's bottom row
  int rowL = 0;
  std::vector<uint8_t> ffade[2], flight[2], ftint[2];
  int ffadeKey[2] = {-1, -1}, flightKey[2] = {-1, -1}, ftintKey[2] = {-1, -1};
};

class TbmSmooth : public TqyObject {
 public:
  TbmSmooth();
  ~TbmSmooth() override;
  [[nodiscard]] const char* unitName() const override { return "r_bmSmooth"; }

  [[nodiscard]] TmaskBase& mask() { return *fmask; }
  // The spare bitmap that the image objects use as their work bitmap.
  [[nodiscard]] platform::TBitmap& temp() { return *ftemp; }

  // The source (sourceWidth x sourceHeight) into the target rectangle. An empty target or a
  // source of no width draws nothing.
  void Draw(platform::TCanvas& canvas, const platform::TRect& target, const platform::TBitmap& source, int sourceWidth,
            int sourceHeight);
  void Draw(platform::TBitmap& bm24, const platform::TRect& target, const platform::TBitmap& source, int sourceWidth,
            int sourceHeight);
  void Draw(platform::TBitmap& bm24, const platform::TRect& target, const uint8_t* sourceBuf, int sourceRowL,
            int sourceWidth, int sourceHeight);
  void Draw(Tbm24& bm2424, const platform::TRect& target, const uint8_t* sourceBuf, int sourceRowL, int sourceWidth,
            int sourceHeight);
  // bm over baseBm with its top-left corner at (left, top), treated by the mask; what falls
  // outside the base is left out. Both 24 bits a pixel.
  void Draw(platform::TBitmap& baseBm, const platform::TBitmap& bm) { Draw(baseBm, bm, 0, 0); }
  void Draw(platform::TBitmap& baseBm, const platform::TBitmap& bm, int left, int top);
  // Fades the box of a 24-bit bitmap (right and bottom included) toward the colour.
  void FadeRect(platform::TBitmap& basebm, const platform::TRect& box, int32_t colour, double percent);

  double multiplyLimit = 1.0;  // magnification up to this uses HALFTONE
  platform::TCanvas* suppliedCanvas = nullptr;  // when set, the bitmap forms draw on it instead

 private:
  // Where a draw lands: a canvas, and the target's rows when it is a 24-bit bitmap.
  struct Ttarget;
  struct Tsource;
  void doDraw(Ttarget& out, const platform::TRect& target, const Tsource& src);
  void applyMask(Ttarget& out, const platform::TRect& target, int wid, int hei);
  void resample(Ttarget& out, const platform::TRect& target, const Tsource& src, bool usingMask);
  platform::TBitmap& grownTemp2(int w, int h);

  std::unique_ptr<TmaskBase> fmask;
  std::unique_ptr<platform::TBitmap> temp2;
  std::unique_ptr<platform::TBitmap> ftemp;
};
