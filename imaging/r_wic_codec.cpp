// r_wic: opening by content (BMP through r_wic_bmp.cpp, the rest through platform/imagecodec)
// and writing rows by file-type code (BMP through the core's pixel buffers).
#include "imaging/r_wic_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/r_bitmapRaw.h"
#include "core/rawFileIo.h"
#include "platform/files.h"

namespace wiccodec {

std::unique_ptr<platform::TimageSource> openImage(std::vector<uint8_t> bytes, std::string& error) {
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return openBmp(std::move(bytes), error);
  return platform::openImage(std::move(bytes), error);
}

std::unique_ptr<platform::TimageSource> openImageFile(const std::string& filename, std::string& error) {
  rawio::TrawFile f;
  uint8_t head[2] = {0, 0};
  if (!f.openRead(filename) || f.readAt(0, head, 2) != 2 || head[0] != 'B' || head[1] != 'M')
    return platform::openImageFile(filename, error);
  f.close();
  std::vector<uint8_t> bytes;
  if (!rawio::readWholeFile(filename, bytes)) {
    error = "cannot read " + filename;
    return nullptr;
  }
  auto source = openBmp(std::move(bytes), error);
  if (!source) error = filename + ": " + error;
  return source;
}

platform::ImageKind encoderOf(int ftype) {
  switch (ftype) {
    case 4: return platform::ImageKind::Tiff;
    case 5: return platform::ImageKind::Jpeg;
    case 140: return platform::ImageKind::Png;
    default: return platform::ImageKind::Unknown;
  }
}

namespace {
// Rows as a BMP file's bytes (24 bits, or one bit with a black and white palette).
bool bmpBytes(const platform::TpixelRows& rows, std::vector<uint8_t>& bytes, std::string& error) {
  const size_t n = platform::rowBytesOf(rows.layout, rows.width);
  bool ok = false;
  if (rows.layout == platform::PixelLayout::Mono1) {
    TbitmapMono bm;
    bm.setSize(rows.width, rows.height);
    for (int y = 0; y < rows.height; ++y)
      if (uint8_t* p = bm.rowPtr(y)) std::memcpy(p, rows.row(y), n);
    ok = bm.saveToMem(bytes);
  } else if (rows.layout == platform::PixelLayout::Bgr24) {
    TrawBitmap24 bm;
    bm.setsize(rows.width, rows.height);
    for (int y = 0; y < rows.height; ++y)
      if (uint8_t* p = bm.rowPt(y)) std::memcpy(p, rows.row(y), n);
    ok = bm.saveToMem(bytes);
  }
  if (!ok) error = "BMP: no pixels to write";
  return ok;
}
}  // namespace

bool encodeRows(std::vector<uint8_t>& bytes, int ftype, const platform::TpixelRows& rows, std::string& error) {
  const platform::ImageKind kind = encoderOf(ftype);
  if (kind != platform::ImageKind::Unknown) return platform::encodeImage(kind, rows, bytes, error, 90);
  return bmpBytes(rows, bytes, error);
}

bool saveRows(const std::string& filename, int ftype, const platform::TpixelRows& rows, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!encodeRows(bytes, ftype, rows, error)) return false;
  std::string why;
  if (platform::replaceFileContents(filename, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, &why))
    return true;
  error = "cannot write " + filename + ": " + why;
  return false;
}

}  // namespace wiccodec
