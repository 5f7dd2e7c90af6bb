// TosPictures: the fit of a picture into a box, the bitmap, pixel-buffer, metafile and any-picture
// fits, and the linked-document renderings that this platform lacks.
#include "core/os_pictures.h"

#include <algorithm>
#include <cmath>

#include "core/Tbm24.h"
#include "core/Tblend.h"
#include "core/r_base.h"
#include "platform/imagecodec.h"
#include "platform/numbers.h"

using platform::TCanvas;
using platform::TRect;

// ---- pictures of every kind

double TGraphic::fitWidth() const {
  return fmeta ? fmeta->MMWidth() : fbitmap ? fbitmap->Width() : fimage ? fimage->width : 0;
}

double TGraphic::fitHeight() const {
  return fmeta ? fmeta->MMHeight() : fbitmap ? fbitmap->Height() : fimage ? fimage->height : 0;
}

platform::TSize TGraphic::ownSize() const {
  if (fmeta) {
    const double ppmm = 96.0 / 25.4;  // a metafile's frame at the screen's resolution
    return {platform::Round32(fmeta->MMWidth() / 100.0 * ppmm), platform::Round32(fmeta->MMHeight() / 100.0 * ppmm)};
  }
  return {int(fitWidth()), int(fitHeight())};
}

void TGraphic::draw(platform::TDeviceContext& dc, TRect const& box) const {
  if (fmeta) {
    platform::PlayEnhMetaFile(dc, *fmeta, box);
    return;
  }
  // A decoded image goes through a 24-bit surface of its own: blue, green, red as the canvas keeps them.
  platform::TSurface rows;
  platform::TDeviceContext imageDc;
  platform::TDeviceContext const* source = nullptr;
  int w = 0, h = 0;
  if (fbitmap) {
    source = &fbitmap->dc();
    w = fbitmap->Width(), h = fbitmap->Height();
  } else if (fimage && !fimage->empty() && fimage->rgb.size() >= size_t(fimage->width) * size_t(fimage->height) * 3 &&
             rows.create(fimage->width, fimage->height, 24)) {
    for (int y = 0; y < fimage->height; ++y) {
      uint8_t* out = rows.row(y);
      for (int x = 0; x < fimage->width; ++x) {
        const uint8_t* p = fimage->pixel(x, y);
        out[3 * x] = p[2], out[3 * x + 1] = p[1], out[3 * x + 2] = p[0];
      }
    }
    imageDc.bind(&rows);
    source = &imageDc;
    w = fimage->width, h = fimage->height;
  }
  if (!source || w <= 0 || h <= 0) return;
  const platform::StretchMode was = dc.setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(dc, box.Left, box.Top, box.width(), box.height(), source, 0, 0, w, h, platform::SRCCOPY);
  dc.setStretchBltMode(was);
}

TosPictures::TosPictures() : monitorScaleFactor([] { return 1.0; }) {}
TosPictures::~TosPictures() = default;

TboxFit TosPictures::fitInBox(double pw, double ph, TRect const& box) {
  TboxFit f;
  const int w = box.width(), h = box.height();
  if (!(pw > 0) || !(ph > 0) || w <= 0 || h <= 0) return f;  // nothing to fit
  if (double(w) * ph >= pw * double(h)) {
    f.dh = h;
    f.dw = platform::Round32(pw * h / ph);
    f.mx = (w - f.dw) / 2;
  } else {
    f.dw = w;
    f.dh = platform::Round32(ph * w / pw);
    f.my = (h - f.dh) / 2;
  }
  return f;
}

void TosPictures::fillStrips(TCanvas& canvas, TRect const& box, TboxFit const& f) {
  if (f.mx > 0) {
    canvas.FillRect({box.Left, box.Top, box.Left + f.mx, box.Bottom});
    canvas.FillRect({box.Right - f.mx, box.Top, box.Right, box.Bottom});
  }
  if (f.my > 0) {
    canvas.FillRect({box.Left, box.Top, box.Right, box.Top + f.my});
    canvas.FillRect({box.Left, box.Bottom - f.my, box.Right, box.Bottom});
  }
}

void TosPictures::BitmapToBox(TCanvas& canvas, platform::TBitmap const& bm, TRect box, TRect& used, int bmwidth,
                              int bmheight, platform::StretchMode mode) {
  const TboxFit f = fitInBox(bmwidth, bmheight, box);
  used = platform::Bounds(box.Left + f.mx, box.Top + f.my, f.dw, f.dh);
  if (!canvas.Handle() || f.dw <= 0 || f.dh <= 0) return;
  fillStrips(canvas, box, f);
  canvas.Handle()->setStretchBltMode(mode);
  platform::StretchBlt(*canvas.Handle(), used.Left, used.Top, f.dw, f.dh, &bm.dc(), 0, 0, bmwidth, bmheight,
                       platform::SRCCOPY);
}

platform::TBitmap& TosPictures::workBitmap(int width, int height) {
  if (!bbm) {
    bbm = std::make_unique<platform::TBitmap>();
    bbm->SetPixelFormat(platform::pf24bit);
  }
  bbm->SetSize(width, height);
  bbm->dc().setStretchBltMode(platform::StretchMode::Halftone);
  return *bbm;
}

