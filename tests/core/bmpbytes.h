// Builds BMP files byte by byte for the pixel-buffer tests, with every header field settable so
// that hostile files can be made from a good one.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace testbmp {

struct Spec {
  int32_t width = 3;
  int32_t height = 2;  // negative: top-down
  uint16_t bits = 24;
  uint32_t infoSize = 40;
  uint16_t planes = 1;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  int paletteEntries = -1;  // -1: 2 for 1 bit, 256 for 8 bits, 0 for 24
  int64_t pixelOffset = -1;  // -1: right after the headers and palette
  uint8_t fill = 0;          // pixel bytes are fill + index within the pixel block
};

inline void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

inline int64_t rowLength(int32_t width, int bits) { return ((int64_t(width) * bits + 31) / 32) * 4; }

// A complete file; its pixel bytes are (fill + k) for the k-th byte of the block.
inline std::vector<uint8_t> make(const Spec& s) {
  const int entries = s.paletteEntries >= 0 ? s.paletteEntries : (s.bits == 1 ? 2 : s.bits == 8 ? 256 : 0);
  const int64_t headers = 14 + int64_t(s.infoSize) + 4 * int64_t(entries);
  const int64_t offset = s.pixelOffset >= 0 ? s.pixelOffset : headers;
  const int64_t rows = s.height < 0 ? -int64_t(s.height) : s.height;
  const int64_t image = s.width > 0 ? rowLength(s.width, s.bits) * rows : 0;
  std::vector<uint8_t> b(size_t(std::max(offset, headers) + image), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, uint32_t(offset));
  put32(b, 14, s.infoSize);
  if (s.infoSize >= 16) {
    put32(b, 18, uint32_t(s.width));
    put32(b, 22, uint32_t(s.height));
    put16(b, 26, s.planes);
    put16(b, 28, s.bits);
    put32(b, 30, s.compression);
    put32(b, 34, uint32_t(image));
    put32(b, 46, s.clrUsed);
  }
  for (int i = 0; i < entries; ++i) {  // 1 bit: black, white; 8 bits: greys
    const uint8_t v = uint8_t(s.bits == 1 ? (i ? 255 : 0) : i);
    const size_t at = size_t(14 + s.infoSize + 4 * i);
    b[at] = b[at + 1] = b[at + 2] = v;
  }
  for (int64_t k = 0; k < image; ++k) b[size_t(offset + k)] = uint8_t(s.fill + k);
  return b;
}

}  // namespace testbmp
