// Image codecs, what every format shares: kinds, layouts, size checks, the whole-image decode
// and the file forms of the encoders. Each format's own code is in imagecodec_<format>.cpp.
#include "platform/imagecodec.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/imagecodec_detail.h"

namespace platform {

int bitsOf(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::Rgb24:
    case PixelLayout::Bgr24: return 24;
    case PixelLayout::Grey8: return 8;
    case PixelLayout::Rgba32: return 32;
    case PixelLayout::Mono1: return 1;
  }
  return 24;
}

size_t rowBytesOf(PixelLayout layout, int width) {
  return width <= 0 ? 0 : (size_t(width) * size_t(bitsOf(layout)) + 7) / 8;
}

namespace {
inline uint8_t luma(const uint8_t* p) { return uint8_t((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000); }
}  // namespace

void rgbToLayout(const uint8_t* rgb, int count, PixelLayout layout, uint8_t* out) {
  switch (layout) {
    case PixelLayout::Rgb24: std::memcpy(out, rgb, size_t(count) * 3); break;
    case PixelLayout::Bgr24:
      for (int i = 0; i < count; ++i, rgb += 3, out += 3) {
        out[0] = rgb[2];
        out[1] = rgb[1];
        out[2] = rgb[0];
      }
      break;
    case PixelLayout::Grey8:
      for (int i = 0; i < count; ++i, rgb += 3) out[i] = luma(rgb);
      break;
    case PixelLayout::Rgba32:
      for (int i = 0; i < count; ++i, rgb += 3, out += 4) {
        std::memcpy(out, rgb, 3);
        out[3] = 255;
      }
      break;
    case PixelLayout::Mono1:
      std::memset(out, 0, (size_t(count) + 7) / 8);
      for (int i = 0; i < count; ++i, rgb += 3)
        if (luma(rgb) >= 128) out[i / 8] = uint8_t(out[i / 8] | (0x80 >> (i % 8)));
      break;
  }
}

namespace codec {

std::string sizeRefusal(const char* kind, uint64_t w, uint64_t h, uint64_t fileBytes, bool fileCanHold) {
  if (fileCanHold) return {};
  const std::string size = std::to_string(w) + " x " + std::to_string(h) + " pixels";
  if (w * h > kMaxImagePixels)  // both below 2^32: no overflow
    return std::string(kind) + ": " + size + " is beyond the limit of " +
           std::to_string(kMaxImagePixels / (1024 * 1024)) + " megapixels";
  return std::string(kind) + ": a file of " + std::to_string(fileBytes) + " bytes cannot hold " + size;
}

std::string extractRefusal(const char* kind, uint64_t w, uint64_t h) {
  if (w * h <= kMaxImagePixels) return {};
  return std::string(kind) + ": an extract of " + std::to_string(w) + " x " + std::to_string(h) +
         " pixels is beyond the limit of " + std::to_string(kMaxImagePixels / (1024 * 1024)) + " megapixels";
}

void rowToRgb(const TpixelRows& rows, int y, uint8_t* rgb) {
  const uint8_t* p = rows.row(y);
  for (int x = 0; x < rows.width; ++x, rgb += 3) switch (rows.layout) {
      case PixelLayout::Rgb24: std::memcpy(rgb, p + 3 * size_t(x), 3); break;
      case PixelLayout::Bgr24:
        rgb[0] = p[3 * size_t(x) + 2];
        rgb[1] = p[3 * size_t(x) + 1];
        rgb[2] = p[3 * size_t(x)];
        break;
      case PixelLayout::Grey8: rgb[0] = rgb[1] = rgb[2] = p[x]; break;
      case PixelLayout::Rgba32: std::memcpy(rgb, p + 4 * size_t(x), 3); break;
      case PixelLayout::Mono1: rgb[0] = rgb[1] = rgb[2] = (p[x / 8] & (0x80 >> (x % 8))) ? 255 : 0; break;
    }
}

}  // namespace codec

ImageKind imageKindOf(const uint8_t* bytes, size_t length) {
  if (length >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageKind::Jpeg;
  static const uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (length >= 8 && std::memcmp(bytes, pngSig, 8) == 0) return ImageKind::Png;
  // Classic TIFF (42) and BigTIFF (43), in either byte order.
  if (length >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
                      (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43))))
    return ImageKind::Tiff;
  if (length >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
    return ImageKind::Gif;
  return ImageKind::Unknown;
}

bool TimageSource::extract(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
                           std::string& error) {
  if (w <= 0 || h <= 0 || left < 0 || top < 0 || left > fwidth - w || top > fheight - h) {
    error = "the rectangle " + std::to_string(left) + ", " + std::to_string(top) + ", " + std::to_string(w) + " x " +
            std::to_string(h) + " does not lie inside the image of " + std::to_string(fwidth) + " x " +
            std::to_string(fheight);
    return false;
  }
  if (!out || stride < rowBytesOf(layout, w)) {
    error = "no room for the rows";
    return false;
  }
  if (std::string why = codec::extractRefusal("image", uint64_t(w), uint64_t(h)); !why.empty()) {
    error = why;
    return false;
  }
  return decode(left, top, w, h, layout, out, stride, error);
}

bool TimageSource::extractReduced(int scale, PixelLayout layout, uint8_t* out, size_t stride, std::string& error) {
  if (scale <= 1) return extract(0, 0, fwidth, fheight, layout, out, stride, error);
  if (reduction(scale) != scale) {
    error = "the image is not decoded at 1/" + std::to_string(scale);
    return false;
  }
  if (!out || stride < rowBytesOf(layout, reducedWidth(scale))) {
    error = "no room for the rows";
    return false;
  }
  return decodeReduced(scale, layout, out, stride, error);
}

namespace {
std::unique_ptr<TimageSource> openEncoded(codec::Tencoded bytes, std::string& error) {
  switch (imageKindOf(bytes.data, bytes.length)) {
    case ImageKind::Jpeg: return codec::openJpeg(std::move(bytes), error);
    case ImageKind::Png: return codec::openPng(std::move(bytes), error);
    case ImageKind::Tiff: return codec::openTiff(std::move(bytes), error);
    case ImageKind::Gif: return codec::openGif(std::move(bytes), error);
    case ImageKind::Unknown: break;
  }
  error = "not a JPEG, PNG, TIFF or GIF image";
  return nullptr;
}
}  // namespace

std::unique_ptr<TimageSource> openImage(std::vector<uint8_t> bytes, std::string& error) {
  return openEncoded(codec::Tencoded::own(std::move(bytes)), error);
}

std::unique_ptr<TimageSource> openImageFile(const std::string& filename, std::string& error) {
  const int fd = ::open(filename.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + filename + ": " + lastErrorText();
    return nullptr;
  }
  uint8_t head[8] = {};
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  std::unique_ptr<TimageSource> source;
  if (n > 0 && imageKindOf(head, size_t(n)) == ImageKind::Tiff) {
    source = codec::openTiffFile(fd, error);  // takes the handle
  } else {
    ::close(fd);
    std::string bytes;
    if (!readWholeFile(filename, bytes)) {
      error = "cannot read " + filename;
      return nullptr;
    }
    source = openImage(std::vector<uint8_t>(bytes.begin(), bytes.end()), error);
  }
  if (!source) error = filename + ": " + error;
  return source;
}

bool decodeImage(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error) {
  image = TrgbImage{};
  auto source = openEncoded(codec::Tencoded::borrow(bytes, length), error);
  if (!source) return false;
  if (std::string why = codec::extractRefusal("image", uint64_t(source->width()), uint64_t(source->height()));
      !why.empty()) {
    error = why;
    return false;
  }
  image.rgb.assign(size_t(source->width()) * source->height() * 3, 0);
  if (!source->extract(0, 0, source->width(), source->height(), PixelLayout::Rgb24, image.rgb.data(),
                       size_t(source->width()) * 3, error)) {
    image = TrgbImage{};
    return false;
  }
  image.width = source->width();
  image.height = source->height();
  return true;
}

bool decodeImageFile(const std::string& filename, TrgbImage& image, std::string& error) {
  image = TrgbImage{};
  std::string bytes;
  if (!readWholeFile(filename, bytes)) {
    error = "cannot open " + filename;
    return false;
  }
  if (!decodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image, error)) {
    error = filename + ": " + error;
    return false;
  }
  return true;
}

