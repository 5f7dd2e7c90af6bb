// Pictures fitted into boxes by the services object: bitmaps (halftone, or through a work bitmap
// with a transparent colour), canvas-backed pixel buffers, metafiles and pictures of any kind
// (TGraphic), each as large as its proportions allow and centred, the side strips optionally
// filled with the canvas brush.
// Linked documents of other programs (OLE) have no counterpart here and report so.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/metafile.h"

class Tbm24;
namespace platform {
struct TrgbImage;
}

// A picture of any kind the platform holds, as GraphicToBox takes it (borrowed): a metafile, a
// bitmap, or a decoded image (PNG, JPEG, TIFF, GIF). Its own size is a metafile's frame at the
// screen's 96 pixels per inch and the others' pixels.
class TGraphic {
 public:
  TGraphic(platform::TMetafile const& m) : fmeta(&m) {}    // NOLINT: any picture converts
  TGraphic(platform::TBitmap const& b) : fbitmap(&b) {}    // NOLINT
  TGraphic(platform::TrgbImage const& i) : fimage(&i) {}  // NOLINT
  // The proportions the fit uses: a metafile's frame in 0.01 mm, the others' pixels.
  [[nodiscard]] double fitWidth() const;
  [[nodiscard]] double fitHeight() const;
  [[nodiscard]] platform::TSize ownSize() const;
  // The whole picture stretched (halftone) into the box of the context.
  void draw(platform::TDeviceContext&, platform::TRect const& box) const;

 private:
  platform::TMetafile const* fmeta = nullptr;
  platform::TBitmap const* fbitmap = nullptr;
  platform::TrgbImage const* fimage = nullptr;
};

// Where a picture of (pw, ph) lies in a box: size dw × dh at (Left + mx, Top + my).
struct TboxFit {
  int dw = 0, dh = 0, mx = 0, my = 0;
};

class TosPictures {
 public:
  TosPictures();
  ~TosPictures();
  TosPictures(TosPictures const&) = delete;
  TosPictures& operator=(TosPictures const&) = delete;

  // A relatively wider box gets full height and side margins; otherwise full width. Margins
  // truncate, so an odd leftover leaves one pixel next to the second strip.
  [[nodiscard]] static TboxFit fitInBox(double pw, double ph, platform::TRect const& box);

  // The core: strips filled with the canvas brush, the (0, 0, bmwidth, bmheight) part of bm
  // stretched in the stretch mode onto the picture rectangle, which is returned in used.
  void BitmapToBox(platform::TCanvas&, platform::TBitmap const& bm, platform::TRect box, platform::TRect& used,
                   int bmwidth, int bmheight, platform::StretchMode);
  void BitmapToBox(platform::TCanvas& canvas, platform::TBitmap const& bm, platform::TRect box, platform::TRect& used,
                   int bmwidth, int bmheight) {
    BitmapToBox(canvas, bm, box, used, bmwidth, bmheight, platform::StretchMode::Halftone);
  }
  void BitmapToBox(platform::TCanvas& canvas, platform::TBitmap const& bm, platform::TRect box, platform::TRect& used) {
    BitmapToBox(canvas, bm, box, used, bm.Width(), bm.Height());
  }
  void BitmapToBox(platform::TCanvas& canvas, platform::TBitmap const& bm, platform::TRect box) {
    platform::TRect used;
    BitmapToBox(canvas, bm, box, used);
  }
  void BitmapToBox(platform::TCanvas& canvas, platform::TBitmap const& bm, platform::TRect box, int bmwidth,
                   int bmheight) {
    platform::TRect used;
    BitmapToBox(canvas, bm, box, used, bmwidth, bmheight);
  }
  // Through the work bitmap, no strips; pixels of a colour ≥ 0 let the canvas show through.
  void BitmapToBox(platform::TCanvas&, platform::TBitmap const& bm, platform::TRect box, int32_t transparentColour);
  enum class Transparent { No, Yes };
  // Yes: opaque through the work bitmap (no strips); No: the plain fit with strips.
  void BitmapToBox(platform::TCanvas&, platform::TBitmap const& bm, platform::TRect box, Transparent);
  // A pixel buffer through the work bitmap, opaque, no strips.
  void BitmapToBox(platform::TCanvas&, Tbm24& bm, platform::TRect box);

  // Any picture: rendered at its fitted size into the work bitmap stripBM (white first, for a
  // metafile's empty parts), then fitted with strips; with a transparent colour, rendered at its
  // own size on that colour and fitted through the work bitmap.
  void GraphicToBox(platform::TCanvas&, TGraphic const& g, platform::TRect box);
  void GraphicToBox(platform::TCanvas&, TGraphic const& g, platform::TRect box, int32_t transparentColour);

  // Played at the metafile's physical proportions; strips filled unless noFill. On a display
  // whose monitor scale factor is not 1 the play rectangle grows by it from its top-left corner
  // (never on printers or metafiles); the returned rectangle is the unscaled fit.
  platform::TRect MetafileToBox(platform::TCanvas&, platform::TMetafile const&, platform::TRect box, bool noFill = false);
  // The current monitor's scale factor (1 until the monitor list provides one).
  std::function<double()> monitorScaleFactor;

  // Documents linked from files of other programs: not available on this platform; both log
  // that and answer null.
  std::unique_ptr<platform::TBitmap> OLEtoBmp(std::string const& filename, double ppmm);
  std::unique_ptr<platform::TMetafile> OLEtoMetafile(std::string const& filename);

  std::unique_ptr<platform::TBitmap> bbm;      // the transparent and pixel-buffer fits
  std::unique_ptr<platform::TBitmap> stripBM;  // the graphic fits

 private:
  static void fillStrips(platform::TCanvas&, platform::TRect const& box, TboxFit const&);
  platform::TBitmap& workBitmap(int width, int height);
  platform::TBitmap& stripBitmap(int width, int height);
  void drawWork(platform::TCanvas&, platform::TRect const& box, TboxFit const&, int32_t transparentColour);
};
