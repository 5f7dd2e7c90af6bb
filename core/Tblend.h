// Tblend: constant-opacity blends of canvases and bitmaps, tints of boxes and polygons, drawing
// through one-bit masks (a set bit is white), textures, feathered edges, and block copies cut
// into column strips so no single platform call covers more than maxsize pixels.
// Fields of the original kept out: the module handle of the blend entry (the entry is a plain
// function here) and the canvas transform stack (a window origin shifts the edge-band drawing).
// Opacity from percent: round(min(|percent|, 100) × 255 / 100), halves to even.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/canvas.h"

class Tblend {
 public:
  using AlphaBlendEntry = bool (*)(platform::TDeviceContext&, int, int, int, int, platform::TDeviceContext const&, int,
                                   int, int, int, platform::TBlendFunction);
  Tblend();
  ~Tblend();
  Tblend(Tblend const&) = delete;
  Tblend& operator=(Tblend const&) = delete;

  [[nodiscard]] static uint8_t opacityOf(double percent);

  // ---- the blending core ----
  // The platform's blend in column strips; false (nothing drawn) without the entry.
  bool AlphaBlend(platform::TDeviceContext& tdc, int tleft, int ttop, int twidth, int theight,
                  platform::TDeviceContext const& sdc, int sleft, int stop, int swidth, int sheight,
                  platform::TBlendFunction bf);
  bool PercentBlend(platform::TDeviceContext& tdc, int tLeft, int tTop, int twidth, int theight,
                    platform::TDeviceContext const& sdc, int sleft, int sTop, int swidth, int sheight, double percent);
  // Opacity 255 with the 32-bit source's own premultiplied alpha.
  bool Blend32(platform::TDeviceContext& tdc, int tLeft, int tTop, int twidth, int theight,
               platform::TDeviceContext const& sdc, int sleft, int sTop, int swidth, int sheight);
  bool PercentBlend(platform::TCanvas& target, platform::TCanvas const& source, int width, int height, double percent);
  bool PercentBlend(platform::TCanvas& target, platform::TCanvas const& source, platform::TRect box, double percent);
  bool PercentBlend(platform::TCanvas& target, platform::TBitmap const& source, int x, int y, double percent);
  bool PercentBlend(platform::TCanvas& target, platform::TBitmap const& source, int x, int y, int width, int height,
                    double percent);
  // The general blend: the source's box (read from maskOffset) shows, blended at percent, where
  // the mask is white (black with invertMask); the target stays elsewhere. No mask: the box.
  void PercentBlend(platform::TCanvas& target, platform::TCanvas const& source, platform::TRect box, double percent,
                    int maskOffsetX, int maskOffsetY, platform::TBitmap const* mask, bool invertMask, bool grayscale);
  void PercentBlend(platform::TCanvas& target, platform::TCanvas const& source, platform::TRect box, double percent,
                    platform::TBitmap const* mask, bool invertMask = false, bool grayscale = false) {
    PercentBlend(target, source, box, percent, box.Left, box.Top, mask, invertMask, grayscale);
  }
  void PercentBlend(platform::TCanvas& target, platform::TBitmap const& source, int x, int y, double percent,
                    platform::TBitmap const* mask, bool invertMask);
  // The caller draws on a copy of (0, 0, width, height) of target, which is blended back.
  void PercentBlend(platform::TCanvas& target, int width, int height, int percent,
                    std::function<void(platform::TCanvas&)> const& onDraw);

  // ---- tints (a negative colour is the grey tint) ----
  void Tint(platform::TCanvas&, platform::TRect box, int32_t colour, int percent);
  // (0, 0, width, height) tinted where the mask is white (black with invertmask).
  void Tint(platform::TCanvas&, int width, int height, int32_t colour, int percent, platform::TBitmap const& mask,
            bool invertmask = false);
  // The box tinted where the mask is black (white with invertmask), the mask read from maskBox's
  // top-left corner or the box's; without a mask, the plain box tint.
  void Tint(platform::TCanvas&, platform::TRect box, int32_t colour, int percent, platform::TBitmap const* mask,
            bool invertmask, platform::TRect const* maskBox = nullptr);
  // The inside of the polygon (rings of the lengths in polys, at least four points) within box;
  // optionally with a band of edgewidth along the rings, graded from edgecolour to colour.
  void Tint(platform::TCanvas&, platform::TRect box, std::span<const platform::TPoint> a, std::span<const int> polys,
            int32_t colour, int percent);
  void Tint(platform::TCanvas&, platform::TRect box, std::span<const platform::TPoint> a, std::span<const int> polys,
            int32_t colour, int32_t edgecolour, int edgewidth, bool graded, int percent);
  // colour over the box where the one-bit mono is black.
  void MonoAsColour(platform::TCanvas&, platform::TRect box, int32_t colour, platform::TBitmap const& mono);

