// Pixel surfaces laid out like device-independent bitmaps, with the colour, point and rectangle
// values the canvas works in. Rows are bottom-up, padded to 4 bytes, bytes blue-green-red(-alpha).
// Implemented: [x] 1, 8 (palette), 24 and 32 bits per pixel [x] owned memory or a view on the
//              caller's rows [x] pixel read/write with depth conversion [ ] top-down rows
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace platform {

// A colour integer 0x00BBGGRR: red in the low byte.
using TColor = uint32_t;
constexpr TColor CLR_INVALID = 0xFFFFFFFFu;  // what a pixel read answers outside the surface or clip

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t((c >> 16) & 0xFF); }

// One pixel of a 24-bit row as the platform names its bytes: blue, green, red.
struct TRGBTriple {
  uint8_t rgbtBlue = 0;
  uint8_t rgbtGreen = 0;
  uint8_t rgbtRed = 0;
  friend bool operator==(TRGBTriple const&, TRGBTriple const&) = default;
};

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(TPoint const&, TPoint const&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(TSize const&, TSize const&) = default;
};

// A rectangle whose right and bottom edges are exclusive: (0, 0, 2, 2) covers four pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  [[nodiscard]] int width() const { return Right - Left; }
  [[nodiscard]] int height() const { return Bottom - Top; }
  [[nodiscard]] bool isEmpty() const { return Right <= Left || Bottom <= Top; }
  [[nodiscard]] bool contains(TPoint p) const {
    return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
  }
  [[nodiscard]] bool contains(TRect const& r) const {
    return r.Left >= Left && r.Right <= Right && r.Top >= Top && r.Bottom <= Bottom;
  }
  // Left > Right or Top > Bottom swapped into order.
  [[nodiscard]] TRect normalized() const;
  // An empty result is (0, 0, 0, 0).
  void intersect(TRect const&);
  [[nodiscard]] TRect intersected(TRect const& r) const { TRect t = *this; t.intersect(r); return t; }
  // The smallest rectangle holding both; an empty operand adds nothing.
  void unite(TRect const&);
  [[nodiscard]] TRect united(TRect const& r) const { TRect t = *this; t.unite(r); return t; }
  void offset(int dx, int dy) { Left += dx; Right += dx; Top += dy; Bottom += dy; }
  [[nodiscard]] TRect offsetted(int dx, int dy) const { TRect t = *this; t.offset(dx, dy); return t; }
  friend bool operator==(TRect const&, TRect const&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// Pixel memory of one bitmap. Either owns its rows or is a view on rows kept by someone else
// (the 24-bit pixel buffer binds a view to its own block). The palette serves 1 and 8 bits.
class TSurface {
 public:
  enum class Memory { Owned, View };

  TSurface() = default;
  TSurface(TSurface const&) = delete;
  TSurface& operator=(TSurface const&) = delete;
  TSurface(TSurface&&) noexcept;
  TSurface& operator=(TSurface&&) noexcept;
  ~TSurface() = default;

  // Bytes of one stored row: width × bits rounded up to whole 32-bit words; 0 for a bad size.
  [[nodiscard]] static int rowBytes(int width, int bitsPerPixel);
  [[nodiscard]] static bool validDepth(int bitsPerPixel);

  // Owned rows, every byte 0. 1 bit gets a black-and-white palette, 8 bits 256 greys.
  // False (and the surface empty) for a depth other than 1, 8, 24, 32 or a size that is negative
  // or too large to address.
  bool create(int width, int height, int bitsPerPixel);
  // A view on rows of stride bytes (0: rowBytes) that the caller keeps alive while bound.
  // False (and the surface empty) when bits is null or the stride is short.
  bool bind(uint8_t* bits, int width, int height, int bitsPerPixel, int stride = 0);
  // Back to empty (0 × 0, no memory); a view only forgets the caller's rows.
  void release();

  [[nodiscard]] bool empty() const { return fbits == nullptr; }
  [[nodiscard]] Memory memory() const { return fmemory; }
  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int bitsPerPixel() const { return fbpp; }
  [[nodiscard]] int stride() const { return fstride; }
  [[nodiscard]] TRect bounds() const { return {0, 0, fwidth, fheight}; }
  // The first stored byte: the bottom row.
  [[nodiscard]] uint8_t* bits() { return fbits; }
  [[nodiscard]] uint8_t const* bits() const { return fbits; }
  // Image row y, 0 at the top; y must lie inside the surface.
  [[nodiscard]] uint8_t* row(int y) { return fbits + size_t(fheight - 1 - y) * size_t(fstride); }
  [[nodiscard]] uint8_t const* row(int y) const {
    return fbits + size_t(fheight - 1 - y) * size_t(fstride);
  }

  // Entries as colour integers; 1 bit uses two entries, 8 bits up to 256.
  [[nodiscard]] std::span<TColor const> palette() const { return fpalette; }
  void setPalette(std::span<TColor const>);
  // The palette index nearest to a colour (squared distance in RGB; the first of equals).
  [[nodiscard]] int nearestIndex(TColor) const;

  // The pixel as a colour integer (1 and 8 bits through the palette); CLR_INVALID outside.
  [[nodiscard]] TColor pixel(int x, int y) const;
  // Writes a colour (1 and 8 bits: the nearest palette entry; 32 bits: alpha byte 0); outside: nothing.
  void setPixel(int x, int y, TColor);
  // 32 bits only: the raw 0xAARRGGBB word as stored (blue in the low byte).
  [[nodiscard]] uint32_t pixel32(int x, int y) const;
  // Sets every stored byte, padding included.
  void fillBytes(uint8_t);

 private:
  void checkInvariants() const;
  struct FreeBytes {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  // Owned rows from calloc: a large block comes zeroed from the system and costs nothing until
  // it is drawn on (a window's back buffer made and remade while the window finds its size).
  std::unique_ptr<uint8_t, FreeBytes> fown;
  uint8_t* fbits = nullptr;
  int fwidth = 0;
  int fheight = 0;
  int fbpp = 0;
  int fstride = 0;
  Memory fmemory = Memory::Owned;
  std::vector<TColor> fpalette;
};

}  // namespace platform
