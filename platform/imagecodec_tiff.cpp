// TIFF on libtiff, the first directory: strips and tiles, any photometric the library's RGBA
// reader knows (bilevel, grey, palette, RGB, YCbCr, CMYK, 16 bits, alpha laid on black).
// Extracts are decoded in bands of whole strips or tile rows, so only the strips and tiles that
// meet the extract are read. Files are read as they are decoded; memory is read in place.
// Images keep the width and height of the file: the Orientation tag's mirrorings are applied,
// and a quarter-turned picture (orientations 5 to 8) is given mirrored about its diagonal.
#include <fcntl.h>
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/imagecodec_detail.h"
#include "platform/library_calls.h"

namespace platform::codec {
namespace {

// libtiff is opened at the first TIFF read or written, not at start: with the codecs it links
// it would add half a megabyte to every run of the programs, which seldom meet a TIFF.
#define KESTROVA_TIFF_CALLS(X) \
  X(TIFFClientOpenExt) \
  X(TIFFClose) \
  X(TIFFDefaultStripSize) \
  X(TIFFFlush) \
  X(TIFFGetField) \
  X(TIFFGetFieldDefaulted) \
  X(TIFFIsTiled) \
  X(TIFFOpenOptionsAlloc) \
  X(TIFFOpenOptionsFree) \
  X(TIFFOpenOptionsSetErrorHandlerExtR) \
  X(TIFFOpenOptionsSetMaxSingleMemAlloc) \
  X(TIFFOpenOptionsSetWarningHandlerExtR) \
  X(TIFFRGBAImageBegin) \
  X(TIFFRGBAImageEnd) \
  X(TIFFRGBAImageGet) \
  X(TIFFRGBAImageOK) \
  X(TIFFSetField) \
  X(TIFFWriteScanline)

struct Tiff {
#define KESTROVA_TIFF_MEMBER(name) decltype(&::name) name = nullptr;
  KESTROVA_TIFF_CALLS(KESTROVA_TIFF_MEMBER)
#undef KESTROVA_TIFF_MEMBER
  bool loaded = false;
};

const Tiff& tiff() {
  static const Tiff lib = [] {
    Tiff t;
    void* h = openLibrary("libtiff.so.6");
    if (!h) return t;
    t.loaded = true;
#define KESTROVA_TIFF_LOAD(name) t.loaded &= bindCall(h, #name, t.name);
    KESTROVA_TIFF_CALLS(KESTROVA_TIFF_LOAD)
#undef KESTROVA_TIFF_LOAD
    return t;
  }();
  return lib;
}

// The most one allocation inside the library may take: an extract's worth of 32-bit pixels.
constexpr tmsize_t kMostTiffAlloc = tmsize_t(kMaxImagePixels * 4);
constexpr int kBandRows = 64;  // rows decoded at a time, widened to whole strips or tile rows

// The most bytes of samples one byte of the file can give, by compression: PackBits repeats a
// byte 128 times for two; an LZW code of at least 9 bits stands for at most 4096 bytes; deflate
// copies at most 258 bytes for two bits. JPEG is bounded in pixels as the JPEG reader bounds it.
constexpr uint64_t kPackBitsBytesPerByte = 64;
constexpr uint64_t kLzwBytesPerByte = 4096 * 8 / 9 + 1;
constexpr uint64_t kDeflateBytesPerByte = 1032;
constexpr uint64_t kJpegPixelsPerByte = 8 * 32 * 32;

// Whether a file of `bytes` bytes can hold w x h pixels of its compression. Other compressions
// (fax codes, LZMA, ZSTD ...) can code a whole row in a few bits: only the rows are bounded.
bool fileCanHold(TIFF* tif, uint64_t w, uint64_t h, uint64_t bytes) {
  uint16_t compression = COMPRESSION_NONE, spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISBLACK;
  tiff().TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  tiff().TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  tiff().TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  tiff().TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  // Subsampled colour planes may spend as little as one sample's bits on a pixel.
  const uint64_t bits = std::max<uint64_t>(1, photometric == PHOTOMETRIC_YCBCR ? bps : uint64_t(spp) * bps);
  if (h > bytes * 8) return false;  // every row takes a bit at least
  uint64_t samplesPerByte = 0;
  switch (compression) {
    case COMPRESSION_NONE: samplesPerByte = 1; break;
    case COMPRESSION_PACKBITS: samplesPerByte = kPackBitsBytesPerByte; break;
    case COMPRESSION_LZW: samplesPerByte = kLzwBytesPerByte; break;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: samplesPerByte = kDeflateBytesPerByte; break;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return w * h <= bytes * kJpegPixelsPerByte;
    default: return true;
  }
  // w and h are below 2^31 and bytes below 2^40: the products stay inside 64 bits.
  return w * h <= bytes * samplesPerByte * 8 / bits;
}

// How an orientation (1 to 8) turns the stored rows into the picture's, without a quarter turn.
bool mirroredAcross(uint16_t orientation) {
  return orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT ||
         orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
}
bool upsideDown(uint16_t orientation) {
  return orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT ||
         orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
}

// Where the library reads and writes: memory, a file handle, or a growing text for encoding.
struct TtiffIo {
  const uint8_t* bytes = nullptr;
  uint64_t length = 0;
  int fd = -1;
  std::string* out = nullptr;
  uint64_t pos = 0;
  std::string message;  // the library's last error
};

tmsize_t tiffRead(thandle_t h, void* buf, tmsize_t n) {
  auto* io = static_cast<TtiffIo*>(h);
  if (n <= 0) return 0;
  if (io->fd >= 0) {
    const ssize_t got = ::pread(io->fd, buf, size_t(n), off_t(io->pos));
    if (got < 0) return -1;
    io->pos += uint64_t(got);
    return got;
  }
  const uint8_t* src = io->out ? reinterpret_cast<const uint8_t*>(io->out->data()) : io->bytes;
  const uint64_t length = io->out ? io->out->size() : io->length;
  if (io->pos >= length) return 0;
  const uint64_t take = std::min<uint64_t>(uint64_t(n), length - io->pos);
  std::memcpy(buf, src + io->pos, size_t(take));
  io->pos += take;
  return tmsize_t(take);
}

tmsize_t tiffWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* io = static_cast<TtiffIo*>(h);
  if (!io->out || n < 0) return -1;
  if (io->out->size() < io->pos + uint64_t(n)) io->out->resize(size_t(io->pos + uint64_t(n)));
  std::memcpy(io->out->data() + io->pos, buf, size_t(n));
  io->pos += uint64_t(n);
  return n;
}

toff_t tiffSize(thandle_t h) {
  auto* io = static_cast<TtiffIo*>(h);
  return io->out ? io->out->size() : io->length;
}

toff_t tiffSeek(thandle_t h, toff_t off, int whence) {
  auto* io = static_cast<TtiffIo*>(h);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = io->pos;
  else if (whence == SEEK_END) base = tiffSize(h);
  io->pos = base + off;
  return io->pos;
}

int tiffClose(thandle_t) { return 0; }

// Memory is handed to the library as a mapped file, so it reads strips in place; a file is
// mapped read-only (the library's unmapped reading of uncompressed tiles refuses good files).
int tiffMap(thandle_t h, void** base, toff_t* size) {
  auto* io = static_cast<TtiffIo*>(h);
  if (io->bytes) {
    *base = const_cast<uint8_t*>(io->bytes);
    *size = io->length;
    return 1;
  }
  if (io->fd < 0 || io->length == 0) return 0;
  void* p = ::mmap(nullptr, size_t(io->length), PROT_READ, MAP_PRIVATE, io->fd, 0);
  if (p == MAP_FAILED) return 0;
  *base = p;
  *size = io->length;
  return 1;
}
void tiffUnmap(thandle_t h, void* base, toff_t size) {
  if (!static_cast<TtiffIo*>(h)->bytes) ::munmap(base, size_t(size));
}

int tiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  static_cast<TtiffIo*>(user)->message = std::string(module ? module : "") + (module ? ": " : "") + text;
  return 1;
}
int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* openTiffOn(TtiffIo& io, const char* mode) {
  if (!tiff().loaded) {
    io.message = "the TIFF library (libtiff.so.6) cannot be loaded";
    return nullptr;
  }
  TIFFOpenOptions* opts = tiff().TIFFOpenOptionsAlloc();
  tiff().TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMostTiffAlloc);
  tiff().TIFFOpenOptionsSetErrorHandlerExtR(opts, tiffError, &io);
  tiff().TIFFOpenOptionsSetWarningHandlerExtR(opts, tiffQuiet, &io);
  TIFF* tif = tiff().TIFFClientOpenExt("image", mode, &io, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap,
                                tiffUnmap, opts);
  tiff().TIFFOpenOptionsFree(opts);
  return tif;
}

