// r_bmSmooth: TmaskBase treats pixels, TbmSmooth draws. The per-pixel arithmetic is done on
// integers: every value is an exact fraction, rounded to the nearest with halves to even.
// Step markers of doDraw: "a" equal widths ("a1" masked, "a2" a buffer), "f2a"/"f2 ..." the
// choice, "b" HALFTONE ("b1" masked, "b2" straight), "g" resampler ("g0" row table, "g1" rows,
// "g2" the copy to the canvas).
#include "imaging/r_bmSmooth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/Tbm24.h"
#include "platform/canvas.h"
#include "platform/gdi.h"

namespace {

// num / den to the nearest integer, halves to even; den > 0.
inline int divEven(int64_t num, int64_t den) {
  int64_t q = num / den, r = num % den;
  if (r < 0) {
    r += den;
    --q;
  }
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  return int(q);
}

inline uint8_t clampByte(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// toward + (c - toward) x keep / 100, the whole value rounded.
inline uint8_t mix(int toward, int c, int keep) {
  return clampByte(divEven(int64_t(toward) * 100 + int64_t(c - toward) * keep, 100));
}

// Rounds a value of at least 0 to the nearest integer, halves to even.
inline int roundEven(double v) {
  const int i = int(v);
  const double f = v - i;
  return i + (int(f > 0.5) | (int(f == 0.5) & (i & 1)));  // without branches: the pixels decide
}

void split(int32_t colour, int& r, int& g, int& b) {
  if (colour > 0) {
    r = colour & 0xFF;
    g = (colour >> 8) & 0xFF;
    b = (colour >> 16) & 0xFF;
  } else {
    r = g = b = -1;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TmaskBase

void TmaskBase::clear(maskRec& m) {
  const bool isVector = m.isVector;
  m = maskRec{};
  m.isVector = isVector;
}

void TmaskBase::clear() {
  clear(m);
  pt0 = nullptr;
}

bool TmaskBase::maskUsed() const {
  return fmono || onPixel || m.grey || m.whiteIsTransparent || m.opacity < 100 || m.intensity < 100 ||
         m.monoColour > 0;
}

void TmaskBase::start() {
  split(m.monoColour, mr, mg, mb);
  split(m.outMonoColour, mor, mog, mob);
}

void TmaskBase::setMono(platform::TBitmap* value) {
  fmono = value;
  pt0 = nullptr;
  rowL = 0;
  if (fmono && fmono->Monochrome() && !fmono->surface().empty()) {
    pt0 = fmono->surface().bits();
    rowL = fmono->surface().stride();
  }
}

bool TmaskBase::isWhite(int col, int row) {
  if (onPixel) {
    pendingCol = col;
    pendingRow = row;
    onPixel(this);
    return pendingWhite;
  }
  if (!fmono) return true;
  if (col < 0 || row < 0 || col >= fmono->Width() || row >= fmono->Height()) return false;
  if (!pt0) setMono(fmono);
  if (!pt0) return fmono->Canvas().Pixels(col, row) == platform::clWhite;  // a mask of another depth
  const uint8_t byte = pt0[size_t(fmono->Height() - row - 1) * size_t(rowL) + size_t(col / 8)];
  return byte & (0x80 >> (col % 8));
}

const uint8_t* TmaskBase::fadeTable(int slot, int keep) {
  if (ffadeKey[slot] != keep) {
    ffade[slot].resize(256 * 256);
    for (int t = 0; t < 256; ++t)
      for (int c = 0; c < 256; ++c) ffade[slot][size_t(t) * 256 + size_t(c)] = mix(t, c, keep);
    ffadeKey[slot] = keep;
  }
  return ffade[slot].data();
}

const uint8_t* TmaskBase::lightTable(int slot, int keep) {
  if (flightKey[slot] != keep) {
    flight[slot].resize(256);
    for (int c = 0; c < 256; ++c) flight[slot][size_t(c)] = mix(255, c, keep);
    flightKey[slot] = keep;
  }
  return flight[slot].data();
}

// Black becomes the tint, white stays white.
const uint8_t* TmaskBase::tintTable(int slot, int r, int g, int b) {
  const int key = r | g << 8 | b << 16;
  if (ftintKey[slot] != key) {
    ftint[slot].resize(3 * 256);
    const int tint[3] = {r, g, b};
    for (int k = 0; k < 3; ++k)
      for (int v = 0; v < 256; ++v)
        ftint[slot][size_t(k) * 256 + size_t(v)] =
            clampByte(divEven(int64_t(tint[k]) * 255 + int64_t(255 - tint[k]) * v, 255));
    ftintKey[slot] = key;
  }
  return ftint[slot].data();
}

void TmaskBase::ProcessPixel(int col, int row, uint8_t currentR, uint8_t currentG, uint8_t currentB, uint8_t& r,
                             uint8_t& g, uint8_t& b) {
  if (m.whiteIsTransparent && r >= m.whiteLimit && g >= m.whiteLimit && b >= m.whiteLimit) {
    r = currentR;
    g = currentG;
    b = currentB;
    return;
  }
  const bool outside = (fmono || onPixel) && !isWhite(col, row);
  const int slot = outside ? 1 : 0;
  const bool grey = outside ? m.outergrey : (m.grey || m.monoColour > 0);
  if (grey) {
    const uint8_t v = uint8_t((r + g + b) / 3);
    r = g = b = v;
    const int tr = outside ? mor : mr;
    if (tr >= 0) {
      const uint8_t* t = outside ? tintTable(1, mor, mog, mob) : tintTable(0, mr, mg, mb);
      r = t[v];
      g = t[256 + v];
      b = t[512 + v];
    }
  }
  // Unmasked vector drawings keep their colour; inside a mask they are lightened too.
  const int intensity = outside ? m.outerIntensity : m.intensity;
  if (intensity < 100 && (outside || fmono || onPixel || !m.isVector)) {
    const uint8_t* t = lightTable(slot, intensity);
    r = t[r];
    g = t[g];
    b = t[b];
  }
  const int opacity = outside ? m.outerOpacity : m.opacity;
  if (opacity < 100) {
    const uint8_t* t = fadeTable(slot, opacity);
    r = t[size_t(currentR) * 256 + r];
    g = t[size_t(currentG) * 256 + g];
    b = t[size_t(currentB) * 256 + b];
  }
}

// ---------------------------------------------------------------------------------------------
// TbmSmooth

// The canvas to draw on, and the target's own rows when it is a 24-bit bitmap.
struct TbmSmooth::Ttarget {
  platform::TCanvas* canvas = nullptr;
  platform::TBitmap* bm = nullptr;
  Tbm24* bm24 = nullptr;
  [[nodiscard]] bool hasRows() const { return bm || bm24; }
  [[nodiscard]] int width() const { return bm ? bm->Width() : bm24 ? bm24->width() : 0; }
  [[nodiscard]] int height() const { return bm ? bm->Height() : bm24 ? bm24->height() : 0; }
  // Pixel (x, y) of the target bitmap, nullptr outside.
  uint8_t* at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return nullptr;
    uint8_t* row = bm ? bm->ScanLine(y) : bm24->rowPt(y);
    return row ? row + 3 * size_t(x) : nullptr;
  }
};

// A bitmap, or rows of 24-bit pixels top row first.
struct TbmSmooth::Tsource {
  const platform::TBitmap* bm = nullptr;
  const uint8_t* buf = nullptr;
  int rowL = 0;
  int width = 0;
  int height = 0;
  [[nodiscard]] bool is24() const { return buf || (bm && bm->PixelFormat() == platform::pf24bit); }
  [[nodiscard]] const uint8_t* row(int y) const { return buf ? buf + size_t(y) * size_t(rowL) : bm->ScanLine(y); }
};

TbmSmooth::TbmSmooth()
    : fmask(std::make_unique<TmaskBase>()),
      temp2(std::make_unique<platform::TBitmap>()),
      ftemp(std::make_unique<platform::TBitmap>()) {
  temp2->SetPixelFormat(platform::pf24bit);
  ftemp->SetPixelFormat(platform::pf24bit);
}

TbmSmooth::~TbmSmooth() = default;

platform::TBitmap& TbmSmooth::grownTemp2(int w, int h) {
  if (temp2->Width() < w || temp2->Height() < h) temp2->SetSize(std::max(w, temp2->Width()), std::max(h, temp2->Height()));
  return *temp2;
}

namespace {
// A buffer as a bitmap of its own size, for the platform's stretch.
void stage(platform::TBitmap& bm, const uint8_t* buf, int rowL, int w, int h) {
  bm.SetPixelFormat(platform::pf24bit);
  bm.SetSize(w, h);
  for (int y = 0; y < h; ++y) std::memcpy(bm.ScanLine(y), buf + size_t(y) * size_t(rowL), size_t(w) * 3);
}

void halftone(platform::TDeviceContext& dc, int x, int y, int w, int h, const platform::TBitmap& src, int sw, int sh) {
  dc.setStretchBltMode(platform::StretchMode::Halftone);
  dc.setBrushOrg({0, 0});
  platform::StretchBlt(dc, x, y, w, h, &src.dc(), 0, 0, sw, sh, platform::SRCCOPY);
}
}  // namespace

void TbmSmooth::Draw(platform::TCanvas& canvas, const platform::TRect& target, const platform::TBitmap& source,
                     int sourceWidth, int sourceHeight) {
  Ttarget out{&canvas};
  doDraw(out, target, Tsource{&source, nullptr, 0, sourceWidth, sourceHeight});
}

void TbmSmooth::Draw(platform::TBitmap& bm24, const platform::TRect& target, const platform::TBitmap& source,
                     int sourceWidth, int sourceHeight) {
  Ttarget out{suppliedCanvas ? suppliedCanvas : &bm24.Canvas()};
  if (!suppliedCanvas && bm24.PixelFormat() == platform::pf24bit) out.bm = &bm24;
  doDraw(out, target, Tsource{&source, nullptr, 0, sourceWidth, sourceHeight});
}

void TbmSmooth::Draw(platform::TBitmap& bm24, const platform::TRect& target, const uint8_t* sourceBuf, int sourceRowL,
                     int sourceWidth, int sourceHeight) {
  Ttarget out{suppliedCanvas ? suppliedCanvas : &bm24.Canvas()};
  if (!suppliedCanvas && bm24.PixelFormat() == platform::pf24bit) out.bm = &bm24;
  doDraw(out, target, Tsource{nullptr, sourceBuf, sourceRowL, sourceWidth, sourceHeight});
}

void TbmSmooth::Draw(Tbm24& bm2424, const platform::TRect& target, const uint8_t* sourceBuf, int sourceRowL,
                     int sourceWidth, int sourceHeight) {
  Ttarget out{suppliedCanvas ? suppliedCanvas : &bm2424.canvas()};
  if (!suppliedCanvas) out.bm24 = &bm2424;
  doDraw(out, target, Tsource{nullptr, sourceBuf, sourceRowL, sourceWidth, sourceHeight});
}

void TbmSmooth::doDraw(Ttarget& out, const platform::TRect& target, const Tsource& src) {
  const int wid = target.width(), hei = target.height();
  log("doDraw");
  if (src.width == 0) {
    log("source width is zero");
    return;
  }
  if (wid <= 0 || hei <= 0 || src.width < 0 || src.height <= 0 || (!src.bm && !src.buf) || !out.canvas ||
      !out.canvas->Handle())
    return;
  if (src.bm && (src.width > src.bm->Width() || src.height > src.bm->Height())) {
    log("doDraw: the source bitmap is smaller than the size given");
    return;
  }
  TprocScope proc(*this, "doDraw");
  log("doDraw aa");
  fmask->start();
  fmask->target = target;
  const bool usingMask = fmask->maskUsed();
  log("doDraw a");
  platform::TDeviceContext& dc = *out.canvas->Handle();
  if (wid == src.width) {
    seterr("a");
    const int rows = std::min(hei, src.height);  // no more rows than the source holds
    if (usingMask) {
      seterr("a1");
      platform::TBitmap& t = grownTemp2(wid, rows);
      if (src.bm) platform::BitBlt(t.dc(), 0, 0, wid, rows, &src.bm->dc(), 0, 0, platform::SRCCOPY);
      else
        for (int y = 0; y < rows; ++y) std::memcpy(t.ScanLine(y), src.row(y), size_t(wid) * 3);
      applyMask(out, target, wid, rows);
      return;
    }
    log("doDraw b");
    if (src.bm) {
      platform::BitBlt(dc, target.Left, target.Top, wid, rows, &src.bm->dc(), 0, 0, platform::SRCCOPY);
      return;
    }
    seterr("a2");
    log("doDraw c");
    if (out.hasRows()) {
      // Straight into the target's rows, clipped to the bitmap.
      const int x0 = std::max(0, target.Left), x1 = std::min(out.width(), target.Left + wid);
      for (int y = 0; y < rows && x1 > x0; ++y)
        if (uint8_t* p = out.at(x0, target.Top + y))
          std::memcpy(p, src.row(y) + 3 * size_t(x0 - target.Left), size_t(x1 - x0) * 3);
      return;
    }
    platform::TBitmap& t = grownTemp2(wid, rows);
    for (int y = 0; y < rows; ++y) std::memcpy(t.ScanLine(y), src.row(y), size_t(wid) * 3);
    platform::BitBlt(dc, target.Left, target.Top, wid, rows, &t.dc(), 0, 0, platform::SRCCOPY);
    return;
  }
  seterr("f2a");
  seterr("f2 " + std::to_string(wid) + " " + std::to_string(src.width) + " " + std::to_string(multiplyLimit) + " " +
         (src.bm ? "yes" : "no"));
  if (double(wid) / src.width <= multiplyLimit || !src.is24()) {
    seterr("b");
    std::unique_ptr<platform::TBitmap> staged;
    if (!src.bm) {
      staged = std::make_unique<platform::TBitmap>();
      stage(*staged, src.buf, src.rowL, src.width, src.height);
    }
    const platform::TBitmap& from = src.bm ? *src.bm : *staged;
    if (usingMask) {
      seterr("b1");
      platform::TBitmap& t = grownTemp2(wid, hei);
      halftone(t.dc(), 0, 0, wid, hei, from, src.width, src.height);
      applyMask(out, target, wid, hei);
    } else {
      seterr("b2");
      halftone(dc, target.Left, target.Top, wid, hei, from, src.width, src.height);
    }
    return;
  }
  seterr("g");
  resample(out, target, src, usingMask);
}

// The work bitmap's wid x hei pixels treated over what lies beneath, into the target bitmap or
// back into the work bitmap and then onto the canvas.
void TbmSmooth::applyMask(Ttarget& out, const platform::TRect& target, int wid, int hei) {
  TmaskBase& mk = *fmask;
  for (int i = 0; i < hei; ++i) {
    uint8_t* row = temp2->ScanLine(i);
    for (int j = 0; j < wid; ++j) {
      uint8_t* p = row + 3 * size_t(j);
      uint8_t* under = out.hasRows() ? out.at(target.Left + j, target.Top + i) : nullptr;
      if (out.hasRows() && !under) continue;  // outside the target bitmap
      uint8_t b = p[0], g = p[1], r = p[2];
      mk.ProcessPixel(target.Left + j - mk.viewBox.Left, target.Top + i - mk.viewBox.Top, under ? under[2] : 255,
                      under ? under[1] : 255, under ? under[0] : 255, r, g, b);
      uint8_t* dst = under ? under : p;
      dst[0] = b;
      dst[1] = g;
      dst[2] = r;
    }
  }
  if (!out.hasRows())
    platform::BitBlt(*out.canvas->Handle(), target.Left, target.Top, wid, hei, &temp2->dc(), 0, 0, platform::SRCCOPY);
}

// Bilinear magnification: target (x, y) samples the source at (x / wid x sw, y / hei x sh);
// neighbours outside the source are left out and the weights of the rest renormalised.
void TbmSmooth::resample(Ttarget& out, const platform::TRect& target, const Tsource& src, bool usingMask) {
  const int wid = target.width(), hei = target.height(), sw = src.width, sh = src.height;
  platform::TBitmap& t = grownTemp2(wid, hei);
  seterr("g0");
  std::vector<const uint8_t*> rows(static_cast<size_t>(sh));
  for (int y = 0; y < sh; ++y) rows[size_t(y)] = src.row(y);
  struct Tap {
    int col;
    double f;
    bool next;  // the neighbour at col + 1 lies inside
  };
  std::vector<Tap> across(static_cast<size_t>(wid));
  for (int x = 0; x < wid; ++x) {
    const double sx = double(x) / wid * sw;
    const int col = int(sx);
    across[size_t(x)] = {col, sx - col, col + 1 < sw};
  }
  seterr("g1");
  TmaskBase& mk = *fmask;
  uint8_t underR = 255, underG = 255, underB = 255;  // the colour beneath starts white
  for (int y = 0; y < hei; ++y) {
    const double sy = double(y) / hei * sh;
    const int row = int(sy);
    const double fy = sy - row;
    const bool below = row + 1 < sh;
    const uint8_t* r0 = rows[size_t(row)];
    const uint8_t* r1 = below ? rows[size_t(row) + 1] : r0;
    uint8_t* dst = t.ScanLine(y);
    for (int x = 0; x < wid; ++x, dst += 3) {
      const Tap& a = across[size_t(x)];
      const double w00 = (1 - a.f) * (1 - fy), w10 = a.next ? a.f * (1 - fy) : 0;
      const double w01 = below ? (1 - a.f) * fy : 0, w11 = a.next && below ? a.f * fy : 0;
      const double sum = w00 + w10 + w01 + w11;
      const uint8_t* p00 = r0 + 3 * size_t(a.col);
      const uint8_t* p10 = a.next ? p00 + 3 : p00;
      const uint8_t* p01 = r1 + 3 * size_t(a.col);
      const uint8_t* p11 = a.next ? p01 + 3 : p01;
      uint8_t c[3];
      for (int k = 0; k < 3; ++k) {
        double v = w00 * p00[k] + w10 * p10[k] + w01 * p01[k] + w11 * p11[k];
        if (sum != 1.0) v /= sum;
        c[k] = uint8_t(std::min(255, roundEven(v)));
      }
      if (usingMask) {
        if (const uint8_t* u = out.hasRows() ? out.at(target.Left + x, target.Top + y) : nullptr) {
          underB = u[0];
          underG = u[1];
          underR = u[2];
        }
        uint8_t b = c[0], g = c[1], r = c[2];
        mk.ProcessPixel(target.Left + x - mk.viewBox.Left, target.Top + y - mk.viewBox.Top, underR, underG, underB, r,
                        g, b);
        c[0] = b;
        c[1] = g;
        c[2] = r;
      }
      std::memcpy(dst, c, 3);
    }
  }
  seterr("g2");
  platform::BitBlt(*out.canvas->Handle(), target.Left, target.Top, wid, hei, &t.dc(), 0, 0, platform::SRCCOPY);
}

void TbmSmooth::Draw(platform::TBitmap& baseBm, const platform::TBitmap& bm, int left, int top) {
  if (!fmask->maskUsed()) {
    baseBm.Canvas().Draw(left, top, bm);
    return;
  }
  if (baseBm.PixelFormat() != platform::pf24bit || bm.PixelFormat() != platform::pf24bit) {
    log("Draw: both bitmaps must be 24 bits a pixel");
    return;
  }
  fmask->start();
  for (int y = 0; y < bm.Height(); ++y) {
    const int by = top + y;
    if (by < 0 || by >= baseBm.Height()) continue;
    const uint8_t* s = bm.ScanLine(y);
    uint8_t* d = baseBm.ScanLine(by);
    for (int x = 0; x < bm.Width(); ++x) {
      const int bx = left + x;
      if (bx < 0 || bx >= baseBm.Width()) continue;
      uint8_t* u = d + 3 * size_t(bx);
      uint8_t b = s[3 * x], g = s[3 * x + 1], r = s[3 * x + 2];
      fmask->ProcessPixel(x, y, u[2], u[1], u[0], r, g, b);
      u[0] = b;
      u[1] = g;
      u[2] = r;
    }
  }
}

void TbmSmooth::FadeRect(platform::TBitmap& basebm, const platform::TRect& box, int32_t colour, double percent) {
  if (basebm.PixelFormat() != platform::pf24bit) {
    log("FadeRect: the bitmap must be 24 bits a pixel");
    return;
  }
  const double f = percent / 100;
  const int k[3] = {(colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF};  // blue, green, red
  for (int y = std::max(0, box.Top); y <= std::min(box.Bottom, basebm.Height() - 1); ++y) {
    uint8_t* row = basebm.ScanLine(y);
    for (int x = std::max(0, box.Left); x <= std::min(box.Right, basebm.Width() - 1); ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t& v = row[3 * size_t(x) + size_t(c)];
        v = clampByte(int(std::nearbyint(v + (k[c] - v) * f)));
      }
  }
}
