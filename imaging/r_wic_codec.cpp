// r_wic: the BMP source on the core's header checks, opening by content, and writing rows by
// file-type code (BMP through the core's pixel buffers, the rest through platform/imagecodec).
#include "imaging/r_wic_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/bmpCheck.h"
#include "core/r_bitmapRaw.h"
#include "core/rawFileIo.h"
#include "platform/files.h"

namespace wiccodec {
namespace {

constexpr uint32_t kBitFields = 3;  // BI_BITFIELDS: channel masks instead of plain order

class TbmpSource : public platform::TimageSource {
 public:
  TbmpSource(std::vector<uint8_t> bytes, const TbmpLayout& lay) : fbytes(std::move(bytes)), flay(lay) {
    fwidth = lay.width;
    fheight = lay.height;
    fbits = lay.bits;
    for (int i = 0; i < lay.paletteEntries; ++i) {
      const uint8_t* q = fbytes.data() + lay.paletteOffset + 4 * i;
      fpalette.push_back({q[2], q[1], q[0]});
    }
    fpalette.resize(256, {0, 0, 0});  // indices past the palette read black
  }
  [[nodiscard]] platform::ImageKind kind() const override { return platform::ImageKind::Unknown; }

 protected:
  bool decode(int left, int top, int w, int h, platform::PixelLayout layout, uint8_t* out, size_t stride,
              std::string&) override {
    std::vector<uint8_t> rgb(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
      const int stored = flay.topDown ? top + y : fheight - 1 - (top + y);
      const uint8_t* row = fbytes.data() + flay.offset + flay.rowLength * stored;
      for (int x = 0; x < w; ++x) {
        const int col = left + x;
        uint8_t* p = rgb.data() + 3 * size_t(x);
        switch (flay.bits) {
          case 1: std::memcpy(p, fpalette[(row[col / 8] >> (7 - col % 8)) & 1].data(), 3); break;
          case 8: std::memcpy(p, fpalette[row[col]].data(), 3); break;
          default: {  // 24 and 32 bits: blue, green, red first
            const uint8_t* q = row + size_t(col) * size_t(flay.bits / 8);
            p[0] = q[2];
            p[1] = q[1];
            p[2] = q[0];
          }
        }
      }
      platform::rgbToLayout(rgb.data(), w, layout, out + size_t(y) * stride);
    }
    return true;
  }

 private:
  std::vector<uint8_t> fbytes;
  TbmpLayout flay;
  std::vector<std::array<uint8_t, 3>> fpalette;
};

uint32_t le32(const uint8_t* p) { return bmpGet32(p); }

}  // namespace

std::unique_ptr<platform::TimageSource> openBmp(std::vector<uint8_t> bytes, std::string& error) {
  // The checks read the headers only: a copy of them may say that 32-bit pixels with the usual
  // masks (blue, green, red from the low byte) lie as plain 32-bit pixels do.
  std::vector<uint8_t> head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 14 + 4096 + 12));
  if (head.size() >= 66 && le32(&head[14]) >= 40 && head[28] == 32 && le32(&head[30]) == kBitFields &&
      le32(&head[54]) == 0x00FF0000 && le32(&head[58]) == 0x0000FF00 && le32(&head[62]) == 0x000000FF)
    std::memset(&head[30], 0, 4);
  TbmpLayout lay;
  bool wrongDepth = false;
  std::string why = checkBmp(head.data(), bytes.size(), 0, lay, wrongDepth);
  if (wrongDepth && head.size() >= 30 && head[28] == 32 && head[29] == 0)
    why = checkBmp(head.data(), bytes.size(), 32, lay, wrongDepth);
  if (why.empty() && uint64_t(lay.width) * uint64_t(lay.height) > platform::kMaxImagePixels * 4)
    why = "too large";  // more than the file could ever hold at one bit a pixel
  if (!why.empty()) {
    error = "BMP: " + why;
    return nullptr;
  }
  return std::make_unique<TbmpSource>(std::move(bytes), lay);
}

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
