// JPEG on libjpeg-turbo: extracts decode the rows down to the extract's bottom only, skip the
// rows above it and crop the columns to the nearest block edges around it.
// The library reports errors by a long jump: nothing with a destructor lives between the jump's
// setjmp and the call that may jump, so unwinding skips no cleanup.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/imagecodec_detail.h"

namespace platform::codec {
namespace {

// Huffman-coded JPEG spends at least one bit on each 8 x 8 block of a scan's component, and a
// component sampled at a quarter of the largest factor both ways covers 32 x 32 pixels a block.
constexpr uint64_t kJpegPixelsPerByte = 8 * 32 * 32;
constexpr int kMostJpegScans = 1000;  // real progressive files have about ten
// Progressive and multi-scan files keep every coefficient of the image while decoding.
constexpr long kMostDecoderMemory = 2L * 1024 * 1024 * 1024;

struct JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}
// Warnings are counted, not printed: a decode that met any is refused.
void jpegQuiet(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

// Ends a decode that runs past its time or reads more scans than any real file has.
struct JpegProgress {
  jpeg_progress_mgr pub;
  Clock::time_point deadline;
};

void jpegCheckProgress(j_common_ptr cinfo) {
  auto* p = reinterpret_cast<JpegProgress*>(cinfo->progress);
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  const char* why = nullptr;
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMostJpegScans)
    why = "too many scans";
  else if (Clock::now() > p->deadline)
    why = "decoding took too long";
  if (!why) return;
  std::snprintf(e->message, sizeof e->message, "%s", why);
  std::longjmp(e->jump, 1);
}

void setUp(jpeg_decompress_struct& cinfo, JpegError& jerr) {
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  jerr.message[0] = 0;
}

// CMYK as Adobe writes it (inverted) or plain, to red, green, blue.
void cmykToRgb(const uint8_t* cmyk, int count, bool inverted, uint8_t* rgb) {
  for (int i = 0; i < count; ++i, cmyk += 4, rgb += 3) {
    const int k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) rgb[c] = uint8_t(((inverted ? cmyk[c] : 255 - cmyk[c]) * k + 127) / 255);
  }
}

class TjpegSource : public TimageSource {
 public:
  TjpegSource(Tencoded bytes, int w, int h, int components) : fbytes(std::move(bytes)) {
    fwidth = w;
    fheight = h;
    fbits = components * 8;
  }
  [[nodiscard]] ImageKind kind() const override { return ImageKind::Jpeg; }
  // The decoder's own scaling: 1/2, 1/4 and 1/8 cost a fraction of the whole.
  [[nodiscard]] int reduction(int most) const override { return most >= 8 ? 8 : most >= 4 ? 4 : most >= 2 ? 2 : 1; }

 protected:
  bool decode(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
              std::string& error) override {
    return run(1, left, top, w, h, layout, out, stride, error);
  }
  bool decodeReduced(int scale, PixelLayout layout, uint8_t* out, size_t stride, std::string& error) override {
    return run(scale, 0, 0, reducedWidth(scale), reducedHeight(scale), layout, out, stride, error);
  }

