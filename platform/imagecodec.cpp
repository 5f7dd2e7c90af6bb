// JPEG and PNG codecs on libjpeg-turbo and libpng: see imagecodec.h.
// Both libraries report errors by a long jump: nothing with a destructor lives between the
// jump's setjmp and the call that may jump, so unwinding skips no cleanup.
#include "platform/imagecodec.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace platform {
namespace {

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

bool decodeJpeg(const uint8_t* bytes, size_t length, TrgbImage& image, std::string& error) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  jerr.message[0] = 0;
  std::vector<uint8_t>& out = image.rgb;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    error = std::string("JPEG: ") + jerr.message;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes, static_cast<unsigned long>(length));
  jpeg_read_header(&cinfo, TRUE);
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
};

void pngRead(png_structp png, png_bytep data, png_size_t n) {
  auto* s = static_cast<PngReadState*>(png_get_io_ptr(png));
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
  std::string message;
  PngReadState state{bytes, length, 0};
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
    error = "PNG: " + message;
    return false;
  }
  png_set_read_fn(png, &state, pngRead);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
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

struct FileCloser {
  void operator()(std::FILE* f) const { if (f) std::fclose(f); }
};

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
bool writePng(std::FILE* raw, const TrgbImage& image, std::string& error) {
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
  png_init_io(png, raw);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, const_cast<png_bytep>(image.pixel(0, y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
}  // namespace

bool encodePngFile(const std::string& filename, const TrgbImage& image, std::string& error) {
  if (image.empty()) return writePng(nullptr, image, error);
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(filename.c_str(), "wb"));
  if (!f) {
    error = "cannot create " + filename;
    return false;
  }
  if (!writePng(f.get(), image, error)) return false;
  if (std::fflush(f.get()) != 0) {
    error = "cannot write " + filename;
    return false;
  }
  return true;
}

bool encodePng(const TrgbImage& image, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* f = open_memstream(&buffer, &size);
  if (!f) {
    error = "PNG: out of memory";
    return false;
  }
  const bool ok = writePng(f, image, error);
  std::fclose(f);  // sets buffer and size
  if (ok) bytes.assign(buffer, buffer + size);
  std::free(buffer);
  return ok;
}

bool encodeJpegFile(const std::string& filename, const TrgbImage& image, int quality, std::string& error) {
  if (image.empty() || image.rgb.size() < size_t(image.width) * image.height * 3) {
    error = "JPEG: empty image";
    return false;
  }
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(filename.c_str(), "wb"));
  if (!f) {
    error = "cannot create " + filename;
    return false;
  }
  std::FILE* raw = f.get();
  jpeg_compress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = jpegErrorExit;
  jerr.pub.emit_message = jpegQuiet;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&cinfo);
    error = std::string("JPEG: ") + jerr.message;
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, raw);
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
  if (std::fflush(raw) != 0) {
    error = "cannot write " + filename;
    return false;
  }
  return true;
}

}  // namespace platform
