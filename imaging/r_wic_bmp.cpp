// r_wic: BMP files as an image source: 1, 4 and 8 bits through the palette, 16 and 32 bits
// through channel masks (5-5-5 when a 16-bit file names none), 24 bits, and the run-length
// codes RLE8 and RLE4, walked anew for each extract. Headers of 40 bytes and the longer ones that begin as it does.
// Channels of fewer than 8 bits widen by repeating their bits (5 bits v give v << 3 | v >> 2).
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/r_bitmapRaw.h"
#include "imaging/r_wic_codec.h"

namespace wiccodec {
namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr int64_t kFileHeader = 14;
constexpr int64_t kMostInfoHeader = 4096;
// An RLE code of four bytes (a delta) moves down at most 255 rows; every other code is two bytes
// at least and moves down one row at most.
constexpr int64_t kRleRowsPerByte = 64;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// One channel's mask: where its bits lie and how they widen to 8 bits.
struct Tchannel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t most = 0;  // the largest value the mask holds
  void set(uint32_t m) {
    mask = m;
    shift = m ? std::countr_zero(m) : 0;
    most = m >> shift;
  }
  [[nodiscard]] uint8_t of(uint32_t pixel) const {
    if (!most) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    if ((most & (most + 1)) != 0) return uint8_t(std::nearbyint(v * 255.0 / most));  // not a run of bits
    const int n = std::popcount(most);
    if (n >= 8) return uint8_t(v >> (n - 8));
    uint32_t acc = 0;
    int have = 0;
    while (have < 8) {
      acc = acc << n | v;
      have += n;
    }
    return uint8_t(acc >> (have - 8));
  }
};

// What the headers say, checked against the file's length.
struct Tform {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  int64_t offset = 0;     // first byte of the pixels or of the codes
  int64_t rowLength = 0;  // uncompressed rows
  std::vector<std::array<uint8_t, 3>> palette;  // red, green, blue; 256 entries for 1 to 8 bits
  Tchannel red, green, blue;
};

