// Image codecs: JPEG (libjpeg-turbo) and PNG (libpng) files to and from 8-bit RGB pixels.
// Pixels are top row first, three bytes a pixel in the order red, green, blue.
// Implemented: [x] JPEG and PNG decoding (grey, palette and alpha flattened to RGB)
//              [x] sizes checked against a pixel limit and the file's length, time bounded
//              [x] JPEG and PNG encoding of RGB, written through a temporary file [ ] 16-bit PNG kept at full depth [ ] metadata
#pragma once
#include <cstddef>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct TrgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes
  [[nodiscard]] bool empty() const { return width <= 0 || height <= 0; }
  [[nodiscard]] const uint8_t* pixel(int col, int row) const { return rgb.data() + (size_t(row) * width + col) * 3; }
  [[nodiscard]] uint8_t* pixel(int col, int row) { return rgb.data() + (size_t(row) * width + col) * 3; }
};

enum class ImageKind { Unknown, Jpeg, Png };

// Decoding refuses, before allocating, an image beyond this many pixels or larger than its file
// could hold, and gives up on a damaged stream after the time limit.
constexpr uint64_t kMaxImagePixels = uint64_t(256) * 1024 * 1024;
constexpr std::chrono::seconds kDecodeTimeLimit{10};

// The kind of an image by its first bytes.
[[nodiscard]] ImageKind imageKindOf(const uint8_t* bytes, size_t length);

// Decoding: false (image emptied, reason in error) for unknown, damaged or truncated input.
bool decodeImage(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error);
bool decodeImageFile(const std::string& filename, TrgbImage& image, std::string& error);

// Encoding: false (reason in error) for an empty image or a file that cannot be written.
bool encodePngFile(const std::string& filename, const TrgbImage& image, std::string& error);
// The PNG file's bytes in memory.
bool encodePng(const TrgbImage& image, std::vector<uint8_t>& bytes, std::string& error);
bool encodeJpegFile(const std::string& filename, const TrgbImage& image, int quality, std::string& error);

}  // namespace platform
