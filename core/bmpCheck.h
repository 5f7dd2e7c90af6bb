// Private to the pixel buffers: the checks a BMP file passes before any row of it is read, and
// the headers the buffers write their own files with.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

struct TbmpFileHeader;
struct TbmpInfoHeader;

// Where the parts of a checked uncompressed BMP lie.
struct TbmpLayout {
  int width = 0;
  int height = 0;        // always positive
  bool topDown = false;  // the height field was negative
  int bits = 0;
  int64_t offset = 0;  // first pixel byte
  int64_t rowLength = 0;
  int64_t paletteOffset = 0;
  int paletteEntries = 0;  // 0 for 24 bits
};

// Checks the headers against the real length: "" when the rows can be read, else the reason.
// bitsWanted 0 accepts 1, 8 and 24 bits; wrongDepth tells a refusal for the depth alone.
std::string checkBmp(const uint8_t* p, size_t length, int bitsWanted, TbmpLayout& out, bool& wrongDepth);

inline uint32_t bmpGet32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Headers of an uncompressed bottom-up image: pixelOffset bytes of headers and palette, then
// imageSize bytes of pixels. Fields not named here are left as they are.
void fillBmpHeaders(TbmpFileHeader& fh, TbmpInfoHeader& bi, int width, int height, int bitCount, uint32_t pixelOffset,
                    uint32_t imageSize);

inline std::string_view byteView(const void* p, size_t n) { return {static_cast<const char*>(p), n}; }
// Writes the pieces as one file through a temporary file that replaces the old one whole; false
// (logged under who, the old file untouched) when it cannot be written.
bool saveBmpFile(const std::string& filename, std::initializer_list<std::string_view> pieces, const char* who);
