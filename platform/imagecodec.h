// Image codecs: JPEG (libjpeg-turbo), PNG (libpng), TIFF (libtiff) and GIF (giflib, first frame).
// Decoding opens an image once for its size and then decodes rectangles of it on demand, only
// as far as the format allows: TIFF strips and tiles, JPEG rows down to the extract's bottom.
// Rows are top row first; TrgbImage holds red, green, blue bytes.
// Implemented: [x] JPEG, PNG, TIFF (strips and tiles, 1 to 32 bits) and GIF decoding from memory
//                  or a file, grey, palette and alpha flattened (transparent parts on black)
//              [x] sizes checked against a pixel limit and the file's length, time bounded
//              [x] encoding as JPEG, PNG and TIFF of 1-, 8-, 24- and 32-bit rows, written
//                  through a temporary file
//              [ ] 16-bit PNG or TIFF kept at full depth [ ] metadata [ ] GIF encoding
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
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

enum class ImageKind { Unknown, Jpeg, Png, Tiff, Gif };

// How the bytes of a row hold its pixels.
enum class PixelLayout {
  Rgb24,   // red, green, blue
  Bgr24,   // blue, green, red: the pixel buffers' order
  Grey8,
  Rgba32,  // red, green, blue, straight alpha
  Mono1,   // one bit a pixel, the leftmost in bit 7; a set bit is white
};
[[nodiscard]] int bitsOf(PixelLayout);
// Bytes of a row of width pixels, without padding.
[[nodiscard]] size_t rowBytesOf(PixelLayout, int width);
// `count` red-green-blue pixels in the layout. Grey is the luma 0.299 R + 0.587 G + 0.114 B
// rounded; one bit is white where that luma is at least 128.
void rgbToLayout(const uint8_t* rgb, int count, PixelLayout, uint8_t* out);

// Rows of pixels somebody else keeps, top row first, stride bytes apart.
struct TpixelRows {
  int width = 0;
  int height = 0;
  PixelLayout layout = PixelLayout::Rgb24;
  const uint8_t* data = nullptr;
  size_t stride = 0;
  [[nodiscard]] const uint8_t* row(int y) const { return data + size_t(y) * stride; }
};

// Decoding refuses, before allocating, an extract beyond this many pixels (for formats decoded
// row by row: the image's width times the extract's height) and an image larger than its file
// could hold, and gives up on a damaged stream after the time limit.
constexpr uint64_t kMaxImagePixels = uint64_t(256) * 1024 * 1024;
constexpr std::chrono::seconds kDecodeTimeLimit{10};

// The kind of an image by its first bytes.
[[nodiscard]] ImageKind imageKindOf(const uint8_t* bytes, size_t length);

// One image (a TIFF's first directory, a GIF's first frame), opened for extracts.
class TimageSource {
 public:
  virtual ~TimageSource() = default;
  [[nodiscard]] virtual ImageKind kind() const = 0;
  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  // Bits a pixel as the file stores them (samples times bits a sample).
  [[nodiscard]] int bitsPerPixel() const { return fbits; }
  // Decodes the rectangle (left, top, w, h) into rows of the layout, stride bytes apart.
  // False, with the reason, for an empty rectangle or one outside the image, an extract beyond
  // the pixel limit (before anything is allocated) and damaged or truncated data.
  bool extract(int left, int top, int w, int h, PixelLayout, uint8_t* out, size_t stride, std::string& error);
  // Whole images reduced while they are decoded, for previews: the largest of 1, 2, 4 and 8 up
  // to `most` that the format decodes so (JPEG: all four; the rest: 1), the reduced size (each
  // side divided and rounded up), and the whole image decoded at that scale.
  [[nodiscard]] virtual int reduction(int) const { return 1; }
  [[nodiscard]] int reducedWidth(int scale) const { return (fwidth + scale - 1) / scale; }
  [[nodiscard]] int reducedHeight(int scale) const { return (fheight + scale - 1) / scale; }
  bool extractReduced(int scale, PixelLayout, uint8_t* out, size_t stride, std::string& error);

 protected:
  // The rectangle lies inside the image and is not empty.
  virtual bool decode(int left, int top, int w, int h, PixelLayout, uint8_t* out, size_t stride,
                      std::string& error) = 0;
  // Scale is one that reduction() gave, above 1.
  virtual bool decodeReduced(int, PixelLayout, uint8_t*, size_t, std::string& error) {
    error = "not decoded reduced";
    return false;
  }
  int fwidth = 0;
  int fheight = 0;
  int fbits = 0;
};

// Opens an image for extracts; nullptr (reason in error) for an unknown kind or a header that is
// damaged or claims more than the file can hold. The memory form keeps the bytes; the file form
// reads a TIFF as it goes and any other kind whole.
std::unique_ptr<TimageSource> openImage(std::vector<uint8_t> bytes, std::string& error);
std::unique_ptr<TimageSource> openImageFile(const std::string& filename, std::string& error);

// Decoding the whole image: false (image emptied, reason in error) for unknown, damaged or
// truncated input.
bool decodeImage(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error);
bool decodeImageFile(const std::string& filename, TrgbImage& image, std::string& error);

// Encoding as JPEG, PNG or TIFF, into memory or a file (written whole through a temporary file,
// so a failure leaves the old file). False (reason in error) for an empty image, a kind that is
// not encoded, or a file that cannot be written. JPEG keeps no alpha and writes one bit as grey;
// quality 1..100 serves JPEG alone.
bool encodeImage(ImageKind, const TpixelRows&, std::vector<uint8_t>& bytes, std::string& error, int quality = 90);
bool encodeImageFile(const std::string& filename, ImageKind, const TpixelRows&, std::string& error,
                     int quality = 90);
// The same for red-green-blue images.
bool encodePngFile(const std::string& filename, const TrgbImage& image, std::string& error);
bool encodePng(const TrgbImage& image, std::vector<uint8_t>& bytes, std::string& error);
bool encodeJpegFile(const std::string& filename, const TrgbImage& image, int quality, std::string& error);

}  // namespace platform
