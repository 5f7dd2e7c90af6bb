// Image codecs: JPEG (libjpeg-turbo) and PNG (libpng) files to and from 8-bit RGB pixels.
// Pixels are top row first, three bytes a pixel in the order red, green, blue.
// Implemented: [x] JPEG and PNG decoding (grey, palette and alpha flattened to RGB)
//              [x] JPEG and PNG encoding of RGB [ ] 16-bit PNG kept at full depth [ ] metadata
#pragma once
#include <cstddef>
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