std::string tiffFailure(const TtiffIo& io, const char* what) {
  return std::string("TIFF: ") + what + (io.message.empty() ? std::string() : ": " + io.message);
}

class TtiffSource : public TimageSource {
 public:
  TtiffSource(Tencoded bytes, std::unique_ptr<TtiffIo> io, TIFF* tif)
      : fbytes(std::move(bytes)), fio(std::move(io)), ftif(tif) {
    uint32_t w = 0, h = 0;
    uint16_t spp = 1, bps = 1;
    tiff().TIFFGetField(ftif, TIFFTAG_IMAGEWIDTH, &w);
    tiff().TIFFGetField(ftif, TIFFTAG_IMAGELENGTH, &h);
    tiff().TIFFGetFieldDefaulted(ftif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    tiff().TIFFGetFieldDefaulted(ftif, TIFFTAG_BITSPERSAMPLE, &bps);
    fwidth = int(w);
    fheight = int(h);
    fbits = int(spp) * int(bps);
    uint32_t unit = 0;
    if (tiff().TIFFIsTiled(ftif)) tiff().TIFFGetField(ftif, TIFFTAG_TILELENGTH, &unit);
    else tiff().TIFFGetFieldDefaulted(ftif, TIFFTAG_ROWSPERSTRIP, &unit);
    funit = int(std::clamp<uint32_t>(unit, 1, h ? h : 1));
  }
  ~TtiffSource() override {
    tiff().TIFFClose(ftif);
    if (fio->fd >= 0) ::close(fio->fd);
  }
  [[nodiscard]] ImageKind kind() const override { return ImageKind::Tiff; }

 protected:
  bool decode(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
              std::string& error) override {
    fio->message.clear();
    fdeadline = Clock::now() + kDecodeTimeLimit;
    return decodeBands(left, top, w, h, layout, out, stride, error);
  }

 private:
  static uint8_t* put(uint8_t* rgb, uint32_t abgr) {
    rgb[0] = uint8_t(TIFFGetR(abgr));
    rgb[1] = uint8_t(TIFFGetG(abgr));
    rgb[2] = uint8_t(TIFFGetB(abgr));
    return rgb + 3;
  }
  bool late(std::string& error) const {
    if (Clock::now() <= fdeadline) return false;
    error = "TIFF: decoding took too long";
    return true;
  }

  // The extract's rows in bands of whole strips or tile rows, so that each strip or tile is
  // decoded once. The library is asked for the rows and columns as the file stores them; the
  // orientation is applied here, for the whole image at once (the library would turn every band
  // over on its own). Bands of a tiled file span whole tiles across.
  bool decodeBands(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
                   std::string& error) {
    char emsg[1024] = "";
    TIFFRGBAImage img;
    if (!tiff().TIFFRGBAImageBegin(&img, ftif, 1, emsg)) {
      error = std::string("TIFF: ") + emsg;
      return false;
    }
    img.req_orientation = img.orientation;  // no turning inside the library
    const bool flipH = mirroredAcross(img.orientation), flipV = upsideDown(img.orientation);
    const int sx0 = flipH ? fwidth - left - w : left;  // the extract as stored
    const int sy0 = flipV ? fheight - top - h : top;
    int c0 = 0, c1 = fwidth;
    if (tiff().TIFFIsTiled(ftif)) {
      uint32_t tw = 0;
      tiff().TIFFGetField(ftif, TIFFTAG_TILEWIDTH, &tw);
      if (tw == 0) {
        tiff().TIFFRGBAImageEnd(&img);
        error = "TIFF: no tile size";
        return false;
      }
      c0 = int(int64_t(sx0) / tw * tw);
      c1 = int(std::min<int64_t>(fwidth, (int64_t(sx0) + w + tw - 1) / tw * tw));
    }
    const int cw = c1 - c0;
    auto bandEnd = [&](int y0) {
      int y1 = std::min(sy0 + h, (y0 / funit + 1) * funit);
      while (y1 - y0 < kBandRows && y1 < sy0 + h) y1 = std::min(sy0 + h, y1 + funit);
      return y1;
    };
    int most = 0;
    for (int y0 = sy0; y0 < sy0 + h; y0 = bandEnd(y0)) most = std::max(most, bandEnd(y0) - y0);
    error = extractRefusal("TIFF", uint64_t(cw), uint64_t(most));
    bool ok = error.empty();
    std::vector<uint32_t> raster(ok ? size_t(cw) * size_t(most) : 0);
    std::vector<uint8_t> rgb(size_t(w) * 3);
    for (int y0 = sy0; ok && y0 < sy0 + h;) {
      const int y1 = bandEnd(y0);
      img.row_offset = y0;
      img.col_offset = c0;
      if (late(error)) {
        ok = false;
      } else if (!tiff().TIFFRGBAImageGet(&img, raster.data(), uint32_t(cw), uint32_t(y1 - y0))) {
        error = tiffFailure(*fio, "damaged or truncated data");
        ok = false;
      } else {
        for (int sy = y0; sy < y1; ++sy) {
          const uint32_t* src = raster.data() + size_t(sy - y0) * size_t(cw);
          uint8_t* dst = rgb.data();
          for (int x = 0; x < w; ++x) dst = put(dst, src[(flipH ? fwidth - 1 - (left + x) : left + x) - c0]);
          const int y = flipV ? fheight - 1 - sy : sy;
          rgbToLayout(rgb.data(), w, layout, out + size_t(y - top) * stride);
        }
      }
      y0 = y1;
    }
    tiff().TIFFRGBAImageEnd(&img);
    return ok;
  }

  Tencoded fbytes;
  std::unique_ptr<TtiffIo> fio;
  TIFF* ftif;
  int funit = 1;
  Clock::time_point fdeadline;
};

std::unique_ptr<TimageSource> openOn(Tencoded bytes, std::unique_ptr<TtiffIo> io, std::string& error) {
  TIFF* tif = openTiffOn(*io, "r");
  if (!tif) {
    error = tiffFailure(*io, "cannot read the header");
    if (io->fd >= 0) ::close(io->fd);
    return nullptr;
  }
  char emsg[1024] = "";
  uint32_t w = 0, h = 0;
  std::string why;
  if (!tiff().TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !tiff().TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) || w == 0 || h == 0 ||
      w > uint32_t(INT32_MAX) || h > uint32_t(INT32_MAX)) {
    why = "TIFF: no image size";
  } else if (!tiff().TIFFRGBAImageOK(tif, emsg)) {
    why = std::string("TIFF: ") + emsg;
  } else {
    // Refused before any buffer, as the other formats refuse it: a header may claim any size.
    why = sizeRefusal("TIFF", w, h, io->length, fileCanHold(tif, w, h, io->length));
  }
  if (!why.empty()) {
    error = why;
    tiff().TIFFClose(tif);
    if (io->fd >= 0) ::close(io->fd);
    return nullptr;
  }
  return std::make_unique<TtiffSource>(std::move(bytes), std::move(io), tif);
}

}  // namespace

