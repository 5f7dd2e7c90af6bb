// PNG on libpng: extracts read the rows down to the extract's bottom; an interlaced file is read
// through all its passes, keeping only the extract's rows.
// The library reports errors by a long jump: nothing with a destructor lives between the jump's
// setjmp and the call that may jump, so unwinding skips no cleanup.
#include <png.h>

#include <algorithm>
#include <cstring>

#include "platform/imagecodec_detail.h"

namespace platform::codec {
namespace {

// Deflate copies at most 258 bytes for two bits: 1032 bytes out for each byte of the file.
constexpr uint64_t kDeflateBytesPerByte = 1032;

struct PngReadState {
  const uint8_t* bytes;
  size_t length;
  size_t pos;
  Clock::time_point deadline;
};

// libpng reads through here in pieces of a chunk at most, so the deadline is checked often.
void pngRead(png_structp png, png_bytep data, png_size_t n) {
  auto* s = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (Clock::now() > s->deadline) png_error(png, "decoding took too long");
  if (n > s->length - s->pos) png_error(png, "truncated data");
  std::memcpy(data, s->bytes + s->pos, n);
  s->pos += n;
}
void pngWarn(png_structp, png_const_charp) {}
void pngFail(png_structp png, png_const_charp msg) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = msg;
  png_longjmp(png, 1);
}

// Grey, palette, 16 bits and alpha all become 8-bit red, green, blue.
void setRgbTransforms(png_structp png, png_infop info) {
  const int colourType = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  // Transparent parts are laid on black, the colour of an empty sky or map.
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_color_16 black{};
  png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
}

class TpngSource : public TimageSource {
 public:
  TpngSource(Tencoded bytes, int w, int h, int bits, bool interlaced)
      : fbytes(std::move(bytes)), finterlaced(interlaced) {
    fwidth = w;
    fheight = h;
    fbits = bits;
  }
  [[nodiscard]] ImageKind kind() const override { return ImageKind::Png; }

 protected:
  bool decode(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
              std::string& error) override {
    // An interlaced file's passes each touch every row: the extract's rows are kept whole.
    if (finterlaced)
      if (std::string why = extractRefusal("PNG", uint64_t(fwidth), uint64_t(h)); !why.empty()) {
        error = why;
        return false;
      }
    std::string message;
    PngReadState state{fbytes.data, fbytes.length, 0, Clock::now() + kDecodeTimeLimit};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, pngFail, pngWarn);
    if (!png) {
      error = "PNG: out of memory";
      return false;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> kept, scratch;
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_read_struct(&png, &info, nullptr);
      error = "PNG: " + message;
      return false;
    }
    png_set_read_fn(png, &state, pngRead);
    png_read_info(png, info);
    setRgbTransforms(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = size_t(fwidth) * 3;
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected pixel layout");
    scratch.assign(rowBytes, 0);
    kept.assign(rowBytes * (finterlaced ? size_t(h) : 1), 0);
    const int lastRow = finterlaced ? fheight : top + h;
    for (int pass = 0; pass < passes; ++pass)
      for (int y = 0; y < lastRow; ++y) {
        const bool inside = y >= top && y < top + h;
        uint8_t* row = !inside ? scratch.data() : kept.data() + (finterlaced ? rowBytes * size_t(y - top) : 0);
        png_read_row(png, row, nullptr);
        if (inside && !finterlaced) rgbToLayout(row + size_t(left) * 3, w, layout, out + size_t(y - top) * stride);
      }
    if (finterlaced)
      for (int y = 0; y < h; ++y) rgbToLayout(kept.data() + rowBytes * size_t(y) + size_t(left) * 3, w, layout,
                                              out + size_t(y) * stride);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }

 private:
  Tencoded fbytes;
  bool finterlaced;
};

}  // namespace

std::unique_ptr<TimageSource> openPng(Tencoded bytes, std::string& error) {
  std::string message, refusal;
  PngReadState state{bytes.data, bytes.length, 0, Clock::now() + kDecodeTimeLimit};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, pngFail, pngWarn);
  if (!png) {
    error = "PNG: out of memory";
    return nullptr;
  }
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "PNG: " + message;
    return nullptr;
  }
  png_set_read_fn(png, &state, pngRead);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  // The pixel bits before any expansion are less than what the file's deflate data inflates to.
  const uint64_t bitsPerPixel = uint64_t(png_get_channels(png, info)) * png_get_bit_depth(png, info);
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  png_destroy_read_struct(&png, &info, nullptr);
  refusal = sizeRefusal("PNG", w, h, bytes.length,
                        uint64_t(w) * h <= uint64_t(bytes.length) * kDeflateBytesPerByte * 8 /
                                               std::max<uint64_t>(bitsPerPixel, 1));
  if (!refusal.empty()) {
    error = std::move(refusal);
    return nullptr;
  }
  return std::make_unique<TpngSource>(std::move(bytes), int(w), int(h), int(bitsPerPixel), interlaced);
}

namespace {
void pngWriteToString(png_structp png, png_bytep data, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}
void pngFlushNothing(png_structp) {}
}  // namespace

bool encodePng(const TpixelRows& rows, std::string& encoded, std::string& error) {
  std::string message;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, pngFail, pngWarn);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "PNG: out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "PNG: " + message;
    return false;
  }
  int colourType = PNG_COLOR_TYPE_RGB, depth = 8;
  switch (rows.layout) {
    case PixelLayout::Grey8: colourType = PNG_COLOR_TYPE_GRAY; break;
    case PixelLayout::Mono1:  // a set bit is white, as in a one-bit grey PNG
      colourType = PNG_COLOR_TYPE_GRAY;
      depth = 1;
      break;
    case PixelLayout::Rgba32: colourType = PNG_COLOR_TYPE_RGB_ALPHA; break;
    case PixelLayout::Bgr24: png_set_bgr(png); break;
    case PixelLayout::Rgb24: break;
  }
  png_set_write_fn(png, &encoded, pngWriteToString, pngFlushNothing);
  png_set_IHDR(png, info, png_uint_32(rows.width), png_uint_32(rows.height), depth, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < rows.height; ++y) png_write_row(png, const_cast<png_bytep>(rows.row(y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace platform::codec
