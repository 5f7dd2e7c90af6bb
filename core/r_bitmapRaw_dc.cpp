// The pixel buffers seen by the platform canvas: a surface that views the buffer's own rows, a
// device context on it, and the block copies into other contexts (unscaled, or stretched with
// HALFTONE smoothing).
#include <algorithm>

#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "platform/numbers.h"

using platform::TDeviceContext;
using platform::TRect;
using platform::TSurface;

// ---------------------------------------------------------------------------------------------
// TrawBitmap24

// An empty buffer gets an empty surface: blits from it do nothing.
TSurface& TrawBitmap24::bitmap() {
  if (!h) {
    h = std::make_unique<TSurface>();
    if (createPixels()) h->bind(fpt.get(), fwidth, fheight, 24, rowL);
  }
  return *h;
}

TDeviceContext& TrawBitmap24::dc() {
  TSurface& s = bitmap();
  if (!fdc) fdc = std::make_unique<TDeviceContext>(&s);
  return *fdc;
}

void TrawBitmap24::Draw(TDeviceContext& target, int x, int y) {
  platform::BitBlt(target, x, y, fwidth, fheight, &dc(), 0, 0, platform::SRCCOPY);
}

void TrawBitmap24::Draw(TDeviceContext& target, const TRect& box) {
  target.setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(target, box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top, &dc(), 0, 0, fwidth,
                       fheight, platform::SRCCOPY);
}

// A negative target position is clipped off the source instead of drawing outside.
void TrawBitmap24::DrawExtract(TDeviceContext& target, int x, int y, TRect extract) {
  int w = extract.Right - extract.Left, hh = extract.Bottom - extract.Top;
  if (x < 0) {
    extract.Left -= x;
    w += x;
    x = 0;
  }
  if (y < 0) {
    extract.Top -= y;
    hh += y;
    y = 0;
  }
  if (w <= 0 || hh <= 0) return;
  platform::BitBlt(target, x, y, w, hh, &dc(), extract.Left, extract.Top, platform::SRCCOPY);
}

void TrawBitmap24::DrawExtract(TDeviceContext& target, const TRect& source, const TRect& targetBox) {
  target.setStretchBltMode(platform::StretchMode::Halftone);
  if (!platform::StretchBlt(target, targetBox.Left, targetBox.Top, targetBox.Right - targetBox.Left,
                            targetBox.Bottom - targetBox.Top, &dc(), source.Left, source.Top,
                            source.Right - source.Left, source.Bottom - source.Top, platform::SRCCOPY))
    log("TrawBitmap24.DrawExtract: the stretch was refused");
}

// ---------------------------------------------------------------------------------------------
// TbitmapBin: the reduced extract

bool TbitmapBin::extract(TrawBitmap24& rb, int index, int width) {
  // A frame the file does not hold is refused before the reduced image is made.
  if (width <= 0 || width > fwidth || (f.isOpen() && (index < 0 || index >= fcount))) return extract(rb, index);
  const int hh = int(platform::Round(double(width) * fheight / fwidth));
  if (rb.width() != width || rb.height() != hh) {
    rb.setWid(width);
    rb.setHei(hh);
  }
  if (!temp) temp = std::make_unique<TrawBitmap24>();
  const bool ok = extract(*temp, index);
  temp->Draw(rb.dc(), TRect{0, 0, rb.width(), rb.height()});
  return ok;
}

// ---------------------------------------------------------------------------------------------
// TbitmapMono

TSurface& TbitmapMono::bitmap() {
  if (!h) {
    h = std::make_unique<TSurface>();
    if (createPixels()) {
      h->bind(fpt.get(), fwidth, fheight, 1, rowL);
      const platform::TColor bw[2] = {0x000000, 0xFFFFFF};
      h->setPalette(bw);
    }
  }
  return *h;
}

TDeviceContext& TbitmapMono::dc() {
  TSurface& s = bitmap();
  if (!fdc) fdc = std::make_unique<TDeviceContext>(&s);
  return *fdc;
}

void TbitmapMono::blackPen() { dc().setPen(platform::makePen(platform::PenStyle::Solid, 1, 0x000000)); }
void TbitmapMono::whitePen() { dc().setPen(platform::makePen(platform::PenStyle::Solid, 1, 0xFFFFFF)); }
void TbitmapMono::blackBrush() { dc().setBrush(platform::solidBrush(0x000000)); }
void TbitmapMono::whiteBrush() { dc().setBrush(platform::solidBrush(0xFFFFFF)); }
void TbitmapMono::solidPen(int width, int32_t colour) {
  dc().setPen(platform::makePen(platform::PenStyle::Solid, width, platform::TColor(colour) & 0xFFFFFF));
}

void TbitmapMono::Draw(TDeviceContext& target, int x, int y) {
  platform::BitBlt(target, x, y, fwidth, fheight, &dc(), 0, 0, platform::SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// TrawBitmap

std::unique_ptr<TSurface> TrawBitmap::getBitmap() const {
  if (fwidth <= 0 || fheight <= 0 || memoryBytes() < size_t(imageBytes())) return nullptr;
  auto s = std::make_unique<TSurface>();
  if (!s->create(fwidth, fheight, 24)) return nullptr;
  for (int row = 0; row < fheight; ++row)
    for (int col = 0; col < fwidth; ++col) {
      uint8_t r = 0, g = 0, b = 0;
      if (fdepth == 1) {
        const bool white = getMono(col, fheight - 1 - row);
        const uint32_t c = fcolours.size() == 2 ? fcolours[white ? 1 : 0] : (white ? 0xFFFFFF : 0);
        r = uint8_t(c), g = uint8_t(c >> 8), b = uint8_t(c >> 16);
      } else {
        getcolour24(col, row, r, g, b);
      }
      s->setPixel(col, row, platform::RGB(r, g, b));
    }
  return s;
}

TDeviceContext& TrawBitmap::BitmapDC() {
  if (!h) {
    h = getBitmap();
    if (!h) h = std::make_unique<TSurface>();
  }
  if (!fdc) fdc = std::make_unique<TDeviceContext>(h.get());
  return *fdc;
}