std::string readForm(const std::vector<uint8_t>& b, Tform& f) {
  const auto len = int64_t(b.size());
  if (len < kFileHeader + 4) return "too short for a BMP header";
  if (b[0] != 'B' || b[1] != 'M') return "not a BMP file";
  const uint32_t infoSize = le32(&b[14]);
  if (infoSize == 12) return "OS/2 core headers are not read";
  if (infoSize < 40 || infoSize > kMostInfoHeader) return "info header size " + std::to_string(infoSize) + " is not valid";
  if (kFileHeader + int64_t(infoSize) > len) return "file ends inside its info header";
  const auto width = int32_t(le32(&b[18]));
  const auto height = int32_t(le32(&b[22]));
  const uint16_t planes = le16(&b[26]);
  f.bits = le16(&b[28]);
  f.compression = le32(&b[30]);
  const uint32_t used = le32(&b[46]);
  f.offset = le32(&b[10]);
  if (planes != 1) return "planes field is " + std::to_string(planes) + ", not 1";
  if (f.bits != 1 && f.bits != 4 && f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32)
    return std::to_string(f.bits) + " bits per pixel is not read";
  const bool rle = f.compression == kRle8 || f.compression == kRle4;
  if ((f.compression == kRle8 && f.bits != 8) || (f.compression == kRle4 && f.bits != 4) ||
      (f.compression == kBitFields && f.bits != 16 && f.bits != 32) || f.compression > kBitFields)
    return "compression " + std::to_string(f.compression) + " with " + std::to_string(f.bits) + " bits is not read";
  if (width <= 0) return "width " + std::to_string(width) + " is not positive";
  if (height == 0 || height == INT32_MIN) return "height " + std::to_string(height) + " is not valid";
  if (rle && height < 0) return "a run-length coded bitmap is never top-down";
  f.width = width;
  f.height = height < 0 ? -height : height;
  f.topDown = height < 0;
  // Channel masks lie after the first 40 bytes of the info header: inside a longer header, or
  // after a 40-byte one, where the palette then begins after them.
  int64_t paletteOffset = kFileHeader + int64_t(infoSize);
  if (f.compression == kBitFields) {
    if (kFileHeader + 40 + 12 > len) return "file ends inside its channel masks";
    f.red.set(le32(&b[54]));
    f.green.set(le32(&b[58]));
    f.blue.set(le32(&b[62]));
    if (f.bits == 16 && ((f.red.mask | f.green.mask | f.blue.mask) >> 16) != 0)
      return "channel masks reach beyond the pixel's 16 bits";
    if (infoSize < 52) paletteOffset += 12;
  } else if (f.bits == 16) {
    f.red.set(0x7C00);
    f.green.set(0x03E0);
    f.blue.set(0x001F);
  } else if (f.bits == 32) {
    f.red.set(0x00FF0000);
    f.green.set(0x0000FF00);
    f.blue.set(0x000000FF);
  }
  int entries = 0;
  if (f.bits <= 8) {
    const uint32_t most = 1u << f.bits;
    if (used > most) return "palette of " + std::to_string(used) + " entries for " + std::to_string(f.bits) + " bits";
    entries = used ? int(used) : int(most);
  }
  if (f.offset < paletteOffset + 4 * int64_t(entries)) return "pixel offset lies inside the headers or palette";
  if (f.offset > len) return "pixel offset lies past the end of the file";
  for (int i = 0; i < entries; ++i) {
    const uint8_t* q = &b[size_t(paletteOffset) + 4 * size_t(i)];
    f.palette.push_back({q[2], q[1], q[0]});
  }
  if (f.bits <= 8) f.palette.resize(256, {0, 0, 0});  // indices past the palette read black
  const uint64_t pixels = uint64_t(f.width) * uint64_t(f.height);
  if (rle) {
    // The codes may leave pixels out, but every row they reach costs them bytes.
    if (pixels > platform::kMaxImagePixels || f.height > (len - f.offset) * kRleRowsPerByte + 255)
      return "a file of " + std::to_string(len) + " bytes cannot hold " + std::to_string(f.width) + " x " +
             std::to_string(f.height) + " pixels";
    return "";
  }
  f.rowLength = bmpRowLength(f.width, f.bits);
  if (f.rowLength > INT32_MAX / f.height) return "image too large";
  // The last row's padding may be missing; its pixels may not.
  const int64_t needed = f.rowLength * f.height - (f.rowLength - (int64_t(f.width) * f.bits + 7) / 8);
  if (f.offset + needed > len)
    return "file is truncated: its rows need " + std::to_string(f.rowLength * f.height) + " bytes";
  return "";
}

// Run-length codes into the palette indices of one rectangle of the picture (rows from the
// top, w to a row). The codes are walked from the bottom row up, each run cut to the rectangle,
// so the work is the file's and the rectangle's, never the whole picture's. Pixels the codes
// leave out (a delta, an early end of line or of the bitmap) keep index 0; codes that run past a
// row's end are cut there, and codes cut off by the file's end end the bitmap.
void expandRle(const std::vector<uint8_t>& b, const Tform& f, int left, int top, int w, int h, uint8_t* idx) {
  std::fill(idx, idx + size_t(w) * size_t(h), uint8_t(0));
  const bool four = f.compression == kRle4;
  const int64_t lastStored = int64_t(f.height) - 1 - top;  // the rectangle's top row as stored
  const int64_t firstStored = lastStored - h + 1;
  size_t p = size_t(f.offset);
  int64_t x = 0, y = 0;  // y: stored rows from the bottom
  auto rowOf = [&]() -> uint8_t* {
    return y >= firstStored && y <= lastStored ? idx + size_t(lastStored - y) * size_t(w) : nullptr;
  };
  while (p + 1 < b.size() && y <= lastStored) {
    const uint8_t n = b[p], c = b[p + 1];
    p += 2;
    if (n > 0) {  // a run: one index, or two alternating for four bits
      if (uint8_t* row = rowOf())
        for (int64_t i = std::max<int64_t>(0, left - x), end = std::min<int64_t>(n, left + w - x); i < end; ++i)
          row[x + i - left] = four ? uint8_t(i % 2 ? c & 0x0F : c >> 4) : c;
      x += n;
      continue;
    }
    if (c == 0) {  // end of line
      x = 0;
      ++y;
    } else if (c == 1) {  // end of bitmap
      break;
    } else if (c == 2) {  // delta
      if (p + 1 >= b.size()) break;
      x += b[p];
      y += b[p + 1];
      p += 2;
    } else {  // c indices as they are, padded to a whole 16-bit word
      const size_t bytes = four ? (size_t(c) + 1) / 2 : size_t(c);
      if (p + bytes > b.size()) break;
      if (uint8_t* row = rowOf())
        for (int64_t i = std::max<int64_t>(0, left - x), end = std::min<int64_t>(c, left + w - x); i < end; ++i)
          row[x + i - left] = four ? uint8_t(i % 2 ? b[p + size_t(i / 2)] & 0x0F : b[p + size_t(i / 2)] >> 4)
                                   : b[p + size_t(i)];
      x += c;
      p += (bytes + 1) & ~size_t(1);
    }
  }
}

