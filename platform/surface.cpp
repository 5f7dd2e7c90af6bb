// Pixel surfaces laid out like device-independent bitmaps, rectangles with exclusive right/bottom.
// Invariants of TSurface:
//   (1) empty: fbits == nullptr, fwidth == fheight == fbpp == fstride == 0
//   (2) otherwise stride >= rowBytes(width, bpp), and fbits addresses stride × height bytes
//   (3) Owned: fbits == fown.get(); View: fown is null
#include "platform/surface.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace platform {

TRect TRect::normalized() const {
  return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom)};
}

void TRect::intersect(TRect const& r) {
  Left = std::max(Left, r.Left);
  Top = std::max(Top, r.Top);
  Right = std::min(Right, r.Right);
  Bottom = std::min(Bottom, r.Bottom);
  if (isEmpty()) *this = {};
}

void TRect::unite(TRect const& r) {
  if (r.isEmpty()) return;
  if (isEmpty()) { *this = r; return; }
  Left = std::min(Left, r.Left);
  Top = std::min(Top, r.Top);
  Right = std::max(Right, r.Right);
  Bottom = std::max(Bottom, r.Bottom);
}

void TSurface::checkInvariants() const {
#ifndef NDEBUG
  if (fbits == nullptr) {
    assert(fwidth == 0 && fheight == 0 && fbpp == 0 && fstride == 0 && "(1) an empty surface has no size");
    return;
  }
  assert(fstride >= rowBytes(fwidth, fbpp) && "(2) rows hold their pixels");
  assert((fmemory == Memory::Owned) == (fown != nullptr) && "(3) owned rows live in fown");
  assert((fmemory == Memory::View || fbits == fown.get()) && "(3) owned rows start at fown");
#endif
}

TSurface::TSurface(TSurface&& o) noexcept { *this = std::move(o); }

TSurface& TSurface::operator=(TSurface&& o) noexcept {
  if (this == &o) return *this;
  fown = std::move(o.fown);
  fbits = o.fbits;
  fwidth = o.fwidth;
  fheight = o.fheight;
  fbpp = o.fbpp;
  fstride = o.fstride;
  fmemory = o.fmemory;
  fpalette = std::move(o.fpalette);
  o.fown.reset();
  o.fbits = nullptr;
  o.fwidth = o.fheight = o.fbpp = o.fstride = 0;
  checkInvariants();
  return *this;
}

bool TSurface::validDepth(int bpp) { return bpp == 1 || bpp == 8 || bpp == 24 || bpp == 32; }

int TSurface::rowBytes(int width, int bpp) {
  if (width < 0 || !validDepth(bpp)) return 0;
  int64_t bytes = ((int64_t(width) * bpp + 31) / 32) * 4;
  return bytes > std::numeric_limits<int>::max() ? 0 : int(bytes);
}

namespace {
// Default colour tables: black and white for one bit, a grey ramp for eight.
std::vector<TColor> defaultPalette(int bpp) {
  std::vector<TColor> p;
  if (bpp == 1) p = {0x000000, 0xFFFFFF};
  if (bpp == 8)
    for (int i = 0; i < 256; ++i) p.push_back(RGB(uint8_t(i), uint8_t(i), uint8_t(i)));
  return p;
}
// Surfaces above this many bytes are refused rather than risk an allocation that cannot succeed.
constexpr int64_t kMaxSurfaceBytes = int64_t(1) << 31;
}  // namespace

bool TSurface::create(int width, int height, int bpp) {
  release();
  if (width < 0 || height < 0 || !validDepth(bpp)) return false;
  int stride = rowBytes(width, bpp);
  if (width > 0 && stride == 0) return false;
  int64_t total = int64_t(stride) * height;
  if (total > kMaxSurfaceBytes) return false;
  // A 0-sized surface still has an address.
  fown.reset(static_cast<uint8_t*>(std::calloc(size_t(std::max<int64_t>(total, 1)), 1)));
  if (!fown) return false;
  fbits = fown.get();
  fwidth = width;
  fheight = height;
  fbpp = bpp;
  fstride = stride;
  fmemory = Memory::Owned;
  fpalette = defaultPalette(bpp);
  checkInvariants();
  return true;
}

