// JPEG and PNG codecs on libjpeg-turbo and libpng: see imagecodec.h.
// Both libraries report errors by a long jump: nothing with a destructor lives between the
// jump's setjmp and the call that may jump, so unwinding skips no cleanup.
#include "platform/imagecodec.h"

#include "platform/files.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace platform {
namespace {

// Huffman-coded JPEG spends at least one bit on each 8 x 8 block of a scan's component, and a
// component sampled at a quarter of the largest factor both ways covers 32 x 32 pixels a block.
constexpr uint64_t kJpegPixelsPerByte = 8 * 32 * 32;
// Deflate copies at most 258 bytes for two bits: 1032 bytes out for each byte of the file.
constexpr uint64_t kDeflateBytesPerByte = 1032;
constexpr int kMostJpegScans = 1000;  // real progressive files have about ten

using Clock = std::chrono::steady_clock;

// Refusal of a size before anything is allocated for it: "" when it is allowed and the file may
// hold it.
std::string sizeRefusal(const char* kind, uint64_t w, uint64_t h, uint64_t fileBytes, bool fileCanHold) {
  const std::string size = std::to_string(w) + " x " + std::to_string(h) + " pixels";
  if (w * h > kMaxImagePixels)  // both below 2^32: no overflow
    return std::string(kind) + ": " + size + " is beyond the limit of " +
           std::to_string(kMaxImagePixels / (1024 * 1024)) + " megapixels";
  if (!fileCanHold) return std::string(kind) + ": a file of " + std::to_string(fileBytes) + " bytes cannot hold " + size;
  return {};
}

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
void jpegQuiet(j_common_ptr, int) {}

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

bool decodeJpeg(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  jerr.message[0] = 0;
  std::vector<uint8_t>& out = image.rgb;
  std::string refusal;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    error = std::string("JPEG: ") + jerr.message;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  JpegProgress progress;
  progress.pub.progress_monitor = jpegCheckProgress;
  progress.deadline = Clock::now() + kDecodeTimeLimit;
  cinfo.progress = &progress.pub;
  jpeg_mem_src(&cinfo, bytes, static_cast<unsigned long>(length));
  jpeg_read_header(&cinfo, TRUE);
  // Arithmetic coding has no least cost a block, so only the pixel limit bounds it.
  refusal = sizeRefusal("JPEG", cinfo.image_width, cinfo.image_height, length,
                        cinfo.arith_code ||
                            uint64_t(cinfo.image_width) * cinfo.image_height <= uint64_t(length) * kJpegPixelsPerByte);
  if (!refusal.empty()) {
    jpeg_destroy_decompress(&cinfo);
    error = std::move(refusal);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const size_t w = cinfo.output_width, h = cinfo.output_height;
  out.assign(w * h * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  // A truncated file decodes with grey fill and a warning; a short image is damaged input.
  if (jerr.pub.num_warnings > 0) {
    error = "JPEG: damaged or truncated data";
    return false;
  }
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  return true;
}

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

bool decodePng(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error) {
  std::string message, refusal;
  PngReadState state{bytes, length, 0, Clock::now() + kDecodeTimeLimit};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, pngFail, pngWarn);
  if (!png) {
    error = "PNG: out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t>& out = image.rgb;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = refusal.empty() ? "PNG: " + message : refusal;
    return false;
  }
  png_set_read_fn(png, &state, pngRead);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  // The pixel bits before any expansion are less than what the file's deflate data inflates to.
  const uint64_t bitsPerPixel = uint64_t(png_get_channels(png, info)) * png_get_bit_depth(png, info);
  refusal = sizeRefusal("PNG", w, h, length,
                        uint64_t(w) * h <= uint64_t(length) * kDeflateBytesPerByte * 8 / std::max<uint64_t>(bitsPerPixel, 1));
  if (!refusal.empty()) png_error(png, "size refused");
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
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 3) png_error(png, "unexpected pixel layout");
  out.assign(size_t(w) * h * 3, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = out.data() + size_t(y) * w * 3;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  return true;
}

}  // namespace

ImageKind imageKindOf(const uint8_t* bytes, size_t length) {
  if (length >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageKind::Jpeg;
  static const uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (length >= 8 && std::memcmp(bytes, pngSig, 8) == 0) return ImageKind::Png;
  return ImageKind::Unknown;
}

bool decodeImage(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error) {
  image = TrgbImage{};
  bool ok = false;
  switch (imageKindOf(bytes, length)) {
    case ImageKind::Jpeg: ok = decodeJpeg(bytes, length, image, error); break;
    case ImageKind::Png: ok = decodePng(bytes, length, image, error); break;
    default: error = "not a JPEG or PNG image"; break;
  }
  if (!ok) image = TrgbImage{};
  return ok;
}

bool decodeImageFile(const std::string& filename, TrgbImage& image, std::string& error) {
  std::ifstream in(filename, std::ios::binary);
  if (!in) {
    image = TrgbImage{};
    error = "cannot open " + filename;
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!decodeImage(bytes.data(), bytes.size(), image, error)) {
    error = filename + ": " + error;
    return false;
  }
  return true;
}

namespace {
void pngWriteToString(png_structp png, png_bytep data, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}
void pngFlushNothing(png_structp) {}

bool writeEncoded(const std::string& filename, std::string_view bytes, std::string& error) {
  std::string why;
  if (replaceFileContents(filename, bytes, &why)) return true;
  error = why;
  return false;
}

// The whole PNG file in memory.
bool pngBytes(const TrgbImage& image, std::string& encoded, std::string& error) {
  if (image.empty() || image.rgb.size() < size_t(image.width) * image.height * 3) {
    error = "PNG: empty image";
    return false;
  }
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
  png_set_write_fn(png, &encoded, pngWriteToString, pngFlushNothing);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, const_cast<png_bytep>(image.pixel(0, y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
}  // namespace

// Both encoders make the whole file in memory first, so a failure never touches the old file.
bool encodePngFile(const std::string& filename, const TrgbImage& image, std::string& error) {
  std::string encoded;
  return pngBytes(image, encoded, error) && writeEncoded(filename, encoded, error);
}

bool encodePng(const TrgbImage& image, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  std::string encoded;
  if (!pngBytes(image, encoded, error)) return false;
  bytes.assign(encoded.begin(), encoded.end());
  return true;
}

bool encodeJpegFile(const std::string& filename, const TrgbImage& image, int quality, std::string& error) {
  if (image.empty() || image.rgb.size() < size_t(image.width) * image.height * 3) {
    error = "JPEG: empty image";
    return false;
  }
  jpeg_compress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  unsigned char* encoded = nullptr;  // the library's own buffer, freed here
  unsigned long encodedSize = 0;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(encoded);
    error = std::string("JPEG: ") + jerr.message;
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &encoded, &encodedSize);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.pixel(0, static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  const bool ok = writeEncoded(filename, {reinterpret_cast<const char*>(encoded), encodedSize}, error);
  std::free(encoded);
  return ok;
}

}  // namespace platform