std::unique_ptr<TimageSource> openTiff(Tencoded bytes, std::string& error) {
  auto io = std::make_unique<TtiffIo>();
  io->bytes = bytes.data;
  io->length = bytes.length;
  return openOn(std::move(bytes), std::move(io), error);
}

std::unique_ptr<TimageSource> openTiffFile(int fd, std::string& error) {
  auto io = std::make_unique<TtiffIo>();
  io->fd = fd;
  const off_t end = ::lseek(fd, 0, SEEK_END);
  io->length = end > 0 ? uint64_t(end) : 0;
  return openOn(Tencoded{}, std::move(io), error);
}

bool encodeTiff(const TpixelRows& rows, std::string& out, std::string& error) {
  TtiffIo io;
  io.out = &out;
  TIFF* tif = openTiffOn(io, "w");
  if (!tif) {
    error = tiffFailure(io, "cannot start the file");
    return false;
  }
  uint16_t spp = 3, bps = 8, photometric = PHOTOMETRIC_RGB;
  switch (rows.layout) {
    case PixelLayout::Grey8: spp = 1; photometric = PHOTOMETRIC_MINISBLACK; break;
    case PixelLayout::Mono1: spp = 1; bps = 1; photometric = PHOTOMETRIC_MINISBLACK; break;  // a set bit is white
    case PixelLayout::Rgba32: spp = 4; break;
    case PixelLayout::Rgb24:
    case PixelLayout::Bgr24: break;
  }
  tiff().TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(rows.width));
  tiff().TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(rows.height));
  tiff().TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  tiff().TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
  tiff().TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  tiff().TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  tiff().TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  tiff().TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  if (bps == 8) tiff().TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (spp == 4) {
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    tiff().TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  tiff().TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, tiff().TIFFDefaultStripSize(tif, 0));
  // The library may change the row it is given while it encodes: it gets a copy.
  std::vector<uint8_t> line(rowBytesOf(rows.layout, rows.width));
  bool ok = true;
  for (int y = 0; ok && y < rows.height; ++y) {
    if (rows.layout == PixelLayout::Bgr24) rowToRgb(rows, y, line.data());
    else std::memcpy(line.data(), rows.row(y), line.size());
    ok = tiff().TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) == 1;
  }
  ok = ok && tiff().TIFFFlush(tif) == 1;
  tiff().TIFFClose(tif);
  if (!ok) error = tiffFailure(io, "cannot write the rows");
  return ok;
}

}  // namespace platform::codec