bool TSurface::bind(uint8_t* bits, int width, int height, int bpp, int stride) {
  release();
  if (width < 0 || height < 0 || !validDepth(bpp)) return false;
  int need = rowBytes(width, bpp);
  if (width > 0 && need == 0) return false;
  if (stride == 0) stride = need;
  if (stride < need) return false;
  if (bits == nullptr) return false;
  fbits = bits;
  fwidth = width;
  fheight = height;
  fbpp = bpp;
  fstride = stride;
  fmemory = Memory::View;
  fpalette = defaultPalette(bpp);
  checkInvariants();
  return true;
}

void TSurface::release() {
  fown.reset();
  fbits = nullptr;
  fwidth = fheight = fbpp = fstride = 0;
  fmemory = Memory::Owned;
  fpalette.clear();
  checkInvariants();
}

void TSurface::setPalette(std::span<TColor const> entries) {
  size_t most = fbpp == 1 ? 2 : 256;
  fpalette.assign(entries.begin(), entries.begin() + std::min(entries.size(), most));
}

int TSurface::nearestIndex(TColor c) const {
  int best = 0;
  int bestD = std::numeric_limits<int>::max();
  for (size_t i = 0; i < fpalette.size(); ++i) {
    TColor p = fpalette[i];
    int dr = int(GetRValue(p)) - GetRValue(c);
    int dg = int(GetGValue(p)) - GetGValue(c);
    int db = int(GetBValue(p)) - GetBValue(c);
    int d = dr * dr + dg * dg + db * db;
    if (d < bestD) {
      bestD = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  return best;
}

TColor TSurface::pixel(int x, int y) const {
  if (empty() || x < 0 || y < 0 || x >= fwidth || y >= fheight) return CLR_INVALID;
  uint8_t const* r = row(y);
  switch (fbpp) {
    case 1: {
      int i = (r[x >> 3] >> (7 - (x & 7))) & 1;
      return size_t(i) < fpalette.size() ? fpalette[size_t(i)] : (i ? 0xFFFFFF : 0);
    }
    case 8: {
      int i = r[x];
      return size_t(i) < fpalette.size() ? fpalette[size_t(i)] : RGB(uint8_t(i), uint8_t(i), uint8_t(i));
    }
    case 24: return RGB(r[3 * x + 2], r[3 * x + 1], r[3 * x]);
    default: return RGB(r[4 * x + 2], r[4 * x + 1], r[4 * x]);
  }
}

void TSurface::setPixel(int x, int y, TColor c) {
  if (empty() || x < 0 || y < 0 || x >= fwidth || y >= fheight) return;
  uint8_t* r = row(y);
  switch (fbpp) {
    case 1: {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (nearestIndex(c)) r[x >> 3] |= bit; else r[x >> 3] &= uint8_t(~bit);
      break;
    }
    case 8: r[x] = uint8_t(nearestIndex(c)); break;
    case 24:
      r[3 * x] = GetBValue(c);
      r[3 * x + 1] = GetGValue(c);
      r[3 * x + 2] = GetRValue(c);
      break;
    default:
      r[4 * x] = GetBValue(c);
      r[4 * x + 1] = GetGValue(c);
      r[4 * x + 2] = GetRValue(c);
      r[4 * x + 3] = 0;
      break;
  }
}

uint32_t TSurface::pixel32(int x, int y) const {
  assert(fbpp == 32 && "pixel32 reads 32-bit surfaces only");
  if (empty() || fbpp != 32 || x < 0 || y < 0 || x >= fwidth || y >= fheight) return 0;
  uint32_t v;
  std::memcpy(&v, row(y) + 4 * x, 4);
  return v;
}

void TSurface::fillBytes(uint8_t b) {
  if (!empty()) std::memset(fbits, b, size_t(fstride) * size_t(fheight));
}

}  // namespace platform