 private:
  bool run(int scale, int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
           std::string& error) {
    jpeg_decompress_struct cinfo;
    JpegError jerr;
    setUp(cinfo, jerr);
    std::vector<uint8_t> row, rgb;
    if (setjmp(jerr.jump)) {
      jpeg_destroy_decompress(&cinfo);
      error = std::string("JPEG: ") + jerr.message;
      return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMostDecoderMemory;
    JpegProgress progress;
    progress.pub.progress_monitor = jpegCheckProgress;
    progress.deadline = Clock::now() + kDecodeTimeLimit;
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, fbytes.data, static_cast<unsigned long>(fbytes.length));
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = JDIMENSION(scale);
    jpeg_start_decompress(&cinfo);
    if (int(cinfo.output_width) < left + w || int(cinfo.output_height) < top + h) {
      jpeg_destroy_decompress(&cinfo);
      error = "JPEG: the decoder's size differs from the header's";
      return false;
    }
    JDIMENSION x0 = JDIMENSION(left), cw = JDIMENSION(w);
    if (w < int(cinfo.output_width)) jpeg_crop_scanline(&cinfo, &x0, &cw);  // widened to block edges
    const int channels = cinfo.output_components;
    row.assign(size_t(cw) * channels, 0);
    rgb.assign(size_t(w) * 3, 0);
    if (top > 0) jpeg_skip_scanlines(&cinfo, JDIMENSION(top));
    const size_t skip = size_t(JDIMENSION(left) - x0);
    for (int y = 0; y < h; ++y) {
      JSAMPROW p = row.data();
      if (jpeg_read_scanlines(&cinfo, &p, 1) != 1) break;
      if (cmyk) cmykToRgb(row.data() + skip * 4, w, cinfo.saw_Adobe_marker, rgb.data());
      else std::memcpy(rgb.data(), row.data() + skip * 3, size_t(w) * 3);
      rgbToLayout(rgb.data(), w, layout, out + size_t(y) * stride);
    }
    // A truncated file decodes with grey fill and a warning; such rows are damaged input.
    const bool damaged = jerr.pub.num_warnings > 0;
    jpeg_destroy_decompress(&cinfo);
    if (damaged) {
      error = "JPEG: damaged or truncated data";
      return false;
    }
    return true;
  }

  Tencoded fbytes;
};

}  // namespace

std::unique_ptr<TimageSource> openJpeg(Tencoded bytes, std::string& error) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  setUp(cinfo, jerr);
  std::string refusal;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    error = std::string("JPEG: ") + jerr.message;
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data, static_cast<unsigned long>(bytes.length));
  jpeg_read_header(&cinfo, TRUE);
  const uint64_t w = cinfo.image_width, h = cinfo.image_height;
  const int components = cinfo.num_components;
  // Arithmetic coding has no least cost a block, so only the pixel limit bounds it; a
  // progressive file needs the whole image's coefficients for any extract.
  const bool wholeNeeded = cinfo.progressive_mode || cinfo.arith_code;
  refusal = sizeRefusal("JPEG", w, h, bytes.length,
                        !(wholeNeeded && w * h > kMaxImagePixels) &&
                            (cinfo.arith_code || w * h <= uint64_t(bytes.length) * kJpegPixelsPerByte));
  jpeg_destroy_decompress(&cinfo);
  if (!refusal.empty()) {
    error = std::move(refusal);
    return nullptr;
  }
  return std::make_unique<TjpegSource>(std::move(bytes), int(w), int(h), components);
}

namespace {
void jpegWriteError(JpegError& jerr, jpeg_compress_struct& cinfo) {
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  jerr.message[0] = 0;
}
}  // namespace

bool encodeJpeg(const TpixelRows& rows, int quality, std::string& out, std::string& error) {
  jpeg_compress_struct cinfo;
  JpegError jerr;
  jpegWriteError(jerr, cinfo);
  unsigned char* encoded = nullptr;  // the library's own buffer, freed here
  unsigned long encodedSize = 0;
  const bool grey = rows.layout == PixelLayout::Grey8 || rows.layout == PixelLayout::Mono1;
  std::vector<uint8_t> line(size_t(rows.width) * 3);
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(encoded);
    error = std::string("JPEG: ") + jerr.message;
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &encoded, &encodedSize);
  cinfo.image_width = static_cast<JDIMENSION>(rows.width);
  cinfo.image_height = static_cast<JDIMENSION>(rows.height);
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    if (rows.layout == PixelLayout::Rgb24 || rows.layout == PixelLayout::Grey8) {
      std::memcpy(line.data(), rows.row(y), rowBytesOf(rows.layout, rows.width));
    } else {
      rowToRgb(rows, y, line.data());
      if (grey)
        for (int x = 0; x < rows.width; ++x) line[size_t(x)] = line[3 * size_t(x)];
    }
    JSAMPROW p = line.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  out.assign(reinterpret_cast<const char*>(encoded), encodedSize);
  std::free(encoded);
  return true;
}

}  // namespace platform::codec
