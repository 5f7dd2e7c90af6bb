// Private to the image codecs: the encoded bytes a decoder reads, the size checks every format
// shares, and each format's opener and encoder.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/imagecodec.h"

namespace platform::codec {

using Clock = std::chrono::steady_clock;

// Encoded bytes: kept by the source, or borrowed for the length of one call.
struct Tencoded {
  std::vector<uint8_t> owned;
  const uint8_t* data = nullptr;
  size_t length = 0;
  static Tencoded own(std::vector<uint8_t> bytes) {
    Tencoded e;
    e.owned = std::move(bytes);
    e.data = e.owned.data();
    e.length = e.owned.size();
    return e;
  }
  static Tencoded borrow(const uint8_t* p, size_t n) {
    Tencoded e;
    e.data = p;
    e.length = n;
    return e;
  }
};

// "" when an image of w x h may be opened: refused only when the file cannot hold it, with the
// pixel limit named first when the size is beyond it as well.
std::string sizeRefusal(const char* kind, uint64_t w, uint64_t h, uint64_t fileBytes, bool fileCanHold);
// "" when w x h pixels may be allocated for an extract.
std::string extractRefusal(const char* kind, uint64_t w, uint64_t h);

std::unique_ptr<TimageSource> openJpeg(Tencoded, std::string& error);
std::unique_ptr<TimageSource> openPng(Tencoded, std::string& error);
std::unique_ptr<TimageSource> openGif(Tencoded, std::string& error);
std::unique_ptr<TimageSource> openTiff(Tencoded, std::string& error);
// A TIFF file read as it is decoded; the source closes fd.
std::unique_ptr<TimageSource> openTiffFile(int fd, std::string& error);

// One row of any layout as red, green, blue (alpha dropped; one bit as 0 or 255).
void rowToRgb(const TpixelRows&, int y, uint8_t* rgb);

bool encodeJpeg(const TpixelRows&, int quality, std::string& out, std::string& error);
bool encodePng(const TpixelRows&, std::string& out, std::string& error);
bool encodeTiff(const TpixelRows&, std::string& out, std::string& error);

}  // namespace platform::codec