class TbmpSource : public platform::TimageSource {
 public:
  TbmpSource(std::vector<uint8_t> bytes, Tform form) : fbytes(std::move(bytes)), f(std::move(form)) {
    fwidth = f.width;
    fheight = f.height;
    fbits = f.bits;
  }
  [[nodiscard]] platform::ImageKind kind() const override { return platform::ImageKind::Unknown; }

 protected:
  bool decode(int left, int top, int w, int h, platform::PixelLayout layout, uint8_t* out, size_t stride,
              std::string&) override {
    const bool rle = f.compression == kRle8 || f.compression == kRle4;
    std::vector<uint8_t> indices;
    if (rle) {
      indices.resize(size_t(w) * size_t(h));
      expandRle(fbytes, f, left, top, w, h, indices.data());
    }
    std::vector<uint8_t> rgb(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
      const int stored = f.topDown ? top + y : fheight - 1 - (top + y);
      uint8_t* p = rgb.data();
      if (rle) {
        const uint8_t* row = indices.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x, p += 3) std::memcpy(p, f.palette[row[x]].data(), 3);
      } else {
        const uint8_t* row = fbytes.data() + f.offset + f.rowLength * stored;
        for (int x = 0; x < w; ++x, p += 3) pixel(row, left + x, p);
      }
      platform::rgbToLayout(rgb.data(), w, layout, out + size_t(y) * stride);
    }
    return true;
  }

 private:
  void pixel(const uint8_t* row, int col, uint8_t* rgb) const {
    switch (f.bits) {
      case 1: std::memcpy(rgb, f.palette[(row[col / 8] >> (7 - col % 8)) & 1].data(), 3); return;
      case 4: std::memcpy(rgb, f.palette[(row[col / 2] >> (col % 2 ? 0 : 4)) & 0x0F].data(), 3); return;
      case 8: std::memcpy(rgb, f.palette[row[col]].data(), 3); return;
      case 24: {
        const uint8_t* q = row + size_t(col) * 3;
        rgb[0] = q[2];
        rgb[1] = q[1];
        rgb[2] = q[0];
        return;
      }
      default: {  // 16 and 32 bits through the masks
        const uint32_t v = f.bits == 16 ? le16(row + size_t(col) * 2) : le32(row + size_t(col) * 4);
        rgb[0] = f.red.of(v);
        rgb[1] = f.green.of(v);
        rgb[2] = f.blue.of(v);
      }
    }
  }

  std::vector<uint8_t> fbytes;
  Tform f;
};

}  // namespace

std::unique_ptr<platform::TimageSource> openBmp(std::vector<uint8_t> bytes, std::string& error) {
  Tform form;
  if (std::string why = readForm(bytes, form); !why.empty()) {
    error = "BMP: " + why;
    return nullptr;
  }
  return std::make_unique<TbmpSource>(std::move(bytes), std::move(form));
}

}  // namespace wiccodec