  // ---- masks, textures, edges ----
  // bm into the box where the mask is black, the canvas kept where it is white.
  bool MaskDraw(platform::TCanvas&, platform::TRect box, platform::TBitmap const& bm, platform::TBitmap const& mask);
  // bm drawn with pixels of colour left out.
  bool ColourMaskDraw(platform::TCanvas&, platform::TRect box, platform::TBitmap const& bm, int32_t colour);
  bool WhiteMaskDraw(platform::TCanvas& canvas, platform::TRect box, platform::TBitmap const& bm) {
    return ColourMaskDraw(canvas, box, bm, 0xFFFFFF);
  }
  // asMerge: bm AND the canvas's brush where bm is not white.
  void WhiteMaskDraw(platform::TCanvas&, platform::TRect box, platform::TBitmap const& bm, bool asMerge);
  // colour laid over target24 through the grey levels of graybm at opacity percent.
  void Texture(platform::TBitmap& target24, platform::TBitmap const& graybm, int x, int y, int width, int height,
               int opacity, int32_t colour);
  void Texture(platform::TCanvas& target, platform::TBitmap const& graybm, int x, int y, int width, int height,
               int opacity, int32_t colour);
  // A soft band of colour along the inside of the polygon's edges.
  void FeatherEdge(platform::TCanvas&, int width, int height, std::span<const platform::TPoint> a,
                   std::span<const int> polys, int32_t colour, int bandwidth, int percent, int steps);
  // The caller draws; the drawing shows only inside the polygon, at percent.
  void MaskPolygon(platform::TCanvas&, int width, int height, std::span<const platform::TPoint> a,
                   std::span<const int> polys, int percent, std::function<void(platform::TCanvas&)> const& onWantDraw);

  // ---- copies, palettes, regions ----
  // HALFTONE, then block copies in column strips; stops at the first failing strip.
  bool BitBlt(platform::TCanvas& target, int left, int top, int width, int height, platform::TCanvas const& source,
              int sourcex, int sourcey, platform::TRop copymode);
  // HALFTONE when shrinking, COLORONCOLOR otherwise.
  void StretchBlt(platform::TCanvas& target, int left, int top, int width, int height, platform::TCanvas const& source,
                  int sleft, int stop, int swidth, int sheight, platform::TRop copymode);
  bool StretchBlt(platform::TCanvas& target, int left, int top, int width, int height, platform::TCanvas const& source,
                  int sleft, int stop, int swidth, int sheight, platform::TRop copymode, platform::StretchMode);
  void CopyRect(platform::TCanvas& target, platform::TCanvas const& source, platform::TRect targetBox, int sourcex,
                int sourcey);
  // A copy choosing per pixel: the high byte's operation where the mask is 0 (black), the low
  // three bytes' where it is 1 (white); in column strips with the source and mask offsets.
  bool MaskBlt(platform::TCanvas& target, int left, int top, int width, int height, platform::TCanvas const* source,
               int sourcex, int sourcey, platform::TBitmap const& MonoMask, int maskx, int masky,
               platform::TRop copymode);
  // The source rectangle onto the parallelogram of the target's upper-left, upper-right and
  // lower-left corners; with a mask, only where its bit is 1.
  bool PlgBlt(platform::TCanvas& target, std::span<const platform::TPoint, 3> targetPg, platform::TCanvas const& source,
              int sleft, int stop, int swidth, int sheight, platform::TBitmap const* MonoMask, int maskx, int masky);
  // Pixels of colour become white in monoBm, all others black.
  static void ColourToMono(platform::TBitmap& colourBm, platform::TBitmap& monoBm, int32_t colour);
  // The white pixels of a one-bit bitmap as a region; overlapping grows each run by one pixel
  // right and down. False when no bit is set.
  static bool MaskToRgn(platform::TBitmap const& mono, bool overlapping, platform::TRegion& out);
  [[nodiscard]] static std::vector<platform::TColor> graypalette();
  // From the colour at entry 0 to white at 255.
  [[nodiscard]] static std::vector<platform::TColor> tintPalette(int BlackRed, int BlackGreen, int BlackBlue);

  // The platform's blend entry; null when the platform has none (tests clear it).
  AlphaBlendEntry alphaBlendEntry;
  uint32_t maxsize = 25000000;  // the largest number of pixels one platform call may cover
  platform::TBitmap* customBM = nullptr;  // borrowed: the tint's picture while set

  std::unique_ptr<platform::TBitmap> tiny, temp, polybm, tempGray, tempmask;

 private:
  void grow(platform::TBitmap&, int width, int height);
  void greyTint(platform::TCanvas&, platform::TRect box, int percent);
  void maskedTint(platform::TCanvas&, platform::TRect box, int32_t colour, int percent, platform::TBitmap const& mask,
                  int maskx, int masky, platform::TRop rop);
  void polygonMask(int width, int height, std::span<const platform::TPoint> a, std::span<const int> polys);
};