bool encodeImage(ImageKind kind, const TpixelRows& rows, std::vector<uint8_t>& bytes, std::string& error,
                 int quality) {
  bytes.clear();
  if (rows.width <= 0 || rows.height <= 0 || !rows.data || rows.stride < rowBytesOf(rows.layout, rows.width)) {
    error = "an empty image";
    return false;
  }
  std::string encoded;
  bool ok = false;
  switch (kind) {
    case ImageKind::Jpeg: ok = codec::encodeJpeg(rows, quality, encoded, error); break;
    case ImageKind::Png: ok = codec::encodePng(rows, encoded, error); break;
    case ImageKind::Tiff: ok = codec::encodeTiff(rows, encoded, error); break;
    default: error = "images of this kind are not encoded"; break;
  }
  if (ok) bytes.assign(encoded.begin(), encoded.end());
  return ok;
}

// The whole file is made in memory first, so a failure never touches the old file.
bool encodeImageFile(const std::string& filename, ImageKind kind, const TpixelRows& rows, std::string& error,
                     int quality) {
  std::vector<uint8_t> bytes;
  if (!encodeImage(kind, rows, bytes, error, quality)) return false;
  std::string why;
  if (replaceFileContents(filename, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, &why)) return true;
  error = why;
  return false;
}

namespace {
bool rgbRows(const TrgbImage& image, TpixelRows& rows, std::string& error, const char* kind) {
  if (image.empty() || image.rgb.size() < size_t(image.width) * image.height * 3) {
    error = std::string(kind) + ": empty image";
    return false;
  }
  rows = {image.width, image.height, PixelLayout::Rgb24, image.rgb.data(), size_t(image.width) * 3};
  return true;
}
}  // namespace

bool encodePngFile(const std::string& filename, const TrgbImage& image, std::string& error) {
  TpixelRows rows;
  return rgbRows(image, rows, error, "PNG") && encodeImageFile(filename, ImageKind::Png, rows, error);
}

bool encodePng(const TrgbImage& image, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  TpixelRows rows;
  return rgbRows(image, rows, error, "PNG") && encodeImage(ImageKind::Png, rows, bytes, error);
}

bool encodeJpegFile(const std::string& filename, const TrgbImage& image, int quality, std::string& error) {
  TpixelRows rows;
  return rgbRows(image, rows, error, "JPEG") && encodeImageFile(filename, ImageKind::Jpeg, rows, error, quality);
}

}  // namespace platform