void TosPictures::drawWork(TCanvas& canvas, TRect const& box, TboxFit const& f, int32_t transparentColour) {
  const TRect at = platform::Bounds(box.Left + f.mx, box.Top + f.my, f.dw, f.dh);
  if (transparentColour < 0) {
    canvas.Draw(at.Left, at.Top, *bbm);
    return;
  }
  Tos& self = static_cast<Tos&>(*this);
  if (!self.blend) self.blend = std::make_unique<Tblend>();
  self.blend->ColourMaskDraw(canvas, at, *bbm, transparentColour);
}

void TosPictures::BitmapToBox(TCanvas& canvas, platform::TBitmap const& bm, TRect box, int32_t transparentColour) {
  const TboxFit f = fitInBox(bm.Width(), bm.Height(), box);
  if (!canvas.Handle() || f.dw <= 0 || f.dh <= 0) return;
  platform::TBitmap& work = workBitmap(f.dw, f.dh);
  platform::StretchBlt(work.dc(), 0, 0, f.dw, f.dh, &bm.dc(), 0, 0, bm.Width(), bm.Height(), platform::SRCCOPY);
  drawWork(canvas, box, f, transparentColour);
}

void TosPictures::BitmapToBox(TCanvas& canvas, platform::TBitmap const& bm, TRect box, Transparent t) {
  if (t == Transparent::Yes) BitmapToBox(canvas, bm, box, int32_t(-1));
  else BitmapToBox(canvas, bm, box);
}

void TosPictures::BitmapToBox(TCanvas& canvas, Tbm24& bm, TRect box) {
  const TboxFit f = fitInBox(bm.width(), bm.height(), box);
  if (!canvas.Handle() || f.dw <= 0 || f.dh <= 0) return;
  platform::TBitmap& work = workBitmap(f.dw, f.dh);
  platform::StretchBlt(work.dc(), 0, 0, f.dw, f.dh, &bm.dc(), 0, 0, bm.width(), bm.height(), platform::SRCCOPY);
  drawWork(canvas, box, f, -1);
}

platform::TBitmap& TosPictures::stripBitmap(int width, int height) {
  if (!stripBM) {
    stripBM = std::make_unique<platform::TBitmap>();
    stripBM->SetPixelFormat(platform::pf24bit);
  }
  stripBM->SetSize(std::max(width, 0), std::max(height, 0));
  return *stripBM;
}

void TosPictures::GraphicToBox(TCanvas& canvas, TGraphic const& g, TRect box) {
  const TboxFit f = fitInBox(g.fitWidth(), g.fitHeight(), box);
  if (f.dw <= 0 || f.dh <= 0) return;
  platform::TBitmap& strip = stripBitmap(f.dw, f.dh);
  strip.dc().fillRect({0, 0, f.dw, f.dh}, platform::solidBrush(platform::clWhite));
  g.draw(strip.dc(), {0, 0, f.dw, f.dh});
  BitmapToBox(canvas, strip, box);
}

void TosPictures::GraphicToBox(TCanvas& canvas, TGraphic const& g, TRect box, int32_t transparentColour) {
  const platform::TSize own = g.ownSize();
  if (own.cx <= 0 || own.cy <= 0) return;
  platform::TBitmap& strip = stripBitmap(own.cx, own.cy);
  strip.dc().fillRect({0, 0, own.cx, own.cy}, platform::solidBrush(platform::TColor(transparentColour & 0xFFFFFF)));
  g.draw(strip.dc(), {0, 0, own.cx, own.cy});
  BitmapToBox(canvas, strip, box, transparentColour);
}

TRect TosPictures::MetafileToBox(TCanvas& canvas, platform::TMetafile const& emf, TRect box, bool noFill) {
  const TboxFit f = fitInBox(emf.MMWidth(), emf.MMHeight(), box);
  const TRect result{box.Left + f.mx, box.Top + f.my, box.Right - f.mx, box.Bottom - f.my};
  if (!canvas.Handle() || f.dw <= 0 || f.dh <= 0) return result;
  if (!noFill) fillStrips(canvas, box, f);
  TRect play = result;
  // The correction is for monitors only: a printer page or a metafile keeps its own size.
  const double scale = monitorScaleFactor ? monitorScaleFactor() : 1.0;
  if (scale != 1 && std::isfinite(scale) && scale > 0 &&
      canvas.Handle()->technology() == platform::TDeviceContext::Technology::RasterDisplay)
    play = platform::Bounds(result.Left, result.Top, platform::Round32(scale * result.width()),
                            platform::Round32(result.height() * scale));
  platform::PlayEnhMetaFile(*canvas.Handle(), emf, play);
  return result;
}

std::unique_ptr<platform::TBitmap> TosPictures::OLEtoBmp(std::string const& filename, double) {
  static_cast<Tos&>(*this).log("OLEtoBmp: linked documents are not available on this platform (" + filename + ")");
  return nullptr;
}

std::unique_ptr<platform::TMetafile> TosPictures::OLEtoMetafile(std::string const& filename) {
  static_cast<Tos&>(*this).log("OLEtoMetafile: linked documents are not available on this platform (" + filename +
                               ")");
  return nullptr;
}
